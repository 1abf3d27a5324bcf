// The command line of histavue-cli: its commands and options, the usage text, and the reading
// of option values (times, intervals, tree paths).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct CalendarTime;

namespace cli {

extern const char kProgram[];
extern const char kUsage[];

enum Option {
    kStore,
    kStaging,
    kLong,
    kGroup,
    kPath,
    kBlocks,
    kItem,
    kFrom,
    kTo,
    kInterval,
    kOut,
    kPlain,
    kEncoding,
    kRawNames,
    kOptionCount
};

constexpr unsigned Bit(Option o) {
    return 1u << o;
}

struct CommandSpec {
    const char* name;
    unsigned allowed;
    unsigned required;
};

struct Arguments {
    const CommandSpec* command = nullptr;
    unsigned given = 0;
    std::string value[kOptionCount];
    std::vector<std::string> operands;
    bool help = false;
    bool version = false;

    bool Has(Option o) const { return (given & Bit(o)) != 0; }
};

// The printf that checks Say's formats: MinGW's own (with %zu) on Windows, as its headers name it.
#ifdef __MINGW_PRINTF_FORMAT
#define HISTAVUE_PRINTF __MINGW_PRINTF_FORMAT
#else
#define HISTAVUE_PRINTF printf
#endif

// A message on err, after the program's name.
void Say(std::FILE* err, const char* format, ...) __attribute__((format(HISTAVUE_PRINTF, 2, 3)));

// A usage error: the reason on one line, then where the usage text is. Returns the exit
// status 2.
int UsageError(std::FILE* err, const std::string& reason);

// Parses the command line; on a usage error fills *reason and returns false.
bool ParseArguments(int argc, const char* const* argv, Arguments* args, std::string* reason);

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (a "T" may stand for the blank), a real date
// and time from 1601 on.
bool ParseTime(const std::string& text, CalendarTime* t);

// A whole number of seconds, 0 to 4294967295.
bool ParseInterval(const std::string& text, uint32_t* out);

// A tree path or item as the store spells it: fields separated by "\".
std::string StorePathText(const std::string& text);

}  // namespace cli
