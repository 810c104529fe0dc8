#include "codecs/ImageFile.h"

#include "codecs/ImageFormats.h"

namespace fovella {

ImageFileFormat ImageFile::ClassifyExtension(const std::string& path) const
{
    return FormatOfPath(path);
}

bool ImageFile::Load(const std::string& path, Image& image, ImageFileFormat format, unsigned options)
{
    if (format == Unknown)
        format = ClassifyExtension(path);
    m_exif.clear();
    m_error.clear();
    const ImageFormatInfo* codec = FindImageFormat(format);
    if (!codec || !codec->read) {
        m_error = "'" + path + "': not a file format that can be read";
        return false;
    }
    const bool keepExif = format == Jpeg && (options & KeepExif);
    if (!codec->read(path, image, keepExif ? &m_exif : nullptr, &m_error))
        return false;
    if (!Accepts(image)) {
        m_error = "'" + path + "': a pixel format this program does not take";
        return false;
    }
    return true;
}

bool ImageFile::Save(const std::string& path, const Image& image, ImageFileFormat format,
                     int quality, unsigned writeExif)
{
    if (format == Unknown)
        format = ClassifyExtension(path);
    m_error.clear();
    const ImageFormatInfo* codec = FindImageFormat(format);
    if (!codec || !codec->write) {
        m_error = "'" + path + "': not a file format that can be written";
        return false;
    }
    return codec->write(path, image, quality, (writeExif & 1) ? &m_exif : nullptr, &m_error);
}

}  // namespace fovella
