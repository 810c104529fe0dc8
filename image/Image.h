// The raster type of the whole system.
//
// An Image holds its geometry, its pixel format and a table of row pointers
// to interleaved pixels; the concrete classes own the pixel memory. Pixel x
// of row y starts at Rows()[y] + x * BytesPerPixel(). Row-table index 0 is
// the top picture row for TopDown and the bottom one for BottomUp.
//
// An image is valid (storage, row table and members consistent) or not;
// callers test IsValid() after Create(). Copies are deep: no two images ever
// share pixel memory. Not thread-safe: an image is used by one thread at a
// time, or read by several while none writes it.
#pragma once

#include "image/PixelCodes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace fovella {

class PixelConverter;

class Image {
public:
    virtual ~Image();

    // Keeps the storage and its pixels when the image is valid and all five
    // values equal the current ones; otherwise releases and allocates anew.
    // The result is IsValid().
    virtual bool Create(int width, int height, PixelType pixelType,
                        SampleType sampleType, RowOrder rowOrder);

    // Distance in bytes from the start of one row to the start of the next.
    virtual std::size_t RowBytes() const = 0;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsValid() const { return m_valid; }
    PixelType GetPixelType() const { return m_pixelType; }
    SampleType GetSampleType() const { return m_sampleType; }
    RowOrder GetRowOrder() const { return m_rowOrder; }
    int BytesPerPixel() const { return PixelBytes(m_pixelType, m_sampleType); }

    std::uint8_t* const* Rows() { return m_rows.get(); }
    const std::uint8_t* const* Rows() const { return m_rows.get(); }

    // Copies the source's geometry, format and the first width * bytes-per-
    // pixel bytes of every row; row padding of the target is left untouched.
    // Returns false, leaving the target not valid, when the target cannot
    // store the source's format.
    bool CopyFrom(const Image& source);

    // Does nothing for self-assignment or a source that is not valid;
    // otherwise CopyFrom. Works across the concrete classes.
    Image& operator=(const Image& source);

    // Hands the image to a converter; its result.
    bool ApplyConverter(const PixelConverter& converter);
    // Converts 8-bit Gray, Rgb or Bgr to `target` (Rgb or Bgr) in place. True
    // when the image now has that type; false, with the image unchanged, for
    // Rgba on either side or when memory runs out.
    bool ConvertPixelType(PixelType target);

protected:
    Image() = default;
    Image(const Image&) = delete;

    // Obtains storage for the five values and sets the geometry through
    // SetGeometry. False when the class cannot store that format or the
    // memory cannot be had; the image is then not valid.
    virtual bool Allocate(int width, int height, PixelType pixelType,
                          SampleType sampleType, RowOrder rowOrder) = 0;
    // Frees the storage and the row table.
    virtual void Release() = 0;
    // Allocates and fills the row table for the current geometry.
    virtual bool BuildRowTable() = 0;

    bool SetGeometry(int width, int height, PixelType pixelType,
                     SampleType sampleType, RowOrder rowOrder);
    // Row table of Height() entries, first one at `first`, `stride` apart.
    bool FillRowTable(std::uint8_t* first, std::size_t stride);
    void FreeRowTable() { m_rows.reset(); }

private:
    bool HasFormat(int width, int height, PixelType pixelType,
                   SampleType sampleType, RowOrder rowOrder) const;
    void Reallocate(int width, int height, PixelType pixelType,
                    SampleType sampleType, RowOrder rowOrder);

    int m_width = 0;
    int m_height = 0;
    bool m_valid = false;
    PixelType m_pixelType = Rgb;
    SampleType m_sampleType = SampleU8;
    RowOrder m_rowOrder = BottomUp;
    std::unique_ptr<std::uint8_t*[]> m_rows;
};

// Bytes needed for `rows` rows of `rowBytes`, or 0 when the product does not
// fit in size_t.
std::size_t CheckedImageBytes(std::size_t rowBytes, std::size_t rows);

}  // namespace fovella
