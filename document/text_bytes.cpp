#include "text_bytes.h"

bool IsValidUtf8(const char* text, size_t length) {
    // Well-formed sequences only: no overlong forms, no surrogates, nothing above U+10FFFF. The
    // second byte's range depends on the lead byte; later bytes are plain continuation bytes.
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t n = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + n >= length || p[i + 1] < low || p[i + 1] > high) {
            return false;
        }
        for (size_t k = 2; k <= n; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += n + 1;
    }
    return true;
}

size_t CharacterLength(const char* text, size_t length, size_t at, bool utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char c = p[at];
    size_t width = 1;
    if (utf8) {
        width = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    } else if (c >= 0x81 && c <= 0xFE && at + 1 < length) {
        width = p[at + 1] >= 0x30 && p[at + 1] <= 0x39 ? 4 : 2;
    }
    return at + width <= length ? width : 1;
}

size_t DoubleByteSafeLength(const char* text, size_t length, size_t maxBytes) {
    const bool utf8 = IsValidUtf8(text, length);
    const size_t limit = length < maxBytes ? length : maxBytes;
    size_t i = 0;
    while (i < limit) {
        const size_t width = CharacterLength(text, length, i, utf8);
        if (i + width > limit)
            break;
        i += width;
    }
    return i;
}
