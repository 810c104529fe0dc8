// What "Auto" puts into the window's controls for the scale a picture's own
// straight lines gave: the fine-tune slider when the EXIF focal length is
// kept, else the focal length typed; and what it says when they gave none.
#pragma once

#include "lines/LineEstimator.h"
#include "session/CorrectorSession.h"

#include <optional>
#include <string>

namespace fovella {

struct AutoSettings {
    FocalSource source = FocalSource::Typed;  // Exif: the EXIF value kept
    std::string focalText;                    // the typed focal length ("%.3f"), when Typed
    int fineTunePosition = 50;
};

// The settings that give `scale` (m in pixels) for a picture of `width` x
// `height`. With `exifFocal` (the EXIF focal length in use, positive and
// finite) the slider carries the factor between the scales, when a position
// the label shows exactly lies within 1 % of it inside 0.20 to 5.00;
// otherwise, as without EXIF, the focal length that gives the scale at fine
// tune 1.00 is typed.
AutoSettings SettingsForScale(double scale, int width, int height, std::optional<float> exifFocal);

// Why Auto found nothing to set, in a sentence or two for the message's
// explanation, with what the user can do instead; empty for an estimate that
// found a scale or was cancelled. An estimate withheld as too uncertain is
// offered as a place to start, as the focal length that gives it for a
// picture of `width` x `height` at fine tune 1.00.
std::string NothingFoundExplanation(const LineEstimate& estimate, int width, int height);

// What still corrects the picture when Auto set nothing: the focal length in
// use (typed, perhaps for the picture before, or the EXIF value), and how
// to leave the picture as it is; empty when no focal length applies.
std::string FocalStillInUse(float focal, FocalSource source);

// The slider position whose factor is nearest `factor` among those the
// window's label ("%.2f") shows exactly, so that what the window shows is
// what it uses: every position right of the middle but a few whose factor
// misses its two decimals by a rounding, and every fifth left of it.
int ShownFineTunePosition(double factor);

}  // namespace fovella
