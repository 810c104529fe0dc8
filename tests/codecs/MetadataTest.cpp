// A photograph's metadata from file to file: the colour profile, the XMP
// packet, the EXIF block and PNG's colour chunks, through the JPEG and PNG
// readers and writers, checked against exiftool where it is installed.
#include "codecs/ImageFile.h"
#include "codecs/jpeg/JpegMetadata.h"
#include "image/DibImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fovella {
namespace {

using jpeg::Segment;

// Ghostscript's Adobe RGB (1998) profile, from Debian's libgs-common.
const char kA98Profile[] = "/usr/share/color/icc/ghostscript/a98.icc";

// A valid RGB display profile of `size` bytes (a multiple of 4): the
// header and one private tag holding a pattern. Larger than a JPEG segment
// holds, it is written in several chunks.
std::vector<std::uint8_t> BuiltProfile(std::size_t size)
{
    std::vector<std::uint8_t> profile(size, 0);
    const auto put = [&](std::size_t at, std::uint32_t value) {
        for (int k = 0; k < 4; ++k)
            profile[at + k] = std::uint8_t(value >> (24 - 8 * k));
    };
    const auto tag = [&](std::size_t at, const char* text) { std::memcpy(&profile[at], text, 4); };
    put(0, std::uint32_t(size));
    put(8, 0x04300000);  // version 4.3
    tag(12, "mntr");
    tag(16, "RGB ");
    tag(20, "XYZ ");
    tag(36, "acsp");
    put(68, 0x0000F6D6);  // the D50 illuminant
    put(72, 0x00010000);
    put(76, 0x0000D32D);
    put(128, 1);  // one tag
    tag(132, "fovl");
    put(136, 144);
    put(140, std::uint32_t(size - 144));
    tag(144, "data");
    for (std::size_t k = 156; k < size; ++k)
        profile[k] = std::uint8_t(k * 31 + k / 251);
    return profile;
}

std::string Packet(const std::string& title)
{
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
           "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
           title + "</rdf:li></rdf:Alt></dc:title>\n  </rdf:Description>\n </rdf:RDF>\n</x:xmpmeta>\n" +
           std::string(200, ' ') + "\n<?xpacket end=\"w\"?>";
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

Segment IccChunk(int sequence, int count, const std::string& data)
{
    Segment chunk{jpeg::kApp2, Bytes(std::string("ICC_PROFILE", 12))};
    chunk.payload.push_back(std::uint8_t(sequence));
    chunk.payload.push_back(std::uint8_t(count));
    chunk.payload.insert(chunk.payload.end(), data.begin(), data.end());
    return chunk;
}

struct SegmentsCase {
    const char* name;
    std::vector<Segment> segments;
    std::string profile;  // empty: none
    bool problem;
};

class JpegSegmentsTest : public testing::TestWithParam<SegmentsCase> {};

TEST_P(JpegSegmentsTest, JoinTheProfilesChunksInSequenceOrWithdrawIt)
{
    PhotoMetadata metadata;
    metadata.xmp = "stale";
    std::string problem;
    jpeg::ReadSegments(GetParam().segments, metadata, problem);
    EXPECT_EQ(metadata.iccProfile, Bytes(GetParam().profile));
    EXPECT_EQ(!problem.empty(), GetParam().problem) << problem;
    EXPECT_TRUE(metadata.xmp.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, JpegSegmentsTest,
    testing::Values(SegmentsCase{"None", {}, "", false},
                    SegmentsCase{"One", {IccChunk(1, 1, "abc")}, "abc", false},
                    SegmentsCase{"InOrder", {IccChunk(1, 3, "ab"), IccChunk(2, 3, "cd"), IccChunk(3, 3, "e")}, "abcde", false},
                    SegmentsCase{"OutOfOrder", {IccChunk(3, 3, "e"), IccChunk(1, 3, "ab"), IccChunk(2, 3, "cd")}, "abcde", false},
                    SegmentsCase{"Missing", {IccChunk(1, 3, "ab"), IccChunk(3, 3, "e")}, "", true},
                    SegmentsCase{"Twice", {IccChunk(1, 2, "ab"), IccChunk(1, 2, "ab")}, "", true},
                    SegmentsCase{"CountsDisagree", {IccChunk(1, 2, "ab"), IccChunk(2, 3, "cd")}, "", true},
                    SegmentsCase{"SequenceZero", {IccChunk(0, 1, "ab")}, "", true},
                    SegmentsCase{"CountZero", {IccChunk(1, 0, "ab")}, "", true},
                    SegmentsCase{"OtherApp2", {Segment{jpeg::kApp2, Bytes("MPF")}}, "", false}),
    [](const testing::TestParamInfo<SegmentsCase>& info) { return info.param.name; });

// Whatever their order in the file, the XMP packet is found by its
// namespace and the EXIF block is the first other APP1 payload.
TEST(JpegSegments, SortTheApp1PayloadsByWhatTheyAre)
{
    const std::string packet = Packet("t");
    const std::vector<std::uint8_t> extended = Bytes(std::string("http://ns.adobe.com/xmp/extension/", 35) + "GUID");
    const std::vector<std::uint8_t> exif = Bytes(std::string("Exif\0\0MM", 8));
    const std::vector<Segment> segments = {{jpeg::kApp1, Bytes(std::string("http://ns.adobe.com/xap/1.0/", 29) + packet)},
                                           {jpeg::kApp1, extended},
                                           {jpeg::kApp1, exif},
                                           {jpeg::kApp1, Bytes("second")}};
    PhotoMetadata metadata;
    std::string problem;
    jpeg::ReadSegments(segments, metadata, problem);
    EXPECT_EQ(metadata.xmp, packet);
    EXPECT_EQ(metadata.exif, exif);
    EXPECT_EQ(metadata.extendedXmp, std::vector<std::vector<std::uint8_t>>{extended});

    const std::vector<Segment> written = jpeg::MakeSegments(metadata, problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0].payload, exif);
    EXPECT_EQ(written[1].payload, segments[0].payload);
    EXPECT_EQ(written[2].payload, extended);
}

// Chunks as large as a segment allows (65519 bytes of profile), as other
// writers cut them; what cannot fit is left out, not cut, and said.
TEST(JpegSegments, CutTheProfileIntoFullChunksAndLeaveOutWhatDoesNotFit)
{
    PhotoMetadata metadata;
    metadata.iccProfile.assign(2 * 65519 + 1, 7);
    std::string problem;
    std::vector<Segment> segments = jpeg::MakeSegments(metadata, problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(segments.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(segments[k].marker, jpeg::kApp2);
        EXPECT_EQ(segments[k].payload.size(), k < 2 ? 65533u : 15u);
        EXPECT_EQ(segments[k].payload[12], k + 1);
        EXPECT_EQ(segments[k].payload[13], 3);
    }
    metadata.iccProfile.assign(255 * 65519 + 1, 7);
    metadata.xmp.assign(65533 - 29 + 1, ' ');  // behind the namespace and its NUL
    metadata.exif = test::ExifWithFocal(58, 10);
    segments = jpeg::MakeSegments(metadata, problem);
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].payload, metadata.exif);
    EXPECT_EQ(problem, "the XMP packet of 65505 bytes is larger than a JPEG file holds; it is left out; "
                       "the colour profile of 16707346 bytes is larger than a JPEG file holds; it is left out");
    metadata.xmp.pop_back();
    EXPECT_EQ(jpeg::MakeSegments(metadata, problem).size(), 2u);
}

// The types of a PNG file's chunks, in file order.
std::vector<std::string> ChunkTypes(const std::vector<std::uint8_t>& png)
{
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length = std::size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        types.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
        at += 12 + length;
    }
    return types;
}

