// libFuzzer target: LoadPcx on arbitrary bytes must refuse or read them
// without touching memory it does not own.
#include "codecs/pcx/Pcx.h"
#include "fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fovella::fuzz::LoadBytes<fovella::LoadPcx>(data, size, "pcx");
}
