// Development aid: starts the viewer as a user would, opens the given record files through the
// open-document path, and saves a screenshot of the screen (run it under Xvfb).
//   histavue-snapshot OUT.png [FILE...]
#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "document_manager.h"
#include "histavue_app.h"
#include "main_frame.h"

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    if (argc < 2) {
        return 2;
    }
    CHistavueApp app;
    app.InitInstance(QApplication::arguments());
    for (int i = 2; i < argc; ++i) {
        app.Documents()->OpenDocumentFile(QString::fromLocal8Bit(argv[i]));
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTimer::singleShot(1500, [&] {
        QScreen* screen = QGuiApplication::primaryScreen();
        QPixmap shot = screen != nullptr ? screen->grabWindow(0) : QPixmap();
        if (shot.isNull() || shot.toImage().allGray())
            shot = app.MainFrame()->grab();
        shot.save(out);
        app.MainFrame()->close();
        QApplication::quit();
    });
    return app.Run();
}
