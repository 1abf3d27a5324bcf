#include "roots.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

const char kRootNotAbsoluteMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "根目录必须是完整的绝对路径：\n\n%1");
const char kRootsOverlapMessage[] = QT_TRANSLATE_NOOP(
    "Histavue",
    "暂存文件夹\n\n%1\n\n与数据根目录\n\n%2\n\n重叠：它就是数据根目录、位于其中，或经链接到达它。"
    "数据根目录只供读取，程序从不向其中写入。请另选暂存根目录。");

const RecordKindRow RecordKindTable[kRecordKinds] = {
    {0, QT_TRANSLATE_NOOP("Histavue", "数据记录"), "DL", "DLTemp"},
    {1, QT_TRANSLATE_NOOP("Histavue", "报警记录"), "AL", "ALTemp"},
    {-1, "", nullptr, nullptr},
};

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

QString ResolvedFolder(const QString& path) {
    QString resolved = QStringLiteral("/");
    bool missing = false;  // below a missing component nothing can be a link
    for (const QString& part : QDir::fromNativeSeparators(path).split('/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) {
            continue;
        }
        if (part == QLatin1String("..")) {
            resolved = QFileInfo(resolved).path();
            continue;
        }
        QString next = resolved.endsWith('/') ? resolved + part : resolved + '/' + part;
        if (!missing && QFileInfo::exists(next)) {
            const QString real = QFileInfo(next).canonicalFilePath();
            if (!real.isEmpty())
                next = real;
        } else {
            missing = true;
        }
        resolved = next;
    }
    return resolved;
}

namespace {

bool SameOrInside(const QString& folder, const QString& outer) {
    return folder == outer || outer == QLatin1String("/") || folder.startsWith(outer + '/');
}

}  // namespace

QString RootsOverlapProblem(const Roots& roots, const QStringList& stagingSubs,
                            const QStringList& dataSubs) {
    if (roots.staging.isEmpty() || roots.data.isEmpty()) {
        return QString();
    }
    for (const QString& root : {roots.staging, roots.data}) {
        if (QDir::isRelativePath(root)) {
            return QCoreApplication::translate("Histavue", kRootNotAbsoluteMessage)
                .arg(QDir::toNativeSeparators(root));
        }
    }
    QStringList guarded{ResolvedFolder(roots.data)};
    for (const QString& sub : dataSubs)
        guarded.append(ResolvedFolder(roots.data + '/' + sub));
    QStringList written{roots.staging};
    for (const QString& sub : stagingSubs)
        written.append(roots.staging + '/' + sub);
    for (const QString& folder : written) {
        const QString resolved = ResolvedFolder(folder);
        for (const QString& data : guarded) {
            if (SameOrInside(resolved, data)) {
                return QCoreApplication::translate("Histavue", kRootsOverlapMessage)
                    .arg(QDir::toNativeSeparators(QDir::cleanPath(folder)),
                         QDir::toNativeSeparators(QDir::cleanPath(roots.data)));
            }
        }
    }
    return QString();
}

QString CheckRootsApart(const Roots& roots) {
    QStringList staging;
    QStringList data;
    for (const RecordKindRow& row : RecordKindTable) {
        if (row.stagingFolder != nullptr)
            staging.append(QString::fromLatin1(row.stagingFolder));
        if (row.dataFolder != nullptr)
            data.append(QString::fromLatin1(row.dataFolder));
    }
    return RootsOverlapProblem(roots, staging, data);
}
