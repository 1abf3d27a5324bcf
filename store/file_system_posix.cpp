// The store's file system on POSIX systems: "\" becomes "/", names are matched without regard to
// ASCII case on a case-sensitive file system, exclusive opens carry a flock.
#include "file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>
#include <atomic>
#include <climits>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace storefs {

namespace {

// Finds an entry of folder `dir` equal to `name` without regard to ASCII case.
bool FindCaseless(const std::string& dir, const std::string& name, std::string* found) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        return false;
    }
    bool ok = false;
    while (dirent* e = readdir(d)) {
        if (EqualsIgnoreAsciiCase(e->d_name, name.c_str())) {
            *found = e->d_name;
            ok = true;
            break;
        }
    }
    closedir(d);
    return ok;
}

int OpenFlags(OpenMode mode) {
    switch (mode) {
        case OpenMode::kExistingReadWrite:
            return O_RDWR;
        case OpenMode::kExistingRead:
            return O_RDONLY;
        case OpenMode::kCreateNew:
            return O_RDWR | O_CREAT | O_EXCL;
        // Truncated only once the lock is held (OpenExclusive), so a file another opener
        // holds is never emptied by a create that then fails.
        case OpenMode::kCreateAlways:
            return O_RDWR | O_CREAT;
    }
    return O_RDONLY;
}

// O_NONBLOCK keeps the open of a FIFO or device that sits where a store file should be from
// waiting for its other end; such files are refused once opened. On a regular file the flag
// changes nothing, so it stays set.
int OpenNative(const std::string& path, OpenMode mode) {
    int fd = open(path.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0 && mode == OpenMode::kExistingReadWrite &&
        (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    }
    return fd;
}

}  // namespace

std::string NativePath(const std::string& storePath) {
    std::string p = storePath;
    for (char& c : p) {
        if (c == '\\')
            c = '/';
    }
    return p;
}

std::string ResolveCase(const std::string& nativePath) {
    std::string out;
    bool missing = false;  // below a missing component nothing can exist
    size_t i = 0;
    const size_t n = nativePath.size();
    while (i < n) {
        if (nativePath[i] == '/') {
            out += '/';
            ++i;
            continue;
        }
        size_t j = nativePath.find('/', i);
        if (j == std::string::npos)
            j = n;
        std::string comp = nativePath.substr(i, j - i);
        if (!missing && comp != "." && comp != "..") {
            struct stat st;
            if (lstat((out + comp).c_str(), &st) != 0) {
                std::string found;
                if (FindCaseless(out.empty() ? "." : out, comp, &found)) {
                    comp = found;
                } else {
                    missing = true;
                }
            }
        }
        out += comp;
        i = j;
    }
    return out;
}

int OpenExclusive(const std::string& storePath, OpenMode mode, int64_t* size, Names names) {
    if (storePath.empty() || storePath.size() > kMaxPath) {
        errno = storePath.empty() ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    const std::string native = NativePathOf(storePath, names);
    int fd = OpenNative(native, mode);
    if (fd < 0 && errno == ENOENT && names == Names::kCaseBlind) {
        const std::string resolved = ResolveCase(native);
        if (resolved != native)
            fd = OpenNative(resolved, mode);
    } else if (fd < 0 && errno == EEXIST) {
        return -1;
    }
    if (fd < 0) {
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        (mode == OpenMode::kCreateAlways && ftruncate(fd, 0) != 0)) {
        close(fd);
        return -1;
    }
    if (size != nullptr) {
        *size = mode == OpenMode::kCreateAlways ? 0 : static_cast<int64_t>(st.st_size);
    }
    return fd;
}

void CloseFile(int fd) {
    if (fd >= 0)
        close(fd);
}

bool ListFolder(const std::string& storePath, std::vector<std::string>* names, int* error) {
    names->clear();
    const std::string native = NativePath(storePath);
    DIR* d = opendir(native.c_str());
    if (d == nullptr && errno == ENOENT) {
        d = opendir(ResolveCase(native).c_str());
    }
    if (d == nullptr) {
        if (error != nullptr)
            *error = errno;
        return false;
    }
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            names->emplace_back(e->d_name);
        }
    }
    closedir(d);
    return true;
}

bool FileExists(const std::string& storePath, Names names) {
    const std::string native = NativePathOf(storePath, names);
    struct stat st;
    if (stat(native.c_str(), &st) != 0 &&
        (names == Names::kExact || stat(ResolveCase(native).c_str(), &st) != 0)) {
        return false;
    }
    return S_ISREG(st.st_mode);
}

EntryKind KindOf(const std::string& storePath, int* error, Names names) {
    const std::string native = NativePathOf(storePath, names);
    struct stat st;
    int result = stat(native.c_str(), &st);
    if (result != 0 && errno == ENOENT && names == Names::kCaseBlind)
        result = stat(ResolveCase(native).c_str(), &st);
    if (result != 0) {
        if (errno == ENOENT)
            return EntryKind::kMissing;
        if (error != nullptr)
            *error = errno;
        return EntryKind::kUnknown;
    }
    return S_ISREG(st.st_mode)   ? EntryKind::kFile
           : S_ISDIR(st.st_mode) ? EntryKind::kFolder
                                 : EntryKind::kOther;
}

