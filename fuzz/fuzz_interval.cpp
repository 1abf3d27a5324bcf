// The record interval estimate and the list's time span over arbitrary record times: the input
// is the record lines of a table whose title and header are fixed. Whatever the times, the
// interval is 1..86400 seconds and the list's start and end are real times or left empty.
#include <memory>
#include <string>

#include "curve_init.h"
#include "curve_settings.h"
#include "fuzz_support.h"
#include "record_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = "title\nTime,a\n";
    text.append(reinterpret_cast<const char*>(data), size);
    auto buffer = std::make_shared<TextBuffer>();
    if (!buffer->Append(text.data(), static_cast<int64_t>(text.size())))
        return 0;
    RecordTable table;
    FUZZ_CHECK(table.LoadTable(buffer));
    const int32_t interval = EstimateRecordInterval(table);
    FUZZ_CHECK(interval >= 1 && interval <= kMaxQueryInterval);
    CurveSettings settings;
    InitCurveSettings(&settings, table);
    for (const CalendarTime* t : {&settings.listStart, &settings.listEnd}) {
        FUZZ_CHECK(t->year == 0 || IsValidCalendarTime(*t));
    }
    for (int32_t r = 0; r < table.RowCount() && r < 64; ++r) {
        CalendarTime t;
        if (ParseRowTime(table.Cell(r, 0), &t)) {
            FUZZ_CHECK(IsValidCalendarTime(t));
        }
    }
    return 0;
}
