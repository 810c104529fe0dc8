// The dispatcher and the JPEG and PNG codecs behind it.
#include "codecs/ImageFile.h"
#include "codecs/ImageFormats.h"
#include "image/DibImage.h"
#include "image/MemoryImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <thread>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fovella {
namespace {

TEST(ImageFile, ClassifiesByTheNamesLastExtensionOnly)
{
    const std::pair<const char*, ImageFileFormat> names[] = {
        {"photo.JPG", Jpeg}, {"photo.Jpeg", Jpeg}, {"photo.jpeg", Jpeg}, {"archive.tar.png", Png},
        {"a.BMP", Bmp},      {"a.tif", Tiff},      {"a.TIFF", Tiff},     {"a.tga", Tga},
        {"a.pcx", Pcx},      {"photo.jpe", Unknown}, {"photo", Unknown}, {"my.folder/image", Unknown},
        {"photo.jpgx", Unknown},
    };
    for (const auto& [name, format] : names)
        EXPECT_EQ(ImageFile().ClassifyExtension(name), format) << name;
}

// Image files are what the window opens and saves and folder runs take;
// the other readable formats are opened only when named.
TEST(ImageFormats, ImageFilesAreJpegBmpAndPngAndEachCanBeWritten)
{
    for (const char* name : {"a.jpg", "a.JPEG", "a.Bmp", "a.png"})
        EXPECT_TRUE(IsImageFile(name)) << name;
    for (const char* name : {"a.tif", "a.pcx", "a.tga", "a.gif", "a", "a.jpg.txt"})
        EXPECT_FALSE(IsImageFile(name)) << name;
    for (const ImageFormatInfo& info : ImageFormats()) {
        EXPECT_NE(info.read, nullptr) << info.name;
        EXPECT_EQ(info.imageFile, info.write != nullptr) << info.name;
        EXPECT_EQ(FormatOfPath(std::string("x.") + info.extensions.front()), info.format) << info.name;
    }
    EXPECT_EQ(FindImageFormat(Unknown), nullptr);
}

// A file cut inside its pixel data is refused by the load, and still
// measured from its header, with the EXIF block the load would keep.
class CutFileSize : public testing::TestWithParam<const char*> {};

TEST_P(CutFileSize, HeaderGivesTheSizeTheLoadRefuses)
{
    test::ScratchDir dir;
    const std::string whole = dir.File(std::string("whole.") + GetParam());
    const std::vector<std::uint8_t> exif = test::ExifWithFocal(58, 10);
    test::WriteGradientFile(whole, 301, 203, exif);
    std::vector<std::uint8_t> bytes = test::ReadFileBytes(whole);
    bytes.resize(bytes.size() / 2);
    const std::string cut = dir.File(std::string("cut.") + GetParam());
    test::WriteFileBytes(cut, bytes);

    ImageFile file;
    DibImage image;
    EXPECT_FALSE(file.Load(cut, image, Unknown, KeepExif));
    EXPECT_FALSE(file.Error().empty());
    int width = 0, height = 0;
    ASSERT_TRUE(file.ReadSize(cut, width, height, Unknown, KeepExif)) << file.Error();
    EXPECT_EQ(width, 301);
    EXPECT_EQ(height, 203);
    std::vector<std::uint8_t> kept;
    file.GetExifBlock(kept);
    EXPECT_EQ(kept, FormatOfPath(cut) == Jpeg ? exif : std::vector<std::uint8_t>{});
}

INSTANTIATE_TEST_SUITE_P(Writers, CutFileSize, testing::Values("jpg", "bmp", "png"));

// The header checks of the load stand for the size too, with the same reason.
TEST(ImageFileSize, RefusesWhatTheLoadRefusesForTheSameReason)
{
    test::ScratchDir dir;
    test::WriteGradientFile(dir.File("whole.jpg"), 33, 21);
    std::vector<std::uint8_t> cutInItsTables = test::ReadFileBytes(dir.File("whole.jpg"));
    cutInItsTables.resize(40);
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files = {
        {"empty.jpg", {}},
        {"text.png", {'n', 'o', 't', ' ', 'a', ' ', 'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"short.bmp", {'B', 'M', 0, 0}},
        {"short.tga", {0, 0, 2}},
        {"mapped.tga", {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 8, 0}},
        {"photo.gif", {'G', 'I', 'F'}},
        {"gif.jpg", {'G', 'I', 'F', '8', '9', 'a', 0, 0}},
        {"cut.jpg", cutInItsTables},
    };
    for (const auto& [name, bytes] : files) {
        test::WriteFileBytes(dir.File(name), bytes);
        ImageFile load, header;
        DibImage image;
        int width = 0, height = 0;
        EXPECT_FALSE(load.Load(dir.File(name), image, Unknown, KeepExif)) << name;
        EXPECT_FALSE(header.ReadSize(dir.File(name), width, height, Unknown, KeepExif)) << name;
        EXPECT_FALSE(load.Error().empty()) << name;
        EXPECT_EQ(header.Error(), load.Error()) << name;
    }
    ImageFile file;
    int width = 0, height = 0;
    EXPECT_FALSE(file.ReadSize(dir.Path(), width, height, Png, 0));
    EXPECT_EQ(file.Error(), "'" + dir.Path() + "': a folder");
}

// libjpeg fills the rows after the end of a cut file with grey and only
// warns; a grey-filled picture is no photograph, so the load fails.
TEST(ImageFile, AJpegCutShortIsRefusedWithTheReason)
{
    test::ScratchDir dir;
    test::WriteGradientFile(dir.File("whole.jpg"), 200, 150);
    std::vector<std::uint8_t> bytes = test::ReadFileBytes(dir.File("whole.jpg"));
    bytes.resize(bytes.size() * 6 / 10);
    test::WriteFileBytes(dir.File("cut.jpg"), bytes);
    DibImage image;
    ImageFile file;
    EXPECT_FALSE(file.Load(dir.File("cut.jpg"), image, Unknown, 0));
    EXPECT_EQ(file.Error(), "'" + dir.File("cut.jpg") + "': the data ends before the last row");
}

class ImageFileIo : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(picture.Create(33, 21, Rgb, SampleU8, BottomUp));
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 33 * 3; ++x)
                picture.Rows()[y][x] = std::uint8_t(x / 3 * 3 + y * 4 + x % 3 * 20);
    }

