#include "lines/LineGathering.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <numeric>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace fovella {

namespace {

// Chains whose first points are tried against a line at a time: the bits
// of a word.
constexpr std::size_t kBlock = 64;

// A chain's corrected points' best line: through the mean, along the
// direction of most spread.
struct Line {
    double mu, mv;  // a point on the line
    double du, dv;  // unit direction
};

// One chain's corrected points: a view into CorrectAll's arrays.
struct Corrected {
    const double* u;
    const double* v;
    std::size_t size;
};

// Every chain's corrected points, one chain after another in two arrays:
// one allocation each rather than two a chain. The views in `chains` point
// into `u` and `v`, whose storage a move keeps in place: it moves, and is
// not copied.
struct CorrectedChains {
    CorrectedChains() = default;
    CorrectedChains(const CorrectedChains&) = delete;
    CorrectedChains(CorrectedChains&&) = default;

    std::vector<double> u, v;
    std::vector<Corrected> chains;
};

CorrectedChains CorrectAll(const std::vector<EdgeChain>& chains, const std::vector<std::size_t>& order, double strength,
                           const PlaneToCentred& t)
{
    CorrectedChains all;
    std::size_t points = 0;
    for (const EdgeChain& chain : chains)
        points += chain.size();
    all.u.reserve(points);
    all.v.reserve(points);
    for (const std::size_t k : order)
        for (const EdgePoint& p : chains[k]) {
            const double u = (p.x - t.centreX) * t.perPixel, v = (p.y - t.centreY) * t.perPixel;
            const double rho = std::sqrt(u * u + v * v);  // hypot's care for overflow costs here
            const double factor = rho > 0 ? CorrectedRadius(rho, strength) / rho : 1;
            all.u.push_back(u * factor);
            all.v.push_back(v * factor);
        }
    all.chains.reserve(order.size());
    std::size_t first = 0;
    for (const std::size_t k : order) {
        all.chains.push_back({all.u.data() + first, all.v.data() + first, chains[k].size()});
        first += chains[k].size();
    }
    return all;
}

Line FitLine(const std::vector<const Corrected*>& parts)
{
    double su = 0, sv = 0, n = 0;
    for (const Corrected* c : parts)
        for (std::size_t i = 0; i < c->size; ++i) {
            su += c->u[i];
            sv += c->v[i];
            n += 1;
        }
    const double mu = su / n, mv = sv / n;
    double suu = 0, svv = 0, suv = 0;
    for (const Corrected* c : parts)
        for (std::size_t i = 0; i < c->size; ++i) {
            const double du = c->u[i] - mu, dv = c->v[i] - mv;
            suu += du * du;
            svv += dv * dv;
            suv += du * dv;
        }
    const Direction along = PrincipalDirection(suu, svv, suv);
    return {mu, mv, along.cos, along.sin};
}

double Across(const Line& line, double u, double v) { return (u - line.mu) * line.dv - (v - line.mv) * line.du; }

// Every point of `c` within `tolerance` of the line.
bool OnLine(const Line& line, const Corrected& c, double tolerance)
{
    for (std::size_t i = 0; i < c.size; ++i)
        if (std::fabs(Across(line, c.u[i], c.v[i])) > tolerance)
            return false;
    return true;
}

// Bit k set where point k, of `count` up to kBlock, is within `tolerance`
// of the line. Two points at a time, each compare's sign bits taken at
// once: bit by bit, this was most of the gathering's time.
std::uint64_t NearBits(const Line& line, const double* u, const double* v, std::size_t count, double tolerance)
{
    std::uint64_t bits = 0;
    std::size_t k = 0;
#ifdef __SSE2__
    const __m128d mu = _mm_set1_pd(line.mu), mv = _mm_set1_pd(line.mv), du = _mm_set1_pd(line.du),
                  dv = _mm_set1_pd(line.dv), limit = _mm_set1_pd(tolerance), sign = _mm_set1_pd(-0.0);
    for (; k + 2 <= count; k += 2) {
        const __m128d across = _mm_sub_pd(_mm_mul_pd(_mm_sub_pd(_mm_loadu_pd(u + k), mu), dv),
                                          _mm_mul_pd(_mm_sub_pd(_mm_loadu_pd(v + k), mv), du));
        bits |= std::uint64_t(_mm_movemask_pd(_mm_cmple_pd(_mm_andnot_pd(sign, across), limit))) << k;
    }
#endif
    for (; k < count; ++k)
        bits |= std::uint64_t(std::fabs(Across(line, u[k], v[k])) <= tolerance) << k;
    return bits;
}

}  // namespace

