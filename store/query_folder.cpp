#include "query_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_system.h"

namespace query {

namespace {

// An index is read whole; past this size it must prove to be a regular file.
constexpr size_t kIndexCheckAfter = size_t{64} << 20;

}  // namespace

bool InTimeOrder(const unsigned char* entries, uint32_t count) {
    // Without an early exit, so that the compiler can compare many entries at once.
    uint32_t previous = 0;
    uint32_t descents = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t seconds = EntryAt(entries, i).Seconds();
        descents |= seconds < previous;
        previous = seconds;
    }
    return descents == 0;
}

bool Selection::Next(uint32_t* i) {
    while (from <= to && next < count) {
        const uint64_t e = EntryAt(entries, next).Seconds();
        if (e > to) {
            next = count;
            return false;
        }
        if (e < from) {
            ++next;
            if (inTimeOrder)
                next = FirstFrom(next);
            continue;
        }
        if (interval != 0) {
            advance += e + interval - from;
            from = e + interval;
        }
        *i = next++;
        return true;
    }
    return false;
}

uint32_t Selection::FirstFrom(uint32_t at) const {
    uint32_t lo = at;
    uint32_t hi = count;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (EntryAt(entries, mid).Seconds() < from) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

FolderReader::~FolderReader() {
    End();
    storefs::CloseFile(folderFd_);
}

bool FolderReader::UseFolder(const std::string& folderPath) {
    if (folderPath != folderPath_) {
        storefs::CloseFile(folderFd_);
        folderPath_ = folderPath;
        folderFd_ = storefs::OpenDirectory(folderPath_);
        // A folder that is gone holds nothing; one that is there and cannot be opened is noted.
        if (folderFd_ < 0 && errno != ENOENT)
            problem_.Note(ReadProblem::Kind::kCannotOpen, folderPath_, errno);
    }
    return folderFd_ >= 0;
}

bool FolderReader::ReadIndex(const std::string& root, const std::string& stem, FolderIndex* index) {
    const size_t cut = stem.rfind('\\') + 1;  // 0 when the stem has no "\"
    index->folderPath = root + stem.substr(0, cut);
    index->base = stem.substr(cut);
    index->count = 0;
    const std::string path = index->folderPath + index->base + ".idx";
    if (!UseFolder(index->folderPath)) {
        return false;
    }
    const int fd = storefs::OpenForReadingIn(folderFd_, folderPath_, index->base + ".idx");
    if (fd < 0) {
        // A folder without an index holds no records; one that cannot be opened is noted.
        if (errno != ENOENT)
            problem_.Note(ReadProblem::Kind::kCannotOpen, path, errno);
        return false;
    }
    if (!storefs::IsRegularFileBelow(fd, UINT64_MAX)) {
        storefs::CloseFile(fd);
        problem_.Note(ReadProblem::Kind::kNotAFile, path);
        return false;
    }
    const bool read = storefs::ReadToEnd(fd, &index->bytes, kIndexCheckAfter);
    const int error = errno;
    storefs::CloseFile(fd);
    const size_t size = index->bytes.size();
    if (!read) {
        problem_.Note(ReadProblem::Kind::kCannotRead, path, error);
        return false;
    }
    if (size == 0) {
        problem_.Note(ReadProblem::Kind::kEmptyIndex, path);
        return false;
    }
    if (size % 8 != 0) {
        problem_.Note(ReadProblem::Kind::kPartialIndex, path, 0, size);
        return false;
    }
    if (size / 8 > UINT32_MAX) {
        return false;
    }
    storefs::InvertBytes(index->bytes.data(), index->bytes.data(), size);
    index->count = static_cast<uint32_t>(size / 8);
    return true;
}

bool FolderReader::ReadIndexPart(const std::string& root, const std::string& stem, uint32_t first,
                                 uint32_t count, FolderIndex* index) {
    const size_t cut = stem.rfind('\\') + 1;
    index->folderPath = root + stem.substr(0, cut);
    index->base = stem.substr(cut);
    index->count = 0;
    if (count == 0 || !UseFolder(index->folderPath))
        return false;
    const int fd = storefs::OpenForReadingIn(folderFd_, folderPath_, index->base + ".idx");
    if (fd < 0)
        return false;
    const size_t size = size_t{count} * 8;
    index->bytes.resize(size);
    const bool read = storefs::IsRegularFileBelow(fd, UINT64_MAX) &&
                      storefs::ReadAt(fd, index->bytes.data(), size, uint64_t{first} * 8) ==
                          static_cast<int64_t>(size);
    storefs::CloseFile(fd);
    if (!read)
        return false;
    storefs::InvertBytes(index->bytes.data(), index->bytes.data(), size);
    index->count = count;
    return true;
}

void FolderReader::Begin(const FolderIndex* index, uint32_t everyFrom, uint32_t everyTo) {
    End();
    index_ = index;
    base_ = index->base;
    everyFrom_ = everyFrom;
    everyTo_ = everyTo;
    UseFolder(index->folderPath);
}

void FolderReader::End() {
    storefs::CloseFile(blockFd_);
    blockFd_ = -1;
    block_ = -1;
    window_.Attach(-1);
}

int FolderReader::OpenBlockFile(uint32_t n) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "(%X).csv", n & 0xFF);
    if (folderFd_ < 0) {
        return -1;  // UseFolder noted why
    }
    const int fd = storefs::OpenForReadingIn(folderFd_, folderPath_, base_ + suffix);
    if (fd < 0) {
        problem_.Note(
            errno == ENOENT ? ReadProblem::Kind::kMissing : ReadProblem::Kind::kCannotOpen,
            folderPath_ + base_ + suffix, errno);
        return -1;
    }
    if (!storefs::IsRegularFileBelow(fd, UINT64_MAX)) {
        storefs::CloseFile(fd);
        problem_.Note(ReadProblem::Kind::kNotAFile, folderPath_ + base_ + suffix);
        return -1;
    }
    return fd;
}

