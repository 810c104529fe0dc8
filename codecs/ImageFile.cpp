#include "codecs/ImageFile.h"

#include "codecs/bmp/Bmp.h"
#include "codecs/jpeg/Jpeg.h"
#include "codecs/pcx/Pcx.h"
#include "codecs/png/Png.h"
#include "codecs/tga/Tga.h"
#include "codecs/tiff/Tiff.h"
#include "fs/PathString.h"


namespace fovella {

namespace {

using Reader = bool (*)(const std::string& path, Image& image, std::vector<std::uint8_t>* exif,
                        std::string* error);
using Writer = bool (*)(const std::string& path, const Image& image, int quality,
                        const std::vector<std::uint8_t>* exif, std::string* error);

template <bool (*Load)(const std::string&, Image&, std::string*)>
bool WithoutExif(const std::string& path, Image& image, std::vector<std::uint8_t>*, std::string* error)
{
    return Load(path, image, error);
}

template <bool (*Save)(const std::string&, const Image&, std::string*)>
bool WithoutQuality(const std::string& path, const Image& image, int,
                    const std::vector<std::uint8_t>*, std::string* error)
{
    return Save(path, image, error);
}

struct FormatEntry {
    const char* extension;
    ImageFileFormat format;
};

// In the order the extensions are tried.
constexpr FormatEntry kExtensions[] = {
    {"jpg", Jpeg}, {"jpeg", Jpeg}, {"png", Png}, {"bmp", Bmp},
    {"tif", Tiff}, {"tiff", Tiff}, {"tga", Tga}, {"pcx", Pcx},
};

struct Codec {
    Reader read;   // null: no reader
    Writer write;  // null: no writer
};

Codec CodecFor(ImageFileFormat format)
{
    switch (format) {
    case Bmp: return {&WithoutExif<LoadBmp>, &WithoutQuality<SaveBmp>};
    case Jpeg: return {&LoadJpeg, &SaveJpeg};
    case Png: return {&WithoutExif<LoadPng>, &WithoutQuality<SavePng>};
    case Tiff: return {&WithoutExif<LoadTiff>, nullptr};
    case Pcx: return {&WithoutExif<LoadPcx>, nullptr};
    case Tga: return {&WithoutExif<LoadTga>, nullptr};
    default: return {nullptr, nullptr};
    }
}

}  // namespace

ImageFileFormat ImageFile::ClassifyExtension(const std::string& path) const
{
    const std::string extension = GetExtension(PathString(path));
    for (const FormatEntry& entry : kExtensions)
        if (EqualIgnoringCase(extension, entry.extension))
            return entry.format;
    return Unknown;
}

bool ImageFile::Load(const std::string& path, Image& image, ImageFileFormat format, unsigned options)
{
    if (format == Unknown)
        format = ClassifyExtension(path);
    m_exif.clear();
    m_error.clear();
    const Codec codec = CodecFor(format);
    if (!codec.read) {
        m_error = "'" + path + "': not a file format that can be read";
        return false;
    }
    const bool keepExif = format == Jpeg && (options & KeepExif);
    if (!codec.read(path, image, keepExif ? &m_exif : nullptr, &m_error))
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
    const Codec codec = CodecFor(format);
    if (!codec.write) {
        m_error = "'" + path + "': not a file format that can be written";
        return false;
    }
    return codec.write(path, image, quality, (writeExif & 1) ? &m_exif : nullptr, &m_error);
}

}  // namespace fovella
