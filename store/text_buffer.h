// A growable byte buffer that remembers how much of its content is already on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

// Memory for whole-file arrays: a block of a MiB or more is aligned to and marked for huge
// pages, where fresh memory costs a fault per 4 KB page touched and a 2 MB page one fault.
void* AllocateLargeBlock(size_t bytes);
void FreeLargeBlock(void* block);

template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(size_t n) {
        void* block = AllocateLargeBlock(n * sizeof(T));
        if (block == nullptr)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* p, size_t) { FreeLargeBlock(p); }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const {
        return true;
    }
    template <class U>
    bool operator!=(const LargeAllocator<U>&) const {
        return false;
    }
};

// Offsets into a text, one per line.
using LineOffsets = std::vector<uint32_t, LargeAllocator<uint32_t>>;

// Where the "\n" of a text stand, as its reader found them while reading.
struct LineEnds {
    LineOffsets at;       // offsets of every "\n", ascending
    bool anyNul = false;  // whether the text holds a NUL byte
};

class TextBuffer {
  public:
    TextBuffer() = default;
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Frees the block; length, capacity and flushed become 0.
    void Clear();

    // Makes room for n more bytes after the content. Growth rounds the shortfall up to a step of
    // 4096 * (capacity / 12288 + 1) bytes, so steps widen as the buffer grows. On allocation
    // failure (or a size past 32 bits) returns false and leaves the buffer empty.
    bool Reserve(uint32_t n);

    // Appends n bytes of text without a line end; n < 0 takes the whole NUL-terminated text.
    // n == 0 succeeds and changes nothing; a null text fails. The content stays NUL-terminated.
    bool Append(const char* text, int64_t n = -1);

    // Appends the NUL-terminated text and one "\n" (never a carriage return).
    bool AppendLine(const char* text);
    bool AppendLine(const char* text, uint32_t n);

    // From *position, skips any run of "\n" (advancing *position past it), then gives the start
    // and length of the next line, without its "\n" (a "\r" before it stays in the line). The
    // caller advances *position by *lineLength itself. False at or past the end, or with no block.
    bool NextLine(uint32_t* position, const char** lineStart, uint32_t* lineLength) const;

    // Takes ownership of a malloc'd block holding size bytes plus a terminator byte; capacity,
    // length and flushed become size.
    void Adopt(char* block, uint32_t size);

    // Exchanges content and positions with other.
    void Swap(TextBuffer& other);

    // Makes this a copy of other's content; flushed becomes 0.
    bool CopyFrom(const TextBuffer& other);

    // The line ends of the content when its reader found them (ReadTextWithLineEnds), else null.
    // Any change of the content drops them.
    const LineEnds* KnownLineEnds() const { return lineEnds_.get(); }
    // Hands the line ends over to a reader of the text that builds its own array from them in
    // their place (the text itself stays as it is).
    std::unique_ptr<LineEnds> TakeLineEnds() const { return std::move(lineEnds_); }
    void SetLineEnds(std::unique_ptr<LineEnds> ends) { lineEnds_ = std::move(ends); }
    void DropLineEnds() { lineEnds_.reset(); }

    const char* Data() const { return data_; }
    char* Data() { return data_; }
    uint32_t Length() const { return length_; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t Flushed() const { return flushed_; }
    void SetFlushed(uint32_t p) { flushed_ = p < length_ ? p : length_; }

  private:
    char* data_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t flushed_ = 0;
    uint32_t length_ = 0;
    mutable std::unique_ptr<LineEnds> lineEnds_;  // taken by the first table built from them
};
