// What the tests need of the system, on every system: new private folders, the environment,
// the user's rights.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

// Sets an environment variable of this process.
inline void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// True when the tests run with the rights of the superuser, whom permission bits do not stop.
inline bool RunsAsRoot() {
#ifdef _WIN32
    return false;
#else
    return geteuid() == 0;
#endif
}

// Makes a folder of a new name under the temporary folder, named by `pattern` (a path relative
// to it, parents made as needed) followed by six characters. Returns its path with "/" for
// separators and no trailing one; empty on failure. The temporary folder is /tmp, not $TMPDIR
// (tests point that elsewhere), or on Windows the system's.
inline std::string MakeTestFolder(const std::string& pattern) {
#ifdef _WIN32
    const std::filesystem::path root = std::filesystem::temp_directory_path();
#else
    const std::filesystem::path root = "/tmp";
#endif
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 draw{std::random_device{}()};
    std::error_code ec;
    const std::filesystem::path base = root / pattern;
    std::filesystem::create_directories(base.parent_path(), ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base.filename().string();
        for (int i = 0; i < 6; ++i)
            name += kLetters[draw() % (sizeof kLetters - 1)];
        const std::filesystem::path made = base.parent_path() / name;
        if (std::filesystem::create_directory(made, ec))
            return made.generic_string();
    }
    return std::string();
}
