#include "value_ticks.h"

#include <algorithm>
#include <cmath>
#include <limits>

void WidenYRange(double* min, double* max) {
    // Limits within half the double range leave a height that is a number.
    constexpr double kMostLimit = std::numeric_limits<double>::max() / 2;
    *min = std::clamp(*min, -kMostLimit, kMostLimit);
    *max = std::clamp(*max, -kMostLimit, kMostLimit);
    if (!(*max > *min)) {
        // A range without height would show no curve at all.
        const double half = std::max(1.0, std::fabs(*min) * 1e-9);
        *max = *min + half;
        *min -= half;
    }
}

bool GridSpacingResolves(double min, double max, double spacing) {
    // A millionth of a millionth of the limits' size is some 4,500 units of their last place:
    // hundreds of steps added one to the next still land apart.
    constexpr double kFinestStep = 1e-12;
    const double size = std::max(std::fabs(min), std::fabs(max));
    return std::isfinite(spacing) && spacing > 0 && spacing > size * kFinestStep;
}

namespace {

// Lines per label for labels of labelHeight on an axis of `pixels` divided into `steps` steps:
// floor(steps / n) + 1 labels share the axis, each with its room.
int LinesPerLabel(double pixels, double steps, double labelHeight) {
    if (!(labelHeight > 0))
        return 1;
    const double room = labelHeight + 2 * kAxisLabelPadding;
    const double most = std::max(2.0, std::floor(pixels / room));
    const double mostGaps = std::max(1.0, std::floor(pixels / kMinGridLineGap));
    return static_cast<int>(std::clamp(std::ceil(steps / (most - 1)), 1.0, mostGaps));
}

// Decimal places that show v to the precision labels are read at (at most 9).
int Decimals(double v) {
    int places = 0;
    for (double scaled = std::fabs(v); places < 9; ++places, scaled *= 10) {
        if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * std::max(1.0, scaled))
            break;
    }
    return places;
}

// Lines on the multiples of a step of 1, 2 or 5 x 10^n over lo..hi. `extend` moves the limits
// out to the multiples around the data; otherwise the lines stay inside the range.
ValueTicks NiceTicks(double lo, double hi, double pixels, double labelHeight, bool extend) {
    WidenYRange(&lo, &hi);
    if (!(pixels > 0))
        pixels = kUnknownAxisHeight;
    ValueTicks ticks;
    ticks.min = lo;
    ticks.max = hi;
    const double mostSteps = std::max(1.0, std::floor(pixels / kMinGridLineGap));
    // Steps from the first power of ten above the range down, 5, 2, 1 x 10^n, until their lines
    // stand too close. Limits are counted in steps, so that those near the double range never
    // overflow.
    constexpr double kMantissas[] = {5, 2, 1};
    const int top = static_cast<int>(std::ceil(std::log10(hi - lo)));
    double step = 0.0, first = 0.0, last = 0.0;
    for (int k = 0; k < 3 * 700; ++k) {
        const double s = kMantissas[k % 3] * std::pow(10.0, top - k / 3);
        if (!std::isfinite(s))
            continue;
        const double a = extend ? std::floor(lo / s) : std::ceil(lo / s);
        const double b = extend ? std::ceil(hi / s) : std::floor(hi / s);
        const double steps = extend ? b - a : hi / s - lo / s;
        if (steps > mostSteps || !GridSpacingResolves(lo, hi, s))
            break;
        if (!std::isfinite(a * s) || !std::isfinite(b * s))
            continue;
        step = s;
        first = a;
        last = b;
        // The part of the axis beyond the data, for an axis fitted around it.
        const double unused = extend ? 1 - (hi / s - lo / s) / steps : 0.0;
        if (steps >= kFewestValueSteps && unused <= 0.2)
            break;
    }
    if (step == 0.0)
        return ticks;
    ticks.step = step;
    if (extend) {
        ticks.min = first * step;
        ticks.max = last * step;
    }
    for (double k = first; k <= last; ++k)
        ticks.lines.push_back(k * step);
    ticks.linesPerLabel = LinesPerLabel(pixels, (ticks.max - ticks.min) / step, labelHeight);
    if (!ticks.lines.empty())
        ticks.decimals =
            std::max(Decimals(ticks.lines.front()), Decimals(step * ticks.linesPerLabel));
    return ticks;
}

}  // namespace

YGridSteps PlanYGridSteps(double axisHeight, double range, double spacing, double labelHeight) {
    YGridSteps steps;
    steps.lineSpacing = spacing;
    if (!(axisHeight > 0))
        axisHeight = kUnknownAxisHeight;
    if (!(range > 0) || !(spacing > 0) || !std::isfinite(range / spacing))
        return steps;
    const double mostGaps = std::max(1.0, std::floor(axisHeight / kMinGridLineGap));
    steps.lineSpacing = spacing * std::max(1.0, std::ceil(range / spacing / mostGaps));
    steps.linesPerLabel = LinesPerLabel(axisHeight, range / steps.lineSpacing, labelHeight);
    return steps;
}

ValueTicks AutoValueTicks(double lo, double hi, double pixels, double labelHeight) {
    return NiceTicks(lo, hi, pixels, labelHeight, true);
}

ValueTicks FixedValueTicks(double min, double max, double pixels, double labelHeight) {
    return NiceTicks(min, max, pixels, labelHeight, false);
}

ValueTicks ManualValueTicks(double min, double max, double spacing, double pixels,
                            double labelHeight) {
    WidenYRange(&min, &max);
    if (!GridSpacingResolves(min, max, spacing))
        return FixedValueTicks(min, max, pixels, labelHeight);
    const YGridSteps steps = PlanYGridSteps(pixels, max - min, spacing, labelHeight);
    ValueTicks ticks;
    ticks.min = min;
    ticks.max = max;
    ticks.step = steps.lineSpacing;
    ticks.linesPerLabel = steps.linesPerLabel;
    // Counted from min, not added up, so that no line drifts off its multiple; a last line that
    // rounding puts a hair above max stays.
    for (double k = 0; min + k * ticks.step <= max + ticks.step * 1e-9; ++k)
        ticks.lines.push_back(min + k * ticks.step);
    ticks.decimals = std::max(Decimals(min), Decimals(ticks.step * ticks.linesPerLabel));
    return ticks;
}

double XLabelWidth(double widest) {
    return std::ceil(widest) + 2;
}

std::vector<int> XLabelsToShow(const std::vector<double>& xs, double labelWidth, double axisWidth) {
    std::vector<int> all(xs.size());
    for (size_t i = 0; i < xs.size(); ++i)
        all[i] = static_cast<int>(i);
    if (xs.size() < 2 || !(axisWidth > 0) || !(labelWidth > 0))
        return all;
    const double room = labelWidth + 2 * kAxisLabelPadding;
    const int count = static_cast<int>(xs.size());
    for (int k = 1; k < count; ++k) {
        std::vector<int> shown;
        for (int i = 0; i < count - 1; i += k)
            shown.push_back(i);
        // The range's end keeps its label; those too close before it give way.
        while (!shown.empty() &&
               xs[static_cast<size_t>(count - 1)] - xs[static_cast<size_t>(shown.back())] < room)
            shown.pop_back();
        shown.push_back(count - 1);
        bool fits = axisWidth / static_cast<double>(shown.size() + 1) >= room;
        for (size_t i = 1; fits && i < shown.size(); ++i)
            fits =
                xs[static_cast<size_t>(shown[i])] - xs[static_cast<size_t>(shown[i - 1])] >= room;
        if (fits)
            return shown;
    }
    // Not even two fit: the first alone.
    return {0};
}
