#include "codecs/ImageFormats.h"

#include "codecs/bmp/Bmp.h"
#include "codecs/jpeg/Jpeg.h"
#include "codecs/pcx/Pcx.h"
#include "codecs/png/Png.h"
#include "codecs/tga/Tga.h"
#include "codecs/tiff/Tiff.h"
#include "fs/PathString.h"

namespace fovella {

namespace {

// Only JPEG and PNG carry metadata, only JPEG a quality; the others are
// adapted to the table's one signature.
template <bool (*Load)(const std::string&, Image&, std::string*)>
bool WithoutMetadata(const std::string& path, Image& image, PhotoMetadata*, std::string* error)
{
    return Load(path, image, error);
}

template <bool (*Size)(const std::string&, int&, int&, std::string*)>
bool SizeWithoutMetadata(const std::string& path, int& width, int& height, PhotoMetadata* metadata,
                         std::string* error)
{
    if (metadata)
        *metadata = PhotoMetadata();
    return Size(path, width, height, error);
}

template <bool (*Write)(FileReplacement&, const std::string&, const Image&, const PhotoMetadata*, std::string*)>
bool WithoutQuality(FileReplacement& out, const std::string& path, const Image& image, int,
                    const PhotoMetadata* metadata, std::string* error)
{
    return Write(out, path, image, metadata, error);
}

template <bool (*Write)(FileReplacement&, const std::string&, const Image&, std::string*)>
bool WithoutQualityOrMetadata(FileReplacement& out, const std::string& path, const Image& image, int,
                              const PhotoMetadata*, std::string* error)
{
    return Write(out, path, image, error);
}

}  // namespace

const std::vector<ImageFormatInfo>& ImageFormats()
{
    static const std::vector<ImageFormatInfo> formats = {
        {Jpeg, "JPEG", {"jpg", "jpeg"}, &LoadJpeg, &ReadJpegSize, &WriteJpeg, true},
        {Bmp, "BMP", {"bmp"}, &WithoutMetadata<LoadBmp>, &SizeWithoutMetadata<ReadBmpSize>, &WithoutQualityOrMetadata<WriteBmp>, true},
        {Png, "PNG", {"png"}, &LoadPng, &ReadPngSize, &WithoutQuality<WritePng>, true},
        {Tiff, "TIFF", {"tif", "tiff"}, &WithoutMetadata<LoadTiff>, &SizeWithoutMetadata<ReadTiffSize>, nullptr, false},
        {Pcx, "PCX", {"pcx"}, &WithoutMetadata<LoadPcx>, &SizeWithoutMetadata<ReadPcxSize>, nullptr, false},
        {Tga, "TGA", {"tga"}, &WithoutMetadata<LoadTga>, &SizeWithoutMetadata<ReadTgaSize>, nullptr, false},
    };
    return formats;
}

const ImageFormatInfo* FindImageFormat(ImageFileFormat format)
{
    for (const ImageFormatInfo& info : ImageFormats())
        if (info.format == format)
            return &info;
    return nullptr;
}

ImageFileFormat FormatOfPath(const std::string& path)
{
    const std::string extension = GetExtension(PathString(path));
    for (const ImageFormatInfo& info : ImageFormats())
        for (const char* known : info.extensions)
            if (EqualIgnoringCase(extension, known))
                return info.format;
    return Unknown;
}

bool IsImageFile(const std::string& path)
{
    const ImageFormatInfo* info = FindImageFormat(FormatOfPath(path));
    return info && info->imageFile;
}

}  // namespace fovella
