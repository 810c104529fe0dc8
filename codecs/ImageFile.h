// The one entry point for reading and writing image files: the codec is
// chosen by a format code or by the file name's extension (never by the
// file's content), and a JPEG file's EXIF block is carried from a load to a
// later save.
#pragma once

#include "image/Image.h"

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

// Options of ImageFile::Load and ImageFile::ReadSize.
enum : unsigned { KeepExif = 1 };

class ImageFile {
public:
    // "jpg", "jpeg", "png", "bmp", "tif", "tiff", "tga", "pcx" in any case;
    // Unknown for anything else.
    ImageFileFormat ClassifyExtension(const std::string& path) const;

    // Reads the file into `image`. Empties the EXIF block first; with
    // KeepExif a JPEG file's first APP1 payload is kept in it. False for a
    // format without a reader (the file is then not touched) or a file the
    // reader refuses; the reason is in Error().
    bool Load(const std::string& path, Image& image, ImageFileFormat format, unsigned options);
    // The picture's width and height from the file's header alone, and with
    // KeepExif the EXIF block, as Load would keep it: a file whose header the
    // reader takes is measured even when its pixel data is cut short. False,
    // with the reason in Error(), where Load would refuse the header.
    bool ReadSize(const std::string& path, int& width, int& height, ImageFileFormat format, unsigned options);
    // Writes `image` as JPEG (with `quality`, 0..100, and the EXIF block when
    // bit 0 of `writeExif` is set), BMP or PNG. An existing file is replaced
    // only when the new one is complete. False for a format without a
    // writer (no file is created) or a failed write; the reason in Error().
    bool Save(const std::string& path, const Image& image, ImageFileFormat format, int quality,
              unsigned writeExif);
    // The same written into `out`, a replacement of `path` not yet opened,
    // which the caller commits (or discards) afterwards: so that the slow
    // part, the coding, can run on another thread than the commit.
    bool Write(FileReplacement& out, const std::string& path, const Image& image,
               ImageFileFormat format, int quality, unsigned writeExif);

    void GetExifBlock(std::vector<std::uint8_t>& destination) const { destination = m_exif; }
    void SetExifBlock(const std::vector<std::uint8_t>& source) { m_exif = source; }

    // Why the last Load or Save failed: the file and the fault.
    const std::string& Error() const { return m_error; }

private:
    const ImageFormatInfo* ReadableFormat(const std::string& path, ImageFileFormat format);

    std::vector<std::uint8_t> m_exif;
    std::string m_error;
};

}  // namespace fovella
