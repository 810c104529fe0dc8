// What a JPEG file's header must say before its picture is decoded, shared
// by the reader and the size reader so that both refuse the same files.
// Inside the JPEG codec: not a public header.
#pragma once

#include "codecs/CodecError.h"
#include "codecs/jpeg/JpegError.h"
#include "codecs/jpeg/JpegFileSource.h"
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

// Reads `path` through a decoder made ready for `decode(decoder, errors,
// fileBytes)`: the file opened with its length, the recovery point set, the
// scan limit and the 64 KiB source installed. `decode` fails as the library
// does, with the reason in `errors.message` and a jump to
// `errors.recovery`, so it must hold no object whose destructor the jump
// would skip. The decoder and the file are released either way; false,
// with the reason in `error`, when anything failed.
template <class Decode>
bool DecodeFile(const std::string& path, std::string* error, Decode decode)
{
    long fileBytes = -1;
    std::FILE* file = OpenWithLength(path, fileBytes, error);
    if (!file)
        return false;
    jpeg_decompress_struct decoder;
    ErrorManager errors;
    ScanLimit scanLimit;
    FileSource source;
    decoder.err = Install(errors, path);
    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&decoder);
        std::fclose(file);
        return FailWith(error, path, errors.message);
    }
    jpeg_create_decompress(&decoder);
    InstallScanLimit(&decoder, scanLimit);
    ReadFromFile(&decoder, file, source);
    decode(decoder, errors, fileBytes);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    return true;
}

}  // namespace fovella::jpeg
