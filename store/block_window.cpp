#include "block_window.h"

#include <algorithm>
#include <cstring>

#include "file_system.h"

namespace {

// Reading on past the window takes at least this much.
constexpr uint32_t kReadOnStep = 4096;
// Blocks the recorder writes stay below 16 MiB (24-bit offsets plus one line). Before a window
// grows past that the file must prove to be a regular file below 4 GiB, so a device in a store
// folder is never read forever.
constexpr uint64_t kTrustedLength = uint64_t{16} << 20;
constexpr uint64_t kLargestBlock = uint64_t{1} << 32;

}  // namespace

void BlockWindow::Attach(int fd) {
    fd_ = fd;
    start_ = 0;
    length_ = 0;
    end_ = fd < 0 ? 0 : UINT64_MAX;
    checkedRegular_ = false;
}

void BlockWindow::Reserve(size_t bytes, bool keep) {
    if (buffer_.size() >= bytes + 1) {
        return;
    }
    if (!keep) {
        std::vector<char>().swap(buffer_);  // the old window need not be held beside the new
    }
    // Exactly what is asked: vector growth would double it, beyond the one-block bound.
    buffer_.reserve(bytes + 1);
    buffer_.resize(bytes + 1);
}

bool BlockWindow::Load(uint64_t start, uint64_t end) {
    start_ = start;
    length_ = 0;
    if (start >= end_ || end <= start) {
        return false;
    }
    uint64_t want = end - start;
    if (want > kTrustedLength)
        want = kTrustedLength;
    Reserve(static_cast<size_t>(want), false);
    // One read: a short count from a regular file means its end, so no second read confirms it.
    const int64_t got = storefs::ReadOnceAt(fd_, buffer_.data(), static_cast<size_t>(want), start);
    if (got < 0) {
        end_ = start;  // a read error ends the file here, as for every other reader
        return false;
    }
    if (static_cast<uint64_t>(got) < want)
        end_ = start + static_cast<uint64_t>(got);
    length_ = static_cast<uint32_t>(got);
    return got > 0;
}

bool BlockWindow::Covers(uint64_t offset) const {
    return (offset >= start_ && offset < start_ + length_) || offset >= end_;
}

bool BlockWindow::ReadOn(uint64_t keepFrom, uint64_t lineStart) {
    const uint64_t at = start_ + length_;
    if (at >= end_) {
        return false;
    }
    if (keepFrom > start_) {
        const uint32_t drop = static_cast<uint32_t>(std::min<uint64_t>(keepFrom - start_, length_));
        std::memmove(buffer_.data(), buffer_.data() + drop, length_ - drop);
        start_ += drop;
        length_ -= drop;
    }
    // Doubles what is read of a long line each time, so reading it on stays linear.
    const uint32_t more = std::max<uint32_t>(kReadOnStep, static_cast<uint32_t>(at - lineStart));
    if (!checkedRegular_ && uint64_t{length_} + more > kTrustedLength) {
        if (!storefs::IsRegularFileBelow(fd_, kLargestBlock)) {
            end_ = at;
            checkedRegular_ = false;
            fd_ = -1;
            return false;
        }
        checkedRegular_ = true;
    }
    Reserve(size_t{length_} + more, true);
    const int64_t got = storefs::ReadOnceAt(fd_, buffer_.data() + length_, more, at);
    if (got <= 0) {
        end_ = at;
        return false;
    }
    if (static_cast<uint32_t>(got) < more)
        end_ = at + static_cast<uint64_t>(got);
    length_ += static_cast<uint32_t>(got);
    return true;
}

bool BlockWindow::FindLine(uint64_t offset, uint64_t keepFrom, uint64_t* lineStart,
                           uint32_t* length, bool* ended) {
    if (offset < start_ || offset > start_ + length_ || offset >= end_) {
        return false;
    }
    uint64_t at = offset;
    for (;;) {
        const char* data = buffer_.data();
        uint32_t p = static_cast<uint32_t>(at - start_);
        while (p < length_ && data[p] == kStoredNewline)
            ++p;
        at = start_ + p;
        if (p < length_)
            break;
        if (!ReadOn(std::min(keepFrom, at), at))
            return false;
    }
    uint64_t searched = at;
    for (;;) {
        const uint32_t p = static_cast<uint32_t>(searched - start_);
        const void* nl = std::memchr(buffer_.data() + p, kStoredNewline, length_ - p);
        if (nl != nullptr) {
            *length = static_cast<uint32_t>(static_cast<const char*>(nl) - buffer_.data() -
                                            (at - start_));
            *ended = true;
            break;
        }
        searched = start_ + length_;
        if (!ReadOn(std::min(keepFrom, at), at)) {
            if (fd_ < 0)
                return false;  // no regular file: nothing of it is delivered
            *length = static_cast<uint32_t>(start_ + length_ - at);
            *ended = false;
            break;
        }
    }
    *lineStart = at;
    return true;
}
