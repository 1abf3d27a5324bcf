#include "alarm_mapping_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "text_codec.h"

namespace {

// A caption typed or chosen: the group's own bytes when it is one of them, so that a caption
// of a UTF-8 header is not written back in the other code page.
QComboBox* CaptionBox(const std::vector<std::string>& captions, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (size_t i = 0; i < captions.size(); ++i)
        box->addItem(DecodeText(captions[i]), static_cast<int>(i));
    return box;
}

// Words parted by commas (or the full-width comma of Chinese input), blank items left out.
std::vector<std::string> Words(const QLineEdit* edit, TextCodec codec) {
    std::vector<std::string> words;
    for (const QString& item :
         edit->text().split(QRegularExpression(QStringLiteral("[,\uFF0C]")))) {
        const QString word = item.trimmed();
        if (!word.isEmpty())
            words.push_back(EncodeText(word, codec));
    }
    return words;
}

QString WordsText(const std::vector<std::string>& words) {
    QStringList list;
    for (const std::string& w : words)
        list << DecodeText(w);
    return list.join(QStringLiteral(", "));
}

bool NonAsciiUtf8(const std::string& bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return !ascii &&
           QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8() ==
               QByteArray::fromStdString(bytes);
}

}  // namespace

AlarmMappingDialog::AlarmMappingDialog(const QString& group,
                                       const std::vector<std::string>& captions,
                                       const AlarmMapping& mapping, QWidget* parent)
    : QDialog(parent), captions_(captions) {
    setWindowTitle(QCoreApplication::translate("Histavue", "报警组 %1 的标题和事件词").arg(group));
    // A header in UTF-8 has its texts typed in UTF-8 as well.
    if (std::any_of(captions.begin(), captions.end(), NonAsciiUtf8))
        codec_ = TextCodec::kUtf8;
    id_ = CaptionBox(captions, this);
    event_ = CaptionBox(captions, this);
    message_ = CaptionBox(captions, this);
    alarm_ = new QLineEdit(this);
    ack_ = new QLineEdit(this);
    clear_ = new QLineEdit(this);
    const std::pair<QWidget*, const char*> names[] = {{id_, "id"},           {event_, "event"},
                                                      {message_, "message"}, {alarm_, "alarm"},
                                                      {ack_, "ack"},         {clear_, "clear"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));
    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("Histavue", "编号所在列的标题:"), id_);
    form->addRow(QCoreApplication::translate("Histavue", "事件所在列的标题:"), event_);
    form->addRow(QCoreApplication::translate("Histavue", "消息所在列的标题:"), message_);
    form->addRow(QCoreApplication::translate("Histavue", "表示报警的事件词:"), alarm_);
    form->addRow(QCoreApplication::translate("Histavue", "表示确认的事件词:"), ack_);
    form->addRow(QCoreApplication::translate("Histavue", "表示清除的事件词:"), clear_);
    auto* note = new QLabel(
        QCoreApplication::translate("Histavue",
                                    "标题和事件词不区分大小写,不计空格;"
                                    "一种事件有几个词时用逗号分开。不符合的记录作为文本列出。"),
        this);
    note->setWordWrap(true);
    fault_ = new QLabel(this);
    fault_->setWordWrap(true);
    fault_->setStyleSheet(QStringLiteral("color: #b00020"));
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QCoreApplication::translate("Histavue", "确定"),
                             QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("Histavue", "取消"),
                       QDialogButtonBox::RejectRole);
    ok_->setObjectName(QStringLiteral("ok"));
    QPushButton* defaults = buttons->addButton(QCoreApplication::translate("Histavue", "默认值"),
                                               QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("defaults"));
    ok_->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(fault_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, [this] { Show(DefaultAlarmMapping()); });
    for (QComboBox* box : {id_, event_, message_})
        connect(box, &QComboBox::editTextChanged, this, [this] { Check(); });
    for (QLineEdit* edit : {alarm_, ack_, clear_})
        connect(edit, &QLineEdit::textChanged, this, [this] { Check(); });
    Show(mapping);
}

std::string AlarmMappingDialog::CaptionBytes(const QComboBox* box) const {
    const QString text = box->currentText().trimmed();
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).trimmed() == text)
            return captions_[static_cast<size_t>(box->itemData(i).toInt())];
    }
    return EncodeText(text, codec_);
}

AlarmMapping AlarmMappingDialog::Mapping() const {
    AlarmMapping m;
    m.id = CaptionBytes(id_);
    m.event = CaptionBytes(event_);
    m.message = CaptionBytes(message_);
    m.alarm = Words(alarm_, codec_);
    m.ack = Words(ack_, codec_);
    m.clear = Words(clear_, codec_);
    return m;
}

void AlarmMappingDialog::Show(const AlarmMapping& mapping) {
    id_->setEditText(DecodeText(mapping.id));
    event_->setEditText(DecodeText(mapping.event));
    message_->setEditText(DecodeText(mapping.message));
    alarm_->setText(WordsText(mapping.alarm));
    ack_->setText(WordsText(mapping.ack));
    clear_->setText(WordsText(mapping.clear));
    Check();
}

void AlarmMappingDialog::Check() {
    std::string word;
    QString text;
    switch (CheckMapping(Mapping(), &word)) {
        case MappingFault::kNone:
            break;
        case MappingFault::kNoEventCaption:
            text = QCoreApplication::translate("Histavue", "请填写事件所在列的标题。");
            break;
        case MappingFault::kSameCaption:
            text =
                QCoreApplication::translate("Histavue", "编号、事件和消息所在列的标题不能相同。");
            break;
        case MappingFault::kNoAlarmWord:
            text = QCoreApplication::translate("Histavue", "请至少填写一个表示报警的事件词。");
            break;
        case MappingFault::kSameWord:
            text = QCoreApplication::translate("Histavue", "事件词“%1”不能表示两种事件。")
                       .arg(DecodeText(word));
            break;
    }
    fault_->setText(text);
    fault_->setVisible(!text.isEmpty());
    ok_->setEnabled(text.isEmpty());
}

bool EditAlarmMapping(QWidget* parent, const QString& group,
                      const std::vector<std::string>& captions, AlarmMapping* mapping) {
    AlarmMappingDialog dialog(group, captions, *mapping, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *mapping = dialog.Mapping();
    return true;
}
