// The folder run's dialogs, and the run from the window over real files.
#include "tests/ui/CorrectorDlgFixture.h"

#include "apps/fovella-cli/Commands.h"
#include "batch/dialogs/CBatchOptionsDlg.h"
#include "batch/dialogs/CBatchProgressDlg.h"
#include "batch/dialogs/COverwriteDlg.h"
#include "batch/dialogs/DialogBatchFrontEnd.h"
#include "framework/FolderBrowser.h"
#include "fs/PathString.h"
#include "codecs/ImageFile.h"

#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <deque>
#include <filesystem>
#include <functional>
#include <sstream>

#include "tests/ui/QtPrinters.h"

namespace fovella {
namespace {

bool Checked(const QWidget& dialog, int id) { return Control<QAbstractButton>(dialog, id)->isChecked(); }
bool Enabled(const QWidget& dialog, int id) { return FindControl(dialog, id)->isEnabled(); }

// Each event of a folder run as the window words it: text, caption, icon.
struct Worded {
    const char* name;
    std::function<void(BatchFrontEnd&)> report;
    const char* text;
    const char* caption;
    MessageIcon icon;
};

// The window's front end of a run, its messages taken by scripted services.
struct WordingTest {
    test::ScriptedPlatformServices services;
    FolderBrowser browser;
    DialogBatchFrontEnd frontEnd{services, browser, nullptr, "/p/cur.jpg"};
};

class WindowWording : public testing::TestWithParam<Worded>, protected WordingTest {};

TEST_P(WindowWording, EachEventIsTheWindowsMessage)
{
    GetParam().report(frontEnd);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, GetParam().text);
    EXPECT_EQ(services.messages[0].caption, GetParam().caption);
    EXPECT_EQ(services.messages[0].icon, GetParam().icon);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::Ok);
}

INSTANTIATE_TEST_SUITE_P(
    Events, WindowWording,
    testing::Values(
        Worded{"FocalRefused", [](BatchFrontEnd& f) { f.RunRefused(RunRefusal::FocalNotPositive); },
               "Focal length should be positive.", "Undistort", MessageIcon::Warning},
        Worded{"FolderRefused", [](BatchFrontEnd& f) { f.RunRefused(RunRefusal::OutputFolder); },
               "The selected directory does not exist and cannot be created!", "Undistort Directory",
               MessageIcon::Error},
        Worded{"OpenFailed", [](BatchFrontEnd& f) { f.FileFailed({FileStage::Open, "/p/a.jpg", "", "'/p/a.jpg': x"}); },
               "Failed to open /p/a.jpg", "Open", MessageIcon::Error},
        Worded{"ScaleFailed", [](BatchFrontEnd& f) { f.FileFailed({FileStage::Scale, "/p/a.jpg", "", ""}); },
               "Focal length should be positive.\n/p/a.jpg", "Undistort", MessageIcon::Warning},
        Worded{"UndistortFailed",
               [](BatchFrontEnd& f) { f.FileFailed({FileStage::Undistort, "/p/a.jpg", "", "'/p/a.jpg': x"}); },
               "Failed to undistort /p/a.jpg", "Undistort", MessageIcon::Error},
        Worded{"SaveFailed",
               [](BatchFrontEnd& f) { f.FileFailed({FileStage::Save, "/p/a.jpg", "/p/u/a.jpg", "'/p/u/a.jpg': x"}); },
               "Failed to save /p/u/a.jpg", "Save", MessageIcon::Error},
        Worded{"Summary", [](BatchFrontEnd& f) { f.RunCompleted({6, 4, 3}); },
               "Total number of files in folder: 6\nTotal number of image files in folder: 4\n"
               "Total number of processed and saved image files: 3",
               "Undistort Directory", MessageIcon::Information}),
    [](const testing::TestParamInfo<Worded>& info) { return std::string(info.param.name); });

