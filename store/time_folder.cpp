#include "time_folder.h"

#include <cstdio>
#include <cstring>

#include "file_system.h"
#include "log_text_file.h"

namespace {

// Reads forward start small and double while lines follow each other, up to this much.
constexpr uint32_t kFirstChunk = 4096;
constexpr uint32_t kLargestChunk = 1 << 20;

}  // namespace

// ---- BlockReader ----

bool BlockReader::Open(const std::string& storePath, int block) {
    Close();
    int64_t size = 0;
    fd_ = storefs::OpenExclusive(storePath, storefs::OpenMode::kExistingRead, &size);
    if (fd_ < 0) {
        return false;
    }
    // Positions in the window are 32-bit. A block the recorder wrote stays far below 4 GiB
    // (offsets have 24 bits), so a larger file is damaged and refused like LogTextFile does.
    if (size < 0 || static_cast<uint64_t>(size) >= UINT32_MAX) {
        Close();
        return false;
    }
    size_ = static_cast<uint64_t>(size);
    block_ = block;
    return true;
}

void BlockReader::Close() {
    storefs::CloseFile(fd_);
    fd_ = -1;
    block_ = -1;
    size_ = 0;
    windowOffset_ = 0;
    windowLength_ = 0;
    nextChunk_ = kFirstChunk;
}

bool BlockReader::Extend(uint32_t want) {
    const uint64_t at = windowOffset_ + windowLength_;
    if (at >= size_) {
        return false;
    }
    uint64_t n = want;
    if (n > size_ - at)
        n = size_ - at;
    const size_t need = static_cast<size_t>(windowLength_ + n);
    if (window_.size() < need) {
        // Grow geometrically, but never past the block: the window then stays within the
        // largest block read, where a plain resize could leave it twice that size.
        if (window_.capacity() < need) {
            size_t capacity = window_.capacity() * 2;
            if (capacity > size_)
                capacity = static_cast<size_t>(size_);
            window_.reserve(capacity > need ? capacity : need);
        }
        window_.resize(need);
    }
    char* dst = window_.data() + windowLength_;
    const int64_t got = storefs::ReadAt(fd_, dst, static_cast<size_t>(n), at);
    if (got <= 0) {
        size_ = at;  // the file ended early; treat its end as here
        return false;
    }
    storefs::InvertBytes(dst, dst, static_cast<size_t>(got));
    windowLength_ += static_cast<uint32_t>(got);
    return true;
}

bool BlockReader::LineAt(uint64_t offset, uint32_t lengthHint, const char** line,
                         uint32_t* length) {
    if (fd_ < 0 || offset >= size_) {
        return false;
    }
    const uint64_t windowEnd = windowOffset_ + windowLength_;
    if (offset < windowOffset_ || offset > windowEnd) {
        // A jump: start a new window holding just this line.
        windowOffset_ = offset;
        windowLength_ = 0;
        nextChunk_ = kFirstChunk;
        if (!Extend(lengthHint > 0 ? lengthHint : 512))
            return false;
    } else if (offset == windowEnd) {
        // Reading on from where the window ends: keep only what is still ahead.
        windowOffset_ = offset;
        windowLength_ = 0;
        if (!Extend(lengthHint > nextChunk_ ? lengthHint : nextChunk_))
            return false;
        if (nextChunk_ < kLargestChunk)
            nextChunk_ *= 2;
    }
    uint32_t pos = static_cast<uint32_t>(offset - windowOffset_);
    uint32_t searched = pos;
    // Before the window is extended for this line, the text in front of the line is dropped,
    // so the window holds the line and what is read after it, not everything read so far.
    const auto dropBeforeLine = [&] {
        if (pos == 0)
            return;
        std::memmove(window_.data(), window_.data() + pos, windowLength_ - pos);
        windowOffset_ += pos;
        windowLength_ -= pos;
        searched -= pos;
        pos = 0;
    };
    // Lines that run on past the window: read the next piece, larger each time.
    const auto readOn = [&] {
        if (!Extend(nextChunk_))
            return false;
        if (nextChunk_ < kLargestChunk)
            nextChunk_ *= 2;
        return true;
    };
    for (;;) {
        while (pos < windowLength_ && window_[pos] == '\n')
            ++pos;
        if (pos < windowLength_)
            break;
        searched = pos;
        dropBeforeLine();
        if (!readOn())
            return false;
    }
    searched = pos;
    for (;;) {
        const void* nl = std::memchr(window_.data() + searched, '\n', windowLength_ - searched);
        if (nl != nullptr) {
            *length = static_cast<uint32_t>(static_cast<const char*>(nl) - window_.data()) - pos;
            break;
        }
        searched = windowLength_;
        dropBeforeLine();
        if (!readOn()) {
            *length = windowLength_ - pos;  // the last line of the file has no "\n"
            break;
        }
    }
    *line = window_.data() + pos;
    return true;
}

