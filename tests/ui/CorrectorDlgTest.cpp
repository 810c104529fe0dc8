#include "tests/ui/CorrectorDlgFixture.h"

#include "codecs/ImageFile.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/ScriptedPlatformServices.h"
#include "batch/dialogs/CJpegQualityDlg.h"
#include "ui/CAboutDlg.h"
#include "ui/CImageView.h"
#include "framework/CLinkStatic.h"
#include "session/Zoom.h"
#include "lens/LensModel.h"
#include "lens/PixelScale.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>

#include "tests/ui/QtPrinters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace fovella {
namespace {

TEST_F(CorrectorDlgTest, StartsWithOnlyOpenHelpExitAndTheLinkEnabled)
{
    EXPECT_EQ(dialog.windowTitle(), "Fovella");
    EXPECT_EQ(dialog.size(), QSize(1016, 626));
    std::vector<int> enabled;
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool input = dynamic_cast<QAbstractButton*>(child) || dynamic_cast<QLineEdit*>(child) ||
                           dynamic_cast<QSlider*>(child);
        if (input && child->isEnabled())
            enabled.push_back(child->objectName().toInt());
    }
    std::sort(enabled.begin(), enabled.end());
    EXPECT_EQ(enabled, (std::vector<int>{kOpen, kExit, kHelp}));
    EXPECT_TRUE(Get(kWebLink)->isEnabled());
    EXPECT_EQ(Text(kZoomLabel), "");
    EXPECT_EQ(Text(kFineTuneLabel), "1.00");
    EXPECT_EQ(Get<QSlider>(kFineTune)->value(), 50);
    EXPECT_EQ(Get<CLinkStatic>(kWebLink)->LinkAddress(), "https://www.brennick.example/");
}

TEST_F(CorrectorDlgTest, ControlsSitAtTheirTemplatePositionsWithTheirTexts)
{
    // Dialog units to pixels, each edge rounded: x * 1.5 across, y * 1.625 down.
    EXPECT_EQ(Get(kImageFrame)->geometry(), QRect(263, 26, 732, 551));
    EXPECT_EQ(Get(kOpen)->geometry(), QRect(38, 138, 75, 23));
    // A text that does not fit its box widens it to the right, never moves it.
    EXPECT_EQ(Get(kUseExif)->geometry().topLeft(), QPoint(110, 232));
    EXPECT_GE(Get(kUseExif)->width(), 91);
    EXPECT_EQ(Get(kFineTune)->geometry(), QRect(44, 302, 168, 25));
    EXPECT_EQ(Get(kZoomLabel)->geometry(), QRect(614, 590, 33, 13));
    // The views lie over their frames.
    EXPECT_EQ(dialog.View().geometry(), Get(kImageFrame)->geometry());
    EXPECT_EQ(dialog.Preview().geometry(), Get(kPreviewFrame)->geometry());

    EXPECT_EQ(Get<QAbstractButton>(kOpen)->text(), "&Open");
    EXPECT_EQ(Get<QAbstractButton>(kUseExif)->text(), "Use &EXIF value");
    EXPECT_EQ(Get<QAbstractButton>(kUndistortDir)->text(), "Undistort &Dir");
    EXPECT_EQ(Get<QAbstractButton>(kExit)->text(), "E&xit");
    EXPECT_EQ(Text(kMakerName), "Brennick.");
    EXPECT_EQ(Text(kPreviewLabel), "Preview:");
    EXPECT_TRUE(Get<QAbstractButton>(kShowOriginal)->isCheckable());
    EXPECT_NE(Get<QCheckBox>(kUseExif), nullptr);
    for (int id : {kOpen, kSave, kHelp, kExit, kFit})
        EXPECT_FALSE(Get<QPushButton>(id)->isDefault()) << id;
}

TEST_F(CorrectorDlgTest, FineTuneLabelFollowsTheSlider)
{
    const std::pair<int, const char*> positions[] = {{0, "0.20"}, {49, "0.98"}, {50, "1.00"}, {51, "1.08"},
                                                      {100, "5.00"}};
    OpenCorrected("a.jpg");
    auto* slider = Get<QSlider>(kFineTune);
    for (const auto& [position, label] : positions) {
        slider->setValue(position == 50 ? 51 : 50);
        slider->setValue(position);
        EXPECT_EQ(Text(kFineTuneLabel), label) << position;
    }
    slider->setValue(100);
    EXPECT_DOUBLE_EQ(dialog.GetFineTuneFactor(), 5.0);
    Get<QPushButton>(kReset)->click();
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(Text(kFineTuneLabel), "1.00");
    EXPECT_DOUBLE_EQ(dialog.GetFineTuneFactor(), 1.0);
}

