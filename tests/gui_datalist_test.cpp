// The data-list bar on a real store: trees, double-click exports, queries.
#include <QFileInfo>
#include <QStatusBar>

#include "datalist_fixture.h"

namespace {

TEST_F(DataListTest, TreesShowGroupsAndPartitionsInAscendingOrder) {
    ASSERT_TRUE(Tree(0)->IsOpen());
    ASSERT_EQ(Tree(0)->topLevelItemCount(), 3);
    EXPECT_EQ(Tree(0)->topLevelItem(0)->text(0), "Line1");
    EXPECT_EQ(Tree(0)->topLevelItem(2)->text(0), "A\\B/C");
    EXPECT_EQ(Children(Find(Tree(0), {"Line1", "2024", "01", "01"})), QStringList({"00", "01"}));
    EXPECT_EQ(Children(Find(Tree(0), {"Tank", "2024"})), QStringList({"02", "03"}));
    EXPECT_EQ(Children(Find(Tree(0), {"Tank", "2024", "02"})), QStringList({"28", "29"}));
    EXPECT_EQ(Tree(1)->topLevelItem(0)->text(0), "Alarm");
    EXPECT_EQ(Bar()->Tabs()->tabText(0), "数据记录");
    EXPECT_EQ(Bar()->Tabs()->tabText(1), "报警记录");
    EXPECT_EQ(Bar()->Tabs()->tabText(2), "");
    // The staging copy of the root index comes from the data folder; the data folder is read only.
    EXPECT_TRUE(QFile::exists(staging.path() + "/DLTemp/NewDLRoot.idx"));
    EXPECT_FALSE(QFile::exists(root.path() + "/DLTemp"));
}

TEST_F(DataListTest, ReservedTabIsEmptyAndTabsSwitchTrees) {
    EXPECT_FALSE(Tree(2)->IsOpen());
    EXPECT_EQ(Tree(2)->topLevelItemCount(), 0);
    EXPECT_EQ(Bar()->CurrentTab(), 0);
    Bar()->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(Bar()->CurrentTab(), 2);
    EXPECT_TRUE(Tree(0)->isHidden());
    EXPECT_FALSE(Tree(2)->isHidden());
    EXPECT_FALSE(Tree(0)->isEnabled());
    Bar()->Tabs()->setCurrentIndex(0);
    EXPECT_FALSE(Tree(0)->isHidden());
    EXPECT_TRUE(Tree(2)->isHidden());
}

TEST_F(DataListTest, DoubleClickOnADeepestFolderExportsAndOpensIt) {
    QTreeWidgetItem* hour = Find(Tree(0), {"Line1", "2024", "01", "01", "00"});
    ASSERT_NE(hour, nullptr);
    const QString opened = Tree(0)->OpenGroupItem(hour);
    EXPECT_EQ(opened, Staged("Line1-2024-01-01-00.csv"));
    CHistavueView* view = Frame()->ActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->List()->Table().RowCount(), 360);
    EXPECT_EQ(view->List()->Table().Title(), "Line1 log");
    EXPECT_EQ(app->TempFiles(), QStringList({opened}));
    EXPECT_EQ(Tree(0)->currentItem(), hour);
    EXPECT_EQ(view->Document()->IsTemporary(), 0);
    // Closing the document leaves the file; the end of the run deletes it.
    Frame()->OnFileClose();
    Settle();
    EXPECT_TRUE(QFile::exists(opened));
    app->DeleteTempFiles();
    EXPECT_FALSE(QFile::exists(opened));
}

// The record the panel is writing (a last line without its line end) is not opened as a record,
// and the status bar says it was left out.
TEST_F(DataListTest, LastLineWithoutItsEndIsLeftOutAndSaid) {
    const QString block = root.path() + "/DL/1/2024/01/01/00(0).csv";
    ASSERT_TRUE(QFile::resize(block, QFileInfo(block).size() - 3));
    const QString said = QString::fromUtf8(kUnendedLinesMessage).arg(1);
    Tree(0)->OpenGroupItem(Find(Tree(0), {"Line1", "2024", "01", "01", "00"}));
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().RowCount(), 359);
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), said);
    Frame()->statusBar()->clearMessage();
    Frame()->RunQuery({At(2024, 1, 1), At(2024, 1, 1, 1, 59, 59), 0});
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().RowCount(), 719);
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), said);
}

