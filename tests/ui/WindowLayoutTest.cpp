// The main window's controls as the window grows and shrinks, on real
// widgets.
#include "tests/ui/CorrectorDlgFixture.h"

#include "ui/CImageView.h"
#include "session/Zoom.h"

#include <map>

#include "tests/ui/QtPrinters.h"

namespace fovella {
namespace {

using WindowLayoutTest = CorrectorDlgTest;

std::map<int, QRect> Geometries(const QWidget& dialog)
{
    std::map<int, QRect> rects;
    for (const LayoutRule& rule : WindowLayoutRules())
        rects[rule.id] = FindControl(dialog, rule.id)->geometry();
    return rects;
}

TEST_F(WindowLayoutTest, ControlsFollowTheGrowthByWholesAndHalves)
{
    const std::map<int, QRect> start = Geometries(dialog);
    dialog.resize(1016 + 200, 626 + 101);
    QApplication::processEvents();
    const std::map<int, QRect> grown = Geometries(dialog);
    // The image area takes all the growth; the view follows its frame.
    EXPECT_EQ(grown.at(kImageFrame), start.at(kImageFrame).adjusted(0, 0, 200, 101));
    EXPECT_EQ(grown.at(kImageGroup), start.at(kImageGroup).adjusted(0, 0, 200, 101));
    EXPECT_EQ(dialog.View().geometry(), grown.at(kImageFrame));
    EXPECT_EQ(grown.at(kPanelFrame), start.at(kPanelFrame).adjusted(0, 0, 0, 101));
    // The left panel by half the height, truncated: 50 of 101.
    for (int id : {kOpen, kFocalEdit, kFineTune, kUndistortDir, kPreviewFrame})
        EXPECT_EQ(grown.at(id), start.at(id).translated(0, 50)) << id;
    EXPECT_EQ(dialog.Preview().geometry(), grown.at(kPreviewFrame));
    for (int id : {kHelp, kExit, kShowOriginal, kGrid})
        EXPECT_EQ(grown.at(id), start.at(id).translated(0, 101)) << id;
    for (int id : {kZoomIn, kZoomOut, kZoomLabel, kFit})
        EXPECT_EQ(grown.at(id), start.at(id).translated(100, 101)) << id;
    for (int id : {kLogo, kMakerName, kWebLink})
        EXPECT_EQ(grown.at(id), start.at(id)) << id;

    // Back to the start size, every control is where it was.
    dialog.resize(1016, 626);
    QApplication::processEvents();
    EXPECT_EQ(Geometries(dialog), start);
}

TEST_F(WindowLayoutTest, TheMinimumSizeKeepsPlusBesideGridAndTheBottomRowBelowThePreview)
{
    EXPECT_EQ(dialog.minimumSize(), QSize(674, 618));
    dialog.resize(200, 200);
    QApplication::processEvents();
    EXPECT_EQ(dialog.size(), QSize(674, 618));
    const std::map<int, QRect> smallest = Geometries(dialog);
    EXPECT_EQ(smallest.at(kZoomIn).left(), smallest.at(kGrid).right() + 1);
    EXPECT_EQ(smallest.at(kGrid).top(), smallest.at(kShowOriginal).top() + 3);
    // 8 pixels less height: the bottom row up by 8, the preview by 4.
    EXPECT_EQ(smallest.at(kExit).top(), 585 - 8);
    EXPECT_EQ(smallest.at(kPreviewFrame).top() + smallest.at(kPreviewFrame).height(), 580 - 4);
}

TEST_F(WindowLayoutTest, EnlargingAZoomedImageOffersFit)
{
    test::WriteGradientFile(photos.File("a.png"), 900, 700);
    Open(photos.File("a.png"));
    Click(kZoomOut);
    Click(kFit);
    EXPECT_FALSE(Get(kFit)->isEnabled());
    Click(kZoomIn);
    dialog.resize(1300, 900);
    QApplication::processEvents();
    EXPECT_TRUE(Get(kFit)->isEnabled());
    Click(kFit);
    EXPECT_FALSE(Get(kFit)->isEnabled());
    const QRect full = dialog.View().GetFullClientRect();
    EXPECT_EQ(Text(kZoomLabel), QString::number(int(FitRatio(full.width(), full.height(), 900, 700) * 100)) + "%");
}

}  // namespace
}  // namespace fovella
