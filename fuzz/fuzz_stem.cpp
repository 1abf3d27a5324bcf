// Stems and partition keys: parsing arbitrary text in both stem forms, formatting what parses
// and parsing it again, and the folder-period arithmetic on arbitrary keys.
#include <string>

#include "calendar_time.h"
#include "folder_list.h"
#include "fuzz_support.h"
#include "time_key.h"

namespace {

bool SameKey(const TimeKey& a, const TimeKey& b) {
    if (a.count != b.count)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (a.value[i] != b.value[i])
            return false;
    }
    return true;
}

void CheckStem(const char* text, size_t length, char sep, bool expectId, bool wantBlock) {
    ParsedStem parsed;
    if (!ParseStem(text, length, sep, expectId, wantBlock, &parsed)) {
        return;
    }
    FUZZ_CHECK(parsed.key.count <= 3);
    FUZZ_CHECK(parsed.block >= -1 && parsed.block <= 255);
    FUZZ_CHECK(wantBlock || parsed.block == -1);
    FUZZ_CHECK(expectId || parsed.id == 0);
    // Values past the count are never set.
    for (int i = parsed.key.count + 1; i < 4; ++i) {
        FUZZ_CHECK(parsed.key.value[i] == 0);
    }

    // Formatting what parsed and parsing that again gives the same id and key, in both forms.
    for (char form : {kNestedSeparator, kFlatSeparator}) {
        std::string stem;
        FUZZ_CHECK(MakeStem(parsed.id, parsed.key, form, &stem));
        ParsedStem again;
        FUZZ_CHECK(ParseStem(stem, form, true, false, &again));
        FUZZ_CHECK(again.id == parsed.id);
        FUZZ_CHECK(SameKey(again.key, parsed.key));
        FUZZ_CHECK(again.block == -1);
        // The tree path below the id parses to the same key without one.
        const size_t cut = stem.find(form);
        FUZZ_CHECK(cut != std::string::npos);
        ParsedStem treePath;
        FUZZ_CHECK(ParseStem(stem.substr(cut + 1), form, false, wantBlock, &treePath));
        FUZZ_CHECK(SameKey(treePath.key, parsed.key));
    }
}

void CheckKey(const TimeKey& key) {
    // None of these may fail hard, whatever the count and values.
    const CalendarTime start = KeyToTime(key);
    const CalendarTime next = NextKeyTime(key);
    const uint32_t period = FolderPeriodSeconds(key);
    uint64_t from = 0;
    uint64_t to = 0;
    if (period == 0) {
        return;
    }
    // A period only exists between two real times, and no folder spans more than a leap year.
    FUZZ_CHECK(CalendarToFileTime(start, &from) && CalendarToFileTime(next, &to));
    FUZZ_CHECK(to > from);
    FUZZ_CHECK(period <= 366u * 86400u);
    FUZZ_CHECK(static_cast<uint64_t>(period) * kFileTimeUnitsPerSecond == to - from);
    // The folder start lies in its own folder at the key's depth.
    const int depth = key.count > 3 ? 3 : key.count;
    FUZZ_CHECK(CompareKeys(KeyFromTime(start, depth), key, depth) == 0);
    FUZZ_CHECK(CompareKeys(KeyFromTime(next, depth), key, depth) > 0);
    const std::string path = GroupFolderPath("D\\", 1, key, depth + 1);
    FUZZ_CHECK(path.size() >= 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) {
        return 0;
    }
    fuzzsupport::ByteReader in(data, size);
    TimeKey key;
    key.count = in.U16();
    for (uint16_t& v : key.value)
        v = in.U16();
    CheckKey(key);
    key.count = static_cast<uint16_t>(key.count & 3);
    CheckKey(key);

    size_t length = 0;
    const char* text = reinterpret_cast<const char*>(in.Rest(&length));
    for (char sep : {kNestedSeparator, kFlatSeparator}) {
        for (int flags = 0; flags < 4; ++flags) {
            CheckStem(text, length, sep, (flags & 1) != 0, (flags & 2) != 0);
        }
    }
    return 0;
}
