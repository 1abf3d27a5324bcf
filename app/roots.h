// The two root folders kept machine-wide: the staging root ("TempDir", where the working copies
// of the root indexes and the exported files live) and the data root ("DataDir", where the
// stores are read). Kept by QSettings, organisation "Quorvel", application "LogDataDir": the
// registry on Windows, an INI file in the user's configuration folder elsewhere (falling back to
// the system-wide one).
#pragma once

#include <QString>
#include <QStringList>

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

// Why roots are refused: %1 a root; %1 the staging folder and %2 the data root.
extern const char kRootNotAbsoluteMessage[];
extern const char kRootsOverlapMessage[];

// The folder a path leads to, as the file system would resolve it: "." and ".." taken
// component by component, each existing component's links followed; the part that does not
// exist yet is kept as written. path must be absolute.
QString ResolvedFolder(const QString& path);

// Why the two roots cannot be used together, or empty when they can. Nothing is ever written
// inside the data root, so no staging folder (the staging root, or its sub-folders named in
// stagingSubs) may be the data root or one of its sub-folders (dataSubs), lie inside one, or lead
// to one through a link. Both roots must be absolute paths. Empty roots are not checked.
QString RootsOverlapProblem(const Roots& roots, const QStringList& stagingSubs,
                            const QStringList& dataSubs);

// The record kinds, as the data-list bar shows them, and the sub-folders of the two roots that
// hold each kind's files.
struct RecordKindRow {
    int kind;                   // store kind, or -1 for the reserved row
    const char* caption;        // tab caption
    const char* dataFolder;     // sub-folder of the data root
    const char* stagingFolder;  // sub-folder of the staging root
};
constexpr int kRecordKinds = 3;
extern const RecordKindRow RecordKindTable[kRecordKinds];

// Why the roots cannot be used together (RootsOverlapProblem over the kinds' sub-folders), or
// empty.
QString CheckRootsApart(const Roots& roots);
