// How straight a chain of edge points becomes when the picture is corrected
// with a given strength.
//
// Units. Points are taken relative to the centre of correction and divided
// by R, the half diagonal, so that the strength x = R / m needs no picture
// size: a distorted point at radius rho moves to radius
// rho * sinh(x rho) / (x rho), which is r_u = m sinh(r_d / m) of the remap's
// model. Negative strengths stand for the opposite bend (the factor
// sin(|x| rho) / (|x| rho)), so that a straight picture's answer can fall on
// either side of 0 rather than pile up at it.
#pragma once

#include <cmath>
#include <vector>

namespace fovella {

struct CentredChain {
    std::vector<double> u, v;  // relative to the centre, in half diagonals
    std::vector<double> rho;   // each point's distance from the centre, kept for every bend tried

    void Reserve(std::size_t points)
    {
        u.reserve(points);
        v.reserve(points);
        rho.reserve(points);
    }
    void Add(double pointU, double pointV)
    {
        u.push_back(pointU);
        v.push_back(pointV);
        rho.push_back(std::sqrt(pointU * pointU + pointV * pointV));
    }
};

// Sum over the chain's points of the squared distance from the corrected
// points' best-fitting line, each distance divided by the correction's
// magnification across that line at the point: so the sum stays in the
// distorted picture's units and a stronger correction, which enlarges, is
// not penalised for it. In half diagonals squared.
double CorrectedResidual(const CentredChain& chain, double strength);

// The unit direction (cos a, sin a) along which points spread most, from
// their centred second moments: a = atan2(2 suv, suu - svv) / 2, found
// without the trigonometry, which cost as much as the rest of a chain's
// residual. The root is taken of the half angle's larger of cosine and
// sine, the other follows from their product, so that neither loses digits.
struct Direction {
    double cos, sin;
};

inline Direction PrincipalDirection(double suu, double svv, double suv)
{
    const double d = suu - svv, e = 2 * suv, h = std::sqrt(d * d + e * e);
    if (!(h > 0))
        return {1, 0};
    if (d >= 0) {
        const double c = std::sqrt((h + d) / (2 * h));
        return {c, e / (2 * h * c)};
    }
    const double s = std::copysign(std::sqrt((h - d) / (2 * h)), e);
    return {e / (2 * h * s), s};
}

// How the correction stretches the picture at a point: across the radius
// by `tangential` = r_u / r_d, which also carries the point itself out to
// its corrected radius, and along the radius by `radial` = dr_u / dr_d.
// That is sinh(s) / s and cosh(s), or sin(s) / s and cos(s) for the
// opposite bend; the series where s is too small for the quotient to be
// accurate.
struct Stretch {
    double tangential, radial;
};
Stretch StretchAt(double rho, double strength);

// The strength x of a bend b = x |x|.
inline double StrengthOfBend(double bend) { return std::copysign(std::sqrt(std::fabs(bend)), bend); }

// rho * factor: the corrected radius of a point at `rho` (half diagonals).
double CorrectedRadius(double rho, double strength);

}  // namespace fovella
