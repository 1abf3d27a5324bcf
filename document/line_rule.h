// Cutting text into lines of a fixed number of bytes without splitting a character, for the
// chart's footer (130 bytes a line) and the printed remark (80).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Cuts text into length / width + 1 lines. Line k is taken from the window of bytes
// [k * width, (k + 1) * width): it starts where the line before it ended (the window start, or
// just after it when the line before took the tail of a character across the window edge) and
// ends at the window's end, or just after it when a character crosses that end. A line may be
// empty (the last one, when the length is a multiple of width). Characters are those of the text's
// code page (UTF-8 when the text is valid UTF-8, else GB18030, four-byte characters included).
// A width of 0 gives one line holding the whole text.
std::vector<std::string> CutTextLines(std::string_view text, size_t width);

// The longest prefix of text of at most maxBytes bytes that does not end inside a character.
std::string CutToCharacters(std::string_view text, size_t maxBytes);
