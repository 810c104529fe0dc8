#include "image/DibImage.h"
#include "image/MemoryImage.h"
#include "lens/LensModel.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace fovella {
namespace {

std::uint8_t* Pixel(Image& image, int x, int y)
{
    return image.Rows()[y] + std::size_t(x) * image.BytesPerPixel();
}

// A source whose first channel steps from 0 to 200 between the columns
// around `sx` and whose second steps likewise between the rows around `sy`:
// bilinear sampling at (sx, sy) then gives 200 times the fractional parts.
DibImage StepSource(int width, int height, double sx, double sy)
{
    DibImage image;
    image.Create(width, height, Rgb, SampleU8, BottomUp);
    const int stepX = int(std::floor(sx)) + 1;
    const int stepY = int(std::floor(sy)) + 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = Pixel(image, x, y);
            p[0] = x >= stepX ? 200 : 0;
            p[1] = y >= stepY ? 200 : 0;
            p[2] = 77;
        }
    return image;
}

struct Probe {
    int x, y;          // destination pixel
    double sx, sy;     // where it samples the source
};

class UndistortWorkedExample : public testing::TestWithParam<Probe> {};

TEST_P(UndistortWorkedExample, SamplesTheSourceWhereTheModelSays)
{
    // W = 101, H = 75, m = 100: cx = 50, cy = 37.
    const Probe& probe = GetParam();
    const DibImage source = StepSource(101, 75, probe.sx, probe.sy);
    DibImage out;
    ASSERT_TRUE(LensModel().Undistort(source, out, 100.0));
    const std::uint8_t* p = Pixel(out, probe.x, probe.y);
    EXPECT_NEAR(p[0], 200 * (probe.sx - std::floor(probe.sx)), 1.0);
    EXPECT_NEAR(p[1], 200 * (probe.sy - std::floor(probe.sy)), 1.0);
    EXPECT_GE(p[2], 76);
    EXPECT_LE(p[2], 77);
}

INSTANTIATE_TEST_SUITE_P(Probes, UndistortWorkedExample,
                         testing::Values(Probe{0, 0, 2.7655, 2.0465},
                                         Probe{100, 0, 97.2345, 2.0465},
                                         Probe{100, 74, 97.2345, 71.9535},
                                         Probe{0, 74, 2.7655, 71.9535},
                                         Probe{25, 10, 25.5323, 10.5749}));

TEST(Undistort, CentrePixelIsCopied)
{
    for (int size : {1, 2, 5, 6}) {
        DibImage source;
        ASSERT_TRUE(source.Create(size, size + 1, Bgr, SampleU8, BottomUp));
        test::FillGradient(source, size);
        DibImage out;
        ASSERT_TRUE(LensModel().Undistort(source, out, 3.0));
        const int cx = size / 2, cy = (size + 1) / 2;
        EXPECT_EQ(std::memcmp(Pixel(out, cx, cy), Pixel(source, cx, cy), 3), 0) << size;
    }
}

TEST(Undistort, UniformImageLosesAtMostOneLevel)
{
    DibImage source;
    ASSERT_TRUE(source.Create(64, 48, Bgr, SampleU8, BottomUp));
    for (int y = 0; y < 48; ++y)
        std::memset(source.Rows()[y], 200, source.RowBytes());
    DibImage out;
    ASSERT_TRUE(LensModel().Undistort(source, out, 100.0));
    int lower = 0;
    for (int y = 0; y < 48; ++y)
        for (int b = 0; b < 64 * 3; ++b) {
            const int level = out.Rows()[y][b];
            ASSERT_TRUE(level == 200 || level == 199) << level;
            lower += level == 199;
        }
    // About 6 % of the samples fall a hair below the level and truncate down.
    const double share = lower / (64.0 * 48 * 3);
    EXPECT_GT(share, 0.03);
    EXPECT_LT(share, 0.09);
}

// The offset from the centre at which destination pixel (x, y) is finally
// sampled: its last writer in the loop order, the largest column j, then the
// largest row i among the positions that write it. The centre position
// writes only the centre pixel, which matters for the four middle pixels of
// an image of even width and height.
std::pair<int, int> FinalOffset(int x, int y, int width, int height)
{
    const int cx = width / 2, cy = height / 2;
    auto writers = [](int v, int size, int centre) {
        std::vector<int> list;
        for (int k : {std::max(v, size - 1 - v), std::min(v, size - 1 - v)})
            if (k <= centre && (list.empty() || list.back() != k))
                list.push_back(k);
        return list;  // descending
    };
    for (int j : writers(x, width, cx))
        for (int i : writers(y, height, cy)) {
            if (j == cx && i == cy && (x != cx || y != cy))
                continue;
            return {x == j ? j - cx : cx - j, y == i ? i - cy : cy - i};
        }
    ADD_FAILURE() << "no writer for (" << x << ", " << y << ")";
    return {0, 0};
}

