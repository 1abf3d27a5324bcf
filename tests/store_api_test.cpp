// The six store functions over the process-wide slots: opening and closing, listings, item
// export and the time query with its interval grid.
#include "store_api_fixture.h"

namespace {

TEST_F(StoreApiTest, OpenChecksKindPathsAndSlot) {
    EXPECT_FALSE(StoreOpen(3, data_.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreOpen(-1, data_.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreOpen(kDataRecords, nullptr, staging_.c_str()));
    EXPECT_FALSE(StoreOpen(kDataRecords, data_.c_str(), ""));
    EXPECT_TRUE(StoreOpen(kReservedRecords, data_.c_str(), staging_.c_str()));
    Collected c;
    EXPECT_FALSE(StoreListGroups(kDataRecords, &c, &Collected::Text));
    EXPECT_FALSE(StoreListGroups(kReservedRecords, &c, &Collected::Text));

    ASSERT_TRUE(Open());
    EXPECT_FALSE(Open());
    EXPECT_TRUE(StoreOpen(kReservedRecords, data_.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreClose(kReservedRecords));
    EXPECT_FALSE(StoreClose(kAlarmRecords));
    EXPECT_TRUE(StoreClose(kDataRecords));
    EXPECT_FALSE(StoreClose(kDataRecords));
    EXPECT_TRUE(Open());
}

TEST_F(StoreApiTest, OpenAppendsSeparatorAndRefusesTooLongPaths) {
    const std::string bare = data_.substr(0, data_.size() - 1);
    ASSERT_TRUE(StoreOpen(kDataRecords, bare.c_str(), staging_.c_str()));
    Collected c;
    EXPECT_TRUE(StoreListGroups(kDataRecords, &c, &Collected::Text));
    ASSERT_TRUE(StoreClose(kDataRecords));

    const std::string long259 = std::string(258, 'd') + "\\";
    const std::string long260 = std::string(259, 'd') + "\\";
    EXPECT_FALSE(StoreOpen(kDataRecords, long260.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreOpen(kDataRecords, std::string(259, 'd').c_str(), staging_.c_str()));
    EXPECT_TRUE(StoreOpen(kDataRecords, long259.c_str(), staging_.c_str()));
}

TEST_F(StoreApiTest, FailedOpenLeavesSlotClosed) {
    const std::string noStaging = dir_.Path() + "missing\\";
    EXPECT_FALSE(StoreOpen(kDataRecords, data_.c_str(), noStaging.c_str()));
    Collected c;
    EXPECT_FALSE(StoreListGroups(kDataRecords, &c, &Collected::Text));
    EXPECT_FALSE(StoreClose(kDataRecords));
    EXPECT_TRUE(Open());
}

TEST_F(StoreApiTest, KindsUseSeparateSlots) {
    const std::string alarms = dir_.Path() + "AL\\";
    const std::string alarmStaging = dir_.Path() + "ALTemp\\";
    fs::create_directories(Native(alarms));
    fs::create_directories(Native(alarmStaging));
    const RootIndexEntry groups[] = {{"Alarms", 1, 1}};
    ASSERT_TRUE(WriteRootIndex(alarms, groups, 1));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(StoreOpen(kAlarmRecords, alarms.c_str(), alarmStaging.c_str()));
    Collected data;
    Collected alarm;
    ASSERT_TRUE(StoreListGroups(kDataRecords, &data, &Collected::Text));
    ASSERT_TRUE(StoreListGroups(kAlarmRecords, &alarm, &Collected::Text));
    EXPECT_EQ(data.texts, Strings({"Tank\nFlow\nZero\nFast\n"}));
    EXPECT_EQ(alarm.texts, Strings({"Alarms\n"}));
    EXPECT_FALSE(StoreListGroups(kDataRecords, &data, nullptr));
}

TEST_F(StoreApiTest, ListItemsGivesOneTextWithLeafFlag) {
    ASSERT_TRUE(Open());
    Collected c;
    ASSERT_TRUE(StoreListItems(kDataRecords, "tank", nullptr, &c, &Collected::Items, false));
    ASSERT_TRUE(StoreListItems(kDataRecords, "Tank", "2011\\05", &c, &Collected::Items, false));
    ASSERT_TRUE(StoreListItems(kDataRecords, "Tank", "2011\\05", &c, &Collected::Items, true));
    EXPECT_EQ(c.texts, Strings({"2011\n", "17\n19\n", "17(0).csv\n19(0).csv\n19(1).csv\n"}));
    EXPECT_EQ(c.leaves, std::vector<int>({0, 1, 1}));
    EXPECT_FALSE(StoreListItems(kDataRecords, "Nope", nullptr, &c, &Collected::Items, false));
    EXPECT_FALSE(StoreListItems(kDataRecords, nullptr, nullptr, &c, &Collected::Items, false));
    EXPECT_FALSE(StoreListItems(kDataRecords, "Fast", nullptr, &c, &Collected::Items, false));
    EXPECT_FALSE(StoreListItems(kDataRecords, "Tank", "2011\\05", &c, nullptr, false));
    EXPECT_EQ(c.texts.size(), 3u);
}

TEST_F(StoreApiTest, ExportFolderDeliversEveryBlockWhole) {
    ASSERT_TRUE(Open());
    bool ok = false;
    const Strings chunks = Export("TANK", "2011\\05\\19", &ok);
    EXPECT_TRUE(ok);
    const std::string head = kHead1 + "\n" + kHead2 + "\n";
    EXPECT_EQ(chunks, Strings({head + "2011-05-19 00:00:01,a\n2011-05-19 00:00:02,b\n",
                               head + "2011-05-19 00:00:03,c\n2011-05-19 00:00:04,d\n"}));
    EXPECT_EQ(Export("Tank", "2011\\05\\19(1)"), Strings({chunks[1]}));
    EXPECT_EQ(Export("Tank", "2011\\05\\19(5)", &ok), Strings());
    EXPECT_FALSE(ok);

    // Through the export writer: the header lines once, then every record.
    ExportWriter writer;
    writer.SetTarget(dir_ / "DLTemp/Tank-2011-05-19.csv", ExportWriter::Encoding::kInverted);
    ASSERT_TRUE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19", &writer,
                                &ExportWriter::ChunkCallback));
    ASSERT_TRUE(writer.Finish());
    LogTextFile file;
    ASSERT_TRUE(file.Open((dir_ / "DLTemp/Tank-2011-05-19.csv").c_str(), true));
    EXPECT_EQ(std::string(file.Buffer().Data(), file.Buffer().Length()),
              head +
                  "2011-05-19 00:00:01,a\n2011-05-19 00:00:02,b\n2011-05-19 00:00:03,c\n"
                  "2011-05-19 00:00:04,d\n");
}

TEST_F(StoreApiTest, ExportOfItemAboveDepthOrUnknownYieldsNothing) {
    ASSERT_TRUE(Open());
    for (const char* item : {"2011\\05", "2011", "2011\\05\\19\\00", "2011\\05\\20", "", "x",
                             "..\\..\\2011\\05\\19", "2011\\05\\19\\..", "2011\\05\\19(1)(2)"}) {
        SCOPED_TRACE(item);
        bool ok = true;
        EXPECT_EQ(Export("Tank", item, &ok), Strings());
        EXPECT_FALSE(ok);
    }
    bool ok = true;
    EXPECT_EQ(Export("Nope", "2011\\05\\19", &ok), Strings());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(StoreExportItem(kDataRecords, "Tank", nullptr, nullptr, &Collected::Text));
    EXPECT_FALSE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19", nullptr, nullptr));
}

TEST_F(StoreApiTest, ExportStopFlagEndsAfterCurrentBlock) {
    ASSERT_TRUE(Open());
    struct Stopper {
        int stop = 0;
        int calls = 0;
        static void Text(void* c, const char*, uint32_t) {
            auto* s = static_cast<Stopper*>(c);
            ++s->calls;
            s->stop = 1;
        }
    } s;
    EXPECT_TRUE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19", &s, &Stopper::Text, &s.stop));
    EXPECT_EQ(s.calls, 1);
}

TEST_F(StoreApiTest, QueryDeliversRecordsFromStartToEnd) {
    ASSERT_TRUE(Open());
    bool ok = false;
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 5), At(2011, 5, 17, 0, 0, 45), 0, &ok),
              Records({"2011-05-17 00:00:10,v10", "2011-05-17 00:00:20,v20",
                       "2011-05-17 00:00:30,v30", "2011-05-17 00:00:40,v40"}));
    EXPECT_TRUE(ok);
}

