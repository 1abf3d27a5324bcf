#include "cli_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "file_system.h"

namespace cli {
namespace {

// Length of the well-formed UTF-8 sequence at text[at], or 0.
size_t Utf8Sequence(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    const size_t n = lead >= 0xC2 && lead <= 0xDF   ? 2
                     : lead >= 0xE0 && lead <= 0xEF ? 3
                     : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                    : 0;
    if (n == 0 || at + n > text.size())
        return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;  // overlong, surrogate or past U+10FFFF
    return n;
}

// The longest UTF-8 sequence of the text (1 for ASCII), or 0 when it is not UTF-8.
size_t Utf8Width(std::string_view text) {
    size_t widest = 1;
    for (size_t at = 0; at < text.size();) {
        const size_t n = Utf8Sequence(text, at);
        if (n == 0)
            return 0;
        widest = std::max(widest, n);
        at += n;
    }
    return widest;
}

std::string Bare(std::string_view name) {
    return BareName(name);
}

bool SpeaksOnlyAscii(const std::string& codeset) {
    const std::string bare = Bare(codeset);
    return bare.empty() || bare == "ANSIX3.41968" || bare == "ASCII" || bare == "USASCII" ||
           bare == "646";
}

// The code page names are shown in. The C and POSIX locales name none beyond ASCII, while the
// terminals and scripts that run in them speak UTF-8 today (Python takes them as UTF-8 too);
// the stored GB18030 bytes would show as mojibake there.
std::string Speaks(const std::string& terminal) {
    return SpeaksOnlyAscii(terminal) ? "UTF-8" : terminal;
}

}  // namespace

std::string BareName(std::string_view name) {
    std::string bare;
    for (char c : name) {
        if (c != '-' && c != '_')
            bare += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return bare;
}

const char* NamesCodePage(const std::vector<std::string>& names) {
    size_t widest = 1;
    for (const std::string& name : names) {
        const size_t width = Utf8Width(name);
        if (width == 0)
            return "GB18030";
        widest = std::max(widest, width);
    }
    return widest >= 3 ? "UTF-8" : "GB18030";
}

NameCodec::NameCodec(const char* storeCodePage, const std::string& terminal, bool raw)
    : raw_(raw || Bare(Speaks(terminal)) == Bare(storeCodePage)),
      toTerminal_(raw_ ? "ASCII" : Speaks(terminal).c_str(), storeCodePage),
      toStore_(storeCodePage, raw_ ? "ASCII" : Speaks(terminal).c_str()) {}

std::string NameCodec::Shown(const std::string& stored) {
    std::string shown;
    if (raw_ || !toTerminal_.Convert(stored, &shown))
        return stored;
    return shown;
}

std::string NameCodec::Stored(const std::string& typed) {
    std::string stored;
    if (raw_)
        return typed;
    return toStore_.Convert(typed, &stored) ? stored : std::string();
}

Utf8Export::Utf8Export(ExportWriter* writer) : writer_(writer), fromGb18030_("UTF-8", "GB18030") {}

bool Utf8Export::LineReadsAsUtf8(std::string_view line) {
    const size_t width = Utf8Width(line);
    if (width == 1)
        return true;  // ASCII reads the same either way
    if (width != 2)
        utf8_ = width >= 3;
    return utf8_;
}

std::string_view Utf8Export::Converted(std::string_view text) {
    if (!started_) {
        started_ = true;
        writer_->Plain("\xEF\xBB\xBF", 3, 0);
    }
    // Text passes unchanged until a line needs converting; from there on it is gathered in
    // converted_, the lines to be read as GB18030 in runs of one conversion each.
    bool copying = false;
    size_t run = 0;  // start of the GB18030 lines not yet converted
    bool inRun = false;
    converted_.clear();
    for (size_t at = 0; at < text.size();) {
        const size_t newline = text.find('\n', at);
        const size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
        const bool asIs = LineReadsAsUtf8(text.substr(at, end - at));
        if (!asIs && !inRun) {
            if (!copying)
                converted_.assign(text.data(), at);
            copying = true;
            inRun = true;
            run = at;
        } else if (asIs && inRun) {
            fromGb18030_.Convert(text.substr(run, at - run), &converted_, true);
            inRun = false;
        }
        if (asIs && copying)
            converted_.append(text.data() + at, end - at);
        at = end;
    }
    if (inRun)
        fromGb18030_.Convert(text.substr(run), &converted_, true);
    return copying ? std::string_view(converted_) : text;
}

void Utf8Export::ChunkCallback(void* context, const char* text, uint32_t length) {
    auto* self = static_cast<Utf8Export*>(context);
    if (text == nullptr || length == 0)
        return;
    const std::string_view converted = self->Converted(std::string_view(text, length));
    self->writer_->Chunk(converted.data(), static_cast<uint32_t>(converted.size()));
}

void Utf8Export::RunCallback(void* context, const char* stored, uint32_t length, uint32_t lines,
                             int* /*stop*/) {
    auto* self = static_cast<Utf8Export*>(context);
    if (stored == nullptr || length == 0)
        return;
    self->plain_.resize(length);
    storefs::InvertBytes(self->plain_.data(), stored, length);
    const std::string_view converted = self->Converted(self->plain_);
    self->writer_->Plain(converted.data(), static_cast<uint32_t>(converted.size()), lines);
}

}  // namespace cli
