// The curve view's optional extras through the real windows on the offscreen platform: cursor B
// and the statistics panel with its copy, and envelope thinning, checked through the chart
// adapter's and the panel's state.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QTest>

#include "chart_adapter.h"
#include "chart_image.h"
#include "commands.h"
#include "curve_extras.h"
#include "curve_view.h"
#include "document_manager.h"
#include "gui_app_test.h"
#include "histavue_app.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "report.h"
#include "stats_worker.h"

namespace {

class CurveExtrasTest : public AppTest {
  protected:
    // Opens text (or 12 records every 10 s: T1 = i.5, T2 = 2i) and draws its curves.
    CHistavueView* OpenAndDraw(const std::string& text = SampleRecordText(12)) {
        CHistavueView* view = OpenRecords(text);
        Run(kCmdDrawCurves);
        return view;
    }
    void Key(CHistavueView* view, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(view->Chart()->focusProxy(), key, mods);
    }
};

TEST_F(CurveExtrasTest, CursorBOpensThePanelWithDifferencesAndStatistics) {
    CHistavueView* view = OpenAndDraw();
    ChartAdapter* c = view->Curves()->Adapter();
    CurveExtras* x = view->Curves()->Extras();
    // Nothing of it until asked for: the chart is as it always was.
    EXPECT_EQ(c->CursorBPoint(), -1);
    EXPECT_EQ(x->Panel(), nullptr);
    EXPECT_FALSE(x->CopyPanel());
    EXPECT_EQ(c->MenuActions().size(), 7);

    // Shift+Right starts B one point right of A and opens the panel.
    Key(view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(c->CursorPoint(), 1);
    EXPECT_EQ(c->CursorBPoint(), 2);
    EXPECT_EQ(c->SeriesLabel(0), "T1(1.50)");  // the read-out stays with A
    ASSERT_NE(x->Panel(), nullptr);
    CurvePanel* panel = x->Panel();
    EXPECT_TRUE(panel->isVisibleTo(view->Chart()));
    // However small the window, the panel leaves the plot room for its curves.
    view->resize(560, 380);
    Settle();
    EXPECT_GE(c->Layout()->plot.height(), 100.0);
    EXPECT_TRUE(panel->Headline().contains(QString::fromUtf8("Δt = 00:00:10")));
    // Name, A, B, B-A, minimum, its time, maximum, its time, mean, records: the numbers with the
    // one decimal of T1's cells.
    const QStringList t1 = {
        "T1",  "1.5", "2.5", "1.0", "0.5", "2024-01-01 00:00:00", "11.5", "2024-01-01 00:01:50",
        "6.0", "12"};
    for (int col = 0; col < t1.size(); ++col)
        EXPECT_EQ(panel->CellText(0, col), t1[col]) << col;
    EXPECT_EQ(panel->CellText(1, 3), "2");

    // Plain arrows move A, Shift+Left moves B; the panel follows both.
    Key(view, Qt::Key_Right);
    Key(view, Qt::Key_Left, Qt::ShiftModifier);
    Key(view, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(c->CursorPoint(), 2);
    EXPECT_EQ(c->CursorBPoint(), 0);
    EXPECT_EQ(panel->CellText(0, 3), "-2.0");
    EXPECT_TRUE(panel->Headline().contains(QString::fromUtf8("Δt = -00:00:20")));

    // Zooming narrows the statistics to the rows of the shown points.
    c->ZoomX(3, 6);
    EXPECT_EQ(panel->CellText(0, 4), "2.5");
    EXPECT_EQ(panel->CellText(0, 6), "5.5");
    EXPECT_EQ(panel->CellText(0, 8), "4.0");
    EXPECT_EQ(panel->CellText(0, 9), "4");

    // Ctrl+C copies what the panel shows.
    QApplication::clipboard()->clear();
    Key(view, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(panel->Headline() + "\n")) << copied.toStdString();
    EXPECT_TRUE(copied.contains("T1\t2.5\t0.5\t-2.0\t2.5\t")) << copied.toStdString();

    // A Shift+click on the plot sets B; a plain click still moves A only.
    view->resize(800, 500);
    Settle();
    c->ZoomX(0, 12);
    PlotView* plot = c->Plot();
    auto posOf = [&](double x) { return c->PlotPosition(x, 5); };
    QTest::mouseClick(plot, Qt::LeftButton, Qt::ShiftModifier, posOf(9));
    EXPECT_EQ(c->CursorBPoint(), 8);
    EXPECT_EQ(c->CursorPoint(), 2);
    QTest::mouseClick(plot, Qt::LeftButton, {}, posOf(5));
    EXPECT_EQ(c->CursorPoint(), 4);
    EXPECT_EQ(c->CursorBPoint(), 8);

    // The panel stays chosen for the view across a redraw; B starts hidden again.
    app->MainFrame()->Action(kCmdDrawCurves)->trigger();
    EXPECT_EQ(c->CursorBPoint(), -1);
    ASSERT_NE(x->Panel(), nullptr);
    EXPECT_EQ(x->Panel()->CellText(0, 2), "0.5");  // no B columns: minimum follows A
    x->SetPanelShown(false);
    EXPECT_EQ(x->Panel(), nullptr);
}

// The statistics of a long range are computed on their own thread: the panel's cells stay blank
// meanwhile, a zoom replaces the computation, the result is the one computed at once, and a
// window closed during a computation waits for its thread before its table goes.
TEST_F(CurveExtrasTest, LongRangesAreComputedInTheBackground) {
    std::string text = "Line1\nTime,T1,T2\n";
    for (int i = 0; i < 110000; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "2024-01-%02d %02d:%02d:%02d,%d.25,%d\n", 1 + i / 86400,
                      i / 3600 % 24, i / 60 % 60, i % 60, i % 977, (i * 7) % 1000 - 500);
        text += line;
    }
    CHistavueView* view = OpenAndDraw(text);
    CurveExtras* x = view->Curves()->Extras();
    StatsWorker& worker = x->StatisticsWorker();
    const RecordTable& table = view->List()->Table();
    const auto expectComputedAtOnce = [&](const char* what) {
        ASSERT_TRUE(worker.WaitDone(60000)) << what;
        const PanelContents c = x->Contents();
        EXPECT_FALSE(c.computing) << what;
        const std::vector<ChannelStats> direct =
            RangeStatistics(table, x->StatisticsRows(), {1, 2}, {}, 1);
        ASSERT_EQ(c.channels.size(), 2u) << what;
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(c.channels[i].stats.count, direct[i].count) << what;
            EXPECT_EQ(c.channels[i].stats.minRow, direct[i].minRow) << what;
            EXPECT_EQ(c.channels[i].stats.maxRow, direct[i].maxRow) << what;
            EXPECT_DOUBLE_EQ(c.channels[i].stats.Mean(), direct[i].Mean()) << what;
        }
    };
    x->SetPanelShown(true);
    EXPECT_TRUE(x->Contents().computing);
    expectComputedAtOnce("whole range");
    EXPECT_EQ(x->Contents().channels[0].stats.count, 110000);
    // A zoom while the whole range is computed: only the zoomed range's result arrives.
    x->RangeChanged(0, 0, true);
    x->RangeChanged(100, 1500, false);
    expectComputedAtOnce("zoomed");
    EXPECT_LT(x->Contents().channels[0].stats.count, 110000);
    // Closed while computing.
    x->RangeChanged(0, 0, true);
    EXPECT_TRUE(worker.Busy());
    app->MainFrame()->OnFileClose();
    QApplication::processEvents();
}

TEST_F(CurveExtrasTest, EnvelopeKeepsASpikeThatThinningSkips) {
    // T1 is 1 but for a spike of 100 on row 4; every third row is plotted.
    std::string text = "Line1\nTime,T1\n";
    for (int i = 0; i < 12; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "2024-01-01 00:%02d:%02d,%d\n", i * 10 / 60, i * 10 % 60,
                      i == 4 ? 100 : 1);
        text += line;
    }
    CHistavueView* view = OpenAndDraw(text);
    view->Settings().queryInterval = 30;
    view->Settings().queryChanged = 1;
    view->DrawCurves();
    ChartAdapter* c = view->Curves()->Adapter();
    ASSERT_EQ(view->Settings().pointStride, 3);
    for (const QPointF& p : c->SeriesData(0))
        EXPECT_EQ(p.y(), 1.0);
    EXPECT_TRUE(c->SeriesEnvelopeHigh(0).isEmpty());