// What the window says nothing of: a skipped file.
TEST(WindowWording, SkipsAreSilent)
{
    WordingTest run;
    auto& [services, browser, frontEnd] = run;
    frontEnd.FileSkipped({SkipReason::NoExifFocal, "/p/a.png", ""});
    frontEnd.FileSkipped({SkipReason::ResultExists, "/p/a.jpg", "/p/u/a.jpg"});
    EXPECT_TRUE(services.messages.empty());
}

TEST(BatchOptionsDlg, SaveModeSwitchesTheFieldsAndBrowseKeepsTheOtherChoices)
{
    test::ScriptedPlatformServices services;
    FolderBrowser browser;
    CBatchOptionsDlg dialog(services, browser);
    dialog.m_strFolder = "/photos/undistorted";
    dialog.m_nFocalUsage = 0;
    dialog.Initialise();
    EXPECT_EQ(dialog.windowTitle(), "Undistort all files in current folder");
    EXPECT_EQ(dialog.size(), QSize(279, 413));
    EXPECT_EQ(Control<QLineEdit>(dialog, kOptionsFolder)->text(), "/photos/undistorted");
    EXPECT_EQ(Control<QLineEdit>(dialog, kOptionsSuffix)->text(), "_u");
    EXPECT_EQ(Control<QSlider>(dialog, kOptionsQuality)->value(), 95);
    EXPECT_TRUE(Checked(dialog, kOptionsExifOnly));
    EXPECT_TRUE(Checked(dialog, kOptionsOtherFolder));
    EXPECT_FALSE(Checked(dialog, kOptionsUseFineTune));
    EXPECT_TRUE(Enabled(dialog, kOptionsFolder) && Enabled(dialog, kOptionsBrowse));
    EXPECT_FALSE(Enabled(dialog, kOptionsSuffix));

    Control<QAbstractButton>(dialog, kOptionsSuffixMode)->click();
    EXPECT_FALSE(Enabled(dialog, kOptionsFolder) || Enabled(dialog, kOptionsBrowse));
    EXPECT_TRUE(Enabled(dialog, kOptionsSuffix));
    EXPECT_FALSE(Checked(dialog, kOptionsOtherFolder));
    Control<QAbstractButton>(dialog, kOptionsOtherFolder)->click();
    EXPECT_TRUE(Enabled(dialog, kOptionsFolder) && Enabled(dialog, kOptionsBrowse));
    EXPECT_FALSE(Enabled(dialog, kOptionsSuffix));

    // The two radio groups are apart: choosing the focal usage keeps the save mode.
    Control<QAbstractButton>(dialog, kOptionsManualOnly)->click();
    EXPECT_TRUE(Checked(dialog, kOptionsOtherFolder));
    services.fileAnswers = {"/elsewhere/out", "", "/third"};
    Control<QAbstractButton>(dialog, kOptionsBrowse)->click();
    EXPECT_EQ(Control<QLineEdit>(dialog, kOptionsFolder)->text(), "/elsewhere/out");
    EXPECT_TRUE(Checked(dialog, kOptionsManualOnly));
    Control<QAbstractButton>(dialog, kOptionsBrowse)->click();  // cancelled: nothing changes
    EXPECT_EQ(Control<QLineEdit>(dialog, kOptionsFolder)->text(), "/elsewhere/out");
    Control<QAbstractButton>(dialog, kOptionsBrowse)->click();
    // Each chooser opens on the last folder picked, whatever the field says.
    ASSERT_EQ(services.browseStarts.size(), 3u);
    EXPECT_EQ(services.browseStarts[1], "/elsewhere/out");
    EXPECT_EQ(services.browseStarts[2], "/elsewhere/out");

    auto* quality = Control<QSlider>(dialog, kOptionsQuality);
    quality->setValue(0);
    EXPECT_EQ(Control<QLabel>(dialog, kOptionsQualityLabel)->text(), "0");
    quality->setValue(100);
    EXPECT_EQ(Control<QLabel>(dialog, kOptionsQualityLabel)->text(), "100");

    Control<QAbstractButton>(dialog, kIdOk)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_strFolder, "/third");
    EXPECT_EQ(dialog.m_nFocalUsage, 1);
    EXPECT_EQ(dialog.m_nSaveMode, 0);
    EXPECT_EQ(dialog.m_nQuality, 100);

    // The next run's options start from the same pick; another browser's
    // from nothing.
    CBatchOptionsDlg next(services, browser);
    next.Initialise();
    services.fileAnswers = {"", ""};
    Control<QAbstractButton>(next, kOptionsBrowse)->click();
    EXPECT_EQ(services.browseStarts.back(), "/third");
    FolderBrowser other;
    CBatchOptionsDlg fresh(services, other);
    fresh.Initialise();
    Control<QAbstractButton>(fresh, kOptionsBrowse)->click();
    EXPECT_EQ(services.browseStarts.back(), "");
}

