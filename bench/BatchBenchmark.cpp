// The batch run over a folder of 24-megapixel JPEG photographs, with one job
// and with one per core: files per second, and the shares of the time spent
// loading, remapping and saving (summed over the files).
//
//   build/bench/fovella-bench --benchmark_filter=Batch
#include "batch/BatchRun.h"
#include "bench/SyntheticPhoto.h"
#include "codecs/ImageFile.h"
#include "fs/DirectoryScanner.h"
#include "image/DibImage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

using namespace fovella;

constexpr int kFiles = 4;

class SilentFrontEnd : public BatchFrontEnd {
public:
    bool ChooseOptions(BatchOptions&) override { return true; }
    void RunRefused(RunRefusal) override {}
    void RunCompleted(const BatchCounts&) override {}
    void FileFailed(const FileFailure&) override {}
    OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::OverwriteAll; }
    void RunStarted(const std::string&) override {}
    void RunEnded() override {}
    void FileStarted(const std::string&) override {}
    void FocalChosen(float, bool) override {}
    void Progress(int, int) override {}
    void ResultSaved(const std::string&, const std::string&) override {}
    bool PollCancelled() override { return false; }
};

// A folder of photographs with EXIF focal lengths, made once per process.
const std::string& PhotoFolder()
{
    static const std::string folder = [] {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("fovella-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        const DibImage photo = bench::SyntheticPhoto(6000, 4000);
        ImageFile file;
        file.SetExifBlock(bench::ExifWithFocal58());
        for (int k = 0; k < kFiles; ++k)
            file.Save((path / ("IMG_" + std::to_string(k) + ".JPG")).string(), photo, Jpeg, 92, 1);
        std::atexit([] { std::filesystem::remove_all(PhotoFolder()); });
        return path.string();
    }();
    return folder;
}

void Batch(benchmark::State& state)
{
    const int jobs = state.range(0) == 0 ? int(std::max(1u, std::thread::hardware_concurrency()))
                                         : int(state.range(0));
    DirectoryScanner scanner;
    scanner.Scan(PhotoFolder());
    const std::vector<std::string> files(scanner.Files().begin(), scanner.Files().end());
    BatchOptions options;
    options.folder = PhotoFolder() + "/undistorted";
    options.focalUsage = FocalUsage::ExifOnly;
    options.jobs = jobs;
    BatchTimes times;
    for (auto _ : state) {
        SilentFrontEnd frontEnd;
        const BatchResult result = BatchRun(frontEnd).RunFiles(files, options, 0, 1, PhotoFolder());
        if (result.counts.savedFiles != kFiles)
            state.SkipWithError("not every file was saved");
        times.load += result.times.load;
        times.remap += result.times.remap;
        times.save += result.times.save;
    }
    const double total = times.load + times.remap + times.save;
    state.counters["jobs"] = jobs;
    state.counters["files_per_s"] = benchmark::Counter(double(kFiles) * double(state.iterations()),
                                                        benchmark::Counter::kIsRate);
    state.counters["load_share"] = times.load / total;
    state.counters["remap_share"] = times.remap / total;
    state.counters["save_share"] = times.save / total;
}
// 1 job, then one per core (0).
BENCHMARK(Batch)->Arg(1)->Arg(0)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
