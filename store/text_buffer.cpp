#include "text_buffer.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <cstdlib>
#include <cstring>
#include <utility>

void* AllocateLargeBlock(size_t bytes) {
#ifdef _WIN32
    // Windows has no aligned block that free() releases, nor large pages without a privilege.
    return std::malloc(bytes > 0 ? bytes : 1);
#else
    constexpr size_t kHugePage = 2u << 20;
    if (bytes < kHugePage / 2) {
        return std::malloc(bytes > 0 ? bytes : 1);
    }
    void* block = nullptr;
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (posix_memalign(&block, kHugePage, rounded) != 0) {
        return nullptr;
    }
#ifdef MADV_HUGEPAGE
    madvise(block, rounded, MADV_HUGEPAGE);  // only advice: without it, 4 KB pages serve
#endif
    return block;
#endif
}

void FreeLargeBlock(void* block) {
    std::free(block);
}

TextBuffer::~TextBuffer() {
    std::free(data_);
}

void TextBuffer::Clear() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = flushed_ = length_ = 0;
    lineEnds_.reset();
}

bool TextBuffer::Reserve(uint32_t n) {
    const uint64_t needed = static_cast<uint64_t>(length_) + n;
    if (capacity_ >= needed) {
        return true;
    }
    const uint64_t step = 4096ULL * (capacity_ / 12288 + 1);
    const uint64_t shortfall = (needed - capacity_ + step - 1) / step * step;
    const uint64_t newCapacity = capacity_ + shortfall;
    if (newCapacity > UINT32_MAX) {
        Clear();
        return false;
    }
    char* block = static_cast<char*>(std::realloc(data_, static_cast<size_t>(newCapacity)));
    if (block == nullptr) {
        Clear();
        return false;
    }
    std::memset(block + capacity_, 0, static_cast<size_t>(shortfall));
    data_ = block;
    capacity_ = static_cast<uint32_t>(newCapacity);
    return true;
}

bool TextBuffer::Append(const char* text, int64_t n) {
    if (text == nullptr) {
        return false;
    }
    if (n < 0) {
        n = static_cast<int64_t>(std::strlen(text));
    }
    if (n == 0) {
        return true;
    }
    if (n >= UINT32_MAX || !Reserve(static_cast<uint32_t>(n) + 1)) {
        return false;
    }
    lineEnds_.reset();
    std::memcpy(data_ + length_, text, static_cast<size_t>(n));
    length_ += static_cast<uint32_t>(n);
    data_[length_] = '\0';
    return true;
}

bool TextBuffer::AppendLine(const char* text) {
    if (text == nullptr) {
        return false;
    }
    return AppendLine(text, static_cast<uint32_t>(std::strlen(text)));
}

bool TextBuffer::AppendLine(const char* text, uint32_t n) {
    if (text == nullptr || n >= UINT32_MAX - 2 || !Reserve(n + 2)) {
        return false;
    }
    lineEnds_.reset();
    std::memcpy(data_ + length_, text, n);
    length_ += n;
    data_[length_++] = '\n';
    data_[length_] = '\0';
    return true;
}

bool TextBuffer::NextLine(uint32_t* position, const char** lineStart, uint32_t* lineLength) const {
    if (data_ == nullptr || *position >= length_) {
        return false;
    }
    uint32_t p = *position;
    while (p < length_ && data_[p] == '\n') {
        ++p;
    }
    *position = p;
    if (p >= length_) {
        return false;
    }
    const void* nl = std::memchr(data_ + p, '\n', length_ - p);
    const uint32_t end =
        nl != nullptr ? static_cast<uint32_t>(static_cast<const char*>(nl) - data_) : length_;
    *lineStart = data_ + p;
    *lineLength = end - p;
    return true;
}

void TextBuffer::Adopt(char* block, uint32_t size) {
    std::free(data_);
    data_ = block;
    capacity_ = length_ = flushed_ = size;
    lineEnds_.reset();
}

bool TextBuffer::CopyFrom(const TextBuffer& other) {
    if (&other == this) {
        flushed_ = 0;
        return true;
    }
    Clear();
    if (other.length_ == 0 || other.data_ == nullptr) {
        return true;
    }
    if (!Reserve(other.length_ + 1)) {
        return false;
    }
    std::memcpy(data_, other.data_, other.length_);
    length_ = other.length_;
    data_[length_] = '\0';
    return true;
}

void TextBuffer::Swap(TextBuffer& other) {
    std::swap(data_, other.data_);
    std::swap(capacity_, other.capacity_);
    std::swap(flushed_, other.flushed_);
    std::swap(length_, other.length_);
    std::swap(lineEnds_, other.lineEnds_);
}
