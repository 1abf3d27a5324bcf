#include <QApplication>

#include "histavue_app.h"
#include "quiet_start.h"

int main(int argc, char* argv[]) {
    SilenceRoutineQtNotices();
    QApplication qapp(argc, argv);
    CHistavueApp app;
    if (!app.InitInstance(QApplication::arguments())) {
        return 1;
    }
    return app.Run();
}
