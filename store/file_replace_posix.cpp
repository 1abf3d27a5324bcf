// Writing a file whole or not at all: a new file beside the target, synced and renamed over it
// once complete, removed on failure or on an ending signal; and telling whether two paths name
// the same file.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>

#include "file_system.h"

namespace storefs {

namespace {

// An absolute spelling of a path whose folder is resolved (links, "..") as far as it exists.
std::string AbsoluteSpelling(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char real[PATH_MAX];
    if (realpath(folder.c_str(), real) != nullptr)
        return std::string(real) + "/" + name;
    char cwd[PATH_MAX];
    if (!path.empty() && path[0] != '/' && getcwd(cwd, sizeof cwd) != nullptr)
        return std::string(cwd) + "/" + path;
    return path;
}

// The new files of unfinished writers, for a signal handler to delete: a fixed table, as the
// handler may neither allocate nor lock. State 0 is a free entry, 1 one being filled, 2 one
// that names a file.
constexpr int kPendingEntries = 16;
std::atomic<int> g_pendingState[kPendingEntries];
char g_pendingPath[kPendingEntries][PATH_MAX];

int AddPending(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < kPendingEntries; ++i) {
        int expected = 0;
        if (g_pendingState[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(g_pendingPath[i], path.c_str(), path.size() + 1);
            g_pendingState[i].store(2);
            return i;
        }
    }
    return -1;
}

// Creates a file of a new name made from pattern, whose last six characters are replaced as
// mkostemp does, opened for writing with mode. Unlike mkostemp (always 0600), the process's umask
// and a folder's default ACL act on the mode, as they do on every file the system creates.
int CreateUnique(std::string* pattern, mode_t mode) {
    static std::atomic<uint64_t> drawn{0};
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const size_t tail = pattern->size() - 6;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // splitmix64 of the time, the process and a count: names no other writer is likely to
        // draw; O_EXCL settles the rest.
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        uint64_t x = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(getpid()) << 32) ^
                     (drawn.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        x ^= x >> 31;
        for (size_t i = 0; i < 6; ++i, x /= 62)
            (*pattern)[tail + i] = kLetters[x % 62];
        const int fd = open(pattern->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

extern "C" void RemovePendingAndDie(int signal) {
    for (int i = 0; i < kPendingEntries; ++i) {
        if (g_pendingState[i].load() == 2)
            unlink(g_pendingPath[i]);
    }
    std::signal(signal, SIG_DFL);
    raise(signal);
}

}  // namespace

bool SameFile(const std::string& nativeA, const std::string& nativeB) {
    FileIdentity a;
    FileIdentity b;
    const bool hasA = IdentityOf(nativeA, &a);
    const bool hasB = IdentityOf(nativeB, &b);
    if (hasA || hasB)
        return hasA && hasB && a == b;
    return AbsoluteSpelling(nativeA) == AbsoluteSpelling(nativeB);
}

void RemoveNewFilesOnSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old;
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = RemovePendingAndDie;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

void HoldEndingSignals() {
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
}

void ReplacingWriter::Forget() {
    if (pending_ >= 0)
        g_pendingState[pending_].store(0);
    pending_ = -1;
}

bool ReplacingWriter::Begin(const std::string& nativeTarget) {
    Abandon();
    error_ = 0;
    target_ = nativeTarget;
    // A link at the target stays a link: the file it leads to is the one replaced.
    struct stat st;
    if (lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char real[PATH_MAX];
        if (realpath(target_.c_str(), real) != nullptr)
            target_ = real;
    }
    const size_t slash = target_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (name.empty()) {
        error_ = EISDIR;
        return false;
    }
    std::string pattern = folder + "." + name + ".XXXXXX";
    // A replaced file's mode is given to the new file below; until then no one else may read it.
    // A new file gets the mode any other program's new file gets under the user's umask.
    const bool exists = stat(target_.c_str(), &st) == 0;
    // The new file is made and registered for removal with the ending signals held back, so a
    // signal between the two cannot leave it behind.
    sigset_t ending;
    sigset_t before;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &before);
    fd_ = CreateUnique(&pattern, exists ? 0600 : 0666);
    const int made = errno;
    if (fd_ >= 0)
        pending_ = AddPending(pattern);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd_ < 0) {
        error_ = made;
        return false;
    }
    temp_ = pattern;
    // The new file takes the permissions of the one it replaces.
    if (exists)
        fchmod(fd_, st.st_mode & 07777);
    return true;
}

bool WriteFully(int fd, const char* data, size_t n) {
    for (size_t done = 0; done < n;) {
        ssize_t w = write(fd, data + done, n - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

bool ReplacingWriter::Commit(bool overwrite) {
    if (fd_ < 0) {
        if (error_ == 0)
            error_ = EBADF;
        return false;
    }
    bool ok = FlushBuffer();
    if (ok && durable_ && fsync(fd_) != 0) {
        error_ = errno;
        ok = false;
    }
    if (close(fd_) != 0 && ok) {
        error_ = errno;
        ok = false;
    }
    fd_ = -1;
    if (ok && overwrite) {
        if (rename(temp_.c_str(), target_.c_str()) != 0) {
            error_ = errno;
            ok = false;
        }
    } else if (ok) {
        // link() fails on an existing target, so a file that appeared meanwhile is kept.
        if (link(temp_.c_str(), target_.c_str()) != 0) {
            error_ = errno;
            ok = false;
        }
    }
    if (!ok || !overwrite) {
        unlink(temp_.c_str());
    }
    Forget();
    temp_.clear();
    return ok;
}

void ReplacingWriter::Abandon() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
    Forget();
    buffer_.clear();
}

}  // namespace storefs
