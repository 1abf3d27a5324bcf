#include "curve_view.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "curve_chart_plan.h"
#include "curve_init.h"
#include "curve_sampling.h"
#include "line_rule.h"
#include "text_codec.h"

namespace {

QColor ToQColor(RgbColor c) {
    return QColor(c.r, c.g, c.b);
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// The wait cursor for as long as a draw takes.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

CurveView::CurveView(QWidget* host, CurveSettings* settings, const RecordTable* table)
    : QObject(host),
      host_(host),
      settings_(settings),
      table_(table),
      extras_(&adapter_, settings, table),
      alarms_(&adapter_, settings, table, &extras_) {
    connect(&adapter_, &ChartAdapter::Clicked, this, &CurveView::OnClicked);
    connect(&adapter_, &ChartAdapter::HotSpotReported, this, &CurveView::OnHotSpot);
    connect(&adapter_, &ChartAdapter::KeyPressed, this, &CurveView::OnKey);
    connect(&adapter_, &ChartAdapter::SettingsRequested, this, &CurveView::SettingsRequested);
    connect(&adapter_, &ChartAdapter::XRangeChanged, this, &CurveView::OnXRangeChanged);
    connect(&extras_, &CurveExtras::RebuildRequested, this, &CurveView::DrawCurves);
}

const CurveChannel* CurveView::ShownChannel(int showIndex) const {
    for (const CurveChannel& c : settings_->channels) {
        if (c.showIndex == showIndex)
            return &c;
    }
    return nullptr;
}

bool CurveView::DrawCurves() {
    BusyCursor busy;
    adapter_.Destroy();
    SamplePoints(settings_, *table_);
    if (!BuildChart())
        return false;
    adapter_.SetCursorPoint(1);
    extras_.ChartBuilt();
    alarms_.ChartBuilt(timeOrigin_);
    if (NoRowTimes(*settings_)) {
        if (auto* frame = qobject_cast<QMainWindow*>(host_->window()))
            frame->statusBar()->showMessage(
                QCoreApplication::translate("Histavue",
                                            "没有一行的时间可以读出（第一列应是如 2024-01-01 "
                                            "08:00:00 的时间）：曲线按行号绘制。"));
    }
    adapter_.Window()->setFocus();
    adapter_.Repaint();
    return true;
}

bool CurveView::BuildChart() {
    const CurveSettings& s = *settings_;
    if (!adapter_.Create(host_, host_->rect()))
        return false;
    adapter_.SetSeriesCount(s.shownCount);
    adapter_.SetPointCount(s.pointCount);
    adapter_.SetYScaleMode(s.yAxisMode);
    // On a time axis every series stands at the times of the first shown channel's points: all
    // were sampled from the same rows.
    const CurveChannel* first = ShownChannel(0);
    if (s.timeAxis != 0 && first != nullptr && !first->points.empty() && !NoRowTimes(s)) {
        const TimeAxisPlan plan = PlanTimeAxis(first->points, s.sourceInterval, s.pointStride);
        timeOrigin_ = plan.origin;
        adapter_.SetPointAxis(QList<double>(plan.x.begin(), plan.x.end()),
                              QList<int>(plan.breaks.begin(), plan.breaks.end()));
        const auto [lo, hi] = std::minmax_element(plan.x.begin(), plan.x.end());
        // A lone point still gets a span to stand in.
        adapter_.SetXRange(*lo, *hi > *lo ? *hi : *lo + 1.0);
    } else {
        adapter_.SetXRange(0.0, s.pointCount);
    }
    adapter_.SetTitle(DecodeText(CutToCharacters(s.title, kChartTitleMax), table_->Codec()));
    adapter_.SetSubtitle(QStringLiteral(" "));
    const std::vector<std::string> footer =
        FooterEntries(s.remark, Utf8(QCoreApplication::translate("Histavue", "备注:")));
    // The last entry is the program's own label, not the document's text.
    for (size_t i = 0; i < footer.size(); ++i)
        adapter_.SetFooterEntry(
            static_cast<int>(i),
            DecodeText(footer[i], i + 1 < footer.size() ? table_->Codec() : TextCodec::kPerText));
    adapter_.SetXAxisLabel(QString());
    adapter_.SetYAxisLabel(QCoreApplication::translate("Histavue", "采样值"));
    adapter_.SetGridMode(s.gridMode);

    QList<QColor> colors;
    QList<int> lineTypes;
    const std::vector<int32_t> labelPoints = TimeLabelPoints(s.pointCount);
    for (int j = 0; j < s.shownCount; ++j) {
        const CurveChannel* c = ShownChannel(j);
        if (c == nullptr) {
            colors.append(ToQColor(SeriesColor(0)));
            lineTypes.append(0);
            continue;
        }
        adapter_.SetSeriesLabel(j, DecodeText(c->Name(), table_->Codec()));
        if (s.shownCount == 1)
            adapter_.SetSubtitle(DecodeText(c->Name(), table_->Codec()));
        colors.append(ToQColor(SeriesColor(c->colorIndex)));
        lineTypes.append(c->lineType >= 0 && c->lineType < kCurveLineTypeCount ? c->lineType : 0);
        QList<QPointF> points;
        points.reserve(s.pointCount);
        for (int t = 0; t < s.pointCount && t < static_cast<int>(c->points.size()); ++t)
            points.append(QPointF(adapter_.PointX(t), c->points[static_cast<size_t>(t)].value));
        adapter_.SetSeriesData(j, points);
        if (j == 0 && adapter_.TimeAxis()) {
            for (const AxisLabel& label :
                 TimeAxisLabels(timeOrigin_, adapter_.XMin(), adapter_.XMax()))
                adapter_.SetTimeLabel(adapter_.TimeLabels().size(), label.x,
                                      DecodeText(label.text));
        } else if (j == 0) {
            for (int32_t t : labelPoints) {
                if (t < static_cast<int32_t>(c->points.size())) {
                    adapter_.SetTimeLabel(t, t + 1, PointLabel(*c, t));
                }
            }
        }
    }
    adapter_.SetSeriesColors(colors);
    adapter_.SetSeriesLineTypes(lineTypes);
    const RgbColor background = BackgroundColor(s.backgroundColor);
    adapter_.SetColors(ToQColor(background), ToQColor(ForegroundOf(background)));

    const YAxisPlan y = PlanYAxis(s, adapter_.YScaleMode());
    if (y.manualRange)
        adapter_.SetYRange(y.min, y.max);
    adapter_.SetManualYGrid(y.manualGrid, y.spacing);
    return true;
}

QString CurveView::PointLabel(const CurveChannel& channel, int p) const {
    // Without a readable time the points are told by the rows they come from.
    if (NoRowTimes(*settings_))
        return QString::number(PointRow(*settings_, p) + 1);
    return DecodeText(TimeLabelText(channel.points[static_cast<size_t>(p)].time));
}

void CurveView::ShowCursorValues(int p) {
    const int n = settings_->shownCount;
    std::string firstLabel;
    for (int i = 0; i < n; ++i) {
        const double value = adapter_.YValue(i, p);
        const CurveChannel* c = ShownChannel(i);
        if (c == nullptr)
            continue;
        const std::string label = CursorSeriesLabel(c->Name(), value);
        adapter_.SetSeriesLabel(i, DecodeText(label, table_->Codec()));
        if (i == 0)
            firstLabel = label;
    }
    const CurveChannel* first = ShownChannel(0);
    if (first != nullptr && p >= 0 && p < static_cast<int>(first->points.size()) &&
        NoRowTimes(*settings_)) {
        QString subtitle = QCoreApplication::translate("Histavue", "行号:") + PointLabel(*first, p);
        if (n == 1)
            subtitle += QStringLiteral("     ") + DecodeText(firstLabel, table_->Codec());
        adapter_.SetSubtitle(subtitle);
    } else if (first != nullptr && p >= 0 && p < static_cast<int>(first->points.size())) {
        const CalendarTime& time = first->points[static_cast<size_t>(p)].time;
        // The words before the series label are the program's own (UTF-8); the label is the
        // document's.
        const std::string label = Utf8(QCoreApplication::translate("Histavue", "当前时间:"));
        const std::string words = CursorSubtitle(time, std::string(), label);
        const std::string whole = CursorSubtitle(time, n == 1 ? firstLabel : std::string(), label);
        const std::string_view subtitle(whole);
        const size_t own = subtitle.substr(0, words.size()) == words ? words.size() : 0;
        adapter_.SetSubtitle(DecodeText(subtitle.substr(0, own)) +
                             DecodeText(subtitle.substr(own), table_->Codec()));
    }
    extras_.CursorMoved();
    adapter_.Repaint();
}

void CurveView::OnXRangeChanged(double min, double max, bool whole) {
    extras_.RangeChanged(min, max, whole);
    alarms_.RangeChanged(min, max, whole);
    const CurveChannel* first = ShownChannel(0);
    if (whole || first == nullptr) {
        adapter_.ShowZoomLabels({});
        return;
    }
    if (adapter_.TimeAxis()) {
        QMap<double, QString> labels;
        for (const AxisLabel& label : TimeAxisLabels(timeOrigin_, min, max))
            labels.insert(label.x, DecodeText(label.text));
        adapter_.ShowZoomLabels(labels);
        return;
    }
    // The zoomed span gets its own labels by the same rule, so times stay on the axis.
    const int from = std::max(0, static_cast<int>(std::ceil(min)) - 1);
    const int to = std::min(static_cast<int>(first->points.size()), static_cast<int>(max));
    QMap<double, QString> labels;
    for (int32_t t : TimeLabelPoints(to - from)) {
        labels.insert(from + t + 1, PointLabel(*first, from + t));
    }
    adapter_.ShowZoomLabels(labels);
}

void CurveView::OnClicked(ChartAdapter::HotSpot hotSpot, int point) {
    if (hotSpot == ChartAdapter::HotSpot::kDataPoint)
        adapter_.SetCursorPoint(point);
    ShowCursorValues(adapter_.CursorPoint());
}

void CurveView::OnHotSpot(ChartAdapter::HotSpot hotSpot, int point) {
    if (hotSpot == ChartAdapter::HotSpot::kNone)
        return;
    if (hotSpot == ChartAdapter::HotSpot::kDataPoint)
        adapter_.SetCursorPoint(point);
    ShowCursorValues(adapter_.CursorPoint());
}

void CurveView::OnKey() {
    // The chart has already moved its cursor on the arrow keys; every key shows the values
    // under the cursor, so the read-out never disagrees with where the cursor stands.
    ShowCursorValues(adapter_.CursorPoint());
}
