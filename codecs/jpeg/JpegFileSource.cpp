#include "codecs/jpeg/JpegFileSource.h"

#include <jerror.h>

namespace fovella::jpeg {

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

FileSource& SourceOf(j_decompress_ptr decoder) { return *reinterpret_cast<FileSource*>(decoder->src); }

void StartReading(j_decompress_ptr decoder) { SourceOf(decoder).atStart = true; }

boolean FillBuffer(j_decompress_ptr decoder)
{
    FileSource& source = SourceOf(decoder);
    std::size_t bytes = std::fread(source.buffer.data(), 1, source.buffer.size(), source.file);
    if (bytes == 0) {
        if (source.atStart)
            ERREXIT(decoder, JERR_INPUT_EMPTY);
        WARNMS(decoder, JWRN_JPEG_EOF);
        source.buffer[0] = 0xFF;
        source.buffer[1] = JPEG_EOI;
        bytes = 2;
    }
    source.library.next_input_byte = source.buffer.data();
    source.library.bytes_in_buffer = bytes;
    source.atStart = false;
    return TRUE;
}

void SkipBytes(j_decompress_ptr decoder, long count)
{
    jpeg_source_mgr& library = SourceOf(decoder).library;
    if (count <= 0)
        return;
    while (count > long(library.bytes_in_buffer)) {
        count -= long(library.bytes_in_buffer);
        FillBuffer(decoder);
    }
    library.next_input_byte += count;
    library.bytes_in_buffer -= std::size_t(count);
}

void StopReading(j_decompress_ptr) {}

}  // namespace

void ReadFromFile(j_decompress_ptr decoder, std::FILE* file, FileSource& source)
{
    source.file = file;
    source.buffer.resize(kBufferBytes);
    source.library = {};
    source.library.init_source = StartReading;
    source.library.fill_input_buffer = FillBuffer;
    source.library.skip_input_data = SkipBytes;
    source.library.resync_to_restart = jpeg_resync_to_restart;
    source.library.term_source = StopReading;
    decoder->src = &source.library;
}

}  // namespace fovella::jpeg
