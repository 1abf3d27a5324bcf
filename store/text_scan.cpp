#include "text_scan.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "file_system.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HISTAVUE_SCAN_X86 1
#endif

namespace {

// Reads of this size land in the second-level cache, where the pass finds them.
constexpr size_t kPiece = 128 * 1024;

// The bytes the vector loops leave over, one at a time.
template <bool kInvert>
size_t ScanTail(char* dst, const char* src, size_t from, size_t n, uint32_t base, uint32_t* out,
                size_t found, bool* anyNul) {
    bool nul = false;
    for (size_t i = from; i < n; ++i) {
        const char c = kInvert ? static_cast<char>(~static_cast<unsigned char>(src[i])) : src[i];
        dst[i] = c;
        nul |= c == '\0';
        if (c == '\n')
            out[found++] = base + static_cast<uint32_t>(i);
    }
    *anyNul |= nul;
    return found;
}

#ifdef HISTAVUE_SCAN_X86

// Sixteen bytes at a time (every x86-64 processor has SSE2).
template <bool kInvert>
size_t ScanSse2(char* dst, const char* src, size_t n, uint32_t base, uint32_t* out, bool* anyNul) {
    const __m128i ones = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i newline = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    __m128i nuls = zero;
    size_t found = 0;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        if (kInvert)
            v = _mm_xor_si128(v, ones);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), v);
        nuls = _mm_or_si128(nuls, _mm_cmpeq_epi8(v, zero));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, newline)));
        while (mask != 0) {
            out[found++] =
                base + static_cast<uint32_t>(i) + static_cast<uint32_t>(__builtin_ctz(mask));
            mask &= mask - 1;
        }
    }
    *anyNul |= _mm_movemask_epi8(nuls) != 0;
    return ScanTail<kInvert>(dst, src, i, n, base, out, found, anyNul);
}

// Thirty-two bytes at a time, where the processor has AVX2.
template <bool kInvert>
__attribute__((target("avx2"))) size_t ScanAvx2(char* dst, const char* src, size_t n, uint32_t base,
                                                uint32_t* out, bool* anyNul) {
    const __m256i ones = _mm256_set1_epi8(static_cast<char>(0xFF));
    const __m256i newline = _mm256_set1_epi8('\n');
    const __m256i zero = _mm256_setzero_si256();
    __m256i nuls = zero;
    size_t found = 0;
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        if (kInvert)
            v = _mm256_xor_si256(v, ones);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), v);
        nuls = _mm256_or_si256(nuls, _mm256_cmpeq_epi8(v, zero));
        uint32_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, newline)));
        while (mask != 0) {
            out[found++] =
                base + static_cast<uint32_t>(i) + static_cast<uint32_t>(__builtin_ctz(mask));
            mask &= mask - 1;
        }
    }
    *anyNul |= _mm256_movemask_epi8(nuls) != 0;
    return ScanTail<kInvert>(dst, src, i, n, base, out, found, anyNul);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#endif

}  // namespace

size_t ScanPiece(char* dst, const char* src, size_t n, bool invert, uint32_t base,
                 uint32_t* lineEnds, bool* anyNul) {
#ifdef HISTAVUE_SCAN_X86
    if (HasAvx2()) {
        return invert ? ScanAvx2<true>(dst, src, n, base, lineEnds, anyNul)
                      : ScanAvx2<false>(dst, src, n, base, lineEnds, anyNul);
    }
    return invert ? ScanSse2<true>(dst, src, n, base, lineEnds, anyNul)
                  : ScanSse2<false>(dst, src, n, base, lineEnds, anyNul);
#else
    return invert ? ScanTail<true>(dst, src, 0, n, base, lineEnds, 0, anyNul)
                  : ScanTail<false>(dst, src, 0, n, base, lineEnds, 0, anyNul);
#endif
}

char* AllocateTextBlock(size_t n) {
    // Touching fresh memory page by page costs more than reading the file into it.
    return static_cast<char*>(AllocateLargeBlock(n));
}

bool ReadTextWithLineEnds(int fd, bool invert, TextBuffer* text, size_t piece) {
    text->Clear();
    const int64_t size = storefs::FileSize(fd);
    if (size < 0 || static_cast<uint64_t>(size) >= UINT32_MAX) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (piece == 0)
        piece = kPiece;
    const size_t n = static_cast<size_t>(size);
    char* block = AllocateTextBlock(n + 1);
    if (block == nullptr) {
        return false;
    }
    auto ends = std::make_unique<LineEnds>();
    std::unique_ptr<uint32_t[]> found(new uint32_t[std::min(n, piece)]);
    size_t done = 0;
    while (done < n) {
        const ssize_t r = read(fd, block + done, std::min(piece, n - done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            std::free(block);
            return false;  // the file shrank since its size was taken, or cannot be read
        }
        const size_t got = static_cast<size_t>(r);
        const size_t count = ScanPiece(block + done, block + done, got, invert,
                                       static_cast<uint32_t>(done), found.get(), &ends->anyNul);
        if (ends->at.empty() && count > 0) {
            // The first piece tells the lines' length: room for the lines of the whole text at
            // once, with a margin, instead of growing by doubling.
            const double perLine = static_cast<double>(got) / static_cast<double>(count);
            ends->at.reserve(static_cast<size_t>(static_cast<double>(n) / perLine * 1.05) + 16);
        }
        ends->at.insert(ends->at.end(), found.get(), found.get() + count);
        done += got;
    }
    block[n] = '\0';
    text->Adopt(block, static_cast<uint32_t>(n));
    text->SetLineEnds(std::move(ends));
    return true;
}
