// The per-user profile: recent files, window placement and the other choices kept between runs.
#pragma once

#include <QMap>
#include <QSettings>
#include <QString>
#include <QTimer>
#include <QVariant>

// Organisation and application of the per-user profile (recent files, window placement).
extern const char kProfileOrganisation[];
extern const char kProfileApplication[];

// The profile, opened afresh for each use.
QSettings UserProfile();

// Values of the profile whose writing waits until no value changed for a quiet while, or until
// Flush, the application's end or the writer's end, whichever comes first; so a command that
// changes them (opening a file changes the recent-file list) never waits for the disk, and a
// burst of changes is written once. Reads through the writer see the values not yet written.
class DeferredProfile {
  public:
    explicit DeferredProfile(int quietMs = 1000);
    ~DeferredProfile();
    DeferredProfile(const DeferredProfile&) = delete;
    DeferredProfile& operator=(const DeferredProfile&) = delete;

    QVariant Value(const QString& key) const;
    // An invalid value removes the key.
    void SetValue(const QString& key, const QVariant& value);
    // Writes what is due now.
    void Flush();
    bool Pending() const { return !due_.isEmpty(); }

  private:
    QMap<QString, QVariant> due_;
    QTimer quiet_;
    QMetaObject::Connection quit_;
};
