#include "folder_pick_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "folder_check.h"

CFolderPickDialog::CFolderPickDialog(const QString& caption, const QString& prompt,
                                     const QString& initialPath, QWidget* parent)
    : QFileDialog(parent, caption) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::LookIn, prompt);

    // The dialog's own name box and buttons follow rules of their own (OK only for an existing
    // folder, names relative to the folder shown); a box and buttons of ours take their place.
    for (const char* name :
         {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel", "buttonBox"}) {
        if (QWidget* w = findChild<QWidget*>(QString::fromLatin1(name)))
            w->hide();
    }
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QStringLiteral("edit%1").arg(kPathEditId));
    pathEdit_->setMaxLength(kMaxTypedPath);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QCoreApplication::translate("Histavue", "确定"),
                             QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("Histavue", "取消"),
                       QDialogButtonBox::RejectRole);
    ok_->setDefault(true);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QCoreApplication::translate("Histavue", "文件夹："), this), row,
                        0);
        grid->addWidget(pathEdit_, row, 1);
        grid->addWidget(buttons, row, 2);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &CFolderPickDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFolderPickDialog::reject);
    connect(pathEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ok_->setEnabled(!text.isEmpty()); });
    connect(this, &QFileDialog::currentChanged, this, &CFolderPickDialog::FolderChosen);
    connect(this, &QFileDialog::directoryEntered, this, &CFolderPickDialog::FolderChosen);

    const QString start = initialPath.isEmpty() ? QDir::currentPath() : initialPath;
    setDirectory(QFileInfo(start).isDir() ? start : QFileInfo(start).absolutePath());
    pathEdit_->setText(QDir::toNativeSeparators(start));
    ok_->setEnabled(!pathEdit_->text().isEmpty());
    pathEdit_->setFocus();
}

void CFolderPickDialog::FolderChosen(const QString& path) {
    // Only a folder of the file system gives a path; anything else empties the box.
    const QFileInfo info(path);
    pathEdit_->setText(!path.isEmpty() && info.isDir()
                           ? QDir::toNativeSeparators(info.absoluteFilePath())
                           : QString());
}

void CFolderPickDialog::accept() {
    const QString path = pathEdit_->text().left(kMaxTypedPath);
    if (!path.isEmpty() && ConfirmFolder(path, this) == kFolderValid) {
        chosen_ = path;
        QDialog::accept();
        return;
    }
    pathEdit_->setFocus();
}
