// What bench/lines-accuracy.sh needs besides fovella-cli:
//
//   fovella-lines-tool distort IN OUT X [W H]
//                                         IN given a barrel distortion of
//                                         strength X = R / m (R the half
//                                         diagonal) of the remap's model,
//                                         saved as JPEG quality 90 (scaled to
//                                         W x H when given)
//   fovella-lines-tool reencode IN OUT Q  IN decoded and saved again as JPEG
//                                         quality Q
//   fovella-lines-tool estimate FILE...   one line per file: the file, the
//                                         verdict, the strength and scale
//                                         found, their relative error, the
//                                         chains, and the milliseconds taken
//   fovella-lines-tool turned FILE...     one line per file: the file, then
//                                         the verdict, strength and relative
//                                         error found from the reduced copy
//                                         as read, mirrored, upside down and
//                                         both (the same pixels in another
//                                         order)
//   fovella-lines-tool picture IN OUT.png IN and IN corrected by the
//                                         file's estimate side by side,
//                                         the chains used drawn on both,
//                                         about 640 pixels wide
//
// The distortion: D(q) = U(c + s (q - c) m sinh(|q - c| / m) / |q - c|),
// c the middle of the picture and s = R / (m sinh(R / m)), so that the
// corners stay filled and correcting D with m gives back U (scaled by s).
#include "codecs/ImageFile.h"
#include "image/MemoryImage.h"
#include "lens/LensModel.h"
#include "lines/LineEstimator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

using namespace fovella;

// Bilinear sample of an 8-bit Rgb top-down picture, edges clamped.
void Sample(const Image& picture, double x, double y, std::uint8_t* out)
{
    const int w = picture.Width(), h = picture.Height();
    x = std::clamp(x, 0.0, w - 1.0);
    y = std::clamp(y, 0.0, h - 1.0);
    const int x0 = std::min(int(x), w - 2), y0 = std::min(int(y), h - 2);
    const double fx = x - x0, fy = y - y0;
    const std::uint8_t* a = picture.Rows()[y0] + x0 * 3;
    const std::uint8_t* b = picture.Rows()[y0 + 1] + x0 * 3;
    for (int k = 0; k < 3; ++k) {
        const double top = a[k] * (1 - fx) + a[k + 3] * fx, bottom = b[k] * (1 - fx) + b[k + 3] * fx;
        out[k] = std::uint8_t(std::lround(top * (1 - fy) + bottom * fy));
    }
}

bool LoadTopDownRgb(const std::string& path, MemoryImage& picture)
{
    ImageFile file;
    MemoryImage loaded;
    if (!file.Load(path, loaded, Unknown, 0) || !loaded.ConvertPixelType(Rgb)) {
        std::fprintf(stderr, "%s\n", file.Error().c_str());
        return false;
    }
    picture.Create(loaded.Width(), loaded.Height(), Rgb, SampleU8, TopDown);
    for (int y = 0; y < loaded.Height(); ++y)
        std::copy_n(loaded.Rows()[loaded.GetRowOrder() == TopDown ? y : loaded.Height() - 1 - y],
                    std::size_t(loaded.Width()) * 3, picture.Rows()[y]);
    return true;
}

int Distort(const std::string& in, const std::string& out, double strength, int width, int height)
{
    MemoryImage source;
    if (!LoadTopDownRgb(in, source))
        return 1;
    const int w = width > 0 ? width : source.Width(), h = height > 0 ? height : source.Height();
    const double zoomX = double(source.Width()) / w, zoomY = double(source.Height()) / h;
    MemoryImage distorted;
    distorted.Create(w, h, Rgb, SampleU8, TopDown);
    const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
    const double halfDiagonal = std::hypot(double(w), double(h)) / 2;
    const double m = strength > 0 ? halfDiagonal / strength : 0;
    const double s = m > 0 ? halfDiagonal / (m * std::sinh(halfDiagonal / m)) : 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const LinePoint p = m > 0 ? CorrectedPoint({double(x), double(y)}, m, w, h) : LinePoint{double(x), double(y)};
            Sample(source, (cx + s * (p.x - cx) + 0.5) * zoomX - 0.5, (cy + s * (p.y - cy) + 0.5) * zoomY - 0.5,
                   distorted.Rows()[y] + x * 3);
        }
    ImageFile file;
    if (!file.Save(out, distorted, Jpeg, 90, 0)) {
        std::fprintf(stderr, "%s\n", file.Error().c_str());
        return 1;
    }
    return 0;
}

// The picture decoded and saved again as JPEG of `quality`: the same scene
// under another encoding's noise.
int Reencode(const std::string& in, const std::string& out, int quality)
{
    MemoryImage picture;
    if (!LoadTopDownRgb(in, picture))
        return 1;
    ImageFile file;
    if (!file.Save(out, picture, Jpeg, quality, 0)) {
        std::fprintf(stderr, "%s\n", file.Error().c_str());
        return 1;
    }
    return 0;
}

const char* VerdictName(LineEstimate::Verdict verdict)
{
    switch (verdict) {
    case LineEstimate::Verdict::Found: return "found";
    case LineEstimate::Verdict::NoBarrelDistortion: return "no-barrel";
    case LineEstimate::Verdict::NoStraightLines: return "no-lines";
    case LineEstimate::Verdict::Cancelled: return "cancelled";
    case LineEstimate::Verdict::Unreadable: return "unreadable";
    }
    return "?";
}

