#include "channel_name_dialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "case_edits.h"
#include "curve_settings.h"
#include "line_rule.h"
#include "text_codec.h"
#include "text_edit_rules.h"
#include "ui_services.h"

namespace {

std::string Utf8Of(const std::string& recordText, TextCodec codec) {
    const QByteArray bytes = DecodeText(recordText, codec).toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

CChannelNameDialog::CChannelNameDialog(QWidget* parent)
    : QDialog(parent), edit_(new CCaseLineEdit(LetterCase::kUpper, this)) {
    setWindowTitle(QCoreApplication::translate("Histavue", "名称编辑"));
    edit_->setObjectName(QString::number(kIdName));
    controls_.insert(kIdName, edit_);
    auto* ok = new QPushButton(QCoreApplication::translate("Histavue", "确定"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QCoreApplication::translate("Histavue", "取消"), this);
    controls_.insert(kIdOk, ok);
    controls_.insert(kIdCancel, cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("Histavue", "通道名称编辑:"), this));
    layout->addWidget(edit_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    edit_->setMinimumWidth(240);

    connect(ok, &QPushButton::clicked, this, &CChannelNameDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CChannelNameDialog::SetNames(std::vector<std::string> names, int nameIndex) {
    names_ = std::move(names);
    nameIndex_ = nameIndex;
}

int CChannelNameDialog::exec() {
    edit_->setText(DecodeText(newName_, codec_));
    return QDialog::exec();
}

void CChannelNameDialog::OnOK() {
    // What the channel will hold: the typed text in the record's code page, cut to its field.
    const std::string candidate =
        CutToCharacters(EncodeText(edit_->text(), codec_), kChannelNameMax);
    // Names are compared as the user sees them, whichever code page each came in.
    std::vector<std::string> shown;
    shown.reserve(names_.size());
    for (const std::string& n : names_)
        shown.push_back(Utf8Of(n, codec_));
    if (FindDuplicateName(shown, nameIndex_, Utf8Of(candidate, codec_)) >= 0) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kMsgDuplicateChannelName),
                                  UiServices::Icon::kExclamation);
        return;
    }
    newName_ = candidate;
    accept();
}
