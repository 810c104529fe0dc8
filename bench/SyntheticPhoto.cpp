#include "bench/SyntheticPhoto.h"

#include <random>

namespace fovella::bench {

DibImage SyntheticPhoto(int width, int height)
{
    DibImage photo;
    photo.Create(width, height, Rgb, SampleU8, BottomUp);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            photo.Rows()[y][x] = std::uint8_t((x / 9 + y / 6) + (random() & 31));
    return photo;
}

}  // namespace fovella::bench