TEST(BatchProgressDlg, CancelTwiceIsCancelOnceAndTheDialogStays)
{
    test::ScriptedPlatformServices services;
    CBatchProgressDlg dialog(services);
    dialog.Start();
    EXPECT_EQ(dialog.windowTitle(), "Undistorting Directory...");
    // Not modal: Qt would drop the window manager's close request to the
    // window it blocked.
    EXPECT_EQ(dialog.windowModality(), Qt::NonModal);
    EXPECT_EQ(Control<QLabel>(dialog, kBatchImagePercent)->text(), "0 %");
    Control<QAbstractButton>(dialog, kIdCancel)->click();
    Control<QAbstractButton>(dialog, kIdCancel)->click();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.m_bCancelled, 1);
    EXPECT_TRUE(dialog.isVisible());
}

// Answers to a question beside its buttons' ids: Enter, whichever button
// is the default, and the close box.
constexpr int kPressEnter = -1, kCloseBox = -2;

// Each button gives its id and the close box is Cancel; for a result that
// would replace its own source the question says so, and Enter skips it.
TEST(OverwriteDlg, EachAnswerGivesItsIdAndTheSourceItselfIsSaid)
{
    test::ScriptedPlatformServices services;
    const struct {
        bool itself;
        int press, result;
    } answers[] = {{false, kOverwriteOnce, kOverwriteOnce}, {false, kOverwriteAll, kOverwriteAll},
                   {false, kOverwriteSkip, kOverwriteSkip}, {false, kIdCancel, kIdCancel},
                   {false, kCloseBox, kIdCancel},           {true, kPressEnter, kOverwriteSkip}};
    for (const auto& answer : answers) {
        COverwriteDlg dialog(services);
        dialog.m_strMessage = "File \"/photos/a.jpg";
        dialog.m_bSourceItself = answer.itself;
        bool noteShown = false;
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(Control<QLabel>(dialog, kOverwriteMessage)->text(), "File \"/photos/a.jpg");
            EXPECT_FALSE(Control<QLabel>(dialog, kOverwriteIcon)->pixmap().isNull());
            noteShown = FindControl(dialog, kOverwriteSourceNote)->isVisible();
            EXPECT_EQ(Control<QLabel>(dialog, kOverwriteSourceNote)->text(),
                      "It is the source itself: overwriting replaces the original.");
            if (answer.press == kPressEnter)
                QTest::keyClick(&dialog, Qt::Key_Return);
            else if (answer.press == kCloseBox)
                dialog.close();
            else
                Control<QAbstractButton>(dialog, answer.press)->click();
        });
        dialog.DoModal();
        EXPECT_EQ(noteShown, answer.itself) << answer.press;
        EXPECT_EQ(dialog.m_nResult, answer.result) << answer.press;
    }
}

// Answers the folder run's modal dialogs as they come up: the options with
// `options`, then each overwrite question with the next of `answers`.
class RunAnswerer {
public:
    std::function<void(CBatchOptionsDlg&)> options;
    std::deque<int> answers;
    int asked = 0;

