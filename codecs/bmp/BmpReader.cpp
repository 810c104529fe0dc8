#include "codecs/bmp/Bmp.h"
#include "codecs/bmp/BmpFormat.h"
#include "image/ImageLimits.h"

#include <array>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace fovella {

namespace {

using namespace bmp;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
};

class BmpReader {
public:
    BmpReader(const std::string& path, std::string* error) : m_path(path), m_error(error) {}

    bool Read(Image& image)
    {
        m_file.reset(std::fopen(m_path.c_str(), "rb"));
        if (!m_file)
            return Fail("cannot open the file");
        if (!MeasureFile() || !ReadHeaders())
            return false;
        if (m_bits == 24)
            return ReadTrueColour(image);
        if (m_bits == 1 || m_bits == 4 || m_bits == 8)
            return ReadPaletted(image);
        return Fail("unsupported bit count " + std::to_string(m_bits));
    }

    bool ReadSize(int& width, int& height)
    {
        m_file.reset(std::fopen(m_path.c_str(), "rb"));
        if (!m_file)
            return Fail("cannot open the file");
        if (!MeasureFile() || !ReadHeaders())
            return false;
        if (m_bits != 24 && m_bits != 1 && m_bits != 4 && m_bits != 8)
            return Fail("unsupported bit count " + std::to_string(m_bits));
        width = m_width;
        height = m_height;
        return true;
    }

private:
    bool Fail(const std::string& reason)
    {
        if (m_error)
            *m_error = "'" + m_path + "': " + reason;
        return false;
    }

    bool ReadExactly(void* buffer, std::size_t size)
    {
        return std::fread(buffer, 1, size, m_file.get()) == size;
    }

    bool MeasureFile()
    {
        if (std::fseek(m_file.get(), 0, SEEK_END) != 0)
            return Fail("cannot read the file");
        const long size = std::ftell(m_file.get());
        if (size < 0 || std::fseek(m_file.get(), 0, SEEK_SET) != 0)
            return Fail("cannot read the file");
        m_fileSize = std::uint64_t(size);
        return true;
    }

