// Reading the record lines a time query wants from one partition folder: its index, read whole,
// the selection of records on the interval grid, and the reads of its blocks, planned from the
// index so that lines wanted close to each other come in one pread. Lines stay in their stored
// (inverted) form. One FolderReader serves one thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "batch_read.h"
#include "block_window.h"
#include "read_problem.h"
#include "time_folder.h"

namespace query {

// Reading the bytes between two wanted lines costs less than another system call up to about
// this distance.
constexpr uint64_t kMergeGap = 16 * 1024;
// The same for reads submitted together on a ring, where a read costs far less than a system
// call: lines a few KiB apart are then cheaper read one by one.
constexpr uint64_t kRingMergeGap = 2 * 1024;
// A planned read covers at most this much: with the folder index and the listing of a folder
// being walked, a query then holds less than one block and one index.
constexpr uint64_t kLargestWindow = 96 * 1024;
// Bytes planned for a line whose end the index does not tell (the last entry of a block).
constexpr uint64_t kLineGuess = 512;

// True when the seconds of the entries never decrease, as the recorder writes them.
bool InTimeOrder(const unsigned char* entries, uint32_t count);

// The records a folder delivers: from the first entry found, every entry within [from, to], and
// with an interval only the first at or after each grid step.
struct Selection {
    const unsigned char* entries;
    uint32_t count;
    uint32_t next;
    uint64_t from;
    uint64_t to;
    uint32_t interval;
    bool inTimeOrder;      // entries below from can then be passed over by a binary search
    uint64_t advance = 0;  // seconds the grid moved on in this folder

    // The next selected entry; false when the folder has no more.
    bool Next(uint32_t* i);
    // The first entry from `at` on whose seconds are at least from (count when none).
    uint32_t FirstFrom(uint32_t at) const;
};

// An entry whose line a query wants, kept without its index: where the line is (IndexEntry's
// word 1) and where it is expected to end.
struct WantedLine {
    uint32_t word1;
    uint32_t end;
};

// The stored lines of a folder's wanted entries, read ahead of their delivery.
struct ReadAhead {
    std::string lines;     // each line followed by the stored "\n" (a line never holds one)
    uint32_t count = 0;    // lines read
    int firstBlock = -1;   // block of the first line read
    uint32_t unended = 0;  // lines left out: they end their block without a "\n"
};

// A folder whose wanted lines are read together with those of other folders.
struct WantedFolder {
    const std::string* folderPath;
    const std::string* base;
    const std::vector<WantedLine>* wanted;
    ReadAhead* out;
};

// A folder's index, read whole and un-inverted, and where its files are.
struct FolderIndex {
    std::string folderPath;  // store path of the folder holding the files, ending in "\"
    std::string base;        // the folder's name there ("17" for 17.idx and 17(0).csv)
    std::vector<char> bytes;
    uint32_t count = 0;

    const unsigned char* Entries() const {
        return reinterpret_cast<const unsigned char*>(bytes.data());
    }
};

// Where the line of entry i ends, as far as the index tells: at the next entry's line when that
// follows in the block, else kLineGuess further.
uint64_t LineEnd(const FolderIndex& index, uint32_t i);

class FolderReader {
  public:
    FolderReader() = default;
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Reads the index of the folder with nested stem under root into *index. False when the
    // folder has no readable index of at least one whole entry; an index that exists but cannot
    // be read, is empty or is not a whole number of entries is noted in Problem().
    bool ReadIndex(const std::string& root, const std::string& stem, FolderIndex* index);
    // Reads only entries [first, first + count) of the index into *index, as entries 0 to
    // count - 1 (their lines are found as the whole index finds them). False, noting nothing,
    // when the index cannot be opened or holds fewer entries: read the whole index instead.
    bool ReadIndexPart(const std::string& root, const std::string& stem, uint32_t first,
                       uint32_t count, FolderIndex* index);

