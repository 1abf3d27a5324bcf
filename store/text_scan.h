// Reading a whole text file in one pass: the file comes in pieces small enough to stay in the
// cache, and each piece is un-inverted (when stored inverted) and searched for its line ends
// while it is there, so that after the copy from the file the text is touched once instead of
// once to invert it and once more to find its lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "text_buffer.h"

// A block for a whole file's text plus a terminator byte, freed with free(); null when it cannot
// be had. Large blocks are aligned to and marked for huge pages.
char* AllocateTextBlock(size_t n);

// The pass over one piece: copies n bytes from src to dst (the same place is fine), inverting
// each when invert is set, and writes base + the offset of every "\n" of the result, in order,
// to lineEnds (room for n). Returns the number of line ends; *anyNul is set when the result holds
// a NUL byte (never cleared). Uses the widest vector instructions the processor has.
size_t ScanPiece(char* dst, const char* src, size_t n, bool invert, uint32_t base,
                 uint32_t* lineEnds, bool* anyNul);

// Reads the file open on fd from its current position for its size at the call into *text
// (its old content replaced), inverting every byte when invert is set, and attaches the line ends
// found on the way (TextBuffer::KnownLineEnds). piece: bytes per read (0: the default, which
// suits the cache). False, with *text empty, on a read error, a file that ends early, or one of
// 4 GiB or more; an empty file gives an empty text with no line ends and true.
bool ReadTextWithLineEnds(int fd, bool invert, TextBuffer* text, size_t piece = 0);
