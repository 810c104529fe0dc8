// The one entry point for reading and writing image files: the codec is
// chosen by a format code or by the file name's extension (never by the
// file's content), and a photograph's metadata (the EXIF block, the colour
// profile, the XMP packet) is carried from a load to a later save.
#pragma once

#include "image/Image.h"
#include "metadata/PhotoMetadata.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fovella {

class FileReplacement;
struct ImageFormatInfo;

// The codes keep the numbers they have always had.
enum ImageFileFormat : int {
    Bmp = 0,
    Jpeg = 2,
    Png = 3,
    Tiff = 7,
    Pcx = 8,
    Tga = 9,
    Unknown = 10,  // choose by the extension
};

// Options of ImageFile::Load and ImageFile::ReadSize: keep the file's
// metadata. KeepExif is the older name, for the callers that only look at
// the EXIF block.
enum : unsigned { KeepMetadata = 1, KeepExif = KeepMetadata };

class ImageFile {
public:
    // "jpg", "jpeg", "png", "bmp", "tif", "tiff", "tga", "pcx" in any case;
    // Unknown for anything else.
    ImageFileFormat ClassifyExtension(const std::string& path) const;

    // Reads the file into `image`. Empties the metadata first; with
    // KeepMetadata what the file's format holds of it is kept (a JPEG
    // file's EXIF block, XMP and profile; a PNG file's profile, colour
    // chunks and XMP). False for a format without a reader (the file is then
    // not touched) or a file the reader refuses; the reason is in Error().
    bool Load(const std::string& path, Image& image, ImageFileFormat format, unsigned options);
    // The picture's width and height from the file's header alone, and with
    // KeepMetadata the EXIF block, as Load would keep it: a file whose header
    // the reader takes is measured even when its pixel data is cut short.
    // False, with the reason in Error(), where Load would refuse the header.
    bool ReadSize(const std::string& path, int& width, int& height, ImageFileFormat format, unsigned options);
    // Writes `image` as JPEG (with `quality`, 0..100), BMP or PNG; when bit
    // 0 of `writeMetadata` is set, with what the format holds of the
    // metadata (JPEG all of it, PNG all but the EXIF block and the extended
    // XMP, BMP none). An existing file is replaced only when the new one is
    // complete. False for a format without a writer (no file is created) or
    // a failed write; the reason in Error().
    bool Save(const std::string& path, const Image& image, ImageFileFormat format, int quality,
              unsigned writeMetadata);
    // The same written into `out`, a replacement of `path` not yet opened,
    // which the caller commits (or discards) afterwards: so that the slow
    // part, the coding, can run on another thread than the commit.
    bool Write(FileReplacement& out, const std::string& path, const Image& image,
               ImageFileFormat format, int quality, unsigned writeMetadata);

    const PhotoMetadata& Metadata() const { return m_metadata; }
    void SetMetadata(const PhotoMetadata& metadata) { m_metadata = metadata; }
    // The EXIF block alone; setting it leaves the rest of the metadata.
    void GetExifBlock(std::vector<std::uint8_t>& destination) const { destination = m_metadata.exif; }
    void SetExifBlock(const std::vector<std::uint8_t>& source) { m_metadata.exif = source; }

    // Why the last Load or Save failed: the file and the fault.
    const std::string& Error() const { return m_error; }

private:
    const ImageFormatInfo* ReadableFormat(const std::string& path, ImageFileFormat format);

    PhotoMetadata m_metadata;
    std::string m_error;
};

}  // namespace fovella