    RunAnswerer()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Answer(); });
        m_timer.start();
    }

private:
    void Answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = dynamic_cast<CBatchOptionsDlg*>(modal)) {
            if (options)
                options(*dialog);
            Control<QAbstractButton>(*dialog, kIdOk)->click();
        } else if (auto* question = dynamic_cast<COverwriteDlg*>(modal)) {
            ++asked;
            const int id = answers.empty() ? int(kIdCancel) : answers.front();
            if (!answers.empty())
                answers.pop_front();
            if (id == kPressEnter)
                QTest::keyClick(question, Qt::Key_Return);
            else
                Control<QAbstractButton>(*question, id)->click();
        }
    }
    QTimer m_timer;
};

// The options of a run whose results replace their sources.
void EmptySuffix(CBatchOptionsDlg& options)
{
    Control<QAbstractButton>(options, kOptionsSuffixMode)->click();
    Control<QLineEdit>(options, kOptionsSuffix)->clear();
}

class FolderRunTest : public CorrectorDlgTest {
protected:
    // PNGs `names` written, the first opened with 4 mm typed.
    void OpenFirstOf(std::initializer_list<const char*> names, int width = 24, int height = 16)
    {
        for (const char* name : names)
            test::WriteGradientFile(photos.File(name), width, height);
        Open(photos.File(*names.begin()));
        Get<QLineEdit>(kFocalEdit)->setText("4");
    }
};

TEST_F(FolderRunTest, WritesTheCommandLinesBytesCountsAndMarksTheCurrentImageSaved)
{
    for (const char* name : {"a.JPG", "b.jpeg", "c.Png", "d.bmp"})
        test::WriteGradientFile(photos.File(name), 48, 36, test::ExifWithFocal(58, 10), 2);
    test::WriteFileBytes(photos.File("e.tif"), {'I', 'I'});
    test::WriteFileBytes(photos.File("notes.txt"), {'n'});
    OpenCorrected("b.jpeg");  // typed 5 mm, corrected and unsaved
    RunAnswerer answerer;
    answerer.options = [](CBatchOptionsDlg& options) {
        EXPECT_TRUE(Control<QAbstractButton>(options, kOptionsManualOnly)->isChecked());
        Control<QAbstractButton>(options, kOptionsExifOrManual)->click();
    };
    Click(kUndistortDir);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "Total number of files in folder: 6\nTotal number of image files in folder: 4\n"
              "Total number of processed and saved image files: 4");
    EXPECT_EQ(services.messages[0].caption, "Undistort Directory");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Information);

    // The same folder and choices through fovella-cli.
    cli::Options options;
    options.inputs = {photos.Path()};
    options.outDir = photos.File("cli");
    options.focalMm = 5;
    options.focalGiven = true;
    options.jobs = 1;
    std::istringstream in;
    std::ostringstream out, errors;
    cli::Console console{in, out, errors, false, false};
    ASSERT_EQ(cli::CorrectFiles(options, console), 0) << errors.str();
    for (const char* name : {"a.JPG", "b.jpeg", "c.Png", "d.bmp"})
        EXPECT_EQ(test::ReadFileBytes(photos.File(std::string("undistorted/") + name)),
                  test::ReadFileBytes(photos.File(std::string("cli/") + name)))
            << name;
    // The window's own image was written: leaving asks nothing.
    services.messages.clear();
    PressExit();
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(FolderRunTest, AnExistingResultAsksAndTheFourAnswersDoWhatTheySay)
{
    OpenFirstOf({"a.png", "b.png", "c.png", "d.png"});
    const std::vector<std::uint8_t> before = test::ReadFileBytes(photos.File("c.png"));
    {
        // Every result replaces its source: Overwrite, Skip, then Overwrite All.
        RunAnswerer answerer;
        answerer.options = EmptySuffix;
        answerer.answers = {kOverwriteOnce, kOverwriteSkip, kOverwriteAll};
        Click(kUndistortDir);
        EXPECT_EQ(answerer.asked, 3);
    }
    EXPECT_NE(services.messages.back().text.find("saved image files: 3"), std::string::npos);
    EXPECT_NE(test::ReadFileBytes(photos.File("a.png")), test::ReadFileBytes(photos.File("b.png")));
    {
        // a.png is a result now, refused by name; b.png asks, and Cancel at
        // the question ends the run: no summary.
        services.messages.clear();
        RunAnswerer answerer;
        answerer.options = EmptySuffix;
        answerer.answers = {kIdCancel};
        Click(kUndistortDir);
        EXPECT_EQ(answerer.asked, 1);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text.rfind(photos.File("a.png") + ": already corrected by Fovella at scale ", 0), 0u)
            << services.messages[0].text;
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(before, test::ReadFileBytes(photos.File("c.png")));
}

