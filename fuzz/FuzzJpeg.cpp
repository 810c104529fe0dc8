// libFuzzer target: LoadJpeg, with the metadata kept, on arbitrary bytes.
#include "codecs/jpeg/Jpeg.h"
#include "fuzz/FuzzFile.h"

namespace {

bool LoadKeepingMetadata(const std::string& path, fovella::Image& image, std::string* error)
{
    fovella::PhotoMetadata metadata;
    return fovella::LoadJpeg(path, image, &metadata, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fovella::fuzz::LoadBytes<LoadKeepingMetadata>(data, size, "jpg");
}
