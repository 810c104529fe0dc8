#include "codecs/jpeg/JpegHeader.h"

#include "codecs/CodecError.h"
#include "codecs/jpeg/Jpeg.h"
#include "codecs/jpeg/JpegMetadata.h"
#include "image/ImageLimits.h"

#include <cstdio>

namespace fovella {

namespace {

// Huffman-coded files spend at least a bit per 8 x 8 block and component,
// so they decode to at most about 1000 RGB bytes per file byte; 16 times
// that leaves room for arithmetic coding of flat pictures.
constexpr std::uint64_t kMaxExpansion = 16384;

constexpr int kMaxScans = 500;

void LimitScans(j_common_ptr info)
{
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->is_decompressor && decoder->input_scan_number > kMaxScans) {
        std::snprintf(reinterpret_cast<jpeg::ErrorManager*>(info->err)->message, JMSG_LENGTH_MAX,
                      "more than %d scans", kMaxScans);
        std::longjmp(reinterpret_cast<jpeg::ErrorManager*>(info->err)->recovery, -2);
    }
}

}  // namespace

namespace jpeg {

bool CheckHeader(const jpeg_decompress_struct& decoder, long fileBytes, ErrorManager& errors)
{
    if (!FitsImageLimit(decoder.image_width, decoder.image_height, 3)) {
        std::snprintf(errors.message, sizeof errors.message,
                      "picture of %u x %u pixels is larger than this program accepts", decoder.image_width,
                      decoder.image_height);
        return false;
    }
    if (!IsInProportion(std::uint64_t(decoder.image_width) * decoder.image_height * 3, std::uint64_t(fileBytes),
                        kMaxExpansion)) {
        std::snprintf(errors.message, sizeof errors.message,
                      "a file of %ld bytes cannot hold a picture of %u x %u pixels", fileBytes,
                      decoder.image_width, decoder.image_height);
        return false;
    }
    if (decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK) {
        std::snprintf(errors.message, sizeof errors.message, "a CMYK picture, which is not read");
        return false;
    }
    return true;
}

std::FILE* OpenWithLength(const std::string& path, long& fileBytes, std::string* error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        FailWith(error, path, "cannot open the file");
        return nullptr;
    }
    fileBytes = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        fileBytes = std::ftell(file);
    if (fileBytes < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        FailWith(error, path, "cannot read the file");
        return nullptr;
    }
    return file;
}

void InstallScanLimit(j_decompress_ptr decoder, ScanLimit& limit)
{
    limit.library = {};
    limit.library.progress_monitor = LimitScans;
    decoder->progress = &limit.library;
}

void SaveMetadataMarkers(j_decompress_ptr decoder)
{
    jpeg_save_markers(decoder, kApp1, 0xFFFF);
    jpeg_save_markers(decoder, kApp2, 0xFFFF);
}

void KeepMetadata(j_decompress_ptr decoder, const std::string& path, PhotoMetadata& metadata)
{
    std::vector<Segment> segments;
    for (jpeg_saved_marker_ptr marker = decoder->marker_list; marker; marker = marker->next)
        segments.push_back({marker->marker, std::vector<std::uint8_t>(marker->data, marker->data + marker->data_length)});
    std::string problem;
    ReadSegments(segments, metadata, problem);
    if (!problem.empty())
        std::fprintf(stderr, "'%s': %s\n", path.c_str(), problem.c_str());
}

}  // namespace jpeg

// The header segments only, up to the first scan: libjpeg stops there
// without touching the coded picture.
bool ReadJpegSize(const std::string& path, int& width, int& height, PhotoMetadata* metadata,
                  std::string* error)
{
    if (metadata)
        *metadata = PhotoMetadata();
    const bool read = jpeg::DecodeFile(path, error, [&](jpeg_decompress_struct& decoder, jpeg::ErrorManager& errors,
                                                         long fileBytes) {
        if (metadata)
            jpeg::SaveMetadataMarkers(&decoder);
        jpeg_read_header(&decoder, TRUE);
        if (!jpeg::CheckHeader(decoder, fileBytes, errors))
            std::longjmp(errors.recovery, -2);
        width = int(decoder.image_width);
        height = int(decoder.image_height);
        if (metadata)
            jpeg::KeepMetadata(&decoder, path, *metadata);
    });
    if (!read && metadata)
        *metadata = PhotoMetadata();
    return read;
}

}  // namespace fovella
