#include "folder_check.h"

#include <QDir>
#include <QFileInfo>

#include "ui_services.h"

const char kFolderCreateQuestion[] =
    "The folder:\n\n%1\n\ndoes not exist. Do you want the folder to be created?";
const char kFolderInvalidMessage[] = "The folder:\n\n%1\n\nis invalid. Please reenter.";
const char kFolderCannotCreateMessage[] =
    "The folder:\n\n%1\n\ncan not be created. Please double check.";

namespace {

#ifdef Q_OS_WIN
constexpr QChar kSeparator = u'\\';
// Length of the drive root ("C:\") at the start of path, or 0.
int RootLength(const QString& path) {
    if (path.size() < 3)
        return 0;
    const QChar d = path[0];
    const bool letter = (d >= u'A' && d <= u'Z') || (d >= u'a' && d <= u'z');
    return letter && path[1] == u':' && path[2] == u'\\' ? 3 : 0;
}
#else
constexpr QChar kSeparator = u'/';
int RootLength(const QString& path) {
    return path.startsWith(u'/') ? 1 : 0;
}
#endif

bool IsDirectory(const QString& path) {
    return QFileInfo(path).isDir();
}

}  // namespace

bool IsValidFolderName(const QString& name) {
    if (name.isEmpty()) {
        return false;
    }
    auto edge = [](QChar c) { return c == u'\t' || c == u' ' || c == u'.'; };
    if (edge(name.front()) || edge(name.back())) {
        return false;
    }
    for (QChar c : name) {
        if (c.unicode() < 0x80 && QStringLiteral("\"*/:<>?\\|").contains(c)) {
            return false;
        }
    }
    return true;
}

int CheckFolderPath(const QString& path, bool checkOnly) {
    const int root = RootLength(path);
    if (path.isEmpty() || root == 0) {
        return kFolderInvalid;
    }
    if (path.size() == root) {
        return checkOnly || IsDirectory(path) ? kFolderValid : kFolderNotCreated;
    }
    int start = root;
    for (;;) {
        int end = path.indexOf(kSeparator, start);
        const bool last = end < 0;
        if (last)
            end = path.size();
        if (!IsValidFolderName(path.mid(start, end - start))) {
            return kFolderInvalid;
        }
        if (!checkOnly) {
            const QString soFar = path.left(end);
            QDir().mkdir(soFar);
            if (!IsDirectory(soFar)) {
                return kFolderNotCreated;
            }
        }
        if (last) {
            return kFolderValid;
        }
        start = end + 1;
        if (start == path.size()) {
            return kFolderInvalid;  // ends in a separator
        }
    }
}

int ConfirmFolder(const QString& path, QWidget* parent) {
    UiServices& ui = UiServices::Get();
    auto report = [&](int result) {
        const char* text =
            result == kFolderInvalid ? kFolderInvalidMessage : kFolderCannotCreateMessage;
        ui.Message(parent, QString::fromUtf8(text).arg(path), UiServices::Icon::kExclamation);
        return result;
    };
    int result = CheckFolderPath(path, true);
    if (result != kFolderValid) {
        return report(result);
    }
    if (!IsDirectory(path)) {
        if (!ui.AskYesNo(parent, QString::fromUtf8(kFolderCreateQuestion).arg(path))) {
            return -1;
        }
        result = CheckFolderPath(path, false);
        if (result != kFolderValid) {
            return report(result);
        }
    }
    return kFolderValid;
}
