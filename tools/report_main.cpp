// histavue-report: the report and curves of a record file, without a window.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QTranslator>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "file_system.h"
#include "histavue_app.h"
#include "profile.h"
#include "quiet_start.h"
#include "report.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // An interrupted run leaves the files it was replacing as they were, and no half-written
    // new file beside them.
    storefs::RemoveNewFilesOnSignals();
    // A closed standard input is told apart now, and its number held by /dev/null, before the
    // files Qt opens could take it and be read as the input.
    const bool inputClosed = fcntl(STDIN_FILENO, F_GETFD) == -1 && errno == EBADF;
    if (inputClosed)
        open("/dev/null", O_RDONLY);
    SilenceRoutineQtNotices();
    QApplication app(argc, argv);
    // The viewer's profile: the thresholds and alarm fields set there hold here too.
    QCoreApplication::setOrganizationName(QString::fromUtf8(kProfileOrganisation));
    QCoreApplication::setApplicationName(QString::fromUtf8(kProfileApplication));
    // The pages speak the user's language, as the viewer's print command does.
    const std::unique_ptr<QTranslator> translation = CHistavueApp::LoadTranslation();
    if (translation)
        QCoreApplication::installTranslator(translation.get());
    return RunReport(QApplication::arguments(), stdout, stderr, inputClosed);
}
