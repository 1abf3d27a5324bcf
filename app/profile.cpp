#include "profile.h"

#include <QCoreApplication>
#include <QString>

const char kProfileOrganisation[] = "应用程序向导生成的本地应用程序";
const char kProfileApplication[] = "Histavue";

QSettings UserProfile() {
    return QSettings(QString::fromUtf8(kProfileOrganisation),
                     QString::fromUtf8(kProfileApplication));
}

DeferredProfile::DeferredProfile(int quietMs) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(quietMs);
    QObject::connect(&quiet_, &QTimer::timeout, [this] { Flush(); });
    if (QCoreApplication* app = QCoreApplication::instance())
        quit_ = QObject::connect(app, &QCoreApplication::aboutToQuit, [this] { Flush(); });
}

DeferredProfile::~DeferredProfile() {
    QObject::disconnect(quit_);
    Flush();
}

QVariant DeferredProfile::Value(const QString& key) const {
    const auto due = due_.constFind(key);
    return due != due_.constEnd() ? *due : UserProfile().value(key);
}

void DeferredProfile::SetValue(const QString& key, const QVariant& value) {
    due_.insert(key, value);
    quiet_.start();  // a change within the quiet while puts the write off again
}

void DeferredProfile::Flush() {
    quiet_.stop();
    if (due_.isEmpty())
        return;
    QSettings profile = UserProfile();
    for (auto it = due_.constBegin(); it != due_.constEnd(); ++it) {
        if (it.value().isValid())
            profile.setValue(it.key(), it.value());
        else
            profile.remove(it.key());
    }
    due_.clear();
}
