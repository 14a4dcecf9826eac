#include "debug/auto_range.h"

#include <cmath>
#include <initializer_list>

namespace {

// The smallest of 1, 2, 5 times a power of ten that is at least x (x > 0).
double NiceStep(double x)
{
    const double power = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= x * (1 - 1e-9))
            return m * power;
    return 10 * power;
}

} // namespace

AxisRange FitData(double lo, double hi)
{
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi)
        return {0, kMinSpan};
    double span = hi - lo;
    if (span < kMinSpan) {
        const double middle = (lo + hi) / 2;
        lo = middle - kMinSpan / 2;
        hi = middle + kMinSpan / 2;
        span = kMinSpan;
    }
    const double a = lo - span / 10, b = hi + span / 10;
    const double step = NiceStep((b - a) / 5);
    return {std::floor(a / step) * step, std::ceil(b / step) * step};
}

AxisRange FollowData(double lo, double hi, AxisRange shown)
{
    const AxisRange fitted = FitData(lo, hi);
    const bool inside = lo >= shown.min && hi <= shown.max;
    const bool filled = shown.max - shown.min <= 3 * (fitted.max - fitted.min);
    return inside && filled ? shown : fitted;
}
