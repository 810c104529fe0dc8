// Opening a photograph from outside the window: a name on the command line
// (a file manager's "Open with"), or a file dropped on the window.
#include "tests/ui/CorrectorDlgFixture.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/ui/QtPrinters.h"

namespace fovella {
namespace {

using OpenFromOutsideTest = CorrectorDlgTest;

TEST_F(OpenFromOutsideTest, ANamedFileOpensAsOpenWouldWithTheArrowsFromItsFolder)
{
    for (const char* name : {"a.jpg", "b.png", "c.bmp"})
        test::WriteGradientFile(photos.File(name), 16, 12);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(photos.Path());
    dialog.OpenFromOutside("./b.png");  // relative, as a shell passes it
    std::filesystem::current_path(previous);
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("b.png") + " - Fovella");
    EXPECT_TRUE(Get(kPrevious)->isEnabled());
    EXPECT_TRUE(Get(kNext)->isEnabled());

    dialog.OpenFromOutside(photos.File("missing.jpg"));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Opening file failed!");
}

TEST_F(OpenFromOutsideTest, ADroppedFileOpensAfterTheUnsavedQuestion)
{
    OpenCorrected("a.png");
    test::WriteGradientFile(photos.File("dropped.jpg"), 16, 12);
    const auto drop = [this](const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Qt delivers drops only inside a drag of the window system's; the
        // dialog's own handlers are called as that delivery would.
        QObject& target = dialog;
        target.event(&enter);
        ASSERT_TRUE(enter.isAccepted());
        target.event(&drop);
    };
    services.messageAnswers = {MessageAnswer::Cancel};
    drop(photos.File("dropped.jpg"));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].caption, "Save");
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("a.png") + " - Fovella");

    services.messageAnswers = {MessageAnswer::No};
    drop(photos.File("dropped.jpg"));
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("dropped.jpg") + " - Fovella");
    EXPECT_TRUE(dialog.acceptDrops());
}

TEST(DesktopEntry, OffersTheWindowForJpegPngAndBmp)
{
    std::ifstream entry(FOVELLA_SOURCE_DIR "/apps/fovella/fovella.desktop");
    std::stringstream text;
    text << entry.rdbuf();
    EXPECT_NE(text.str().find("\nExec=fovella %f\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\nMimeType=image/jpeg;image/png;image/bmp;\n"), std::string::npos);
}

}  // namespace
}  // namespace fovella
