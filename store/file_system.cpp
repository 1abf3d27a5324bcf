// The parts of the store's file access that are the same on every system; the rest is in one
// file per system.
#include <cerrno>
#include <cstring>

#include "file_system.h"

namespace storefs {

bool EqualsIgnoreAsciiCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb)
            return false;
        if (ca == 0)
            return true;
    }
}

std::string NativePathOf(const std::string& path, Names names) {
    return names == Names::kExact ? path : NativePath(path);
}

void InvertBytes(char* dst, const char* src, size_t n) {
    size_t i = 0;
    // Whole 64-bit words first; the compiler turns this into vector code.
    for (; i + 32 <= n; i += 32) {
        uint64_t w[4];
        std::memcpy(w, src + i, 32);
        w[0] = ~w[0];
        w[1] = ~w[1];
        w[2] = ~w[2];
        w[3] = ~w[3];
        std::memcpy(dst + i, w, 32);
    }
    for (; i < n; ++i) {
        dst[i] = static_cast<char>(~static_cast<unsigned char>(src[i]));
    }
}

bool ReplacingWriter::FlushBuffer() {
    if (!buffer_.empty() && error_ == 0 && !WriteFully(fd_, buffer_.data(), buffer_.size()))
        error_ = errno;
    buffer_.clear();
    return error_ == 0;
}

bool ReplacingWriter::Write(const char* data, size_t n) {
    if (fd_ < 0 || error_ != 0) {
        return false;
    }
    constexpr size_t kChunk = 1 << 20;
    if (buffer_.size() + n > kChunk && !FlushBuffer()) {
        return false;
    }
    if (n >= kChunk) {
        if (!WriteFully(fd_, data, n))
            error_ = errno;
        return error_ == 0;
    }
    buffer_.append(data, n);
    return true;
}

}  // namespace storefs
