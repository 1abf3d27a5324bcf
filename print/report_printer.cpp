#include "report_printer.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "report_font.h"
#include "text_codec.h"

const char kReportCompanyLine[] = QT_TRANSLATE_NOOP("Histavue", "Histavue 历史数据报表");

namespace {

int PixelsFor(int points, int dpi) {
    return static_cast<int>(std::lround(points * dpi / 72.0));
}

// Writes text with its top edge at y, as the layout measures lines from their top.
void TextAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

}  // namespace

QString ReportFixedFamily() {
    // Looked up once: the report measures its fonts on every page.
    static const QString family = [] {
        std::vector<std::string> installed;
        for (const QString& name : QFontDatabase::families())
            installed.push_back(name.toStdString());
        const QString system =
            QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
        return QString::fromStdString(ChooseReportFixedFamily(installed, system.toStdString()));
    }();
    return family;
}

QString ReportFixedStandIn() {
    const QString family = ReportFixedFamily();
    return family == QLatin1String(kReportFixedFamily) ? QString() : family;
}

// Fonts of the report and why. A PDF viewer reads text back through each embedded font's map
// from glyphs to characters, which Qt builds from the font's character map by taking the lowest
// code point that maps to a glyph. The Noto CJK fonts map the Kangxi radicals and the CJK
// radicals to the glyphs of the common characters they look like (U+2F00 and U+4E00 share one
// glyph), so "一" reads back as the radical; and Noto Serif CJK shapes digits after Latin letters
// into alternate glyphs no character maps to, so "P1" reads back as "P". WenQuanYi Micro Hei
// and AR PL UMing give every character a glyph of its own and shape Latin text plainly, so the
// text of a PDF is the text printed. Noto stays last, for characters those two lack.
// (Debian: fonts-dejavu-core, fonts-wqy-microhei, fonts-arphic-uming, fonts-noto-cjk.)
QFont ReportFixedFont(int points, int dpi) {
    QFont font;
    // Chinese text in the fixed font comes from a simplified-Chinese font of our choice, not from
    // whatever font the fallback finds first.
    font.setFamilies({ReportFixedFamily(), QStringLiteral("WenQuanYi Micro Hei Mono"),
                      QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("宋体")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(PixelsFor(points, dpi));
    return font;
}

QFont ReportTableFont(int points, int dpi) {
    QFont font;
    // A Song (Ming) face, as the table's font is meant to be.
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("宋体"),
                      QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Serif CJK SC")});
    font.setPixelSize(PixelsFor(points, dpi));
    return font;
}

bool BeginReportPrint(const QSize& page, int dpi, RecordTable* table, const CurveSettings& settings,
                      ReportPrintMetrics* metrics) {
    ReportPrintMetrics m;
    m.page = page;
    m.paper = QRect(QPoint(0, 0), page);
    m.dpi = dpi;
    const QFontMetrics fixed(ReportFixedFont(12, dpi));
    m.lineHeight = fixed.lineSpacing();
    m.columns = ReportColumns(*table, settings);
    // Cells stand under their captions: each column starts where its caption starts in the
    // caption line, measured in the font the line is measured in. Every padded caption ends in
    // blanks, so the line is as wide as its captions together, and each caption is measured
    // once (a header of many alike captions, once per text).
    // The advances are summed unrounded, so that a column stands where it would in the line
    // measured whole.
    const QFontMetricsF fixedF(ReportFixedFont(12, dpi));
    std::unordered_map<std::string, qreal> measured;
    qreal x = 0;
    for (const ReportColumn& column : m.columns) {
        m.columnX.push_back(static_cast<int32_t>(std::lround(x)));
        auto [it, fresh] = measured.try_emplace(column.caption, 0);
        if (fresh)
            it->second = fixedF.horizontalAdvance(DecodeText(column.caption, table->Codec()));
        x = std::min<qreal>(x + it->second, kReportMaxWidth);
    }
    table->SetPrintHeader(JoinCaptions(m.columns));
    m.tableWidth = static_cast<int32_t>(std::lround(x));
    m.remarkRaise = ReportRemarkRaise(
        static_cast<int32_t>(ReportRemarkLines(table->Remark()).size()), m.lineHeight);
    m.rowsPerPage = std::max(0, ReportRowsPerPage(page.height(), m.lineHeight) - m.remarkRaise);
    std::vector<int32_t> widths;
    for (size_t c = 0; c < m.columnX.size(); ++c)
        widths.push_back((c + 1 < m.columnX.size() ? m.columnX[c + 1] : m.tableWidth) -
                         m.columnX[c]);
    m.bands = ReportBands(widths, page.width());
    if (!m.bands.empty())
        m.leftOut = static_cast<int32_t>(m.columns.size()) - m.bands.back().end;
    m.pageCount = static_cast<int32_t>(
        std::min<int64_t>(int64_t{ReportPageCount(table->RowCount(), m.rowsPerPage)} *
                              std::max<int64_t>(1, static_cast<int64_t>(m.bands.size())),
                          INT32_MAX));
    *metrics = std::move(m);
    return metrics->pageCount > 0;
}

void PrintReportPage(QPainter& painter, const RecordTable& table, const ReportPrintMetrics& m,
                     int page) {
    painter.save();
    painter.setPen(QPen(Qt::black, std::max(1, m.dpi / 150)));
    painter.setBrush(Qt::NoBrush);
    const int lh = m.lineHeight;
    const ReportPagePlace place = ReportPageAt(page, static_cast<int32_t>(m.bands.size()));
    const ReportBand band = m.bands.empty() ? ReportBand{} : m.bands[place.band];
    // The band's columns stand where they would in the whole caption line, moved left to follow
    // the time column.
    std::vector<size_t> shown{0};
    for (int32_t c = band.first; c < band.end; ++c)
        shown.push_back(static_cast<size_t>(c));
    auto columnX = [&](size_t c) {
        return c == 0 || m.columnX.size() < 2 ? m.columnX[c]
                                              : m.columnX[c] - m.columnX[band.first] + m.columnX[1];
    };
    const int left = ReportLeftMargin(m.page.width(), band.width);
    const int right = left + band.width;
    const int height = m.page.height();

    // Header and footer.
    painter.setFont(ReportFixedFont(14, m.dpi));
    TextAt(painter, left, 2 * lh, DecodeText(table.Title(), table.Codec()));
    painter.drawLine(left, 4 * lh, right, 4 * lh);
    const int footerY = height - 120;
    const QString company = QCoreApplication::translate("Histavue", kReportCompanyLine);
    TextAt(painter, left, footerY, company);
    const QString pageText =
        QCoreApplication::translate("Histavue", "第 %1 页 / 共 %2 页").arg(page).arg(m.pageCount);
    const QFontMetrics footer = painter.fontMetrics();
    TextAt(painter,
           ReportPageTextX(left, right, m.page.width(),
                           footer.horizontalAdvance(company + QStringLiteral("    ")),
                           footer.horizontalAdvance(pageText)),
           footerY, pageText);

    // Remark.
    painter.setFont(ReportFixedFont(12, m.dpi));
    if (m.leftOut > 0)
        TextAt(
            painter, left, 0,
            QCoreApplication::translate("Histavue", "另有 %1 个通道未打印：报表最多打印 %2 页宽。")
                .arg(m.leftOut)
                .arg(kReportMaxBands));
    const int remarkY = height - (5 + m.remarkRaise) * lh - 120;
    const std::vector<std::string> lines = ReportRemarkLines(table.Remark());
    // The remark starts under the table, but moves left as far as its longest line needs to
    // stay on the paper: a narrow table would otherwise push the line ends off the page.
    int widest = 0;
    for (const std::string& line : lines)
        widest = std::max(widest,
                          painter.fontMetrics().horizontalAdvance(DecodeText(line, table.Codec())));
    const int remarkX = std::max(0, std::min(left, m.page.width() - widest));
    TextAt(painter, remarkX, remarkY, QCoreApplication::translate("Histavue", "备注:"));
    for (size_t k = 1; k <= lines.size(); ++k) {
        const QString line = DecodeText(lines[k - 1], table.Codec());
        const int h = painter.fontMetrics().height();
        TextAt(painter, remarkX, remarkY + static_cast<int>(k + 1) * h - 80, line);
    }

    // Table.
    painter.setFont(ReportTableFont(12, m.dpi));
    const int rows = m.rowsPerPage;
    const int frameRight = right + kReportFrameExtra;
    painter.drawRect(
        QRect(QPoint(left, static_cast<int>(4.5 * lh)), QPoint(frameRight, (rows + 5) * lh + 20)));
    painter.drawLine(left, 6 * lh, frameRight, 6 * lh);
    const int textLeft = left + 20;
    const int captionY = static_cast<int>(4.8 * lh);
    if (m.columns.empty()) {
        painter.restore();
        return;
    }
    for (size_t c : shown)
        TextAt(painter, textLeft + columnX(c), captionY,
               DecodeText(m.columns[c].caption, table.Codec()));
    const int first = ReportFirstRow(place.rowPage + 1, rows);
    const int onPage = ReportRowsOnPage(rows);
    for (int b = 0; b < onPage; ++b) {
        const int row = first + b;
        if (row >= table.RowCount())
            break;  // rows past the end are empty cells: nothing to write
        const int y = (b + 6) * lh + 5;
        for (size_t c : shown)
            TextAt(painter, textLeft + columnX(c), y,
                   DecodeShown(table.Cell(row, m.columns[c].listColumn), table.CellCodec()));
    }
    painter.restore();
}
