#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "cli.h"
#include "cli_system.h"

namespace cli {
namespace {

// The private staging folder, for the signal handler.
char g_signalStagingIndex[4096];
char g_signalStagingFolder[4096];
volatile sig_atomic_t g_signalCleanupArmed = 0;

void CleanupOnSignal(int signo) {
    if (g_signalCleanupArmed) {
        unlink(g_signalStagingIndex);
        rmdir(g_signalStagingFolder);
    }
    signal(signo, SIG_DFL);
    raise(signo);
}

}  // namespace

std::string MakePrivateFolder(const char* prefix, std::string* tried, int* error) {
    const char* tmp = getenv("TMPDIR");
    std::string folder = tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    *tried = folder + prefix + "XXXXXX";
    std::vector<char> buffer(tried->begin(), tried->end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        *error = errno;
        return std::string();
    }
    return buffer.data();
}

void RemoveOnEnding(const std::string& index, const std::string& folder) {
    g_signalCleanupArmed = 0;
    if (index.empty() || index.size() >= sizeof g_signalStagingIndex ||
        folder.size() >= sizeof g_signalStagingFolder)
        return;
    std::memcpy(g_signalStagingIndex, index.c_str(), index.size() + 1);
    std::memcpy(g_signalStagingFolder, folder.c_str(), folder.size() + 1);
    g_signalCleanupArmed = 1;
}

void UseSystemText(int*, char***) {}

}  // namespace cli

void InstallCliSignalCleanup() {
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    for (int signo : signals) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = &cli::CleanupOnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signo, &action, nullptr);
    }
}
