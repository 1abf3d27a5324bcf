// Store and document text stays bytes; this turns it into display text and back. Bytes that are
// valid UTF-8 show as UTF-8, anything else as GB18030 (a superset of the panels' double-byte
// Chinese code page). Text typed by the user goes back to the code page.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

QString DecodeText(std::string_view bytes);
inline QString DecodeText(const std::string& bytes) {
    return DecodeText(std::string_view(bytes));
}

// Most bytes of one cell or caption that are shown; longer text is cut there.
constexpr size_t kShownTextBytes = 4096;

// DecodeText of at most the first kShownTextBytes bytes, cut at a character boundary and ended
// with "…" when something was cut. Only the shown part is examined, so a cell of many megabytes
// costs no more than one of a few kilobytes.
QString DecodeShown(std::string_view bytes);

// Encodes display text in GB18030 (plain ASCII stays as it is).
std::string EncodeText(const QString& text);
