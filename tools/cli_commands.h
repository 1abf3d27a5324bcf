// The commands of histavue-cli: those that read a store through a store slot of their own, and
// cat, which reads one inverted file.
#pragma once

#include <cstdio>
#include <string>

#include "cli_arguments.h"

namespace cli {

// Opens the store of --store (copying its root index to the staging folder) and runs the
// groups, list, export or query command on it. Returns the exit status.
int RunStoreCommand(const Arguments& args, std::FILE* out, std::FILE* err);

// Prints an inverted file as plain text. Returns the exit status.
int RunCat(const std::string& path, std::FILE* out, std::FILE* err);

// Flushes out; returns 1 after saying so when the output could not be written, else 0.
int FinishOutput(std::FILE* out, std::FILE* err);

}  // namespace cli
