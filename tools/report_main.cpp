// histavue-report: the report and curves of a record file, without a window.
#include <QApplication>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "histavue_app.h"
#include "report.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The pages speak the user's language, as the viewer's print command does.
    const std::unique_ptr<QTranslator> translation = CHistavueApp::LoadTranslation();
    if (translation)
        QCoreApplication::installTranslator(translation.get());
    return RunReport(QApplication::arguments(), stdout, stderr);
}
