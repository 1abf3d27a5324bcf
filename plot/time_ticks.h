// The labels of a time axis: on whole seconds, minutes, hours, days, months or years, as many as
// fit the axis with every label whole.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "calendar_time.h"

// A label of a time axis.
struct TimeTick {
    double x = 0.0;  // seconds after the axis' origin
    CalendarTime time;
    std::string text;  // TimeTickText(time)
};

// "yyyy/mm/dd\nhh:mm:ss": a time label's two lines.
std::string TimeTickText(const CalendarTime& t);

// Pixels one line of a label's text takes.
using TextWidth = std::function<double(const std::string& line)>;

// Labels of a time axis that shows [from, to] (seconds after origin) over `pixels`: at the whole
// multiples of the shortest step a reader counts in (1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15,
// 30 min; 1, 2, 3, 6, 12 h; 1, 2, 7, 14 days, counted from the calendar's start, so days start at
// midnight and weeks on Mondays; 1, 2, 3, 6 months on the first of the month; 1, 2, 5, 10, 20,
// 50, ... 10000 years on New Year's Day) that gives every label the room the plot's layout
// shows labels in (the widest label's width as `width` measures its widest line, 2 pixels and
// kAxisLabelPadding on either side, between neighbours and for each in the width). The first
// label alone when no step does. Without pixels or a width (an axis not laid out yet): the
// shortest step that leaves at most five steps in the span. None when the span is empty or the
// origin is not a valid time; no label past the calendar's end.
std::vector<TimeTick> TimeTicks(const CalendarTime& origin, double from, double to, double pixels,
                                const TextWidth& width);
