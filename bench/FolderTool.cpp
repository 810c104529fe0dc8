// What bench/folder-speed.sh needs besides fovella-cli:
//
//   fovella-folder-tool make DIR COUNT      COUNT photograph-like 24-megapixel
//                                           JPEGs (quality 95, EXIF focal
//                                           length 5.8 mm) in DIR
//   fovella-folder-tool map FILE            the same correction as a map of
//                                           source points (two floats per
//                                           pixel, x then y) for `vips mapim`
//   fovella-folder-tool recode DIR OUT JOBS each JPEG of DIR decoded and
//                                           encoded again into OUT (quality 95,
//                                           EXIF kept) on JOBS threads: the
//                                           folder run without its remap
#include "bench/SyntheticPhoto.h"
#include "codecs/ImageFile.h"
#include "image/DibImage.h"
#include "lens/PixelScale.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace fovella;

constexpr int kWidth = 6000, kHeight = 4000;
constexpr float kFocalMm = 5.8f;
constexpr int kQuality = 95;

int Make(const std::filesystem::path& folder, int count)
{
    std::filesystem::create_directories(folder);
    const DibImage photo = bench::SyntheticPhoto(kWidth, kHeight);
    ImageFile file;
    file.SetExifBlock(bench::ExifWithFocal58());
    for (int k = 1; k <= count; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", k);
        if (!file.Save((folder / name).string(), photo, Jpeg, kQuality, 1)) {
            std::fprintf(stderr, "fovella-folder-tool: cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}

int Map(const std::string& path)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return 1;
    const double m = PixelScale(kFocalMm, kWidth, kHeight, 1.0);
    std::vector<float> row(2 * std::size_t(kWidth));
    for (int y = 0; y < kHeight; ++y) {
        bench::CorrectionMapRow(y, kWidth, kHeight, m, row.data());
        std::fwrite(row.data(), sizeof(float), row.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

int Recode(const std::filesystem::path& folder, const std::filesystem::path& output, int jobs)
{
    std::filesystem::create_directories(output);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path());
    std::atomic<std::size_t> next{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < jobs; ++t)
        threads.emplace_back([&] {
            // One picture per thread, its storage reused from file to file.
            DibImage image;
            ImageFile file;
            for (std::size_t k; (k = next++) < files.size();) {
                if (!file.Load(files[k].string(), image, Jpeg, KeepExif) ||
                    !file.Save((output / files[k].filename()).string(), image, Jpeg, kQuality, 1))
                    ++failures;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "make")
        return Make(args[1], std::stoi(args[2]));
    if (args.size() == 2 && args[0] == "map")
        return Map(args[1]);
    if (args.size() == 4 && args[0] == "recode")
        return Recode(args[1], args[2], std::stoi(args[3]));
    std::fprintf(stderr, "usage: fovella-folder-tool make DIR COUNT | map FILE | recode DIR OUT JOBS\n");
    return 2;
}