std::vector<std::uint8_t> ReadProfile(const char* path)
{
    return std::filesystem::exists(path) ? test::ReadFileBytes(path) : std::vector<std::uint8_t>();
}

// What a source carries and what each result format keeps of it.
struct CarryCase {
    const char* name;
    const char* source;  // extension of the source
    std::size_t builtProfile;  // 0: ghostscript's a98.icc
};

class MetadataCarryTest : public testing::TestWithParam<CarryCase> {
protected:
    void SetUp() override
    {
        source = SourceMetadata();
        if (source.iccProfile.empty())
            GTEST_SKIP() << kA98Profile << " not found (Debian package libgs-common)";
    }

    PhotoMetadata SourceMetadata() const
    {
        PhotoMetadata metadata;
        metadata.iccProfile = GetParam().builtProfile ? BuiltProfile(GetParam().builtProfile) : ReadProfile(kA98Profile);
        metadata.xmp = Packet(std::string("Br\xC3\xBC") + "cke");
        if (std::strcmp(GetParam().source, "jpg") == 0) {
            metadata.exif = test::ExifWithFocal(58, 10);
            metadata.extendedXmp = {Bytes(std::string("http://ns.adobe.com/xmp/extension/", 35) +
                                          std::string(32, 'A') + std::string("\0\0\0\4\0\0\0\0rest", 12))};
        } else {
            metadata.srgbIntent = 1;
            metadata.gamma = 45455;
            metadata.chromaticities = std::array<std::uint32_t, 8>{31270, 32900, 64000, 33000,
                                                                   30000, 60000, 15000, 6000};
        }
        return metadata;
    }

