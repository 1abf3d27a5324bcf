// Curve settings of a freshly loaded report: defaults, interval estimate, rows for times.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "curve_init.h"
#include "curve_settings.h"
#include "record_table.h"
#include "table_support.h"

namespace {

// A table with one row per given second of 2024-01-01 and `channels` value columns.
std::unique_ptr<RecordTable> TableAt(const std::vector<int>& seconds, int channels = 2) {
    std::string text = "Title\nTime";
    for (int c = 0; c < channels; ++c)
        text += ",c" + std::to_string(c);
    text += "\n";
    for (int s : seconds) {
        text += Stamp(s);
        for (int c = 0; c < channels; ++c)
            text += "," + std::to_string(c);
        text += "\n";
    }
    return TableOf(text);
}

TEST(ParseRowTime, ReadsTheRecorderFormAndLooserOnes) {
    CalendarTime t;
    ASSERT_TRUE(ParseRowTime("2024-02-29 23:59:58", &t));
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.second, 58);
    EXPECT_TRUE(ParseRowTime("2024-2-9 3:04:05", &t));
    EXPECT_EQ(t.month, 2);
    EXPECT_FALSE(ParseRowTime("2023-02-29 00:00:00", &t));
    EXPECT_FALSE(ParseRowTime("", &t));
    EXPECT_FALSE(ParseRowTime("time", &t));
    // The forms of spreadsheet programs and pandas, year first: all read as 2024-02-28 12:00.
    for (const char* cell : {"2024-02-28T12:00:00", "2024-02-28T12:00", "2024/2/28 12:00",
                             "2024.02.28 12:00:00.250000"}) {
        t = CalendarTime();
        EXPECT_TRUE(ParseRowTime(cell, &t)) << cell;
        EXPECT_EQ(CompareCalendarTimes(t, MakeCalendarTime(2024, 2, 28, 12, 0, 0)), 0) << cell;
    }
    // Which of month and day comes first is not told by a year at the end.
    EXPECT_FALSE(ParseRowTime("02/28/24 12:00", &t));
    EXPECT_FALSE(ParseRowTime("28.02.2024 12:00", &t));
}

// A report none of whose times can be read has no time range; its curves go by row numbers.
TEST(InitCurveSettings, NoReadableTimeIsToldApart) {
    const struct {
        std::string times;
        bool none;
    } cases[] = {
        {"02/28/24 12:00\n02/28/24 12:01\n", true},
        {"\n\n", true},
        {"x\n2024-02-28T12:00:00\n", false},
    };
    for (const auto& c : cases) {
        std::string text = "T\nTime,a\n";
        for (size_t at = 0, end; (end = c.times.find('\n', at)) != std::string::npos; at = end + 1)
            text += c.times.substr(at, end - at) + ",1\n";
        CurveSettings s;
        InitCurveSettings(&s, *TableOf(text));
        EXPECT_EQ(NoRowTimes(s), c.none) << c.times;
    }
    CurveSettings empty;
    InitCurveSettings(&empty, *TableOf("T\nTime,a\n"));
    EXPECT_FALSE(NoRowTimes(empty));
}

TEST(EstimateRecordInterval, LongListWithoutRepeatsGivesSmallestGap) {
    std::vector<int> s;
    for (int i = 0; i <= 60; ++i)
        s.push_back(i * 10);
    s[40] = s[39] + 25;  // one long gap, the rest 10 s
    for (size_t i = 41; i < s.size(); ++i)
        s[i] = s[i - 1] + 10;
    EXPECT_EQ(EstimateRecordInterval(*TableAt(s)), 10);
}

TEST(EstimateRecordInterval, ShortListGivesTheMeanGap) {
    // Pairs past the end have gap 0, so the minimum is 0 and the mean of positive gaps counts.
    EXPECT_EQ(EstimateRecordInterval(*TableAt({0, 10, 30})), 15);
}

