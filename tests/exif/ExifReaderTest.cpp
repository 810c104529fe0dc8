#include "exif/ExifReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <vector>

namespace fovella {
namespace {

// An EXIF payload written field by field; offsets count from the TIFF base.
class Block {
public:
    explicit Block(bool bigEndian, std::uint32_t firstDirectory = 8) : m_big(bigEndian)
    {
        m_bytes = {'E', 'x', 'i', 'f', 0, 0};
        m_bytes.push_back(bigEndian ? 'M' : 'I');
        m_bytes.push_back(bigEndian ? 'M' : 'I');
        Put16(2, 42);
        Put32(4, firstDirectory);
    }

    struct Entry {
        std::uint16_t tag, format;
        std::uint32_t count, value;
    };
    // A directory at `at` with its entries and a next-directory link.
    void Directory(std::uint32_t at, const std::vector<Entry>& entries, std::uint32_t next = 0)
    {
        Put16(at, std::uint16_t(entries.size()));
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const std::uint32_t e = at + 2 + 12 * std::uint32_t(k);
            Put16(e, entries[k].tag);
            Put16(e + 2, entries[k].format);
            Put32(e + 4, entries[k].count);
            Put32(e + 8, entries[k].value);
        }
        Put32(at + 2 + 12 * std::uint32_t(entries.size()), next);
    }

    void Put16(std::uint32_t at, std::uint32_t v) { PutBytes(at, v, 2); }
    void Put32(std::uint32_t at, std::uint32_t v) { PutBytes(at, v, 4); }
    void PutText(std::uint32_t at, const std::string& text)
    {
        Grow(at + text.size());
        std::memcpy(&m_bytes[6 + at], text.data(), text.size());
    }
    void Resize(std::size_t tiffLength) { m_bytes.resize(6 + tiffLength); }
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }

    ExifInfo Read(std::string* report = nullptr)
    {
        std::ostringstream diagnostics;
        const ExifInfo info = ReadExif(m_bytes.data(), m_bytes.size(), diagnostics);
        if (report)
            *report = diagnostics.str();
        return info;
    }

private:
    void Grow(std::size_t tiffEnd)
    {
        if (m_bytes.size() < 6 + tiffEnd)
            m_bytes.resize(6 + tiffEnd, 0);
    }
    void PutBytes(std::uint32_t at, std::uint32_t v, int n)
    {
        Grow(at + n);
        for (int k = 0; k < n; ++k)
            m_bytes[6 + at + k] = std::uint8_t(v >> (8 * (m_big ? n - 1 - k : k)));
    }

    bool m_big;
    std::vector<std::uint8_t> m_bytes;
};

constexpr std::uint16_t kFocal = 0x920A, kExifIfd = 0x8769, kComment = 0x9286;
constexpr std::uint16_t kRational = 5, kAscii = 2, kSingle = 11, kDouble = 12, kUndefined = 7;

TEST(ExifReader, BigEndianRationalInTheExifDirectory)
{
    Block block(true);
    block.Directory(8, {{0x010F, kAscii, 4, 0x41424300}, {kExifIfd, 4, 1, 38}});
    block.Directory(38, {{kFocal, kRational, 1, 60}});
    block.Put32(60, 7400);
    block.Put32(64, 1000);
    std::string report;
    EXPECT_FLOAT_EQ(block.Read(&report).FocalLength, 7.4f);
    EXPECT_EQ(report, "");
}

TEST(ExifReader, SignedRationalsAndZeroDenominator)
{
    Block block(false);
    block.Directory(8, {{kFocal, kRational, 1, 26}});
    block.Put32(26, 247);
    block.Put32(30, 16);
    EXPECT_FLOAT_EQ(block.Read().FocalLength, 15.4375f);
    block.Put32(30, 0);
    EXPECT_EQ(block.Read().FocalLength, 0.0f);
    // Numerator and denominator are signed 32-bit numbers.
    block.Put32(26, 0xFFFFFFF6);
    block.Put32(30, 0xFFFFFFFE);
    EXPECT_FLOAT_EQ(block.Read().FocalLength, 5.0f);
}

