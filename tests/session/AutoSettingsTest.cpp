// "Auto" without a window: the settings a scale from the lines gives, and
// what applying an estimate changes in the session and when it does not.
#include "session/AutoSettings.h"

#include "lens/PixelScale.h"
#include "lines/LineEstimator.h"
#include "session/CorrectorSession.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace fovella {
namespace {

std::string FocalText(double focal)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", focal);
    return text;
}

struct FactorCase {
    double factor;     // of the estimate's scale over the EXIF focal length's
    int position;      // -1: the focal length typed instead
};

class SettingsForFactor : public testing::TestWithParam<FactorCase> {};

TEST_P(SettingsForFactor, KeepExifOnTheSliderOrTypeTheFocalLength)
{
    const FactorCase c = GetParam();
    const int width = 3001, height = 2000;
    const double scale = c.factor * PixelScale(18.f, width, height, 1.0);
    const AutoSettings settings = SettingsForScale(scale, width, height, 18.f);
    if (c.position >= 0) {
        EXPECT_EQ(settings.source, FocalSource::Exif);
        EXPECT_EQ(settings.fineTunePosition, c.position);
        EXPECT_LE(std::abs(FineTuneFactor(c.position) - c.factor), 0.01 * c.factor);
        return;
    }
    EXPECT_EQ(settings.source, FocalSource::Typed);
    EXPECT_EQ(settings.fineTunePosition, 50);
    EXPECT_EQ(settings.focalText, FocalText(18 * c.factor));
}

// Left of the middle the label shows every fifth position exactly (0.92,
// not 0.984 as "0.98"); 1.64 at 58 is a rounding off its label, 0.20 at 0
// too. The slider keeps the EXIF value only within 1 % of the estimate:
// 0.995 and 4.98 land on 1.00 and 5.00, 0.984 (1.6 % from 1.00), 1.1 (1.8 %
// from 1.08) and 0.3 (7 % from 0.28) type the focal length.
INSTANTIATE_TEST_SUITE_P(Factors, SettingsForFactor,
                         testing::Values(FactorCase{1.0, 50}, FactorCase{0.995, 50}, FactorCase{0.984, -1},
                                         FactorCase{0.6, 25}, FactorCase{1.08, 51}, FactorCase{1.1, -1},
                                         FactorCase{4.98, 100}, FactorCase{0.3, -1}, FactorCase{1.64, -1},
                                         FactorCase{0.2, -1}, FactorCase{5.1, -1}, FactorCase{0.1, -1}));

// Why nothing was set, by verdict and doubt; a scale found or a cancel says nothing.
TEST(NothingFoundExplanation, SaysWhyAndWhatToDoInstead)
{
    using Verdict = LineEstimate::Verdict;
    using Doubt = LineEstimate::Doubt;
    const std::string instead = " Enter the focal length yourself, and fine-tune it by eye with the grid.";
    const struct {
        Verdict verdict;
        Doubt doubt;
        int chainsMeasured;
        double relativeError;
        double strength;
        std::string explanation;
    } cases[] = {
        {Verdict::Found, Doubt::TooFewChains, 40, 0.01, 0.5, ""},
        {Verdict::Cancelled, Doubt::TooFewChains, 0, 0, 0, ""},
        {Verdict::NoStraightLines, Doubt::TooFewChains, 0, 0, 0, "No long straight edge was found." + instead},
        {Verdict::NoStraightLines, Doubt::TooFewChains, 1, 0, 0,
         "Only 1 long edge was found: too few to tell the lens's bend from the scene's." + instead},
        {Verdict::NoStraightLines, Doubt::Disagreeing, 12, 0, -0.6,
         "12 long edges were found, but they agree on no bend a lens gives: they are curves, or edges not straight "
         "in the scene." + instead},
        {Verdict::NoStraightLines, Doubt::BentBeyond, 0, 0, 0,
         "Most long edges are bent further than Auto measures: curves of the scene, or lines seen through a fisheye "
         "or a very wide lens." + instead},
        {Verdict::NoStraightLines, Doubt::Uncertain, 46, 0.0631, 0,
         "46 long edges were found, but together they fix the correction only to \u00b16.3 %; Auto sets it only to "
         "\u00b15 % or better." + instead},
        // The estimate withheld is offered as the focal length that gives it.
        {Verdict::NoStraightLines, Doubt::Uncertain, 46, 0.0831, 400 / PixelScale(7.25f, 640, 480, 1.0),
         "46 long edges were found, but together they fix the correction only to \u00b18.3 %; Auto sets it only to "
         "\u00b15 % or better. Their best guess, 7.250 mm at fine tune 1.00, may be off by a tenth: enter it, or the "
         "focal length you know, and fine-tune it by eye with the grid."},
    };
    for (const auto& c : cases) {
        LineEstimate estimate;
        estimate.verdict = c.verdict;
        estimate.doubt = c.doubt;
        estimate.chainsMeasured = c.chainsMeasured;
        estimate.relativeError = c.relativeError;
        estimate.strength = c.strength;
        EXPECT_EQ(NothingFoundExplanation(estimate, 640, 480), c.explanation);
    }
    LineEstimate straight;
    straight.verdict = Verdict::NoBarrelDistortion;
    straight.strength = 0.3;
    straight.chains.resize(41);
    EXPECT_EQ(NothingFoundExplanation(straight, 640, 480),
              "The 41 straight edges used bend no more than a photograph's own edges may: too little to correct with "
              "confidence. If its lines still look bent, enter the focal length yourself, and fine-tune it by eye "
              "with the grid.");
}

