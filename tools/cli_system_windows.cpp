// The program's text on Windows: arguments in the panel's code page, the staging folder in the
// temporary folder, its removal when the console ends the program.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "cli_system.h"
#include "file_system.h"

namespace cli {
namespace {

// The private staging folder, for the console's ending events.
char g_stagingIndex[4096];
char g_stagingFolder[4096];
std::atomic<bool> g_cleanupArmed{false};

BOOL WINAPI CleanupOnEnd(DWORD) {
    if (g_cleanupArmed.load()) {
        storefs::RemoveFile(g_stagingIndex, storefs::Names::kExact);
        RemoveDirectoryA(g_stagingFolder);
    }
    return FALSE;  // the process ends as it would have
}

}  // namespace

std::string MakePrivateFolder(const char* prefix, std::string* tried, int* error) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder;
    if (tmp != nullptr && tmp[0] != '\0') {
        folder = tmp;
    } else {
        char system[MAX_PATH + 1];
        const DWORD n = GetTempPathA(sizeof system, system);
        folder = n > 0 && n < sizeof system ? std::string(system, n) : ".";
    }
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    uint64_t x = GetTickCount64() ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        x = (x + 0x9E3779B97F4A7C15ull) * 0xBF58476D1CE4E5B9ull;
        uint64_t draw = x ^ (x >> 31);
        std::string name = folder + prefix;
        for (int i = 0; i < 6; ++i, draw /= 62)
            name += kLetters[draw % 62];
        *tried = name;
        if (storefs::KindOf(name, nullptr, storefs::Names::kExact) != storefs::EntryKind::kMissing)
            continue;
        if (CreateDirectoryA(name.c_str(), nullptr))
            return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            *error = GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
            return std::string();
        }
    }
    *error = EEXIST;
    return std::string();
}

void RemoveOnEnding(const std::string& index, const std::string& folder) {
    g_cleanupArmed = false;
    if (index.empty() || index.size() >= sizeof g_stagingIndex ||
        folder.size() >= sizeof g_stagingFolder)
        return;
    std::memcpy(g_stagingIndex, index.c_str(), index.size() + 1);
    std::memcpy(g_stagingFolder, folder.c_str(), folder.size() + 1);
    g_cleanupArmed = true;
}

void UseSystemText(int* argc, char*** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    // The C runtime takes double-byte code pages only: GBK, the two-byte part of GB18030.
    std::setlocale(LC_CTYPE, ".936");
    const UINT page = IsValidCodePage(54936) ? 54936 : 936;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return;
    // Kept for the life of the program, as the runtime's own arguments are.
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    for (int i = 0; i < count; ++i) {
        const int n = WideCharToMultiByte(page, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
        if (n > 1)
            WideCharToMultiByte(page, 0, wide[i], -1, &text[0], n, nullptr, nullptr);
        texts.push_back(text);
    }
    LocalFree(wide);
    for (std::string& text : texts)
        pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    *argc = count;
    *argv = pointers.data();
}

}  // namespace cli

void InstallCliSignalCleanup() {
    SetConsoleCtrlHandler(cli::CleanupOnEnd, TRUE);
}
