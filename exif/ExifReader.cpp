// The EXIF payload: "Exif\0\0", then a TIFF structure whose offsets all
// count from its first byte (the base, payload offset 6): byte order "II"
// or "MM", the number 42, the offset of the first directory. A directory is
// a u16 entry count, 12-byte entries (tag, format, count, value or value
// offset) and the u32 offset of the next directory.
#include "exif/ExifReader.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace fovella {

namespace {

constexpr std::uint16_t kExifOffset = 0x8769;
constexpr std::uint16_t kInteroperabilityOffset = 0xA005;
constexpr std::uint16_t kFocalLength = 0x920A;
constexpr std::uint16_t kOrientation = 0x0112;

constexpr int kMaxDepth = 5;
// Bytes per component of formats 0 to 12 (BYTE 1 .. DOUBLE 12).
constexpr std::uint64_t kComponentBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
enum Format {
    Byte = 1, Ascii, Short, Long, Rational, SByte, Undefined, SShort, SLong, SRational, Single, Double
};

class ExifWalk {
public:
    ExifWalk(const std::uint8_t* tiff, std::uint64_t length, bool bigEndian, std::ostream& diagnostics)
        : m_tiff(tiff), m_length(length), m_bigEndian(bigEndian), m_diagnostics(diagnostics)
    {
    }

    void Directory(std::uint64_t start, int depth)
    {
        if (depth >= kMaxDepth)
            return Report("Maximum directory nesting exceeded (corrupt exif header)");
        if (start + 2 > m_length)
            return Report("Illegally sized directory");
        const std::uint64_t entries = U16(start);
        const std::uint64_t end = start + 2 + 12 * entries;
        // A next-directory link cut off by the block's end is tolerated.
        if (end + 4 > m_length && end + 2 != m_length && end != m_length)
            return Report("Illegally sized directory");

        for (std::uint64_t k = 0; k < entries; ++k)
            Entry(start + 2 + 12 * k, depth);

        if (end + 4 <= m_length) {
            const std::uint64_t next = U32(end);
            if (next == 0)
                return;
            if (next > m_length) {
                if (next >= m_length + 20)
                    Report("Illegal subdirectory link");
                return;
            }
            Directory(next, depth + 1);
        }
    }

    // The header after the byte order: 42, then the first directory.
    void Walk()
    {
        if (m_length < 8 || U16(2) != 42)
            return Report("Invalid Exif start (1)");
        const std::uint64_t first = U32(4);
        if (first < 8 || first > 16)
            Report("Suspicious offset of first IFD value");
        Directory(first, 0);
    }

    float focalLength = 0;
    int orientation = 1;

private:
    void Entry(std::uint64_t entry, int depth)
    {
        const std::uint16_t tag = U16(entry);
        const std::uint16_t format = U16(entry + 2);
        const std::uint64_t count = U32(entry + 4);
        if (format > 12)
            return Report("Illegal number format " + std::to_string(format) + " for tag " + Hex(tag));
        const std::uint64_t size = count * kComponentBytes[format];
        std::uint64_t value = entry + 8;
        if (size > 4) {
            value = U32(entry + 8);
            if (value + size > m_length)
                return Report("Illegal value pointer for tag " + Hex(tag));
        }
        if (count == 0)
            return;  // no component to read
        switch (tag) {
        case kExifOffset:
        case kInteroperabilityOffset: {
            const double target = Number(value, format);
            if (!(target >= 0) || target > double(m_length))
                return Report("Illegal exif or interop ofset directory link");
            Directory(std::uint64_t(target), depth + 1);
            break;
        }
        case kFocalLength:
            focalLength = float(Number(value, format));
            break;
        case kOrientation: {
            const double number = Number(value, format);
            if (depth == 0 && number >= 1 && number <= 8)
                orientation = int(number);
            break;
        }
        }
    }

    // The value's first component as a number; 0 for text and raw bytes.
    double Number(std::uint64_t at, int format) const
    {
        switch (format) {
        case Byte: return m_tiff[at];
        case SByte: return std::int8_t(m_tiff[at]);
        case Short: return U16(at);
        case SShort: return std::int16_t(U16(at));
        case Long: return U32(at);
        case SLong: return std::int32_t(U32(at));
        case Rational:
        case SRational: {
            // Both parts as signed 32-bit numbers, as cameras mean them.
            const std::int32_t numerator = std::int32_t(U32(at));
            const std::int32_t denominator = std::int32_t(U32(at + 4));
            return denominator == 0 ? 0 : double(numerator) / double(denominator);
        }
        case Single: {
            const std::uint32_t bits = U32(at);
            float number;
            std::memcpy(&number, &bits, 4);
            return number;
        }
        case Double: {
            const std::uint64_t bits = m_bigEndian ? (std::uint64_t(U32(at)) << 32) | U32(at + 4)
                                                   : (std::uint64_t(U32(at + 4)) << 32) | U32(at);
            double number;
            std::memcpy(&number, &bits, 8);
            return number;
        }
        default: return 0;
        }
    }

    std::uint32_t U16(std::uint64_t at) const
    {
        const std::uint8_t* p = m_tiff + at;
        return m_bigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
    }

    std::uint32_t U32(std::uint64_t at) const
    {
        const std::uint8_t* p = m_tiff + at;
        return m_bigEndian ? (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]
                           : p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
    }

    static std::string Hex(std::uint16_t tag)
    {
        char text[8];
        std::snprintf(text, sizeof text, "%04x", tag);
        return text;
    }

    void Report(const std::string& message) { m_diagnostics << "Nonfatal Error : " << message << "\n"; }

    const std::uint8_t* m_tiff;
    std::uint64_t m_length;
    bool m_bigEndian;
    std::ostream& m_diagnostics;
};

void Report(std::ostream& diagnostics, const char* message)
{
    diagnostics << "Nonfatal Error : " << message << "\n";
}

}  // namespace

ExifInfo ReadExif(const std::uint8_t* payload, std::size_t length, std::ostream& diagnostics)
{
    ExifInfo info;
    static const std::uint8_t kIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (length < 6 || std::memcmp(payload, kIdentifier, 6) != 0) {
        Report(diagnostics, "Incorrect Exif header");
        return info;
    }
    bool bigEndian;
    if (length >= 8 && payload[6] == 'I' && payload[7] == 'I')
        bigEndian = false;
    else if (length >= 8 && payload[6] == 'M' && payload[7] == 'M')
        bigEndian = true;
    else {
        Report(diagnostics, "Invalid Exif alignment marker.");
        return info;
    }
    // The TIFF structure is all of the payload after its identifier.
    ExifWalk walk(payload + 6, length - 6, bigEndian, diagnostics);
    walk.Walk();
    info.FocalLength = walk.focalLength;
    info.Orientation = walk.orientation;
    return info;
}

ExifInfo ReadExif(const std::uint8_t* payload, std::size_t length)
{
    return ReadExif(payload, length, std::cerr);
}

}  // namespace fovella