    bool ReadHeaders()
    {
        std::uint8_t fileHeader[kFileHeaderSize];
        if (!ReadExactly(fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' ||
            fileHeader[1] != 'M')
            return Fail("not a BMP file");
        m_dataOffset = ReadU32(fileHeader + kDataOffsetOffset);

        std::uint8_t info[kInfoHeaderSize];
        if (!ReadExactly(info, 4))
            return Fail("file ends inside its header");
        const std::uint32_t infoSize = ReadU32(info + kInfoSizeOffset);
        if (infoSize != kInfoHeaderSize)
            return Fail("information header of " + std::to_string(infoSize) +
                        " bytes; only the 40-byte header is read");
        if (std::fseek(m_file.get(), long(kFileHeaderSize), SEEK_SET) != 0 ||
            !ReadExactly(info, sizeof info))
            return Fail("file ends inside its header");

        const std::int32_t width = ReadS32(info + kWidthOffset);
        const std::int32_t height = ReadS32(info + kHeightOffset);
        m_bits = ReadU16(info + kBitCountOffset);
        m_colorsUsed = ReadU32(info + kColorsUsedOffset);
        const std::uint32_t compression = ReadU32(info + kCompressionOffset);

        // Compressed rows read as plain ones would only give a garbled picture.
        if (compression != 0)
            return Fail("compression " + std::to_string(compression) + " is not supported");
        if (width < 1 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
            return Fail("impossible size " + std::to_string(width) + " x " + std::to_string(height));
        m_width = width;
        m_topDown = height < 0;
        m_height = m_topDown ? -height : height;
        if (!FitsImageLimit(m_width, m_height, 3))
            return Fail("picture of " + std::to_string(m_width) + " x " + std::to_string(m_height) +
                        " pixels is larger than this program accepts");
        return true;
    }

    // The pixel rows must be in the file before any memory is spent on them.
    bool HasRows(std::uint64_t rowsStart, std::uint64_t stride)
    {
        const std::uint64_t needed = stride * std::uint64_t(m_height);
        return rowsStart <= m_fileSize && needed <= m_fileSize - rowsStart;
    }

    // File row k is picture row k from the bottom, or from the top when the
    // header's height is negative; the image is bottom-up either way.
    std::uint8_t* TargetRow(Image& image, int fileRow) const
    {
        return image.Rows()[m_topDown ? m_height - 1 - fileRow : fileRow];
    }

    bool ReadTrueColour(Image& image)
    {
        if (m_dataOffset != kPixelDataOffset)
            return Fail("24-bit pixel data at offset " + std::to_string(m_dataOffset) +
                        " instead of 54");
        const std::uint64_t stride = RowStride(std::uint64_t(m_width), 24);
        if (!HasRows(kPixelDataOffset, stride))
            return Fail("file ends before its pixel data");
        if (std::fseek(m_file.get(), long(kPixelDataOffset), SEEK_SET) != 0)
            return Fail("cannot read the file");
        if (!image.Create(m_width, m_height, Rgb, SampleU8, BottomUp))
            return Fail("not enough memory for the picture");
        std::vector<std::uint8_t> row(stride);
        for (int k = 0; k < m_height; ++k) {
            if (!ReadExactly(row.data(), row.size()))
                return Fail("file ends inside its pixel data");
            std::uint8_t* out = TargetRow(image, k);
            for (std::size_t x = 0; x < std::size_t(m_width); ++x) {
                out[3 * x + 0] = row[3 * x + 2];
                out[3 * x + 1] = row[3 * x + 1];
                out[3 * x + 2] = row[3 * x + 0];
            }
        }
        return true;
    }

    bool ReadPalette(std::array<Rgb8, kPaletteCapacity>& palette)
    {
        const std::uint64_t entries = m_colorsUsed != 0 ? m_colorsUsed : (1u << m_bits);
        const std::uint64_t paletteEnd = kPixelDataOffset + entries * kPaletteEntrySize;
        if (paletteEnd > m_fileSize)
            return Fail("file ends inside its palette");
        // Indices reach at most 255: entries past that are skipped, unread.
        const std::size_t kept = entries < kPaletteCapacity ? std::size_t(entries) : kPaletteCapacity;
        std::uint8_t raw[kPaletteCapacity * kPaletteEntrySize];
        if (!ReadExactly(raw, kept * kPaletteEntrySize))
            return Fail("file ends inside its palette");
        for (std::size_t n = 0; n < kept; ++n) {
            const std::uint8_t* entry = raw + n * kPaletteEntrySize;
            palette[n] = Rgb8{entry[2], entry[1], entry[0]};
        }
        // Rows start at the data offset; one that points into the headers or
        // the palette cannot be meant, and the rows are taken to follow the
        // palette directly.
        m_rowsStart = m_dataOffset >= paletteEnd ? m_dataOffset : paletteEnd;
        return std::fseek(m_file.get(), long(m_rowsStart), SEEK_SET) == 0 ||
               Fail("cannot read the file");
    }

    bool ReadPaletted(Image& image)
    {
        std::array<Rgb8, kPaletteCapacity> palette{};
        if (!ReadPalette(palette))
            return false;
        const std::uint64_t stride = RowStride(std::uint64_t(m_width), m_bits);
        if (!HasRows(m_rowsStart, stride))
            return Fail("file ends before its pixel data");
        if (!image.Create(m_width, m_height, Rgb, SampleU8, BottomUp))
            return Fail("not enough memory for the picture");
        const unsigned mask = (1u << m_bits) - 1;
        const unsigned perByte = 8 / m_bits;
        std::vector<std::uint8_t> row(stride);
        for (int k = 0; k < m_height; ++k) {
            if (!ReadExactly(row.data(), row.size()))
                return Fail("file ends inside its pixel data");
            std::uint8_t* out = TargetRow(image, k);
            for (std::size_t x = 0; x < std::size_t(m_width); ++x) {
                // Leftmost pixel in the most significant bits.
                const unsigned shift = (perByte - 1 - unsigned(x % perByte)) * m_bits;
                const Rgb8 colour = palette[(row[x / perByte] >> shift) & mask];
                out[3 * x + 0] = colour.r;
                out[3 * x + 1] = colour.g;
                out[3 * x + 2] = colour.b;
            }
        }
        return true;
    }

    const std::string& m_path;
    std::string* m_error;
    File m_file;
    std::uint64_t m_fileSize = 0;
    std::uint32_t m_dataOffset = 0;
    std::uint64_t m_rowsStart = 0;
    unsigned m_bits = 0;
    std::uint32_t m_colorsUsed = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
};

}  // namespace

bool LoadBmp(const std::string& path, Image& image, std::string* error)
{
    return BmpReader(path, error).Read(image);
}

bool ReadBmpSize(const std::string& path, int& width, int& height, std::string* error)
{
    return BmpReader(path, error).ReadSize(width, height);
}

}  // namespace fovella