TEST(ExifReader, FloatingPointValuesFollowTheBlocksByteOrder)
{
    for (bool big : {false, true}) {
        Block block(big);
        const float single = 4.5f;
        std::uint32_t bits;
        std::memcpy(&bits, &single, 4);
        block.Directory(8, {{kFocal, kSingle, 1, bits}});
        EXPECT_FLOAT_EQ(block.Read().FocalLength, 4.5f) << big;

        const double value = 35.25;
        std::uint64_t wide;
        std::memcpy(&wide, &value, 8);
        block.Directory(8, {{kFocal, kDouble, 1, 26}});
        block.Put32(big ? 26 : 30, std::uint32_t(wide >> 32));
        block.Put32(big ? 30 : 26, std::uint32_t(wide));
        EXPECT_FLOAT_EQ(block.Read().FocalLength, 35.25f) << big;
    }
}

TEST(ExifReader, LaterFocalLengthWinsAndTheNextDirectoryIsWalked)
{
    Block block(false);
    block.Directory(8, {{kFocal, 3, 1, 18}}, 26);
    block.Directory(26, {{kFocal, 3, 1, 24}});
    EXPECT_EQ(block.Read().FocalLength, 24.0f);
}

TEST(ExifReader, ValueAtTheVeryEndOfTheBlockIsRead)
{
    // No thumbnail after the value: it ends where the payload ends.
    Block block(true);
    block.Directory(8, {{kFocal, kRational, 1, 26}});
    block.Put32(26, 50);
    block.Put32(30, 10);
    block.Resize(34);
    std::string report;
    EXPECT_EQ(block.Read(&report).FocalLength, 5.0f);
    EXPECT_EQ(report, "");
}

struct Fault {
    const char* name;
    bool bigEndian;
    void (*make)(Block&);
    const char* report;
    float focal;
};

class ExifReaderReports : public testing::TestWithParam<Fault> {};

