#include "session/AutoSettings.h"

#include "batch/DecimalNumber.h"
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

std::string NothingFoundExplanation(const LineEstimate& estimate, int width, int height)
{
    using Verdict = LineEstimate::Verdict;
    const std::string byHand = "the focal length yourself, and fine-tune it by eye with the grid.";
    const std::string instead = " Enter " + byHand;
    const std::string found = std::to_string(estimate.chainsMeasured) + " long edge" +
                              (estimate.chainsMeasured == 1 ? " was" : "s were") + " found";
    switch (estimate.verdict) {
    case Verdict::Found:
    case Verdict::Cancelled: return {};
    case Verdict::Unreadable: return "The picture could not be read: " + estimate.error + "." + instead;
    case Verdict::NoBarrelDistortion:
        return "The " + std::to_string(estimate.chains.size()) +
               " straight edges used bend no more than a photograph's own edges may: too little to correct with "
               "confidence. If its lines still look bent, enter " +
               byHand;
    case Verdict::NoStraightLines: break;
    }
    switch (estimate.doubt) {
    case LineEstimate::Doubt::Uncertain: {
        const std::string doubt = found + ", but together they fix the correction only to \u00b1" +
                                  Formatted("%.1f", 100 * estimate.relativeError) + " %; Auto sets it only to \u00b1" +
                                  Formatted("%.0f", 100 * kMaxRelativeError) + " % or better.";
        if (!(estimate.strength > 0) || width <= 0 || height <= 0)
            return doubt + instead;
        // No answer, but a start for a picture without EXIF: the benchmark's
        // distorted pictures withheld so were off by a median of 5 %, three
        // in four by less than 13 %.
        const double scale = std::hypot(double(width), double(height)) / 2 / estimate.strength;
        return doubt + " Their best guess, " + Formatted("%.3f", FocalForScale(scale, width, height, 1.0)) +
               " mm at fine tune 1.00, may be off by a tenth: enter it, or the focal length you know, and fine-tune "
               "it by eye with the grid.";
    }
    case LineEstimate::Doubt::Disagreeing:
        return found + ", but they agree on no bend a lens gives: they are curves, or edges not straight in the "
               "scene." + instead;
    case LineEstimate::Doubt::BentBeyond:
        // Not counted among those found: the count may well be 0.
        return "Most long edges are bent further than Auto measures: curves of the scene, or lines seen through a "
               "fisheye or a very wide lens." +
               instead;
    case LineEstimate::Doubt::TooFewChains: break;
    }
    if (estimate.chainsMeasured == 0)
        return "No long straight edge was found." + instead;
    return "Only " + found + ": too few to tell the lens's bend from the scene's." + instead;
}

std::string FocalStillInUse(float focal, FocalSource source)
{
    if (!(focal > 0) || !std::isfinite(focal))
        return {};
    const std::string mm = Formatted("%.3f", focal) + " mm";
    if (source == FocalSource::Exif)
        return "The EXIF focal length, " + mm + ", is still applied to this picture; uncheck \"Use EXIF value\" to "
               "leave it as it is.";
    return "The focal length in the box, " + mm +
           " (perhaps from the picture before), is still applied to this picture; clear the box to leave the picture "
           "as it is.";
}

}  // namespace fovella
