// The store's only door to the file system, one implementation per system. Store paths use "\"
// as their separator, as the recorder writes them; each "\" becomes the platform separator here.
// Components are matched without regard to ASCII case, because the recorder writes "1A" where a
// reader asks for "1a": by the file system itself where it is case-blind (Windows), by looking
// through the folder where it is not. Descriptors are the C runtime's on both systems. On Windows
// a path's bytes are in the panel's code page (GB18030) and reach the system as wide characters,
// so a name in that code page names the same file on both systems.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace storefs {

// Longest path the store accepts, in bytes, not counting the terminator.
constexpr size_t kMaxPath = 259;

// The store path with every "\" turned into "/".
std::string NativePath(const std::string& storePath);

// How a path is read. Names inside a store's data and staging folders are store paths: each "\"
// is a separator and components are matched without regard to ASCII case (a panel's files come
// from a case-blind system). A path that a user chose is native and taken exactly as given: a
// "\" in it is a character of a file name, as the platform has it.
enum class Names { kCaseBlind, kExact };

// The native path of a path read as names says: NativePath for store paths, the path itself for
// exact ones.
std::string NativePathOf(const std::string& path, Names names);

// The native path with each component that does not exist as spelt replaced by an existing
// entry of the same name in another ASCII case. Components that match nothing stay as given,
// so the result can also name a file that is about to be created.
std::string ResolveCase(const std::string& nativePath);

enum class OpenMode {
    kExistingReadWrite,  // open an existing file for reading and writing
    kExistingRead,       // open an existing file for reading only
    kCreateNew,          // create a file; fails when one exists
    kCreateAlways,       // create or truncate a file
};

// Opens a store path exclusively: the descriptor carries a non-blocking exclusive flock (on
// Windows an exclusive LockFileEx that acts the same), so a second opener in this or another
// process fails while it is held. kExistingReadWrite falls back
// to read-only access when the file or its medium is not writable (a store copied from read-only
// media stays readable; writes through such a descriptor fail). Returns -1 on failure.
// When size is given it receives the file's size at the open.
int OpenExclusive(const std::string& storePath, OpenMode mode, int64_t* size = nullptr,
                  Names names = Names::kCaseBlind);

// Closes a descriptor from OpenExclusive (the lock goes with it). Accepts -1.
void CloseFile(int fd);

// Names in a store folder, without "." and "..", in the order the system returns them.
// False when the folder cannot be opened; *error (when given) then receives the errno.
bool ListFolder(const std::string& storePath, std::vector<std::string>* names,
                int* error = nullptr);

// True when the store path names an existing regular file.
bool FileExists(const std::string& storePath, Names names = Names::kCaseBlind);

// What a path names, links followed. kUnknown when that cannot be told; *error (when given)
// then receives the errno (such as EACCES for a folder on the way).
enum class EntryKind { kMissing, kFile, kFolder, kOther, kUnknown };
EntryKind KindOf(const std::string& storePath, int* error = nullptr,
                 Names names = Names::kCaseBlind);

// Identity of a file on its device: two paths name one file exactly when their identities are
// equal, whatever links or spellings lead to it.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    int64_t modifiedNs = 0;  // last change of the content, in ns since the epoch
    bool operator==(const FileIdentity& o) const { return device == o.device && inode == o.inode; }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
    // Same file with the same size and modification time as when `before` was taken.
    bool Unchanged(const FileIdentity& before) const {
        return *this == before && size == before.size && modifiedNs == before.modifiedNs;
    }
};

// Identity of the file a native path leads to (links followed). False when nothing is there.
bool IdentityOf(const std::string& nativePath, FileIdentity* id);

// True when two native paths lead to one file: by identity when both exist, otherwise by their
// absolute spellings with the links of their folders resolved (a file yet to be written).
bool SameFile(const std::string& nativeA, const std::string& nativeB);

// Copies a file byte for byte. With overwrite false the copy fails when the target exists.
// The copy is written to a new file beside the target and renamed into place once complete, so
// a failed copy leaves the old target whole and no partial file behind. A target that is the
// source itself (by identity: a link, another spelling) is left untouched and counts as copied.
// On failure *error (when given) receives the errno of the step that failed.
bool CopyFile(const std::string& fromStorePath, const std::string& toStorePath, bool overwrite,
              Names names = Names::kCaseBlind, int* error = nullptr);

// Writes a new file in place of a native path, all or nothing: the bytes go to a new file in the
// target's folder, which replaces the target (or the file a link at the target leads to) only
// on Commit, after the data reached the device. Without Commit the target stays as it was.
class ReplacingWriter {
  public:
    ReplacingWriter() = default;
    ~ReplacingWriter() { Abandon(); }
    ReplacingWriter(const ReplacingWriter&) = delete;
    ReplacingWriter& operator=(const ReplacingWriter&) = delete;

