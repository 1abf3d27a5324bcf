// A text file of the store, held whole in memory while open and written back by appending.
// On disk every byte is inverted; in memory the text is plain.
#pragma once

#include <string>

#include "file_system.h"
#include "text_buffer.h"

class LogTextFile {
  public:
    LogTextFile() = default;
    ~LogTextFile() { Close(); }
    LogTextFile(const LogTextFile&) = delete;
    LogTextFile& operator=(const LogTextFile&) = delete;

    const std::string& Path() const { return path_; }
    bool IsOpen() const { return fd_ >= 0; }

    // Opens path (or, when path is null, the stored path) exclusively for reading and writing and
    // reads the whole file, un-inverting it. An open file is flushed and closed first. A missing
    // file is created unless openOnly is set. When both header lines are given and the content is
    // empty, the buffer receives firstHeader "\n" "Time," secondHeader "\n" (not yet on disk).
    // A read error leaves the file open with empty content. False when no handle could be had
    // or the path is empty or 260 bytes or longer.
    bool Open(const char* path, bool openOnly, const char* firstHeader = nullptr,
              const char* secondHeader = nullptr);

    // Closes any open file (flushing it, as Close) and opens path for reading only, reading it
    // without inversion. Never creates a file.
    bool OpenPlainForReading(const char* path);

    // Writes the content from Flushed() to Length(), inverted (Flush) or as it is (FlushPlain),
    // then syncs the file to the device. False when no file is open, nothing is unflushed or a
    // write fails; Flushed() advances only on success.
    bool Flush();
    bool FlushPlain();

    // Flushes (inverted) and closes the handle, then empties the buffer. Always true.
    bool Close();

    // Closes the handle without flushing, deletes the file at Path() when there is one, empties
    // the path and the buffer. Always true.
    bool CloseAndDelete();

    TextBuffer& Buffer() { return buffer_; }
    const TextBuffer& Buffer() const { return buffer_; }

    // How the path's components are matched (default: without regard to case, as store names
    // are). Files the user chose are opened with Names::kExact.
    void SetNames(storefs::Names names) { names_ = names; }

    // Whether the opens read the text in one pass that also finds its line ends, which the buffer
    // then keeps (TextBuffer::KnownLineEnds). Off by default.
    void SetFindLineEnds(bool find) { findLineEnds_ = find; }

    // Whether Flush waits for the device (default true). Writers of throw-away data turn it off.
    void SetDeviceSync(bool sync) { deviceSync_ = sync; }

  private:
    bool FlushTail(bool invert);
    bool ReadContent(bool invert);
    void CloseHandle();

    int fd_ = -1;
    std::string path_;
    TextBuffer buffer_;
    bool deviceSync_ = true;
    bool findLineEnds_ = false;
    storefs::Names names_ = storefs::Names::kCaseBlind;
};
