// A settings folder of the process's own for the window tests and the viewer's benchmarks: the
// per-user profile (recent files, window placement, bar sizes) and the two roots are read from
// and written to a temporary folder, never the user's, and the folder goes when the process
// ends.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "histavue_app.h"

class PrivateSettings {
  public:
    // Must be made before the QApplication and before any QSettings object, since the settings
    // folders are looked up once per process. Ends the process when the profile would still
    // land outside the private folder.
    PrivateSettings() : folder_(QDir::tempPath() + QStringLiteral("/histavue-settings-XXXXXX")) {
        if (!folder_.isValid())
            Fail("cannot create a private settings folder");
        const QByteArray path = QFile::encodeName(folder_.path());
        qputenv("XDG_CONFIG_HOME", path);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder_.path());
#ifdef _WIN32
        // The registry has no folder to move: the profile goes to an .ini file instead.
        QSettings::setDefaultFormat(QSettings::IniFormat);
#else
        const QSettings roots(QSettings::NativeFormat, QSettings::UserScope, "Quorvel",
                              "LogDataDir");
        if (!Inside(roots.fileName()))
            Fail("the roots would be written to the user's own settings");
#endif
        const QSettings profile(QString::fromUtf8(kProfileOrganisation),
                                QString::fromUtf8(kProfileApplication));
        if (!Inside(profile.fileName()))
            Fail("the profile would be written to the user's own settings");
    }
    PrivateSettings(const PrivateSettings&) = delete;
    PrivateSettings& operator=(const PrivateSettings&) = delete;

    QString Path() const {
        return folder_.path();
    }

  private:
    bool Inside(const QString& file) const {
        return file.startsWith(folder_.path() + '/');
    }
    [[noreturn]] void Fail(const char* why) {
        std::fprintf(stderr, "private settings: %s\n", why);
        folder_.remove();
        std::exit(3);
    }

    QTemporaryDir folder_;
};
