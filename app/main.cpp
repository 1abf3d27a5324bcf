#include <QApplication>

#include "histavue_app.h"

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    CHistavueApp app;
    if (!app.InitInstance(QApplication::arguments())) {
        return 1;
    }
    return app.Run();
}
