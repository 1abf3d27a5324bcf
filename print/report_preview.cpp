#include "report_preview.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "print_output.h"
#include "report_job.h"
#include "ui_services.h"

class CReportPreview::PageWidget : public QWidget {
  public:
    explicit PageWidget(CReportPreview* preview) : QWidget(preview), preview_(preview) {
        setMinimumSize(300, 400);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(p);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const ReportPrintMetrics& m = preview_->metrics_;
        if (m.page.isEmpty())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        // The whole sheet, margins and all, as the printer puts the page on it: the footer's
        // text reaches into the bottom margin.
        const QRect paper = m.paper.isEmpty() ? QRect(QPoint(0, 0), m.page) : m.paper;
        const int border = 12;
        const double scale = std::min((width() - 2.0 * border) / paper.width(),
                                      (height() - 2.0 * border) / paper.height());
        if (scale <= 0)
            return;
        const double w = paper.width() * scale;
        const double h = paper.height() * scale;
        painter.translate((width() - w) / 2, (height() - h) / 2);
        painter.fillRect(QRectF(0, 0, w, h), Qt::white);
        painter.setClipRect(QRectF(0, 0, w, h));
        painter.scale(scale, scale);
        painter.translate(-paper.topLeft());
        PrintReportPage(painter, *preview_->table_, m, preview_->page_);
    }

  private:
    CReportPreview* preview_;
};

CReportPreview::CReportPreview(RecordTable* table, const CurveSettings* settings, QPrinter* printer,
                               const ReportPrintMetrics& metrics, const QString& recordFile,
                               QWidget* parent)
    : QDialog(parent),
      table_(table),
      settings_(settings),
      printer_(printer),
      metrics_(metrics),
      recordFile_(recordFile),
      pageWidget_(new PageWidget(this)),
      pageBox_(new QSpinBox(this)),
      countLabel_(new QLabel(this)) {
    setWindowTitle(QCoreApplication::translate("Histavue", "打印预览"));
    auto* print = new QPushButton(QCoreApplication::translate("Histavue", "打印(&P)..."), this);
    auto* first = new QPushButton(QCoreApplication::translate("Histavue", "首页"), this);
    auto* prev = new QPushButton(QCoreApplication::translate("Histavue", "上一页(&V)"), this);
    auto* next = new QPushButton(QCoreApplication::translate("Histavue", "下一页(&N)"), this);
    auto* last = new QPushButton(QCoreApplication::translate("Histavue", "末页"), this);
    auto* close = new QPushButton(QCoreApplication::translate("Histavue", "关闭(&C)"), this);
    print->setObjectName(QStringLiteral("print"));
    pageWidget_->setObjectName(QStringLiteral("page"));
    next->setObjectName(QStringLiteral("next"));
    prev->setObjectName(QStringLiteral("prev"));
    pageBox_->setRange(1, std::max(1, metrics_.pageCount));
    countLabel_->setText(
        QCoreApplication::translate("Histavue", "/ 共 %1 页").arg(metrics_.pageCount));

    auto* bar = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(print), static_cast<QWidget*>(first), static_cast<QWidget*>(prev),
          static_cast<QWidget*>(pageBox_), static_cast<QWidget*>(countLabel_),
          static_cast<QWidget*>(next), static_cast<QWidget*>(last)})
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(pageWidget_, 1);

    connect(print, &QPushButton::clicked, this, &CReportPreview::Print);
    connect(first, &QPushButton::clicked, this, [this] { ShowPage(1); });
    connect(prev, &QPushButton::clicked, this, [this] { ShowPage(page_ - 1); });
    connect(next, &QPushButton::clicked, this, [this] { ShowPage(page_ + 1); });
    connect(last, &QPushButton::clicked, this, [this] { ShowPage(metrics_.pageCount); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(pageBox_, qOverload<int>(&QSpinBox::valueChanged), this, &CReportPreview::ShowPage);
    resize(720, 960);
}

void CReportPreview::ShowPage(int page) {
    page = std::clamp(page, 1, std::max(1, metrics_.pageCount));
    if (page == page_ && pageBox_->value() == page)
        return;
    page_ = page;
    pageBox_->setValue(page);
    pageWidget_->update();
}

void CReportPreview::Print() {
    if (!UiServices::Get().AskPrinter(this, printer_, metrics_.pageCount))
        return;
    if (PrintsOntoFile(*printer_, recordFile_)) {
        UiServices::Get().Message(
            this, QCoreApplication::translate("Histavue", kPrintOntoRecordFileMessage),
            UiServices::Icon::kExclamation);
        return;
    }
    // The dialog may have changed the paper: measure again for the printer.
    ReportPrintMetrics job;
    if (!BeginReportJob(printer_, table_, *settings_, &job)) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kPaperTooSmallMessage),
                                  UiServices::Icon::kExclamation);
        return;
    }
    if (!PrintReportPages(printer_, *table_, job)) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kPrintFailedMessage),
                                  UiServices::Icon::kExclamation);
        return;
    }
    accept();
}
