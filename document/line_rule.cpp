#include "line_rule.h"

#include <algorithm>

#include "text_bytes.h"

std::vector<std::string> CutTextLines(std::string_view text, size_t width) {
    if (width == 0)
        return {std::string(text)};
    const bool utf8 = IsValidUtf8(text.data(), text.size());
    const size_t lines = text.size() / width + 1;
    std::vector<std::string> out;
    out.reserve(lines);
    size_t at = 0;  // first byte not yet output
    for (size_t k = 0; k < lines; ++k) {
        const size_t windowEnd = std::min(text.size(), (k + 1) * width);
        size_t end = at;
        while (end < windowEnd)
            end += CharacterLength(text.data(), text.size(), end, utf8);
        out.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

std::string CutToCharacters(std::string_view text, size_t maxBytes) {
    return std::string(text.substr(0, DoubleByteSafeLength(text.data(), text.size(), maxBytes)));
}