// A result that would replace its own source: the question says so, and
// Enter skips it; a result elsewhere is asked as before.
TEST_F(FolderRunTest, EnterAtTheQuestionOfAnEmptySuffixKeepsTheOriginal)
{
    OpenFirstOf({"a.png", "b.png"});
    const std::vector<std::uint8_t> a = test::ReadFileBytes(photos.File("a.png"));
    const std::vector<std::uint8_t> b = test::ReadFileBytes(photos.File("b.png"));
    {
        RunAnswerer answerer;
        answerer.options = EmptySuffix;
        answerer.answers = {kPressEnter, kPressEnter};
        Click(kUndistortDir);
        EXPECT_EQ(answerer.asked, 2);
    }
    EXPECT_EQ(test::ReadFileBytes(photos.File("a.png")), a);
    EXPECT_EQ(test::ReadFileBytes(photos.File("b.png")), b);
    EXPECT_NE(services.messages.back().text.find("saved image files: 0"), std::string::npos);
}

TEST(BatchOptionsDlg, BesideTheSuffixANoteSaysThatAnEmptyOneReplacesTheOriginals)
{
    test::ScriptedPlatformServices services;
    FolderBrowser browser;
    CBatchOptionsDlg dialog(services, browser);
    dialog.Initialise();
    const QWidget* suffix = FindControl(dialog, kOptionsSuffix);
    auto* note = Control<QLabel>(dialog, kOptionsEmptySuffixNote);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), "Empty: replaces the originals");
    EXPECT_GT(note->geometry().left(), suffix->geometry().right());
    EXPECT_LE(note->geometry().right(), dialog.width());
    EXPECT_TRUE(note->geometry().intersects(QRect(0, suffix->geometry().top(), dialog.width(),
                                                  suffix->geometry().height())));
}

