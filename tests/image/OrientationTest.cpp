#include "image/Orientation.h"

#include <gtest/gtest.h>

#include <vector>

namespace fovella {
namespace {

// A 3 x 2 picture stored as
//   1 2 3
//   4 5 6
// and how each EXIF orientation shows it, drawn by hand.
struct Turn {
    int tag;
    int width, height;
    std::vector<int> shown;  // displayed rows, top first
};

class OrientationTable : public testing::TestWithParam<Turn> {
protected:
    static constexpr int kStored[2][3] = {{1, 2, 3}, {4, 5, 6}};
};

TEST_P(OrientationTable, ShowsTheStoredPictureUpright)
{
    const Turn turn = GetParam();
    const Orientation orientation = OrientationOf(turn.tag);
    const PixelSize size = DisplayedSize(orientation, 3, 2);
    ASSERT_EQ(size.width, turn.width);
    ASSERT_EQ(size.height, turn.height);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const PixelPoint stored = StoredPixel(orientation, {x, y}, 3, 2);
            ASSERT_EQ(kStored[stored.y][stored.x], turn.shown[std::size_t(y * size.width + x)]) << x << "," << y;
            const PixelPoint back = ShownPixel(orientation, stored, 3, 2);
            EXPECT_EQ(back.x, x);
            EXPECT_EQ(back.y, y);
            // A pixel's centre goes where the pixel goes.
            const PointF centre = ShownPoint(orientation, {stored.x + 0.5, stored.y + 0.5}, 3, 2);
            EXPECT_EQ(centre.x, x + 0.5);
            EXPECT_EQ(centre.y, y + 0.5);
        }
}

// Three-byte pixels (each value, then +10, +20) and a row stride with
// padding, turned by the copy: the same picture.
TEST_P(OrientationTable, CopyTurnsThePixels)
{
    const Turn turn = GetParam();
    std::uint8_t stored[2][11] = {};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)
                stored[y][3 * x + c] = std::uint8_t(kStored[y][x] + 10 * c);
    constexpr std::ptrdiff_t kOutStride = 13;
    std::vector<std::uint8_t> out(kOutStride * 3, 0xEE);
    CopyTurned(OrientationOf(turn.tag), stored[0], 11, 3, 2, 3, out.data(), kOutStride);
    for (int y = 0; y < turn.height; ++y)
        for (int x = 0; x < turn.width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(out[std::size_t(y * kOutStride + 3 * x + c)],
                          turn.shown[std::size_t(y * turn.width + x)] + 10 * c)
                    << x << "," << y;
    EXPECT_EQ(out[std::size_t(3 * turn.width)], 0xEE) << "wrote past a row";
}

// Any displayed rectangle shows exactly the stored pixels of StoredRect,
// and the block there turned is that displayed rectangle.
TEST_P(OrientationTable, RectanglesMapToTheirPixels)
{
    const Turn turn = GetParam();
    const Orientation orientation = OrientationOf(turn.tag);
    for (int y0 = 0; y0 < turn.height; ++y0)
        for (int x0 = 0; x0 < turn.width; ++x0)
            for (int h = 1; y0 + h <= turn.height; ++h)
                for (int w = 1; x0 + w <= turn.width; ++w) {
                    const PixelRect rect = StoredRect(orientation, {x0, y0, w, h}, 3, 2);
                    ASSERT_EQ(rect.width * rect.height, w * h);
                    std::uint8_t block[3][3] = {};
                    for (int y = 0; y < rect.height; ++y)
                        for (int x = 0; x < rect.width; ++x)
                            block[y][x] = std::uint8_t(kStored[rect.y + y][rect.x + x]);
                    std::uint8_t out[3][3] = {};
                    CopyTurned(orientation, block[0], 3, rect.width, rect.height, 1, out[0], 3);
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x)
                            ASSERT_EQ(out[y][x], turn.shown[std::size_t((y0 + y) * turn.width + x0 + x)])
                                << "rect " << x0 << "," << y0 << " " << w << "x" << h << " at " << x << "," << y;
                }
}

INSTANTIATE_TEST_SUITE_P(
    AllEight, OrientationTable,
    testing::Values(Turn{1, 3, 2, {1, 2, 3, 4, 5, 6}}, Turn{2, 3, 2, {3, 2, 1, 6, 5, 4}},
                    Turn{3, 3, 2, {6, 5, 4, 3, 2, 1}}, Turn{4, 3, 2, {4, 5, 6, 1, 2, 3}},
                    Turn{5, 2, 3, {1, 4, 2, 5, 3, 6}}, Turn{6, 2, 3, {4, 1, 5, 2, 6, 3}},
                    Turn{7, 2, 3, {6, 3, 5, 2, 4, 1}}, Turn{8, 2, 3, {3, 6, 2, 5, 1, 4}},
                    // Not an orientation: as stored.
                    Turn{0, 3, 2, {1, 2, 3, 4, 5, 6}}, Turn{9, 3, 2, {1, 2, 3, 4, 5, 6}}),
    [](const testing::TestParamInfo<Turn>& info) { return "Tag" + std::to_string(info.param.tag); });

}  // namespace
}  // namespace fovella
