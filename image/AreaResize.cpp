#include "image/AreaResize.h"

#include "image/NearestResize.h"

#include <algorithm>

namespace fovella {

namespace {

// Rows added up at once in 16 bits: 257 * 255 is 65535.
constexpr int kRunRows = 257;

// Exact division by a fixed divisor through one multiplication: for any
// 32-bit numerator, the high half of its product with ceil(2^64 / d) is
// the quotient (Lemire, Kaser and Kurz, "Faster remainder by direct
// computation", 2019). Divisors of 2^24 and more, whose numerators may not
// fit 32 bits, are divided plainly.
class Divider {
public:
    explicit Divider(std::uint64_t divisor = 1)
        : m_divisor(divisor), m_reciprocal(divisor >= 2 ? ~std::uint64_t(0) / divisor + 1 : 0)
    {
    }

    // The mean of divisor-many values adding up to `total`, rounded half up.
    std::uint8_t Mean(std::uint64_t total) const
    {
        const std::uint64_t numerator = total + m_divisor / 2;
        if (m_divisor == 1)
            return std::uint8_t(numerator);
        if (m_divisor >= kPlain)
            return std::uint8_t(numerator / m_divisor);
        return std::uint8_t((static_cast<unsigned __int128>(m_reciprocal) * numerator) >> 64);
    }

private:
    static constexpr std::uint64_t kPlain = std::uint64_t(1) << 24;
    std::uint64_t m_divisor;
    std::uint64_t m_reciprocal;
};

struct Span {
    int begin, end;  // source pixels, end not included
};

// The source pixels of resized pixel k: its cell on a reduced side, the
// pixel under its centre (CopyScaledRegion's) on one that is not.
Span SpanOf(std::int64_t k, int scaled, int source)
{
    if (scaled >= source) {
        const int under = int((2 * k + 1) * source / (2 * std::int64_t(scaled)));
        return {under, under + 1};
    }
    return {int(k * source / scaled), int((k + 1) * source / scaled)};
}

// Adds the column sums of each resized column's cell to its totals.
template <int kBytes>
void AddCells(const std::uint16_t* sums, const int* begins, const int* ends, int width, int first, int bytes,
              std::uint64_t* totals)
{
    const int size = kBytes ? kBytes : bytes;
    for (int j = 0; j < width; ++j, totals += size)
        for (int p = begins[j]; p < ends[j]; ++p) {
            const std::uint16_t* pixel = sums + std::ptrdiff_t(p - first) * size;
            for (int c = 0; c < size; ++c)
                totals[c] += pixel[c];
        }
}

}  // namespace

void AreaResizer::CopyRegion(const Image& picture, int scaledWidth, int scaledHeight, int x, int y, int width,
                             int height, std::uint8_t* out, std::ptrdiff_t stride)
{
    if ((scaledWidth >= picture.Width() && scaledHeight >= picture.Height()) || width <= 0 || height <= 0)
        return CopyScaledRegion(picture, scaledWidth, scaledHeight, x, y, width, height, out, stride);
    const int bytes = picture.BytesPerPixel();
    m_columnBegins.resize(std::size_t(width));
    m_columnEnds.resize(std::size_t(width));
    int narrowest = picture.Width();
    for (int k = 0; k < width; ++k) {
        const Span span = SpanOf(x + k, scaledWidth, picture.Width());
        m_columnBegins[std::size_t(k)] = span.begin;
        m_columnEnds[std::size_t(k)] = span.end;
        narrowest = std::min(narrowest, span.end - span.begin);
    }
    const int* begins = m_columnBegins.data();
    const int* ends = m_columnEnds.data();
    const int first = begins[0];
    const std::size_t runBytes = std::size_t(ends[width - 1] - first) * std::size_t(bytes);
    m_columnSums.resize(runBytes);
    m_totals.resize(std::size_t(width) * std::size_t(bytes));
    const bool bottomUp = picture.GetRowOrder() == BottomUp;

    for (int k = 0; k < height; ++k, out += stride) {
        const Span rows = SpanOf(y + k, scaledHeight, picture.Height());
        std::fill(m_totals.begin(), m_totals.end(), 0);
        for (int run = rows.begin; run < rows.end; run += kRunRows) {
            std::fill(m_columnSums.begin(), m_columnSums.end(), 0);
            std::uint16_t* sums = m_columnSums.data();
            for (int row = run; row < std::min(rows.end, run + kRunRows); ++row) {
                const std::uint8_t* in =
                    picture.Rows()[bottomUp ? picture.Height() - 1 - row : row] + std::size_t(first) * bytes;
                for (std::size_t i = 0; i < runBytes; ++i)
                    sums[i] = std::uint16_t(sums[i] + in[i]);
            }
            switch (bytes) {
            case 1: AddCells<1>(sums, begins, ends, width, first, 1, m_totals.data()); break;
            case 3: AddCells<3>(sums, begins, ends, width, first, 3, m_totals.data()); break;
            default: AddCells<0>(sums, begins, ends, width, first, bytes, m_totals.data()); break;
            }
        }
        // Cells are one of two widths: the narrowest, or one more.
        const std::uint64_t cellRows = std::uint64_t(rows.end - rows.begin);
        const Divider narrow(cellRows * std::uint64_t(narrowest)), wide(cellRows * std::uint64_t(narrowest + 1));
        const std::uint64_t* totals = m_totals.data();
        std::uint8_t* to = out;
        for (int j = 0; j < width; ++j) {
            const Divider& divider = ends[j] - begins[j] == narrowest ? narrow : wide;
            for (int c = 0; c < bytes; ++c)
                *to++ = divider.Mean(*totals++);
        }
    }
}

}  // namespace fovella
