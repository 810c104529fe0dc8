#include "codecs/jpeg/Jpeg.h"
#include "codecs/CodecError.h"
#include "codecs/jpeg/JpegError.h"
#include "codecs/jpeg/JpegMetadata.h"
#include "fs/FileReplacement.h"

namespace fovella {

bool SaveJpeg(const std::string& path, const Image& image, int quality, const PhotoMetadata* metadata,
              std::string* error)
{
    FileReplacement out(path);
    return WriteJpeg(out, path, image, quality, metadata, error) && CommitOrFail(out, error);
}

bool WriteJpeg(FileReplacement& out, const std::string& path, const Image& image, int quality,
               const PhotoMetadata* metadata, std::string* error)
{
    quality = quality < 0 ? 0 : quality > 100 ? 100 : quality;
    if (!image.IsValid() || image.GetPixelType() != Rgb || image.GetSampleType() != SampleU8)
        return FailWith(error, path, "only 8-bit RGB pictures can be saved as JPEG");
    // What the format cannot hold is left out, said on standard error as
    // the library's warnings are; the picture is written all the same.
    std::string problem;
    const std::vector<jpeg::Segment> segments = metadata ? jpeg::MakeSegments(*metadata, problem)
                                                         : std::vector<jpeg::Segment>();
    if (!problem.empty())
        std::fprintf(stderr, "'%s': %s\n", path.c_str(), problem.c_str());

    if (!out.Open()) {
        if (error)
            *error = out.Error();
        return false;
    }
    jpeg_compress_struct encoder;
    jpeg::ErrorManager errors;
    encoder.err = jpeg::Install(errors, path);
    if (setjmp(errors.recovery)) {
        jpeg_destroy_compress(&encoder);
        out.Discard();
        return FailWith(error, path, errors.message);
    }
    jpeg_create_compress(&encoder);
    jpeg_stdio_dest(&encoder, out.Stream());
    encoder.image_width = JDIMENSION(image.Width());
    encoder.image_height = JDIMENSION(image.Height());
    encoder.input_components = 3;
    encoder.in_color_space = JCS_RGB;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, quality, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    // Written after the JFIF marker that starting the compression wrote.
    for (const jpeg::Segment& segment : segments)
        jpeg_write_marker(&encoder, segment.marker, segment.payload.data(), unsigned(segment.payload.size()));
    const int height = image.Height();
    while (encoder.next_scanline < encoder.image_height) {
        const int row = image.GetRowOrder() == TopDown ? int(encoder.next_scanline)
                                                       : height - 1 - int(encoder.next_scanline);
        JSAMPROW pointer = const_cast<JSAMPROW>(image.Rows()[row]);
        jpeg_write_scanlines(&encoder, &pointer, 1);
    }
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
    return true;
}

}  // namespace fovella
