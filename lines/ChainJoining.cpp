#include "lines/ChainJoining.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace fovella {

namespace {

// Direction is measured over this many points at each end: enough to
// average away the edge points' scatter, short enough to follow a bend.
constexpr std::size_t kEndSpan = 20;
// The largest turn from one piece to the next: a distorted line turns by
// about 2 degrees over the longest gap joined; the rest is room for the
// directions of the two ends, each measured over kEndSpan points to about
// half a degree.
const double kMinDirectionCosine = std::cos(4.0 * M_PI / 180.0);
// How far a head may lie off the line the tail leads along: a pixel of
// the edge points' scatter, and one more for every 50 pixels of gap, the
// turn of a distorted line (about a degree) and of the tail's direction.
constexpr double kMostAcross = 1, kGapPerAcross = 50;

struct End {
    double x, y;    // the end point
    double dx, dy;  // unit direction of travel there
};

End Tail(const EdgeChain& chain)
{
    const EdgePoint& last = chain.back();
    const EdgePoint& before = chain[chain.size() - std::min(chain.size(), kEndSpan)];
    const double length = std::hypot(last.x - before.x, last.y - before.y);
    return {last.x, last.y, (last.x - before.x) / length, (last.y - before.y) / length};
}

End Head(const EdgeChain& chain)
{
    const EdgePoint& first = chain.front();
    const EdgePoint& after = chain[std::min(chain.size(), kEndSpan) - 1];
    const double length = std::hypot(after.x - first.x, after.y - first.y);
    return {first.x, first.y, (after.x - first.x) / length, (after.y - first.y) / length};
}

}  // namespace

std::vector<EdgeChain> JoinCollinearChains(std::vector<EdgeChain> pieces, double maxGap)
{
    const std::size_t n = pieces.size();
    std::vector<End> heads(n), tails(n);
    // Heads sorted by grid cell of maxGap, rows of cells first, for finding
    // the ones near a tail: the three cells of a row are then one run.
    struct CellHead {
        int cy, cx;
        std::size_t piece;
        bool operator<(const CellHead& o) const { return std::tie(cy, cx, piece) < std::tie(o.cy, o.cx, o.piece); }
    };
    const auto cell = [maxGap](double x) { return int(std::floor(x / maxGap)); };
    std::vector<CellHead> byCell(n);
    for (std::size_t k = 0; k < n; ++k) {
        heads[k] = Head(pieces[k]);
        tails[k] = Tail(pieces[k]);
        byCell[k] = {cell(heads[k].y), cell(heads[k].x), k};
    }
    std::sort(byCell.begin(), byCell.end());
    // A piece's best successor: the nearest head that its tail leads to.
    std::vector<int> next(n, -1);
    for (std::size_t k = 0; k < n; ++k) {
        const End& t = tails[k];
        const int cx = cell(t.x), cy = cell(t.y);
        double best = maxGap;
        for (int gy = cy - 1; gy <= cy + 1; ++gy) {
            auto it = std::lower_bound(byCell.begin(), byCell.end(), CellHead{gy, cx - 1, 0});
            for (; it != byCell.end() && it->cy == gy && it->cx <= cx + 1; ++it) {
                const std::size_t j = it->piece;
                const End& h = heads[j];
                const double ox = h.x - t.x, oy = h.y - t.y;
                const double along = ox * t.dx + oy * t.dy;
                // Most heads of the cells are too far, behind or turned
                // away, and which cannot be predicted: those tests are
                // taken together without a branch, and the root only for
                // the others.
                const bool candidate = (j != k) & !(ox * ox + oy * oy > best * best) & !(along < -1) &
                                       !(h.dx * t.dx + h.dy * t.dy < kMinDirectionCosine);
                if (!candidate)
                    continue;
                const double gap = std::sqrt(ox * ox + oy * oy);
                const double across = std::fabs(ox * t.dy - oy * t.dx);
                if (gap > best || across > kMostAcross + gap / kGapPerAcross)
                    continue;
                best = gap;
                next[k] = int(j);
            }
        }
    }
    // Each head taken by one tail only: the nearest, as each tail chose.
    std::vector<int> previous(n, -1);
    for (std::size_t k = 0; k < n; ++k) {
        if (next[k] < 0)
            continue;
        const int j = next[k];
        const int rival = previous[std::size_t(j)];
        const auto gapFrom = [&](std::size_t i) {
            return std::hypot(heads[std::size_t(j)].x - tails[i].x, heads[std::size_t(j)].y - tails[i].y);
        };
        if (rival < 0 || gapFrom(k) < gapFrom(std::size_t(rival))) {
            if (rival >= 0)
                next[std::size_t(rival)] = -1;
            previous[std::size_t(j)] = int(k);
        } else {
            next[k] = -1;
        }
    }
    std::vector<EdgeChain> joined;
    std::vector<bool> used(n, false);
    const auto follow = [&](std::size_t start) {
        EdgeChain chain;
        for (int k = int(start); k >= 0 && !used[std::size_t(k)]; k = next[std::size_t(k)]) {
            used[std::size_t(k)] = true;
            EdgeChain& piece = pieces[std::size_t(k)];
            if (chain.empty())
                chain = std::move(piece);
            else
                chain.insert(chain.end(), piece.begin(), piece.end());
        }
        joined.push_back(std::move(chain));
    };
    for (std::size_t k = 0; k < n; ++k)
        if (previous[k] < 0)
            follow(k);
    // What is left are rings of pieces; each is opened at its first piece.
    for (std::size_t k = 0; k < n; ++k)
        if (!used[k])
            follow(k);
    return joined;
}

}  // namespace fovella
