// Conversions between the pixel types the application needs: red-green-blue
// and blue-green-red order (a display bitmap shows its bytes as the latter),
// and grey to colour. Stateless; make one for each conversion.
#pragma once

#include "image/Image.h"

namespace fovella {

class PixelConverter {
public:
    virtual ~PixelConverter() = default;

    // Converts `image` in place. By default through a temporary: Convert into
    // it, then assign it back. False, with `image` unchanged, when memory for
    // the result cannot be had.
    virtual bool ApplyInPlace(Image& image) const;
    // Writes the converted source into `destination`. By default a copy,
    // then ApplyInPlace on it.
    virtual bool Convert(const Image& source, Image& destination) const;
};

// Exchanges the first and third byte of every pixel, in place; the pixel
// type code is left to the caller.
class RedBlueSwapper : public PixelConverter {
public:
    bool ApplyInPlace(Image& image) const override;
};

// Grey to Rgb of the same size, sample type and row order.
class GrayToRgbConverter : public PixelConverter {
public:
    bool Convert(const Image& source, Image& destination) const override;
};

}  // namespace fovella
