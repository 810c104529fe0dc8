#include "lines/VanishingPoints.h"

#include "lines/ChainStraightness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace fovella {

namespace {

// Measured on the tuning photographs given strengths 0.35 to 1, through
// the estimate they make with the sags' bend (LineEstimator), with the
// search from 0, 0.5, 1 and 2: segments of 16 or 32 points, a sine of 0.01
// or 0.03, and 3 or 6 points answered 14 or 15 of the 32 within 3 %,
// against 16 as set.
//
// Points a segment: long enough that its direction is sure to a few
// thousandths, short enough that the pieces of a curved line count apart.
constexpr int kSegmentPoints = 24;
// A segment points at a vanishing point when within this sine of it (about
// a degree); beyond it, it costs the same under every bend.
constexpr double kInlierSine = 0.02;
// Vanishing points looked for: the three of a building's directions, and
// one for a second wall or a roof.
constexpr int kMostVanishingPoints = 4;
// Fewer segments pointing at the best proposal than this end the search.
constexpr int kLeastPointing = 10;
// Under each bend, a point is refitted to the segments within this sine of
// it, when there are at least kLeastRefit, in kRefitRounds rounds of
// reweighting (each segment's sine, not its distance, is what is least).
constexpr double kRefitSine = 1.5 * kInlierSine;
constexpr int kLeastRefit = 6;
constexpr int kRefitRounds = 3;
// The longest this many segments propose the points, a point at each
// crossing of two of their lines: 40 answered 16 of the tuning set within
// 3 %, 80 answered 12 in twice the time, 20 answered 10.
constexpr int kProposers = 40;
// The bends searched, from each starting bend's points: a picture bent
// strongly has points found only under a bend near its own. Then once
// more, finely, about the least found, from the points under it. The
// bends end where the sags' do (R / m = 1.6). As set, the search answered
// 17 of the tuning set within 3 %; starting from 0, 0.5, 1 and 2 and
// searching finely twice, 16 in half as much time again; from 0, 0.7 and
// 1.6, searching finely twice, 16.
constexpr double kLeastBend = -0.2, kGreatestBend = 2.6, kGridStep = 0.1;
constexpr double kFineSpan = 0.1, kFineStep = 0.01;
constexpr std::array<double, 3> kStartingBends{0.0, 0.8, 1.8};
constexpr int kFineRounds = 1;

using Vec3 = std::array<double, 3>;

// The segments as found: each one's middle and direction, fitted once;
// a bend then moves them as the correction does to first order, which
// over a segment's few pixels is as exact as fitting its corrected points.
struct Segments {
    std::vector<double> cu, cv, du, dv;  // middle, in half diagonals; unit direction
    std::vector<double> length, weight;  // length in plane pixels; its square, 1 / the variance of its direction
    std::size_t Count() const { return weight.size(); }
};

// A segment corrected by a bend: its middle, its normal and its length.
struct Corrected {
    std::vector<double> cu, cv, nu, nv, length;
};

void Correct(const Segments& s, double bend, Corrected& f)
{
    const double strength = StrengthOfBend(bend);
    const std::size_t n = s.Count();
    f.cu.resize(n), f.cv.resize(n), f.nu.resize(n), f.nv.resize(n), f.length.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double rho = std::sqrt(s.cu[k] * s.cu[k] + s.cv[k] * s.cv[k]);
        const Stretch stretch = StretchAt(rho, strength);
        double du = s.du[k] * stretch.tangential, dv = s.dv[k] * stretch.tangential;
        if (rho > 0) {
            const double ru = s.cu[k] / rho, rv = s.cv[k] / rho;
            const double along = (stretch.radial - stretch.tangential) * (ru * s.du[k] + rv * s.dv[k]);
            du += along * ru;
            dv += along * rv;
        }
        const double norm = std::sqrt(du * du + dv * dv);
        f.cu[k] = s.cu[k] * stretch.tangential, f.cv[k] = s.cv[k] * stretch.tangential;
        f.nu[k] = -dv / norm, f.nv[k] = du / norm;
        f.length[k] = s.length[k] * norm;
    }
}

// The square of the sine of the angle between segment k and the direction
// from its middle to the vanishing point p (homogeneous).
double Sine2To(const Corrected& f, std::size_t k, const Vec3& p)
{
    const double du = p[0] - p[2] * f.cu[k], dv = p[1] - p[2] * f.cv[k];
    const double across = f.nu[k] * du + f.nv[k] * dv;
    return across * across / std::max(du * du + dv * dv, 1e-24);
}

