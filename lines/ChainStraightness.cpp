#include "lines/ChainStraightness.h"

#include <cmath>
#include <memory>

namespace fovella {

Stretch StretchAt(double rho, double strength)
{
    const double s = std::fabs(strength) * rho;
    if (s < 1e-4)
        return {1 + (strength > 0 ? 1 : -1) * s * s / 6, 1 + (strength > 0 ? 1 : -1) * s * s / 2};
    if (strength > 0) {
        // sinh and cosh from one exponential: this is the estimator's
        // innermost step, taken for every point at every bend tried.
        const double grow = std::exp(s), shrink = 1 / grow;
        return {(grow - shrink) / (2 * s), (grow + shrink) / 2};
    }
    return {std::sin(s) / s, std::cos(s)};
}

double CorrectedRadius(double rho, double strength) { return rho * StretchAt(rho, strength).tangential; }

double CorrectedResidual(const CentredChain& chain, double strength)
{
    const std::size_t n = chain.u.size();
    if (n < 3)
        return 0;
    // Scratch, left uninitialised: every value is written before it is read.
    // On the stack for chains as the estimator thins them (64 points at
    // most): this runs some ten thousand times an estimate.
    constexpr std::size_t kOnStack = 64;
    double onStack[4 * kOnStack];
    std::unique_ptr<double[]> onHeap;
    if (n > kOnStack)
        onHeap.reset(new double[4 * n]);
    double* const cu = onHeap ? onHeap.get() : onStack;
    double* const cv = cu + n;
    double* const radial = cv + n;
    double* const tangential = radial + n;
    const double* const rho = chain.rho.data();
    double su = 0, sv = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Stretch stretch = StretchAt(rho[i], strength);
        cu[i] = chain.u[i] * stretch.tangential;
        cv[i] = chain.v[i] * stretch.tangential;
        radial[i] = stretch.radial;
        tangential[i] = stretch.tangential;
        su += cu[i];
        sv += cv[i];
    }
    const double mu = su / double(n), mv = sv / double(n);
    double suu = 0, svv = 0, suv = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double du = cu[i] - mu, dv = cv[i] - mv;
        suu += du * du;
        svv += dv * dv;
        suv += du * dv;
    }
    // The line's normal: across the direction of most spread.
    const Direction along = PrincipalDirection(suu, svv, suv);
    const double nu = -along.sin, nv = along.cos;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double distance = (cu[i] - mu) * nu + (cv[i] - mv) * nv;
        // A step d in the distorted picture moves the corrected point by J d,
        // J stretching radius by `radial` and the perpendicular by the
        // tangential factor; the smallest step that moves it `distance`
        // across the line has length distance / |J^T n|. The normal's
        // radial and tangential parts are taken times rho, which |J^T n|
        // squared then divides out: one division a point.
        const double er = chain.u[i] * nu + chain.v[i] * nv, et = -chain.v[i] * nu + chain.u[i] * nv;
        const double gain2 = radial[i] * er * radial[i] * er + tangential[i] * et * tangential[i] * et;
        sum += rho[i] > 0 ? distance * distance * (rho[i] * rho[i]) / gain2 : distance * distance;
    }
    return sum;
}

}  // namespace fovella
