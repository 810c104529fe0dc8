// libFuzzer target: the BMP reader on arbitrary bytes. It must refuse or
// read them without touching memory it does not own.
#include "codecs/bmp/Bmp.h"
#include "image/DibImage.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The reader takes a path: hand it the bytes as a file.
    static const std::string path = "/tmp/fovella-fuzz-bmp-" + std::to_string(::getpid()) + ".bmp";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    fovella::DibImage image;
    std::string error;
    fovella::LoadBmp(path, image, &error);
    return 0;
}
