#include "image/PixelCodes.h"

namespace fovella {

int ChannelCount(PixelType type)
{
    switch (type) {
    case Gray: return 1;
    case Rgb: return 3;
    case Rgba: return 4;
    case Bgr: return 3;
    }
    return -1;
}

int SampleBytes(SampleType type)
{
    switch (type) {
    case SampleU8: return 1;
    case SampleU16: return 2;
    }
    return -1;
}

int PixelBytes(PixelType pixelType, SampleType sampleType)
{
    const int channels = ChannelCount(pixelType);
    const int bytes = SampleBytes(sampleType);
    if (channels < 0 || bytes < 0)
        return -1;
    return channels * bytes;
}

int DibRowStride(int width, PixelType type)
{
    switch (type) {
    case Gray: return (width + 3) & ~3;
    case Rgb:
    case Bgr: return (3 * width + 3) & ~3;
    default: return 0;
    }
}

}  // namespace fovella
