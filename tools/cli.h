// histavue-cli: lists, exports and queries a log store from the command line, and prints any
// inverted file (a store file or an export) as plain text. The data folder is only read; the
// working copy of the root index goes to a staging folder, a private temporary one by default.
#pragma once

#include <cstdio>

// Runs one command line (argv[0] is the program name). Text results go to out, messages to
// err. Returns the exit status: 0 success, 1 failure (a one-line reason on err), 2 usage error
// (the reason and the usage text on err). Every path closes the store slot it opened, so it can
// be called repeatedly in one process.
int RunCli(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

// The usage text printed by --help and after a usage error.
const char* CliUsage();

// Makes SIGINT, SIGTERM, SIGHUP and SIGPIPE remove a private staging folder before the process
// ends by the signal. For the program's main; tests do not need it.
void InstallCliSignalCleanup();
