#include "curve_setting_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "check_tree_ctrl.h"
#include "color_combo.h"
#include "curve_dialog_rules.h"
#include "line_rule.h"
#include "line_type_combo.h"
#include "text_codec.h"
#include "ui_services.h"

namespace {

constexpr int kChannelRole = Qt::UserRole + 1;
const char kTimeFormat[] = "yyyy'-'MM'-'dd' 'HH':'mm':'ss";
const char* const kGridEntries[] = {
    QT_TRANSLATE_NOOP("Histavue", "XY同时显示"), QT_TRANSLATE_NOOP("Histavue", "只显示Y轴"),
    QT_TRANSLATE_NOOP("Histavue", "只显示X轴"), QT_TRANSLATE_NOOP("Histavue", "XY都不显示")};

// A text of the dialog in the language of the user interface.
QString Text(const char* utf8) {
    return QCoreApplication::translate("Histavue", utf8);
}

// Times carry no zone: the pickers work in UTC so that no local clock change can skip an hour.
QDateTime ToDateTime(const CalendarTime& t) {
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second), Qt::UTC);
}

CalendarTime FromDateTime(const QDateTime& d) {
    return MakeCalendarTime(d.date().year(), d.date().month(), d.date().day(), d.time().hour(),
                            d.time().minute(), d.time().second());
}

QString Fixed3(double v) {
    return QString::asprintf("%.3f", v);
}

// Checks one button of an exclusive pair, or none.
void CheckOne(QButtonGroup* group, QAbstractButton* button) {
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(b == button);
    group->setExclusive(true);
}

}  // namespace

CHisCurveSettingDialog::CHisCurveSettingDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Text(QT_TRANSLATE_NOOP("Histavue", "历史曲线设置")));
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    CreateControls();
}