// The same for every segment, into `sines`: in a loop of its own, so that
// the compiler computes several at once.
void Sines2To(const Corrected& f, const Vec3& p, std::vector<double>& sines)
{
    sines.resize(f.cu.size());
    for (std::size_t k = 0; k < sines.size(); ++k)
        sines[k] = Sine2To(f, k, p);
}

// The eigenvector of the least eigenvalue of a symmetric 3 x 3 matrix, by
// Jacobi rotations.
Vec3 LeastEigenvector(std::array<std::array<double, 3>, 3> a)
{
    std::array<std::array<double, 3>, 3> e{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    // Done when what is off the diagonal is lost in the rounding of what is
    // on it; a few sweeps get there.
    for (int sweep = 0; sweep < 50; ++sweep) {
        const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        const double on = a[0][0] * a[0][0] + a[1][1] * a[1][1] + a[2][2] * a[2][2];
        if (!(off > 1e-32 * on))
            break;
        for (int p = 0; p < 2; ++p)
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0)
                    continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t = std::copysign(1.0, theta) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < 3; ++k) {
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) {
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    const double ekp = e[k][p], ekq = e[k][q];
                    e[k][p] = c * ekp - s * ekq;
                    e[k][q] = s * ekp + c * ekq;
                }
            }
    }
    int least = 0;
    for (int i = 1; i < 3; ++i)
        if (a[i][i] < a[least][least])
            least = i;
    return {e[0][least], e[1][least], e[2][least]};
}

// The point the given segments meet in best, each weighed by its weight,
// their angles' squares least: reweighted least squares from `p`.
Vec3 Refit(const Corrected& f, const Segments& s, const std::vector<std::size_t>& members, Vec3 p)
{
    for (int round = 0; round < kRefitRounds; ++round) {
        std::array<std::array<double, 3>, 3> a{};
        for (std::size_t k : members) {
            const double du = p[0] - p[2] * f.cu[k], dv = p[1] - p[2] * f.cv[k];
            const double w = s.weight[k] / std::max(du * du + dv * dv, 1e-12);
            const double l[3] = {f.nu[k], f.nv[k], -(f.nu[k] * f.cu[k] + f.nv[k] * f.cv[k])};
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    a[i][j] += w * l[i] * l[j];
        }
        // Weights that all vanish or overflow leave nothing to fit: the
        // point stays where it was.
        if (!std::isfinite(a[0][0] + a[1][1] + a[2][2]) || !(a[0][0] + a[1][1] + a[2][2] > 0))
            return p;
        p = LeastEigenvector(a);
    }
    return p;
}

// The segments a proposal is ranked on, in float: a rank needs no more,
// and more are computed at once.
struct RankedSegments {
    std::vector<float> cu, cv, nu, nv, weight;
};

// A proposal's cost over them: each segment's sine squared, capped, by its
// weight. Its terms apart from their sum, and the sum in eight running
// sums, so that the compiler computes several at once; each lane does the
// same operations in the same order on every processor (the build keeps
// a * b + c from being fused), so the cost is the same with AVX-512, AVX2
// and neither (AVX-512 ranks the held-out folder's proposals a few percent
// faster than AVX2).
#if defined(__x86_64__) && defined(__linux__)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
double CappedCost(const RankedSegments& r, const Vec3& proposal, std::vector<float>& terms)
{
    const float px = float(proposal[0]), py = float(proposal[1]), pw = float(proposal[2]);
    const float cap = float(kInlierSine * kInlierSine);
    const std::size_t m = r.weight.size();
    terms.resize(m);
    for (std::size_t k = 0; k < m; ++k) {
        const float du = px - pw * r.cu[k], dv = py - pw * r.cv[k];
        const float across = r.nu[k] * du + r.nv[k] * dv;
        terms[k] = r.weight[k] * std::min(across * across / std::max(du * du + dv * dv, 1e-30f), cap);
    }
    float lanes[8] = {};
    std::size_t k = 0;
    for (; k + 8 <= m; k += 8)
        for (int i = 0; i < 8; ++i)
            lanes[i] += terms[k + std::size_t(i)];
    double sum = 0;
    for (; k < m; ++k)
        sum += terms[k];
    for (float lane : lanes)
        sum += lane;
    return sum;
}

