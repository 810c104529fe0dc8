// What keeps a photograph from being damaged unknowingly in the window: a
// result is not corrected twice without asking, a correction is not saved
// with other settings than those shown, typed numbers mean what they say,
// a file that fails to open does not block the way, and names that are not
// UTF-8 are shown and opened.
#include "tests/ui/CorrectorDlgFixture.h"

#include "codecs/ImageFile.h"
#include "image/MemoryImage.h"
#include "lens/PixelScale.h"
#include "metadata/CorrectionMark.h"
#include "ui/CImageView.h"

#include <QPushButton>
#include <QSlider>
#include <QUrl>

#include "tests/ui/QtPrinters.h"

namespace fovella {
namespace {

using CorrectionGuardsTest = CorrectorDlgTest;

// What a drop from another program carries: the URI list as the bytes it
// sent (QMimeData::setData would keep it as URLs, decoded).
class ForeignDrop : public QMimeData {
public:
    explicit ForeignDrop(QByteArray list) : m_list(std::move(list)) {}
    QStringList formats() const override { return {"text/uri-list"}; }
    bool hasFormat(const QString& type) const override { return type == "text/uri-list"; }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override
    {
        return type == "text/uri-list" ? QVariant(m_list) : QVariant();
    }

private:
    QByteArray m_list;
};

// The scale of the mark `path` carries; none without one.
std::optional<double> MarkOf(const std::string& path)
{
    ImageFile file;
    MemoryImage picture;
    if (!file.Load(path, picture, Unknown, KeepMetadata))
        return std::nullopt;
    return CorrectionMarkScale(file.Metadata().xmp);
}

TEST_F(CorrectionGuardsTest, UndistortAsksBeforeCorrectingAResultAgainAndNoChangesNothing)
{
    OpenCorrected("a.png");
    const double scale = dialog.Session().CorrectedWith().scale;
    services.fileAnswers = {photos.File("a_u.png")};
    Click(kSave);
    ASSERT_EQ(MarkOf(photos.File("a_u.png")), scale);

    Open(photos.File("a_u.png"));
    Get<QLineEdit>(kFocalEdit)->setText("5");
    services.messages.clear();
    services.messageAnswers = {MessageAnswer::No};
    Click(kUndistort);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "This picture was " + AlreadyCorrectedText(scale) + ".\nCorrect it again?");
    EXPECT_EQ(services.messages[0].caption, "Undistort");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_FALSE(dialog.Session().IsCorrected());
    EXPECT_FALSE(Get(kSave)->isEnabled());
    EXPECT_EQ(&dialog.View().Picture(), CorrectorDlgProbe::Source(dialog));