TEST(FocalStillInUse, NamesTheFocalLengthAndHowToLeaveThePictureAsItIs)
{
    EXPECT_EQ(FocalStillInUse(4.7f, FocalSource::Exif),
              "The EXIF focal length, 4.700 mm, is still applied to this picture; uncheck \"Use EXIF value\" to leave "
              "it as it is.");
    EXPECT_EQ(FocalStillInUse(2.937f, FocalSource::Typed),
              "The focal length in the box, 2.937 mm (perhaps from the picture before), is still applied to this "
              "picture; clear the box to leave the picture as it is.");
    for (const float none : {0.f, -1.f, NAN})
        EXPECT_EQ(FocalStillInUse(none, FocalSource::Typed), "");
}

TEST(SettingsForScale, WithoutExifTypeTheFocalLengthAtFineTuneOne)
{
    for (const auto exif : {std::optional<float>(), std::optional<float>(0.f), std::optional<float>(-4.f),
                            std::optional<float>(INFINITY)}) {
        const AutoSettings settings = SettingsForScale(PixelScale(7.25f, 640, 480, 1.0), 640, 480, exif);
        EXPECT_EQ(settings.source, FocalSource::Typed);
        EXPECT_EQ(settings.focalText, "7.250");
        EXPECT_EQ(settings.fineTunePosition, 50);
    }
}

TEST(ShownFineTunePosition, EveryPositionItChoosesIsWhatItsLabelReads)
{
    for (int position = 0; position <= 100; ++position) {
        const int shown = ShownFineTunePosition(FineTuneFactor(position));
        char label[16];
        std::snprintf(label, sizeof label, "%.2f", FineTuneFactor(shown));
        EXPECT_EQ(std::strtod(label, nullptr), FineTuneFactor(shown)) << position;
        // A position passed over is one its own label misreads.
        if (shown != position) {
            std::snprintf(label, sizeof label, "%.2f", FineTuneFactor(position));
            EXPECT_NE(std::strtod(label, nullptr), FineTuneFactor(position)) << position;
        }
    }
    EXPECT_EQ(ShownFineTunePosition(0.5), 20);
    EXPECT_EQ(ShownFineTunePosition(3.0), 75);
}

class SessionAutoTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::WriteGradientFile(photos.File("a.jpg"), 120, 90, test::ExifWithFocal(18, 1));
        test::WriteGradientFile(photos.File("b.png"), 120, 90);
        ASSERT_TRUE(session.Open(photos.File("a.jpg")));
    }
    // A Found estimate of `factor` times the scale of 18 mm, with one chain
    // from the centre to the right and one across the top.
    LineEstimate Found(double factor) const
    {
        LineEstimate estimate;
        estimate.verdict = LineEstimate::Verdict::Found;
        estimate.scale = factor * PixelScale(18.f, 120, 90, 1.0);
        estimate.chains = {{{59.5, 44.5}, {89.5, 44.5}}, {{-5, 44.5}, {20, 44.5}, {40, 44.5}, {125, 44.5}}};
        return estimate;
    }

    test::ScratchDir photos;
    CorrectorSession session;
};

