// libjpeg's input from an open file through a buffer of 64 KiB. The
// library's own stdio source reads 4 KiB at a time, and its Huffman decoder
// leaves its fast path whenever fewer than 512 bytes are buffered: an eighth
// of every buffer. With 64 KiB the fast path holds almost throughout, which
// makes a reduced decode of a large photograph about a sixth faster.
// Inside the JPEG codec: not a public header.
#pragma once

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace fovella::jpeg {

struct FileSource {
    jpeg_source_mgr library;  // first, so that the library's pointer is ours
    std::FILE* file = nullptr;
    std::vector<JOCTET> buffer;
    bool atStart = true;
};

// Like jpeg_stdio_src: an empty file is a fatal error, and data that ends
// early is the library's warning JWRN_JPEG_EOF followed by an end of image.
// `source` must outlive the decode; the caller closes `file`.
void ReadFromFile(j_decompress_ptr decoder, std::FILE* file, FileSource& source);

}  // namespace fovella::jpeg