    view->Curves()->Extras()->SetEnvelope(true);
    const QList<QPointF> high = c->SeriesEnvelopeHigh(0);
    ASSERT_EQ(high.size(), c->PointCount());
    EXPECT_EQ(high[1], QPointF(2, 100));
    EXPECT_EQ(c->SeriesEnvelopeLow(0)[1], QPointF(2, 1));
    c->Repaint();
    EXPECT_GE(c->YMax(), 100.0);  // the automatic range takes the band in

    // Kept across a redraw, gone when turned off.
    view->DrawCurves();
    EXPECT_EQ(c->SeriesEnvelopeHigh(0).size(), c->PointCount());
    view->Curves()->Extras()->SetEnvelope(false);
    EXPECT_TRUE(c->SeriesEnvelopeHigh(0).isEmpty());
}

TEST_F(CurveExtrasTest, TimeAxisShowsAStopAsAGapAndZoomsByTime) {
    // Records every 10 s; recording stops for four minutes after the sixth.
    std::string text = "Line1\nTime,T1\n";
    for (int i = 0; i < 12; ++i) {
        const int s = i * 10 + (i >= 6 ? 240 : 0);
        char line[64];
        std::snprintf(line, sizeof line, "2024-01-01 00:%02d:%02d,%d\n", s / 60, s % 60, i);
        text += line;
    }
    CHistavueView* view = OpenAndDraw(text);
    ChartAdapter* c = view->Curves()->Adapter();
    CurveExtras* x = view->Curves()->Extras();
    EXPECT_EQ(c->SeriesPieceCount(0), 1);
    x->SetEnvelope(true);
    x->SetTimeAxis(true);  // builds the chart anew
    ASSERT_TRUE(c->TimeAxis());
    EXPECT_EQ(view->Settings().timeAxis, 1);
    EXPECT_EQ(c->SeriesData(0)[6], QPointF(300, 6));
    EXPECT_EQ(c->LineBreaks(), QList<int>{6});
    EXPECT_EQ(c->SeriesPieceCount(0), 2);
    EXPECT_EQ(c->XMin(), 0.0);
    EXPECT_EQ(c->XMax(), 350.0);
    EXPECT_EQ(c->AxisLabels().first(), "2024/01/01<br>00:00:00");
    EXPECT_EQ(c->NearestPoint(200), 6);

    // On screen the line crosses every column of its pieces and none of the stop.
    c->Repaint();
    const QImage image = c->Plot()->grab().toImage();
    auto lineInColumn = [&](double seconds) {
        const int column = c->PlotPosition(seconds, c->YMin()).x();
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(column, y) == c->SeriesColor(0))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(lineInColumn(25));
    EXPECT_TRUE(lineInColumn(325));
    EXPECT_FALSE(lineInColumn(175));

    // A zoom into the second piece takes its rows only, and its labels follow the span.
    x->SetPanelShown(true);
    c->ZoomX(290, 360);  // kept within the records: 280..350
    EXPECT_EQ(x->StatisticsRows().begin, 6);
    EXPECT_EQ(x->StatisticsRows().end, 12);
    EXPECT_EQ(c->AxisLabels().first(), "2024/01/01<br>00:04:45");

    x->SetTimeAxis(false);
    EXPECT_FALSE(c->TimeAxis());
    EXPECT_EQ(c->SeriesData(0)[6], QPointF(7, 6));
    EXPECT_EQ(c->SeriesPieceCount(0), 1);
}

