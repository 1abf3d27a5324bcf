// Each channel on its own scale: where a series' values are drawn against the chosen series' axis,
// and back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "channel_scales.h"

namespace {

TEST(ChannelScales, EverySeriesSpansTheChosenRangeAndMapsBack) {
    ScaleRange nan;
    nan.Include(std::numeric_limits<double>::quiet_NaN());
    nan.Include(std::numeric_limits<double>::infinity());
    EXPECT_TRUE(nan.empty);
    ScaleRange state;
    for (double v : {1.0, 0.0, 1.0})
        state.Include(v);

    ChannelScales scales;
    // A counter (chosen), an on/off state, a flat series, one without values, inverted limits.
    scales.Set(
        {ScaleRange::Of(184000, 186000), state, ScaleRange::Of(5, 5), nan, ScaleRange::Of(10, 0)},
        0);
    struct Case {
        const char* what;
        int series;
        double value, normalised, shown;
    };
    const Case cases[] = {
        {"the chosen series as it is", 0, 185000, 0.5, 185000},
        {"a state's top at the counter's top", 1, 1, 1, 186000},
        {"a state's bottom at the counter's bottom", 1, 0, 0, 184000},
        {"a value beyond its range beyond the axis", 1, 2, 2, 188000},
        {"a flat series in the middle, widened by 1", 2, 5, 0.5, 185000},
        {"no values: 0 in the middle of -1..1", 3, 0, 0.5, 185000},
        {"inverted limits widened by 1 about the first", 4, 10, 0.5, 185000},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(scales.Normalise(c.series, c.value), c.normalised) << c.what;
        EXPECT_DOUBLE_EQ(scales.TrueValue(c.series, c.normalised), c.value) << c.what;
        EXPECT_DOUBLE_EQ(scales.Shown(c.series, c.value), c.shown) << c.what;
        EXPECT_DOUBLE_EQ(scales.FromShown(c.series, c.shown), c.value) << c.what;
    }
    // A series the scales do not know is drawn as it is.
    EXPECT_EQ(scales.Shown(7, 3.0), 3.0);
    EXPECT_EQ(scales.Range(2).min, 4.0);
    EXPECT_EQ(scales.Range(2).max, 6.0);

    // A manual Y range scales every series to the same range: nothing moves. A chosen series
    // out of range is the first; off, nothing moves either.
    scales.Set(std::vector<ScaleRange>(3, ScaleRange::Of(0, 100)), 9);
    EXPECT_EQ(scales.Chosen(), 0);
    for (int series = 0; series < 3; ++series)
        EXPECT_DOUBLE_EQ(scales.Shown(series, 42.5), 42.5) << series;
    scales.Clear();
    EXPECT_FALSE(scales.On());
    EXPECT_EQ(scales.Shown(1, 185000.0), 185000.0);
    EXPECT_EQ(scales.Normalise(1, 7.0), 7.0);
}

}  // namespace
