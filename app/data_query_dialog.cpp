#include "data_query_dialog.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "ui_services.h"

const char kIntegerRequiredMessage[] = QT_TRANSLATE_NOOP("Histavue", "请输入一个整数。");
const char kQueryFailedMessage[] =
    QT_TRANSLATE_NOOP("CDataQuery", "查询未成功, 请选择合适的组及正确的查询条件！");

namespace {

// The pickers show minutes only, so the seconds and milliseconds they hold are dropped: the
// range queried is the range the user sees.
QDateTime WholeMinute(const QDateTime& dt) {
    const QTime tm = dt.time();
    return QDateTime(dt.date(), QTime(tm.hour(), tm.minute()));
}

CalendarTime ToCalendar(const QDateTime& shown) {
    const QDateTime dt = WholeMinute(shown);
    CalendarTime t;
    const QDate d = dt.date();
    const QTime tm = dt.time();
    t.year = static_cast<uint16_t>(d.year());
    t.month = static_cast<uint16_t>(d.month());
    t.dayOfWeek = static_cast<uint16_t>(d.dayOfWeek() % 7);
    t.day = static_cast<uint16_t>(d.day());
    t.hour = static_cast<uint16_t>(tm.hour());
    t.minute = static_cast<uint16_t>(tm.minute());
    t.second = static_cast<uint16_t>(tm.second());
    t.milliseconds = static_cast<uint16_t>(tm.msec());
    return t;
}

QDateTimeEdit* MakePicker(QWidget* parent, const QString& name) {
    auto* edit = new QDateTimeEdit(WholeMinute(QDateTime::currentDateTime()), parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QStringLiteral("yyyy'-'MM'-'dd' 'HH':'mm"));
    edit->setCalendarPopup(false);
    return edit;
}

}  // namespace

bool ParseIntervalText(const QString& text, int* value) {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < INT_MIN || v > INT_MAX) {
        return false;
    }
    *value = static_cast<int>(v);
    return true;
}

CDataQuery::CDataQuery(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("Histavue", "查询"));
    start_ = MakePicker(this, QStringLiteral("picker1004"));
    end_ = MakePicker(this, QStringLiteral("picker1005"));
    interval_ = new QLineEdit(QStringLiteral("0"), this);
    interval_->setObjectName(QStringLiteral("edit1006"));
    interval_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), interval_));
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    for (QToolButton* b : {up_, down_})
        b->setFixedSize(18, 12);
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });

    auto* spin = new QVBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(up_);
    spin->addWidget(down_);
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(interval_);
    intervalRow->addLayout(spin);
    intervalRow->addWidget(new QLabel(QCoreApplication::translate("Histavue", "秒"), this));

    auto* buttons = new QDialogButtonBox(this);
    buttons_ = buttons;
    QPushButton* ok = buttons->addButton(QCoreApplication::translate("Histavue", "确定"),
                                         QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("Histavue", "取消"),
                       QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDataQuery::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDataQuery::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QCoreApplication::translate("Histavue", "开始时间"), this), 0, 0);
    grid->addWidget(start_, 0, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("Histavue", "结束时间"), this), 1, 0);
    grid->addWidget(end_, 1, 1);
    grid->addWidget(new QLabel(QCoreApplication::translate("Histavue", "查询间隔"), this), 2, 0);
    grid->addLayout(intervalRow, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
}

void CDataQuery::OfferAlarmAnalysis() {
    if (analysis_ != nullptr)
        return;
    analysis_ = buttons_->addButton(QCoreApplication::translate("Histavue", "报警分析"),
                                    QDialogButtonBox::ActionRole);
    connect(analysis_, &QPushButton::clicked, this, [this] {
        analysisChosen_ = true;
        result_.start = ToCalendar(start_->dateTime());
        result_.end = ToCalendar(end_->dateTime());
        QDialog::accept();
    });
}

void CDataQuery::Step(int delta) {
    int value = 0;
    if (!ParseIntervalText(interval_->text(), &value))
        value = 0;
    const long long next = static_cast<long long>(value) + delta;
    if (next >= 0 && next <= INT_MAX)
        interval_->setText(QString::number(next));
}

QueryRequest CDataQuery::Result() const {
    QueryRequest r = result_;
    if (r.interval < 0)
        r.interval = 0;
    return r;
}

void CDataQuery::accept() {
    int value = 0;
    if (!ParseIntervalText(interval_->text(), &value)) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kIntegerRequiredMessage),
                                  UiServices::Icon::kExclamation);
        interval_->setFocus();
        interval_->selectAll();
        return;
    }
    result_.interval = value;
    result_.start = ToCalendar(start_->dateTime());
    result_.end = ToCalendar(end_->dateTime());
    QDialog::accept();
}
