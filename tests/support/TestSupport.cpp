#include "tests/support/TestSupport.h"

#include "codecs/ImageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fovella::test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "fovella-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch folder");
    m_path = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code error;
    // Tests may leave read-only folders behind: make them writable again.
    for (auto it = fs::recursive_directory_iterator(m_path, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

std::vector<std::string> ScratchDir::Entries(const std::string& name) const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(name.empty() ? m_path : File(name)))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string TestDataDir()
{
    if (const char* fromEnvironment = std::getenv("FOVELLA_TESTDATA"))
        return fs::is_directory(fromEnvironment) ? fromEnvironment : "";
    return fs::is_directory(FOVELLA_TESTDATA_DEFAULT) ? FOVELLA_TESTDATA_DEFAULT : "";
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

namespace {

// RFC 1321.
class Md5 {
public:
    void Update(const std::uint8_t* data, std::size_t size)
    {
        for (std::size_t k = 0; k < size; ++k) {
            m_block[m_used++] = data[k];
            if (m_used == 64) {
                Transform();
                m_used = 0;
            }
        }
        m_length += size;
    }

    std::string HexDigest()
    {
        const std::uint64_t bits = m_length * 8;
        const std::uint8_t pad = 0x80;
        Update(&pad, 1);
        const std::uint8_t zero = 0;
        while (m_used != 56)
            Update(&zero, 1);
        std::uint8_t length[8];
        for (int k = 0; k < 8; ++k)
            length[k] = std::uint8_t(bits >> (8 * k));
        Update(length, 8);
        std::string hex;
        char digits[3];
        for (std::uint32_t word : m_state)
            for (int k = 0; k < 4; ++k) {
                std::snprintf(digits, sizeof digits, "%02x", (word >> (8 * k)) & 0xff);
                hex += digits;
            }
        return hex;
    }

private:
    static std::uint32_t Rotate(std::uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

    void Transform()
    {
        static const std::uint32_t K[64] = {
            0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
            0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
            0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
            0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
            0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
            0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
            0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
            0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
            0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
            0xeb86d391};
        static const int S[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                  5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                  4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                  6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
        std::uint32_t w[16];
        for (int k = 0; k < 16; ++k)
            w[k] = std::uint32_t(m_block[4 * k]) | (std::uint32_t(m_block[4 * k + 1]) << 8) |
                   (std::uint32_t(m_block[4 * k + 2]) << 16) |
                   (std::uint32_t(m_block[4 * k + 3]) << 24);
        std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        for (int k = 0; k < 64; ++k) {
            std::uint32_t f;
            int g;
            if (k < 16) {
                f = (b & c) | (~b & d);
                g = k;
            } else if (k < 32) {
                f = (d & b) | (~d & c);
                g = (5 * k + 1) % 16;
            } else if (k < 48) {
                f = b ^ c ^ d;
                g = (3 * k + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * k) % 16;
            }
            const std::uint32_t next = d;
            d = c;
            c = b;
            b = b + Rotate(a + f + K[k] + w[g], S[k]);
            a = next;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
    }

    std::uint32_t m_state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::uint8_t m_block[64] = {};
    std::size_t m_used = 0;
    std::uint64_t m_length = 0;
};

}  // namespace

std::string Md5Hex(const std::uint8_t* data, std::size_t size)
{
    Md5 md5;
    md5.Update(data, size);
    return md5.HexDigest();
}

std::string PictureMd5(const Image& image)
{
    const int channels = ChannelCount(image.GetPixelType());
    // 16-bit samples are in the host's (little-endian) order: the high byte
    // is the second.
    const int sampleBytes = SampleBytes(image.GetSampleType());
    const int high = sampleBytes - 1;
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t(image.Width()) * image.Height() * 3);
    for (int y = 0; y < image.Height(); ++y) {
        const int row = image.GetRowOrder() == BottomUp ? image.Height() - 1 - y : y;
        const std::uint8_t* p = image.Rows()[row];
        for (int x = 0; x < image.Width(); ++x, p += channels * sampleBytes) {
            auto c = [&](int k) { return p[k * sampleBytes + high]; };
            switch (image.GetPixelType()) {
            case Gray: rgb.insert(rgb.end(), {c(0), c(0), c(0)}); break;
            case Bgr: rgb.insert(rgb.end(), {c(2), c(1), c(0)}); break;
            default: rgb.insert(rgb.end(), {c(0), c(1), c(2)}); break;  // alpha dropped
            }
        }
    }
    return Md5Hex(rgb.data(), rgb.size());
}

bool SucceedsWithFileSizeLimit(std::size_t bytes, const std::function<bool()>& body)
{
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("cannot fork");
    if (child == 0) {
        // A write past the limit then fails with EFBIG instead of a signal.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(body() ? 0 : 3);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        throw std::runtime_error("the child did not end normally");
    return WEXITSTATUS(status) == 0;
}

void FillGradient(Image& image, int seed)
{
    const int bytes = image.Width() * image.BytesPerPixel();
    for (int y = 0; y < image.Height(); ++y)
        for (int b = 0; b < bytes; ++b)
            image.Rows()[y][b] = std::uint8_t(b * 7 + y * 13 + (b % 3) * 50 + seed);
}

DibImage GradientPicture(int width, int height, PixelType type, RowOrder order, int seed)
{
    DibImage picture;
    EXPECT_TRUE(picture.Create(width, height, type, SampleU8, order)) << width << " x " << height;
    FillGradient(picture, seed);
    return picture;
}

}  // namespace fovella::test

namespace fovella::test {

DibImage WriteGradientFile(const std::string& path, int width, int height, const std::vector<std::uint8_t>& exif,
                           int seed)
{
    const DibImage picture = GradientPicture(width, height, Rgb, BottomUp, seed);
    ImageFile file;
    file.SetExifBlock(exif);
    EXPECT_TRUE(file.Save(path, picture, Unknown, 95, exif.empty() ? 0 : 1)) << file.Error();
    DibImage written;
    EXPECT_TRUE(file.Load(path, written, Unknown, 0)) << file.Error();
    EXPECT_TRUE(written.ConvertPixelType(Bgr));
    return written;
}

std::vector<std::uint8_t> ExifWithFocal(std::int32_t numerator, std::int32_t denominator)
{
    std::vector<std::uint8_t> block = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
    const auto put = [&block](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            block.push_back(std::uint8_t(value >> (8 * i)));
    };
    put(1, 2);            // one entry, at TIFF offset 8
    put(0x920A, 2);       // FocalLength
    put(5, 2);            // RATIONAL
    put(1, 4);            // one value
    put(26, 4);           // at TIFF offset 8 + 2 + 12 + 4
    put(0, 4);            // no next directory
    put(std::uint32_t(numerator), 4);
    put(std::uint32_t(denominator), 4);
    return block;
}

}  // namespace fovella::test

namespace fovella {

bool SamePixels(const Image& a, const Image& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetPixelType() != b.GetPixelType() ||
        a.GetRowOrder() != b.GetRowOrder())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.Rows()[y], a.Rows()[y] + a.Width() * a.BytesPerPixel(), b.Rows()[y]))
            return false;
    return true;
}

}  // namespace fovella
