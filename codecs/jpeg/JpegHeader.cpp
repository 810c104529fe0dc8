#include "codecs/jpeg/JpegHeader.h"

#include "codecs/CodecError.h"
#include "codecs/jpeg/Jpeg.h"
#include "image/ImageLimits.h"

#include <cstdio>

namespace fovella {

namespace {

// Huffman-coded files spend at least a bit per 8 x 8 block and component,
// so they decode to at most about 1000 RGB bytes per file byte; 16 times
// that leaves room for arithmetic coding of flat pictures.
constexpr std::uint64_t kMaxExpansion = 16384;

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

void KeepFirstApp1(j_decompress_ptr decoder, std::vector<std::uint8_t>& exif)
{
    for (jpeg_saved_marker_ptr marker = decoder->marker_list; marker; marker = marker->next)
        if (marker->marker == kApp1) {
            exif.assign(marker->data, marker->data + marker->data_length);
            return;
        }
}

}  // namespace jpeg

// The header segments only, up to the first scan: libjpeg stops there
// without touching the coded picture.
bool ReadJpegSize(const std::string& path, int& width, int& height, std::vector<std::uint8_t>* exif,
                  std::string* error)
{
    if (exif)
        exif->clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return FailWith(error, path, "cannot open the file");
    long fileBytes = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        fileBytes = std::ftell(file);
    if (fileBytes < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return FailWith(error, path, "cannot read the file");
    }
    jpeg_decompress_struct decoder;
    jpeg::ErrorManager errors;
    decoder.err = jpeg::Install(errors, path);
    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&decoder);
        std::fclose(file);
        if (exif)
            exif->clear();
        return FailWith(error, path, errors.message);
    }
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    if (exif)
        jpeg_save_markers(&decoder, jpeg::kApp1, 0xFFFF);
    jpeg_read_header(&decoder, TRUE);
    if (!jpeg::CheckHeader(decoder, fileBytes, errors))
        std::longjmp(errors.recovery, -2);
    width = int(decoder.image_width);
    height = int(decoder.image_height);
    if (exif)
        jpeg::KeepFirstApp1(&decoder, *exif);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    return true;
}

}  // namespace fovella