TEST_F(StoreApiTest, QueryIntervalPassesOverRecordsBelowTheGrid) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 5), At(2011, 5, 17, 0, 0, 45), 25),
              Records({"2011-05-17 00:00:10,v10", "2011-05-17 00:00:40,v40"}));
}

TEST_F(StoreApiTest, QueryEndIsInclusiveToTheSecond) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(
        Query("Tank", At(2011, 5, 17), At(2011, 5, 17, 0, 1), 30),
        Records({"2011-05-17 00:00:00,v0", "2011-05-17 00:00:30,v30", "2011-05-17 00:01:00,v60"}));
    CalendarTime end = At(2011, 5, 17, 0, 0, 59);
    end.milliseconds = 999;
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 50), end, 0),
              Records({"2011-05-17 00:00:50,v50"}));
}

TEST_F(StoreApiTest, QueryCarriesIntervalGridAcrossMidnight) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Flow", At(2011, 5, 17, 20, 25), At(2011, 5, 18, 3), 3600),
              Records({"2011-05-17 20:30:00,f", "2011-05-17 21:30:00,f", "2011-05-17 22:30:00,f",
                       "2011-05-17 23:30:00,f", "2011-05-18 00:30:00,f", "2011-05-18 01:30:00,f",
                       "2011-05-18 02:30:00,f"}));
    // The grid also runs on from a folder of a group's earlier days to Tank's 19th.
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 55), At(2011, 5, 20), 2 * 86400),
              Records({"2011-05-17 00:01:00,v60"}));
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 55), At(2011, 5, 20), 2 * 86400 - 58),
              Records({"2011-05-17 00:01:00,v60", "2011-05-19 00:00:02,b"}));
}

