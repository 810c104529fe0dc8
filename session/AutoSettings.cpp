#include "session/AutoSettings.h"

#include "lens/PixelScale.h"
#include "lines/LineEstimator.h"

#include <cmath>
#include <cstdio>

namespace fovella {

namespace {

// A factor that two decimals write exactly, as a reader of the label's text
// (correctly rounded, as from_chars is) gets it back.
bool ShownExactly(double factor)
{
    const double hundredths = std::round(factor * 100);
    return hundredths / 100 == factor;
}

// How far the slider may land from the estimate, as a share of the scale,
// for the EXIF value to be kept. The positions the label shows exactly lie
// 0.08 apart, so the nearest may miss by 4 %, 7 % at 0.60: more than the
// estimate's own median error on photographs (2.7 %). At 1 % the slider
// adds little to that; further off, the typed focal length gives the
// estimate to a few parts in ten thousand.
constexpr double kMostSliderMiss = 0.01;

}  // namespace

int ShownFineTunePosition(double factor)
{
    int best = 50;
    for (int position = 0; position <= 100; ++position)
        if (ShownExactly(FineTuneFactor(position)) &&
            std::abs(FineTuneFactor(position) - factor) < std::abs(FineTuneFactor(best) - factor))
            best = position;
    return best;
}

AutoSettings SettingsForScale(double scale, int width, int height, std::optional<float> exifFocal)
{
    if (exifFocal && *exifFocal > 0 && std::isfinite(*exifFocal)) {
        const double factor = scale / PixelScale(*exifFocal, width, height, 1.0);
        const int position = ShownFineTunePosition(factor);
        if (factor >= FineTuneFactor(0) && factor <= FineTuneFactor(100) &&
            std::abs(FineTuneFactor(position) - factor) <= kMostSliderMiss * factor)
            return {FocalSource::Exif, {}, position};
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", FocalForScale(scale, width, height, 1.0));
    return {FocalSource::Typed, text, 50};
}

}  // namespace fovella
