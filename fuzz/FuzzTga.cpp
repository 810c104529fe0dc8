// libFuzzer target: LoadTga on arbitrary bytes must refuse or read them
// without touching memory it does not own.
#include "codecs/tga/Tga.h"
#include "fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fovella::fuzz::LoadBytes<fovella::LoadTga>(data, size, "tga");
}