void FolderReader::OpenBlock(uint32_t n) {
    End();
    blockFd_ = OpenBlockFile(n);
    block_ = static_cast<int>(n);
    window_.Attach(blockFd_);
}

uint64_t LineEnd(const FolderIndex& index, uint32_t i) {
    const IndexEntry e = EntryAt(index.Entries(), i);
    if (i + 1 < index.count) {
        const IndexEntry next = EntryAt(index.Entries(), i + 1);
        if (next.Block() == e.Block() && next.Offset() > e.Offset())
            return next.Offset();
    }
    return uint64_t{e.Offset()} + kLineGuess;
}

uint64_t FolderReader::PlanEveryEnd(uint32_t i) const {
    // Every entry up to everyTo_ is wanted: the last one whose line still fits, found by halving
    // on the recorder's layout (a plan only; any other layout still reads right, in more reads).
    const IndexEntry e = EntryAt(index_->Entries(), i);
    const uint64_t start = e.Offset();
    uint32_t lo = i + 1;
    uint32_t hi = everyTo_;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        const IndexEntry f = EntryAt(index_->Entries(), mid);
        if (f.Block() == e.Block() && f.Offset() >= start &&
            LineEnd(*index_, mid) - start <= kLargestWindow) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return std::max(LineEnd(*index_, i), lo > i + 1 ? LineEnd(*index_, lo - 1) : 0);
}

void FolderReader::ReadWanted(const std::string& folderPath, const std::string& base,
                              const std::vector<WantedLine>& wanted, ReadAhead* out) {
    End();
    out->lines.clear();
    out->count = 0;
    out->firstBlock = -1;
    out->unended = 0;
    index_ = nullptr;
    base_ = base;
    if (!UseFolder(folderPath)) {
        return;
    }
    const size_t n = wanted.size();
    for (size_t k = 0; k < n; ++k) {
        const IndexEntry e{0, wanted[k].word1};
        if (static_cast<int>(e.Block()) != block_) {
            OpenBlock(e.Block());
        }
        const uint64_t start = e.Offset();
        if (!window_.Covers(start)) {
            // As PlanEnd: the wanted lines after this one that lie close by in the block.
            uint64_t end = wanted[k].end;
            for (size_t j = k + 1; j < n; ++j) {
                const IndexEntry f{0, wanted[j].word1};
                if (f.Block() != e.Block() || f.Offset() < start || f.Offset() > end + kMergeGap ||
                    wanted[j].end - start > kLargestWindow) {
                    break;
                }
                end = std::max<uint64_t>(end, wanted[j].end);
            }
            window_.Load(start, end);
        }
        uint64_t at = 0;
        uint32_t length = 0;
        bool ended = false;
        if (window_.LineAt(start, start, &at, &length, &ended)) {
            if (!ended) {
                ++out->unended;
                continue;
            }
            if (out->count++ == 0)
                out->firstBlock = block_;
            out->lines.append(window_.Data() + (at - window_.Start()), length);
            out->lines += kStoredNewline;
        }
    }
    End();
}

namespace {

// A planned read of one block of a folder read together with others.
struct PlannedRead {
    size_t folder;
    uint32_t block;
    uint64_t start;
    uint64_t end;
    size_t at;      // where its bytes go in the batch's buffer
    size_t number;  // its number in the batch
};

}  // namespace

