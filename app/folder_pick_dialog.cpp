#include "folder_pick_dialog.h"

#include <QDir>
#include <QLineEdit>

#include "folder_check.h"

CFolderPickDialog::CFolderPickDialog(const QString& caption, const QString& prompt,
                                     const QString& initialPath, QWidget* parent)
    : QFileDialog(parent, caption) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::LookIn, prompt);
    setLabelText(QFileDialog::Accept, QString::fromUtf8("确定"));
    setLabelText(QFileDialog::Reject, QString::fromUtf8("取消"));
    const QString start = initialPath.isEmpty() ? QDir::currentPath() : initialPath;
    setDirectory(QFileInfo(start).isDir() ? start : QFileInfo(start).absolutePath());
    if (QLineEdit* edit = PathEdit()) {
        edit->setText(QDir::toNativeSeparators(start));
    }
}

QLineEdit* CFolderPickDialog::PathEdit() const {
    return findChild<QLineEdit*>("fileNameEdit");
}

QString CFolderPickDialog::TypedPath() const {
    QLineEdit* edit = PathEdit();
    QString text = edit != nullptr ? edit->text().left(kMaxTypedPath) : QString();
    // A bare name is taken inside the folder shown, as the tree selection would give it.
    if (!text.isEmpty() && QDir::isRelativePath(text)) {
        text = QDir(directory()).filePath(text);
    }
    return text;
}

void CFolderPickDialog::accept() {
    const QString path = TypedPath();
    if (!path.isEmpty() && ConfirmFolder(path, this) == kFolderValid) {
        chosen_ = path;
        QDialog::accept();
        return;
    }
    if (QLineEdit* edit = PathEdit()) {
        edit->setFocus();
    }
}
