// What a JPEG file's header must say before its picture is decoded, shared
// by the reader and the size reader so that both refuse the same files.
// Inside the JPEG codec: not a public header.
#pragma once

#include "codecs/jpeg/JpegError.h"
#include "metadata/PhotoMetadata.h"

#include <cstdio>
#include <string>

namespace fovella::jpeg {

// After jpeg_read_header: false, with the reason in `errors.message`, for a
// picture too large, or too large for a file of `fileBytes`, or in a colour
// space that does not turn into RGB (CMYK).
bool CheckHeader(const jpeg_decompress_struct& decoder, long fileBytes, ErrorManager& errors);

// The file opened for reading at its start, and its length, which bounds
// the picture it may hold; null, with the reason in `error`, otherwise.
std::FILE* OpenWithLength(const std::string& path, long& fileBytes, std::string* error);

// A progressive file may repeat scans without end; real ones have about
// 10. Installed as the decoder's progress monitor, this stops a decode past
// the 500th scan with the reason in the error manager. `limit` must outlive
// the decode.
struct ScanLimit {
    jpeg_progress_mgr library;
};
void InstallScanLimit(j_decompress_ptr decoder, ScanLimit& limit);

// Before jpeg_read_header: the library keeps the segments that hold the
// metadata (APP1 and APP2).
void SaveMetadataMarkers(j_decompress_ptr decoder);

// After jpeg_read_header: the metadata of the segments the library kept. A
// damaged profile is left out, and said so on standard error, as the
// library's own warnings are.
void KeepMetadata(j_decompress_ptr decoder, const std::string& path, PhotoMetadata& metadata);

}  // namespace fovella::jpeg
