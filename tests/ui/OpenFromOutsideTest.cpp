// Opening a photograph from outside the window: a name on the command line
// (a file manager's "Open with"), or a file dropped on the window.
#include "tests/ui/CorrectorDlgFixture.h"

#include <QUrl>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

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
    EXPECT_EQ(services.messages[0].text, "Opening file failed!\n'" + photos.File("missing.jpg") + "': No such file or directory");
}

TEST_F(OpenFromOutsideTest, ADroppedFileOpensAfterTheUnsavedQuestion)
{
    OpenCorrected("a.png");
    test::WriteGradientFile(photos.File("dropped.jpg"), 16, 12);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(photos.File("dropped.jpg")))});
    services.messageAnswers = {MessageAnswer::Cancel};
    ASSERT_NO_FATAL_FAILURE(Drop(data));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].caption, "Save");
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("a.png") + " - Fovella");

    services.messageAnswers = {MessageAnswer::No};
    ASSERT_NO_FATAL_FAILURE(Drop(data));
    EXPECT_EQ(dialog.windowTitle().toStdString(), photos.File("dropped.jpg") + " - Fovella");
    EXPECT_TRUE(dialog.acceptDrops());
}

// What the program prints on standard error until it prints a line that
// starts with `start` (or a minute has passed), then it is ended: the window
// it shows would wait for a person.
std::string ErrorsOfWindowProgram(const std::string& file, const std::string& start)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(ends[1], 2);
        ::close(ends[0]);
        ::close(ends[1]);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(FOVELLA_WINDOW_PROGRAM, "fovella", file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    std::string errors;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    const auto done = [&] {
        const std::size_t at = errors.find(start);
        return at != std::string::npos && (at == 0 || errors[at - 1] == '\n') && errors.find('\n', at) != std::string::npos;
    };
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{ends[0], POLLIN, 0};
        if (::poll(&ready, 1, 1000) <= 0)
            continue;
        char buffer[512];
        const ssize_t count = ::read(ends[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        errors.append(buffer, std::size_t(count));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ends[0]);
    return errors;
}

// `fovella FILE` opens the file under the name the system gave, one that is
// not valid UTF-8 too: the reader's complaint about the content (not a JPEG
// at all) shows that the file was found.
TEST(WindowProgram, OpensANameThatIsNotValidUtf8)
{
    test::ScratchDir dir;
    const std::string name = dir.File("caf\xE9.jpg");
    test::WriteFileBytes(name, {'n', 'o', 't', ' ', 'J', 'P', 'E', 'G'});
    const std::string errors = ErrorsOfWindowProgram(name, "fovella: '");
    EXPECT_NE(errors.find("fovella: '" + name + "': "), std::string::npos) << errors;
    EXPECT_EQ(errors.find("No such file"), std::string::npos) << errors;
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
