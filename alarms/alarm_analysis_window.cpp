#include "alarm_analysis_window.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "alarm_mapping_dialog.h"
#include "alarm_mapping_profile.h"
#include "alarm_rate_chart.h"
#include "alarm_reader.h"
#include "text_codec.h"
#include "ui_services.h"

namespace {

// A cell that sorts by a number kept beside its text (times, durations, shares), else by text.
class SortItem : public QTableWidgetItem {
  public:
    SortItem(const QString& text, double key) : QTableWidgetItem(text) {
        setData(Qt::UserRole, key);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant a = data(Qt::UserRole), b = other.data(Qt::UserRole);
        if (a.isValid() && b.isValid())
            return a.toDouble() < b.toDouble();
        return QTableWidgetItem::operator<(other);
    }
};

QTableWidget* MakeTable(const QStringList& header, QWidget* parent) {
    auto* table = new QTableWidget(0, static_cast<int>(header.size()), parent);
    table->setHorizontalHeaderLabels(header);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

// The sort keys of the columns of the ID table (count, share, first, last, episodes, the four
// durations); the ID, standing and message sort by text.
double IdKey(const alarms::IdFigures& f, int column) {
    switch (column) {
        case 1:
            return f.alarms;
        case 2:
            return f.share;
        case 3:
            return static_cast<double>(f.first);
        case 4:
            return static_cast<double>(f.last);
        case 5:
            return f.chatterEpisodes;
        case 6:
            return static_cast<double>(f.ackMedian);
        case 7:
            return static_cast<double>(f.ackLongest);
        case 8:
            return static_cast<double>(f.clearMedian);
        case 9:
            return static_cast<double>(f.clearLongest);
        default:
            return 0;
    }
}

}  // namespace

AlarmAnalysisWindow::AlarmAnalysisWindow(const std::string& dataFolder, const std::string& group,
                                         const QString& groupText, int64_t from, int64_t to,
                                         QWidget* parent)
    : QWidget(parent),
      dataFolder_(dataFolder),
      group_(group),
      groupText_(groupText),
      from_(from),
      to_(std::max(to, from + 1)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("Histavue", "报警分析") + QStringLiteral(" - ") +
                   groupText_);
    QSettings settings;  // the user's profile, which the application names
    thresholds_ = LoadAlarmThresholds(settings);

    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    periodChoice_ = new QComboBox(tools);
    periodChoice_->addItem(QCoreApplication::translate("Histavue", "每10分钟报警数"));
    periodChoice_->addItem(QCoreApplication::translate("Histavue", "每小时报警数"));
    // A span of more than two days shows its hours: 10-minute bars would be thinner than pixels.
    periodChoice_->setCurrentIndex(to_ - from_ > 2 * 86400 ? 1 : 0);
    tools->addWidget(periodChoice_);
    wholeAction_ = tools->addAction(QCoreApplication::translate("Histavue", "整个时段"));
    wholeAction_->setEnabled(false);
    tools->addSeparator();
    QAction* thresholdsAction =
        tools->addAction(QCoreApplication::translate("Histavue", "阈值设置..."));
    mappingAction_ = tools->addAction(QCoreApplication::translate("Histavue", "报警字段设置..."));
    tools->addSeparator();
    printAction_ = tools->addAction(QCoreApplication::translate("Histavue", "打印..."));
    auto* csvMenu = new QMenu(this);
    figuresCsvAction_ = csvMenu->addAction(QCoreApplication::translate("Histavue", "关键指标..."));
    idsCsvAction_ = csvMenu->addAction(QCoreApplication::translate("Histavue", "各报警ID..."));
    csvMenu->addSeparator();
    QAction* gbAction = csvMenu->addAction(QStringLiteral("GB18030"));
    utf8Action_ = csvMenu->addAction(QCoreApplication::translate("Histavue", "UTF-8(带BOM)"));
    auto* encodings = new QActionGroup(this);
    for (QAction* a : {gbAction, utf8Action_}) {
        a->setCheckable(true);
        encodings->addAction(a);
    }
    gbAction->setChecked(true);
    QAction* csvAction = tools->addAction(QCoreApplication::translate("Histavue", "导出CSV"));
    csvAction->setMenu(csvMenu);
    if (auto* csvButton = qobject_cast<QToolButton*>(tools->widgetForAction(csvAction)))
        csvButton->setPopupMode(QToolButton::InstantPopup);

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 0);
    cancelButton_ = new QPushButton(QCoreApplication::translate("Histavue", "取消"), this);
    auto* reading = new QHBoxLayout;
    reading->addWidget(progress_, 1);
    reading->addWidget(cancelButton_);
    countsLabel_ = new QLabel(this);
    countsLabel_->setWordWrap(true);

    figures_ = MakeTable(KeyFigureHeader(), this);
    figures_->horizontalHeader()->setStretchLastSection(false);
    ids_ = MakeTable(AlarmIdHeader(), this);
    ids_->setSortingEnabled(true);
    chart_ = new AlarmRateChart(this);
    tables_ = new QTabWidget(this);
    tables_->addTab(figures_, QCoreApplication::translate("Histavue", "关键指标"));
    tables_->addTab(ids_, QCoreApplication::translate("Histavue", "各报警ID"));
    // Records that make no event (no time, no ID, or an event word of none of the three kinds)
    // are listed as they read, never dropped.
    unfit_ = MakeTable({QCoreApplication::translate("Histavue", "时间"),
                        QCoreApplication::translate("Histavue", "报警ID"),
                        QCoreApplication::translate("Histavue", "记录")},
                       this);
    tables_->addTab(unfit_, QCoreApplication::translate("Histavue", "格式不符的记录"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(chart_);
    split->addWidget(tables_);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tools);
    layout->addLayout(reading);
    layout->addWidget(countsLabel_);
    layout->addWidget(split, 1);

    connect(periodChoice_, &QComboBox::currentIndexChanged, this, [this] { FillChart(); });
    connect(wholeAction_, &QAction::triggered, this, [this] { ShowWhole(); });
    connect(thresholdsAction, &QAction::triggered, this, [this] { EditThresholds(); });
    connect(mappingAction_, &QAction::triggered, this, &AlarmAnalysisWindow::EditMapping);
    connect(printAction_, &QAction::triggered, this, [this] { emit PrintRequested(); });
    connect(figuresCsvAction_, &QAction::triggered, this, [this] { SaveCsv(false); });
    connect(idsCsvAction_, &QAction::triggered, this, [this] { SaveCsv(true); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        StopRead();
        problem_ = QCoreApplication::translate("Histavue", "报警记录的读取已取消");
        progress_->hide();
        cancelButton_->hide();
        countsLabel_->setText(problem_);
        emit StatusChanged(problem_);
    });
    connect(chart_, &AlarmRateChart::PeriodClicked, this,
            [this](qint64 from, qint64 to, int period) {
                ShowPeriod(from, to);
                chart_->SetSelected(period);
            });
    StartRead();
}

