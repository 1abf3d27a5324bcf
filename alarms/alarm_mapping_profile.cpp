#include "alarm_mapping_profile.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

namespace {

const char kGroup[] = "AlarmMapping";

// The key of a group: its name's bytes, %-encoded, so that any name is one key and reads back
// as the same bytes.
QString KeyOf(const std::string& group) {
    return QString::fromLatin1(
        QByteArray(group.data(), static_cast<qsizetype>(group.size())).toPercentEncoding());
}

}  // namespace

AlarmMappings StoredAlarmMappings(std::vector<std::string>* unread) {
    AlarmMappings mappings;
    QSettings profile;
    profile.beginGroup(QString::fromLatin1(kGroup));
    for (const QString& key : profile.childKeys()) {
        const QByteArray name = QByteArray::fromPercentEncoding(key.toLatin1());
        AlarmMapping mapping;
        if (ReadMappingText(profile.value(key).toString().toStdString(), &mapping))
            mappings[name.toStdString()] = mapping;
        else if (unread != nullptr)
            unread->push_back(name.toStdString());
    }
    return mappings;
}

void StoreAlarmMapping(const std::string& group, const AlarmMapping& mapping) {
    QSettings profile;
    profile.beginGroup(QString::fromLatin1(kGroup));
    if (mapping == DefaultAlarmMapping())
        profile.remove(KeyOf(group));
    else
        profile.setValue(KeyOf(group), QString::fromLatin1(MappingText(mapping).c_str()));
}
