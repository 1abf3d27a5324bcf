// histavue-mkstore: writes a sample data root (the DL and AL log stores) for demos, tests and
// benchmarks.
//
//   histavue-mkstore --out DIR [--preset demo|bench|year] [--seed N] [--days N]
//
// Exit status: 0 done (one summary line on stdout), 1 the store could not be written (one line
// on stderr), 2 bad command line (usage on stderr).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "log_text_file.h"
#include "sample_store.h"

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: histavue-mkstore --out DIR [--preset demo|bench|year] [--seed N] [--days N]\n"
    "  --out DIR       data root to write: DIR/DL and DIR/AL are replaced, nothing else\n"
    "  --preset NAME   demo (default): a few MB of realistic groups and alarms;\n"
    "                  bench: one 1-second group of 20 channels over 31 days, and\n"
    "                  about 20,000 alarm records over the same days;\n"
    "                  year: one 1-second group \"Year1s\" of 20 channels of process\n"
    "                  data over 365 days from 2024-01-01 (about 4 GB), with stops in\n"
    "                  recording, spikes and unreadable cells (\"####\"), and an alarm\n"
    "                  log of about 2,000 alarms over the same days\n"
    "  --seed N        0 to 4294967295 (default 1); the same seed gives the same bytes\n"
    "  --days N        year preset only: write its first N days, 1 to 3660 (default\n"
    "                  365); a longer store begins with the same folders\n"
    "  -h, --help      show this text\n"
    "  --version       show the version\n";

int Usage(const char* problem) {
    if (problem != nullptr) {
        std::fprintf(stderr, "histavue-mkstore: %s\n", problem);
    }
    std::fputs(kUsage, stderr);
    return 2;
}

// A decimal from 0 to UINT32_MAX.
bool ParseUnsigned(const char* text, uint32_t* out) {
    if (*text == '\0') {
        return false;
    }
    uint64_t v = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > UINT32_MAX) {
            return false;
        }
    }
    *out = static_cast<uint32_t>(v);
    return true;
}

struct Totals {
    uint64_t groups = 0;
    uint64_t records = 0;
    uint64_t bytes = 0;
};

// Adds up what one store folder holds: groups named in its root index, records (one 8-byte
// index entry each) and bytes of all its files.
bool CountStore(const fs::path& folder, Totals* totals) {
    LogTextFile root;
    if (root.Open((folder / "NewDLRoot.idx").string().c_str(), true)) {
        const TextBuffer& text = root.Buffer();
        uint32_t position = 0;
        const char* line = nullptr;
        uint32_t length = 0;
        while (text.NextLine(&position, &line, &length)) {
            if (std::memchr(line, '=', length) != nullptr) {
                ++totals->groups;
            }
            position += length;
        }
        root.Close();
    }
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) {
            continue;
        }
        const uint64_t size = it->file_size(ec);
        totals->bytes += size;
        const std::string name = it->path().filename().string();
        if (name != "NewDLRoot.idx" && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".idx") == 0) {
            totals->records += size / 8;
        }
    }
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::string preset = "demo";
    uint32_t seed = 1;
    uint32_t days = 0;  // 0: the preset's own span
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("histavue-mkstore " HISTAVUE_VERSION "\n", stdout);
            return 0;
        }
        std::string value;
        const size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        } else if (arg == "--out" || arg == "--preset" || arg == "--seed" || arg == "--days") {
            if (i + 1 >= argc) {
                return Usage((arg + " needs a value").c_str());
            }
            value = argv[++i];
        } else {
            return Usage(("unknown argument: " + arg).c_str());
        }
        if (arg == "--out") {
            if (value.empty()) {
                return Usage("--out needs a folder");
            }
            out = value;
        } else if (arg == "--preset") {
            if (value != "demo" && value != "bench" && value != "year") {
                return Usage(("unknown preset: " + value).c_str());
            }
            preset = value;
        } else if (arg == "--seed") {
            if (!ParseUnsigned(value.c_str(), &seed)) {
                return Usage(("bad seed: " + value).c_str());
            }
        } else if (arg == "--days") {
            if (!ParseUnsigned(value.c_str(), &days) || days == 0 || days > kMaxYearDays) {
                return Usage(("bad number of days: " + value).c_str());
            }
        } else {
            return Usage(("unknown argument: " + arg).c_str());
        }
    }
    if (out.empty()) {
        return Usage("--out is required");
    }
    if (days != 0 && preset != "year") {
        return Usage("--days goes with --preset year only");
    }

    std::string error;
    const bool written = days != 0 ? WriteYearStore(out, seed, days, &error)
                                   : WriteSampleStore(out, preset, seed, &error);
    if (!written) {
        std::fprintf(stderr, "histavue-mkstore: %s\n", error.c_str());
        return 1;
    }
    Totals totals;
    if (!CountStore(fs::path(out) / "DL", &totals) || !CountStore(fs::path(out) / "AL", &totals)) {
        std::fprintf(stderr, "histavue-mkstore: cannot read back the store in %s\n", out.c_str());
        return 1;
    }
    std::printf("%s store in %s: groups %llu, records %llu, bytes %llu\n", preset.c_str(),
                out.c_str(), static_cast<unsigned long long>(totals.groups),
                static_cast<unsigned long long>(totals.records),
                static_cast<unsigned long long>(totals.bytes));
    return 0;
}