AlarmAnalysisWindow::~AlarmAnalysisWindow() {
    StopRead();
}

void AlarmAnalysisWindow::StartRead() {
    StopRead();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto input = std::make_shared<AlarmAnalysisInput>();
    stop_ = stop;
    input_ = input;
    ended_ = false;
    progress_->show();
    cancelButton_->show();
    countsLabel_->setText(QCoreApplication::translate("Histavue", "正在读取报警记录..."));
    analysed_ = false;
    reader_ = std::thread([this, stop, input, folder = dataFolder_, group = group_, from = from_,
                           to = to_, mappings = StoredAlarmMappings()] {
        *input = ReadAlarmAnalysisInput(folder, group, from, to, mappings, stop.get());
        if (stop->load())
            return;
        ended_ = true;
        QMetaObject::invokeMethod(this, &AlarmAnalysisWindow::Arrived, Qt::QueuedConnection);
    });
}

void AlarmAnalysisWindow::StopRead() {
    if (stop_)
        stop_->store(true);
    if (reader_.joinable())
        reader_.join();
}

void AlarmAnalysisWindow::WaitForAnalysis() {
    if (reader_.joinable())
        reader_.join();
    Arrived();
}

void AlarmAnalysisWindow::Arrived() {
    if (!ended_ || analysed_ || !input_)
        return;
    if (reader_.joinable())
        reader_.join();
    progress_->hide();
    cancelButton_->hide();
    analysed_ = true;
    problem_ = AlarmInputProblem(*input_, QFile::decodeName(QByteArray::fromStdString(dataFolder_)),
                                 groupText_);
    try {
        whole_ = alarms::Analyse(input_->events, from_, to_, thresholds_);
    } catch (const std::exception&) {
        whole_ = alarms::AlarmAnalysis();
    }
    narrowed_ = false;
    Show(whole_);
    FillChart();
    emit StatusChanged(Status());
}