TEST_F(SessionAutoTest, FoundSetsTheSliderAndKeepsTheLinesUntilTheNextChange)
{
    const AutoSource source = session.StartAuto();
    ASSERT_EQ(source.picture, session.Source());
    EXPECT_EQ(source.file, photos.File("a.jpg"));  // read as the command line reads it
    EXPECT_TRUE(session.AutoRunning());
    EXPECT_EQ(session.StartAuto().picture, nullptr);  // one at a time
    ASSERT_TRUE(session.FinishAuto(Found(1.08)));
    EXPECT_FALSE(session.AutoRunning());
    EXPECT_EQ(session.GetFocalSource(), FocalSource::Exif);
    EXPECT_EQ(session.FocalText(), "18.000");
    EXPECT_EQ(session.FineTunePosition(), 51);

    // Over the picture as it is: pixel centres moved to continuous pixels.
    std::vector<std::vector<PointF>> lines = session.AutoLinesOver(120, 90, 0);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].size(), 2u);
    EXPECT_EQ(lines[0][1].x, 90.0);
    EXPECT_EQ(lines[0][1].y, 45.0);
    // Points outside the picture cut a chain; what is left of it is drawn.
    ASSERT_EQ(lines[1].size(), 2u);
    EXPECT_EQ(lines[1][0].x, 20.5);
    EXPECT_EQ(lines[1][1].x, 40.5);
    // Over a preview of half the size corrected with its scale: the centre
    // stays, the point on the right goes out to m sinh(r / m) from it.
    const double scale = PixelScale(18.f, 60, 45, FineTuneFactor(51));
    lines = session.AutoLinesOver(60, 45, scale);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][0].x, 30.0);
    EXPECT_EQ(lines[0][0].y, 22.5);
    EXPECT_NEAR(lines[0][1].x, 30 + scale * std::sinh(15 / scale), 1e-9);
    EXPECT_EQ(lines[0][1].y, 22.5);

    // The same values again change nothing; another value ends the lines.
    session.SetFineTunePosition(51);
    session.SetFocalText("18.000");
    EXPECT_FALSE(session.AutoLinesOver(120, 90, 0).empty());
    session.SetFineTunePosition(52);
    EXPECT_TRUE(session.AutoLinesOver(120, 90, 0).empty());

    // A file changed since it was read: the picture in memory is estimated.
    test::WriteGradientFile(photos.File("a.jpg"), 60, 45);
    EXPECT_TRUE(session.StartAuto().file.empty());
    session.FinishAuto(Found(1.08));

    // Undistort and open end them too.
    session.StartAuto();
    ASSERT_TRUE(session.FinishAuto(Found(1.08)));
    ASSERT_TRUE(session.Undistort());
    EXPECT_TRUE(session.AutoLinesOver(120, 90, 0).empty());
    session.StartAuto();
    ASSERT_TRUE(session.FinishAuto(Found(1.08)));
    ASSERT_TRUE(session.Open(photos.File("a.jpg")));
    EXPECT_TRUE(session.AutoLinesOver(120, 90, 0).empty());
}

TEST_F(SessionAutoTest, TypedFocalOrNoExifTypesTheFocalLengthAndResetsTheSlider)
{
    session.SetFineTunePosition(70);
    session.SetFocalSource(FocalSource::Typed);  // the EXIF value is not in use
    session.StartAuto();
    ASSERT_TRUE(session.FinishAuto(Found(0.6)));
    EXPECT_EQ(session.GetFocalSource(), FocalSource::Typed);
    EXPECT_EQ(session.FocalText(), FocalText(FocalForScale(Found(0.6).scale, 120, 90, 1.0)));
    EXPECT_EQ(session.FineTunePosition(), 50);
    EXPECT_NEAR(session.ScaleFor(120, 90), Found(0.6).scale, 1e-3 * Found(0.6).scale);

    ASSERT_TRUE(session.Open(photos.File("b.png")));
    session.StartAuto();
    ASSERT_TRUE(session.FinishAuto(Found(2)));
    EXPECT_EQ(session.FocalText(), "36.000");
}

TEST_F(SessionAutoTest, NoAnswerCancelOrAChangeWhileItRunsChangeNothing)
{
    using V = LineEstimate::Verdict;
    const std::function<void()> nothing = [] {};
    const std::function<void()> openAnother = [&] { ASSERT_TRUE(session.Open(photos.File("b.png"))); };
    const std::function<void()> typeFocal = [&] {
        session.SetFocalSource(FocalSource::Typed);
        session.SetFocalText("8");
    };
    const std::function<void()> slide = [&] { session.SetFineTunePosition(40); };
    const struct {
        V verdict;
        const std::function<void()>& whileItRuns;
        SessionOutcome::Code code;
    } cases[] = {
        {V::NoStraightLines, nothing, SessionOutcome::NoStraightLines},
        {V::Unreadable, nothing, SessionOutcome::NoStraightLines},
        {V::NoBarrelDistortion, nothing, SessionOutcome::NoBarrelDistortion},
        {V::Cancelled, nothing, SessionOutcome::Unchanged},
        {V::Found, openAnother, SessionOutcome::Unchanged},
        {V::Found, typeFocal, SessionOutcome::Unchanged},  // what the user typed is kept
        {V::Found, slide, SessionOutcome::Unchanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ASSERT_TRUE(session.Open(photos.File("a.jpg")));
        session.SetFineTunePosition(30);
        ASSERT_NE(session.StartAuto().picture, nullptr);
        c.whileItRuns();
        const FocalSource source = session.GetFocalSource();
        const std::string text = session.FocalText();
        const int position = session.FineTunePosition();
        LineEstimate estimate = Found(1.08);
        estimate.verdict = c.verdict;
        EXPECT_EQ(session.FinishAuto(estimate).code, c.code);
        EXPECT_FALSE(session.AutoRunning());
        EXPECT_EQ(session.GetFocalSource(), source);
        EXPECT_EQ(session.FocalText(), text);
        EXPECT_EQ(session.FineTunePosition(), position);
        EXPECT_TRUE(session.AutoLinesOver(120, 90, 0).empty());
    }
}

}  // namespace
}  // namespace fovella