    test::ScratchDir dir;
    DibImage picture;
    ImageFile file;
};

TEST_F(ImageFileIo, UnknownFormatsAreNotRead)
{
    test::WriteFileBytes(dir.File("photo.jpe"), {0xFF, 0xD8});
    DibImage image;
    EXPECT_FALSE(file.Load(dir.File("photo.jpe"), image, Unknown, KeepExif));
    EXPECT_FALSE(file.Error().empty());
}

// Formats without a writer, pictures a writer cannot hold and targets that
// cannot be replaced: every save refused, and no file left behind.
TEST_F(ImageFileIo, RefusedSavesLeaveNoFile)
{
    DibImage bgr;
    ASSERT_TRUE(bgr.Create(4, 4, Bgr, SampleU8, BottomUp));
    MemoryImage gray, deep;
    ASSERT_TRUE(gray.Create(4, 4, Gray, SampleU8, BottomUp));
    ASSERT_TRUE(deep.Create(4, 4, Rgb, SampleU16, BottomUp));
    ASSERT_EQ(::mkdir(dir.File("folder.jpg").c_str(), 0700), 0);
    const struct {
        const char* name;
        const Image& image;
        ImageFileFormat format;
        int quality, writeExif;
    } saves[] = {
        {"out.tif", picture, Tiff, 90, 0},    {"out.tif", picture, Pcx, 90, 0},        {"out.tif", picture, Tga, 90, 0},
        {"out.tif", picture, Unknown, 90, 0}, {"a.png", bgr, Png, 100, 0},             {"a.jpg", bgr, Jpeg, 90, 1},
        {"b.jpg", gray, Jpeg, 90, 1},         {"c.jpg", deep, Jpeg, 90, 1},            {"folder.jpg", picture, Jpeg, 90, 0},
        {"missing/x.png", picture, Png, 100, 0},
    };
    for (const auto& save : saves)
        EXPECT_FALSE(file.Save(dir.File(save.name), save.image, save.format, save.quality, save.writeExif))
            << save.name << ", format " << save.format;
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"folder.jpg"});
}

