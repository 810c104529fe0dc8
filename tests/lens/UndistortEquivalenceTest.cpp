// Every kernel of the fast remap against the plain one, byte for byte.
#include "image/DibImage.h"
#include "image/MemoryImage.h"
#include "lens/LensModel.h"
#include "lens/RemapBand.h"
#include "tests/lens/ReferenceUndistort.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace fovella {
namespace {

void FillNoise(Image& image, unsigned seed)
{
    std::mt19937 random(seed);
    const std::size_t bytes = std::size_t(image.Width()) * image.BytesPerPixel();
    for (int y = 0; y < image.Height(); ++y)
        for (std::size_t b = 0; b < bytes; ++b)
            image.Rows()[y][b] = std::uint8_t(random());
}

// The first differing byte, or "" when the pictures are equal.
std::string FirstDifference(const Image& a, const Image& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() ||
        a.GetPixelType() != b.GetPixelType())
        return "different geometry";
    const std::size_t bytes = std::size_t(a.Width()) * a.BytesPerPixel();
    for (int y = 0; y < a.Height(); ++y)
        for (std::size_t k = 0; k < bytes; ++k)
            if (a.Rows()[y][k] != b.Rows()[y][k])
                return "row " + std::to_string(y) + " byte " + std::to_string(k) + ": " +
                       std::to_string(a.Rows()[y][k]) + " instead of " +
                       std::to_string(b.Rows()[y][k]);
    return "";
}

struct Kernel {
    const char* name;
    remap::BandFunction (*bandFor)(int channels);
    int threads;
};

// The kernel LensModel chooses, and each kernel on its own, on one thread
// and on several (pictures from 64 columns of the left half per thread on
// are shared out).
remap::BandFunction Chosen(int) { return nullptr; }

// A kernel's bands with their rows in short runs, the last run first, as
// runs may come on several threads. Only the middle two rows stay together.
template <remap::BandFunction (*kBandFor)(int channels)>
remap::BandFunction RunsBackwards(int channels)
{
    static remap::BandFunction inner;
    inner = kBandFor(channels);
    if (!inner)
        return nullptr;
    return [](const remap::Geometry& g, int j0, int j1, int i0, int i1) {
        const int lastStart = i1 > g.cy ? remap::FirstMiddleRow(g) : i1 - 1;
        for (int start = i0 + (lastStart - i0) / 5 * 5; start >= i0; start -= 5)
            inner(g, j0, j1, start, start + 5 > lastStart ? i1 : start + 5);
    };
}

const Kernel kKernels[] = {{"Chosen", &Chosen, 1},           {"Portable", &remap::PortableBand, 1},
                           {"Avx2", &remap::Avx2Band, 1},     {"ChosenTwoThreads", &Chosen, 2},
                           {"PortableThreeThreads", &remap::PortableBand, 3},
                           {"Avx2TwoThreads", &remap::Avx2Band, 2},
                           {"Avx512", &remap::Avx512Band, 1},
                           {"Avx512TwoThreads", &remap::Avx512Band, 2},
                           {"PortableRunsBackwards", &RunsBackwards<&remap::PortableBand>, 1},
                           {"Avx2RunsBackwards", &RunsBackwards<&remap::Avx2Band>, 1},
                           {"Avx512RunsBackwards", &RunsBackwards<&remap::Avx512Band>, 1}};

class UndistortEquivalence : public testing::TestWithParam<Kernel> {
protected:
    void SetUp() override
    {
        if (GetParam().bandFor(3) == nullptr && GetParam().bandFor != &Chosen)
            GTEST_SKIP() << "this processor cannot run the " << GetParam().name << " kernel";
    }

    bool Run(const Image& source, Image& destination, double m,
             ProgressCallback callback = nullptr, void* context = nullptr) const
    {
        if (GetParam().bandFor == &Chosen)
            return LensModel(GetParam().threads).Undistort(source, destination, m, callback, context);
        return remap::Undistort(source, destination, m, callback, context, GetParam().bandFor,
                                GetParam().threads);
    }

    template <class ImageClass>
    void ExpectSameAsReference(int width, int height, PixelType type, RowOrder order, double m);
};

template <class ImageClass>
void UndistortEquivalence::ExpectSameAsReference(int width, int height, PixelType type,
                                                 RowOrder order, double m)
{
    ImageClass source;
    ASSERT_TRUE(source.Create(width, height, type, SampleU8, order));
    FillNoise(source, unsigned(width * 7919 + height));
    ImageClass fast, plain;
    ASSERT_TRUE(Run(source, fast, m));
    ASSERT_TRUE(test::ReferenceUndistort(source, plain, m));
    ASSERT_EQ(FirstDifference(fast, plain), "")
        << width << " x " << height << ", type " << type << ", m = " << m;
}

TEST_P(UndistortEquivalence, EverySizeUpTo40By40)
{
    for (int width = 1; width <= 40; ++width)
        for (int height = 1; height <= 40; ++height)
            ExpectSameAsReference<DibImage>(width, height, Bgr, BottomUp,
                                            0.3 * (width + height) + 0.5);
}

