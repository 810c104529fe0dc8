// Helpers shared by the tests: scratch folders, the shared test data, MD5.
#pragma once

#include "image/DibImage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fovella::test {

// A fresh folder under the system's temporary folder, removed with its
// contents on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Names of the entries in the folder, or in its sub-folder `name`, sorted.
    std::vector<std::string> Entries(const std::string& name = "") const;

private:
    std::string m_path;
};

// The shared test-data folder (FOVELLA_TESTDATA in the environment, else
// the one beside the project), or "" when it is absent.
std::string TestDataDir();

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Lower-case hex MD5 of a byte string.
std::string Md5Hex(const std::uint8_t* data, std::size_t size);
// MD5 of the picture as packed 8-bit RGB, top row first, alpha dropped and
// 16-bit samples reduced to their high byte: the checksum convention of the
// test data's expected-decode.tsv.
std::string PictureMd5(const Image& image);

// Runs `body` in a child process whose files may grow to `bytes` at most
// (a full disk, as a write sees it) and returns what it returned.
bool SucceedsWithFileSizeLimit(std::size_t bytes, const std::function<bool()>& body);

// Fills every byte of an 8-bit image with a pattern that differs in every
// channel, column and row (no symmetry a mirrored or swapped read could hide).
void FillGradient(Image& image, int seed = 0);
// A picture of 8-bit samples filled by FillGradient.
DibImage GradientPicture(int width, int height, PixelType type = Rgb, RowOrder order = BottomUp, int seed = 0);

}  // namespace fovella::test

// Skips the test when the shared test data is not there.
#define FOVELLA_REQUIRE_TESTDATA(dir)                                                  \
    const std::string dir = ::fovella::test::TestDataDir();                            \
    if (!dir.empty()) {                                                                \
    } else                                                                             \
        GTEST_SKIP() << "shared test data not found (set FOVELLA_TESTDATA to its folder)"

namespace fovella::test {

// Writes a gradient picture of `width` x `height` in the format the name's
// extension says, with `exif` as a JPEG file's APP1 block when not empty.
// Returns the picture as the file reads back, in blue, green, red order (as
// the window holds it).
DibImage WriteGradientFile(const std::string& path, int width, int height,
                           const std::vector<std::uint8_t>& exif = {}, int seed = 0);

// An EXIF APP1 payload, little-endian, whose one directory holds the focal
// length numerator / denominator (signed) as a RATIONAL.
std::vector<std::uint8_t> ExifWithFocal(std::int32_t numerator, std::int32_t denominator);

}  // namespace fovella::test

namespace fovella {

// The same size, pixel type, row order and pixel bytes (the padding of the
// rows left out).
bool SamePixels(const Image& a, const Image& b);

}  // namespace fovella