    PhotoMetadata source;
    test::ScratchDir dir;
};

TEST_P(MetadataCarryTest, EachResultFormatKeepsWhatItCanHold)
{
    const DibImage picture = test::GradientPicture(33, 21);
    ImageFile file;
    file.SetMetadata(source);
    const std::string sourcePath = dir.File(std::string("source.") + GetParam().source);
    ASSERT_TRUE(file.Save(sourcePath, picture, Unknown, 90, 1)) << file.Error();

    DibImage loaded;
    ImageFile reader;
    ASSERT_TRUE(reader.Load(sourcePath, loaded, Unknown, KeepMetadata)) << reader.Error();
    EXPECT_TRUE(reader.Metadata() == source);

    for (const char* format : {"jpg", "png", "bmp"}) {
        SCOPED_TRACE(format);
        const std::string result = dir.File(std::string("result.") + format);
        ASSERT_TRUE(reader.Save(result, loaded, Unknown, 90, 1)) << reader.Error();
        PhotoMetadata expected;
        if (std::strcmp(format, "bmp") != 0) {
            expected.iccProfile = source.iccProfile;
            expected.xmp = source.xmp;
        }
        if (std::strcmp(format, "jpg") == 0) {
            expected.exif = source.exif;
            expected.extendedXmp = source.extendedXmp;
        } else if (std::strcmp(format, "png") == 0) {
            expected.srgbIntent = source.srgbIntent;
            expected.gamma = source.gamma;
            expected.chromaticities = source.chromaticities;
        }
        ImageFile back;
        DibImage image;
        ASSERT_TRUE(back.Load(result, image, Unknown, KeepMetadata)) << back.Error();
        EXPECT_TRUE(back.Metadata() == expected);
        if (std::strcmp(format, "jpg") != 0) {
            EXPECT_EQ(test::PictureMd5(image), test::PictureMd5(loaded));
        }
    }
    // PNG's colour chunks and the packet come before the picture.
    const std::vector<std::string> types = ChunkTypes(test::ReadFileBytes(dir.File("result.png")));
    const std::vector<std::string> expectedTypes =
        std::strcmp(GetParam().source, "png") == 0
            ? std::vector<std::string>{"IHDR", "iCCP", "sRGB", "gAMA", "cHRM", "iTXt", "IDAT", "IEND"}
            : std::vector<std::string>{"IHDR", "iCCP", "iTXt", "IDAT", "IEND"};
    EXPECT_EQ(types, expectedTypes);
}