TEST_P(UndistortEquivalence, LargerOddAndEvenSizes)
{
    const std::pair<int, int> sizes[] = {{999, 1000}, {1000, 999}, {1001, 1001}, {640, 480}, {37, 1000},
                                         {1000, 2},   {129, 130},  {257, 64},    {258, 65},  {385, 3},
                                         {386, 386},  {2050, 7}};
    for (const auto& [width, height] : sizes)
        ExpectSameAsReference<DibImage>(width, height, Rgb, BottomUp, 0.4 * (width + height));
}

TEST_P(UndistortEquivalence, ScalesFromHalfAPixelToTenMillion)
{
    for (double m : {0.5, 1.0, 3.7, 50.0, 333.3, 1e4, 1e7})
        for (const auto& [width, height] : {std::pair{131, 97}, std::pair{130, 96}})
            ExpectSameAsReference<DibImage>(width, height, Bgr, BottomUp, m);
}

TEST_P(UndistortEquivalence, EveryChannelCountRowOrderAndStorage)
{
    for (RowOrder order : {BottomUp, TopDown})
        for (const auto& [width, height] : {std::pair{77, 41}, std::pair{2, 9}, std::pair{3, 3},
                                            std::pair{1, 6}, std::pair{66, 68}}) {
            for (PixelType type : {Gray, Rgb, Rgba})
                ExpectSameAsReference<MemoryImage>(width, height, type, order, 21.0);
            for (PixelType type : {Gray, Bgr})
                ExpectSameAsReference<DibImage>(width, height, type, order, 21.0);
        }
}

// Flat and striped pictures: sums of four equal levels fall a hair either
// side of a whole number, so every rounding of the weights shows.
TEST_P(UndistortEquivalence, FlatAndStripedPictures)
{
    for (const auto& [width, height] : {std::pair{64, 48}, std::pair{641, 479}, std::pair{17, 2}}) {
        DibImage flat, striped;
        ASSERT_TRUE(flat.Create(width, height, Bgr, SampleU8, BottomUp));
        ASSERT_TRUE(striped.Create(width, height, Bgr, SampleU8, TopDown));
        for (int y = 0; y < height; ++y) {
            std::memset(flat.Rows()[y], 200, flat.RowBytes());
            for (int x = 0; x < 3 * width; ++x)
                striped.Rows()[y][x] = std::uint8_t((x / 24 + y / 8) % 2 ? 255 : 1);
        }
        for (const DibImage* source : {&flat, &striped}) {
            DibImage fast, plain;
            ASSERT_TRUE(Run(*source, fast, 100.0));
            ASSERT_TRUE(test::ReferenceUndistort(*source, plain, 100.0));
            EXPECT_EQ(FirstDifference(fast, plain), "") << width << " x " << height;
        }
    }
}

struct Log {
    std::vector<double> percents;
    int refuseAt = -1;
    static bool Record(double percent, void* context)
    {
        auto* log = static_cast<Log*>(context);
        log->percents.push_back(percent);
        return int(log->percents.size()) - 1 != log->refuseAt;
    }
};

TEST_P(UndistortEquivalence, ReportsAndCancelledResultsMatch)
{
    for (const auto& [width, height] :
         {std::pair{300, 41}, std::pair{301, 40}, std::pair{8, 8}, std::pair{800, 30},
          std::pair{1100, 70}, std::pair{1025, 12}}) {
        DibImage source;
        ASSERT_TRUE(source.Create(width, height, Bgr, SampleU8, BottomUp));
        FillNoise(source, 5);
        const int cx = width / 2;
        for (int refuseAt : {-1, 0, 1, 63, 64, 65, 100, 131, 263, 511, 512, 513, cx - 2, cx - 1, cx}) {
            DibImage fast, plain;
            ASSERT_TRUE(fast.Create(width, height, Bgr, SampleU8, BottomUp));
            ASSERT_TRUE(plain.Create(width, height, Bgr, SampleU8, BottomUp));
            for (int y = 0; y < height; ++y) {
                std::memset(fast.Rows()[y], 0x5A, fast.RowBytes());
                std::memset(plain.Rows()[y], 0x5A, plain.RowBytes());
            }
            Log fastLog, plainLog;
            fastLog.refuseAt = plainLog.refuseAt = refuseAt;
            const bool fastDone = Run(source, fast, 90.0, &Log::Record, &fastLog);
            const bool plainDone =
                test::ReferenceUndistort(source, plain, 90.0, &Log::Record, &plainLog);
            EXPECT_EQ(fastDone, plainDone);
            EXPECT_EQ(fastLog.percents, plainLog.percents);
            EXPECT_EQ(FirstDifference(fast, plain), "")
                << width << " x " << height << " refused at report " << refuseAt;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, UndistortEquivalence, testing::ValuesIn(kKernels),
                         [](const testing::TestParamInfo<Kernel>& info) { return info.param.name; });

}  // namespace
}  // namespace fovella
