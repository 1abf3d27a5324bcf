// Everything a plot shows, as plain values: texts, axes, series with their bands, cursors, the
// zoom rectangle and the alarm lanes. The curve view fills one in; the layout and the painter
// read it, for the screen and for paper alike.
#pragma once

#include <QColor>
#include <QList>
#include <QPair>
#include <QPen>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "channel_scales.h"

// The alarm lanes drawn above the plot, one lane per alarm ID, in X values of the plot.
struct ChartAlarmSpan {
    double from = 0.0;  // the alarm (or where the range starts, when it came before)
    double to = 0.0;    // the clear (or where the range ends)
    double ack = 0.0;   // the acknowledgement, when hasAck
    bool hasAck = false;
    bool started = true;  // false: the alarm came before the range
    bool cleared = true;  // false: no clear in the range
    int32_t key = -1;     // what the lanes' describe function knows the span by
};
struct ChartAlarmMark {
    double x = 0.0;  // an event that is neither alarm, acknowledgement nor clear
    int32_t key = -1;
};
struct ChartAlarmLane {
    QString label;
    QList<ChartAlarmSpan> spans;  // in time order
    QList<ChartAlarmMark> marks;
};
struct ChartAlarmLanes {
    QList<ChartAlarmLane> lanes;
    QList<int> alarmPoints;  // the points the alarms stand at, ascending, each once: where the
                             // cursor jumps to
    // The hover's text of a span or mark (times, ID, event and message) by its key, made only
    // when asked for: tens of thousands of texts would cost more than the lanes' draw.
    std::function<QString(int32_t key, bool mark)> describe;
};

// Height of one alarm lane (in a low plot down to the least) and the gap between the lanes and
// the plot, in pixels.
constexpr int kAlarmLaneHeight = 11;
constexpr int kLeastLaneHeight = 5;
constexpr int kAlarmLaneGap = 8;
// Most lanes drawn: the IDs past the last but one share the last lane.
constexpr int kMostAlarmLanes = 16;

// One line of the plot and the band behind it.
struct PlotSeries {
    QString name;  // its legend entry
    QPen pen;
    QList<QPointF> points;  // a point whose Y is NaN holds no number: the line breaks there
    QList<QPointF> low;     // the band, point by point; empty when there is none
    QList<QPointF> high;
};

struct PlotScene {
    QString title;
    QString subtitle;
    QStringList footer;  // lines, top to bottom
    QString xTitle;
    QString yTitle;
    QColor yAxisColor;  // the Y axis' labels, line and title; the foreground when invalid
    QColor background = Qt::white;
    QColor foreground = Qt::black;

    double xMin = 0.0;  // the X span shown
    double xMax = 1.0;
    // Y: a range of data to round to whole steps (yAuto), or the range as it is.
    bool yAuto = true;
    double yMin = 0.0;
    double yMax = 1.0;
    bool manualYGrid = false;  // lines every yGridSpacing from yMin
    double yGridSpacing = 0.0;
    bool xGrid = true;
    bool yGrid = true;

    QList<QPair<double, QString>> xLabels;  // offered, ascending; lines split by '\n'
    QList<QPair<int, int>> pieces;          // the points [first, second) of each piece of line;
                                            // empty: one piece
    QList<PlotSeries> series;
    // Every line through the first, lowest, highest and last point of each pixel column, at the
    // centres of their pixels, however few points a column holds: points that are already such a
    // reduction (a trend's columns) then draw the image of every record they stand for.
    bool pixelAligned = false;
    // The plot stands at least this far (in pixels) from the area's left and right edges: an
    // owner whose work is done for the plot's pixel columns holds them where they were while
    // narrower labels come and go beside them.
    double leastLeftRoom = 0.0;
    double leastRightRoom = 0.0;
    const ChannelScales* scales = nullptr;  // where each series is drawn; as it is when null

    bool cursorRings = true;  // a ring on each series' point at a cursor
    int cursorA = -1;         // point numbers; -1 hidden
    int cursorB = -1;
    double cursorAX = 0.0;
    double cursorBX = 0.0;
    bool zoomBand = false;  // the span being dragged, in X values
    double zoomFrom = 0.0;
    double zoomTo = 0.0;

    ChartAlarmLanes lanes;
    int legendScroll = 0;  // pixels the legend's entries are scrolled up

    double Shown(int series, double y) const {
        return scales != nullptr ? scales->Shown(series, y) : y;
    }
};