void CHisCurveSettingDialog::CreateControls() {
    // Every opening starts from fresh controls: nothing typed, enabled or checked in an earlier
    // opening can show, or be stored, in this one.
    delete content_;
    controls_.clear();
    content_ = new QWidget(this);
    layout()->addWidget(content_);
    content_->show();
    QWidget* const box = content_;
    auto remember = [this](int id, QWidget* w) {
        w->setObjectName(QString::number(id));
        controls_.insert(id, w);
    };
    tree_ = new CCheckTreeCtrl(box);
    remember(kIdTree, tree_);
    color_ = new CColorCombo(box);
    remember(kIdColor, color_);
    lineType_ = new CLineTypeCombo(box);
    remember(kIdLineType, lineType_);
    background_ = new CColorCombo(box);
    remember(kIdBackground, background_);
    grid_ = new QComboBox(box);
    grid_->setEditable(true);
    grid_->setInsertPolicy(QComboBox::NoInsert);
    // Typing in the box's edit field changes nothing: no completion picks an entry, and Return
    // goes to the dialog's default button (see eventFilter).
    grid_->setCompleter(nullptr);
    grid_->lineEdit()->installEventFilter(this);
    remember(kIdGrid, grid_);
    start_ = new QDateTimeEdit(box);
    end_ = new QDateTimeEdit(box);
    for (QDateTimeEdit* picker : {start_, end_}) {
        picker->setTimeSpec(Qt::UTC);
        picker->setCalendarPopup(false);
        picker->setAlignment(Qt::AlignRight);
        picker->setMinimumDateTime(QDateTime(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC));
    }
    remember(kIdStart, start_);
    remember(kIdEnd, end_);
    interval_ = new QLineEdit(box);
    interval_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), interval_));
    interval_->setAlignment(Qt::AlignRight);
    remember(kIdInterval, interval_);
    auto* spin = new QWidget(box);
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (int delta : {1, -1}) {
        auto* button = new QToolButton(spin);
        button->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setObjectName(delta > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        connect(button, &QToolButton::clicked, this, [this, delta] { StepInterval(delta); });
        spinLayout->addWidget(button);
    }
    remember(kIdIntervalSpin, spin);
    yAuto_ = new QRadioButton(Text(QT_TRANSLATE_NOOP("Histavue", "自动设置上下限")), box);
    yManual_ = new QRadioButton(Text(QT_TRANSLATE_NOOP("Histavue", "手动设置上下限")), box);
    gridAuto_ = new QRadioButton(Text(QT_TRANSLATE_NOOP("Histavue", "自动设置网格间隙")), box);
    gridManual_ = new QRadioButton(Text(QT_TRANSLATE_NOOP("Histavue", "手动设置网格间隙")), box);
    yMin_ = new QLineEdit(box);
    yMax_ = new QLineEdit(box);
    gridInterval_ = new QLineEdit(box);
    remember(kIdYAuto, yAuto_);
    remember(kIdYManual, yManual_);
    remember(kIdGridAuto, gridAuto_);
    remember(kIdGridManual, gridManual_);
    remember(kIdYMin, yMin_);
    remember(kIdYMax, yMax_);
    remember(kIdGridInterval, gridInterval_);
    auto* yGroup = new QButtonGroup(box);
    yGroup->addButton(yAuto_);
    yGroup->addButton(yManual_);
    auto* gridGroup = new QButtonGroup(box);
    gridGroup->addButton(gridAuto_);
    gridGroup->addButton(gridManual_);
    yGroup_ = yGroup;
    gridGroup_ = gridGroup;
    auto* ok = new QPushButton(Text(QT_TRANSLATE_NOOP("Histavue", "确定")), box);
    ok->setDefault(true);
    auto* cancel = new QPushButton(Text(QT_TRANSLATE_NOOP("Histavue", "取消")), box);
    remember(kIdOk, ok);
    remember(kIdCancel, cancel);

    // Layout: the channel tree on the left, the four groups on the right.
    auto* curves = new QGroupBox(Text(QT_TRANSLATE_NOOP("Histavue", "选择显示的曲线")), box);
    (new QVBoxLayout(curves))->addWidget(tree_);
    auto* channel = new QGroupBox(Text(QT_TRANSLATE_NOOP("Histavue", "曲线属性")), box);
    auto* channelGrid = new QGridLayout(channel);
    channelGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "颜色")), channel), 0, 0);
    channelGrid->addWidget(color_, 0, 1);
    channelGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "线形")), channel), 1, 0);
    channelGrid->addWidget(lineType_, 1, 1);
    auto* display = new QGroupBox(Text(QT_TRANSLATE_NOOP("Histavue", "图像显示属性")), box);
    auto* displayGrid = new QGridLayout(display);
    displayGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "背景颜色")), display), 0,
                           0);
    displayGrid->addWidget(background_, 0, 1);
    displayGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "XY网格显示")), display),
                           1, 0);
    displayGrid->addWidget(grid_, 1, 1);
    auto* query = new QGroupBox(Text(QT_TRANSLATE_NOOP("Histavue", "查询设置")), box);
    auto* queryGrid = new QGridLayout(query);
    queryGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "开始时间")), query), 0, 0);
    queryGrid->addWidget(start_, 0, 1, 1, 3);
    queryGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "结束时间")), query), 1, 0);
    queryGrid->addWidget(end_, 1, 1, 1, 3);
    queryGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "查询间隔")), query), 2, 0);
    queryGrid->addWidget(interval_, 2, 1);
    queryGrid->addWidget(spin, 2, 2);
    queryGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "秒(1~86400)")), query), 2,
                         3);
    auto* yAxis = new QGroupBox(Text(QT_TRANSLATE_NOOP("Histavue", "Y坐标设置")), box);
    auto* yGrid = new QGridLayout(yAxis);
    yGrid->addWidget(yAuto_, 0, 0, 1, 2);
    yGrid->addWidget(yManual_, 0, 2, 1, 2);
    yGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "Y下限(Min)")), yAxis), 1, 0);
    yGrid->addWidget(yMin_, 1, 1);
    yGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "Y上限(Max)")), yAxis), 1, 2);
    yGrid->addWidget(yMax_, 1, 3);
    yGrid->addWidget(gridAuto_, 2, 0, 1, 2);
    yGrid->addWidget(gridManual_, 2, 2, 1, 2);
    yGrid->addWidget(new QLabel(Text(QT_TRANSLATE_NOOP("Histavue", "Y轴网格间隙")), yAxis), 3, 0);
    yGrid->addWidget(gridInterval_, 3, 1);
    auto* right = new QVBoxLayout;
    for (QGroupBox* g : {channel, display, query, yAxis})
        right->addWidget(g);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    right->addLayout(buttons);
    auto* top = new QHBoxLayout(box);
    top->addWidget(curves, 1);
    top->addLayout(right);

    connect(ok, &QPushButton::clicked, this, &CHisCurveSettingDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            &CHisCurveSettingDialog::OnTreeSelectionChanged);
    color_->installEventFilter(this);
    lineType_->installEventFilter(this);
    connect(color_, &QComboBox::activated, this, [this](int index) {
        if (CurveChannel* c = settings_ ? settings_->FindByIndex(currentChannel_) : nullptr)
            c->colorIndex = index;
        MarkCurrent(tree_->currentItem());
    });
    connect(lineType_, &QComboBox::activated, this, [this](int index) {
        if (CurveChannel* c = settings_ ? settings_->FindByIndex(currentChannel_) : nullptr)
            c->lineType = index;
        MarkCurrent(tree_->currentItem());
    });
    connect(background_, &QComboBox::activated, this, [this](int index) {
        if (settings_ != nullptr)
            settings_->backgroundColor = index;
    });
    connect(grid_, &QComboBox::activated, this, [this](int index) {
        if (settings_ != nullptr)
            settings_->gridMode = index;
    });
    connect(yAuto_, &QRadioButton::clicked, this,
            [this] { SetYControlsEnabled(false, false, false); });
    connect(yManual_, &QRadioButton::clicked, this, [this] {
        SetYControlsEnabled(true, true, settings_ != nullptr && settings_->yGridMode == 1);
    });
    connect(gridAuto_, &QRadioButton::clicked, this, [this] { gridInterval_->setEnabled(false); });
    connect(gridManual_, &QRadioButton::clicked, this, [this] { gridInterval_->setEnabled(true); });
    connect(yMin_, &QLineEdit::textEdited, this, &CHisCurveSettingDialog::OnLimitEdited);
    connect(yMax_, &QLineEdit::textEdited, this, &CHisCurveSettingDialog::OnLimitEdited);
}

