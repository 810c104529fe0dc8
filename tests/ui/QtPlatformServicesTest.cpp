#include "ui/QtPlatformServices.h"

#include "tests/support/TestSupport.h"
#include "tests/ui/QtPrinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fovella {
namespace {

// Runs `answer` on the modal window that the next call opens. The flag is
// set once it ran, so that a call that shows nothing fails the test instead
// of leaving the answer's checks unrun.
template <class Window, class Answer>
std::shared_ptr<bool> WhenShown(Answer answer)
{
    auto answered = std::make_shared<bool>(false);
    QTimer::singleShot(0, [answer, answered] {
        auto* window = dynamic_cast<Window*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        *answered = true;
        answer(*window);
    });
    return answered;
}

TEST(QtPlatformServices, MessageBoxShowsTextCaptionIconAndButtons)
{
    QtPlatformServices services;
    const auto question = WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.text(), "Undistorted image has not been saved. Would you like to save it?");
        EXPECT_EQ(box.windowTitle(), "Save");
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(services.ShowMessage("Undistorted image has not been saved. Would you like to save it?", "Save",
                                   MessageIcon::Question, MessageButtons::YesNoCancel),
              MessageAnswer::No);
    EXPECT_TRUE(*question);

    const auto stop = WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(services.ShowMessage("Opening file failed!", "Opening error", MessageIcon::Error, MessageButtons::Ok),
              MessageAnswer::Ok);
    EXPECT_TRUE(*stop);
}

TEST(QtPlatformServices, AMessageCarriesItsDetailsAndGivesBackItsCheckBox)
{
    QtPlatformServices services;
    const auto shown = WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.text(), "Failed to open /p/a.jpg");
        EXPECT_EQ(box.detailedText(), "'/p/a.jpg': not a JPEG file");
        EXPECT_EQ(box.informativeText(), "It was skipped.");
        ASSERT_NE(box.checkBox(), nullptr);
        EXPECT_EQ(box.checkBox()->text(), "Do not show again during this run");
        EXPECT_FALSE(box.checkBox()->isChecked());
        box.checkBox()->click();
        box.button(QMessageBox::Ok)->click();
    });
    MessageExtras extras{"'/p/a.jpg': not a JPEG file", "Do not show again during this run", false,
                         "It was skipped."};
    EXPECT_EQ(services.ShowMessage("Failed to open /p/a.jpg", "Open", MessageIcon::Error, MessageButtons::Ok, &extras),
              MessageAnswer::Ok);
    EXPECT_TRUE(*shown);
    EXPECT_TRUE(extras.checked);

    // Yes and No only, No the default.
    const auto question = WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        EXPECT_EQ(box.checkBox(), nullptr);
        EXPECT_TRUE(box.detailedText().isEmpty());
        EXPECT_TRUE(box.informativeText().isEmpty());
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(services.ShowMessage("Correct it again?", "Undistort", MessageIcon::Question, MessageButtons::YesNo),
              MessageAnswer::Yes);
    EXPECT_TRUE(*question);
}

TEST(QtPlatformServices, OpenChooserShowsTheFiltersAsWrittenAndReturnsTheChosenPath)
{
    test::ScratchDir scratch;
    std::ofstream(scratch.File("photo.jpg")) << "x";
    QtPlatformServices services;
    const FileDialogRequest request{std::string("JPEG Files (*.jpg; *.jpeg)|*.jpg; *.jpeg|") + "BMP Files (*.bmp)|*.bmp|" +
                                        "PNG Files (*.png)|*.png|" +
                                        "Image Files (*.jpg; *.jpeg; *.bmp; *.png)|*.jpg; *.jpeg; *.bmp; *.png||",
                                    "jpg", "", false, ""};
    const QString chosen = QString::fromStdString(scratch.File("photo.jpg"));
    const auto opened = WhenShown<QFileDialog>([chosen](QFileDialog& dialog) {
        ASSERT_EQ(dialog.nameFilters().size(), 4);
        EXPECT_TRUE(dialog.testOption(QFileDialog::HideNameFilterDetails));
        EXPECT_EQ(dialog.nameFilters()[0], "JPEG Files (*.jpg; *.jpeg) (*.jpg *.jpeg)");
        EXPECT_EQ(dialog.selectedNameFilter(), "JPEG Files (*.jpg; *.jpeg)");  // as the user sees it
        EXPECT_EQ(dialog.defaultSuffix(), "jpg");
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
        dialog.selectFile(chosen);
        static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept checks the choice
    });
    std::string path;
    ASSERT_TRUE(services.AskOpenFileName(request, path));
    EXPECT_TRUE(*opened);
    EXPECT_EQ(path, chosen.toStdString());

    const auto cancelled = WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(services.AskOpenFileName(request, path));
    EXPECT_TRUE(*cancelled);
}

// A stem with a dot of its own is offered with the default extension, which
// Qt would not add to it: the name offered saves as it reads.
TEST(QtPlatformServices, SaveChooserStartsAtTheStemInTheFolderAskedAndAsksBeforeReplacing)
{
    test::ScratchDir scratch;
    QtPlatformServices services;
    for (const auto& [stem, offered] : {std::pair<std::string, QString>{"holiday", "holiday"},
                                        {"2024.05.01 wedding", "2024.05.01 wedding.png"}}) {
        const FileDialogRequest request{"JPEG (*.jpg; *.jpeg)|*.jpg; *.jpeg|BMP (*.bmp)|*.bmp|PNG (*.png)|*.png||",
                                        "png", stem, true, scratch.Path()};
        const auto saving = WhenShown<QFileDialog>([&scratch, offered = offered](QFileDialog& dialog) {
            EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(std::filesystem::path(dialog.directory().absolutePath().toStdString()),
                      std::filesystem::path(scratch.Path()));
            EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
            EXPECT_EQ(dialog.defaultSuffix(), "png");
            EXPECT_EQ(dialog.nameFilters().size(), 3);
            auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name->text(), offered);
            static_cast<QDialog&>(dialog).accept();
        });
        std::string path;
        ASSERT_TRUE(services.AskSaveFileName(request, path));
        EXPECT_TRUE(*saving);
        EXPECT_EQ(std::filesystem::path(path), std::filesystem::path(scratch.Path()) / (stem + ".png"));
    }
}

}  // namespace
}  // namespace fovella
