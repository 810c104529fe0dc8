// The correction found from a photograph's own straight lines.
//
// Three numbers say how strong a correction is: the remap's scale m, in
// full-resolution pixels, which is the answer; the strength x = R / m (R
// the half diagonal), which needs no picture size; and the bend b = x |x|,
// which the search and the votes use, as a line's sag grows with x
// squared. A negative bend is the opposite (pincushion) one.
//
// The stages, in the order EstimateLines takes them:
//   1. Candidate chains: a reduced grey copy of the picture
//      (LineReductionEighths); its edges placed to a fraction of a pixel,
//      linked and cut where they turn (EdgeChains); pieces of one edge
//      joined across small gaps (ChainJoining); those along the frame left
//      out.
//   2. A first vote: each chain long enough and not radial is corrected
//      with every bend of a grid and its own best bend found, where it is
//      straightest (ChainStraightness); the bend most chains agree with wins.
//   3. The long chains gathered loosely into lines under that bend
//      (LineGathering), and their vote.
//   4. The bend under which short segments of every chain best converge
//      on a few vanishing points (VanishingPoints): a second measure, misled
//      by other things than the sags are.
//   5. Every chain gathered tightly under the bend of stage 3, and each
//      gathered chain's own bend measured.
//   6. The bend they agree on, refined on the agreeing chains' residuals,
//      and its error from their spread.
//   7. The verdict: the mean of the bends of stages 4 and 6, with half
//      their difference for its error, gives a scale, no barrel distortion,
//      or no answer and why.
// Each threshold says beside it why it has its value; the measurements
// behind them are in docs/lines-tuning.md, under the threshold's name.
//
// The centre of correction is the middle of the picture, as in the remap.
//
// Deterministic: the same picture gives the same answer on any thread and
// any number of threads (one thread does all the work). Thread-safe: calls
// share nothing. Qt-free, so that the window can run it on a worker thread.
#pragma once

#include "image/Image.h"
#include "lines/GreyPlane.h"

#include <atomic>
#include <string>
#include <vector>

namespace fovella {

// Where a line was seen, in the full-resolution picture's pixels: x to the
// right, y down, (0, 0) the centre of the top-left pixel.
struct LinePoint {
    double x, y;
};

struct LineEstimate {
    enum class Verdict {
        Found,               // `scale` straightens the lines
        NoBarrelDistortion,  // the lines are straight already, bent a little the other way, or
                             // the correction would move the corners by less than half a pixel
        NoStraightLines,     // too few lines, lines that disagree, curves bent the other way
                             // further than a lens bends, or lines bent further than looked
                             // for: no answer is safer
        Cancelled,           // the cancel flag was set
        Unreadable,          // the picture (or file) could not be read; see `error`
    };
    Verdict verdict = Verdict::NoStraightLines;
    // Why NoStraightLines: too few chains long enough, chains that agree on
    // no bend (or only on one bent the other way further than a lens bends),
    // an answer left too uncertain by the two measures' difference (or the
    // chains' spread; see `relativeError`), or more chains bent beyond the strongest barrel
    // looked at (R / m = 1.6) than within it.
    enum class Doubt { TooFewChains, Disagreeing, Uncertain, BentBeyond };
    Doubt doubt = Doubt::TooFewChains;
    double scale = 0;          // m in full-resolution pixels, when Found
    double strength = 0;       // R / m; also given for NoBarrelDistortion, and when Disagreeing or Uncertain
    double relativeError = 0;  // error of `scale` over `scale`: half the difference of the bends of stages 4
                               // and 6 (the chains' spread where no vanishing point was found)
    int chainsMeasured = 0;    // chains long enough, not radial, and straightened by some bend looked at
    // The chains whose sags agreed (Found or NoBarrelDistortion), as seen
    // in the picture, before correction.
    std::vector<std::vector<LinePoint>> chains;
    std::string error;
};

// The least sure scale given: one whose relative error (`relativeError`)
// is larger is withheld (NoStraightLines, Doubt::Uncertain).
extern const double kMaxRelativeError;

// Estimates from a grey plane that is the full-resolution picture of
// `fullWidth` x `fullHeight` pixels reduced by any factor (the same on both
// axes, to within one pixel of rounding). A set `cancel` ends the work at
// the next stage with Cancelled.
LineEstimate EstimateLines(const GreyPlane& plane, int fullWidth, int fullHeight,
                           const std::atomic<bool>* cancel = nullptr);

// The same for a picture at full resolution (8-bit Gray, Rgb, Bgr or
// Rgba, either row order), reduced here to LineReductionEighths of its size.
LineEstimate EstimateLines(const Image& picture, const std::atomic<bool>* cancel = nullptr);

// What a file is looked at as: a JPEG decoded reduced by the DCT (its
// luma only, at LineReductionEighths of its size), any other format read whole
// and reduced. `decoded`, when given, is the file's picture as
// ImageFile::Load reads it (or converted to Bgr or Gray): a file other than
// a JPEG is then not read again, which for a large PNG or TIFF takes far
// longer than the estimate. An empty plane, with the reason in `error`, for
// a file that cannot be read.
struct LinePlane {
    GreyPlane plane;
    int fullWidth = 0, fullHeight = 0;
    std::string error;
};
LinePlane ReadLinePlane(const std::string& path, const Image* decoded = nullptr);

// The same for a file, looked at as ReadLinePlane reads it.
LineEstimate EstimateLinesOfFile(const std::string& path, const std::atomic<bool>* cancel = nullptr,
                                 const Image* decoded = nullptr);

// Where the remap with `scale` puts a point of the full-resolution picture,
// in the same coordinates: for drawing the chains over the corrected
// picture.
LinePoint CorrectedPoint(LinePoint point, double scale, int fullWidth, int fullHeight);

// The focal length (mm) that PixelScale turns into `scale` for this size
// and fine-tune factor.
double FocalForScale(double scale, int width, int height, double fineTune);

}  // namespace fovella
