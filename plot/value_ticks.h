// The ticks of a value axis: its range from the data, the grid lines on steps a reader counts in
// (1, 2 or 5 x 10^n) or on a spacing the user set, and which lines carry a label so that every
// label is shown whole. Also the thinning of labels along an X axis.
#pragma once

#include <cstddef>
#include <vector>

// Room an axis gives each label: its size and this padding on either side.
constexpr double kAxisLabelPadding = 5.0;

// Fewest pixels between two drawn grid lines.
constexpr double kMinGridLineGap = 4.0;

// Height taken for an axis that is not laid out yet.
constexpr double kUnknownAxisHeight = 2000.0;

// Fewest steps an axis with automatic ticks is divided into, where its height allows.
constexpr double kFewestValueSteps = 4.0;

// Limits a plot can show: equal or inverted ones are widened by 1 either side of min (by a
// billionth of it when 1 is lost in its precision), and limits whose height would overflow are
// brought to half the double range. Unchanged otherwise.
void WidenYRange(double* min, double* max);

// True when lines `spacing` apart stand clear of each other anywhere in min..max: the spacing is
// positive, finite and well above the precision of the limits, so stepping from one line to the
// next always moves.
bool GridSpacingResolves(double min, double max, double spacing);

// How a manual grid of `spacing` over range is drawn on an axis axisHeight pixels high (0 when
// not known yet: kUnknownAxisHeight): a line every whole number of steps, the fewest that keep
// the lines at least kMinGridLineGap apart whatever the spacing, and a label on every line while
// each line's label fits whole, else on every linesPerLabel-th line, the fewest that do (the
// lines between stay, unlabelled). The spacing itself and 1 when nothing is known.
struct YGridSteps {
    double lineSpacing = 0.0;  // Y units between drawn lines
    int linesPerLabel = 1;
};
YGridSteps PlanYGridSteps(double axisHeight, double range, double spacing, double labelHeight);

// The grid lines of a value axis and the labels among them.
struct ValueTicks {
    double min = 0.0;  // the range the axis shows
    double max = 0.0;
    double step = 0.0;          // between neighbouring lines; 0 when no step resolves the range
    int linesPerLabel = 1;      // lines 0, linesPerLabel, 2 x linesPerLabel ... carry a label
    int decimals = 0;           // places that show every labelled value as the step leaves it
    std::vector<double> lines;  // ascending, within min..max

    bool Labelled(size_t line) const { return line % static_cast<size_t>(linesPerLabel) == 0; }
};

// The automatic axis of data lo..hi (widened as WidenYRange does) on an axis `pixels` high (0:
// not laid out yet) whose labels are labelHeight high: the limits on whole multiples of a step
// of 1, 2 or 5 x 10^n, the coarsest that divides the axis into at least kFewestValueSteps steps
// and leaves at most a fifth of it beyond the data. When the height allows no such step, the
// finest whose lines stand kMinGridLineGap apart. Labels as PlanYGridSteps gives them.
ValueTicks AutoValueTicks(double lo, double hi, double pixels, double labelHeight);

// The ticks of a fixed range min..max (widened as WidenYRange does): lines on the multiples of
// the coarsest step of 1, 2 or 5 x 10^n that divides the range into at least kFewestValueSteps
// steps, or the finest whose lines stand kMinGridLineGap apart. Labels as above.
ValueTicks FixedValueTicks(double min, double max, double pixels, double labelHeight);

// The manual grid of `spacing` over min..max (widened): lines from min every
// PlanYGridSteps(...).lineSpacing, labels on every linesPerLabel-th. FixedValueTicks when the
// spacing does not resolve the range (GridSpacingResolves).
ValueTicks ManualValueTicks(double min, double max, double spacing, double pixels,
                            double labelHeight);

// Of the labels at pixel positions xs (ascending) along an axis axisWidth pixels long, the ones
// to show so that each is whole: every k-th from the first for the smallest k whose labels all
// get labelWidth of room and lie at least that far apart, and the last label instead of those
// that come too close to it. All of them when the width is not known yet.
std::vector<int> XLabelsToShow(const std::vector<double>& xs, double labelWidth, double axisWidth);

// The labelWidth an X axis gives XLabelsToShow for labels whose widest line is `widest` pixels:
// whole pixels and a little air, so that neighbours never touch.
double XLabelWidth(double widest);
