#include "codecs/CodecError.h"
#include "codecs/jpeg/JpegError.h"
#include "codecs/jpeg/JpegHeader.h"
#include "codecs/jpeg/JpegReduced.h"
#include "image/ImageLimits.h"

#include <cstring>

namespace fovella {

bool LoadJpegReduced(const std::string& path, int eighths, Image& image, int& fullWidth, int& fullHeight,
                     std::string* error, ReducedSamples samples)
{
    if (eighths < 1 || eighths > 8)
        return FailWith(error, path, "a scale of " + std::to_string(eighths) + " eighths is not offered");
    return jpeg::DecodeFile(path, error, [&](jpeg_decompress_struct& decoder, jpeg::ErrorManager& errors,
                                             long fileBytes) {
        jpeg_read_header(&decoder, TRUE);
        const bool colour = samples == ReducedSamples::Colour;
        decoder.out_color_space = colour ? JCS_EXT_BGR : JCS_GRAYSCALE;
        decoder.scale_num = unsigned(eighths);
        decoder.scale_denom = 8;
        if (!jpeg::CheckHeader(decoder, fileBytes, errors))
            std::longjmp(errors.recovery, -2);
        jpeg_start_decompress(&decoder);
        const int width = int(decoder.output_width), height = int(decoder.output_height);
        const int components = colour ? 3 : 1;
        if (decoder.output_components != components ||
            !image.Create(width, height, colour ? Bgr : Gray, SampleU8, TopDown)) {
            std::snprintf(errors.message, sizeof errors.message,
                          decoder.output_components != components
                              ? (colour ? "not a picture of three colours" : "not a colour picture")
                              : "not enough memory for the picture");
            std::longjmp(errors.recovery, -2);
        }
        while (decoder.output_scanline < decoder.output_height) {
            JSAMPROW row = image.Rows()[decoder.output_scanline];
            jpeg_read_scanlines(&decoder, &row, 1);
        }
        fullWidth = int(decoder.image_width);
        fullHeight = int(decoder.image_height);
        jpeg_finish_decompress(&decoder);
    });
}

}  // namespace fovella