TEST(EstimateRecordInterval, RepeatedTimeGivesTheMean) {
    std::vector<int> s;
    for (int i = 0; i < 60; ++i)
        s.push_back(i * 6);
    s[5] = s[4];  // a repeated time: minimum 0
    EXPECT_EQ(EstimateRecordInterval(*TableAt(s)), (s[50] - s[0]) / 49);
}

TEST(EstimateRecordInterval, OneRowOrBackwardsTimesGiveOne) {
    EXPECT_EQ(EstimateRecordInterval(*TableAt({100})), 1);
    EXPECT_EQ(EstimateRecordInterval(*TableAt({100, 50})), 1);
}

// Rows whose time cannot be read take no part, whichever row they are; the interval stays
// within one day.
TEST(EstimateRecordInterval, UnreadableTimesTakeNoPartAndTheIntervalStaysWithinADay) {
    auto load = [](const std::string& rows) {
        const auto table = TableOf("x\nTime,a\n" + rows);
        CurveSettings s;
        InitCurveSettings(&s, *table);
        return s;
    };
    const CurveSettings fuzzed = load("T\n\r\n2024-1-01 0:0:2\n");
    EXPECT_EQ(fuzzed.sourceInterval, 1);
    EXPECT_EQ(fuzzed.listStart.year, 2024);
    EXPECT_EQ(fuzzed.listEnd.second, 2);
    const CurveSettings gaps =
        load(Stamp(0) + ",1\nbad,2\n" + Stamp(10) + ",3\n" + Stamp(20) + ",4\n?,5\n");
    EXPECT_EQ(gaps.sourceInterval, 10);
    EXPECT_EQ(gaps.listStart.second, 0);
    EXPECT_EQ(gaps.listEnd.second, 20);
    const CurveSettings far = load("2000-01-01 00:00:00,1\n2024-01-01 00:00:00,2\n");
    EXPECT_EQ(far.sourceInterval, 86400);
    EXPECT_EQ(far.queryInterval, 86400);
}

TEST(IsValidUtf8, AcceptsOnlyWellFormedSequences) {
    const struct {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"plain", true},
        {"温度 \xC2\xA9 \xF0\x9F\x98\x80", true},
        {"\xC0\xAF", false},          // overlong "/"
        {"\xE0\x80\xAF", false},      // overlong, three bytes
        {"\xF0\x82\x89\x89", false},  // overlong, four bytes
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\xA1\xB0\xA1", false},  // beyond U+10FFFF; "簟啊" in GB2312
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xE6\xB8", false},  // cut short
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes, std::strlen(c.bytes)), c.valid) << c.bytes;
    }
}

TEST(RangeRows, BothEndsIncludedAndTheWholeRangeIsTheWholeReport) {
    // Rows 0..4 at 0, 10, 20, 30, 40 s.
    auto t = TableAt({0, 10, 20, 30, 40});
    struct Case {
        const char* what;
        int rows, start, end;
        int first, last;
    };
    const Case cases[] = {
        {"the whole range", 5, 0, 40, 0, 4},
        {"ends on rows take those rows", 5, 10, 30, 1, 3},
        {"ends between rows take the rows within", 5, 5, 35, 1, 3},
        {"one row", 5, 20, 20, 2, 2},
        {"between two rows: none", 5, 21, 29, 3, 2},
        {"no rows", 0, 10, 30, 0, -1},
    };
    for (const Case& c : cases) {
        int32_t first = -9;
        int32_t last = -9;
        RangeRows(*t, c.rows, At(0), At(40), At(c.start), At(c.end), &first, &last);
        EXPECT_EQ(first, c.first) << c.what;
        EXPECT_EQ(last, c.last) << c.what;
    }
}

