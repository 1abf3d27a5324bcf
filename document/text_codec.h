// Store and document text stays bytes; this turns it into display text and back. A document's
// text is decoded in the code page decided for that document (see code_page.h). Text that
// belongs to no document follows the per-text rule: bytes that are valid UTF-8 show as UTF-8,
// anything else as GB18030 (a superset of the panels' double-byte Chinese code page). Text typed
// by the user goes back to the code page.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

#include "code_page.h"

// Bytes in codec: kGb18030 always reads GB18030; kUtf8 and kPerText read valid UTF-8 as UTF-8
// and anything else as GB18030 (so a stray GB18030 text in a UTF-8 document still reads as text).
QString DecodeText(std::string_view bytes, TextCodec codec);
inline QString DecodeText(std::string_view bytes) {
    return DecodeText(bytes, TextCodec::kPerText);
}
inline QString DecodeText(const std::string& bytes, TextCodec codec = TextCodec::kPerText) {
    return DecodeText(std::string_view(bytes), codec);
}

// Most bytes of one cell or caption that are shown; longer text is cut there.
constexpr size_t kShownTextBytes = 4096;

// DecodeText of at most the first kShownTextBytes bytes, cut at a character boundary and ended
// with "…" when something was cut. Only the shown part is examined, so a cell of many megabytes
// costs no more than one of a few kilobytes.
QString DecodeShown(std::string_view bytes, TextCodec codec = TextCodec::kPerText);

// Encodes display text in UTF-8 for a kUtf8 document, else in GB18030 (plain ASCII stays as it
// is either way).
std::string EncodeText(const QString& text, TextCodec codec = TextCodec::kPerText);
