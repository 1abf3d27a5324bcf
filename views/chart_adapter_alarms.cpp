// The chart adapter's alarm lanes: the room above the plot and the cursor's jumps from alarm to
// alarm.
#include <QChart>
#include <algorithm>

#include "chart_adapter.h"

namespace {

// The chart's margins without lanes.
constexpr int kChartMargin = 2;

}  // namespace

void ChartAdapter::SetAlarmLanes(const ChartAlarmLanes& lanes) {
    alarmLanes_ = lanes;
    lanesMoved_ = true;
    if (chart_ == nullptr)
        return;
    const int room = lanes.lanes.isEmpty()
                         ? 0
                         : static_cast<int>(lanes.lanes.size()) * kAlarmLaneHeight + kAlarmLaneGap;
    const QMargins margins(kChartMargin, kChartMargin + room, kChartMargin, kChartMargin);
    // A new margin lays the chart out anew: only when the room changes.
    lanesMoved_ = chart_->margins() != margins;
    if (lanesMoved_)
        chart_->setMargins(margins);
}

void ChartAdapter::RepaintAlarmLanes() {
    if (view_ == nullptr)
        return;
    if (lanesMoved_ || autoRangeDirty_) {
        // The plot has moved: all of it is painted anew.
        Repaint();
        return;
    }
    // The plot stays where it is: only the strip of the lanes (and their labels left of it).
    const QRectF plot = chart_->mapRectToScene(chart_->plotArea());
    const int room = static_cast<int>(alarmLanes_.lanes.size()) * kAlarmLaneHeight + kAlarmLaneGap;
    const QRect strip =
        view_->mapFromScene(QRectF(0, plot.top() - room - 2, plot.right() + 4, room + 4))
            .boundingRect();
    view_->viewport()->repaint(strip);
}

bool ChartAdapter::StepAlarm(int direction) {
    const QList<int>& points = alarmLanes_.alarmPoints;
    int to = -1;
    if (direction > 0) {
        const auto next = std::upper_bound(points.begin(), points.end(), cursor_);
        if (next != points.end())
            to = *next;
    } else {
        const auto next = std::lower_bound(points.begin(), points.end(), cursor_);
        if (next != points.begin())
            to = *std::prev(next);
    }
    if (to < 0 || to >= pointCount_)
        return false;
    SetCursorPoint(to);
    // A zoomed chart moves along to show the alarm, keeping its span.
    const double x = PointX(to);
    const double min = XMin();
    const double max = XMax();
    if (x < min || x > max)
        ZoomX(x - (max - min) / 2, x + (max - min) / 2);
    return true;
}