TEST_F(CorrectorDlgTest, ScaleComesFromTheSliderAndTheImageSize)
{
    DibImage image;
    ASSERT_TRUE(image.Create(2048, 1536, Bgr, SampleU8, TopDown));
    for (const auto& [position, scale] : {std::pair{0, 504.83}, std::pair{50, 2524.16}, std::pair{100, 12620.80}}) {
        Get<QSlider>(kFineTune)->setValue(position);
        EXPECT_NEAR(dialog.FocalToPixelScale(5.8f, image), scale, 0.01) << position;
    }
}

TEST_F(CorrectorDlgTest, ExitWithAnUnsavedResultAsksAndCancelStays)
{
    OpenCorrected("a.jpg");
    services.messageAnswers = {MessageAnswer::Cancel};
    PressExit();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Undistorted image has not been saved. Would you like to save it?");
    EXPECT_EQ(services.messages[0].caption, "Save");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_TRUE(dialog.isVisible());

    services.messageAnswers = {MessageAnswer::Yes};  // then the save chooser is cancelled
    PressExit();
    EXPECT_EQ(services.saveRequests.size(), 1u);
    EXPECT_TRUE(dialog.isVisible());

    services.messageAnswers = {MessageAnswer::No};
    PressExit();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(CorrectorDlgTest, ExitAnsweredYesSavesThenEnds)
{
    test::ScratchDir scratch;
    OpenCorrected("a.jpg");
    services.messageAnswers = {MessageAnswer::Yes};
    services.fileAnswers = {scratch.File("a.bmp")};
    PressExit();
    ASSERT_EQ(services.saveRequests.size(), 1u);
    EXPECT_EQ(services.saveRequests[0].filter, "JPEG (*.jpg; *.jpeg)|*.jpg; *.jpeg|BMP (*.bmp)|*.bmp|PNG (*.png)|*.png||");
    EXPECT_EQ(services.saveRequests[0].defaultExtension, "jpg");
    EXPECT_EQ(services.saveRequests[0].initialName, "a");
    EXPECT_TRUE(services.saveRequests[0].confirmOverwrite);
    EXPECT_EQ(services.saveRequests[0].initialFolder, photos.Path());
    EXPECT_FALSE(dialog.isVisible());

    DibImage saved;
    ImageFile file;
    ASSERT_TRUE(file.Load(scratch.File("a.bmp"), saved, Unknown, 0)) << file.Error();
    EXPECT_EQ(saved.Width(), 64);
    EXPECT_EQ(saved.GetPixelType(), Rgb);
}

TEST_F(CorrectorDlgTest, SaveErrorsAreReportedWriteNothingAndExitStillAsks)
{
    test::ScratchDir scratch;
    OpenCorrected("a.png");
    const std::pair<std::string, const char*> cases[] = {{"out.gif", "Wrong file extension!"},
                                                         {"missing/out.png", "Saving file failed!"}};
    for (const auto& [name, text] : cases) {
        services.messages.clear();
        services.fileAnswers = {scratch.File(name)};
        Get<QPushButton>(kSave)->click();
        ASSERT_EQ(services.messages.size(), 1u) << name;
        EXPECT_EQ(services.messages[0].text, text);
        EXPECT_EQ(services.messages[0].caption, "Saving error");
        EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
        EXPECT_TRUE(scratch.Entries().empty());
        services.messageAnswers = {MessageAnswer::Cancel};
        PressExit();
        EXPECT_EQ(services.messages.size(), 2u);  // still unsaved: Exit asks
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_EQ(services.saveRequests[0].defaultExtension, "png");
}

// Exit with nothing unsaved, Esc and the close box end at once; the last
// two even with an unsaved result.
TEST_F(CorrectorDlgTest, TheWaysOutThatAskNothing)
{
    const struct {
        const char* way;
        bool corrected;
        std::function<void()> leave;
        QDialog::DialogCode result;
    } ways[] = {
        {"Exit, nothing unsaved", false, [this] { PressExit(); }, QDialog::Accepted},
        {"Esc", true, [this] { QTest::keyClick(&dialog, Qt::Key_Escape); }, QDialog::Rejected},
        {"the close box", true, [this] { dialog.close(); }, QDialog::Rejected},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        dialog.setResult(-1);
        dialog.show();
        if (way.corrected && !dialog.Session().IsCorrected())
            OpenCorrected("a.jpg");
        way.leave();
        EXPECT_TRUE(services.messages.empty());
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), way.result);
    }
}

