// Partition keys: depth from the record interval, key times and periods, stems and their parsing,
// and the calendar arithmetic under them.
#include <gtest/gtest.h>

#include <string>

#include "calendar_time.h"
#include "store_fixture.h"
#include "time_key.h"

namespace {

using storetest::At;

TimeKey Key(int count, int y, int m = 0, int d = 0, int h = 0) {
    TimeKey k;
    k.count = static_cast<uint16_t>(count);
    k.value[0] = static_cast<uint16_t>(y);
    k.value[1] = static_cast<uint16_t>(m);
    k.value[2] = static_cast<uint16_t>(d);
    k.value[3] = static_cast<uint16_t>(h);
    return k;
}

std::string Text(const CalendarTime& t) {
    return storetest::Stamp(t);
}

TEST(TimeKeyTest, DepthChangesAtTheIntervalBoundaries) {
    EXPECT_EQ(DepthFromInterval(0), 3);
    EXPECT_EQ(DepthFromInterval(1799), 3);
    EXPECT_EQ(DepthFromInterval(1800), 2);
    EXPECT_EQ(DepthFromInterval(43199), 2);
    EXPECT_EQ(DepthFromInterval(43200), 1);
    EXPECT_EQ(DepthFromInterval(1295999), 1);
    EXPECT_EQ(DepthFromInterval(1296000), 0);
    EXPECT_EQ(DepthFromInterval(UINT32_MAX), 0);
}

TEST(TimeKeyTest, KeyFromTimeCutsToDepthAndKeyTimeStartsThePeriod) {
    const CalendarTime t = At(2011, 5, 17, 13, 45, 10);
    EXPECT_EQ(Text(KeyToTime(KeyFromTime(t, 0))), "2011-01-01 00:00:00");
    EXPECT_EQ(Text(KeyToTime(KeyFromTime(t, 1))), "2011-05-01 00:00:00");
    EXPECT_EQ(Text(KeyToTime(KeyFromTime(t, 2))), "2011-05-17 00:00:00");
    EXPECT_EQ(Text(KeyToTime(KeyFromTime(t, 3))), "2011-05-17 13:00:00");
    // Values beyond count are ignored.
    EXPECT_EQ(Text(KeyToTime(Key(1, 2011, 5, 17, 13))), "2011-05-01 00:00:00");
}

TEST(TimeKeyTest, CompareKeysLooksOnlyDownToDepth) {
    EXPECT_EQ(CompareKeys(Key(2, 2011, 5, 17), Key(2, 2011, 5, 18), 2), -1);
    EXPECT_EQ(CompareKeys(Key(2, 2011, 5, 17), Key(2, 2011, 5, 18), 1), 0);
    EXPECT_EQ(CompareKeys(Key(3, 2012, 1, 1, 0), Key(3, 2011, 12, 31, 23), 3), 1);
}

TEST(TimeKeyTest, PeriodEndsCarryAcrossDayMonthAndYear) {
    EXPECT_EQ(Text(NextKeyTime(Key(3, 2012, 2, 28, 23))), "2012-02-29 00:00:00");
    EXPECT_EQ(Text(NextKeyTime(Key(3, 2011, 12, 31, 23))), "2012-01-01 00:00:00");
    EXPECT_EQ(Text(NextKeyTime(Key(2, 2011, 2, 28))), "2011-03-01 00:00:00");
    EXPECT_EQ(Text(NextKeyTime(Key(2, 2012, 2, 28))), "2012-02-29 00:00:00");
    EXPECT_EQ(Text(NextKeyTime(Key(1, 2011, 12))), "2012-01-01 00:00:00");
    EXPECT_EQ(Text(NextKeyTime(Key(0, 2011))), "2012-01-01 00:00:00");

    EXPECT_EQ(FolderPeriodSeconds(Key(3, 2011, 5, 17, 4)), 3600u);
    EXPECT_EQ(FolderPeriodSeconds(Key(2, 2011, 5, 17)), 86400u);
    EXPECT_EQ(FolderPeriodSeconds(Key(1, 2012, 2)), 29u * 86400);
    EXPECT_EQ(FolderPeriodSeconds(Key(1, 2011, 2)), 28u * 86400);
    EXPECT_EQ(FolderPeriodSeconds(Key(0, 2012)), 366u * 86400);
    EXPECT_EQ(FolderPeriodSeconds(Key(2, 2011, 13, 1)), 0u);  // no valid time
}

TEST(TimeKeyTest, StemsInBothFormsUseUppercaseHexIdAndPaddedValues) {
    std::string stem;
    ASSERT_TRUE(MakeStem(26, Key(2, 2011, 5, 17), kNestedSeparator, &stem));
    EXPECT_EQ(stem, "1A\\2011\\05\\17");
    ASSERT_TRUE(MakeStem(26, Key(2, 2011, 5, 17), kFlatSeparator, &stem));
    EXPECT_EQ(stem, "1A-2011-05-17");
    ASSERT_TRUE(MakeStem(0xABCDEF12, Key(3, 998, 1, 2, 3), kNestedSeparator, &stem));
    EXPECT_EQ(stem, "ABCDEF12\\0998\\01\\02\\03");
    ASSERT_TRUE(MakeStem(1, Key(0, 2011, 5), kNestedSeparator, &stem));
    EXPECT_EQ(stem, "1\\2011");
    ASSERT_TRUE(MakeStem(0, Key(1, 65535, 100), kFlatSeparator, &stem));  // wider than padded
    EXPECT_EQ(stem, "0-65535-100");
    EXPECT_FALSE(MakeStem(1, Key(4, 2011, 5, 17, 1), kNestedSeparator, &stem));
}

TEST(TimeKeyTest, ParseTreePathWithAndWithoutBlockNumber) {
    ParsedStem p;
    ASSERT_TRUE(ParseStem("2011\\05\\17(3)", kNestedSeparator, false, true, &p));
    EXPECT_EQ(p.key.count, 2);
    EXPECT_EQ(p.key.value[0], 2011);
    EXPECT_EQ(p.key.value[1], 5);
    EXPECT_EQ(p.key.value[2], 17);
    EXPECT_EQ(p.block, 3);
    ASSERT_TRUE(ParseStem("2011\\05\\17", kNestedSeparator, false, true, &p));
    EXPECT_EQ(p.block, -1);
    ASSERT_TRUE(ParseStem("2011\\05\\17(A)", kNestedSeparator, false, true, &p));
    EXPECT_EQ(p.block, 10);
    ASSERT_TRUE(ParseStem("2011", kNestedSeparator, false, false, &p));
    EXPECT_EQ(p.key.count, 0);
    EXPECT_EQ(p.key.value[0], 2011);
}

TEST(TimeKeyTest, ParseFlatStemWithId) {
    ParsedStem p;
    ASSERT_TRUE(ParseStem("1A-2011-05-17-08", kFlatSeparator, true, false, &p));
    EXPECT_EQ(p.id, 26u);
    EXPECT_EQ(p.key.count, 3);
    EXPECT_EQ(p.key.value[3], 8);
    ASSERT_TRUE(ParseStem("ffffffff\\2011", kNestedSeparator, true, false, &p));
    EXPECT_EQ(p.id, 0xFFFFFFFFu);
}

TEST(TimeKeyTest, ParseRefusesMalformedText) {
    ParsedStem p;
    EXPECT_FALSE(ParseStem("", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("1A", kFlatSeparator, true, false, &p));  // id without a year
    EXPECT_FALSE(ParseStem("2011\\05\\", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("2011\\\\05", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("2011\\x5", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("2011\\-5", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("2011\\05\\17\\08\\09", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("65536", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("1FFFFFFFF-2011", kFlatSeparator, true, false, &p));
    EXPECT_FALSE(ParseStem("2011\\05\\17(100)", kNestedSeparator, false, true, &p));
    EXPECT_FALSE(ParseStem("2011\\05\\17(3)", kNestedSeparator, false, false, &p));
    EXPECT_FALSE(ParseStem("2011\\05\\(3)", kNestedSeparator, false, true, &p));
    const char noTerminator[] = {'2', '0', '1', '1', '\\', '0', '5'};
    ASSERT_TRUE(ParseStem(noTerminator, 4, kNestedSeparator, false, false, &p));
    EXPECT_EQ(p.key.count, 0);
}

TEST(CalendarTimeTest, FileTimeArithmeticAndValidation) {
    uint64_t ft = 1;
    ASSERT_TRUE(CalendarToFileTime(At(1601, 1, 1), &ft));
    EXPECT_EQ(ft, 0u);
    uint64_t a = 0;
    uint64_t b = 0;
    ASSERT_TRUE(CalendarToFileTime(At(2012, 2, 28, 23, 59, 59), &a));
    ASSERT_TRUE(CalendarToFileTime(At(2012, 3, 1), &b));
    EXPECT_EQ((b - a) / kFileTimeUnitsPerSecond, 86401u);
    // 1970-01-01 is 11644473600 seconds after 1601-01-01.
    ASSERT_TRUE(CalendarToFileTime(At(1970, 1, 1), &a));
    EXPECT_EQ(a, 11644473600ULL * kFileTimeUnitsPerSecond);

    CalendarTime back;
    ASSERT_TRUE(FileTimeToCalendar(a + 234 * 10000, &back));
    EXPECT_EQ(Text(back), "1970-01-01 00:00:00");
    EXPECT_EQ(back.milliseconds, 234);
    EXPECT_EQ(back.dayOfWeek, 4);  // Thursday

    EXPECT_FALSE(CalendarToFileTime(At(2011, 2, 29), &a));
    EXPECT_FALSE(CalendarToFileTime(At(1900, 2, 29), &a));
    EXPECT_TRUE(CalendarToFileTime(At(2000, 2, 29), &a));
    EXPECT_FALSE(CalendarToFileTime(At(2011, 0, 1), &a));
    EXPECT_FALSE(CalendarToFileTime(At(2011, 1, 1, 24), &a));
    EXPECT_FALSE(CalendarToFileTime(At(2011, 1, 1, 0, 0, 60), &a));
    EXPECT_FALSE(CalendarToFileTime(At(1600, 12, 31), &a));

    CalendarTime x = At(2011, 5, 17, 1);
    CalendarTime y = x;
    y.dayOfWeek = 6;
    EXPECT_EQ(CompareCalendarTimes(x, y), 0);
    y.milliseconds = 1;
    EXPECT_LT(CompareCalendarTimes(x, y), 0);
}

}  // namespace
