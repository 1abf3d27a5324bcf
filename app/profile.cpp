#include "profile.h"

#include <QString>

const char kProfileOrganisation[] = "应用程序向导生成的本地应用程序";
const char kProfileApplication[] = "Histavue";

QSettings UserProfile() {
    return QSettings(QString::fromUtf8(kProfileOrganisation),
                     QString::fromUtf8(kProfileApplication));
}
