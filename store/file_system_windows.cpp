// The store's file system on Windows. Paths are bytes in the panel's code page, turned into wide
// characters for the system; "\" and "/" both separate. The file system is case-blind already,
// so names are never looked up a second time. An exclusive open holds a lock as flock does; a
// new file replaces its target with ReplaceFileW or MoveFileExW after its data reached
// the device. Descriptors are the C runtime's, over the handles opened here.
#include <windows.h>
#undef CopyFile  // the store's own, not the system's macro

#include <errno.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "file_system.h"

namespace storefs {

namespace {

// The panel's code page: GB18030 where the system has it, else its two-byte part (GBK), which
// every system with Chinese support has.
UINT NameCodePage() {
    static const UINT page = IsValidCodePage(54936) ? 54936 : 936;
    return page;
}

// The path in wide characters; false (errno ENOENT) when its bytes are not in the code page.
bool Wide(const std::string& path, std::wstring* out) {
    out->clear();
    if (path.empty())
        return true;
    const int n = MultiByteToWideChar(NameCodePage(), MB_ERR_INVALID_CHARS, path.data(),
                                      static_cast<int>(path.size()), nullptr, 0);
    if (n <= 0) {
        errno = ENOENT;
        return false;
    }
    out->resize(static_cast<size_t>(n));
    MultiByteToWideChar(NameCodePage(), MB_ERR_INVALID_CHARS, path.data(),
                        static_cast<int>(path.size()), &(*out)[0], n);
    return true;
}

std::string Narrow(const wchar_t* name) {
    const int length = static_cast<int>(std::wcslen(name));
    const int n =
        WideCharToMultiByte(NameCodePage(), 0, name, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(NameCodePage(), 0, name, length, &out[0], n, nullptr, nullptr);
    return out;
}

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_PATHNAME:
            return ENOENT;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EBUSY;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        default:
            return EIO;
    }
}

int FailWith(DWORD error) {
    errno = ErrnoOf(error);
    return -1;
}

HANDLE HandleOf(int fd) {
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// A C runtime descriptor over an open handle (binary, as every descriptor of the store).
int Descriptor(HANDLE h, bool readOnly) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), readOnly ? _O_RDONLY : 0);
    if (fd < 0) {
        CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

// Opens a file for reading as a plain open does elsewhere: others may read, write and delete,
// and a folder opens too (its reads fail), so that callers can tell what is there.
int OpenForReading(const std::wstring& path) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FailWith(GetLastError());
    return Descriptor(h, true);
}

bool IsDiskFile(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) {
    return h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(h, info) &&
           (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

FileIdentity IdentityFromInfo(const BY_HANDLE_FILE_INFORMATION& info) {
    FileIdentity id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size =
        static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    // 100-ns units since 1601 to ns since 1970.
    const uint64_t ticks = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                           info.ftLastWriteTime.dwLowDateTime;
    id.modifiedNs = (static_cast<int64_t>(ticks) - 116444736000000000LL) * 100;
    return id;
}

// One read at the handle's position or, with at, at an offset (the position is then kept).
int64_t ReadSome(int fd, char* dst, size_t n, const uint64_t* at) {
    const HANDLE h = HandleOf(fd);
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    const DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    DWORD got = 0;
    BOOL ok;
    if (at != nullptr) {
        // A read at an offset moves the position of a synchronous handle: it is put back, so that
        // reads at offsets leave the position alone as pread does.
        LARGE_INTEGER zero{};
        LARGE_INTEGER position{};
        SetFilePointerEx(h, zero, &position, FILE_CURRENT);
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(*at);
        where.OffsetHigh = static_cast<DWORD>(*at >> 32);
        ok = ReadFile(h, dst, want, &got, &where);
        const DWORD error = GetLastError();
        SetFilePointerEx(h, position, nullptr, FILE_BEGIN);
        SetLastError(error);
    } else {
        ok = ReadFile(h, dst, want, &got, nullptr);
    }
    if (!ok) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE)
            return 0;
        return FailWith(error);
    }
    return got;
}

}  // namespace

std::string NativePath(const std::string& storePath) {
    return storePath;
}

std::string ResolveCase(const std::string& nativePath) {
    return nativePath;
}