TEST_P(ExifReaderReports, TheFaultAndKeepsWhatWasFound)
{
    Block block(GetParam().bigEndian);
    GetParam().make(block);
    std::string report;
    EXPECT_FLOAT_EQ(block.Read(&report).FocalLength, GetParam().focal);
    EXPECT_EQ(report, std::string("Nonfatal Error : ") + GetParam().report + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ExifReaderReports,
    testing::Values(
        Fault{"NotExif", false, [](Block& b) { std::memcpy(b.Bytes().data(), "<x:xmp", 6); },
              "Incorrect Exif header", 0},
        Fault{"ByteOrder", false, [](Block& b) { b.Bytes()[6] = 'X'; },
              "Invalid Exif alignment marker.", 0},
        Fault{"No42", true, [](Block& b) { b.Put16(2, 43); }, "Invalid Exif start (1)", 0},
        Fault{"SuspiciousFirstOffset", false,
              [](Block& b) {
                  b.Put32(4, 20);
                  b.Directory(20, {{kFocal, 3, 1, 28}});
              },
              "Suspicious offset of first IFD value", 28},
        Fault{"ValuePointerOutside", true,
              [](Block& b) {
                  b.Directory(8, {{kFocal, kRational, 1, 500}});
                  b.Resize(40);
              },
              "Illegal value pointer for tag 920a", 0},
        Fault{"BadFormat", false, [](Block& b) { b.Directory(8, {{kFocal, 13, 1, 5}}); },
              "Illegal number format 13 for tag 920a", 0},
        Fault{"DirectoryPastTheEnd", false,
              [](Block& b) {
                  b.Directory(8, {{kFocal, 3, 1, 5}});
                  b.Put16(8, 40);
              },
              "Illegally sized directory", 0},
        Fault{"BadExifLink", true,
              [](Block& b) { b.Directory(8, {{kExifIfd, 4, 1, 9000}, {kFocal, 4, 1, 9}}); },
              "Illegal exif or interop ofset directory link", 9},
        Fault{"FarNextLink", false,
              [](Block& b) {
                  b.Directory(8, {{kFocal, 3, 1, 11}}, 400);
                  b.Resize(40);
              },
              "Illegal subdirectory link", 11},
        Fault{"NestingTooDeep", true,
              [](Block& b) {
                  // Directories chained by next links: the sixth is at depth 5.
                  for (std::uint32_t d = 0; d < 6; ++d)
                      b.Directory(8 + 18 * d, {{kFocal, 4, 1, 10 + d}}, 8 + 18 * (d + 1));
                  b.Directory(8 + 18 * 6, {});
              },
              "Maximum directory nesting exceeded (corrupt exif header)", 14}),
    [](const testing::TestParamInfo<Fault>& info) { return info.param.name; });

TEST(ExifReader, NearNextLinkPastTheEndIsIgnoredSilently)
{
    Block block(false);
    block.Directory(8, {{kFocal, 3, 1, 11}}, 45);
    block.Resize(30);
    std::string report;
    EXPECT_EQ(block.Read(&report).FocalLength, 11.0f);
    EXPECT_EQ(report, "");
}

// The block is written back with the picture byte for byte: reading it
// changes nothing, a UserComment's trailing spaces included.
TEST(ExifReader, TheBlockIsOnlyRead)
{
    Block block(false);
    block.Directory(8, {{kComment, kUndefined, 10, 40}, {kFocal, kRational, 1, 50}});
    block.PutText(40, "nice      ");
    block.Put32(50, 35);
    block.Put32(54, 10);
    const std::vector<std::uint8_t> before = block.Bytes();
    EXPECT_EQ(block.Read().FocalLength, 3.5f);
    EXPECT_EQ(block.Bytes(), before);
}

// The orientation is the picture's: the first directory's, a SHORT whose
// value sits in the entry's first two bytes in either byte order.
TEST(ExifReader, OrientationComesFromTheFirstDirectoryOnly)
{
    constexpr std::uint16_t kOrientation = 0x0112, kShort = 3;
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        const auto shortValue = [big](std::uint32_t v) { return big ? v << 16 : v; };
        Block block(big);
        block.Directory(8, {{kOrientation, kShort, 1, shortValue(7)}});
        EXPECT_EQ(block.Read().Orientation, 7);
        for (const std::uint32_t outside : {0u, 9u, 65535u}) {
            block.Directory(8, {{kOrientation, kShort, 1, shortValue(outside)}});
            EXPECT_EQ(block.Read().Orientation, 1) << outside;
        }
        // The thumbnail's directory (next link) and the EXIF directory do not count.
        block.Directory(8, {{kOrientation, kShort, 1, shortValue(3)}, {kExifIfd, 4, 1, 40}}, 60);
        block.Directory(40, {{kOrientation, kShort, 1, shortValue(6)}});
        block.Directory(60, {{kOrientation, kShort, 1, shortValue(8)}});
        EXPECT_EQ(block.Read().Orientation, 3);
        block.Directory(8, {{kExifIfd, 4, 1, 40}}, 60);
        EXPECT_EQ(block.Read().Orientation, 1);
    }
}

TEST(ExifReader, EveryCutOfAValidBlockIsReadSafely)
{
    Block block(true);
    block.Directory(8, {{kExifIfd, 4, 1, 26}});
    block.Directory(26, {{kFocal, kRational, 1, 56}, {kComment, kUndefined, 8, 64}});
    block.Put32(56, 28);
    block.Put32(60, 1);
    block.PutText(64, "ab      ");
    const std::vector<std::uint8_t> whole = block.Bytes();
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
        std::ostringstream diagnostics;
        const float focal = ReadExif(cut.data(), cut.size(), diagnostics).FocalLength;
        EXPECT_TRUE(focal == 0 || focal == 28) << length;
    }
    std::ostringstream diagnostics;
    std::vector<std::uint8_t> full = whole;
    EXPECT_EQ(ReadExif(full.data(), full.size(), diagnostics).FocalLength, 28.0f);
}

}  // namespace
}  // namespace fovella