TEST_F(DataListTest, DoubleClickOnAGroupOrAnInnerItemExportsNothing) {
    EXPECT_TRUE(Tree(0)->OpenGroupItem(Tree(0)->topLevelItem(0)).isEmpty());
    QTreeWidgetItem* day = Find(Tree(0), {"Line1", "2024", "01", "01"});
    EXPECT_TRUE(Tree(0)->OpenGroupItem(day).isEmpty());
    EXPECT_EQ(Tree(0)->currentItem(), day);
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(QDir(staging.path() + "/DLTemp").entryList({"*.csv"}).isEmpty());
}

TEST_F(DataListTest, SameFolderTwiceIsExportedAfreshAndRegisteredOnce) {
    QTreeWidgetItem* hour = Find(Tree(0), {"Line1", "2024", "01", "01", "01"});
    const QString first = Tree(0)->OpenGroupItem(hour);
    CHistavueDoc* doc = Frame()->ActiveDocument();
    const QString second = Tree(0)->OpenGroupItem(hour);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Frame()->ActiveDocument(), doc);
    EXPECT_EQ(app->Documents()->Documents().size(), 1u);
    Frame()->OnFileClose();
    Settle();
    EXPECT_EQ(Tree(0)->OpenGroupItem(hour), first);
    EXPECT_EQ(app->TempFiles().size(), 1);
}

TEST_F(DataListTest, ExportFileThatCannotBeDeletedIsOpenedAsItIs) {
    const QString path = Staged("Line1-2024-01-01-00.csv");
    ASSERT_TRUE(WriteRecordFile(path, SampleRecordText(2, "old export")));
    if (std::system(("chattr +i '" + path.toStdString() + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "cannot make a file undeletable here";
    }
    const QString opened =
        Tree(0)->OpenGroupItem(Find(Tree(0), {"Line1", "2024", "01", "01", "00"}));
    // Made deletable again, or the temporary folder cannot be removed.
    EXPECT_EQ(std::system(("chattr -i '" + path.toStdString() + "'").c_str()), 0);
    EXPECT_EQ(opened, path);
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().Title(), "old export");
    EXPECT_TRUE(app->TempFiles().isEmpty());
}

TEST_F(DataListTest, GroupNameSeparatorsNeverLeaveTheStagingFolder) {
    QTreeWidgetItem* day = Find(Tree(0), {"A\\B/C", "2024", "05", "05"});
    ASSERT_NE(day, nullptr);
    const QString stem = GroupFileStem("A\\B/C");
    EXPECT_TRUE(stem.startsWith("A-B-C~"));
    EXPECT_EQ(Tree(0)->OpenGroupItem(day), Staged(stem + "-2024-05-05.csv"));
    CalendarTime start = At(2024, 5, 5, 7);
    EXPECT_EQ(Tree(0)->QueryFilePath("A\\B/C", start, 0x1F),
              Staged(stem + "-2024-05-05-07-0000001F.csv"));
}

TEST_F(DataListTest, QueryNeverTakesTheNameOfAnExistingFile) {
    const CalendarTime start = At(2024, 1, 1, 0);
    const QString taken = Tree(0)->QueryFilePath("Line1", start, 7);
    ASSERT_TRUE(WriteRecordFile(taken, SampleRecordText(1)));
    std::deque<unsigned> draws = {7, 7, 9};
    const QString path = Tree(0)->FreeQueryPath("Line1", start, [&draws] {
        const unsigned n = draws.front();
        draws.pop_front();
        return n;
    });
    EXPECT_EQ(path, Tree(0)->QueryFilePath("Line1", start, 9));
    EXPECT_TRUE(draws.empty());
}

TEST_F(DataListTest, CancelledQueryLeavesNoFileAndOpensNothing) {
    CGroupTree::SetProgressTiming(0, 0);
    // The cancel button is pressed as soon as the dialog shows, while lines are still coming.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(w))
                progress->cancel();
        }
    });
    Tree(0)->setCurrentItem(Tree(0)->topLevelItem(0));
    Frame()->RunQuery({At(2024, 1, 1), At(2024, 1, 2), 0});
    CGroupTree::SetProgressTiming(500, 50);
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(QDir(staging.path() + "/DLTemp").entryList({"*.csv"}).isEmpty());
}

