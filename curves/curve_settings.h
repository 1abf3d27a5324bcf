// The per-view settings of the historic-curve display: title and remark, one entry per data
// channel (name, shown or not, colour, line type), the chart's look, and the plotted time range
// and interval with the counts derived from them. A plain record: the view fills it when a
// document loads, the dialogs edit it in place, the curve view reads it.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "calendar_time.h"
#include "text_bytes.h"

// One plotted point of a shown channel.
struct CurvePoint {
    int32_t channelOrdinal = 0;  // position of the channel in CurveSettings::channels
    int32_t pointNumber = 0;     // 0-based index in its series
    float value = 0.0f;          // the cell as a decimal number; NaN when it is not one
    CalendarTime time;           // the row's time; all zero when the cell is empty
};

// Longest channel name in bytes (the name field holds 32 bytes with its terminator).
constexpr size_t kChannelNameMax = 31;

struct CurveChannel {
    char name[kChannelNameMax + 1] = {0};
    int32_t index = 0;       // 0-based data column
    int32_t showIndex = -1;  // ordinal among the shown channels, -1 when hidden
    int32_t colorIndex = 0;  // into CurveColorTable
    int32_t lineType = 0;    // into CurveLineTypeTable
    int32_t show = 1;        // 1 = drawn
    std::vector<CurvePoint> points;

    // Sets the name, cut to kChannelNameMax bytes without splitting a double-byte character.
    void SetName(const std::string& text);
    std::string Name() const { return name; }
};

struct CurveSettings {
    std::string title;
    std::string remark;
    int32_t shownCount = 0;
    int32_t channelCount = 0;
    int32_t backgroundColor = 29;
    int32_t gridMode = 0;   // 0 X and Y, 1 Y only, 2 X only, 3 none
    int32_t yAxisMode = 0;  // 0 automatic, 1 manual
    double yMin = 0.0;
    double yMax = 100.0;
    int32_t yGridMode = 1;  // 0 automatic, 1 manual
    double yGridInterval = 4.0;
    CalendarTime queryStart;
    CalendarTime queryEnd;
    int32_t sourceInterval = 1;  // seconds between records of the document
    int32_t queryInterval = 1;   // plotting interval, 1..86400
    int32_t queryChanged = 1;
    int32_t rowCount = 0;
    int32_t pointCount = 0;
    int32_t pointStride = 1;
    int32_t rowStep = 1;
    int32_t firstRow = 0;
    int32_t lastRow = 0;
    CalendarTime listEnd;
    CalendarTime listStart;
    std::list<CurveChannel> channels;  // in ascending index order
    // The curve view's choices beyond the above, each off by default (the chart as above).
    int32_t statisticsPanel = 0;  // 1: the panel of statistics and cursor values is shown
    int32_t envelope = 0;         // 1: envelope thinning
    int32_t timeAxis = 0;         // 1: X is the record time and lines break at gaps
    int32_t ownScales = 0;        // 1: each shown channel is drawn on its own scale
    int32_t alarms = 0;           // 1: lanes of the alarm log's alarms above the plot

    // The first channel whose index is i, or null.
    CurveChannel* FindByIndex(int32_t i);
    const CurveChannel* FindByIndex(int32_t i) const;
    // FindByIndex(i) for every i from 0 to channelCount - 1, found in one pass over the channels
    // (a loop of FindByIndex over thousands of channels takes quadratic time).
    std::vector<CurveChannel*> ChannelsByIndex();
    std::vector<const CurveChannel*> ChannelsByIndex() const;
    // The first channel whose name equals name byte for byte, or null.
    CurveChannel* FindByName(const std::string& name);
};

struct RgbColor {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

// The 32 colours of curves, backgrounds and colour boxes (entries 25 and 26 repeat 18 and 19).
constexpr int kCurveColorCount = 32;
extern const RgbColor CurveColorTable[kCurveColorCount];

enum class PenStyle { kSolid, kDash, kDot, kDashDot, kDashDotDot };

struct LineTypeEntry {
    PenStyle style;
    int width;  // pixels
};

// The 7 line types of curves: thin solid, dash, dot, dash-dot, dash-dot-dot, medium, thick.
constexpr int kCurveLineTypeCount = 7;
extern const LineTypeEntry CurveLineTypeTable[kCurveLineTypeCount];
