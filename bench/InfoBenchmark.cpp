// fovella-cli --info on a 24-megapixel JPEG photograph with an EXIF block:
// the header and the block alone, against a decode of the whole picture
// (what describing a file would cost if it were loaded).
//
//   build/bench/fovella-bench --benchmark_filter=Info
#include "apps/fovella-cli/Commands.h"
#include "bench/SyntheticPhoto.h"
#include "codecs/ImageFile.h"
#include "image/MemoryImage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace {

using namespace fovella;

const std::string& Photo()
{
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() /
                                  ("fovella-info-bench-" + std::to_string(::getpid()) + ".jpg"))
                                     .string();
        ImageFile writer;
        writer.SetExifBlock(bench::ExifWithFocal58());
        writer.Save(file, bench::SyntheticPhoto(6000, 4000), Jpeg, 92, 1);
        std::atexit([] { std::filesystem::remove(Photo()); });
        return file;
    }();
    return path;
}

void InfoOfPhotograph(benchmark::State& state)
{
    cli::Options options;
    options.info = true;
    options.inputs = {Photo()};
    std::istringstream in;
    std::ostringstream out, errors;
    cli::Console console{in, out, errors, false, false};
    for (auto _ : state) {
        out.str("");
        if (cli::DescribeFiles(options, console) != 0 || out.str().find("6000 x 4000") == std::string::npos)
            state.SkipWithError("the photograph was not described");
    }
}
BENCHMARK(InfoOfPhotograph)->Unit(benchmark::kMillisecond);

void DecodeOfPhotograph(benchmark::State& state)
{
    ImageFile file;
    MemoryImage image;
    for (auto _ : state)
        if (!file.Load(Photo(), image, Unknown, KeepExif))
            state.SkipWithError("the photograph was not decoded");
}
BENCHMARK(DecodeOfPhotograph)->Unit(benchmark::kMillisecond);

}  // namespace