int Estimate(int count, char** paths)
{
    for (int k = 0; k < count; ++k) {
        const auto start = std::chrono::steady_clock::now();
        const LineEstimate estimate = EstimateLinesOfFile(paths[k]);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s %s %.5f %.2f %.4f %d %d %.1f\n", paths[k], VerdictName(estimate.verdict), estimate.strength,
                    estimate.scale, estimate.relativeError, estimate.chainsMeasured, int(estimate.chains.size()), ms);
    }
    return 0;
}

// The plane mirrored left to right and/or turned upside down: the same
// pixels in another order.
GreyPlane Turned(const GreyPlane& plane, bool mirrored, bool upsideDown)
{
    GreyPlane turned = plane;
    const std::size_t w = std::size_t(plane.width), h = std::size_t(plane.height);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
            turned.values[y * w + x] = plane.values[(upsideDown ? h - 1 - y : y) * w + (mirrored ? w - 1 - x : x)];
    return turned;
}

int EstimateTurned(int count, char** paths)
{
    for (int k = 0; k < count; ++k) {
        const LinePlane read = ReadLinePlane(paths[k]);
        if (read.plane.values.empty()) {
            std::fprintf(stderr, "%s\n", read.error.c_str());
            continue;
        }
        std::printf("%s", paths[k]);
        for (const bool upsideDown : {false, true})
            for (const bool mirrored : {false, true}) {
                const LineEstimate e = EstimateLines(Turned(read.plane, mirrored, upsideDown), read.fullWidth,
                                                     read.fullHeight);
                std::printf(" %s %.5f %.4f", VerdictName(e.verdict), e.strength, e.relativeError);
            }
        std::printf("\n");
    }
    return 0;
}

void Dot(Image& picture, double x, double y, int radius)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int px = int(std::lround(x)) + dx, py = int(std::lround(y)) + dy;
            if (px < 0 || py < 0 || px >= picture.Width() || py >= picture.Height())
                continue;
            std::uint8_t* pixel = picture.Rows()[py] + px * 3;
            pixel[0] = 255;
            pixel[1] = 40;
            pixel[2] = 0;
        }
}

// Box-reduces a top-down Rgb picture by `factor`.
void Reduce(const Image& in, int factor, MemoryImage& out)
{
    const int w = in.Width() / factor, h = in.Height() / factor;
    out.Create(w, h, Rgb, SampleU8, TopDown);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += in.Rows()[y * factor + dy][(x * factor + dx) * 3 + k];
                out.Rows()[y][x * 3 + k] = std::uint8_t(sum / (factor * factor));
            }
}

// Both halves together, in pixels: small enough for the README.
constexpr int kPictureWidth = 640;

int Picture(const std::string& in, const std::string& out)
{
    MemoryImage source;
    if (!LoadTopDownRgb(in, source))
        return 1;
    const LineEstimate estimate = EstimateLinesOfFile(in);  // as fovella-cli and the window's Auto read it
    if (estimate.verdict != LineEstimate::Verdict::Found) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(), VerdictName(estimate.verdict));
        return 1;
    }
    MemoryImage corrected;
    LensModel(2).Undistort(source, corrected, estimate.scale);
    const int w = source.Width(), h = source.Height();
    const int factor = std::max(1, 2 * w / kPictureWidth);
    const int radius = std::max(1, factor / 2);
    for (const auto& chain : estimate.chains)
        for (const LinePoint& p : chain) {
            Dot(source, p.x, p.y, radius);
            const LinePoint q = CorrectedPoint(p, estimate.scale, w, h);
            Dot(corrected, q.x, q.y, radius);
        }
    MemoryImage left, right, both;
    Reduce(source, factor, left);
    Reduce(corrected, factor, right);
    const int gap = 8;
    both.Create(left.Width() * 2 + gap, left.Height(), Rgb, SampleU8, TopDown);
    for (int y = 0; y < left.Height(); ++y) {
        std::fill_n(both.Rows()[y], std::size_t(both.Width()) * 3, std::uint8_t(255));
        std::copy_n(left.Rows()[y], std::size_t(left.Width()) * 3, both.Rows()[y]);
        std::copy_n(right.Rows()[y], std::size_t(right.Width()) * 3, both.Rows()[y] + (left.Width() + gap) * 3);
    }
    ImageFile file;
    if (!file.Save(out, both, Png, 100, 0)) {
        std::fprintf(stderr, "%s\n", file.Error().c_str());
        return 1;
    }
    std::printf("%s: scale %.2f px, %zu chains\n", in.c_str(), estimate.scale, estimate.chains.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "distort" && (argc == 5 || argc == 7))
        return Distort(argv[2], argv[3], std::atof(argv[4]), argc == 7 ? std::atoi(argv[5]) : 0,
                       argc == 7 ? std::atoi(argv[6]) : 0);
    if (command == "reencode" && argc == 5)
        return Reencode(argv[2], argv[3], std::atoi(argv[4]));
    if (command == "estimate" && argc >= 3)
        return Estimate(argc - 2, argv + 2);
    if (command == "turned" && argc >= 3)
        return EstimateTurned(argc - 2, argv + 2);
    if (command == "picture" && argc == 4)
        return Picture(argv[2], argv[3]);
    std::fprintf(stderr, "usage: fovella-lines-tool distort IN OUT X [W H] | reencode IN OUT Q | estimate FILE... | turned FILE... | picture IN OUT.png\n");
    return 2;
}