// Enter in the focal length box does nothing, and typing stops when the box
// is full.
TEST_F(CorrectorDlgTest, TheFocalLengthBoxTakesNoEnterAndStopsWhenFull)
{
    OpenCorrected("a.jpg");
    auto* edit = Get<QLineEdit>(kFocalEdit);
    ASSERT_TRUE(edit->isEnabled());
    edit->clear();
    edit->setFocus();
    QTest::keyClicks(edit, "5.8");
    EXPECT_EQ(edit->text(), "5.8");
    QTest::keyClicks(edit, "00000000000000000000");
    const QString full = edit->text();
    EXPECT_LT(full.size(), 23);
    EXPECT_GE(full.size(), 6);
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(full), edit->width());
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(services.saveRequests.empty());

    // Help opens the manual; on a push button Enter presses it; on the
    // push-like toggle it does nothing.
    Click(kHelp);
    EXPECT_EQ(services.helpShown, 1);
    Get<QPushButton>(kHelp)->setFocus();
    QTest::keyClick(Get<QPushButton>(kHelp), Qt::Key_Return);
    EXPECT_EQ(services.helpShown, 2);
    auto* showOriginal = Get<QPushButton>(kShowOriginal);
    showOriginal->setFocus();
    QTest::keyClick(showOriginal, Qt::Key_Return);
    EXPECT_FALSE(showOriginal->isChecked());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(CorrectorDlgTest, CorrectedStateEnablesSaveAndShowOriginal)
{
    OpenCorrected("a.jpg");
    for (int id : {kSave, kShowOriginal, kFineTune, kReset, kUndistort, kUndistortDir, kFocalEdit})
        EXPECT_TRUE(Get(id)->isEnabled()) << id;
    // 64 x 48 fitted into the view is far above 500 %: the last step is nearest.
    EXPECT_EQ(CorrectorDlgProbe::ZoomIndex(dialog), kLastZoomStep);
    EXPECT_FALSE(Get(kZoomIn)->isEnabled());
    EXPECT_TRUE(Get(kZoomOut)->isEnabled());
    for (int id : {kPrevious, kNext, kUseExif})  // set by opening and browsing only
        EXPECT_FALSE(Get(id)->isEnabled()) << id;
}

TEST_F(CorrectorDlgTest, AboutIsTheLastMenuEntryAfterASeparatorAndShowsTheVersion)
{
    const QList<QAction*> actions = dialog.SystemMenu().actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions.last()->text(), "&About Fovella...");
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    emit dialog.SystemMenu().aboutToShow();
    EXPECT_FALSE(actions[0]->isEnabled());  // "&Restore" of a window of normal size
    EXPECT_EQ(actions[0]->text(), "&Restore");

    QStringList texts;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(dynamic_cast<CAboutDlg*>(modal), nullptr);
        EXPECT_EQ(modal->windowTitle(), "About Fovella");
        for (QLabel* label : modal->findChildren<QLabel*>())
            texts << label->text();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    actions.last()->trigger();
    EXPECT_TRUE(texts.contains("Fovella Version 1.05"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(CorrectorDlgTest, PreviewIsTheFittedCopyCorrectedOnlyForAPositiveFocalLength)
{
    const DibImage source = OpenCorrected("a.jpg");
    const QRect full = dialog.Preview().GetFullClientRect();
    DibImage reduced;
    source.ScaleBy(FitRatio(full.width(), full.height(), source.Width(), source.Height()), reduced);
    ASSERT_GT(reduced.Width(), source.Width());

    Get<QLineEdit>(kFocalEdit)->setText("abc");  // typing refreshes the preview
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), reduced));

    Get<QLineEdit>(kFocalEdit)->setText("12abc");  // read as 12
    DibImage expected;
    ASSERT_TRUE(LensModel().Undistort(reduced, expected, PixelScale(12.f, reduced.Width(), reduced.Height(), 1.0),
                                      nullptr, nullptr));
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), expected));
    EXPECT_FALSE(SamePixels(expected, reduced));

    Get<QSlider>(kFineTune)->setValue(100);  // the slider refreshes it too
    ASSERT_TRUE(LensModel().Undistort(reduced, expected, PixelScale(12.f, reduced.Width(), reduced.Height(), 5.0),
                                      nullptr, nullptr));
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), expected));
}

// Answers the JPEG quality question that a save is about to ask.
void AnswerQuality(bool ok)
{
    QTimer::singleShot(0, [ok] {
        auto* quality = dynamic_cast<CJpegQualityDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(quality, nullptr);
        Control<QSlider>(*quality, kQualitySlider)->setValue(70);
        Control<QPushButton>(*quality, ok ? kIdOk : kIdCancel)->click();
    });
}