TEST(InitCurveSettings, FortyChannelsGetColoursAndLineTypesByIndex) {
    auto t = TableAt({0, 1, 2}, 40);
    CurveSettings s;
    InitCurveSettings(&s, *t);
    ASSERT_EQ(s.channelCount, 40);
    ASSERT_EQ(s.channels.size(), 40u);
    EXPECT_EQ(s.shownCount, 40);
    for (const CurveChannel& c : s.channels) {
        EXPECT_EQ(c.colorIndex, c.index < 32 ? c.index : 0);
        EXPECT_EQ(c.lineType, c.index < 7 ? c.index : 0);
        EXPECT_EQ(c.showIndex, c.index);
        EXPECT_EQ(c.show, 1);
        EXPECT_EQ(c.Name(), "c" + std::to_string(c.index));
    }
    EXPECT_EQ(s.FindByName("c33")->index, 33);
    EXPECT_EQ(s.FindByIndex(39)->Name(), "c39");
    EXPECT_EQ(s.FindByIndex(40), nullptr);
    EXPECT_EQ(s.backgroundColor, 29);
    EXPECT_EQ(s.yGridMode, 1);
    EXPECT_DOUBLE_EQ(s.yGridInterval, 4.0);
    EXPECT_EQ(s.sourceInterval, 1);
    EXPECT_EQ(s.queryInterval, 1);
    EXPECT_EQ(s.rowCount, 3);
}

TEST(InitCurveSettings, SingleRowGivesOneInstantEverywhere) {
    CurveSettings s;
    InitCurveSettings(&s, *TableAt({3723}));
    EXPECT_EQ(CompareCalendarTimes(s.queryStart, s.queryEnd), 0);
    EXPECT_EQ(CompareCalendarTimes(s.listStart, s.listEnd), 0);
    EXPECT_EQ(s.queryStart.hour, 1);
    EXPECT_EQ(s.queryStart.minute, 2);
    EXPECT_EQ(s.queryStart.second, 3);
}

TEST(InitCurveSettings, ReloadResetsDisplaySettingsButKeepsRemark) {
    CurveSettings s;
    InitCurveSettings(&s, *TableAt({0, 5, 10}));
    s.remark = "kept";
    s.backgroundColor = 3;
    s.yAxisMode = 1;
    s.channels.front().show = 0;
    s.channels.front().colorIndex = 9;
    s.queryInterval = 600;
    InitCurveSettings(&s, *TableAt({0, 5, 10}));
    EXPECT_EQ(s.remark, "kept");
    EXPECT_EQ(s.backgroundColor, 29);
    EXPECT_EQ(s.yAxisMode, 0);
    EXPECT_EQ(s.channels.front().show, 1);
    EXPECT_EQ(s.channels.front().colorIndex, 0);
    EXPECT_EQ(s.queryInterval, 5);
    EXPECT_EQ(s.title, "Title");
}

TEST(CurveChannelName, LongNamesAreCutWithoutSplittingCharacters) {
    CurveChannel c;
    // 16 GBK characters are 32 bytes: only 15 fit in 31 bytes.
    std::string gbk;
    for (int i = 0; i < 16; ++i)
        gbk += "\xCE\xC2";
    c.SetName(gbk);
    EXPECT_EQ(std::string(c.name).size(), 30u);
    // UTF-8: 11 three-byte characters are 33 bytes; 10 fit.
    std::string utf8;
    for (int i = 0; i < 11; ++i)
        utf8 += "温";
    c.SetName(utf8);
    EXPECT_EQ(std::string(c.name), utf8.substr(0, 30));
    c.SetName(std::string(40, 'a'));
    EXPECT_EQ(std::string(c.name).size(), 31u);
}

TEST(CurveTables, ColourAndLineTypeTablesHoldTheirEntries) {
    EXPECT_EQ(CurveColorTable[29].r, 255);
    EXPECT_EQ(CurveColorTable[29].b, 255);
    EXPECT_EQ(CurveColorTable[25].g, CurveColorTable[18].g);
    EXPECT_EQ(CurveColorTable[31].b, 0);
    EXPECT_EQ(CurveLineTypeTable[6].width, 4);
    EXPECT_EQ(CurveLineTypeTable[4].style, PenStyle::kDashDotDot);
}

}  // namespace
