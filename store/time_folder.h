// One time-partition folder of a group: its index of 8-byte entries and its block files.
//
// The index holds one entry per record, in append order (seconds never decrease, block numbers
// never decrease). Block files hold two header lines and then one record line per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "calendar_time.h"
#include "log_array_file.h"
#include "text_buffer.h"
#include "time_key.h"

// One index entry, un-inverted: two little-endian 32-bit words.
struct IndexEntry {
    uint32_t word0 = 0;  // seconds from the folder start << 4; low 4 bits 0
    uint32_t word1 = 0;  // byte offset of the line in its block << 8 | block number

    uint32_t Seconds() const { return word0 >> 4; }
    uint32_t Offset() const { return word1 >> 8; }
    uint32_t Block() const { return word1 & 0xFF; }

    static IndexEntry Make(uint32_t seconds, uint32_t offset, uint32_t block) {
        return IndexEntry{seconds << 4, offset << 8 | (block & 0xFF)};
    }
};

// Largest seconds value an entry can hold.
constexpr uint32_t kMaxEntrySeconds = 0x0FFFFFFF;
// SecondsFromStart of a time before the folder start.
constexpr uint32_t kSecondsBefore = 0xFFFFFFFF;
// FindFirst's "none".
constexpr int64_t kNoEntry = -1;

// Entry i of an index held as plain bytes, 8 an entry. REQUIRES: i < the entry count.
inline IndexEntry EntryAt(const unsigned char* entries, uint32_t i) {
    const unsigned char* p = entries + size_t{i} * 8;
    const auto word = [](const unsigned char* b) {
        return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
               static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    };
    return IndexEntry{word(p), word(p + 4)};
}

// TimeFolder::FindFirst over an index held as plain bytes.
int64_t FindFirstEntry(const unsigned char* entries, uint32_t count, uint32_t from, uint32_t to);

// Reads record lines from one block file without loading the whole file: it keeps a window of
// the block's plain text and reads forward in growing pieces while lines follow each other, and
// only the bytes of a line when the reader jumps. Memory stays below one block.
class BlockReader {
  public:
    BlockReader() = default;
    ~BlockReader() { Close(); }
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // Opens a block file exclusively for reading. False when it cannot be opened or is 4 GiB or
    // larger (no recorder writes such a block).
    bool Open(const std::string& storePath, int block);
    void Close();
    // Block number of the open file, or -1.
    int LoadedBlock() const { return block_; }

    // The line at offset, like TextBuffer::NextLine: leading "\n" are skipped, the line ends
    // before the next "\n" or at the end of the file. lengthHint is the expected line length
    // (with its "\n"), or 0. False when the offset lies at or past the end of the text or a read
    // fails. The returned text stays valid until the next call.
    bool LineAt(uint64_t offset, uint32_t lengthHint, const char** line, uint32_t* length);

    // The first two lines of the block (its header lines); a block with fewer lines gives what
    // it has. False when not even one line could be read.
    bool HeaderLines(std::string* first, std::string* second);

  private:
    bool Extend(uint32_t want);

    int fd_ = -1;
    int block_ = -1;
    uint64_t size_ = 0;
    std::vector<char> window_;  // plain text of [windowOffset_, windowOffset_ + windowLength_)
    uint64_t windowOffset_ = 0;
    uint32_t windowLength_ = 0;
    uint32_t nextChunk_ = 0;
};

class TimeFolder {
  public:
    // dataFolder ends in "\"; every name of the folder is formed under it.
    explicit TimeFolder(std::string dataFolder) : root_(std::move(dataFolder)), index_(8) {}

    // Opens an existing folder given its nested stem with the group id ("1a\2011\05\17", any
    // case, a trailing ".idx" allowed). Refused when a folder is already open, the stem does not
    // parse, the id is 0, or the index is missing, empty or not a whole number of entries.
    bool OpenFolder(const char* stem);
    void CloseFolder();
    bool IsOpen() const { return index_.IsOpen(); }

    uint32_t GroupId() const { return id_; }
    const TimeKey& Key() const { return key_; }
    // Block number of the last entry + 1; 0 when no index is open.
    uint32_t BlockCount() const;
    uint32_t EntryCount() const { return index_.Elements().Count(); }
    // Entry i; REQUIRES: i < EntryCount().
    IndexEntry Entry(uint32_t i) const;

    // The first entry whose seconds are at least from, provided they are at most to; kNoEntry
    // otherwise (also when no index is open).
    int64_t FindFirst(uint32_t from, uint32_t to) const;

    // The record line of entry i, read through scratch (which is re-opened on the entry's block
    // when it holds another one). False when the block cannot be opened or the offset lies past
    // its text.
    bool LineAt(uint32_t i, BlockReader* scratch, const char** line, uint32_t* length) const;

    // The whole plain text of block n, header lines included. True when it is non-empty.
    bool ReadBlock(uint32_t n, TextBuffer* out) const;

    // Whole seconds from the folder start to t (truncated), kSecondsBefore when t is earlier or
    // not a valid time; times too far ahead give kSecondsBefore - 1.
    uint32_t SecondsFromStart(const CalendarTime& t) const;

    // Store path of block n of this folder.
    std::string BlockPath(uint32_t n) const;

  private:
    std::string root_;
    std::string stem_;  // nested form, lower case
    LogArrayFile index_;
    uint32_t id_ = 0;
    TimeKey key_;
    uint32_t currentBlock_ = 0;
};
