// How long the exact remap takes on camera-sized pictures, beside OpenCV's
// bilinear cv::remap with its maps built beforehand (when OpenCV is there).
// Each writes into a destination that an untimed first run has allocated
// and touched, so that the system's page zeroing is counted for neither.
//
//   make bench        (or: build/bench/fovella-bench --benchmark_repetitions=5)
#include "bench/SyntheticPhoto.h"
#include "image/DibImage.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#ifdef FOVELLA_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace fovella;

constexpr float kFocalMm = 5.8f;  // m is about 7110 px at 6000 x 4000

// A photograph-like picture: smooth shading with noise, so that nothing is
// uniform enough to be fast by accident.
DibImage MakePicture(int width, int height)
{
    DibImage image;
    image.Create(width, height, Bgr, SampleU8, BottomUp);
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            image.Rows()[y][x] = std::uint8_t((x / 7 + y / 5) + (random() & 15));
    return image;
}

void Undistort(benchmark::State& state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    const DibImage source = MakePicture(width, height);
    const double m = PixelScale(kFocalMm, width, height, 1.0);
    DibImage destination;
    // Untimed first run: the destination's pages come from the system then.
    LensModel().Undistort(source, destination, m);
    for (auto _ : state) {
        LensModel().Undistort(source, destination, m);
        benchmark::DoNotOptimize(destination.Rows()[0][0]);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(width) * height * 3);
}
BENCHMARK(Undistort)->Args({6000, 4000})->Args({3000, 2000})->Args({320, 240})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// One 24-megapixel picture on `range(0)` threads.
void UndistortThreads(benchmark::State& state)
{
    const DibImage source = MakePicture(6000, 4000);
    const double m = PixelScale(kFocalMm, 6000, 4000, 1.0);
    DibImage destination;
    LensModel().Undistort(source, destination, m);
    for (auto _ : state) {
        LensModel(int(state.range(0))).Undistort(source, destination, m);
        benchmark::DoNotOptimize(destination.Rows()[0][0]);
    }
}
BENCHMARK(UndistortThreads)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 24-megapixel picture reduced to fit a 320 x 240 preview, by whole pixels.
void ScaleToPreview(benchmark::State& state)
{
    const DibImage source = MakePicture(6000, 4000);
    DibImage preview;
    for (auto _ : state) {
        source.ScaleBy(320.0 / 6000, preview);
        benchmark::DoNotOptimize(preview.Rows()[0][0]);
    }
}
BENCHMARK(ScaleToPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef FOVELLA_HAVE_OPENCV
// The same geometry as a map of source points, one per output pixel.
cv::Mat BuildMap(int width, int height, double m)
{
    cv::Mat map(height, width, CV_32FC2);
    for (int y = 0; y < height; ++y)
        bench::CorrectionMapRow(y, width, height, m, map.ptr<float>(y));
    return map;
}

void CvRemap(benchmark::State& state, bool fixedPoint)
{
    cv::setNumThreads(1);
    const int width = int(state.range(0)), height = int(state.range(1));
    const DibImage picture = MakePicture(width, height);
    cv::Mat source(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        std::memcpy(source.ptr(y), picture.Rows()[y], std::size_t(width) * 3);
    cv::Mat map1 = BuildMap(width, height, PixelScale(kFocalMm, width, height, 1.0)), map2;
    if (fixedPoint)
        cv::convertMaps(cv::Mat(map1), cv::Mat(), map1, map2, CV_16SC2);
    cv::Mat destination;
    cv::remap(source, destination, map1, map2, cv::INTER_LINEAR);
    for (auto _ : state) {
        cv::remap(source, destination, map1, map2, cv::INTER_LINEAR);
        benchmark::DoNotOptimize(destination.data[0]);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(width) * height * 3);
}
void CvRemap32FC2(benchmark::State& state) { CvRemap(state, false); }
void CvRemap16SC2(benchmark::State& state) { CvRemap(state, true); }
BENCHMARK(CvRemap32FC2)->Args({6000, 4000})->Args({3000, 2000})->Args({320, 240})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CvRemap16SC2)->Args({6000, 4000})->Args({3000, 2000})->Args({320, 240})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// Prints the runs as usual and remembers each benchmark's median (or its
// only run) to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Iteration && !m_median.count(name))
                m_seconds[name] = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_median[name] = run.GetAdjustedRealTime();
        }
    }

    void PrintRatios() const
    {
        for (const char* size : {"6000/4000", "3000/2000", "320/240"})
            for (const char* other : {"CvRemap32FC2", "CvRemap16SC2"}) {
                const double ours = Time(std::string("Undistort/") + size + "/real_time");
                const double theirs = Time(std::string(other) + "/" + size + "/real_time");
                if (ours > 0 && theirs > 0)
                    std::printf("Undistort / %s at %s: %.2f\n", other, size, ours / theirs);
            }
    }

private:
    double Time(const std::string& name) const
    {
        const auto median = m_median.find(name);
        if (median != m_median.end())
            return median->second;
        const auto single = m_seconds.find(name);
        return single != m_seconds.end() ? single->second : 0;
    }

    std::map<std::string, double> m_seconds, m_median;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
