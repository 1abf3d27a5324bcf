// The two root folders kept machine-wide: the staging root ("TempDir", where the working copies
// of the root indexes and the exported files live) and the data root ("DataDir", where the
// stores are read). Kept by QSettings, organisation "Quorvel", application "LogDataDir": the
// registry on Windows, an INI file in the user's configuration folder elsewhere (falling back to
// the system-wide one).
#pragma once

#include <QString>

struct Roots {
    QString staging;
    QString data;
};

// Longest root path, in characters.
constexpr int kMaxRootLength = 259;

// Reads both roots. False, leaving *roots untouched, when no settings exist at all. Otherwise
// both are emptied and each value is taken when it is a string of at most 259 characters.
bool ReadRoots(Roots* roots);

// Writes both roots. False when the settings cannot be written; a failed write is otherwise
// silent and the roots stay in use until the program ends.
bool WriteRoots(const Roots& roots);
