#include <QApplication>
#include <cstdio>

#include "histavue_app.h"
#include "quiet_start.h"

namespace {

void Print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
}

}  // namespace

int main(int argc, char* argv[]) {
    // --help and --version are answered before Qt connects to a display: they work without one,
    // and never open a window beside a running viewer.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw.append(QString::fromLocal8Bit(argv[i]));
    const CHistavueApp::CommandLine early = CHistavueApp::ParseCommandLine(raw);
    if (early.action == CHistavueApp::CommandLine::Action::kHelp) {
        Print(stdout, CHistavueApp::HelpText());
        return 0;
    }
    if (early.action == CHistavueApp::CommandLine::Action::kVersion) {
        Print(stdout, CHistavueApp::VersionText());
        return 0;
    }
    SilenceRoutineQtNotices();
    QApplication qapp(argc, argv);
    // Qt's own options (-style, -platform, ...) are gone from the arguments by now.
    const CHistavueApp::CommandLine line =
        CHistavueApp::ParseCommandLine(QApplication::arguments());
    if (line.action == CHistavueApp::CommandLine::Action::kUsageError) {
        Print(stderr,
              QStringLiteral("histavue: %1\n").arg(line.problem) + CHistavueApp::HelpText());
        return 2;
    }
    CHistavueApp app;
    if (!app.InitInstance(QApplication::arguments())) {
        return 1;
    }
    return app.Run();
}