    services.messageAnswers = {MessageAnswer::Yes};
    Click(kUndistort);
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_TRUE(dialog.Session().IsCorrected());
    EXPECT_TRUE(Get(kSave)->isEnabled());
}

// After Undistort, a changed focal length or slider leaves a correction the
// preview no longer shows: Save says so, and does what the answer says.
TEST_F(CorrectionGuardsTest, SaveOfACorrectionTheSettingsNoLongerGiveAsksFirst)
{
    OpenCorrected("a.bmp");  // 5 mm at 1.00
    const double made = dialog.Session().CorrectedWith().scale;
    const auto save = [this](const std::string& name, MessageAnswer answer) {
        services.messages.clear();
        services.messageAnswers = {answer};
        services.fileAnswers = {photos.File(name)};
        Click(kSave);
    };
    const auto changes = std::vector<std::function<void()>>{
        [this] { Get<QSlider>(kFineTune)->setValue(60); },
        [this] { Get<QLineEdit>(kFocalEdit)->setText("6"); },
    };
    EXPECT_FALSE(Get(kOutdatedNote)->isVisible());
    for (const auto& change : changes) {
        change();
        const double shown = dialog.Session().ScaleFor(64, 48);
        ASSERT_NE(shown, made);
        EXPECT_TRUE(Get(kOutdatedNote)->isVisible());
        EXPECT_EQ(Text(kOutdatedNote), "Changed since Undistort");

        save("cancelled.png", MessageAnswer::Cancel);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].caption, "Save");
        EXPECT_EQ(services.messages[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_NE(services.messages[0].text.find("Undistort it again with the settings shown before saving?"),
                  std::string::npos);
        EXPECT_TRUE(services.saveRequests.empty());
        EXPECT_FALSE(IsFile(photos.File("cancelled.png")));

        // No: the correction as it was made, knowingly.
        save("as-made.png", MessageAnswer::No);
        EXPECT_EQ(MarkOf(photos.File("as-made.png")), made);
        services.saveRequests.clear();

        // Put back, nothing is asked.
        Get<QSlider>(kFineTune)->setValue(50);
        Get<QLineEdit>(kFocalEdit)->setText("5");
        EXPECT_FALSE(Get(kOutdatedNote)->isVisible());
        save("again.png", MessageAnswer::Yes);
        EXPECT_TRUE(services.messages.empty());
        EXPECT_EQ(MarkOf(photos.File("again.png")), made);
        services.saveRequests.clear();
    }
    // Yes: corrected again with the settings shown, then saved.
    Get<QLineEdit>(kFocalEdit)->setText("6");
    save("redone.png", MessageAnswer::Yes);
    const double shown = dialog.Session().ScaleFor(64, 48);
    EXPECT_EQ(dialog.Session().CorrectedWith().scale, shown);
    EXPECT_EQ(MarkOf(photos.File("redone.png")), shown);
    EXPECT_FALSE(Get(kOutdatedNote)->isVisible());
    EXPECT_FALSE(dialog.Session().Unsaved());
}

TEST_F(CorrectionGuardsTest, ADecimalCommaIsAPointAndTextThatIsNoNumberIsSaidToBeNone)
{
    test::WriteGradientFile(photos.File("a.png"), 64, 48);
    Open(photos.File("a.png"));
    Get<QLineEdit>(kFocalEdit)->setText("5,8");
    Click(kUndistort);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(dialog.Session().CorrectedWith().scale, PixelScale(5.8f, 64, 48, 1.0));

    const auto notANumber = [](const std::string& typed) {
        return "Focal length should be positive.\nThe focal length typed, \"" + typed + "\", is not a number.";
    };
    // The folder run refuses it in the same words; a number that is not
    // positive is only that.
    const struct {
        const char* typed;
        int button;
        std::string text;
    } refusals[] = {{"abc", kUndistort, notANumber("abc")},
                    {"", kUndistort, notANumber("")},
                    {"-", kUndistort, notANumber("-")},
                    {"abc", kUndistortDir, notANumber("abc")},
                    {"-2,5", kUndistort, "Focal length should be positive."}};
    for (const auto& refusal : refusals) {
        services.messages.clear();
        Get<QLineEdit>(kFocalEdit)->setText(refusal.typed);
        Click(refusal.button);
        ASSERT_EQ(services.messages.size(), 1u) << refusal.typed;
        EXPECT_EQ(services.messages[0].text, refusal.text);
    }
}

TEST_F(CorrectionGuardsTest, TheArrowsMovePastAFileThatFailsAndTheMessageSaysWhy)
{
    for (const char* name : {"a.jpg", "c.png", "e.bmp"})
        test::WriteGradientFile(photos.File(name), 16, 12);
    test::WriteFileBytes(photos.File("b.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'});
    test::WriteFileBytes(photos.File("d.png"), {'n', 'o', 't'});
    const auto current = [this] { return dialog.windowTitle().section(" - ", 0, 0).toStdString(); };
    Open(photos.File("a.jpg"));
    const struct {
        bool next;
        const char* failed;  // the file named in the message; null: none
        const char* shown;
    } walk[] = {
        {true, "b.jpg", "a.jpg"}, {true, nullptr, "c.png"}, {true, "d.png", "c.png"},
        {true, nullptr, "e.bmp"}, {false, "d.png", "e.bmp"}, {false, nullptr, "c.png"},
        {false, "b.jpg", "c.png"}, {false, nullptr, "a.jpg"},
    };
    for (const auto& step : walk) {
        services.messages.clear();
        Click(step.next ? kNext : kPrevious);
        EXPECT_EQ(current(), photos.File(step.shown));
        if (!step.failed) {
            EXPECT_TRUE(services.messages.empty()) << step.shown;
            continue;
        }
        ASSERT_EQ(services.messages.size(), 1u) << step.failed;
        EXPECT_EQ(services.messages[0].text, "Opening file failed!\n" + services.messages[0].details);
        EXPECT_EQ(services.messages[0].details.rfind("'" + photos.File(step.failed) + "': ", 0), 0u)
            << services.messages[0].details;
        EXPECT_GT(services.messages[0].details.size(), photos.File(step.failed).size() + 4);
    }
    EXPECT_FALSE(Get(kPrevious)->isEnabled());
    EXPECT_TRUE(Get(kNext)->isEnabled());
}

TEST_F(CorrectionGuardsTest, ANameThatIsNotUtf8IsShownReadablyAndOpensWhenDropped)
{
    const std::string name = photos.File("caf\xE9.png");
    test::WriteGradientFile(name, 16, 12);
    // As a file manager sends it: the name's bytes percent-encoded.
    ForeignDrop data("file://" + QByteArray::fromStdString(name).toPercentEncoding("/") + "\r\n");
    ASSERT_TRUE(data.urls().front().isLocalFile());
    ASSERT_NO_FATAL_FAILURE(Drop(data));
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text;
    EXPECT_EQ(dialog.Session().Path().str(), name);
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("caf\\xE9.png") + " - Fovella");
}

}  // namespace
}  // namespace fovella
