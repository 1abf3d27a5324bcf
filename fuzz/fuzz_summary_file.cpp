// The summary file reader on any bytes: it must accept only summaries that check out, and what
// it accepts must write out and read back as the same summary and hold only possible values. The
// first input byte chooses whether the rest gets a matching checksum, so that the checks of the
// values are reached too. The same bytes go through the reader of a group's overview, and as a
// stored record line through the reader of its cells, which must read them as their text reads.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "cell_number.h"
#include "fuzz_support.h"
#include "summary_file.h"

namespace {

void CheckStoredCells(const std::string& stored) {
    constexpr size_t kChannels = 24;
    double values[kChannels];
    uint8_t numeric[kChannels];
    std::vector<char> scratch;
    StoredCellNumbers(stored.data(), stored.size(), kChannels, values, numeric, &scratch);
    std::string line = stored;
    for (char& b : line)
        b = static_cast<char>(~b);
    size_t at = line.find(',');
    for (size_t c = 0; c < kChannels; ++c) {
        double want = 0.0;
        bool number = false;
        if (at != std::string::npos) {
            const size_t next = line.find(',', at + 1);
            const size_t end = next == std::string::npos ? line.size() : next;
            number = CellNumber(line.data() + at + 1, line.data() + end, &want);
            at = next;
        }
        FUZZ_CHECK(numeric[c] == (number ? 1 : 0));
        if (number)
            FUZZ_CHECK(std::memcmp(&values[c], &want, sizeof want) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1 << 20))
        return 0;
    std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        SealSummary(&file);
    CheckStoredCells(file);
    const char* bytes = file.data();
    size = file.size();
    // The overview of a group's summaries reads the same bytes as well: what it accepts writes
    // out and reads back the same.
    SummaryOverview overview;
    if (DecodeOverview(bytes, size, &overview)) {
        const std::string again = EncodeOverview(overview);
        SummaryOverview back;
        FUZZ_CHECK(DecodeOverview(again.data(), again.size(), &back));
        FUZZ_CHECK(EncodeOverview(back) == again);
    }
    FolderSummary s;
    std::string why;
    if (!DecodeSummary(bytes, size, &s, &why)) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    // What it accepts writes out as a file that reads back as the same summary (a form of a
    // number or a time that is not the shortest reads, but is written the shortest way).
    const std::string again = EncodeSummary(s);
    FolderSummary back;
    FUZZ_CHECK(DecodeSummary(again.data(), again.size(), &back, &why));
    FUZZ_CHECK(EncodeSummary(back) == again);
    // Its finest level taken from the file's bytes reads as the whole file read it, the second
    // time (checks spared) as the first.
    if (!s.levels.empty()) {
        FineLevelBytes fine;
        FUZZ_CHECK(FineLevelFromFile(bytes, size, s, 0, &fine));
        for (int pass = 0; pass < 2; ++pass) {
            SummaryLevel level;
            FUZZ_CHECK(DecodeFineLevel(fine, s, &level));
            FUZZ_CHECK(level.buckets.size() == s.levels[0].buckets.size());
            for (size_t i = 0; i < level.cells.size(); ++i)
                FUZZ_CHECK(static_cast<const SummaryRun&>(level.cells[i]) == s.levels[0].cells[i]);
        }
    }
    for (const SummaryLevel& level : s.levels) {
        FUZZ_CHECK(level.buckets.size() * level.width == s.period);
        for (size_t i = 0; i < level.cells.size(); ++i) {
            const SummaryCell& c = level.cells[i];
            const SummaryBucket& b = level.buckets[i / s.channels];
            FUZZ_CHECK(c.count <= b.records);
            if (c.count > 0) {
                FUZZ_CHECK(std::isfinite(c.min) && c.min <= c.first && c.last <= c.max);
                FUZZ_CHECK(c.firstAt >= b.firstAt && c.lastAt <= b.lastAt);
            }
        }
    }
    return 0;
}
