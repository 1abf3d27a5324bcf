// Helpers shared by the fuzz targets: a scratch folder per process, files written in the store's
// inverted encoding, a reader that takes parameters from the front of the input, and a check
// that turns a broken invariant into a crash the fuzzer records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// A folder of its own for this process (native path ending in "/"; under $TMPDIR, else
// /dev/shm when writable, else /tmp), created on first use and
// removed when the process exits.
const std::string& ScratchRoot();

// Writes size bytes, each inverted, to path (replacing the file). Aborts when it cannot.
void WriteInvertedFile(const std::string& path, const uint8_t* data, size_t size);

// Creates the folder and its parents; aborts when it cannot.
void MakeFolders(const std::string& path);

// Deletes a file or a whole folder tree; a missing one is fine.
void RemoveTree(const std::string& path);

[[noreturn]] void CheckFailed(const char* condition, const char* file, int line);

// Takes little-endian numbers and byte runs from the front of the input; once the input is used
// up every number reads as 0 and every run is empty.
class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    // Up to n bytes; *taken says how many there were.
    const uint8_t* Bytes(size_t n, size_t* taken);
    const uint8_t* Rest(size_t* taken) { return Bytes(size_, taken); }
    size_t Remaining() const { return size_; }

  private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace fuzzsupport

#define FUZZ_CHECK(condition)                                           \
    do {                                                                \
        if (!(condition)) {                                             \
            ::fuzzsupport::CheckFailed(#condition, __FILE__, __LINE__); \
        }                                                               \
    } while (0)
