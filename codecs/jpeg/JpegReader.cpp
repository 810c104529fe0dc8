#include "codecs/jpeg/Jpeg.h"
#include "codecs/CodecError.h"
#include "codecs/jpeg/JpegError.h"
#include "codecs/jpeg/JpegHeader.h"
#include "image/ImageLimits.h"

#include <cstring>

namespace fovella {

bool LoadJpeg(const std::string& path, Image& image, PhotoMetadata* metadata, std::string* error)
{
    if (metadata)
        *metadata = PhotoMetadata();
    const bool read = jpeg::DecodeFile(path, error, [&](jpeg_decompress_struct& decoder, jpeg::ErrorManager& errors,
                                                         long fileBytes) {
        if (metadata)
            jpeg::SaveMetadataMarkers(&decoder);
        jpeg_read_header(&decoder, TRUE);
        decoder.out_color_space = JCS_RGB;
        // Refuse a picture too large, or too large for the file, before the
        // library allocates for it.
        if (!jpeg::CheckHeader(decoder, fileBytes, errors))
            std::longjmp(errors.recovery, -2);
        jpeg_start_decompress(&decoder);
        const int width = int(decoder.output_width), height = int(decoder.output_height);
        if (decoder.output_components != 3 || !image.Create(width, height, Rgb, SampleU8, BottomUp)) {
            std::snprintf(errors.message, sizeof errors.message,
                          decoder.output_components != 3 ? "not a colour picture" : "not enough memory for the picture");
            std::longjmp(errors.recovery, -2);
        }
        JSAMPARRAY row = (*decoder.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&decoder), JPOOL_IMAGE,
                                                     JDIMENSION(width) * 3, 1);
        while (decoder.output_scanline < decoder.output_height) {
            jpeg_read_scanlines(&decoder, row, 1);
            // The top row of the file becomes the last row of the image.
            std::memcpy(image.Rows()[height - int(decoder.output_scanline)], row[0], std::size_t(width) * 3);
        }
        if (metadata)
            jpeg::KeepMetadata(&decoder, path, *metadata);
        jpeg_finish_decompress(&decoder);
    });
    if (!read && metadata)
        *metadata = PhotoMetadata();
    return read;
}

}  // namespace fovella
