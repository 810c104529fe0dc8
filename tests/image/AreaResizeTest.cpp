#include "image/AreaResize.h"

#include "image/DibImage.h"
#include "image/NearestResize.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace fovella {
namespace {

// The resized pixel that source pixel i of a reduced side falls in: the
// first k whose cell ends past i, (k + 1) * source / scaled > i. Written
// from the source's side so that it does not share the code's cell bounds.
int OwnerOf(int i, int scaled, int source)
{
    return int((std::int64_t(i + 1) * scaled + source - 1) / source) - 1;
}

// The source pixels of resized pixel k: those it owns on a reduced side,
// the one under its centre on a side that is not.
std::vector<int> SourcesOf(int k, int scaled, int source)
{
    if (scaled >= source)
        return {int((2 * std::int64_t(k) + 1) * source / (2 * std::int64_t(scaled)))};
    std::vector<int> sources;
    for (int i = 0; i < source; ++i)
        if (OwnerOf(i, scaled, source) == k)
            sources.push_back(i);
    return sources;
}

// The whole picture resized, the straightforward way: every resized pixel
// the rounded mean of its sources.
std::vector<std::uint8_t> Reference(const Image& picture, int scaledWidth, int scaledHeight)
{
    const int bytes = picture.BytesPerPixel(), h = picture.Height();
    std::vector<std::uint8_t> out;
    for (int ky = 0; ky < scaledHeight; ++ky)
        for (int kx = 0; kx < scaledWidth; ++kx) {
            const std::vector<int> xs = SourcesOf(kx, scaledWidth, picture.Width());
            const std::vector<int> ys = SourcesOf(ky, scaledHeight, h);
            for (int c = 0; c < bytes; ++c) {
                std::uint64_t sum = 0;
                for (const int y : ys)
                    for (const int x : xs)
                        sum += picture.Rows()[picture.GetRowOrder() == BottomUp ? h - 1 - y : y][x * bytes + c];
                const std::uint64_t count = xs.size() * ys.size();
                out.push_back(std::uint8_t((sum + count / 2) / count));
            }
        }
    return out;
}

// 5 x 2 grey pixels reduced: each resized pixel is the rounded mean of the
// pixels its cell covers.
TEST(AreaResize, MeansOfTheCoveredPixelsByHand)
{
    DibImage image;
    ASSERT_TRUE(image.Create(5, 2, Gray, SampleU8, TopDown));
    std::memcpy(image.Rows()[0], "\x0a\x14\x1e\x29\x00", 5);  // 10 20 30 41 0
    std::memcpy(image.Rows()[1], "\x32\x3c\x46\x50\xff", 5);  // 50 60 70 80 255
    AreaResizer resizer;
    std::uint8_t out[2] = {};
    // 5 -> 2: cells [0, 2) and [2, 5); 2 -> 1: both rows.
    resizer.CopyRegion(image, 2, 1, 0, 0, 2, 1, out, 2);
    EXPECT_EQ(out[0], 35);   // (10 + 20 + 50 + 60) / 4
    EXPECT_EQ(out[1], 79);   // (30 + 41 + 0 + 70 + 80 + 255) / 6 = 79.33
    // Rows kept (2 -> 2), columns 5 -> 3: cells [0, 1), [1, 3), [3, 5).
    std::uint8_t rows[2][3] = {};
    resizer.CopyRegion(image, 3, 2, 0, 0, 3, 2, rows[0], 3);
    EXPECT_EQ(rows[0][0], 10);
    EXPECT_EQ(rows[0][1], 25);   // (20 + 30) / 2
    EXPECT_EQ(rows[0][2], 21);   // 41 + 0, a half rounded up
    EXPECT_EQ(rows[1][2], 168);  // 80 + 255, a half rounded up
}

struct Reduction {
    int width, height, scaledWidth, scaledHeight;
};

class AreaResizeSizes : public testing::TestWithParam<Reduction> {};

// Every region of the resized picture, in either row order and pixel size,
// equals that part of the straightforward whole resize.
TEST_P(AreaResizeSizes, RegionsEqualTheReference)
{
    const Reduction r = GetParam();
    AreaResizer resizer;
    for (const RowOrder order : {BottomUp, TopDown})
        for (const PixelType type : {Bgr, Gray}) {
            const DibImage image = test::GradientPicture(r.width, r.height, type, order, r.width);
            const int bytes = image.BytesPerPixel();
            const std::vector<std::uint8_t> whole = Reference(image, r.scaledWidth, r.scaledHeight);
            struct Part {
                int x, y, width, height;
            };
            for (const Part part : {Part{0, 0, r.scaledWidth, r.scaledHeight},
                                    Part{r.scaledWidth / 3, r.scaledHeight / 2, (r.scaledWidth + 1) / 2, 1},
                                    Part{r.scaledWidth - 1, 0, 1, r.scaledHeight}}) {
                const std::ptrdiff_t stride = std::ptrdiff_t(part.width) * bytes + 5;
                std::vector<std::uint8_t> out(std::size_t(stride) * part.height, 0xAB);
                resizer.CopyRegion(image, r.scaledWidth, r.scaledHeight, part.x, part.y, part.width,
                                   part.height, out.data(), stride);
                for (int y = 0; y < part.height; ++y)
                    for (int x = 0; x < part.width * bytes; ++x)
                        ASSERT_EQ(out[std::size_t(y * stride + x)],
                                  whole[(std::size_t(part.y + y) * r.scaledWidth + part.x) * bytes + x])
                            << "order " << order << " type " << type << " at " << part.x << "," << part.y
                            << " byte " << x << " row " << y;
                for (int y = 0; y < part.height; ++y)
                    ASSERT_EQ(out[std::size_t(y * stride + part.width * bytes)], 0xAB) << "wrote past a row";
            }
        }
}

// Odd ratios, cells of one and two pixels, a whole side into one pixel,
// more than 257 rows in one cell (the sums' runs), a side reduced while
// the other is enlarged, and a side just below 100 %.
INSTANTIATE_TEST_SUITE_P(Reductions, AreaResizeSizes,
                         testing::Values(Reduction{37, 23, 12, 7}, Reduction{31, 19, 20, 13},
                                         Reduction{9, 7, 1, 1}, Reduction{3, 601, 2, 2},
                                         Reduction{41, 5, 13, 9}, Reduction{101, 75, 100, 74}));

// Neither side reduced: the whole pixels of CopyScaledRegion, byte for byte.
TEST(AreaResize, EnlargedIsTheWholePixelCopy)
{
    const DibImage image = test::GradientPicture(13, 9, Bgr, BottomUp, 2);
    AreaResizer resizer;
    for (const int scale : {1, 2, 5}) {
        const int w = 13 * scale + 1, h = 9 * scale;
        std::vector<std::uint8_t> averaged(std::size_t(w) * h * 3), nearest(averaged.size());
        resizer.CopyRegion(image, w, h, 0, 0, w, h, averaged.data(), w * 3);
        CopyScaledRegion(image, w, h, 0, 0, w, h, nearest.data(), w * 3);
        EXPECT_EQ(averaged, nearest) << scale;
    }
}

// What the averaging is for: a line one pixel thin, at any reduction,
// leaves a trace in every resized column it crosses.
TEST(AreaResize, AThinLineStaysContinuous)
{
    DibImage image;
    ASSERT_TRUE(image.Create(997, 13, Gray, SampleU8, TopDown));
    for (int y = 0; y < 13; ++y) {
        std::memset(image.Rows()[y], 0, 997);
        if (y == 6)
            std::memset(image.Rows()[y], 255, 997);
    }
    AreaResizer resizer;
    for (const int scaled : {2, 3, 6}) {
        std::vector<std::uint8_t> out(std::size_t(99) * scaled);
        resizer.CopyRegion(image, 99, scaled, 0, 0, 99, scaled, out.data(), 99);
        for (int x = 0; x < 99; ++x) {
            int column = 0;
            for (int y = 0; y < scaled; ++y)
                column += out[std::size_t(y) * 99 + x];
            EXPECT_GT(column, 0) << "broken at column " << x << " of " << scaled << " rows";
        }
    }
}

}  // namespace
}  // namespace fovella
