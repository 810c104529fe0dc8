// The readers take paths: a fuzz target hands them its bytes as a file.
#pragma once

#include "image/MemoryImage.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace fovella::fuzz {

template <bool (*Load)(const std::string&, Image&, std::string*)>
int LoadBytes(const std::uint8_t* data, std::size_t size, const char* extension)
{
    static const std::string path =
        "/tmp/fovella-fuzz-" + std::to_string(::getpid()) + "." + extension;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    // A MemoryImage holds every format a reader can produce.
    MemoryImage image;
    std::string error;
    Load(path, image, &error);
    return 0;
}

}  // namespace fovella::fuzz
