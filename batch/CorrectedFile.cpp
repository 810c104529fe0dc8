#include "batch/CorrectedFile.h"

#include "image/MemoryImage.h"
#include "image/PixelConverter.h"
#include "metadata/CorrectionMark.h"

namespace fovella {

PixelType WrittenPixelType(PixelType type, ImageFileFormat format)
{
    if (type == Gray && format == Png)
        return Gray;
    return Rgb;
}

bool WriteCorrectedFile(FileReplacement& out, const std::string& path, Image& result, ImageFileFormat format,
                        const PhotoMetadata& source, double scale, int quality, std::string& error)
{
    ImageFile file;
    file.SetMetadata(MarkedAsCorrected(source, scale));
    const PixelType type = result.GetPixelType();
    const PixelType written = WrittenPixelType(type, format);
    // The quality means nothing to BMP and PNG; 100 keeps it out of their way.
    const int writtenQuality = format == Jpeg ? quality : 100;
    bool done = false;
    if (type == Gray && written != Gray) {
        // No way back from colour to grey in place: a copy is converted.
        MemoryImage colour;
        if (!GrayToRgbConverter().Convert(result, colour)) {
            error = "'" + path + "': not enough memory to convert the picture for saving";
            return false;
        }
        done = file.Write(out, path, colour, format, writtenQuality, 1);
    } else if (!result.ConvertPixelType(written)) {
        error = "'" + path + "': the picture cannot be written in this format";
        return false;
    } else {
        done = file.Write(out, path, result, format, writtenQuality, 1);
        result.ConvertPixelType(type);
    }
    if (!done)
        error = file.Error();
    return done;
}

}  // namespace fovella
