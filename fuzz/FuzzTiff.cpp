// libFuzzer target: LoadTiff on arbitrary bytes must refuse or read them
// without touching memory it does not own.
#include "codecs/tiff/Tiff.h"
#include "fuzz/FuzzFile.h"

#include <tiffio.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // libtiff's messages would drown the fuzzer's own.
    static const bool quiet = (TIFFSetErrorHandler(nullptr), TIFFSetWarningHandler(nullptr), true);
    (void)quiet;
    return fovella::fuzz::LoadBytes<fovella::LoadTiff>(data, size, "tiff");
}
