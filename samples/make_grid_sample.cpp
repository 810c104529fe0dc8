// Renders the sample photograph: a regular grid on a coloured ground, drawn
// through a lens whose distortion is the inverse of the correction at a
// focal length of kFocalMm. Correcting the result with -f kFocalMm makes
// every grid line straight again.
//
// The correction samples output radius r from source radius m asinh(r / m);
// so the distorted picture shows, at radius q, what belongs at m sinh(q / m).
#include "codecs/bmp/Bmp.h"
#include "image/DibImage.h"
#include "lens/PixelScale.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 360;
constexpr float kFocalMm = 3.0f;
constexpr int kCell = 40;
constexpr int kSupersample = 4;

// The undistorted scene at a point: dark lines every kCell pixels through
// the centre, on a ground that shades from warm (left) to cool (right).
void Scene(double x, double y, double rgb[3])
{
    const double lineHalfWidth = 1.5;
    const double fx = std::fabs(std::remainder(x - kWidth / 2, kCell));
    const double fy = std::fabs(std::remainder(y - kHeight / 2, kCell));
    const bool line = fx < lineHalfWidth || fy < lineHalfWidth;
    const double t = std::fmin(std::fmax(x / kWidth, 0.0), 1.0);
    const double s = std::fmin(std::fmax(y / kHeight, 0.0), 1.0);
    rgb[0] = line ? 30 : 235 - 60 * t;
    rgb[1] = line ? 30 : 225 - 30 * s;
    rgb[2] = line ? 40 : 175 + 60 * t;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "grid.bmp";
    const double m = fovella::PixelScale(kFocalMm, kWidth, kHeight, 1.0);
    const double cx = kWidth / 2, cy = kHeight / 2;
    fovella::DibImage image;
    image.Create(kWidth, kHeight, fovella::Rgb, fovella::SampleU8, fovella::TopDown);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            double sum[3] = {0, 0, 0};
            for (int k = 0; k < kSupersample * kSupersample; ++k) {
                const double px = x + (k % kSupersample + 0.5) / kSupersample - 0.5 - cx;
                const double py = y + (k / kSupersample + 0.5) / kSupersample - 0.5 - cy;
                const double q = std::hypot(px, py);
                const double stretch = q > 0 ? m * std::sinh(q / m) / q : 1;
                double rgb[3];
                Scene(cx + px * stretch, cy + py * stretch, rgb);
                for (int c = 0; c < 3; ++c)
                    sum[c] += rgb[c];
            }
            for (int c = 0; c < 3; ++c)
                image.Rows()[y][3 * x + c] =
                    static_cast<std::uint8_t>(std::lround(sum[c] / (kSupersample * kSupersample)));
        }
    std::string error;
    if (!fovella::SaveBmp(path, image, &error)) {
        std::fprintf(stderr, "make-grid-sample: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s (%d x %d, focal length %.1f mm, m = %.2f px)\n", path, kWidth, kHeight,
                double(kFocalMm), m);
    return 0;
}
