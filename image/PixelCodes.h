// Codes that describe how an Image stores its pixels. The codes keep the
// numbers they have always had.
#pragma once

#include <cstdint>

namespace fovella {

enum PixelType : std::int32_t {
    Gray = 1,  // one grey level
    Rgb = 2,   // red, green, blue
    Rgba = 4,  // red, green, blue, alpha
    Bgr = 8,   // blue, green, red: the byte order of a 24-bit display bitmap
};

enum SampleType : std::int32_t {
    SampleU8 = 1,
    SampleU16 = 2,
};

enum RowOrder : std::int32_t {
    TopDown = 0,   // row-table index 0 is the top picture row
    BottomUp = 1,  // row-table index 0 is the bottom picture row
};

// -1 for a code without a channel count.
int ChannelCount(PixelType type);
// -1 for a code without a size.
int SampleBytes(SampleType type);
// -1 when either code is unknown.
int PixelBytes(PixelType pixelType, SampleType sampleType);
// Bytes per row of a display bitmap, padded to 4; 0 for a type it cannot hold.
int DibRowStride(int width, PixelType type);

}  // namespace fovella
