// Keeps standard error free of two notices that Qt prints in every normal run and that ask
// nothing of the user: "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to ..." (a cron job or
// a shell without a login session has no runtime folder) and "This plugin does not support
// propagateSizeHints()" (offscreen and some other platforms). Every other message passes on.
#pragma once

// Installs the message filter. Call it in main, before the application object is made.
void SilenceRoutineQtNotices();
