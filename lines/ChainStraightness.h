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

// rho * factor: the corrected radius of a point at `rho` (half diagonals).
double CorrectedRadius(double rho, double strength);

}  // namespace fovella
