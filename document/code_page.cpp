#include "code_page.h"

#include <algorithm>

#include "text_bytes.h"

namespace {

// Length of the sample without a UTF-8 sequence that its end cuts off; such a tail says
// nothing about the code page.
size_t WithoutCutSequence(std::string_view s) {
    size_t start = s.size();
    // Up to three continuation bytes end the sample; the lead byte is before them.
    while (start > 0 && s.size() - start < 3 &&
           (static_cast<unsigned char>(s[start - 1]) & 0xC0) == 0x80) {
        --start;
    }
    if (start == 0)
        return s.size();
    const auto lead = static_cast<unsigned char>(s[start - 1]);
    const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return s.size() - (start - 1) < need ? start - 1 : s.size();
}

}  // namespace

TextCodec DecideCodePage(std::string_view sample) {
    size_t first = 0;
    while (first < sample.size() && static_cast<unsigned char>(sample[first]) < 0x80)
        ++first;
    if (first == sample.size())
        return TextCodec::kPerText;
    const std::string_view rest = sample.substr(first);
    return IsValidUtf8(rest.data(), WithoutCutSequence(rest)) ? TextCodec::kUtf8
                                                              : TextCodec::kGb18030;
}

TextCodec DecideDocumentCodePage(std::string_view text) {
    // The title and header lines (the first two that hold more than a line end) are decided on
    // whole, however long they are.
    size_t headerEnd = 0;
    for (int lines = 0; lines < 2 && headerEnd < text.size();) {
        const size_t end = std::min(text.find('\n', headerEnd), text.size());
        const std::string_view line = text.substr(headerEnd, end - headerEnd);
        if (!line.empty() && line != "\r")
            ++lines;
        headerEnd = end == text.size() ? end : end + 1;
    }
    return DecideCodePage(text.substr(0, std::max(headerEnd, kCodePageSampleBytes)));
}
