// The reduced JPEG decode in colour: at full size the very pixels of a full
// decode, reduced the size rounded up and the colours those of the luma.
#include "codecs/jpeg/JpegReduced.h"

#include "image/DibImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fovella {
namespace {

class JpegReducedColour : public testing::TestWithParam<int> {};

TEST_P(JpegReducedColour, MatchesTheFullDecodeOrItsOwnLuma)
{
    const int factor = GetParam();
    test::ScratchDir scratch;
    // Odd sides: the last reduced row and column cover a part block.
    const std::string path = scratch.File("odd.jpg");
    const DibImage full = test::WriteGradientFile(path, 203, 117);

    DibImage colour, luma;
    int width = 0, height = 0;
    std::string error;
    ASSERT_TRUE(LoadJpegReduced(path, 8 / factor, colour, width, height, &error, ReducedSamples::Colour)) << error;
    EXPECT_EQ(width, 203);
    EXPECT_EQ(height, 117);
    ASSERT_EQ(colour.Width(), (203 + factor - 1) / factor);
    ASSERT_EQ(colour.Height(), (117 + factor - 1) / factor);
    ASSERT_EQ(colour.GetPixelType(), Bgr);
    ASSERT_TRUE(LoadJpegReduced(path, 8 / factor, luma, width, height, &error)) << error;
    ASSERT_EQ(luma.GetPixelType(), Gray);

    double lumaDifference = 0;
    for (int y = 0; y < colour.Height(); ++y) {
        const std::uint8_t* row = colour.Rows()[y];
        for (int x = 0; x < colour.Width(); ++x) {
            const std::uint8_t* bgr = row + 3 * x;
            if (factor == 1) {
                // Rows are addressed top first in both, whatever their storage order.
                const int fullRow = full.GetRowOrder() == TopDown ? y : full.Height() - 1 - y;
                const std::uint8_t* expected = full.Rows()[fullRow] + 3 * x;
                ASSERT_TRUE(bgr[0] == expected[0] && bgr[1] == expected[1] && bgr[2] == expected[2])
                    << "at " << x << ", " << y;
            }
            lumaDifference += std::abs(0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0] - luma.Rows()[y][x]);
        }
    }
    // Red and blue in their places: the luma the colours make is, but for
    // rounding and clipping, the decoded one (swapped, it is off by tens).
    EXPECT_LT(lumaDifference / (colour.Width() * colour.Height()), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Factors, JpegReducedColour, testing::Values(1, 2, 4, 8));

}  // namespace
}  // namespace fovella
