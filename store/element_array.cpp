#include "element_array.h"

#include <cstdlib>
#include <cstring>

ElementArray::~ElementArray() {
    std::free(data_);
}

void ElementArray::Clear() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = flushed_ = count_ = 0;
}

bool ElementArray::Reserve(uint32_t n) {
    const uint64_t needed = static_cast<uint64_t>(count_) + n;
    if (capacity_ >= needed) {
        return true;
    }
    const uint64_t step = 16ULL * (capacity_ / 48 + 1);
    const uint64_t newCapacity = capacity_ + (needed - capacity_ + step - 1) / step * step;
    const uint64_t bytes = newCapacity * elementSize_;
    void* block = nullptr;
    if (newCapacity <= UINT32_MAX && bytes <= SIZE_MAX && elementSize_ != 0) {
        block = std::realloc(data_, static_cast<size_t>(bytes));
    }
    if (block == nullptr) {
        Clear();
        return false;
    }
    data_ = static_cast<unsigned char*>(block);
    capacity_ = static_cast<uint32_t>(newCapacity);
    return true;
}

bool ElementArray::Adopt(void* block, uint32_t n) {
    if (block == nullptr || n == 0) {
        return false;
    }
    std::free(data_);
    data_ = static_cast<unsigned char*>(block);
    capacity_ = count_ = flushed_ = n;
    return true;
}

bool ElementArray::Append(const void* source, int64_t n) {
    if (n <= 0) {
        return true;
    }
    if (source == nullptr || n > UINT32_MAX || !Reserve(static_cast<uint32_t>(n))) {
        return false;
    }
    std::memcpy(data_ + static_cast<size_t>(count_) * elementSize_, source,
                static_cast<size_t>(n) * elementSize_);
    count_ += static_cast<uint32_t>(n);
    return true;
}

const void* ElementArray::Item(uint32_t i) const {
    if (data_ == nullptr || i >= count_) {
        return nullptr;
    }
    return data_ + static_cast<size_t>(i) * elementSize_;
}
