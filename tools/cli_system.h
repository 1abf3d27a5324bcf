// What the command-line tool needs of the system beyond the store's file access: a private
// staging folder, its removal when the program is ended from outside, and standard output that
// passes bytes as they are. One implementation per system.
#pragma once

#include <string>

namespace cli {

// Makes a folder of a new name under the temporary folder ($TMPDIR, else the system's): prefix
// followed by six characters. Returns its path; empty on failure, with *error the errno and
// *tried the name that was tried.
std::string MakePrivateFolder(const char* prefix, std::string* tried, int* error);

// The staging root index and folder to delete when the program is ended from outside (an
// ending signal, the console closed); empty strings forget them.
void RemoveOnEnding(const std::string& index, const std::string& folder);

// Standard output and input pass bytes unchanged (no line end translation).
void BinaryStandardStreams();

}  // namespace cli
