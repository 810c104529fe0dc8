#include "codecs/ImageFile.h"

#include "codecs/CodecError.h"
#include "codecs/ImageFormats.h"

#include <filesystem>
#include <system_error>

namespace fovella {

ImageFileFormat ImageFile::ClassifyExtension(const std::string& path) const
{
    return FormatOfPath(path);
}

bool ImageFile::Load(const std::string& path, Image& image, ImageFileFormat format, unsigned options)
{
    if (format == Unknown)
        format = ClassifyExtension(path);
    m_metadata = PhotoMetadata();
    m_error.clear();
    const ImageFormatInfo* codec = FindImageFormat(format);
    if (!codec || !codec->read) {
        m_error = "'" + path + "': not a file format that can be read";
        return false;
    }
    // A FIFO, device or socket would block the reader or never end: only
    // regular files are opened (stat itself never blocks).
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) {
        m_error = "'" + path + "': " + error.message();
        return false;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        m_error = "'" + path + "': " +
                  (status.type() == std::filesystem::file_type::directory ? "a folder" : "not a regular file");
        return false;
    }
    if (!codec->read(path, image, (options & KeepMetadata) ? &m_metadata : nullptr, &m_error))
        return false;
    if (!Accepts(image)) {
        m_error = "'" + path + "': a pixel format this program does not take";
        return false;
    }
    return true;
}

bool ImageFile::Save(const std::string& path, const Image& image, ImageFileFormat format,
                     int quality, unsigned writeMetadata)
{
    FileReplacement out(path);
    return Write(out, path, image, format, quality, writeMetadata) && CommitOrFail(out, &m_error);
}

bool ImageFile::Write(FileReplacement& out, const std::string& path, const Image& image,
                      ImageFileFormat format, int quality, unsigned writeMetadata)
{
    if (format == Unknown)
        format = ClassifyExtension(path);
    m_error.clear();
    const ImageFormatInfo* codec = FindImageFormat(format);
    if (!codec || !codec->write) {
        m_error = "'" + path + "': not a file format that can be written";
        return false;
    }
    return codec->write(out, path, image, quality, (writeMetadata & 1) ? &m_metadata : nullptr, &m_error);
}

}  // namespace fovella
