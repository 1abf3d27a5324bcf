// A growable array of fixed-size elements that remembers how many are already on disk.
#pragma once

#include <cstdint>

class ElementArray {
  public:
    // elementSize is fixed for the life of the array (8 for folder indexes).
    explicit ElementArray(uint32_t elementSize) : elementSize_(elementSize) {}
    ~ElementArray();
    ElementArray(const ElementArray&) = delete;
    ElementArray& operator=(const ElementArray&) = delete;

    void Clear();

    // Makes room for n more elements. Growth rounds the shortfall up to a step of
    // 16 * (capacity / 48 + 1) elements. On failure the array is left empty and false returned.
    bool Reserve(uint32_t n);

    // Takes ownership of a malloc'd block of n elements; false (block untouched) when the block
    // is missing or n is 0.
    bool Adopt(void* block, uint32_t n);

    // Appends n elements copied from source; n <= 0 succeeds without change.
    bool Append(const void* source, int64_t n);

    uint32_t Count() const { return count_; }
    uint32_t ElementSize() const { return elementSize_; }
    uint64_t ByteSize() const { return static_cast<uint64_t>(count_) * elementSize_; }
    // Element i, or null when i >= Count() or there is no block.
    const void* Item(uint32_t i) const;
    const void* Data() const { return data_; }
    uint32_t Flushed() const { return flushed_; }
    void SetFlushed(uint32_t p) { flushed_ = p < count_ ? p : count_; }

  private:
    uint32_t elementSize_;
    unsigned char* data_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t flushed_ = 0;
    uint32_t count_ = 0;
};
