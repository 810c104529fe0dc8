// The largest picture a reader accepts, checked from the file's header
// before anything large is allocated: 4 GiB of pixel memory (a 24-bit image
// of about 1.4 gigapixels), far beyond any camera and well within a laptop.
#pragma once

#include <cstdint>

namespace fovella {

inline constexpr std::uint64_t kMaxImageBytes = std::uint64_t(4) << 30;

// True when width x height pixels of `bytesPerPixel` bytes stay within the
// limit; false for non-positive sizes.
inline bool FitsImageLimit(std::int64_t width, std::int64_t height, int bytesPerPixel)
{
    if (width < 1 || height < 1 || bytesPerPixel < 1)
        return false;
    const std::uint64_t limitPixels = kMaxImageBytes / std::uint64_t(bytesPerPixel);
    return std::uint64_t(width) <= limitPixels &&
           std::uint64_t(height) <= limitPixels / std::uint64_t(width);
}

}  // namespace fovella
