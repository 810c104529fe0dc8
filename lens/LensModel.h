// The radial undistortion remap: see LensModel.cpp for the geometry.
#pragma once

#include "image/Image.h"

namespace fovella {

// Progress report: `percent` is a whole number from 0 to 100, `context` the
// pointer handed to the operation. Returning false stops the operation.
using ProgressCallback = bool (*)(double percent, void* context);

class LensModel {
public:
    // `threads` share the bands of one picture; the bytes are the same for
    // any number.
    explicit LensModel(int threads = 1) : m_threads(threads) {}
    virtual ~LensModel() = default;

    // Writes into `destination` (recreated with the source's geometry and
    // format, reused when it already has them) the source corrected for
    // barrel distortion with the scale `m` in pixels.
    //
    // The source must be valid, with 1, 3 or 4 channels of 8-bit samples;
    // `m` must be finite and greater than 0. Otherwise, or when the
    // destination cannot be allocated, the result is false and the
    // destination is untouched.
    //
    // `callback`, when not null, is called on the caller's thread once per
    // column index of the left half (cx + 1 times, cx = W / 2) with the
    // percentage done, always before that column's pixels are written (the
    // reports of a band of columns come together, ahead of the band). When
    // it returns false the run stops with the result false: the columns
    // reported before stay written, the others keep what they held.
    // Thread-safe: runs on several threads at once need nothing shared.
    // With several threads the reports still come in order on the caller's
    // thread, each before the pixels of its column are written, and a
    // refused report leaves what it leaves with one.
    bool Undistort(const Image& source, Image& destination, double m,
                   ProgressCallback callback = nullptr, void* context = nullptr) const;

private:
    int m_threads;
};

}  // namespace fovella