    // Creates the new file beside target. False, with Error() set, when it cannot be created.
    bool Begin(const std::string& nativeTarget);
    // Appends bytes. False once any write has failed.
    bool Write(const char* data, size_t n);
    // With durable false, Commit puts the new file in place without waiting for its data to
    // reach the device: for files that are checked when read and made again when they do not
    // check out, which a crash may leave empty or torn. Durable by default.
    void SetDurable(bool durable) { durable_ = durable; }
    // Puts the new file in place of the target. With overwrite false an existing target is kept
    // and the commit fails with EEXIST. False, with Error() set, on any failure.
    bool Commit(bool overwrite = true);
    // Deletes the new file; the target is untouched.
    void Abandon();
    // errno of the first failure, 0 when none.
    int Error() const { return error_; }

  private:
    bool FlushBuffer();
    void Forget();

    int fd_ = -1;
    int pending_ = -1;  // the new file's entry among those a signal removes
    int error_ = 0;
    bool durable_ = true;
    std::string target_;
    std::string temp_;
    std::string buffer_;
};

// From the call on, SIGINT, SIGTERM and SIGHUP delete the new file of every ReplacingWriter not
// yet committed, then end the process as the signal would have. Signals the process ignores
// stay ignored. For programs a user may interrupt while they write.
void RemoveNewFilesOnSignals();

// Keeps SIGINT, SIGTERM and SIGHUP away from the calling thread, for threads that only compute or
// read: the signals then reach a thread that writes, which holds them back while it makes a new
// file and registers it for removal, so that none is left behind.
void HoldEndingSignals();

// Creates the folder and any missing parents. True when the folder exists afterwards.
bool MakeFolders(const std::string& storePath);

// Deletes a file. True when it is gone.
bool RemoveFile(const std::string& storePath, Names names = Names::kCaseBlind);

// True when the two NUL-terminated names are equal without regard to ASCII case.
bool EqualsIgnoreAsciiCase(const char* a, const char* b);

// Inverts n bytes (one's complement of each) from src into dst; src and dst may be the same.
void InvertBytes(char* dst, const char* src, size_t n);

}  // namespace storefs

namespace storefs {

// Reads exactly n bytes from the current position, repeating short reads. False on an error or
// when the file ends first.
bool ReadFully(int fd, char* dst, size_t n);

// Writes n bytes at the file's position; false with errno set when they cannot all be written.
bool WriteFully(int fd, const char* data, size_t n);

// Reads up to n bytes at offset; returns the count read (short only at the end of the file), or
// -1 on an error.
int64_t ReadAt(int fd, char* dst, size_t n, uint64_t offset);

// One read of up to n bytes at offset, as pread makes it: the count read, short at the end of the
// file (or wherever the system stops), or -1 on an error. The file's position is not used.
int64_t ReadOnceAt(int fd, char* dst, size_t n, uint64_t offset);

// Writes the file's data through to the device. False on an error.
bool SyncData(int fd);

// True when fd is an open descriptor.
bool IsOpen(int fd);

// Size of an open file, or -1.
int64_t FileSize(int fd);

}  // namespace storefs

namespace storefs {

// ---- Reading many files of one folder ----
//
// A query opens thousands of index and block files. These calls open them by name relative to
// a folder descriptor kept open, for reading only and without the advisory lock: the viewer never
// writes index or block files and no recorder runs beside it, so the lock would guard nothing.

// Opens a store folder for opening files relative to it. -1 on failure, with errno set.
int OpenDirectory(const std::string& storePath);

// Opens the file `name` of the open folder folderFd (folderStorePath names the same folder) for
// reading only, without a lock and without looking at the kind of file (reads of a folder or
// FIFO fail later). A name that does not exist as spelt is looked up without regard to ASCII
// case. -1 on failure, with errno set (ENOENT when no name matches).
int OpenForReadingIn(int folderFd, const std::string& folderStorePath, const std::string& name);
// Identity of the file `name` of the open folder folderFd (folderStorePath names the same
// folder), as spelt (links followed): the name is looked up in that folder alone. False when
// nothing is there by that spelling.
bool IdentityIn(int folderFd, const std::string& folderStorePath, const std::string& name,
                FileIdentity* id);

// Reads from the current position to the end of the file into out, which is resized to the
// bytes read; its capacity is kept and grown, so a buffer reused for files of similar size reads
// each with one read(). A short read is taken as the end of the file. Past checkAfter bytes the
// file must be a regular file (a device would never end). False on an error.
bool ReadToEnd(int fd, std::vector<char>* out, size_t checkAfter);

// True when the descriptor is a regular file smaller than limit bytes.
bool IsRegularFileBelow(int fd, uint64_t limit);

}  // namespace storefs