TEST_F(ImageFileIo, ExtensionAloneDecides)
{
    ASSERT_TRUE(file.Save(dir.File("real.png"), picture, Unknown, 100, 0));
    ASSERT_EQ(::rename(dir.File("real.png").c_str(), dir.File("fake.jpg").c_str()), 0);
    DibImage image;
    EXPECT_FALSE(file.Load(dir.File("fake.jpg"), image, Unknown, KeepExif));
    EXPECT_TRUE(file.Load(dir.File("fake.jpg"), image, Png, 0)) << file.Error();
}

TEST_F(ImageFileIo, PngRoundTripsEveryFormatItHolds)
{
    const PixelType types[] = {Gray, Rgb, Rgba};
    for (PixelType type : types)
        for (SampleType samples : {SampleU8, SampleU16})
            for (RowOrder order : {BottomUp, TopDown}) {
                MemoryImage image;
                ASSERT_TRUE(image.Create(17, 9, type, samples, order));
                test::FillGradient(image, int(type) * 3 + int(samples));
                ASSERT_TRUE(file.Save(dir.File("rt.png"), image, Png, 100, 0)) << file.Error();
                MemoryImage back;
                ASSERT_TRUE(file.Load(dir.File("rt.png"), back, Unknown, 0)) << file.Error();
                ASSERT_EQ(back.GetPixelType(), type);
                ASSERT_EQ(back.GetSampleType(), samples);
                EXPECT_EQ(back.GetRowOrder(), BottomUp);
                const std::size_t bytes = std::size_t(17) * image.BytesPerPixel();
                for (int y = 0; y < 9; ++y) {
                    const int from = order == BottomUp ? y : 8 - y;
                    EXPECT_EQ(std::memcmp(back.Rows()[y], image.Rows()[from], bytes), 0)
                        << "type " << type << " samples " << samples << " row " << y;
                }
            }
}

TEST_F(ImageFileIo, SixteenBitPngSamplesAreBigEndianInTheFile)
{
    MemoryImage image;
    ASSERT_TRUE(image.Create(1, 1, Gray, SampleU16, BottomUp));
    image.Rows()[0][0] = 0x34;  // host order: 0x1234
    image.Rows()[0][1] = 0x12;
    ASSERT_TRUE(file.Save(dir.File("g16.png"), image, Png, 100, 0));
    DibImage dib;
    EXPECT_FALSE(file.Load(dir.File("g16.png"), dib, Unknown, 0));  // a display image holds 8 bits only
    EXPECT_EQ(file.Error(), "'" + dir.File("g16.png") + "': a 16-bit grey PNG, which cannot be held here");
    MemoryImage back;
    ASSERT_TRUE(file.Load(dir.File("g16.png"), back, Unknown, 0));
    EXPECT_EQ(back.Rows()[0][0], 0x34);
    EXPECT_EQ(back.Rows()[0][1], 0x12);
}

TEST_F(ImageFileIo, JpegQualityIsLimitedAndRowOrderDoesNotMatter)
{
    for (const int quality : {0, -5, 100, 150})
        ASSERT_TRUE(file.Save(dir.File("q" + std::to_string(quality) + ".jpg"), picture, Jpeg, quality, 0)) << quality;
    EXPECT_EQ(test::ReadFileBytes(dir.File("q0.jpg")), test::ReadFileBytes(dir.File("q-5.jpg")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("q100.jpg")), test::ReadFileBytes(dir.File("q150.jpg")));
    EXPECT_NE(test::ReadFileBytes(dir.File("q0.jpg")), test::ReadFileBytes(dir.File("q100.jpg")));

    DibImage topDown;
    ASSERT_TRUE(topDown.Create(33, 21, Rgb, SampleU8, TopDown));
    for (int y = 0; y < 21; ++y)
        std::memcpy(topDown.Rows()[y], picture.Rows()[20 - y], 99);
    ASSERT_TRUE(file.Save(dir.File("td.jpg"), topDown, Jpeg, 100, 0));
    EXPECT_EQ(test::ReadFileBytes(dir.File("td.jpg")), test::ReadFileBytes(dir.File("q100.jpg")));

    // Quality 100 comes back within a few levels, the right way up.
    DibImage back;
    ASSERT_TRUE(file.Load(dir.File("q100.jpg"), back, Unknown, 0));
    EXPECT_EQ(back.GetRowOrder(), BottomUp);
    int worst = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 99; ++x)
            worst = std::max(worst, std::abs(back.Rows()[y][x] - picture.Rows()[y][x]));
    EXPECT_LE(worst, 16);
}