namespace {

FileIdentity IdentityFromStat(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<int64_t>(st.st_size);
    id.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

}  // namespace

bool IdentityOf(const std::string& nativePath, FileIdentity* id) {
    struct stat st;
    if (nativePath.empty() || stat(nativePath.c_str(), &st) != 0) {
        return false;
    }
    *id = IdentityFromStat(st);
    return true;
}

bool CopyFile(const std::string& fromStorePath, const std::string& toStorePath, bool overwrite,
              Names names, int* error) {
    auto fail = [error](int e) {
        if (error != nullptr)
            *error = e;
        return false;
    };
    const std::string from =
        names == Names::kCaseBlind ? ResolveCase(NativePath(fromStorePath)) : fromStorePath;
    const std::string to =
        names == Names::kCaseBlind ? ResolveCase(NativePath(toStorePath)) : toStorePath;
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        return fail(errno);
    }
    struct stat st;
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return fail(EINVAL);
    }
    FileIdentity target;
    if (IdentityOf(to, &target)) {
        if (target == IdentityFromStat(st)) {
            close(in);
            return true;  // the target is the source: copying would only risk it
        }
        if (!overwrite) {
            close(in);
            return fail(EEXIST);
        }
    }
    ReplacingWriter out;
    if (!out.Begin(to)) {
        close(in);
        return fail(out.Error());
    }
    char buf[65536];
    for (;;) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int e = errno;
            close(in);
            return fail(e);
        }
        if (n == 0)
            break;
        if (!out.Write(buf, static_cast<size_t>(n))) {
            close(in);
            return fail(out.Error());
        }
    }
    close(in);
    if (!out.Commit(overwrite)) {
        return fail(out.Error());
    }
    return true;
}

bool MakeFolders(const std::string& storePath) {
    std::string native = ResolveCase(NativePath(storePath));
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    struct stat st;
    if (stat(native.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const size_t slash = native.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(native.substr(0, slash))) {
        return false;
    }
    return mkdir(native.c_str(), 0755) == 0 || errno == EEXIST;
}

bool RemoveFile(const std::string& storePath, Names names) {
    const std::string native = NativePathOf(storePath, names);
    if (unlink(native.c_str()) == 0)
        return true;
    if (errno == ENOENT && names == Names::kExact) {
        return true;
    }
    if (errno == ENOENT) {
        const std::string resolved = ResolveCase(native);
        return resolved != native ? unlink(resolved.c_str()) == 0 || errno == ENOENT : true;
    }
    return false;
}

}  // namespace storefs

namespace storefs {

bool ReadFully(int fd, char* dst, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t r = read(fd, dst + done, n - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

int64_t ReadAt(int fd, char* dst, size_t n, uint64_t offset) {
    size_t done = 0;
    while (done < n) {
        ssize_t r = pread(fd, dst + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
}

int64_t ReadOnceAt(int fd, char* dst, size_t n, uint64_t offset) {
    for (;;) {
        const ssize_t r = pread(fd, dst, n, static_cast<off_t>(offset));
        if (r >= 0 || errno != EINTR)
            return r;
    }
}

bool SyncData(int fd) {
    return fdatasync(fd) == 0;
}

bool IsOpen(int fd) {
    return fd >= 0 && fcntl(fd, F_GETFD) >= 0;
}

int64_t FileSize(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return -1;
    return st.st_size;
}

}  // namespace storefs

namespace storefs {

int OpenDirectory(const std::string& storePath) {
    if (storePath.empty() || storePath.size() > kMaxPath) {
        errno = storePath.empty() ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    const std::string native = NativePath(storePath);
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    int fd = open(native.c_str(), flags);
    if (fd < 0 && errno == ENOENT) {
        const std::string resolved = ResolveCase(native);
        if (resolved != native)
            fd = open(resolved.c_str(), flags);
    }
    return fd;
}

int OpenForReadingIn(int folderFd, const std::string& folderStorePath, const std::string& name) {
    if (folderFd < 0 || name.empty() || folderStorePath.size() + name.size() > kMaxPath) {
        errno = folderFd < 0 ? EBADF : name.empty() ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    // O_NONBLOCK keeps a FIFO in the folder from waiting for a writer; reading it then fails.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    int fd = openat(folderFd, name.c_str(), flags);
    if (fd < 0 && errno == ENOENT) {
        const std::string native = NativePath(folderStorePath);
        std::string found;
        if (FindCaseless(ResolveCase(native.empty() ? "." : native), name, &found) &&
            found != name) {
            fd = openat(folderFd, found.c_str(), flags);
        } else {
            errno = ENOENT;
        }
    }
    return fd;
}

bool IdentityIn(int folderFd, const std::string&, const std::string& name, FileIdentity* id) {
    struct stat st;
    if (folderFd < 0 || name.empty() || fstatat(folderFd, name.c_str(), &st, 0) != 0)
        return false;
    *id = IdentityFromStat(st);
    return true;
}

bool ReadToEnd(int fd, std::vector<char>* out, size_t checkAfter) {
    size_t done = 0;
    bool checked = false;
    if (out->capacity() < 4096)
        out->reserve(4096);
    for (;;) {
        if (done == out->capacity()) {
            if (!checked && done >= checkAfter) {
                if (!IsRegularFileBelow(fd, UINT64_MAX))
                    return false;
                checked = true;
            }
            out->reserve(done * 2);
        }
        out->resize(out->capacity());
        const size_t want = out->size() - done;
        const ssize_t r = read(fd, out->data() + done, want);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            out->clear();
            return false;
        }
        done += static_cast<size_t>(r);
        if (static_cast<size_t>(r) < want) {
            out->resize(done);
            return true;
        }
    }
}

bool IsRegularFileBelow(int fd, uint64_t limit) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) < limit;
}

}  // namespace storefs
