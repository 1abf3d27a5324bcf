// Byte-level rules of the two text encodings that records come in: UTF-8 and the Chinese code
// page (GB18030). Nothing here decodes; it only tells where characters start and end, so that
// text can be cut to a byte limit without splitting a character.
#pragma once

#include <cstddef>

// True when text is well-formed UTF-8.
bool IsValidUtf8(const char* text, size_t length);

// Length of the longest prefix of text[0, maxBytes) that does not end inside a character: of a
// UTF-8 sequence when the text is UTF-8, else of a character of the Chinese code page (see
// CharacterLength).
size_t DoubleByteSafeLength(const char* text, size_t length, size_t maxBytes);

// Bytes of the character that starts at text[at] (at < length). In UTF-8 text (utf8 set) a
// sequence; otherwise GB18030: a lead byte 0x81..0xFE takes the next byte with it, or the next
// three when the next is a digit 0x30..0x39 (a four-byte character). A character cut short by the
// end of the text counts as one byte per byte left.
size_t CharacterLength(const char* text, size_t length, size_t at, bool utf8);
