// Code page conversion and the terminal's code page on Windows: the system's code pages through
// UTF-16, and the C runtime's locale. Conversions behave as iconv's do: a character that does
// not decode or that the target cannot hold fails a strict conversion, and in a lenient one its
// first byte becomes U+FFFD (or "?") and decoding goes on at the next byte.
#include <windows.h>

#include <clocale>
#include <cstdlib>

#include "cli_text.h"

namespace cli {

namespace {

constexpr UINT kAscii = 20127;
constexpr UINT kGbk = 936;
constexpr UINT kGb18030 = 54936;

// The system's code page of a name as iconv and the locales spell them; 0 when unknown.
UINT CodePageOf(const char* name) {
    const std::string bare = BareName(name);
    if (bare == "UTF8")
        return CP_UTF8;
    if (bare == "ASCII" || bare == "ANSIX3.41968" || bare == "USASCII" || bare == "646")
        return kAscii;
    // GB18030 where the system has it, else its two-byte part.
    if (bare == "GB18030")
        return IsValidCodePage(kGb18030) ? kGb18030 : kGbk;
    if (bare == "GBK" || bare == "GB2312")
        return kGbk;
    if (bare.size() > 2 && bare.compare(0, 2, "CP") == 0) {
        char* end = nullptr;
        const unsigned long page = std::strtoul(bare.c_str() + 2, &end, 10);
        if (*end == '\0' && page > 0 && IsValidCodePage(static_cast<UINT>(page)))
            return page == 65001 ? CP_UTF8 : static_cast<UINT>(page);
    }
    return 0;
}

// Bytes of the character that starts text[at] in the code page (its structure, not whether it
// is assigned); 0 when no character starts there.
size_t CharacterLength(UINT page, std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const size_t left = text.size() - at;
    if (byte(0) < 0x80)
        return 1;
    if (page == CP_UTF8) {
        const unsigned char lead = byte(0);
        const size_t n = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
        return n <= left ? n : 0;
    }
    if (page == kGbk || page == kGb18030) {
        if (byte(0) == 0x80 || byte(0) == 0xFF || left < 2)
            return 0;
        if (byte(1) >= 0x30 && byte(1) <= 0x39)
            return left >= 4 && byte(2) >= 0x81 && byte(2) <= 0xFE && byte(3) >= 0x30 &&
                           byte(3) <= 0x39
                       ? 4
                       : 0;
        return (byte(1) >= 0x40 && byte(1) <= 0xFE && byte(1) != 0x7F) ? 2 : 0;
    }
    if (page == kAscii)
        return 0;
    return IsDBCSLeadByteEx(page, byte(0)) ? (left >= 2 ? 2 : 0) : 1;
}

}  // namespace

struct Recoder::Converter {
    UINT from;
    UINT to;

    // Converts the whole text strictly; false (with *out unchanged) when any character does not
    // decode or does not fit the target.
    bool Whole(std::string_view text, std::string* out) const {
        if (text.empty())
            return true;
        const int length = static_cast<int>(text.size());
        const int wide =
            MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
        if (wide <= 0)
            return false;
        std::wstring units(static_cast<size_t>(wide), L'\0');
        MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), length, &units[0], wide);
        // UTF-8 and GB18030 hold every character (and take no flags); the others say when a
        // character was replaced.
        const bool full = to == CP_UTF8 || to == kGb18030;
        const DWORD flags = to == CP_UTF8 ? WC_ERR_INVALID_CHARS : full ? 0 : WC_NO_BEST_FIT_CHARS;
        BOOL replaced = FALSE;
        BOOL* replacedFlag = full ? nullptr : &replaced;
        const int n =
            WideCharToMultiByte(to, flags, units.data(), wide, nullptr, 0, nullptr, replacedFlag);
        if (n <= 0 || replaced)
            return false;
        const size_t kept = out->size();
        out->resize(kept + static_cast<size_t>(n));
        WideCharToMultiByte(to, flags, units.data(), wide, &(*out)[kept], n, nullptr, nullptr);
        return true;
    }
};

Recoder::Recoder(const char* to, const char* from) {
    const UINT toPage = CodePageOf(to);
    const UINT fromPage = CodePageOf(from);
    if (toPage != 0 && fromPage != 0)
        converter_.reset(new Converter{fromPage, toPage});
}

Recoder::~Recoder() = default;

bool Recoder::Convert(std::string_view text, std::string* out, bool lenient) {
    if (!Valid())
        return false;
    if (converter_->Whole(text, out))
        return true;
    if (!lenient)
        return false;
    const char* replacement = converter_->to == CP_UTF8 ? "\xEF\xBF\xBD" : "?";
    for (size_t at = 0; at < text.size();) {
        // The run of plain ASCII up to the next other byte converts as it is in every target.
        size_t ascii = at;
        while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
            ++ascii;
        if (ascii > at) {
            out->append(text.data() + at, ascii - at);
            at = ascii;
            continue;
        }
        const size_t n = CharacterLength(converter_->from, text, at);
        if (n > 0 && converter_->Whole(text.substr(at, n), out)) {
            at += n;
        } else {
            out->append(replacement);
            ++at;
        }
    }
    return true;
}

std::string TerminalCodeset() {
    const unsigned page = ___lc_codepage_func();
    if (page == 0)
        return "ANSI_X3.4-1968";  // the "C" locale speaks ASCII
    return page == CP_UTF8 ? "UTF-8" : "CP" + std::to_string(page);
}

}  // namespace cli