class UndistortNearIdentity : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(UndistortNearIdentity, MirrorsTheQuadrantsAsTheIntegerCentreDemands)
{
    const auto [width, height] = GetParam();
    DibImage source;
    ASSERT_TRUE(source.Create(width, height, Bgr, SampleU8, BottomUp));
    // Neighbouring pixels differ by at least 6 levels in every channel.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                Pixel(source, x, y)[c] = std::uint8_t(6 * x + 20 * y + c);
    DibImage out;
    ASSERT_TRUE(LensModel().Undistort(source, out, 1e9));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto [ox, oy] = FinalOffset(x, y, width, height);
            const int sx = std::clamp(width / 2 + ox, 0, width - 1);
            const int sy = std::clamp(height / 2 + oy, 0, height - 1);
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(Pixel(out, x, y)[c], Pixel(source, sx, sy)[c], 1)
                    << "pixel (" << x << ", " << y << ") channel " << c;
        }
}

INSTANTIATE_TEST_SUITE_P(Sizes, UndistortNearIdentity,
                         testing::Values(std::pair{9, 7}, std::pair{8, 6}, std::pair{9, 6},
                                         std::pair{8, 7}, std::pair{2, 2}, std::pair{1, 5},
                                         std::pair{12, 1}),
                         [](const auto& info) {
                             return std::to_string(info.param.first) + "x" +
                                    std::to_string(info.param.second);
                         });

TEST(UndistortNearIdentity, EvenSizesDuplicateTheMiddleAndShiftTheFarHalves)
{
    // 8 x 6: cx = 4, cy = 3.
    EXPECT_EQ(FinalOffset(0, 0, 8, 6), std::make_pair(-4, -3));
    EXPECT_EQ(FinalOffset(7, 5, 8, 6), std::make_pair(4, 3));   // one further out than 3, 2
    EXPECT_EQ(FinalOffset(3, 0, 8, 6), std::make_pair(0, -3));   // column cx - 1 samples cx
    EXPECT_EQ(FinalOffset(4, 0, 8, 6), std::make_pair(0, -3));
    EXPECT_EQ(FinalOffset(3, 2, 8, 6), std::make_pair(0, -1));   // the middle four
    EXPECT_EQ(FinalOffset(4, 2, 8, 6), std::make_pair(0, -1));
    EXPECT_EQ(FinalOffset(3, 3, 8, 6), std::make_pair(0, 1));
    EXPECT_EQ(FinalOffset(4, 3, 8, 6), std::make_pair(0, 0));
    // Odd height: the middle row is shared, not duplicated.
    EXPECT_EQ(FinalOffset(3, 3, 8, 7), std::make_pair(-1, 0));
}

TEST(Undistort, OneByOneImageIsCopied)
{
    DibImage source;
    ASSERT_TRUE(source.Create(1, 1, Rgb, SampleU8, BottomUp));
    std::memcpy(source.Rows()[0], "\x11\x22\x33", 3);
    DibImage out;
    ASSERT_TRUE(LensModel().Undistort(source, out, 0.5));
    EXPECT_EQ(std::memcmp(out.Rows()[0], "\x11\x22\x33", 3), 0);
}

struct Recorder {
    std::vector<double> percents;
    int stopAt = -1;  // call index whose answer is false

    static bool Record(double percent, void* context)
    {
        auto* self = static_cast<Recorder*>(context);
        self->percents.push_back(percent);
        return int(self->percents.size()) - 1 != self->stopAt;
    }
};

TEST(UndistortProgress, ReportsEveryColumnOfTheLeftHalfEndingAt100)
{
    const std::pair<int, std::vector<double>> cases[] = {
        {11, {0, 20, 40, 60, 80, 100}},
        {7, {0, 33, 66, 100}},
        {8, {0, 25, 50, 75, 100}},
        {1, {100}},
        {2, {0, 100}},
    };
    for (const auto& [width, expected] : cases) {
        DibImage source;
        ASSERT_TRUE(source.Create(width, 3, Rgb, SampleU8, BottomUp));
        test::FillGradient(source);
        DibImage out;
        Recorder recorder;
        EXPECT_TRUE(LensModel().Undistort(source, out, 10.0, &Recorder::Record, &recorder));
        EXPECT_EQ(recorder.percents, expected) << "width " << width;
    }
}

class UndistortCancel : public testing::TestWithParam<int> {};

