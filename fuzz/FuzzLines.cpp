// libFuzzer target: the correction found from a picture's lines, on
// arbitrary bytes. An input that starts as a JPEG does is read as "Auto" and
// --focal-source lines read a file (its luma reduced by the DCT), so that
// camera files serve as seeds; any other input is a grey plane whose width
// is its first byte, so that the line finder sees every kind of content,
// not only what a decoder makes.
#include "fuzz/FuzzFile.h"
#include "lines/LineEstimator.h"

#include <algorithm>

namespace {

bool EstimateFromFile(const std::string& path, fovella::Image&, std::string*)
{
    fovella::EstimateLinesOfFile(path);
    return true;
}

void EstimateFromPlane(const std::uint8_t* data, std::size_t size)
{
    fovella::GreyPlane plane;
    plane.width = std::max(1, int(data[0]));
    plane.height = int((size - 1) / std::size_t(plane.width));
    plane.values.resize(std::size_t(plane.width) * std::size_t(plane.height));
    for (std::size_t i = 0; i < plane.values.size(); ++i)
        plane.values[i] = std::uint16_t(data[1 + i] * fovella::GreyPlane::kUnit);
    // The full picture a little larger than twice the plane's size, as a
    // reduction by 2 with the last column cut short leaves it.
    fovella::EstimateLines(plane, 2 * plane.width - 1, 2 * plane.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8)
        return fovella::fuzz::LoadBytes<EstimateFromFile>(data, size, "jpg");
    if (size >= 1)
        EstimateFromPlane(data, size);
    return 0;
}