TEST_F(CurveExtrasTest, OwnScalesStretchEverySeriesAndTheAxisFollowsTheLegend) {
    // A counter near 185,000, an on/off state and a flat channel, every 10 s.
    std::string text = "Line1\nTime,Count,Pump,Flat\n";
    for (int i = 0; i < 12; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "2024-01-01 00:%02d:%02d,%d,%d,7\n", i * 10 / 60,
                      i * 10 % 60, 185000 + i, i % 3 == 0 ? 1 : 0);
        text += line;
    }
    CHistavueView* view = OpenAndDraw(text);
    view->resize(800, 500);
    Settle();
    ChartAdapter* c = view->Curves()->Adapter();
    CurveExtras* x = view->Curves()->Extras();
    auto shownRange = [&](int series) {
        const QList<QPointF> shown = c->ShownSeriesData(series);
        const auto [lo, hi] = std::minmax_element(
            shown.begin(), shown.end(), [](QPointF a, QPointF b) { return a.y() < b.y(); });
        return std::make_pair(lo->y(), hi->y());
    };
    x->SetOwnScales(true);
    ASSERT_TRUE(c->OwnScales());
    // The counter's scale on the axis; the state and the flat channel stretched over it.
    EXPECT_EQ(c->ScaleSeries(), 0);
    EXPECT_EQ(c->YAxisTitle(), "Count");
    EXPECT_EQ(c->YAxisColor(), c->SeriesColor(0));
    EXPECT_LE(c->YMin(), 185000.0);
    EXPECT_GE(c->YMax(), 185011.0);
    EXPECT_LT(c->YMax() - c->YMin(), 100.0);
    EXPECT_EQ(shownRange(1), std::make_pair(185000.0, 185011.0));
    EXPECT_EQ(shownRange(2), std::make_pair(185005.5, 185005.5));
    // What is read stays true: the data, the cursor read-out.
    EXPECT_EQ(c->SeriesData(1)[0], QPointF(1, 1));
    view->Curves()->ShowCursorValues(3);
    EXPECT_EQ(c->SeriesLabel(1), "Pump(1.00)");

    // A click on the state's legend entry puts its scale on the axis.
    c->Repaint();
    QTest::mouseClick(c->Plot(), Qt::LeftButton, {}, c->LegendEntryRect(1).center());
    EXPECT_EQ(c->ScaleSeries(), 1);
    EXPECT_EQ(c->YAxisTitle(), "Pump");
    EXPECT_LE(c->YMin(), 0.0);
    EXPECT_GE(c->YMax(), 1.0);
    EXPECT_LT(c->YMax(), 2.0);
    EXPECT_EQ(shownRange(0), std::make_pair(0.0, 1.0));
    // A zoom scales each series to the points it shows (counter 185002..185005 there).
    c->ZoomX(3, 6);
    EXPECT_DOUBLE_EQ(c->ShownSeriesData(0)[2].y(), 0.0);
    EXPECT_DOUBLE_EQ(c->ShownSeriesData(0)[5].y(), 1.0);

    // Kept with its channel across a redraw, on the true time axis too (the view draws the
    // lines then, through the same scales).
    x->SetTimeAxis(true);
    EXPECT_EQ(c->YAxisTitle(), "Pump");
    EXPECT_DOUBLE_EQ(c->Scales().Shown(0, 185011), 1.0);
    // A manual Y range is every channel's: nothing is stretched.
    view->Settings().yAxisMode = 1;
    view->DrawCurves();
    EXPECT_EQ(c->ShownSeriesData(0), c->SeriesData(0));
    x->SetOwnScales(false);
    EXPECT_FALSE(c->Scales().On());
    EXPECT_EQ(c->YAxisTitle(), QString::fromUtf8("采样值"));
    EXPECT_EQ(c->YAxisColor(), c->Foreground());
}