TEST_F(StoreApiTest, QueryStartAfterEndDeliversNothing) {
    ASSERT_TRUE(Open());
    bool ok = true;
    EXPECT_EQ(Query("Tank", At(2011, 5, 19), At(2011, 5, 17, 0, 0, 30), 0, &ok), Strings());
    EXPECT_FALSE(ok);
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 40), At(2011, 5, 17, 0, 0, 30), 0, &ok),
              Strings());
    EXPECT_FALSE(ok);
    EXPECT_EQ(Query("Tank", At(2011, 5, 18), At(2011, 5, 18, 23, 59, 59), 0, &ok), Strings());
    EXPECT_FALSE(ok);
}

TEST_F(StoreApiTest, QueryStopFlagEndsAfterTheLineThatSetIt) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Flow", At(2011, 5, 17), At(2011, 5, 19), 0, nullptr, 5),
              Records({"2011-05-17 20:00:00,f", "2011-05-17 20:10:00,f", "2011-05-17 20:20:00,f"}));
    EXPECT_EQ(Query("Flow", At(2011, 5, 17), At(2011, 5, 19), 0, nullptr, 1), Strings({kHead1}));
    // Stopping on the last record of a folder ends the whole query.
    EXPECT_EQ(Query("Flow", At(2011, 5, 17, 23, 50), At(2011, 5, 19), 0, nullptr, 3),
              Records({"2011-05-17 23:50:00,f"}));
}

TEST_F(StoreApiTest, QueryWithHugeIntervalDeliversOnlyTheFirstRecord) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Flow", At(2011, 5, 17, 23), At(2011, 5, 19), UINT32_MAX),
              Records({"2011-05-17 23:00:00,f"}));
    EXPECT_EQ(Query("Tank", At(1601, 1, 1), At(30827, 12, 31, 23, 59, 59), 0xFFFFFFF0u),
              Records({"2011-05-17 00:00:00,v0"}));
}

TEST_F(StoreApiTest, QueryRefusesBadArguments) {
    Collected c;
    const CalendarTime a = At(2011, 5, 17);
    const CalendarTime b = At(2011, 5, 18);
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &b, 0, &c, &Collected::Line));  // closed
    ASSERT_TRUE(Open());
    const CalendarTime bad = At(2011, 2, 29);
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &bad, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &bad, 0, &c, &Collected::Line));
    CalendarTime wild = b;
    wild.minute = 61;
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &wild, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", nullptr, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, nullptr, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &b, 0, &c, nullptr));
    EXPECT_FALSE(StoreQuery(kDataRecords, nullptr, &a, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Nope", &a, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kAlarmRecords, "Tank", &a, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kReservedRecords, "Tank", &a, &b, 0, &c, &Collected::Line));
    EXPECT_TRUE(c.texts.empty());
}

TEST_F(StoreApiTest, GroupWithIdZeroListsButNeverOpensFolders) {
    RawFolder raw;
    raw.Add(5, 0, "2011-05-17 00:00:05,z");
    raw.Write(data_, "0\\2011\\05\\17\\00");
    ASSERT_TRUE(Open());
    Collected c;
    EXPECT_TRUE(StoreListItems(kDataRecords, "Zero", "2011\\05\\17", &c, &Collected::Items, false));
    EXPECT_EQ(c.texts, Strings({"00\n"}));
    bool ok = true;
    EXPECT_EQ(Export("Zero", "2011\\05\\17\\00", &ok), Strings());
    EXPECT_FALSE(ok);
    EXPECT_EQ(Query("Zero", At(2011, 5, 17), At(2011, 5, 18), 0, &ok), Strings());
    EXPECT_FALSE(ok);
}

TEST_F(StoreApiTest, QueryExportFileHoldsHeadersOnceAndRecords) {
    ASSERT_TRUE(Open());
    ExportWriter writer;
    writer.SetTarget(dir_ / "DLTemp/q.csv", ExportWriter::Encoding::kInverted);
    const CalendarTime a = At(2011, 5, 17, 23, 40);
    const CalendarTime b = At(2011, 5, 18, 0, 10);
    ASSERT_TRUE(StoreQuery(kDataRecords, "Flow", &a, &b, 0, &writer, &ExportWriter::LineCallback));
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(writer.Lines(), 6u);
    EXPECT_EQ(ReadInvertedFile(dir_ / "DLTemp/q.csv"),
              kHead1 + "\n" + kHead2 +
                  "\n2011-05-17 23:40:00,f\n2011-05-17 23:50:00,f\n2011-05-18 00:00:00,f\n"
                  "2011-05-18 00:10:00,f\n");
}

}  // namespace