int OpenExclusive(const std::string& storePath, OpenMode mode, int64_t* size, Names) {
    if (storePath.empty() || storePath.size() > kMaxPath) {
        errno = storePath.empty() ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    std::wstring path;
    if (!Wide(storePath, &path))
        return -1;
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::kExistingRead)
        access = GENERIC_READ;
    else if (mode == OpenMode::kCreateNew)
        disposition = CREATE_NEW;
    else if (mode == OpenMode::kCreateAlways)
        disposition = OPEN_ALWAYS;
    // Others may open the file as they may elsewhere; the lock below keeps out a second
    // exclusive opener.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE && mode == OpenMode::kExistingReadWrite &&
        (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
        access = GENERIC_READ;
        h = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    }
    if (h == INVALID_HANDLE_VALUE)
        return FailWith(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    if (!IsDiskFile(h, &info)) {
        CloseHandle(h);
        errno = EINVAL;
        return -1;
    }
    // A lock on Windows is mandatory for the bytes it covers: this one covers a single byte far
    // past any data, so reads and writes go on as elsewhere while a second exclusive opener,
    // in this process or another, fails as it does against a flock. The handle's close lets go.
    OVERLAPPED lockAt{};
    lockAt.Offset = 0xFFFFFFFE;
    lockAt.OffsetHigh = 0x7FFFFFFF;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &lockAt)) {
        CloseHandle(h);
        errno = EWOULDBLOCK;
        return -1;
    }
    // Emptied only once the lock is held, so a file another opener holds is never emptied.
    if (mode == OpenMode::kCreateAlways && !SetEndOfFile(h)) {
        const int e = ErrnoOf(GetLastError());
        CloseHandle(h);
        errno = e;
        return -1;
    }
    if (size != nullptr) {
        *size = mode == OpenMode::kCreateAlways ? 0 : IdentityFromInfo(info).size;
    }
    return Descriptor(h, access == GENERIC_READ);
}

void CloseFile(int fd) {
    if (fd >= 0)
        _close(fd);
}

bool ListFolder(const std::string& storePath, std::vector<std::string>* names, int* error) {
    names->clear();
    std::wstring pattern;
    if (!Wide(storePath, &pattern)) {
        if (error != nullptr)
            *error = ENOENT;
        return false;
    }
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND)
            return true;  // an empty folder (a drive root has no "." entry)
        if (error != nullptr)
            *error = e == ERROR_DIRECTORY || e == ERROR_INVALID_NAME ? ENOTDIR : ErrnoOf(e);
        return false;
    }
    do {
        if (std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0)
            names->push_back(Narrow(entry.cFileName));
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return true;
}

