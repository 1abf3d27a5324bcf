// histavue-report: prints the report of a record file to a PDF, and its curves to a PNG or PDF,
// without a window, for scripts and scheduled jobs. The pages are the ones the viewer's print
// command lays out, the curves the ones its curve view draws. Needs a QApplication (the offscreen
// platform will do).
#pragma once

#include <QStringList>
#include <cstdio>

// Runs one command line (args[0] is the program name). Returns the exit status: 0 success,
// 1 failure (the reason on err), 2 usage error (the reason and the usage text on err).
// stdinClosed tells that the process started without a standard input ("-" then fails).
int RunReport(const QStringList& args, std::FILE* out, std::FILE* err, bool stdinClosed = false);

const char* ReportUsage();
