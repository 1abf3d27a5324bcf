// The summary file reader on any bytes: it must accept only summaries that check out, and what
// it accepts must write out and read back as the same summary and hold only possible values. The
// first input byte chooses whether the rest gets a matching checksum, so that the checks of the
// values are reached too. The same bytes go through the reader of a group's overview.
#include <cmath>
#include <string>

#include "fuzz_support.h"
#include "summary_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1 << 20))
        return 0;
    std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        SealSummary(&file);
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
