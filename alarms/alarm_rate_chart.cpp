#include "alarm_rate_chart.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

// A round step of the count axis that gives about four lines up to top.
uint32_t CountStep(uint32_t top) {
    uint32_t step = 1;
    while (top / step > 5) {
        if (top / (step * 2) <= 5)
            return step * 2;
        if (top / (step * 5) <= 5)
            return step * 5;
        step *= 10;
    }
    return step;
}

}  // namespace

QRect AlarmRatePlotArea(const QRect& area, const QFont& font) {
    const QFontMetrics fm(font);
    const int left = fm.horizontalAdvance(QStringLiteral("00000")) + fm.height() / 2;
    return area.adjusted(left, fm.height() / 2, -fm.height(), -fm.height() * 2);
}

void PaintAlarmRates(QPainter& p, const QRect& area, const AlarmRateSeries& s, const QFont& font,
                     int selected) {
    p.save();
    p.setFont(font);
    const QFontMetrics fm(font);
    const QRect plot = AlarmRatePlotArea(area, font);
    const int n = static_cast<int>(s.counts.size());
    uint32_t top = s.floodLimit + 1;
    for (uint32_t c : s.counts)
        top = std::max(top, c);
    const uint32_t step = CountStep(top);
    top = (top + step - 1) / step * step;
    auto yOf = [&](double v) { return plot.bottom() - v * plot.height() / top; };
    const int thin = std::max(1, fm.height() / 16);

    // Grid and count labels.
    p.setPen(QPen(QColor(220, 220, 220), thin));
    for (uint32_t v = 0; v <= top; v += step) {
        const int y = static_cast<int>(yOf(v));
        p.setPen(QPen(QColor(220, 220, 220), thin));
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(area.left(), y - fm.height() / 2,
                         plot.left() - area.left() - fm.height() / 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    // Bars: one per period, or the highest of the periods of one pixel column.
    if (n > 0) {
        const double width = static_cast<double>(plot.width()) / n;
        auto bar = [&](int from, int to, uint32_t count, bool selectedBar) {
            const double x0 = plot.left() + from * width;
            const double x1 = plot.left() + to * width;
            const QRectF r(x0, yOf(count), std::max(1.0, x1 - x0 - (width > 4 ? 1 : 0)),
                           plot.bottom() - yOf(count));
            p.fillRect(r, count > s.floodLimit ? QColor(200, 30, 30) : QColor(70, 110, 170));
            if (selectedBar) {
                p.setPen(QPen(Qt::black, thin * 2));
                p.drawRect(QRectF(x0, plot.top(), x1 - x0, plot.height()));
            }
        };
        if (width >= 1) {
            for (int i = 0; i < n; ++i)
                bar(i, i + 1, s.counts[static_cast<size_t>(i)], i == selected);
        } else {
            for (int x = 0; x < plot.width(); ++x) {
                const int from = static_cast<int>(static_cast<int64_t>(x) * n / plot.width());
                const int to = std::max(
                    from + 1, static_cast<int>(static_cast<int64_t>(x + 1) * n / plot.width()));
                const uint32_t most =
                    *std::max_element(s.counts.begin() + from, s.counts.begin() + to);
                bar(from, to, most, selected >= from && selected < to);
            }
        }
    }
    // The flood limit, and the axes.
    p.setPen(QPen(QColor(200, 30, 30), thin, Qt::DashLine));
    const int limit = static_cast<int>(yOf(s.floodLimit));
    p.drawLine(plot.left(), limit, plot.right(), limit);
    p.setPen(QPen(Qt::black, thin));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    // Times of the first period and a few after it, as many as fit.
    if (n > 0) {
        const QString sample = QStringLiteral("0000-00-00 00:00");
        const int labels =
            std::max(1, std::min(n, plot.width() / (fm.horizontalAdvance(sample) * 3 / 2)));
        for (int k = 0; k < labels; ++k) {
            const int i = labels == 1
                              ? 0
                              : static_cast<int>(static_cast<int64_t>(k) * (n - 1) / (labels - 1));
            const int x = plot.left() + static_cast<int>(static_cast<double>(i) * plot.width() / n);
            const QString text = AlarmTimeString(s.first + s.period * i).left(16);
            const int w = fm.horizontalAdvance(text);
            const int at = std::clamp(x - w / 2, area.left(), area.right() - w);
            p.drawLine(x, plot.bottom(), x, plot.bottom() + fm.height() / 4);
            p.drawText(QRect(at, plot.bottom() + fm.height() / 4, w, fm.height()), Qt::AlignCenter,
                       text);
        }
    }
    p.restore();
}

AlarmRateChart::AlarmRateChart(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setCursor(Qt::PointingHandCursor);
}

void AlarmRateChart::SetSeries(const AlarmRateSeries& series) {
    series_ = series;
    selected_ = -1;
    update();
}

void AlarmRateChart::SetSelected(int period) {
    selected_ = period;
    update();
}

int AlarmRateChart::PeriodAt(int x) const {
    const QRect plot = AlarmRatePlotArea(rect(), font());
    const int n = static_cast<int>(series_.counts.size());
    if (n == 0 || x < plot.left() || x > plot.right())
        return -1;
    return std::min(n - 1, static_cast<int>(static_cast<int64_t>(x - plot.left()) * n /
                                            std::max(1, plot.width())));
}

void AlarmRateChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintAlarmRates(p, rect(), series_, font(), selected_);
}

void AlarmRateChart::mousePressEvent(QMouseEvent* event) {
    const int period = PeriodAt(static_cast<int>(event->position().x()));
    if (event->button() != Qt::LeftButton || period < 0)
        return;
    const qint64 from = series_.first + series_.period * period;
    emit PeriodClicked(from, from + series_.period, period);
}
