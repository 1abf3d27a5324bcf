// A record file read into the report's table: arbitrary bytes as the document text, then the
// curve settings built from the table. Cells stay inside the text, rows and columns agree with
// what the captions and cells say, and the estimated interval stays within one day. The same
// text read with CSV quoting gives cells that agree however they are asked for.
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "curve_init.h"
#include "curve_settings.h"
#include "fuzz_support.h"
#include "record_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto text = std::make_shared<TextBuffer>();
    if (size > 0 && !text->Append(reinterpret_cast<const char*>(data), static_cast<int64_t>(size)))
        return 0;
    RecordTable table;
    if (!table.LoadTable(text)) {
        FUZZ_CHECK(table.ColumnCount() == 0 && table.RowCount() == 0);
        return 0;
    }
    FUZZ_CHECK(table.ColumnCount() >= 1);
    FUZZ_CHECK(table.ChannelNames().size() == static_cast<size_t>(table.ColumnCount() - 1));
    const char* begin = text->Data();
    const char* end = begin + text->Length();
    for (int32_t r = 0; r < table.RowCount(); ++r) {
        for (int32_t c = 0; c <= table.ColumnCount(); ++c) {
            const std::string_view cell = table.Cell(r, c);
            FUZZ_CHECK(cell.empty() || (cell.data() >= begin && cell.data() + cell.size() <= end));
            FUZZ_CHECK(cell.empty() || std::memchr(cell.data(), '\n', cell.size()) == nullptr);
        }
    }
    FUZZ_CHECK(table.Cell(table.RowCount(), 0).empty());

    // Read as a plain CSV file (its header may then be lost to a quote and a NUL): no cell holds a
    // line end, and each reads alike cell by cell and row by row.
    RecordTable quoted;
    std::vector<std::string_view> cells;
    quoted.LoadTable(text, true);
    for (int32_t r = 0; r < quoted.RowCount(); ++r) {
        quoted.RowCells(r, quoted.ColumnCount(), &cells);
        for (int32_t c = 0; c < quoted.ColumnCount(); ++c) {
            const std::string_view cell = quoted.Cell(r, c);
            FUZZ_CHECK(cell == cells[static_cast<size_t>(c)]);
            FUZZ_CHECK(cell.empty() || std::memchr(cell.data(), '\n', cell.size()) == nullptr);
        }
    }

    CurveSettings settings;
    InitCurveSettings(&settings, table);
    FUZZ_CHECK(settings.sourceInterval >= 1 && settings.sourceInterval <= kMaxQueryInterval);
    FUZZ_CHECK(settings.queryInterval == settings.sourceInterval);
    FUZZ_CHECK(settings.channelCount == table.ColumnCount() - 1);
    FUZZ_CHECK(settings.channels.size() == static_cast<size_t>(settings.channelCount));
    for (const CurveChannel& c : settings.channels) {
        FUZZ_CHECK(std::strlen(c.name) <= kChannelNameMax);
    }
    return 0;
}
