// libFuzzer target: the EXIF reader on arbitrary APP1 payloads. An input
// that is a JPEG file stands for its first APP1 payload, so that camera
// files serve as seeds.
#include "exif/ExifReader.h"

#include <sstream>
#include <vector>

namespace {

std::vector<std::uint8_t> Payload(const std::uint8_t* data, std::size_t size)
{
    if (size > 4 && data[0] == 0xFF && data[1] == 0xD8) {
        for (std::size_t at = 2; at + 4 <= size && data[at] == 0xFF;) {
            const std::size_t length = std::size_t(data[at + 2]) << 8 | data[at + 3];
            if (length < 2 || at + 2 + length > size)
                break;
            if (data[at + 1] == 0xE1)
                return std::vector<std::uint8_t>(data + at + 4, data + at + 2 + length);
            at += 2 + length;
        }
    }
    return std::vector<std::uint8_t>(data, data + size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly as long as the payload: any read past it is caught.
    std::vector<std::uint8_t> payload = Payload(data, size);
    std::ostringstream diagnostics;
    fovella::ReadExif(payload.data(), payload.size(), diagnostics);
    return 0;
}