// Each message about one file offers to silence the rest; the summary's
// details list every image file not saved, and why.
TEST(WindowWording, FileMessagesCanBeSilencedAndTheSummaryListsWhatWasNotSaved)
{
    WordingTest run;
    auto& [services, browser, frontEnd] = run;
    services.checkBoxAnswers = {false, false, true};
    testing::internal::CaptureStderr();
    frontEnd.FileFailed({FileStage::Open, "/p/\xE9.jpg", "", "'/p/\xE9.jpg': not a JPEG file"});
    frontEnd.FileFailed({FileStage::Open, "/p/a.jpg", "", "'/p/a.jpg': not a JPEG file"});
    frontEnd.FileSkipped({SkipReason::AlreadyCorrected, "/p/b.jpg", "", 2524.16});
    frontEnd.FileFailed({FileStage::Save, "/p/c.png", "/p/u/c.png", "'/p/u/c.png': no space left"});
    frontEnd.FileFailed({FileStage::Scale, "/p/d.bmp", "", ""});
    frontEnd.FileSkipped({SkipReason::NoExifFocal, "/p/e.png", ""});
    frontEnd.FileSkipped({SkipReason::ResultExists, "/p/f.jpg", "/p/u/f.jpg"});
    frontEnd.FileFailed({FileStage::Open, "/p/caf\xE9.jpg", "", "'/p/caf\xE9.jpg': not a JPEG file"});
    frontEnd.RunCompleted({10, 9, 1});
    testing::internal::GetCapturedStderr();

    ASSERT_EQ(services.messages.size(), 4u);
    // Names are shown readably, bytes that are not
    // UTF-8 escaped.
    EXPECT_EQ(services.messages[0].text, "Failed to open /p/\\xE9.jpg");
    EXPECT_EQ(services.messages[0].details, "'/p/\\xE9.jpg': not a JPEG file");
    services.messages.erase(services.messages.begin());
    EXPECT_EQ(services.messages[0].text, "Failed to open /p/a.jpg");
    EXPECT_EQ(services.messages[0].details, "'/p/a.jpg': not a JPEG file");
    EXPECT_EQ(services.messages[0].checkBox, "Do not show again during this run");
    EXPECT_EQ(services.messages[1].text, "/p/b.jpg: already corrected by Fovella at scale 2524.16 px");
    EXPECT_EQ(services.messages[1].checkBox, "Do not show again during this run");
    // Checked there: the rest go by in silence, to the summary.
    EXPECT_EQ(services.messages[2].text.rfind("Total number of files in folder: 10\n", 0), 0u);
    EXPECT_EQ(services.messages[2].checkBox, "");
    EXPECT_EQ(services.messages[2].details,
              "/p/\\xE9.jpg: failed to open: not a JPEG file\n"
              "/p/a.jpg: failed to open: not a JPEG file\n"
              "/p/b.jpg: skipped: already corrected by Fovella at scale 2524.16 px\n"
              "/p/c.png: failed to save /p/u/c.png: no space left\n"
              "/p/d.bmp: focal length should be positive\n"
              "/p/e.png: skipped: no EXIF focal length\n"
              "/p/f.jpg: skipped: /p/u/f.jpg exists\n"
              "/p/caf\\xE9.jpg: failed to open: not a JPEG file\n");
}

// While a run goes on, the window takes no input; the window manager's close
// request cancels the run, the results committed stay, nothing is left half
// written, and the window closes once the run has stopped.
TEST_F(FolderRunTest, ClosingTheWindowMidRunCancelsTheRunFirst)
{
    OpenFirstOf({"a.png", "b.png", "c.png", "d.png"}, 1200, 800);
    RunAnswerer answerer;
    QTimer closer;
    bool closed = false;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        // Once the first result is in place, as a user would see the run going.
        if (closed || !IsFile(photos.File("undistorted/a.png")))
            return;
        closed = true;
        // Input to the window goes nowhere mid-run.
        const std::size_t asked = services.openRequests.size();
        QTest::mouseClick(Get<QPushButton>(kOpen), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_O, Qt::AltModifier);
        EXPECT_EQ(services.openRequests.size(), asked);
        // No modal window blocks it, so that Qt passes the window manager's
        // close request on to the window, as it is delivered here.
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        QCloseEvent close;
        QApplication::sendEvent(dialog.windowHandle(), &close);
        EXPECT_TRUE(dialog.isVisible());  // not yet: the run stops first
    });
    closer.start(1);
    Click(kUndistortDir);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(services.messages.empty());  // cancelled: no summary
    // What was committed stays whole; nothing else is there.
    DibImage kept;
    ImageFile file;
    EXPECT_TRUE(file.Load(photos.File("undistorted/a.png"), kept, Unknown, 0)) << file.Error();
    std::vector<std::string> results;
    for (const auto& entry : std::filesystem::directory_iterator(photos.File("undistorted")))
        results.push_back(entry.path().filename().string());
    EXPECT_LT(results.size(), 4u);
    for (const std::string& name : results) {
        EXPECT_TRUE(file.Load(photos.File("undistorted/" + name), kept, Unknown, 0)) << file.Error();
    }
}

}  // namespace
}  // namespace fovella