TEST_F(CorrectorDlgTest, SavingAsJpegAsksTheQualityAndCarriesTheExifBlock)
{
    test::ScratchDir scratch;
    const std::vector<std::uint8_t> exif = test::ExifWithFocal(18, 1);
    test::WriteGradientFile(photos.File("a.jpg"), 64, 48, exif);
    Open(photos.File("a.jpg"));
    Click(kUndistort);

    services.fileAnswers = {scratch.File("cancelled.jpg")};
    AnswerQuality(false);
    Get<QPushButton>(kSave)->click();
    EXPECT_TRUE(scratch.Entries().empty());
    services.messageAnswers = {MessageAnswer::Cancel};
    PressExit();
    EXPECT_TRUE(dialog.isVisible());  // still unsaved

    services.fileAnswers = {scratch.File("b.JPG")};
    AnswerQuality(true);
    Get<QPushButton>(kSave)->click();
    DibImage saved;
    ImageFile file;
    ASSERT_TRUE(file.Load(scratch.File("b.JPG"), saved, Unknown, KeepExif)) << file.Error();
    std::vector<std::uint8_t> kept;
    file.GetExifBlock(kept);
    EXPECT_EQ(kept, exif);
    services.messages.clear();
    PressExit();
    EXPECT_TRUE(services.messages.empty());  // saved: nothing to ask
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(CorrectorDlgTest, PushingMembersRunsNoCommandAndLosesNoMember)
{
    OpenCorrected("a.jpg");
    Get<QLineEdit>(kFocalEdit)->setText("5");  // typed: the preview follows
    const DibImage typed = dialog.Preview().Picture();
    CorrectorDlgProbe::PushFocalAndShowOriginal(dialog, "9", true);
    EXPECT_EQ(Get<QLineEdit>(kFocalEdit)->text(), "9");
    EXPECT_TRUE(Get<QPushButton>(kShowOriginal)->isChecked());
    EXPECT_TRUE(SamePixels(dialog.Preview().Picture(), typed));  // no refresh from a push
}


// Every control's enabled flag after each command, all of them at once: a
// command that forgot to refresh one, or a flag derived from the wrong
// state, leaves a control out of step.
TEST_F(CorrectorDlgTest, EachCommandLeavesExactlyTheControlsItsStateAllowsDisabled)
{
    test::WriteGradientFile(photos.File("a.jpg"), 640, 480, test::ExifWithFocal(18, 1));
    test::WriteGradientFile(photos.File("b.png"), 64, 48);
    const auto disabled = [this] {
        std::vector<int> ids;
        for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (const int id = child->objectName().toInt(); id != 0 && !child->isEnabled())
                ids.push_back(id);
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    const auto sorted = [](std::vector<int> ids) {
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    const struct {
        const char* command;
        std::function<void()> run;
        std::vector<int> disabled;
    } steps[] = {
        {"start", [] {},
         {kPrevious, kNext, kSave, kFocalGroup, kFocalEdit, kUseExif, kFineTuneGroup, kFineTuneLabel, kFineTune,
          kReset, kUndistort, kUndistortDir, kPreviewLabel, kShowOriginal, kZoomIn, kZoomOut, kZoomLabel, kFit,
          kAuto, kGrid}},
        {"open a JPEG with a focal length", [this] { Open(photos.File("a.jpg")); },
         {kPrevious, kSave, kFocalEdit, kShowOriginal, kFit}},
        {"uncheck Use EXIF", [this] { Click(kUseExif); }, {kPrevious, kSave, kShowOriginal, kFit}},
        {"undistort", [this] { Click(kUndistort); }, {kPrevious, kFit}},
        {"zoom out", [this] { Click(kZoomOut); }, {kPrevious}},
        {"fit", [this] { Click(kFit); }, {kPrevious, kFit}},
        {"show original", [this] { Click(kShowOriginal); }, {kPrevious, kFit}},
        {"zoom in to the end",
         [this] {
             while (Get(kZoomIn)->isEnabled())
                 Click(kZoomIn);
         },
         {kPrevious, kZoomIn}},
        {"next, dropping the correction",
         [this] {
             services.messageAnswers = {MessageAnswer::No};
             Click(kNext);
         },
         {kNext, kSave, kUseExif, kShowOriginal, kZoomIn, kFit}},
    };
    for (const auto& step : steps) {
        step.run();
        EXPECT_EQ(disabled(), sorted(step.disabled)) << step.command;
    }
}

}  // namespace
}  // namespace fovella
