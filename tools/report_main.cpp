// histavue-report: the report and curves of a record file, without a window.
#include <QApplication>
#include <cstdio>

#include "report.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RunReport(QApplication::arguments(), stdout, stderr);
}