bool FileExists(const std::string& storePath, Names) {
    std::wstring path;
    if (!Wide(storePath, &path))
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

EntryKind KindOf(const std::string& storePath, int* error, Names) {
    std::wstring path;
    if (!Wide(storePath, &path))
        return EntryKind::kMissing;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const int e = ErrnoOf(GetLastError());
        if (e == ENOENT)
            return EntryKind::kMissing;
        if (error != nullptr)
            *error = e;
        return EntryKind::kUnknown;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kFolder : EntryKind::kFile;
}

bool IdentityOf(const std::string& nativePath, FileIdentity* id) {
    std::wstring path;
    if (nativePath.empty() || !Wide(nativePath, &path))
        return false;
    const HANDLE h =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (ok)
        *id = IdentityFromInfo(info);
    return ok;
}

bool CopyFile(const std::string& fromStorePath, const std::string& toStorePath, bool overwrite,
              Names, int* error) {
    auto fail = [error](int e) {
        if (error != nullptr)
            *error = e;
        return false;
    };
    std::wstring from;
    if (!Wide(fromStorePath, &from))
        return fail(ENOENT);
    const int in = OpenForReading(from);
    if (in < 0)
        return fail(errno);
    BY_HANDLE_FILE_INFORMATION info;
    if (!IsDiskFile(HandleOf(in), &info)) {
        _close(in);
        return fail(EINVAL);
    }
    FileIdentity target;
    if (IdentityOf(toStorePath, &target)) {
        if (target == IdentityFromInfo(info)) {
            _close(in);
            return true;  // the target is the source: copying would only risk it
        }
        if (!overwrite) {
            _close(in);
            return fail(EEXIST);
        }
    }
    ReplacingWriter out;
    if (!out.Begin(toStorePath)) {
        _close(in);
        return fail(out.Error());
    }
    static thread_local char buf[65536];
    for (;;) {
        const int64_t n = ReadSome(in, buf, sizeof buf, nullptr);
        if (n < 0) {
            const int e = errno;
            _close(in);
            return fail(e);
        }
        if (n == 0)
            break;
        if (!out.Write(buf, static_cast<size_t>(n))) {
            _close(in);
            return fail(out.Error());
        }
    }
    _close(in);
    if (!out.Commit(overwrite)) {
        return fail(out.Error());
    }
    return true;
}

bool MakeFolders(const std::string& storePath) {
    std::string native = storePath;
    while (native.size() > 1 && (native.back() == '\\' || native.back() == '/'))
        native.pop_back();
    std::wstring path;
    if (!Wide(native, &path))
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t slash = native.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && !MakeFolders(native.substr(0, slash)))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool RemoveFile(const std::string& storePath, Names) {
    std::wstring path;
    if (!Wide(storePath, &path))
        return true;
    if (DeleteFileW(path.c_str()))
        return true;
    return ErrnoOf(GetLastError()) == ENOENT;
}

bool ReadFully(int fd, char* dst, size_t n) {
    size_t done = 0;
    while (done < n) {
        const int64_t r = ReadSome(fd, dst + done, n - done, nullptr);
        if (r <= 0)
            return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

int64_t ReadAt(int fd, char* dst, size_t n, uint64_t offset) {
    size_t done = 0;
    while (done < n) {
        const uint64_t at = offset + done;
        const int64_t r = ReadSome(fd, dst + done, n - done, &at);
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
}

int64_t ReadOnceAt(int fd, char* dst, size_t n, uint64_t offset) {
    return ReadSome(fd, dst, n, &offset);
}

bool SyncData(int fd) {
    const HANDLE h = HandleOf(fd);
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
}

bool IsOpen(int fd) {
    return HandleOf(fd) != INVALID_HANDLE_VALUE;
}

int64_t FileSize(int fd) {
    LARGE_INTEGER size;
    const HANDLE h = HandleOf(fd);
    if (h == INVALID_HANDLE_VALUE || !GetFileSizeEx(h, &size))
        return -1;
    return size.QuadPart;
}

// A folder "descriptor" is a handle on the folder, which keeps it from being removed or
// renamed while files are opened in it by its path.
int OpenDirectory(const std::string& storePath) {
    if (storePath.empty() || storePath.size() > kMaxPath) {
        errno = storePath.empty() ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    std::wstring path;
    if (!Wide(storePath, &path))
        return -1;
    const HANDLE h = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FailWith(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(h);
        errno = ENOTDIR;
        return -1;
    }
    return Descriptor(h, true);
}

int OpenForReadingIn(int folderFd, const std::string& folderStorePath, const std::string& name) {
    if (folderFd < 0 || name.empty() || folderStorePath.size() + name.size() > kMaxPath) {
        errno = folderFd < 0 ? EBADF : name.empty() ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    std::string full = folderStorePath;
    if (!full.empty() && full.back() != '\\' && full.back() != '/')
        full += '\\';
    std::wstring path;
    if (!Wide(full + name, &path))
        return -1;
    return OpenForReading(path);
}

bool IdentityIn(int folderFd, const std::string& folderStorePath, const std::string& name,
                FileIdentity* id) {
    if (folderFd < 0 || name.empty())
        return false;
    std::string full = NativePath(folderStorePath);
    if (!full.empty() && full.back() != '\\' && full.back() != '/')
        full += '\\';
    return IdentityOf(full + name, id);
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
        const int64_t r = ReadSome(fd, out->data() + done, want, nullptr);
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
    BY_HANDLE_FILE_INFORMATION info;
    return IsDiskFile(HandleOf(fd), &info) &&
           static_cast<uint64_t>(IdentityFromInfo(info).size) < limit;
}

// ---- Whole-or-nothing replacement ----

namespace {

// The new files of unfinished writers, for the console's ending events to delete: a fixed
// table, filled without allocation. State 0 is a free entry, 1 one being filled, 2 one that
// names a file.
constexpr int kPendingEntries = 16;
constexpr size_t kPendingPath = 1024;
std::atomic<int> g_pendingState[kPendingEntries];
wchar_t g_pendingPath[kPendingEntries][kPendingPath];

int AddPending(const std::wstring& path) {
    if (path.size() >= kPendingPath)
        return -1;
    for (int i = 0; i < kPendingEntries; ++i) {
        int expected = 0;
        if (g_pendingState[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(g_pendingPath[i], path.c_str(), (path.size() + 1) * sizeof(wchar_t));
            g_pendingState[i].store(2);
            return i;
        }
    }
    return -1;
}

BOOL WINAPI RemovePendingOnEnd(DWORD) {
    for (int i = 0; i < kPendingEntries; ++i) {
        if (g_pendingState[i].load() == 2)
            DeleteFileW(g_pendingPath[i]);
    }
    return FALSE;  // the process ends as it would have
}

std::wstring WidePath(const std::string& path) {
    std::wstring wide;
    Wide(path, &wide);
    return wide;
}

// An absolute spelling of a path, for comparing paths of files that do not exist yet.
std::wstring AbsoluteSpelling(const std::string& path) {
    const std::wstring wide = WidePath(path);
    wchar_t full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH * 2, full, nullptr);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : wide;
}

}  // namespace

bool SameFile(const std::string& nativeA, const std::string& nativeB) {
    FileIdentity a;
    FileIdentity b;
    const bool hasA = IdentityOf(nativeA, &a);
    const bool hasB = IdentityOf(nativeB, &b);
    if (hasA || hasB)
        return hasA && hasB && a == b;
    return CompareStringOrdinal(AbsoluteSpelling(nativeA).c_str(), -1,
                                AbsoluteSpelling(nativeB).c_str(), -1, TRUE) == CSTR_EQUAL;
}

void RemoveNewFilesOnSignals() {
    SetConsoleCtrlHandler(RemovePendingOnEnd, TRUE);
}

void HoldEndingSignals() {
    // The console's ending events run on a thread of their own: nothing to hold back.
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
    const size_t slash = target_.find_last_of("\\/");
    const std::string folder =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (name.empty()) {
        error_ = EISDIR;
        return false;
    }
    static std::atomic<uint64_t> drawn{0};
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // splitmix64 of the time, the process and a count; CREATE_NEW settles the rest. The
        // file system is case-blind, but names that differ only in case are still drawn rarely.
        uint64_t x = GetTickCount64() ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                     (drawn.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        x ^= x >> 31;
        std::string candidate = folder + "." + name + ".";
        for (int i = 0; i < 6; ++i, x /= 62)
            candidate += kLetters[x % 62];
        std::wstring path;
        if (!Wide(candidate, &path)) {
            error_ = errno;
            return false;
        }
        const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            error_ = ErrnoOf(GetLastError());
            return false;
        }
        pending_ = AddPending(path);
        fd_ = Descriptor(h, false);
        if (fd_ < 0) {
            DeleteFileW(path.c_str());
            Forget();
            error_ = EMFILE;
            return false;
        }
        temp_ = candidate;
        return true;
    }
    error_ = EEXIST;
    return false;
}

bool WriteFully(int fd, const char* data, size_t n) {
    const HANDLE h = HandleOf(fd);
    for (size_t done = 0; done < n;) {
        const DWORD want = n - done > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n - done);
        DWORD wrote = 0;
        if (!WriteFile(h, data + done, want, &wrote, nullptr)) {
            errno = ErrnoOf(GetLastError());
            return false;
        }
        if (wrote == 0) {
            errno = EIO;
            return false;
        }
        done += wrote;
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
    if (ok && durable_ && !SyncData(fd_)) {
        error_ = ErrnoOf(GetLastError());
        ok = false;
    }
    _close(fd_);
    fd_ = -1;
    const std::wstring temp = WidePath(temp_);
    const std::wstring target = WidePath(target_);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error_ = EISDIR;  // a file never takes a folder's place
        ok = false;
    } else if (ok && overwrite) {
        // ReplaceFileW keeps the replaced file's attributes and permissions, as the new file
        // takes the mode of the one it replaces elsewhere; a target that does not exist (yet)
        // is made by the move.
        if (!ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                          nullptr, nullptr) &&
            !MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error_ = ErrnoOf(GetLastError());
            ok = false;
        }
    } else if (ok) {
        // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing target, so a file
        // that appeared meanwhile is kept.
        if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            error_ = ErrnoOf(GetLastError());
            ok = false;
        }
    }
    if (!ok)
        DeleteFileW(temp.c_str());
    Forget();
    temp_.clear();
    return ok;
}

void ReplacingWriter::Abandon() {
    if (fd_ >= 0) {
        _close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        DeleteFileW(WidePath(temp_).c_str());
        temp_.clear();
    }
    Forget();
    buffer_.clear();
}

}  // namespace storefs