int CHisCurveSettingDialog::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CHisCurveSettingDialog::Open() {
    OnInitDialog();
    setResult(0);
    show();
}

void CHisCurveSettingDialog::OnInitDialog() {
    currentItem_ = nullptr;
    rootItem_ = nullptr;
    CreateControls();
    color_->Fill();
    lineType_->Fill();
    background_->Fill();
    if (settings_ == nullptr)
        return;
    CurveSettings& s = *settings_;
    rootItem_ = new QTreeWidgetItem(tree_, {DecodeText(CutToCharacters(s.title, 255), codec_)});
    tree_->SetItemCheckState(rootItem_, kNoCheckBox, false);
    int shown = 0;
    for (int i = 0; i < s.channelCount; ++i) {
        CurveChannel* c = s.FindByIndex(i);
        if (c == nullptr)
            continue;
        auto* item = new QTreeWidgetItem(rootItem_, {DecodeText(c->Name(), codec_)});
        item->setData(0, kChannelRole, c->index);
        if (c->show == 1) {
            c->showIndex = shown++;
            tree_->SetItemCheckState(item, kChecked, true);
        } else {
            c->showIndex = -1;
            tree_->SetItemCheckState(item, kUnchecked, true);
        }
    }
    s.shownCount = shown;
    tree_->expandItem(rootItem_);
    for (const char* entry : kGridEntries)
        grid_->addItem(Text(entry));
    for (QDateTimeEdit* picker : {start_, end_})
        picker->setDisplayFormat(QString::fromLatin1(kTimeFormat));
    // A number outside a table leaves its box without selection.
    background_->setCurrentIndex(
        s.backgroundColor >= 0 && s.backgroundColor < kCurveColorCount ? s.backgroundColor : -1);
    grid_->setCurrentIndex(s.gridMode >= 0 && s.gridMode < 4 ? s.gridMode : -1);
    start_->setDateTime(ToDateTime(s.queryStart));
    end_->setDateTime(ToDateTime(s.queryEnd));
    interval_->setText(QString::number(s.queryInterval));
    if (s.yAxisMode == 0 || s.yAxisMode == 1) {
        const bool manual = s.yAxisMode == 1;
        CheckOne(yGroup_, manual ? yManual_ : yAuto_);
        CheckOne(gridGroup_, s.yGridMode == 0 ? gridAuto_ : gridManual_);
        SetYControlsEnabled(manual, manual, manual && s.yGridMode != 0);
    } else {
        // A mode from outside the table (a configuration file) checks no button, and OK takes
        // the limits as manual ones: show the record's limits, open for editing, so that OK
        // stores what the user sees.
        CheckOne(yGroup_, nullptr);
        CheckOne(gridGroup_, s.yGridMode == 0 ? gridAuto_ : gridManual_);
        SetYControlsEnabled(true, true, s.yGridMode != 0);
    }
    yMin_->setText(Fixed3(s.yMin));
    yMax_->setText(Fixed3(s.yMax));
    gridInterval_->setText(Fixed3(s.yGridInterval));
    // Boxes 1010 and 1011 show entry 0 until a channel is selected in the tree.
    color_->setCurrentIndex(0);
    lineType_->setCurrentIndex(0);
}