TEST_F(DataListTest, GripperCloseButtonHidesTheBar) {
    Frame()->show();
    Settle();
    QWidget* gripper = Bar()->Gripper();
    // Docked on the left, the gripper runs along the top with the close button at its right end.
    const QPoint close(gripper->width() - 2 - CSizingControlBarG::kCloseSize / 2,
                       gripper->height() / 2);
    QTest::mousePress(gripper, Qt::LeftButton, Qt::NoModifier, close);
    EXPECT_FALSE(Bar()->isHidden());
    QTest::mouseRelease(gripper, Qt::LeftButton, Qt::NoModifier, close);
    EXPECT_TRUE(Bar()->isHidden());
    EXPECT_FALSE(Frame()->Action(kCmdViewDataList)->isChecked());
}

TEST_F(DataListTest, QueryOpensATemporaryDocumentDeletedOnClose) {
    Tree(0)->setCurrentItem(Find(Tree(0), {"Line1", "2024", "01"}));
    Frame()->RunQuery({At(2023, 12, 31, 23, 59, 0), At(2024, 1, 1, 0, 1, 0), 0});
    EXPECT_TRUE(ui.messages.isEmpty());
    CHistavueDoc* doc = Frame()->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->IsTemporary(), 1);
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().RowCount(), 7);
    const QString path = doc->PathName();
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith("Line1-2023-12-31-23-0000"));
    EXPECT_TRUE(app->TempFiles().isEmpty());
    Frame()->OnFileClose();
    Settle();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(DataListTest, ThinnedQueryAcrossFoldersKeepsTheGrid) {
    Tree(0)->setCurrentItem(Tree(0)->topLevelItem(0));
    Frame()->RunQuery({At(2024, 1, 1, 0, 0, 5), At(2024, 1, 1, 1, 59, 59), 1800});
    const RecordTable& t = Frame()->ActiveView()->List()->Table();
    ASSERT_EQ(t.RowCount(), 4);
    EXPECT_EQ(t.Cell(0, 0), "2024-01-01 00:00:10");
    EXPECT_EQ(t.Cell(1, 0), "2024-01-01 00:30:10");
    EXPECT_EQ(t.Cell(2, 0), "2024-01-01 01:00:10");
    EXPECT_EQ(t.Cell(3, 0), "2024-01-01 01:30:10");
}

