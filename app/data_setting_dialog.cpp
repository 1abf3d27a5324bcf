#include "data_setting_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "folder_pick_dialog.h"
#include "ui_services.h"

namespace {

QString RunFolderPicker(QWidget* parent, const QString& prompt, const QString& initial) {
    CFolderPickDialog dialog(QCoreApplication::translate("Histavue", "选择文件夹"), prompt, initial,
                             parent);
    return dialog.exec() == QDialog::Accepted ? dialog.ChosenPath() : QString();
}

CDataSetting::PickFolder g_picker = RunFolderPicker;

}  // namespace

void CDataSetting::SetFolderPicker(PickFolder picker) {
    g_picker = picker != nullptr ? picker : RunFolderPicker;
}

CDataSetting::CDataSetting(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("Histavue", "设置"));
    stagingEdit_ = new QLineEdit(this);
    dataEdit_ = new QLineEdit(this);
    stagingEdit_->setEnabled(false);
    dataEdit_->setEnabled(false);
    stagingEdit_->setMinimumWidth(320);
    stagingBrowse_ = new QPushButton(QStringLiteral("..."), this);
    dataBrowse_ = new QPushButton(QStringLiteral("..."), this);
    stagingBrowse_->setAutoDefault(false);
    dataBrowse_->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QCoreApplication::translate("Histavue", "确定"),
                                         QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("Histavue", "取消"),
                       QDialogButtonBox::RejectRole);
    ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QCoreApplication::translate("Histavue", "暂存根目录"), this), 0, 0);
    grid->addWidget(stagingEdit_, 0, 1);
    grid->addWidget(stagingBrowse_, 0, 2);
    grid->addWidget(new QLabel(QCoreApplication::translate("Histavue", "数据根目录"), this), 1, 0);
    grid->addWidget(dataEdit_, 1, 1);
    grid->addWidget(dataBrowse_, 1, 2);
    grid->addWidget(buttons, 2, 0, 1, 3);

    connect(stagingBrowse_, &QPushButton::clicked, this, [this] { Browse(true); });
    connect(dataBrowse_, &QPushButton::clicked, this, [this] { Browse(false); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CDataSetting::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDataSetting::reject);

    Roots read;
    if (ReadRoots(&read)) {
        SetValues(read);
    }
}

void CDataSetting::SetValues(const Roots& roots) {
    roots_ = roots;
    stagingEdit_->setText(roots_.staging);
    dataEdit_->setText(roots_.data);
}

void CDataSetting::Browse(bool staging) {
    const QString prompt = staging ? QCoreApplication::translate("Histavue", "暂存根文件夹")
                                   : QCoreApplication::translate("Histavue", "数据根文件夹");
    const QString chosen = g_picker(this, prompt, staging ? roots_.staging : roots_.data);
    if (chosen.isEmpty()) {
        return;
    }
    Roots next = roots_;
    (staging ? next.staging : next.data) = chosen;
    SetValues(next);
}

void CDataSetting::accept() {
    const QString problem = CheckRootsApart(roots_);
    if (!problem.isEmpty()) {
        UiServices::Get().Message(this, problem, UiServices::Icon::kExclamation);
        return;
    }
    WriteRoots(roots_);
    QDialog::accept();
}
