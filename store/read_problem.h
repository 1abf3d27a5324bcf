// What kept a reader of a store from a file or folder it needed. Readers that go on past such a
// file (a query reads the other folders) keep the first one met and count them all, so that the
// caller can name it instead of taking what is missing for "no records".
#pragma once

#include <cstdint>
#include <string>

struct ReadProblem {
    enum class Kind : uint8_t {
        kNone,
        kMissing,       // nothing of that name
        kCannotOpen,    // the open failed with error (permissions, not a folder, ...)
        kCannotRead,    // a read failed with error
        kNotAFile,      // a folder, FIFO or device where a file should be
        kEmptyIndex,    // a folder index of 0 bytes
        kPartialIndex,  // a folder index of size bytes, not a whole number of 8-byte entries:
                        // damaged, or being written by the panel at this moment
    };
    Kind kind = Kind::kNone;
    std::string path;    // native path of the first file or folder met
    int error = 0;       // errno of kCannotOpen and kCannotRead
    uint64_t size = 0;   // bytes of a kPartialIndex
    uint32_t count = 0;  // files and folders met in all

    bool Any() const { return count > 0; }
    // Counts a file or folder (a store path) and keeps it when it is the first.
    void Note(Kind what, const std::string& storePath, int errorNumber = 0, uint64_t bytes = 0);
    // Counts the other's files and folders after this one's; keeps its first when this has none.
    void Add(const ReadProblem& other);
};

// The problem in words for the command-line tools, such as "cannot open /a/b/17.idx: Permission
// denied", and how many more there were; empty when there is none.
std::string ReadProblemText(const ReadProblem& problem);