void FolderReader::ReadWantedTogether(const std::vector<WantedFolder>& folders, BatchRead* reads) {
    End();
    index_ = nullptr;
    // The blocks' descriptors, opened folder by folder through each folder's descriptor.
    std::vector<std::vector<int>> fds(folders.size(), std::vector<int>(256, -2));
    std::vector<PlannedRead> plans;
    std::vector<std::vector<size_t>> planOf(folders.size());  // the plan of each wanted line
    size_t bytes = 0;
    for (size_t f = 0; f < folders.size(); ++f) {
        const WantedFolder& folder = folders[f];
        ReadAhead* out = folder.out;
        out->lines.clear();
        out->count = 0;
        out->firstBlock = -1;
        out->unended = 0;
        base_ = *folder.base;
        const bool usable = UseFolder(*folder.folderPath);
        const std::vector<WantedLine>& wanted = *folder.wanted;
        const size_t n = wanted.size();
        for (size_t k = 0; k < n;) {
            const IndexEntry e{0, wanted[k].word1};
            int& fd = fds[f][e.Block()];
            if (fd == -2)
                fd = usable ? OpenBlockFile(e.Block()) : -1;
            // As ReadWanted plans, with the ring's gap: the wanted lines after this one that lie
            // close by in the block.
            const uint64_t start = e.Offset();
            uint64_t end = wanted[k].end;
            size_t j = k + 1;
            for (; j < n; ++j) {
                const IndexEntry g{0, wanted[j].word1};
                if (g.Block() != e.Block() || g.Offset() < start ||
                    g.Offset() > end + kRingMergeGap || wanted[j].end - start > kLargestWindow) {
                    break;
                }
                end = std::max<uint64_t>(end, wanted[j].end);
            }
            plans.push_back(PlannedRead{f, e.Block(), start, end, bytes, 0});
            planOf[f].insert(planOf[f].end(), j - k, plans.size() - 1);
            bytes += end - start;
            k = j;
        }
    }
    std::vector<char> buffer(bytes + 1);
    reads->Clear();
    for (PlannedRead& p : plans) {
        p.number = reads->Add(fds[p.folder][p.block], buffer.data() + p.at,
                              static_cast<uint32_t>(p.end - p.start), p.start);
    }
    reads->Run();

    // The lines, folder by folder in the order wanted, from the reads that hold them.
    BlockWindow readOn;
    for (size_t f = 0; f < folders.size(); ++f) {
        const std::vector<WantedLine>& wanted = *folders[f].wanted;
        ReadAhead* out = folders[f].out;
        for (size_t k = 0; k < wanted.size(); ++k) {
            const IndexEntry e{0, wanted[k].word1};
            const uint64_t offset = e.Offset();
            const PlannedRead& p = plans[planOf[f][k]];
            const int64_t got = reads->Result(p.number);
            const char* line = nullptr;
            size_t length = 0;
            if (got > 0 && offset >= p.start && offset < p.start + static_cast<uint64_t>(got)) {
                const char* at = buffer.data() + p.at + (offset - p.start);
                const size_t left =
                    static_cast<size_t>(p.start + static_cast<uint64_t>(got) - offset);
                const void* nl =
                    *at != kStoredNewline ? std::memchr(at, kStoredNewline, left) : nullptr;
                if (nl != nullptr) {
                    line = at;
                    length = static_cast<size_t>(static_cast<const char*>(nl) - at);
                }
            }
            if (line == nullptr) {
                // Past the planned read, leading line feeds or the file's end: read on as the
                // window does, from the line's own offset.
                readOn.Attach(fds[f][e.Block()]);
                uint64_t at = 0;
                uint32_t n = 0;
                bool ended = false;
                if (!readOn.Load(offset, wanted[k].end) ||
                    !readOn.LineAt(offset, offset, &at, &n, &ended)) {
                    continue;
                }
                if (!ended) {
                    ++out->unended;
                    continue;
                }
                line = readOn.Data() + (at - readOn.Start());
                length = n;
            }
            if (out->count++ == 0)
                out->firstBlock = static_cast<int>(e.Block());
            out->lines.append(line, length);
            out->lines += kStoredNewline;
        }
    }
    for (const std::vector<int>& folder : fds) {
        for (int fd : folder) {
            if (fd >= 0)
                storefs::CloseFile(fd);
        }
    }
}

void FolderReader::HeaderLines(const std::string& folderPath, const std::string& base, uint32_t n,
                               std::string* first, std::string* second) {
    first->clear();
    second->clear();
    base_ = base;  // while lines are streamed, the folder being read (its block stays open)
    const int fd = UseFolder(folderPath) ? OpenBlockFile(n) : -1;
    BlockWindow head;
    head.Attach(fd);
    uint64_t at = 0;
    uint32_t length = 0;
    bool ended = false;
    if (head.Load(0, kLineGuess) && head.LineAt(0, 0, &at, &length, &ended)) {
        first->assign(head.Data() + (at - head.Start()), length);
        const uint64_t next = at + length;
        if (head.LineAt(next, next, &at, &length, &ended))
            second->assign(head.Data() + (at - head.Start()), length);
    }
    storefs::CloseFile(fd);
}

}  // namespace query