std::vector<EdgeChain> GatherChainsOnOneLine(std::vector<EdgeChain> chains, double strength,
                                             const PlaneToCentred& toCentred, double tolerance)
{
    const std::size_t n = chains.size();
    // Longest first: the seeds in turn, and the order in which the others
    // are tried. Everything below is indexed by that rank.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return chains[a].size() > chains[b].size(); });
    const CorrectedChains all = CorrectAll(chains, order, strength, toCentred);
    const std::vector<Corrected>& corrected = all.chains;
    // The first corrected points side by side: most chains fail there, and
    // the scan of every later chain for every seed then stays in the cache.
    std::vector<double> startU(n), startV(n);
    for (std::size_t k = 0; k < n; ++k) {
        startU[k] = corrected[k].u[0];
        startV[k] = corrected[k].v[0];
    }

    std::vector<char> taken(n, 0);
    std::vector<EdgeChain> gathered;
    std::vector<std::size_t> members;
    std::vector<const Corrected*> parts;
    for (std::size_t seed = 0; seed < n; ++seed) {
        if (taken[seed])
            continue;
        taken[seed] = 1;
        members.assign(1, seed);
        parts.assign(1, &corrected[seed]);
        Line line = FitLine(parts);
        const Corrected& s = corrected[seed];
        const double su = s.u[s.size - 1] - s.u[0], sv = s.v[s.size - 1] - s.v[0];
        // Every chain ranked before the seed is taken already: a seed, or a
        // member of one. The others' first points are tried a block at a
        // time, without branches, and the block again after the line moves:
        // this scan of every later chain for every seed is the gathering's
        // main cost.
        std::uint64_t near = 0;  // bit k % kBlock: chain k's first point near the line
        const auto flagNear = [&](std::size_t from, std::size_t to) {
            near = NearBits(line, startU.data() + from, startV.data() + from, to - from, tolerance) << (from % kBlock);
        };
        for (std::size_t k = seed + 1; k < n; ++k) {
            if (k == seed + 1 || k % kBlock == 0)
                flagNear(k, std::min(n, (k / kBlock + 1) * kBlock));
            const std::uint64_t ahead = near >> (k % kBlock);
            if (ahead == 0) {
                k = (k / kBlock + 1) * kBlock - 1;  // to the next block
                continue;
            }
            k += std::size_t(__builtin_ctzll(ahead));
            if (taken[k] || !OnLine(line, corrected[k], tolerance))
                continue;
            // Both sides of a thin bar run the other way; pieces of one
            // edge keep its dark side on the same hand.
            const Corrected& c = corrected[k];
            const double ku = c.u[c.size - 1] - c.u[0], kv = c.v[c.size - 1] - c.v[0];
            if (ku * su + kv * sv <= 0)
                continue;
            parts.push_back(&c);
            const Line refitted = FitLine(parts);
            bool all = true;
            for (const Corrected* p : parts)
                all = all && OnLine(refitted, *p, tolerance);
            if (!all) {
                parts.pop_back();
                continue;
            }
            taken[k] = 1;
            members.push_back(k);
            line = refitted;
            if ((k + 1) % kBlock != 0)
                flagNear(k + 1, std::min(n, (k / kBlock + 1) * kBlock));
        }
        // In the seed's direction of travel, so that the gathered chain
        // runs from one end of the line to the other as its pieces do; at
        // a tie, in rank.
        std::sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) {
            const double ka = corrected[a].u[0] * su + corrected[a].v[0] * sv;
            const double kb = corrected[b].u[0] * su + corrected[b].v[0] * sv;
            return ka < kb || (ka == kb && a < b);
        });
        EdgeChain chain = std::move(chains[order[members.front()]]);
        for (auto k = members.begin() + 1; k != members.end(); ++k)
            chain.insert(chain.end(), chains[order[*k]].begin(), chains[order[*k]].end());
        gathered.push_back(std::move(chain));
    }
    return gathered;
}

}  // namespace fovella
