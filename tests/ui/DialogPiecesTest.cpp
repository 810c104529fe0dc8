#include "batch/dialogs/CJpegQualityDlg.h"
#include "tests/ui/QtPrinters.h"
#include "tests/ui/ScriptedPlatformServices.h"
#include "framework/Artwork.h"
#include "ui/CCorrectorApp.h"
#include "ui/CCorrectorDlg.h"
#include "framework/DialogTemplate.h"
#include "ui/HelpWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/resource.h>

namespace fovella {
namespace {

TEST(DialogUnits, ConvertEachEdgeRounded)
{
    EXPECT_EQ(DialogUnitsToPixels(0, 0, 677, 385), QRect(0, 0, 1016, 626));
    EXPECT_EQ(DialogUnitsToPixels(263, 0, 0, 92).size(), QSize(0, 150));
    // 409 * 1.5 = 613.5 and 431 * 1.5 = 646.5 both round up: width 33, not 22 * 1.5.
    EXPECT_EQ(DialogUnitsToPixels(409, 363, 22, 8), QRect(614, 590, 33, 13));
}

TEST(JpegQualityDialog, StartsAt95AndItsLabelFollowsTheSlider)
{
    test::ScriptedPlatformServices services;
    CJpegQualityDlg dialog(services);
    dialog.Initialise();
    EXPECT_EQ(dialog.windowTitle(), "Choose JPEG quality");
    auto* slider = Control<QSlider>(dialog, kQualitySlider);
    auto* label = Control<QLabel>(dialog, kQualityLabel);
    EXPECT_EQ(slider->value(), 95);
    EXPECT_EQ(label->text(), "95");
    slider->setValue(37);
    EXPECT_EQ(label->text(), "37");
    EXPECT_EQ(dialog.m_nQuality, 37);
    EXPECT_TRUE(Control<QPushButton>(dialog, kIdOk)->isDefault());
}

TEST(JpegQualityDialog, OkKeepsTheQualityCancelEndsRejected)
{
    test::ScriptedPlatformServices services;
    CJpegQualityDlg accepted(services);
    QTimer::singleShot(0, [&] {
        Control<QSlider>(accepted, kQualitySlider)->setValue(80);
        Control<QPushButton>(accepted, kIdOk)->click();
    });
    EXPECT_EQ(accepted.DoModal(), QDialog::Accepted);
    EXPECT_EQ(accepted.m_nQuality, 80);

    CJpegQualityDlg cancelled(services);
    QTimer::singleShot(0, [&] { Control<QPushButton>(cancelled, kIdCancel)->click(); });
    EXPECT_EQ(cancelled.DoModal(), QDialog::Rejected);
}

TEST(HelpWindow, OpensTheBuiltInManualAtItsContentsAndEveryLinkHasItsSection)
{
    HelpWindow help;
    help.ShowContents();
    const QString html = help.Browser().toHtml();
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(help.Browser().toPlainText().contains("Contents"));
    const QRegularExpression link(R"(href="#([a-z]+)\")");
    int links = 0;
    for (auto match = link.globalMatch(html); match.hasNext(); ++links) {
        const QString anchor = match.next().captured(1);
        EXPECT_TRUE(html.contains("name=\"" + anchor + "\"")) << anchor.toStdString();
    }
    EXPECT_GE(links, 6);
}

TEST(Artwork, BitmapsAndIconAreDrawnAtTheirSizes)
{
    const QPixmap logo = LoadBitmapResource(kLogoBitmap, QSize(102, 65));
    EXPECT_EQ(logo.size(), QSize(102, 65));
    EXPECT_TRUE(LoadBitmapResource(999, QSize(10, 10)).isNull());
    const QImage icon = ApplicationIconImage(256);
    EXPECT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);      // rounded corner
    EXPECT_EQ(qAlpha(icon.pixel(128, 128)), 255);  // the lens
    EXPECT_FALSE(ApplicationIcon().availableSizes().isEmpty());
}

}  // namespace
}  // namespace fovella

namespace fovella {
namespace {

TEST(CorrectorApp, RunsItsOneDialogToTheEndWithoutBlockingTheHelpWindow)
{
    test::ScriptedPlatformServices services;
    CCorrectorApp application(services);
    bool shown = false;
    bool blocking = true;
    QTimer::singleShot(0, [&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = dynamic_cast<CCorrectorDlg*>(window); dialog && dialog->isVisible()) {
                shown = true;
                blocking = QApplication::activeModalWidget() != nullptr;
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
    });
    const int niceBefore = ::getpriority(PRIO_PROCESS, 0);
    application.InitInstance();  // returns once its dialog is closed
    EXPECT_TRUE(shown);
    EXPECT_FALSE(blocking);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(dynamic_cast<CCorrectorDlg*>(window) && window->isVisible());
    // A step below normal, so that long corrections leave the desktop responsive.
    EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), std::min(niceBefore + 1, 19));
}

}  // namespace
}  // namespace fovella
