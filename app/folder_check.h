// Validation and creation of a root folder typed or picked by the user.
//
// A path must be absolute: on Windows a drive root such as "C:\" and components below it; on
// other systems "/" plays the drive root. Every component must be a valid folder name, and the
// path must not end in a separator or hold an empty component.
#pragma once

#include <QString>

class QWidget;

enum FolderCheck { kFolderValid = 0, kFolderInvalid = 1, kFolderNotCreated = 2 };

// True when name is non-empty, neither begins nor ends with a tab, a space or ".", and holds none
// of  " * / : < > ? \ |. Characters beyond ASCII are always accepted.
bool IsValidFolderName(const QString& name);

// Checks path (kFolderValid / kFolderInvalid). Unless checkOnly, also creates every missing
// level from the root down and gives kFolderNotCreated when a level cannot be made.
int CheckFolderPath(const QString& path, bool checkOnly);

// Runs when the folder picker's OK is pressed: checks the path, asks whether a missing folder
// should be created and creates it. 0 accepted, -1 declined by the user, 1 or 2 after the error
// message has been shown.
int ConfirmFolder(const QString& path, QWidget* parent);

// The three messages, with %1 for the path.
extern const char kFolderCreateQuestion[];
extern const char kFolderInvalidMessage[];
extern const char kFolderCannotCreateMessage[];
