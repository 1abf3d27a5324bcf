#include "cli_arguments.h"

#include <cstdarg>
#include <cstring>

#include "calendar_time.h"

namespace cli {

const char kProgram[] = "histavue-cli";

const char kUsage[] =
    "Usage: histavue-cli groups --store DIR [OPTION]...\n"
    "  or:  histavue-cli list --store DIR --group NAME [OPTION]...\n"
    "  or:  histavue-cli export --store DIR --group NAME --item ITEM [OPTION]...\n"
    "  or:  histavue-cli query --store DIR --group NAME --from TIME --to TIME [OPTION]...\n"
    "  or:  histavue-cli cat FILE\n"
    "\n"
    "Commands:\n"
    "  groups   the group names of the store, one a line\n"
    "  list     the children of a tree position of a group, one a line\n"
    "  export   the records of one deepest-level folder, or of one block\n"
    "  query    the records from --from to --to (both inclusive), thinned to one per\n"
    "           --interval seconds\n"
    "  cat      prints an inverted file (store file or export) as plain text\n"
    "\n"
    "Options:\n"
    "  --store DIR      data folder of one record kind (holds NewDLRoot.idx); only read\n"
    "  --staging DIR    folder for the working copy of the root index (default: a private\n"
    "                   temporary folder, removed at exit)\n"
    "  --long           groups: name, id in hex, interval in seconds and partition\n"
    "                   depth, tab-separated\n"
    "  --group NAME     the group, in the terminal's encoding or as stored\n"
    "  --path PATH      list: the parent, YYYY, YYYY\\MM, ... (default: the years)\n"
    "  --blocks         list: the block files of a deepest-level folder\n"
    "  --item ITEM      export: a deepest-level folder (YYYY\\MM\\DD for a day group)\n"
    "                   or one of its blocks (YYYY\\MM\\DD(N), N in hex)\n"
    "  --from TIME      query: the first time, 'YYYY-MM-DD HH:MM[:SS]'\n"
    "  --to TIME        query: the last time, in the same form\n"
    "  --interval SECONDS  query: a record every SECONDS (default 0: every record)\n"
    "  --out FILE       write the CSV to FILE inverted, as the viewer's export files\n"
    "                   (default: plain text on standard output)\n"
    "  --plain          with --out: write FILE as plain text\n"
    "  --encoding utf-8  plain output converted to UTF-8 after a byte-order mark,\n"
    "                    as spreadsheet programs read it (default: as stored)\n"
    "  --raw-names      print group names as stored, not in the terminal's encoding\n"
    "  -h, --help       show this text\n"
    "  --version        show the version\n"
    "\n"
    "Tree paths and items take '/' for '\\' too.\n"
    "Exit status: 0 success, 1 failure (reason on standard error), 2 usage error.\n";

namespace {

struct OptionSpec {
    const char* name;
    bool takesValue;
};

const OptionSpec kOptions[kOptionCount] = {
    {"store", true},    {"staging", true},    {"long", false}, {"group", true},
    {"path", true},     {"blocks", false},    {"item", true},  {"from", true},
    {"to", true},       {"interval", true},   {"out", true},   {"plain", false},
    {"encoding", true}, {"raw-names", false},
};

const CommandSpec kCommands[] = {
    {"groups", Bit(kStore) | Bit(kStaging) | Bit(kLong) | Bit(kRawNames), Bit(kStore)},
    {"list", Bit(kStore) | Bit(kStaging) | Bit(kGroup) | Bit(kPath) | Bit(kBlocks) | Bit(kRawNames),
     Bit(kStore) | Bit(kGroup)},
    {"export",
     Bit(kStore) | Bit(kStaging) | Bit(kGroup) | Bit(kItem) | Bit(kOut) | Bit(kPlain) |
         Bit(kEncoding) | Bit(kRawNames),
     Bit(kStore) | Bit(kGroup) | Bit(kItem)},
    {"query",
     Bit(kStore) | Bit(kStaging) | Bit(kGroup) | Bit(kFrom) | Bit(kTo) | Bit(kInterval) |
         Bit(kOut) | Bit(kPlain) | Bit(kEncoding) | Bit(kRawNames),
     Bit(kStore) | Bit(kGroup) | Bit(kFrom) | Bit(kTo)},
    {"cat", 0, 0},
};

// Reads minDigits..maxDigits decimal digits at p.
bool ReadDigits(const char*& p, int minDigits, int maxDigits, unsigned* out) {
    unsigned v = 0;
    int n = 0;
    while (n < maxDigits && *p >= '0' && *p <= '9') {
        v = v * 10 + static_cast<unsigned>(*p - '0');
        ++p;
        ++n;
    }
    *out = v;
    return n >= minDigits && !(*p >= '0' && *p <= '9');
}

bool IsUtf8Name(const std::string& name) {
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower == "utf-8" || lower == "utf8";
}

bool Expect(const char*& p, char c) {
    if (*p != c)
        return false;
    ++p;
    return true;
}

}  // namespace

void Say(std::FILE* err, const char* format, ...) {
    std::fprintf(err, "%s: ", kProgram);
    va_list args;
    va_start(args, format);
    std::vfprintf(err, format, args);
    va_end(args);
    std::fputc('\n', err);
    std::fflush(err);
}

int UsageError(std::FILE* err, const std::string& reason) {
    std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram, reason.c_str(),
                 kProgram);
    std::fflush(err);
    return 2;
}

