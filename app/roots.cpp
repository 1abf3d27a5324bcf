#include "roots.h"

#include <QSettings>

namespace {

QSettings::Scope RootsScope() {
#ifdef Q_OS_WIN
    return QSettings::SystemScope;  // HKEY_LOCAL_MACHINE\Software\Quorvel\LogDataDir
#else
    return QSettings::UserScope;  // falls back to the system-wide file when reading
#endif
}

QString ReadRoot(const QSettings& settings, const char* key) {
    const QVariant v = settings.value(key);
    if (!v.isValid() || v.typeId() != QMetaType::QString) {
        return QString();
    }
    const QString text = v.toString();
    return text.size() <= kMaxRootLength ? text : QString();
}

}  // namespace

bool ReadRoots(Roots* roots) {
    QSettings settings(QSettings::NativeFormat, RootsScope(), "Quorvel", "LogDataDir");
    if (settings.status() != QSettings::NoError || settings.allKeys().isEmpty()) {
        return false;
    }
    roots->staging = ReadRoot(settings, "TempDir");
    roots->data = ReadRoot(settings, "DataDir");
    return true;
}

bool WriteRoots(const Roots& roots) {
    QSettings settings(QSettings::NativeFormat, RootsScope(), "Quorvel", "LogDataDir");
    if (!settings.isWritable()) {
        return false;
    }
    settings.setValue("TempDir", roots.staging);
    settings.setValue("DataDir", roots.data);
    settings.sync();
    return true;
}
