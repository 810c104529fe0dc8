// The largest picture a reader accepts, checked from the file's header
// before anything large is allocated: 4 GiB of pixel memory (a 24-bit image
// of about 1.4 gigapixels), far beyond any camera and well within a laptop.
// The fuzz targets build with a smaller limit, so that they explore the
// readers rather than the allocator.
#pragma once

#include <cstdint>

#ifndef FOVELLA_MAX_IMAGE_BYTES
#define FOVELLA_MAX_IMAGE_BYTES (std::uint64_t(4) << 30)
#endif

namespace fovella {

inline constexpr std::uint64_t kMaxImageBytes = FOVELLA_MAX_IMAGE_BYTES;

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

// True when `fileBytes` of coded data can decode to `decodedBytes`, for a
// coding that expands its data at most `maxExpansion` times. A picture out
// of all proportion to its file is damaged: refusing it early spares the
// memory and the time of decoding nothing.
inline bool IsInProportion(std::uint64_t decodedBytes, std::uint64_t fileBytes,
                           std::uint64_t maxExpansion)
{
    return decodedBytes / maxExpansion <= fileBytes;
}

}  // namespace fovella
