#include "quiet_start.h"

#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler g_next = nullptr;

void Filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
         message == QLatin1String("This plugin does not support propagateSizeHints()")))
        return;
    g_next(type, context, message);
}

}  // namespace

void SilenceRoutineQtNotices() {
    if (g_next == nullptr)
        g_next = qInstallMessageHandler(&Filter);
}