void CHisCurveSettingDialog::SetYControlsEnabled(bool limits, bool gridRadios, bool gridEdit) {
    yMin_->setEnabled(limits);
    yMax_->setEnabled(limits);
    gridAuto_->setEnabled(gridRadios);
    gridManual_->setEnabled(gridRadios);
    gridInterval_->setEnabled(gridEdit);
}

void CHisCurveSettingDialog::MarkCurrent(QTreeWidgetItem* item) {
    if (item == nullptr)
        return;
    QFont font = item->font(0);
    font.setBold(true);
    item->setFont(0, font);
    currentItem_ = item;
}

void CHisCurveSettingDialog::OnTreeSelectionChanged() {
    if (currentItem_ != nullptr) {
        QFont font = currentItem_->font(0);
        font.setBold(false);
        currentItem_->setFont(0, font);
        currentItem_ = nullptr;
    }
    QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr || item == rootItem_ || settings_ == nullptr)
        return;
    // Items stand for their channel by index: two columns of the same name stay apart.
    const CurveChannel* c = settings_->FindByIndex(item->data(0, kChannelRole).toInt());
    if (c == nullptr)
        return;
    currentChannel_ = c->index;
    currentItem_ = item;
    color_->setCurrentIndex(c->colorIndex >= 0 && c->colorIndex < kCurveColorCount ? c->colorIndex
                                                                                   : -1);
    lineType_->setCurrentIndex(c->lineType >= 0 && c->lineType < kCurveLineTypeCount ? c->lineType
                                                                                     : -1);
}

bool CHisCurveSettingDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == color_ || watched == lineType_))
        MarkCurrent(tree_->currentItem());
    if (event->type() == QEvent::KeyPress && watched == grid_->lineEdit()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnOK();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CHisCurveSettingDialog::OnLimitEdited(const QString& text) {
    if (!PassesNumberCheck(text.toStdString()))
        UiServices::Get().Message(this, Text(kMsgEnterNumber), UiServices::Icon::kExclamation);
}

void CHisCurveSettingDialog::StepInterval(int delta) {
    const long value = LeadingInteger(interval_->text().toStdString()) + delta;
    interval_->setText(QString::number(std::max(1L, std::min(86400L, value))));
}

void CHisCurveSettingDialog::OnOK() {
    if (settings_ == nullptr) {
        accept();
        return;
    }
    CurveDialogInput in;
    for (int i = 0; rootItem_ != nullptr && i < rootItem_->childCount(); ++i) {
        QTreeWidgetItem* item = rootItem_->child(i);
        in.items.push_back(
            {item->data(0, kChannelRole).toInt(), CCheckTreeCtrl::CheckStateOf(item)});
    }
    in.start = FromDateTime(start_->dateTime());
    in.end = FromDateTime(end_->dateTime());
    in.interval = interval_->text().toStdString();
    in.yAuto = yAuto_->isChecked();
    in.yMin = yMin_->text().toStdString();
    in.yMax = yMax_->text().toStdString();
    in.yGridAuto = gridAuto_->isChecked();
    in.yGridInterval = gridInterval_->text().toStdString();
    const CurveDialogOutcome out = ApplyCurveDialog(in, settings_);
    if (out.enableYLimits) {
        yMin_->setEnabled(true);
        yMax_->setEnabled(true);
    }
    if (out.enableGridEdit)
        gridInterval_->setEnabled(true);
    if (out.message != nullptr) {
        UiServices::Get().Message(this, Text(out.message), UiServices::Icon::kExclamation);
        return;
    }
    accept();
}