std::vector<std::uint8_t> Segment(const std::vector<std::uint8_t>& jpeg, std::size_t at)
{
    const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
    return std::vector<std::uint8_t>(jpeg.begin() + at + 4, jpeg.begin() + at + 2 + length);
}

TEST_F(ImageFileIo, ExifBlockIsWrittenRightAfterTheJfifMarker)
{
    std::vector<std::uint8_t> block = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
    for (int k = 0; k < 300; ++k)
        block.push_back(std::uint8_t(k));
    file.SetExifBlock(block);
    ASSERT_TRUE(file.Save(dir.File("exif.jpg"), picture, Jpeg, 90, 1));
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(dir.File("exif.jpg"));
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0xE0);  // JFIF APP0
    const std::size_t app1 = 2 + 2 + ((std::size_t(bytes[4]) << 8) | bytes[5]);
    EXPECT_EQ(bytes[app1], 0xFF);
    EXPECT_EQ(bytes[app1 + 1], 0xE1);
    EXPECT_EQ(Segment(bytes, app1), block);

    // Read back only when asked for; loading another file, or the same one
    // without asking, empties the block.
    ASSERT_TRUE(file.Save(dir.File("b.bmp"), picture, Bmp, 100, 0));
    DibImage image;
    std::vector<std::uint8_t> kept;
    for (const auto& [name, flags] : {std::pair<const char*, unsigned>{"b.bmp", KeepExif}, {"exif.jpg", 0}}) {
        ImageFile reader;
        ASSERT_TRUE(reader.Load(dir.File("exif.jpg"), image, Unknown, KeepExif));
        reader.GetExifBlock(kept);
        EXPECT_EQ(kept, block);
        ASSERT_TRUE(reader.Load(dir.File(name), image, Unknown, flags));
        reader.GetExifBlock(kept);
        EXPECT_TRUE(kept.empty()) << name;
    }

    // Without writeExif, or with an empty block, no APP1 marker is written.
    ASSERT_TRUE(file.Save(dir.File("plain.jpg"), picture, Jpeg, 90, 0));
    file.SetExifBlock({});
    ASSERT_TRUE(file.Save(dir.File("empty.jpg"), picture, Jpeg, 90, 1));
    for (const char* name : {"plain.jpg", "empty.jpg"}) {
        const std::vector<std::uint8_t> plain = test::ReadFileBytes(dir.File(name));
        const std::size_t next = 2 + 2 + ((std::size_t(plain[4]) << 8) | plain[5]);
        EXPECT_NE(plain[next + 1], 0xE1) << name;
    }
}

// A header that claims a picture its file cannot hold is refused before
// anything is allocated for it.
TEST_F(ImageFileIo, PicturesOutOfAllProportionToTheirFileAreRefused)
{
    ASSERT_TRUE(file.Save(dir.File("small.jpg"), picture, Jpeg, 90, 0));
    std::vector<std::uint8_t> jpeg = test::ReadFileBytes(dir.File("small.jpg"));
    for (std::size_t at = 2; at + 9 < jpeg.size(); ++at)
        if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xC0) {
            jpeg[at + 5] = 0x4E, jpeg[at + 6] = 0x20;  // height 20000
            jpeg[at + 7] = 0x75, jpeg[at + 8] = 0x30;  // width 30000
            break;
        }
    test::WriteFileBytes(dir.File("huge.jpg"), jpeg);

    ASSERT_TRUE(file.Save(dir.File("small.png"), picture, Png, 100, 0));
    std::vector<std::uint8_t> png = test::ReadFileBytes(dir.File("small.png"));
    png[16] = png[20] = 0;  // IHDR width and height: 0x00002710 = 10000
    png[17] = png[21] = 0;
    png[18] = png[22] = 0x27;
    png[19] = png[23] = 0x10;
    test::WriteFileBytes(dir.File("huge.png"), png);

    std::vector<std::uint8_t> pcx(200, 0);
    pcx[1] = 5, pcx[3] = 8, pcx[65] = 3;
    pcx[8] = pcx[10] = 0x2F, pcx[9] = pcx[11] = 0x75;  // 30000 x 30000
    pcx[66] = 0x30, pcx[67] = 0x75;
    test::WriteFileBytes(dir.File("huge.pcx"), pcx);

    for (const auto& [name, reason] : {std::pair{"huge.jpg", "cannot hold a picture of 30000 x 20000"},
                                       std::pair{"huge.png", "cannot hold a picture of 10000 x 10000"},
                                       std::pair{"huge.pcx", "file ends inside its pixel data"}}) {
        MemoryImage image;
        EXPECT_FALSE(file.Load(dir.File(name), image, Unknown, KeepExif)) << name;
        EXPECT_EQ(image.Width(), 1) << name << ": nothing was allocated";
        EXPECT_NE(file.Error().find(reason), std::string::npos) << file.Error();
    }
}