// exiftool, reading what Fovella wrote, finds the profile and the packet
// byte for byte; Fovella, reading a profile that exiftool wrote, too.
TEST_P(MetadataCarryTest, ExiftoolReadsBackTheSameProfileAndPacket)
{
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool not found (Debian package libimage-exiftool-perl)";
    source.extendedXmp.clear();  // a made-up extension, which exiftool would rightly doubt
    const DibImage picture = test::GradientPicture(20, 14);
    const auto exiftool = [](const std::string& arguments) {
        std::vector<std::uint8_t> output;
        FILE* pipe = ::popen(("exiftool " + arguments).c_str(), "r");
        if (!pipe)
            return output;
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.insert(output.end(), buffer, buffer + n);
        ::pclose(pipe);
        return output;
    };
    for (const char* format : {"jpg", "png"}) {
        SCOPED_TRACE(format);
        const std::string path = dir.File(std::string("written.") + format);
        ImageFile file;
        file.SetMetadata(source);
        ASSERT_TRUE(file.Save(path, picture, Unknown, 90, 1)) << file.Error();
        EXPECT_EQ(exiftool("-b -ICC_Profile " + path), source.iccProfile);
        EXPECT_EQ(exiftool("-b -XMP " + path), Bytes(source.xmp));

        const std::string plain = dir.File(std::string("plain.") + format);
        const std::string profile = dir.File("profile.icc");
        ASSERT_TRUE(file.Save(plain, picture, Unknown, 90, 0));
        test::WriteFileBytes(profile, source.iccProfile);
        ASSERT_EQ(std::system(("exiftool -q -overwrite_original '-ICC_Profile<=" + profile + "' " + plain).c_str()), 0);
        DibImage image;
        ASSERT_TRUE(file.Load(plain, image, Unknown, KeepMetadata)) << file.Error();
        EXPECT_EQ(file.Metadata().iccProfile, source.iccProfile);
    }
}

// A profile that does not suit a PNG picture (grey for colour, or no
// profile at all) is left out with a warning naming the file; the picture
// and the packet are written all the same.
TEST(PngMetadata, AProfileThatDoesNotSuitThePictureIsLeftOutNotTheFile)
{
    test::ScratchDir dir;
    const DibImage picture = test::GradientPicture(9, 7);
    PhotoMetadata metadata;
    metadata.xmp = Packet("t");
    std::vector<std::uint8_t> grey = BuiltProfile(1024);
    std::memcpy(&grey[16], "GRAY", 4);
    for (const std::vector<std::uint8_t>& profile : {grey, Bytes("not a profile at all")}) {
        metadata.iccProfile = profile;
        ImageFile file;
        file.SetMetadata(metadata);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(file.Save(dir.File("a.png"), picture, Png, 100, 1)) << file.Error();
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(warning.rfind("'" + dir.File("a.png") + "': libpng warning: ", 0), 0u) << warning;
        DibImage back;
        ASSERT_TRUE(file.Load(dir.File("a.png"), back, Unknown, KeepMetadata)) << file.Error();
        EXPECT_TRUE(file.Metadata().iccProfile.empty());
        EXPECT_EQ(file.Metadata().xmp, metadata.xmp);
        EXPECT_EQ(test::PictureMd5(back), test::PictureMd5(picture));
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, MetadataCarryTest,
                         testing::Values(CarryCase{"JpegWithAdobeRgb", "jpg", 0},
                                         CarryCase{"JpegWithAProfileInThreeChunks", "jpg", 150000},
                                         CarryCase{"PngWithAdobeRgbAndColourChunks", "png", 0}),
                         [](const testing::TestParamInfo<CarryCase>& info) { return info.param.name; });

}  // namespace
}  // namespace fovella