    // Starts on the lines of a folder whose index was read; entries [everyFrom, everyTo) are
    // all wanted when that range is not empty (reads are then planned without a look ahead).
    void Begin(const FolderIndex* index, uint32_t everyFrom, uint32_t everyTo);
    // Closes the folder's block.
    void End();

    // Reads the lines of the wanted entries of the folder named by folderPath and base, in
    // their order, into *out. Lines that cannot be read are left out, and so are lines that end
    // their block without a "\n" (counted in out->unended).
    void ReadWanted(const std::string& folderPath, const std::string& base,
                    const std::vector<WantedLine>& wanted, ReadAhead* out);

    // ReadWanted for several folders at once: their blocks are opened first, then the planned
    // reads of all of them go to reads together (one submission on a ring); a line that runs
    // past its planned read is read on as ReadWanted reads it. The lines are the same bytes
    // ReadWanted gives.
    void ReadWantedTogether(const std::vector<WantedFolder>& folders, BatchRead* reads);

    // Finds the line of entry i, opening its block and reading a planned window when needed;
    // ahead gives the selected entries after i. Before the window is replaced, beforeMove() is
    // called, so the caller can hand on what it still holds of it. On success the line is at
    // Window().Data() + (*at - Window().Start()), as BlockWindow::LineAt gives it.
    template <class Ahead, class BeforeMove>
    bool Take(uint32_t i, const Ahead& ahead, uint64_t keepFrom, BeforeMove beforeMove,
              uint64_t* at, uint32_t* length, bool* ended) {
        const IndexEntry e = EntryAt(index_->Entries(), i);
        if (static_cast<int>(e.Block()) != block_) {
            beforeMove();
            OpenBlock(e.Block());
        }
        const uint64_t offset = e.Offset();
        if (!window_.Covers(offset)) {
            beforeMove();
            keepFrom = offset;
            window_.Load(offset, PlanEnd(i, ahead));
        }
        return window_.LineAt(offset, std::min(keepFrom, offset), at, length, ended);
    }

    BlockWindow& Window() { return window_; }
    int Block() const { return block_; }

    // The indexes and blocks this reader needed and could not read: a block that is missing, no
    // regular file or cannot be opened, and what ReadIndex notes.
    const ReadProblem& Problem() const { return problem_; }

    // The first two lines of block n of a folder, in stored form, by the rules of
    // TextBuffer::NextLine; empty when the block has fewer lines or cannot be read.
    void HeaderLines(const std::string& folderPath, const std::string& base, uint32_t n,
                     std::string* first, std::string* second);

  private:
    bool UseFolder(const std::string& folderPath);
    int OpenBlockFile(uint32_t n);
    void OpenBlock(uint32_t n);
    uint64_t PlanEveryEnd(uint32_t i) const;

    // The end of one read from entry i's line that also takes the selected lines after it that
    // lie close by in the same block.
    template <class Ahead>
    uint64_t PlanEnd(uint32_t i, Ahead ahead) const {
        if (i >= everyFrom_ && i < everyTo_)
            return PlanEveryEnd(i);
        const IndexEntry e = EntryAt(index_->Entries(), i);
        const uint64_t start = e.Offset();
        uint64_t end = LineEnd(*index_, i);
        uint32_t j = 0;
        while (ahead.Next(&j)) {
            const IndexEntry f = EntryAt(index_->Entries(), j);
            const uint64_t fEnd = LineEnd(*index_, j);
            if (f.Block() != e.Block() || f.Offset() < start || f.Offset() > end + kMergeGap ||
                fEnd - start > kLargestWindow) {
                break;
            }
            end = std::max(end, fEnd);
        }
        return end;
    }

    std::string folderPath_;  // the folder whose descriptor is kept
    int folderFd_ = -1;
    std::string base_;  // the folder's name in its parent
    const FolderIndex* index_ = nullptr;
    uint32_t everyFrom_ = 0;
    uint32_t everyTo_ = 0;
    int blockFd_ = -1;
    int block_ = -1;
    BlockWindow window_;
    ReadProblem problem_;
};

}  // namespace query
