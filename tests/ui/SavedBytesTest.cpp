// The window's Save and fovella-cli FILE -o OUTPUT write the same bytes for
// every kind of source the window opens and every format it saves: the
// same pixels, pixel type, metadata and mark.
#include "tests/ui/CorrectorDlgFixture.h"

#include "apps/fovella-cli/Commands.h"
#include "batch/dialogs/CJpegQualityDlg.h"
#include "codecs/ImageFile.h"
#include "codecs/ImageFormats.h"
#include "image/MemoryImage.h"
#include "metadata/CorrectionMark.h"

#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <sstream>

#include "tests/ui/QtPrinters.h"

namespace fovella {
namespace {

// A source: its file name, how it is made, and the pixel type a PNG result
// of it has.
struct SourceKind {
    const char* name;
    std::function<bool(const std::string& path)> make;  // false: skip (no test data)
    PixelType pngType;
};

bool Gradient(const std::string& path, std::vector<std::uint8_t> exif = {})
{
    test::WriteGradientFile(path, 61, 40, exif, 5);
    return true;
}

bool GreyPng(const std::string& path)
{
    MemoryImage grey;
    if (!grey.Create(61, 40, Gray, SampleU8, TopDown))
        return false;
    test::FillGradient(grey, 7);
    return ImageFile().Save(path, grey, Png, 100, 0);
}

// A camera's own JPEG, EXIF block and all.
bool CameraJpeg(const std::string& path)
{
    const std::string data = test::TestDataDir();
    const std::string camera = data + "/jpeg/camera/exif-samples/Canon_40D.jpg";
    std::error_code error;
    return !data.empty() && std::filesystem::copy_file(camera, path, error);
}

const SourceKind kSources[] = {
    {"colour.jpg", [](const std::string& p) { return Gradient(p, test::ExifWithFocal(18, 1)); }, Rgb},
    {"colour.bmp", [](const std::string& p) { return Gradient(p); }, Rgb},
    {"colour.png", [](const std::string& p) { return Gradient(p); }, Rgb},
    {"grey.png", GreyPng, Gray},
    {"camera.jpg", CameraJpeg, Rgb},
};

struct SaveCase {
    SourceKind source;
    const char* extension;
};

class SavedBytesTest : public CorrectorDlgTest, public testing::WithParamInterface<SaveCase> {};

TEST_P(SavedBytesTest, WindowSaveIsTheCommandLinesOutput)
{
    const SaveCase& c = GetParam();
    const std::string source = photos.File(c.source.name);
    if (!c.source.make(source))
        GTEST_SKIP() << "no " << c.source.name << " (shared test data not found)";
    Open(source);
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text;
    if (Get(kFocalEdit)->isEnabled())
        Get<QLineEdit>(kFocalEdit)->setText("5");
    Click(kUndistort);

    test::ScratchDir out;
    const std::string window = out.File(std::string("window.") + c.extension);
    services.fileAnswers = {window};
    if (FormatOfPath(window) == Jpeg)
        QTimer::singleShot(0, [] {
            Control<QPushButton>(*QApplication::activeModalWidget(), kIdOk)->click();  // quality 95
        });
    Click(kSave);
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text;
    // The window's correction is as it was: the view draws it on.
    EXPECT_EQ(CorrectorDlgProbe::Corrected(dialog)->GetPixelType(), c.source.pngType == Gray ? Gray : Bgr);

    cli::Options options;
    options.inputs = {source};
    options.output = out.File(std::string("cli.") + c.extension);
    options.focalMm = 5;
    options.focalGiven = true;
    std::istringstream in;
    std::ostringstream printed, errors;
    cli::Console console{in, printed, errors, false, false};
    ASSERT_EQ(cli::CorrectFiles(options, console), 0) << errors.str();

    const std::vector<std::uint8_t> written = test::ReadFileBytes(window);
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written, test::ReadFileBytes(options.output));

    // What the bytes hold: the pixel type the format keeps, the mark of the
    // correction's scale where the format has metadata.
    ImageFile file;
    MemoryImage saved;
    ASSERT_TRUE(file.Load(window, saved, Unknown, KeepMetadata)) << file.Error();
    const ImageFileFormat format = FormatOfPath(window);
    EXPECT_EQ(saved.GetPixelType(), format == Png ? c.source.pngType : Rgb);
    const std::optional<double> mark = CorrectionMarkScale(file.Metadata().xmp);
    EXPECT_EQ(mark.has_value(), format != Bmp);
    if (mark) {
        EXPECT_DOUBLE_EQ(*mark, dialog.Session().CorrectedWith().scale);
    }
    if (format == Jpeg) {
        EXPECT_EQ(file.Metadata().exif, dialog.Session().Metadata().exif);
    }
}

std::vector<SaveCase> AllCases()
{
    std::vector<SaveCase> cases;
    for (const SourceKind& source : kSources)
        for (const char* extension : {"jpg", "bmp", "png"})
            cases.push_back({source, extension});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(SourcesByFormats, SavedBytesTest, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<SaveCase>& info) {
                             std::string name = std::string(info.param.source.name) + "_to_" + info.param.extension;
                             for (char& ch : name)
                                 if (ch == '.')
                                     ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace fovella
