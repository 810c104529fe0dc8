#include "image/ShownRegion.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fovella {
namespace {

// The whole picture resized as stored and turned, the long way round.
DibImage WholeShown(const DibImage& picture, const Orientation& orientation, int shownWidth, int shownHeight)
{
    const PixelSize scaled = DisplayedSize(orientation, shownWidth, shownHeight);
    DibImage resized, shown;
    EXPECT_TRUE(resized.Create(scaled.width, scaled.height, picture.GetPixelType(), SampleU8, TopDown));
    EXPECT_TRUE(shown.Create(shownWidth, shownHeight, picture.GetPixelType(), SampleU8, TopDown));
    AreaResizer().CopyRegion(picture, scaled.width, scaled.height, 0, 0, scaled.width, scaled.height,
                             resized.Rows()[0], std::ptrdiff_t(resized.RowBytes()));
    CopyTurned(orientation, resized.Rows()[0], std::ptrdiff_t(resized.RowBytes()), scaled.width, scaled.height,
               picture.BytesPerPixel(), shown.Rows()[0], std::ptrdiff_t(shown.RowBytes()));
    return shown;
}

class ShownRegionTurns : public testing::TestWithParam<int> {};

// Any region, reduced or enlarged, is that part of the whole picture
// resized and turned.
TEST_P(ShownRegionTurns, RegionsArePartsOfTheWholeTurnedPicture)
{
    const Orientation orientation = OrientationOf(GetParam());
    const DibImage picture = test::GradientPicture(23, 15, Bgr, BottomUp, 4);
    ShownRegion maker;
    DibImage out;
    for (const double zoom : {0.3, 0.71, 1.0, 2.5}) {
        const PixelSize upright = DisplayedSize(orientation, 23, 15);
        const int w = int(upright.width * zoom), h = int(upright.height * zoom);
        const DibImage whole = WholeShown(picture, orientation, w, h);
        for (const PixelRect region : {PixelRect{0, 0, w, h}, PixelRect{1, 2, w / 2, h - 3},
                                       PixelRect{w - 1, h / 2, 1, h - h / 2}}) {
            ASSERT_TRUE(maker.Make(picture, orientation, w, h, region, out));
            ASSERT_EQ(out.Width(), region.width);
            ASSERT_EQ(out.Height(), region.height);
            for (int y = 0; y < region.height; ++y)
                ASSERT_EQ(std::memcmp(out.Rows()[y], whole.Rows()[region.y + y] + 3 * region.x,
                                      std::size_t(3 * region.width)),
                          0)
                    << "zoom " << zoom << " region " << region.x << "," << region.y << " row " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllEight, ShownRegionTurns, testing::Range(1, 9));

}  // namespace
}  // namespace fovella