TEST_F(CurveExtrasTest, ChartImagesAsPngSvgClipboardAndFromTheReportTool) {
    CHistavueView* view = OpenAndDraw(SampleRecordText(12, "Boiler"));
    QWidget* chart = view->Chart();
    const QString png = dir.path() + "/c.png";
    const QString svg = dir.path() + "/c.SVG";
    ASSERT_TRUE(SaveChartImage(chart, png));
    EXPECT_EQ(QImage(png).size(), chart->size());
    ASSERT_TRUE(SaveChartImage(chart, svg));
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("<svg"));
    EXPECT_TRUE(bytes.contains("Boiler"));  // texts stay texts
    // Failures say so and leave nothing behind.
    EXPECT_FALSE(SaveChartImage(chart, dir.path() + "/c.gif"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/c.gif"));
    EXPECT_FALSE(SaveChartImage(chart, dir.path() + "/no/such/dir/c.png"));
    EXPECT_FALSE(SaveChartImage(nullptr, png));

    QApplication::clipboard()->clear();
    EXPECT_TRUE(CopyChartImage(chart));
    EXPECT_EQ(QApplication::clipboard()->image().size(), chart->size());

    const QString in = dir.path() + "/in.csv";
    ASSERT_TRUE(WriteRecordFile(in, SampleRecordText(30, "Line1", "A,B"), false));
    auto run = [](QStringList args) {
        std::FILE* sink = std::tmpfile();
        args.prepend(QStringLiteral("histavue-report"));
        const int status = RunReport(args, sink, sink);
        std::fclose(sink);
        return status;
    };
    const QString out = dir.path() + "/report.svg";
    EXPECT_EQ(run({"--in", in, "--plain", "--curves", out}), 0);
    QFile report(out);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().contains("<svg"));
    EXPECT_EQ(run({"--in", in, "--plain", "--curves", dir.path() + "/report.gif"}), 2);
}

}  // namespace
