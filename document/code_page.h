// The code page of a document's text, decided once from its leading bytes so that every text of
// one document reads the same way. A short GB18030 text is often valid UTF-8 by accident ("液位"
// is D2 BA CE BB, which UTF-8 reads as "һλ"); judged alone it would show wrong, judged with the
// rest of its document it shows right.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class TextCodec : uint8_t {
    // Nothing to decide from (no text, or plain ASCII): each text is judged alone, valid UTF-8
    // as UTF-8 and anything else as GB18030; typed text goes to GB18030.
    kPerText,
    // The document's non-ASCII bytes are valid UTF-8; typed text goes to UTF-8.
    kUtf8,
    // Some non-ASCII bytes of the document are not UTF-8: all of its text is GB18030.
    kGb18030,
};

// Leading bytes of a document that decide its code page. The title and header lines are looked
// at whole even when they run longer.
constexpr size_t kCodePageSampleBytes = 1024 * 1024;

// The code page of a sample of a document (its first bytes): kGb18030 when some non-ASCII byte
// is not part of a well-formed UTF-8 sequence, kUtf8 when there are non-ASCII bytes and all are,
// kPerText for plain ASCII. A sequence cut off by the sample's end counts as well-formed.
TextCodec DecideCodePage(std::string_view sample);

// DecideCodePage of text's first kCodePageSampleBytes bytes, extended to the end of the title
// and header lines when they end later.
TextCodec DecideDocumentCodePage(std::string_view text);