bool ParseArguments(int argc, const char* const* argv, Arguments* args, std::string* reason) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            args->help = true;
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            args->version = true;
            return true;
        }
    }
    if (argc < 2) {
        *reason = "no command given";
        return false;
    }
    for (const CommandSpec& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            args->command = &c;
        }
    }
    if (args->command == nullptr) {
        *reason = std::string("unknown command '") + argv[1] + "'";
        return false;
    }
    const std::string command = args->command->name;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (!arg.empty() && arg[0] == '-' && arg != "-") {
                *reason = "unknown option '" + arg + "'";
                return false;
            }
            args->operands.push_back(arg);
            continue;
        }
        const size_t eq = arg.find('=');
        const std::string name =
            arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        int found = -1;
        for (int o = 0; o < kOptionCount; ++o) {
            if (name == kOptions[o].name)
                found = o;
        }
        if (found < 0) {
            *reason = "unknown option '--" + name + "'";
            return false;
        }
        const Option option = static_cast<Option>(found);
        if ((args->command->allowed & Bit(option)) == 0) {
            *reason = "option --" + name + " does not apply to '" + command + "'";
            return false;
        }
        if (args->Has(option)) {
            *reason = "option --" + name + " given twice";
            return false;
        }
        std::string value;
        if (kOptions[option].takesValue) {
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                value = argv[++i];
            } else {
                *reason = "option --" + name + " needs a value";
                return false;
            }
            if (value.empty()) {
                *reason = "option --" + name + " needs a non-empty value";
                return false;
            }
        } else if (eq != std::string::npos) {
            *reason = "option --" + name + " takes no value";
            return false;
        }
        args->given |= Bit(option);
        args->value[option] = value;
    }
    if (command == "cat") {
        if (args->operands.size() != 1) {
            *reason = args->operands.empty() ? "cat needs a FILE" : "cat takes one FILE";
            return false;
        }
    } else if (!args->operands.empty()) {
        *reason = "unexpected argument '" + args->operands[0] + "'";
        return false;
    }
    for (int o = 0; o < kOptionCount; ++o) {
        const Option option = static_cast<Option>(o);
        if ((args->command->required & Bit(option)) != 0 && !args->Has(option)) {
            *reason = "'" + command + "' needs --" + kOptions[o].name;
            return false;
        }
    }
    if (args->Has(kPlain) && !args->Has(kOut)) {
        *reason = "--plain needs --out (standard output is always plain)";
        return false;
    }
    if (args->Has(kEncoding)) {
        if (!IsUtf8Name(args->value[kEncoding])) {
            *reason = "unknown encoding '" + args->value[kEncoding] + "' (expected utf-8)";
            return false;
        }
        if (args->Has(kOut) && !args->Has(kPlain)) {
            *reason = "--encoding needs plain output (--plain, or standard output)";
            return false;
        }
    }
    return true;
}

bool ParseTime(const std::string& text, CalendarTime* t) {
    const char* p = text.c_str();
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(p, 4, 4, &year) || !Expect(p, '-') || !ReadDigits(p, 1, 2, &month) ||
        !Expect(p, '-') || !ReadDigits(p, 1, 2, &day)) {
        return false;
    }
    if (*p == 'T') {
        ++p;
    } else {
        if (*p != ' ')
            return false;
        while (*p == ' ')
            ++p;
    }
    if (!ReadDigits(p, 1, 2, &hour) || !Expect(p, ':') || !ReadDigits(p, 1, 2, &minute)) {
        return false;
    }
    if (*p == ':' && (!Expect(p, ':') || !ReadDigits(p, 1, 2, &second))) {
        return false;
    }
    if (*p != '\0')
        return false;
    const CalendarTime parsed = MakeCalendarTime(year, month, day, hour, minute, second);
    if (!IsValidCalendarTime(parsed))
        return false;
    *t = parsed;
    return true;
}

bool ParseInterval(const std::string& text, uint32_t* out) {
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > UINT32_MAX)
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

std::string StorePathText(const std::string& text) {
    std::string s = text;
    for (char& c : s) {
        if (c == '/')
            c = '\\';
    }
    return s;
}

}  // namespace cli
