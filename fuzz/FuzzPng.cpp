// libFuzzer target: LoadPng, with the metadata kept, on arbitrary bytes must
// refuse or read them without touching memory it does not own.
#include "codecs/png/Png.h"
#include "fuzz/FuzzFile.h"

namespace {

bool LoadKeepingMetadata(const std::string& path, fovella::Image& image, std::string* error)
{
    fovella::PhotoMetadata metadata;
    return fovella::LoadPng(path, image, &metadata, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fovella::fuzz::LoadBytes<LoadKeepingMetadata>(data, size, "png");
}