// The vanishing points of the segments as corrected: proposed by the
// crossings of the longest ones' lines, taken greedily, each the proposal
// whose capped sines to the segments not yet taken weigh least, refitted
// to those within kInlierSine of it.
std::vector<Vec3> FindVanishingPoints(const Corrected& f, const Segments& s)
{
    const std::size_t n = s.Count();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return f.length[a] > f.length[b]; });
    order.resize(std::min<std::size_t>(n, kProposers));
    std::vector<Vec3> proposed;
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const std::size_t a = order[i], b = order[j];
            const Vec3 la{f.nu[a], f.nv[a], -(f.nu[a] * f.cu[a] + f.nv[a] * f.cv[a])};
            const Vec3 lb{f.nu[b], f.nv[b], -(f.nu[b] * f.cu[b] + f.nv[b] * f.cv[b])};
            Vec3 p{la[1] * lb[2] - la[2] * lb[1], la[2] * lb[0] - la[0] * lb[2], la[0] * lb[1] - la[1] * lb[0]};
            // Pieces of one exact line cross nowhere in particular (a line
            // through the centre stays one under every bend).
            const double norm = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            if (!(norm > 1e-12))
                continue;
            proposed.push_back({p[0] / norm, p[1] / norm, p[2] / norm});
        }
    if (proposed.empty())
        return {};
    // Each round takes the proposal whose free segments' capped sines
    // weigh least: the segments taken already cost every proposal the same
    // cap, so they are left out of the sums.
    std::vector<char> free(n, 1);
    std::vector<Vec3> points;
    RankedSegments left;
    std::vector<float> terms;
    for (int round = 0; round < kMostVanishingPoints; ++round) {
        left = RankedSegments{};
        for (std::size_t k = 0; k < n; ++k)
            if (free[k]) {
                left.cu.push_back(float(f.cu[k])), left.cv.push_back(float(f.cv[k]));
                left.nu.push_back(float(f.nu[k])), left.nv.push_back(float(f.nv[k]));
                left.weight.push_back(float(s.weight[k]));
            }
        std::size_t best = 0;
        double bestCost = 1e300;
        for (std::size_t c = 0; c < proposed.size(); ++c) {
            const double cost = CappedCost(left, proposed[c], terms);
            if (cost < bestCost)
                bestCost = cost, best = c;
        }
        std::vector<std::size_t> members;
        for (std::size_t k = 0; k < n; ++k)
            if (free[k] && Sine2To(f, k, proposed[best]) < kInlierSine * kInlierSine)
                members.push_back(k);
        if (int(members.size()) < kLeastPointing)
            break;
        const Vec3 p = Refit(f, s, members, proposed[best]);
        points.push_back(p);
        // Its choosers are taken even where the refitted point moved away
        // from them: left free, they would choose it again.
        for (std::size_t k : members)
            free[k] = 0;
        for (std::size_t k = 0; k < n; ++k)
            if (Sine2To(f, k, p) < kInlierSine * kInlierSine)
                free[k] = 0;
    }
    return points;
}

// What a cost is worked out in, kept from one bend to the next.
struct Scratch {
    std::vector<double> sines, least;
    std::vector<std::size_t> members;
};

// How far the corrected segments turn from the vanishing points (each
// refitted to the segments pointing near it), capped.
double Cost(const Corrected& f, const Segments& s, const std::vector<Vec3>& start, Scratch& scratch)
{
    std::vector<double>& sines = scratch.sines;
    std::vector<double>& least = scratch.least;
    std::vector<std::size_t>& members = scratch.members;
    least.assign(s.Count(), kInlierSine * kInlierSine);
    for (const Vec3& p : start) {
        Sines2To(f, p, sines);
        members.clear();
        for (std::size_t k = 0; k < sines.size(); ++k)
            if (sines[k] < kRefitSine * kRefitSine)
                members.push_back(k);
        if (int(members.size()) >= kLeastRefit)
            Sines2To(f, Refit(f, s, members, p), sines);
        for (std::size_t k = 0; k < sines.size(); ++k)
            least[k] = std::min(least[k], sines[k]);
    }
    double cost = 0;
    for (std::size_t k = 0; k < least.size(); ++k)
        cost += s.weight[k] * least[k];
    return cost;
}

