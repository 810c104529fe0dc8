#include "tests/lens/ReferenceUndistort.h"

#include <cmath>
#include <cstdint>

namespace fovella::test {

namespace {

struct Sampler {
    const std::uint8_t* const* rows;
    int channels;
    double maxX;  // W - 1
    double maxY;  // H - 1

    void Sample(double sx, double sy, std::uint8_t* out) const
    {
        if (sx < 0)
            sx = 0;
        if (sx >= maxX)
            sx = maxX;
        if (sy < 0)
            sy = 0;
        if (sy >= maxY)
            sy = maxY;
        const double fx0 = std::floor(sx);
        const double fy0 = std::floor(sy);
        const int x0 = static_cast<int>(fx0);
        const int y0 = static_cast<int>(fy0);
        const int x1 = static_cast<int>(std::ceil(sx));
        const int y1 = static_cast<int>(std::ceil(sy));
        const double fx = sx - fx0;
        const double fy = sy - fy0;
        const double w00 = (1 - fx) * (1 - fy);
        const double w01 = (1 - fx) * fy;
        const double w10 = fx * (1 - fy);
        const double w11 = fx * fy;
        const std::size_t left = std::size_t(x0) * channels;
        const std::size_t right = std::size_t(x1) * channels;
        const std::uint8_t* p00 = rows[y0] + left;
        const std::uint8_t* p01 = rows[y1] + left;
        const std::uint8_t* p10 = rows[y0] + right;
        const std::uint8_t* p11 = rows[y1] + right;
        for (int c = 0; c < channels; ++c) {
            const double v = p00[c] * w00 + p01[c] * w01 + p10[c] * w10 + p11[c] * w11;
            const int level = static_cast<int>(v);
            out[c] = static_cast<std::uint8_t>(level > 255 ? 255 : level);
        }
    }
};

bool CanRemap(const Image& source, double m)
{
    if (!source.IsValid() || source.GetSampleType() != SampleU8)
        return false;
    const int channels = ChannelCount(source.GetPixelType());
    if (channels != 1 && channels != 3 && channels != 4)
        return false;
    return std::isfinite(m) && m > 0;
}

}  // namespace

bool ReferenceUndistort(const Image& source, Image& destination, double m,
                        ProgressCallback callback, void* context)
{
    if (!CanRemap(source, m) || &source == &destination)
        return false;
    const int width = source.Width();
    const int height = source.Height();
    if (!destination.Create(width, height, source.GetPixelType(), source.GetSampleType(),
                            source.GetRowOrder()))
        return false;

    const int channels = source.BytesPerPixel();
    const int cx = width / 2;
    const int cy = height / 2;
    const Sampler sampler{source.Rows(), channels, double(width - 1), double(height - 1)};
    std::uint8_t* const* out = destination.Rows();

    for (int j = 0; j <= cx; ++j) {
        if (callback) {
            const int percent = cx == 0 ? 100 : j * 100 / cx;
            if (!callback(percent, context))
                return false;
        }
        const std::int64_t dx = j - cx;
        const std::size_t left = std::size_t(j) * channels;
        const std::size_t right = std::size_t(width - 1 - j) * channels;
        for (int i = 0; i <= cy; ++i) {
            const std::int64_t dy = i - cy;
            const int mirroredY = height - 1 - i;
            const double r = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            if (r == 0) {
                for (int c = 0; c < channels; ++c)
                    out[i][left + c] = source.Rows()[i][left + c];
                continue;
            }
            const double o = r / m;
            const double t = std::log(o + std::sqrt(o * o + 1));
            const double u = (t * m) / r;
            const double ox = double(dx);
            const double oy = double(dy);
            sampler.Sample(ox * u + cx, oy * u + cy, out[i] + left);
            sampler.Sample(-ox * u + cx, oy * u + cy, out[i] + right);
            sampler.Sample(-ox * u + cx, -oy * u + cy, out[mirroredY] + right);
            sampler.Sample(ox * u + cx, -oy * u + cy, out[mirroredY] + left);
        }
    }
    return true;
}

}  // namespace fovella::test
