// The chart adapter's alarm lanes and the cursor's jumps from alarm to alarm.
#include <algorithm>

#include "chart_adapter.h"

void ChartAdapter::SetAlarmLanes(const ChartAlarmLanes& lanes) {
    // The plot moves down to make room for the lanes, and the lanes' labels left of it.
    scene_.lanes = lanes;
    Changed();
}

void ChartAdapter::RepaintAlarmLanes() {
    Repaint();
}

bool ChartAdapter::StepAlarm(int direction) {
    const QList<int>& points = scene_.lanes.alarmPoints;
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