// The range typed into the query dialog is the range queried: its rows are those of the
// command-line tool's query of the same range, whatever the clock's seconds when it opened.
TEST_F(DataListTest, TypedQueryRangeGivesTheRowsOfTheCommandLineQuery) {
    Tree(0)->setCurrentItem(Find(Tree(0), {"Line1", "2024", "01", "01", "01"}));
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CDataQuery*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no query dialog";
            return;
        }
        // Digits only: each full field moves on to the next, as a user types them.
        for (auto [edit, typed] : {std::pair(dialog->StartEdit(), "202401010059"),
                                   std::pair(dialog->EndEdit(), "202401010100")}) {
            edit->setFocus();
            edit->setSelectedSection(QDateTimeEdit::YearSection);
            QTest::keyClicks(edit, typed);
        }
        EXPECT_EQ(dialog->StartEdit()->text(), "2024-01-01 00:59");
        EXPECT_EQ(dialog->EndEdit()->text(), "2024-01-01 01:00");
        dialog->IntervalEdit()->setText("20");
        dialog->accept();
    });
    Run(kCmdQuery);
    ASSERT_TRUE(ui.messages.isEmpty()) << ui.messages.join("\n").toStdString();
    ASSERT_NE(Frame()->ActiveDocument(), nullptr);
    const std::string viewer = ReadRecordFile(Frame()->ActiveDocument()->PathName());
    const RecordTable& table = Frame()->ActiveView()->List()->Table();
    ASSERT_EQ(table.RowCount(), 4);
    EXPECT_EQ(table.Cell(0, 0), "2024-01-01 00:59:00");
    EXPECT_EQ(table.Cell(3, 0), "2024-01-01 01:00:00");

    Bar()->CloseAll();  // the tool opens the same store slot
    const std::string store = Bytes(root.path()) + "/DL";
    const char* const argv[] = {
        "histavue-cli", "query",  "--store",          store.c_str(), "--group",
        "Line1",        "--from", "2024-01-01 00:59", "--to",        "2024-01-01 01:00",
        "--interval",   "20"};
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_EQ(RunCli(static_cast<int>(std::size(argv)), argv, out, err), 0);
    std::string cli(viewer.size() + 1, '\0');
    std::rewind(out);
    cli.resize(std::fread(&cli[0], 1, cli.size(), out));
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(viewer, cli);
}

TEST_F(DataListTest, FailedQueriesShowTheMessageAndLeaveNoFile) {
    const QString failed = QString::fromUtf8(kQueryFailedMessage);
    Tree(0)->setCurrentItem(nullptr);
    Frame()->RunQuery({At(2024, 1, 1), At(2024, 1, 2), 0});  // nothing selected
    Tree(0)->setCurrentItem(Tree(0)->topLevelItem(0));
    Frame()->RunQuery({At(2024, 1, 2), At(2024, 1, 1), 0});  // start after end
    Frame()->RunQuery({At(2025, 1, 1), At(2025, 1, 2), 0});  // no records
    Bar()->SelectTab(2);
    Frame()->RunQuery({At(2024, 1, 1), At(2024, 1, 2), 0});  // reserved tab
    EXPECT_EQ(ui.messages, QStringList({failed, failed, failed, failed}));
    EXPECT_TRUE(QDir(staging.path() + "/DLTemp").entryList({"*.csv"}).isEmpty());
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
}

TEST_F(DataListTest, AlarmTabQueriesTheAlarmLog) {
    Bar()->SelectTab(1);
    Tree(1)->setCurrentItem(Tree(1)->topLevelItem(0));
    Frame()->RunQuery({At(2024, 1, 1), At(2024, 1, 1, 0, 0, 30), 0});
    ASSERT_NE(Frame()->ActiveView(), nullptr);
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().RowCount(), 2);
    EXPECT_TRUE(Frame()->ActiveDocument()->PathName().contains("/ALTemp/Alarm-2024-01-01-00-"));
}

TEST_F(DataListTest, SettingsRebuildBothTreesFromTheNewRoots) {
    QTemporaryDir other;
    WriteStore(other.path());
    QTemporaryDir otherStaging;
    // A different store: only one data group.
    const RootIndexEntry one[] = {{"Tank", 2, 3600}};
    ASSERT_TRUE(WriteRootIndex(Bytes(other.path()) + "/DL\\", one, 1));
    Frame()->ApplySettings({otherStaging.path(), other.path()});
    ASSERT_EQ(Tree(0)->topLevelItemCount(), 1);
    EXPECT_EQ(Tree(0)->topLevelItem(0)->text(0), "Tank");
    EXPECT_EQ(Tree(1)->topLevelItemCount(), 1);
    EXPECT_TRUE(QFile::exists(otherStaging.path() + "/DLTemp/NewDLRoot.idx"));
    Frame()->ApplySettings({QString(), other.path()});
    EXPECT_EQ(Tree(0)->topLevelItemCount(), 0);
    EXPECT_FALSE(Tree(0)->IsOpen());
}

}  // namespace