TEST_P(UndistortCancel, StopsBeforeTheColumnWhoseReportIsRefused)
{
    const int width = 10, height = 7, cx = 5;
    const int stopAt = GetParam();
    DibImage source;
    ASSERT_TRUE(source.Create(width, height, Bgr, SampleU8, BottomUp));
    test::FillGradient(source);
    DibImage full;
    ASSERT_TRUE(LensModel().Undistort(source, full, 20.0));

    DibImage out;
    ASSERT_TRUE(out.Create(width, height, Bgr, SampleU8, BottomUp));
    for (int y = 0; y < height; ++y)
        std::memset(out.Rows()[y], 0x5A, out.RowBytes());
    Recorder recorder;
    recorder.stopAt = stopAt;
    EXPECT_FALSE(LensModel().Undistort(source, out, 20.0, &Recorder::Record, &recorder));
    EXPECT_EQ(int(recorder.percents.size()), stopAt + 1);

    // Columns j < stopAt and their mirrors are done, the rest untouched; the
    // overlap columns cx - 1 and cx of this even width get their final value
    // only from j = cx, which never ran.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Column x is written by j = x and by j = W - 1 - x, where <= cx.
            const int mirrored = width - 1 - x;
            const int firstWriter = std::min(x <= cx ? x : cx + 1, mirrored <= cx ? mirrored : cx + 1);
            const bool done = firstWriter < stopAt;
            const bool final = x < cx - 1 || x > cx;
            const std::uint8_t* p = Pixel(out, x, y);
            if (!done) {
                EXPECT_EQ(p[0], 0x5A) << x << ", " << y;
                EXPECT_EQ(p[2], 0x5A) << x << ", " << y;
            } else if (final) {
                EXPECT_EQ(std::memcmp(p, Pixel(full, x, y), 3), 0) << x << ", " << y;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Columns, UndistortCancel, testing::Values(0, 1, 3, 5));

TEST(UndistortDestination, IsReusedWhenItHasTheFormatAndRecreatedOtherwise)
{
    DibImage source;
    ASSERT_TRUE(source.Create(9, 5, Bgr, SampleU8, TopDown));
    test::FillGradient(source);
    DibImage out;
    ASSERT_TRUE(out.Create(9, 5, Bgr, SampleU8, TopDown));
    std::uint8_t* const storage = out.Rows()[0];
    ASSERT_TRUE(LensModel().Undistort(source, out, 30.0));
    EXPECT_EQ(out.Rows()[0], storage);
    const std::string first = test::PictureMd5(out);

    DibImage other;
    ASSERT_TRUE(other.Create(4, 4, Rgb, SampleU8, BottomUp));
    ASSERT_TRUE(LensModel().Undistort(source, other, 30.0));
    EXPECT_EQ(other.Width(), 9);
    EXPECT_EQ(other.Height(), 5);
    EXPECT_EQ(other.GetPixelType(), Bgr);
    EXPECT_EQ(other.GetRowOrder(), TopDown);
    EXPECT_EQ(test::PictureMd5(other), first);
}

TEST(UndistortChannels, GreyAndFourChannelImagesAreRemappedByteByByte)
{
    DibImage rgb;
    ASSERT_TRUE(rgb.Create(13, 8, Rgb, SampleU8, BottomUp));
    MemoryImage gray, rgba;
    ASSERT_TRUE(gray.Create(13, 8, Gray, SampleU8, BottomUp));
    ASSERT_TRUE(rgba.Create(13, 8, Rgba, SampleU8, BottomUp));
    test::FillGradient(rgba);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 13; ++x) {
            std::memcpy(Pixel(rgb, x, y), Pixel(rgba, x, y), 3);
            Pixel(gray, x, y)[0] = Pixel(rgba, x, y)[3];
        }
    DibImage rgbOut;
    MemoryImage grayOut, rgbaOut;
    ASSERT_TRUE(LensModel().Undistort(rgb, rgbOut, 7.0));
    ASSERT_TRUE(LensModel().Undistort(gray, grayOut, 7.0));
    ASSERT_TRUE(LensModel().Undistort(rgba, rgbaOut, 7.0));
    EXPECT_EQ(grayOut.GetPixelType(), Gray);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 13; ++x) {
            EXPECT_EQ(std::memcmp(Pixel(rgbaOut, x, y), Pixel(rgbOut, x, y), 3), 0);
            EXPECT_EQ(Pixel(rgbaOut, x, y)[3], Pixel(grayOut, x, y)[0]);
        }
}

TEST(UndistortRefuses, BadScaleSamplesOrAliasLeaveTheDestinationUntouched)
{
    DibImage source;
    ASSERT_TRUE(source.Create(6, 4, Bgr, SampleU8, BottomUp));
    test::FillGradient(source);
    DibImage out;
    ASSERT_TRUE(out.Create(3, 3, Gray, SampleU8, BottomUp));
    std::memset(out.Rows()[0], 9, 3);
    for (double m : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(LensModel().Undistort(source, out, m)) << m;
        EXPECT_EQ(out.Width(), 3);
        EXPECT_EQ(out.Rows()[0][0], 9);
    }
    MemoryImage deep;
    ASSERT_TRUE(deep.Create(6, 4, Rgb, SampleU16, BottomUp));
    EXPECT_FALSE(LensModel().Undistort(deep, out, 10.0));
    EXPECT_EQ(out.GetPixelType(), Gray);

    EXPECT_FALSE(LensModel().Undistort(source, source, 10.0));

    // A four-channel source cannot go into a display bitmap.
    MemoryImage rgba;
    ASSERT_TRUE(rgba.Create(6, 4, Rgba, SampleU8, BottomUp));
    EXPECT_FALSE(LensModel().Undistort(rgba, out, 10.0));
}

}  // namespace
}  // namespace fovella