QString AlarmAnalysisWindow::Status() const {
    if (!analysed_)
        return countsLabel_->text();
    QString text = QCoreApplication::translate("Histavue",
                                               "%1 — %2:记录 %3 条,报警 %4 个,格式不符的记录 %5 条,"
                                               "无对应报警的确认或清除 %6 条")
                       .arg(AlarmTimeString(shown_.from), AlarmTimeString(shown_.to))
                       .arg(shown_.events)
                       .arg(shown_.alarms)
                       .arg(shown_.unfit.size())
                       .arg(shown_.orphans.size());
    if (!problem_.isEmpty())
        text = problem_ + QStringLiteral("\n") + text;
    return text;
}

void AlarmAnalysisWindow::Show(const alarms::AlarmAnalysis& a) {
    shown_ = a;
    wholeAction_->setEnabled(narrowed_);
    figures_->setRowCount(static_cast<int>(a.figures.size()));
    for (int r = 0; r < static_cast<int>(a.figures.size()); ++r) {
        const alarms::KeyFigure& k = a.figures[static_cast<size_t>(r)];
        const QStringList row = KeyFigureRow(k);
        for (int c = 0; c < row.size(); ++c) {
            auto* item = new QTableWidgetItem(row[c]);
            if (c == 3) {
                item->setForeground(k.verdict == alarms::Verdict::kMissed ? QColor(190, 0, 0)
                                    : k.verdict == alarms::Verdict::kManageable
                                        ? QColor(170, 110, 0)
                                        : QColor(0, 120, 0));
            }
            figures_->setItem(r, c, item);
        }
    }
    figures_->resizeColumnsToContents();
    ids_->setSortingEnabled(false);
    ids_->setRowCount(static_cast<int>(a.ids.size()));
    for (int r = 0; r < static_cast<int>(a.ids.size()); ++r) {
        const alarms::IdFigures& f = a.ids[static_cast<size_t>(r)];
        const QStringList row = AlarmIdRow(f);
        for (int c = 0; c < row.size(); ++c) {
            QTableWidgetItem* item =
                c >= 1 && c <= 9 ? new SortItem(row[c], IdKey(f, c)) : new QTableWidgetItem(row[c]);
            if (c >= 1 && c <= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ids_->setItem(r, c, item);
        }
    }
    ids_->setSortingEnabled(true);
    ids_->resizeColumnsToContents();
    unfit_->setRowCount(static_cast<int>(a.unfit.size()));
    for (int r = 0; r < static_cast<int>(a.unfit.size()); ++r) {
        const alarms::AlarmEvent& e = input_->events[a.unfit[static_cast<size_t>(r)]];
        const QString cells[] = {e.time == alarms::kNoTime ? QString() : AlarmTimeString(e.time),
                                 DecodeShown(e.id), DecodeShown(e.message)};
        for (int c = 0; c < 3; ++c)
            unfit_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    unfit_->resizeColumnsToContents();
    countsLabel_->setText(Status());
}

void AlarmAnalysisWindow::FillChart() {
    chart_->SetSeries(RateSeriesOf(whole_, thresholds_, periodChoice_->currentIndex() == 1));
}

void AlarmAnalysisWindow::ShowPeriod(int64_t from, int64_t to) {
    from = std::max(from, from_);
    to = std::min(to, to_);
    if (!analysed_ || to <= from)
        return;
    narrowed_ = true;
    Show(alarms::Analyse(input_->events, from, to, thresholds_));
    emit StatusChanged(Status());
}

void AlarmAnalysisWindow::ShowWhole() {
    narrowed_ = false;
    chart_->SetSelected(-1);
    Show(whole_);
    emit StatusChanged(Status());
}

void AlarmAnalysisWindow::SetThresholds(const alarms::AlarmThresholds& t) {
    thresholds_ = t;
    QSettings settings;  // the user's profile, which the application names
    SaveAlarmThresholds(settings, t);
    if (!analysed_)
        return;
    whole_ = alarms::Analyse(input_->events, from_, to_, thresholds_);
    if (narrowed_)
        shown_ = alarms::Analyse(input_->events, shown_.from, shown_.to, thresholds_);
    Show(narrowed_ ? shown_ : whole_);
    FillChart();
}

void AlarmAnalysisWindow::EditMapping() {
    // The group of the window, or the store's only group when the window shows every group.
    const AlarmStoreCheck check = CheckAlarmStore(dataFolder_, StoredAlarmMappings());
    const LogGroup* group = nullptr;
    for (const LogGroup& g : check.groups) {
        if (g.name == group_ || (group_.empty() && check.groups.size() == 1))
            group = &g;
    }
    if (group == nullptr) {
        UiServices::Get().Message(
            this,
            QCoreApplication::translate("Histavue",
                                        "报警字段按记录组设置:请在报警记录树中选一个记录组再分析"),
            UiServices::Icon::kInformation);
        return;
    }
    AlarmMapping mapping = MappingOf(StoredAlarmMappings(), group->name);
    if (!EditAlarmMapping(this, DecodeShown(group->name), AlarmGroupCaptions(dataFolder_, *group),
                          &mapping))
        return;
    StoreAlarmMapping(group->name, mapping);
    StartRead();
}

void AlarmAnalysisWindow::EditThresholds() {
    QDialog dialog(this);
    dialog.setWindowTitle(QCoreApplication::translate("Histavue", "阈值设置"));
    auto* form = new QFormLayout;
    auto spin = [&](const QString& label, int least, int most, int64_t value) {
        auto* box = new QSpinBox(&dialog);
        box->setRange(least, most);
        box->setValue(static_cast<int>(std::clamp<int64_t>(value, least, most)));
        form->addRow(label, box);
        return box;
    };
    const alarms::AlarmThresholds d;
    QSpinBox* count = spin(QCoreApplication::translate("Histavue", "振荡:报警次数"), 2, 1000,
                           thresholds_.chatterCount);
    QSpinBox* window = spin(QCoreApplication::translate("Histavue", "振荡:时间窗口(秒)"), 1, 86400,
                            thresholds_.chatterSeconds);
    QSpinBox* fleeting = spin(QCoreApplication::translate("Histavue", "瞬时报警:清除时间(秒)"), 0,
                              86400, thresholds_.fleetingSeconds);
    QSpinBox* stale = spin(QCoreApplication::translate("Histavue", "陈旧报警:存在时间(小时)"), 1,
                           24 * 366, thresholds_.staleSeconds / 3600);
    QSpinBox* hour = spin(QCoreApplication::translate("Histavue", "报警泛滥:每小时超过"), 0, 100000,
                          thresholds_.floodHour);
    QSpinBox* period = spin(QCoreApplication::translate("Histavue", "报警泛滥:每10分钟超过"), 0,
                            100000, thresholds_.floodPeriod);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults,
        &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, &dialog,
            [&] {
                count->setValue(static_cast<int>(d.chatterCount));
                window->setValue(static_cast<int>(d.chatterSeconds));
                fleeting->setValue(static_cast<int>(d.fleetingSeconds));
                stale->setValue(static_cast<int>(d.staleSeconds / 3600));
                hour->setValue(static_cast<int>(d.floodHour));
                period->setValue(static_cast<int>(d.floodPeriod));
            });
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    alarms::AlarmThresholds t;
    t.chatterCount = static_cast<uint32_t>(count->value());
    t.chatterSeconds = window->value();
    t.fleetingSeconds = fleeting->value();
    t.staleSeconds = int64_t{stale->value()} * 3600;
    t.floodHour = static_cast<uint32_t>(hour->value());
    t.floodPeriod = static_cast<uint32_t>(period->value());
    SetThresholds(t);
}

bool AlarmAnalysisWindow::PrintTo(QPrinter* printer, QString* error) const {
    AlarmAnalysisPrint report;
    report.title = groupText_;
    report.analysis = shown_;
    report.thresholds = thresholds_;
    report.hourly = periodChoice_->currentIndex() == 1;
    return PrintAlarmAnalysis(printer, report, error);
}

void AlarmAnalysisWindow::SaveCsv(bool ids) {
    if (!analysed_)
        return;
    const QString path = UiServices::Get().SaveFileName(
        this,
        ids ? QCoreApplication::translate("Histavue", "导出各报警ID的CSV")
            : QCoreApplication::translate("Histavue", "导出关键指标的CSV"),
        QCoreApplication::translate("Histavue", "CSV 文件 (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    const CsvEncoding encoding =
        utf8Action_->isChecked() ? CsvEncoding::kUtf8Bom : CsvEncoding::kGb18030;
    QString error;
    if (!WriteWholeFile(path, ids ? AlarmIdsCsv(shown_, encoding) : KeyFiguresCsv(shown_, encoding),
                        &error))
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", "无法写入 %1:%2")
                                      .arg(QDir::toNativeSeparators(path), error),
                                  UiServices::Icon::kExclamation);
}
