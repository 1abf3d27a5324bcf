// Writing bytes in the store's encoding: every byte is written as its one's complement.
#pragma once

#include <cstdint>

// Largest piece handed to one write call. Each piece is inverted into a scratch area first.
constexpr uint32_t kWritePiece = 65536;

// Writes length bytes to the open descriptor fd, inverted, from the current file position.
// *written starts at 0 and grows by what each write reports. A length of 0 succeeds at once.
// False when bytes is null, fd is not an open descriptor, a write fails or reports 0 bytes.
bool WriteInverted(int fd, const char* bytes, uint32_t length, uint32_t* written);

// The same without inversion (plain CSV files).
bool WritePlain(int fd, const char* bytes, uint32_t length, uint32_t* written);