bool BlockReader::HeaderLines(std::string* first, std::string* second) {
    first->clear();
    second->clear();
    const char* line = nullptr;
    uint32_t length = 0;
    if (!LineAt(0, 0, &line, &length)) {
        return false;
    }
    first->assign(line, length);
    const uint64_t next = windowOffset_ + static_cast<uint64_t>(line - window_.data()) + length;
    if (LineAt(next, 0, &line, &length)) {
        second->assign(line, length);
    }
    return true;
}

// ---- TimeFolder ----

bool TimeFolder::OpenFolder(const char* stem) {
    if (IsOpen() || stem == nullptr) {
        return false;
    }
    std::string text = stem;
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    if (text.size() >= 4 && text.compare(text.size() - 4, 4, ".idx") == 0) {
        text.resize(text.size() - 4);
    }
    ParsedStem parsed;
    if (!ParseStem(text, kNestedSeparator, true, false, &parsed) || parsed.id == 0) {
        return false;
    }
    // Names are matched without regard to case; spelling them as the recorder does (%X) finds
    // the files at once instead of searching their folders.
    std::string canonical;
    if (!MakeStem(parsed.id, parsed.key, kNestedSeparator, &canonical)) {
        return false;
    }
    const std::string indexPath = root_ + canonical + ".idx";
    if (!index_.Open(indexPath.c_str(), true)) {
        return false;
    }
    if (index_.Elements().Count() == 0) {
        index_.Close();
        return false;
    }
    stem_ = canonical;
    id_ = parsed.id;
    key_ = parsed.key;
    currentBlock_ = Entry(EntryCount() - 1).Block();
    return true;
}

void TimeFolder::CloseFolder() {
    index_.Close();
    stem_.clear();
    id_ = 0;
    key_ = TimeKey();
    currentBlock_ = 0;
}

uint32_t TimeFolder::BlockCount() const {
    return IsOpen() && EntryCount() > 0 ? currentBlock_ + 1 : 0;
}

int64_t FindFirstEntry(const unsigned char* entries, uint32_t count, uint32_t from, uint32_t to) {
    if (entries == nullptr || count == 0) {
        return kNoEntry;
    }
    int64_t lo = 0;
    int64_t hi = static_cast<int64_t>(count) - 1;
    while (lo <= hi) {
        const int64_t mid = (lo + hi) / 2;
        const uint32_t s = EntryAt(entries, static_cast<uint32_t>(mid)).Seconds();
        if (s < from) {
            lo = mid + 1;
        } else if ((mid > 0 &&
                    EntryAt(entries, static_cast<uint32_t>(mid - 1)).Seconds() >= from) ||
                   s > to) {
            hi = mid - 1;
        } else {
            return mid;
        }
    }
    return kNoEntry;
}

IndexEntry TimeFolder::Entry(uint32_t i) const {
    // Called once or more for every record a query passes, so the bounds are checked here
    // rather than through a call to ElementArray::Item.
    const ElementArray& entries = index_.Elements();
    if (i >= entries.Count() || entries.Data() == nullptr) {
        return IndexEntry();
    }
    return EntryAt(static_cast<const unsigned char*>(entries.Data()), i);
}

int64_t TimeFolder::FindFirst(uint32_t from, uint32_t to) const {
    if (!IsOpen()) {
        return kNoEntry;
    }
    return FindFirstEntry(static_cast<const unsigned char*>(index_.Elements().Data()), EntryCount(),
                          from, to);
}

std::string TimeFolder::BlockPath(uint32_t n) const {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "(%X).csv", n & 0xFF);
    return root_ + stem_ + suffix;
}

bool TimeFolder::LineAt(uint32_t i, BlockReader* scratch, const char** line,
                        uint32_t* length) const {
    if (i >= EntryCount()) {
        return false;
    }
    const IndexEntry e = Entry(i);
    if (scratch->LoadedBlock() != static_cast<int>(e.Block()) &&
        !scratch->Open(BlockPath(e.Block()), static_cast<int>(e.Block()))) {
        return false;
    }
    // The next entry of the same block says where this line ends.
    uint32_t hint = 0;
    if (i + 1 < EntryCount()) {
        const IndexEntry next = Entry(i + 1);
        if (next.Block() == e.Block() && next.Offset() > e.Offset()) {
            hint = next.Offset() - e.Offset();
        }
    }
    return scratch->LineAt(e.Offset(), hint, line, length);
}

bool TimeFolder::ReadBlock(uint32_t n, TextBuffer* out) const {
    out->Clear();
    if (!IsOpen()) {
        return false;
    }
    LogTextFile block;
    if (!block.Open(BlockPath(n).c_str(), true)) {
        return false;
    }
    out->Swap(block.Buffer());
    out->SetFlushed(0);
    block.Close();
    return out->Length() > 0;
}

uint32_t TimeFolder::SecondsFromStart(const CalendarTime& t) const {
    uint64_t start = 0;
    uint64_t at = 0;
    if (!CalendarToFileTime(KeyToTime(key_), &start) || !CalendarToFileTime(t, &at) || at < start) {
        return kSecondsBefore;
    }
    const uint64_t seconds = (at - start) / kFileTimeUnitsPerSecond;
    return seconds >= kSecondsBefore ? kSecondsBefore - 1 : static_cast<uint32_t>(seconds);
}
