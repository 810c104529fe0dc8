// What a JPEG file's header must say before its picture is decoded, shared
// by the reader and the size reader so that both refuse the same files.
// Inside the JPEG codec: not a public header.
#pragma once

#include "codecs/jpeg/JpegError.h"

#include <cstdint>
#include <vector>

namespace fovella::jpeg {

// After jpeg_read_header: false, with the reason in `errors.message`, for a
// picture too large, or too large for a file of `fileBytes`, or in a colour
// space that does not turn into RGB (CMYK).
bool CheckHeader(const jpeg_decompress_struct& decoder, long fileBytes, ErrorManager& errors);

// The payload of the first APP1 marker among those the library saved, or
// nothing.
void KeepFirstApp1(j_decompress_ptr decoder, std::vector<std::uint8_t>& exif);

// The marker code of APP1, where the EXIF block lives.
constexpr int kApp1 = JPEG_APP0 + 1;

}  // namespace fovella::jpeg