// The vanishing points found under a bend; empty when none.
std::vector<Vec3> VanishingPointsUnder(const Segments& s, double bend)
{
    Corrected f;
    Correct(s, bend, f);
    return FindVanishingPoints(f, s);
}

struct Sweep {
    double cost, bend;
};

// For each set of vanishing points, the bend of least cost over the grid,
// placed between grid points by a parabola. The sets share each bend's
// corrected segments.
std::vector<Sweep> SweepGrid(const Segments& s, const std::vector<std::vector<Vec3>>& pointSets, double least,
                             double greatest, double step)
{
    const int steps = int(std::lround((greatest - least) / step));
    std::vector<std::vector<double>> costs(pointSets.size());
    Corrected f;
    Scratch scratch;
    for (int g = 0; g <= steps; ++g) {
        Correct(s, least + g * step, f);
        for (std::size_t i = 0; i < pointSets.size(); ++i)
            costs[i].push_back(Cost(f, s, pointSets[i], scratch));
    }
    std::vector<Sweep> sweeps;
    for (const std::vector<double>& c : costs) {
        const std::size_t k = std::size_t(std::min_element(c.begin(), c.end()) - c.begin());
        double offset = 0;
        if (k > 0 && k + 1 < c.size() && c[k - 1] - 2 * c[k] + c[k + 1] > 0)
            offset = 0.5 * (c[k - 1] - c[k + 1]) / (c[k - 1] - 2 * c[k] + c[k + 1]) * step;
        sweeps.push_back({c[k], least + double(k) * step + offset});
    }
    return sweeps;
}

// The chains cut into segments, each fitted with its line.
Segments CutSegments(const std::vector<EdgeChain>& chains, const PlaneToCentred& toCentred)
{
    Segments s;
    for (const EdgeChain& chain : chains)
        for (std::size_t start = 0; start + kSegmentPoints <= chain.size(); start += kSegmentPoints) {
            double su = 0, sv = 0;
            for (std::size_t i = start; i < start + kSegmentPoints; ++i)
                su += chain[i].x, sv += chain[i].y;
            const double mx = su / kSegmentPoints, my = sv / kSegmentPoints;
            double sxx = 0, syy = 0, sxy = 0;
            for (std::size_t i = start; i < start + kSegmentPoints; ++i) {
                const double dx = chain[i].x - mx, dy = chain[i].y - my;
                sxx += dx * dx, syy += dy * dy, sxy += dx * dy;
            }
            const Direction d = PrincipalDirection(sxx, syy, sxy);
            const EdgePoint &first = chain[start], &last = chain[start + kSegmentPoints - 1];
            const double length = std::hypot(last.x - first.x, last.y - first.y);
            s.cu.push_back((mx - toCentred.centreX) * toCentred.perPixel);
            s.cv.push_back((my - toCentred.centreY) * toCentred.perPixel);
            s.du.push_back(d.cos);
            s.dv.push_back(d.sin);
            s.length.push_back(length);
            s.weight.push_back(length * length);
        }
    return s;
}

}  // namespace

std::optional<double> ConvergingBend(const std::vector<EdgeChain>& chains, const PlaneToCentred& toCentred)
{
    const Segments s = CutSegments(chains, toCentred);
    if (s.Count() < std::size_t(kLeastPointing))
        return std::nullopt;

    // A picture bent strongly has points found only under a bend near its
    // own: the points under each starting bend, each swept over the grid.
    std::vector<std::vector<Vec3>> pointSets;
    for (double start : kStartingBends)
        if (std::vector<Vec3> points = VanishingPointsUnder(s, start); !points.empty())
            pointSets.push_back(std::move(points));
    if (pointSets.empty())
        return std::nullopt;
    const std::vector<Sweep> sweeps = SweepGrid(s, pointSets, kLeastBend, kGreatestBend, kGridStep);
    Sweep best = sweeps.front();
    for (const Sweep& sweep : sweeps)
        if (sweep.cost < best.cost)
            best = sweep;
    for (int round = 0; round < kFineRounds; ++round)
        if (std::vector<Vec3> points = VanishingPointsUnder(s, best.bend); !points.empty())
            best = SweepGrid(s, {std::move(points)}, best.bend - kFineSpan, best.bend + kFineSpan, kFineStep).front();
    return best.bend;
}

}  // namespace fovella
