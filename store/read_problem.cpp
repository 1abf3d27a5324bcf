#include "read_problem.h"

#include <cstring>

#include "file_system.h"

void ReadProblem::Note(Kind what, const std::string& storePath, int errorNumber, uint64_t bytes) {
    if (count++ > 0)
        return;
    kind = what;
    path = storefs::NativePath(storePath);
    error = errorNumber;
    size = bytes;
}

void ReadProblem::Add(const ReadProblem& other) {
    if (!other.Any())
        return;
    const uint32_t before = count;
    if (before == 0)
        *this = other;
    else
        count = before + other.count;
}

std::string ReadProblemText(const ReadProblem& problem) {
    std::string text;
    switch (problem.kind) {
        case ReadProblem::Kind::kNone:
            return text;
        case ReadProblem::Kind::kMissing:
            text = problem.path + ": no such file";
            break;
        case ReadProblem::Kind::kCannotOpen:
            text = "cannot open " + problem.path + ": " + std::strerror(problem.error);
            break;
        case ReadProblem::Kind::kCannotRead:
            text = "cannot read " + problem.path + ": " + std::strerror(problem.error);
            break;
        case ReadProblem::Kind::kNotAFile:
            text = problem.path + ": not a regular file";
            break;
        case ReadProblem::Kind::kEmptyIndex:
            text = problem.path + ": the folder index is empty";
            break;
        case ReadProblem::Kind::kPartialIndex:
            text = problem.path + ": the folder index has " + std::to_string(problem.size) +
                   " bytes, not a whole number of 8-byte entries (damaged, or being written by "
                   "the panel: try again)";
            break;
    }
    if (problem.count > 1)
        text += " (and " + std::to_string(problem.count - 1) + " more)";
    return text;
}
