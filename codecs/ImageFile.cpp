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

// The row of the file's format, once the file is known to be one a reader
// may open; null, with the reason, otherwise.
const ImageFormatInfo* ImageFile::ReadableFormat(const std::string& path, ImageFileFormat format)
{
    if (format == Unknown)
        format = ClassifyExtension(path);
    m_metadata = PhotoMetadata();
    m_error.clear();
    const ImageFormatInfo* codec = FindImageFormat(format);
    if (!codec || !codec->read) {
        m_error = "'" + path + "': not a file format that can be read";
        return nullptr;
    }
    // A FIFO, device or socket would block the reader or never end: only
    // regular files are opened (stat itself never blocks).
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) {
        m_error = "'" + path + "': " + error.message();
        return nullptr;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        m_error = "'" + path + "': " +
                  (status.type() == std::filesystem::file_type::directory ? "a folder" : "not a regular file");
        return nullptr;
    }
    return codec;
}

bool ImageFile::Load(const std::string& path, Image& image, ImageFileFormat format, unsigned options)
{
    const ImageFormatInfo* codec = ReadableFormat(path, format);
    return codec && codec->read(path, image, (options & KeepMetadata) ? &m_metadata : nullptr, &m_error);
}

bool ImageFile::ReadSize(const std::string& path, int& width, int& height, ImageFileFormat format,
                         unsigned options)
{
    const ImageFormatInfo* codec = ReadableFormat(path, format);
    return codec && codec->size(path, width, height, (options & KeepMetadata) ? &m_metadata : nullptr, &m_error);
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
