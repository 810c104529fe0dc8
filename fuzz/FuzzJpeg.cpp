// libFuzzer target: LoadJpeg, with the EXIF block kept, on arbitrary bytes.
#include "codecs/jpeg/Jpeg.h"
#include "fuzz/FuzzFile.h"

namespace {

bool LoadKeepingExif(const std::string& path, fovella::Image& image, std::string* error)
{
    std::vector<std::uint8_t> exif;
    return fovella::LoadJpeg(path, image, &exif, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fovella::fuzz::LoadBytes<LoadKeepingExif>(data, size, "jpg");
}
