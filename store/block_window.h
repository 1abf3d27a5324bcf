// A window on one block file in its stored form (every byte still inverted), from which a query
// takes record lines without inverting them: the line end it looks for is the stored "\n".
//
// The caller plans which byte range to read (Load, one pread) so that lines wanted close to each
// other come in one system call; a line that runs past the window is read on in growing pieces.
// The file's end is learnt from short reads, so a file that shrank after its index was read
// simply ends early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// "\n" as a store file holds it.
constexpr char kStoredNewline = static_cast<char>(~'\n' & 0xFF);

class BlockWindow {
  public:
    // Starts on another file; fd is borrowed (-1: every read fails). Forgets the old window but
    // keeps its memory.
    void Attach(int fd);

    // Reads [start, end) of the file into the window, replacing what it held. A short read marks
    // the end of the file. False when nothing could be read there.
    bool Load(uint64_t start, uint64_t end);

    // True when the line at offset can be looked for without a new Load: the offset lies in the
    // window, or at or past the known end of the file (where LineAt fails at once).
    bool Covers(uint64_t offset) const;

    // The line at offset, by the rules of TextBuffer::NextLine: leading "\n" are skipped, the line
    // ends before the next "\n" or at the end of the file. When the line runs past the window,
    // the window reads on, dropping text before min(keepFrom, line start) only. On success
    // *lineStart is the line's file offset, *length its length (at least 1) and *ended whether a
    // "\n" follows it; without one the line ends the file and Data() has a spare byte after it.
    // False when the offset lies outside the window (REQUIRES Covers), at or past the end of the
    // file, or the file turns out to be no regular file below 4 GiB.
    bool LineAt(uint64_t offset, uint64_t keepFrom, uint64_t* lineStart, uint32_t* length,
                bool* ended) {
        // Most lines start at their offset and end inside the window.
        if (offset >= start_ && offset < start_ + length_) {
            const char* line = buffer_.data() + (offset - start_);
            const size_t left = static_cast<size_t>(start_ + length_ - offset);
            const void* nl =
                *line != kStoredNewline ? std::memchr(line, kStoredNewline, left) : nullptr;
            if (nl != nullptr) {
                *lineStart = offset;
                *length = static_cast<uint32_t>(static_cast<const char*>(nl) - line);
                *ended = true;
                return true;
            }
        }
        return FindLine(offset, keepFrom, lineStart, length, ended);
    }

    // Stored bytes of [Start(), Start() + Length()), followed by one spare byte.
    char* Data() { return buffer_.data(); }
    uint64_t Start() const { return start_; }
    uint32_t Length() const { return length_; }

  private:
    bool FindLine(uint64_t offset, uint64_t keepFrom, uint64_t* lineStart, uint32_t* length,
                  bool* ended);
    bool ReadOn(uint64_t keepFrom, uint64_t lineStart);
    // Makes room for bytes plus the spare byte, keeping the window's text when keep is set.
    void Reserve(size_t bytes, bool keep);

    int fd_ = -1;
    std::vector<char> buffer_;
    uint64_t start_ = 0;
    uint32_t length_ = 0;
    uint64_t end_ = UINT64_MAX;  // end of the file once a read came short
    bool checkedRegular_ = false;
};
