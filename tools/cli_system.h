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

// Readies a program's text for the rule of its system, after setlocale(LC_ALL, ""). On POSIX
// systems nothing changes: arguments, paths and names are bytes as the terminal gave them. On
// Windows every text is in the panel's code page (GB18030) as the store's file access expects:
// the arguments are taken from the wide-character command line and converted, the C runtime's
// code page (the terminal's, for names) becomes that code page's, and standard output and input
// pass bytes unchanged (no line end translation).
void UseSystemText(int* argc, char*** argv);

}  // namespace cli
