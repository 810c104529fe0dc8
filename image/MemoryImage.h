// An Image with unpadded rows in one large block (image/LargeBlock.h): any
// pixel and sample type of known size. Used for temporaries such as
// pixel-format conversion.
#pragma once

#include "image/Image.h"
#include "image/LargeBlock.h"

namespace fovella {

class MemoryImage : public Image {
public:
    // A valid 1 x 1 Rgb image, bottom-up.
    MemoryImage();
    MemoryImage(const MemoryImage& other);
    explicit MemoryImage(const Image& other);
    ~MemoryImage() override;

    MemoryImage& operator=(const MemoryImage& other);
    using Image::operator=;

    std::size_t RowBytes() const override;

protected:
    bool Allocate(int width, int height, PixelType pixelType,
                  SampleType sampleType, RowOrder rowOrder) override;
    void Release() override;
    bool BuildRowTable() override;

private:
    LargeBytes m_block;
};

}  // namespace fovella