// The disk fills up during the save: simulated by a file-size limit in a
// child process. The old file must survive, and no temporary be left.
void ExpectFullDiskKeepsTheOldFile(const test::ScratchDir& dir, const Image& picture,
                                   ImageFileFormat format, const char* name)
{
    const std::string target = dir.File(name);
    const std::vector<std::uint8_t> old(100, 'o');
    test::WriteFileBytes(target, old);
    EXPECT_FALSE(test::SucceedsWithFileSizeLimit(512, [&] {
        ImageFile file;
        return file.Save(target, picture, format, 100, 0);
    })) << name;
    EXPECT_EQ(test::ReadFileBytes(target), old) << name;
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{name});
    std::remove(target.c_str());
}

TEST_F(ImageFileIo, FullDiskKeepsTheOldFileForEveryWriter)
{
    const DibImage large = test::GradientPicture(300, 200);
    for (const auto& [format, name] : {std::pair{Jpeg, "full.jpg"}, std::pair{Png, "full.png"}, std::pair{Bmp, "full.bmp"}})
        ExpectFullDiskKeepsTheOldFile(dir, large, format, name);
}

TEST(ImageFileThreads, TwoThreadsDecodeAndFailIndependently)
{
    test::ScratchDir dir;
    const DibImage picture = test::GradientPicture(64, 48);
    ImageFile writer;
    ASSERT_TRUE(writer.Save(dir.File("good.jpg"), picture, Jpeg, 90, 0));
    test::WriteFileBytes(dir.File("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xC0, 0, 2, 'x', 'y'});
    DibImage reference;
    ASSERT_TRUE(writer.Load(dir.File("good.jpg"), reference, Unknown, 0));
    const std::string expected = test::PictureMd5(reference);

    // Each thread's failures jump back into its own call only.
    auto work = [&](const char* name, bool shouldLoad, int& wrong) {
        for (int k = 0; k < 30; ++k) {
            ImageFile file;
            DibImage image;
            const bool loaded = file.Load(dir.File(name), image, Unknown, KeepExif);
            wrong += loaded != shouldLoad || (loaded && test::PictureMd5(image) != expected);
        }
    };
    int wrongGood = 0, wrongBad = 0;
    std::thread good(work, "good.jpg", true, std::ref(wrongGood));
    std::thread bad(work, "bad.jpg", false, std::ref(wrongBad));
    good.join();
    bad.join();
    EXPECT_EQ(wrongGood, 0);
    EXPECT_EQ(wrongBad, 0);
}

TEST(ImageFileSafety, ReadOnlyFolderFailsAndKeepsItsFiles)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    test::ScratchDir dir;
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    test::WriteFileBytes(dir.File("keep.png"), old);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    DibImage picture;
    ImageFile file;
    EXPECT_FALSE(file.Save(dir.File("keep.png"), picture, Png, 100, 0));
    EXPECT_FALSE(file.Save(dir.File("new.jpg"), picture, Jpeg, 90, 0));
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(test::ReadFileBytes(dir.File("keep.png")), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.png"});
}

}  // namespace
}  // namespace fovella
