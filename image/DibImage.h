// An Image whose rows are laid out as a display bitmap: every row padded to
// a multiple of 4 bytes, in one cache-line-aligned block that the image owns.
// It stores Gray, Rgb and Bgr with unsigned 8-bit samples only; the display
// side draws the rows in place. Every image the application holds is one.
#pragma once

#include "image/Image.h"
#include "image/LargeBlock.h"

namespace fovella {

class DibImage : public Image {
public:
    // A valid 1 x 1 Rgb image, bottom-up.
    DibImage();
    DibImage(const DibImage& other);
    explicit DibImage(const Image& other);
    ~DibImage() override;

    DibImage& operator=(const DibImage& other);
    using Image::operator=;

    std::size_t RowBytes() const override { return m_stride; }

    // Makes `destination` this picture resized to `width` x `height` (sides
    // below 1 become 1), same format and row order, by whole source pixels:
    // rows and columns are dropped or repeated, never blended. True; the
    // destination is not valid when it could not be created.
    virtual bool ScaledCopyTo(int width, int height, DibImage& destination) const;
    // ScaledCopyTo with both sides multiplied by `factor`, truncated.
    virtual bool ScaleBy(double factor, DibImage& destination) const;
    // First byte of pixel memory: row-table entry 0.
    const std::uint8_t* Bits() const { return m_bits.get(); }

protected:
    bool Allocate(int width, int height, PixelType pixelType,
                  SampleType sampleType, RowOrder rowOrder) override;
    void Release() override;
    bool BuildRowTable() override;

private:
    LargeBytes m_bits;
    std::size_t m_stride = 0;
};

}  // namespace fovella
