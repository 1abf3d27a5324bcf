// The data-list bar on a real store: trees, double-click exports, queries, settings, the bar.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDateTimeEdit>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QSet>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>

#include "cli.h"
#include "commands.h"
#include "data_list_bar.h"
#include "data_query_dialog.h"
#include "data_setting_dialog.h"
#include "document_manager.h"
#include "group_tree.h"
#include "gui_app_test.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "record_writer.h"
#include "roots.h"

namespace {

CalendarTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return MakeCalendarTime(y, mo, d, h, mi, s);
}

std::string Bytes(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

// Data log: "Line1" every 10 s over 2024-01-01 00:00..01:59, written hour 01 first so the file
// system sees the folders in another order; "Tank" hourly over three days; "A\B/C" one day.
// Alarm log: "Alarm" with three records.
void WriteStore(const QString& root) {
    const std::string dl = Bytes(root) + "/DL\\";
    const std::string al = Bytes(root) + "/AL\\";
    QDir().mkpath(root + "/DL");
    QDir().mkpath(root + "/AL");
    {
        RecordWriter w(dl, 1, 10, "Line1 log", "T1,T2");
        for (int hour : {1, 0}) {
            for (int s = 0; s < 3600; s += 10) {
                char v[32];
                std::snprintf(v, sizeof v, "%d,%d", hour * 3600 + s, s % 7);
                w.Append(At(2024, 1, 1, hour, s / 60, s % 60), v);
            }
            w.Close();
        }
    }
    {
        RecordWriter w(dl, 2, 3600, "Tank log", "Level");
        const int days[3][2] = {{2, 28}, {2, 29}, {3, 1}};
        for (int h = 0; h < 72; ++h)
            w.Append(At(2024, days[h / 24][0], days[h / 24][1], h % 24), "5");
        w.Close();
    }
    {
        RecordWriter w(dl, 3, 3600, "odd", "X");
        w.Append(At(2024, 5, 5, 5), "1");
        w.Close();
    }
    const RootIndexEntry groups[] = {{"Line1", 1, 10}, {"Tank", 2, 3600}, {"A\\B/C", 3, 3600}};
    ASSERT_TRUE(WriteRootIndex(dl, groups, 3));
    {
        RecordWriter w(al, 1, 1, "Alarms", "Code,Text");
        w.Append(At(2024, 1, 1, 0, 0, 5), "1,High");
        w.Append(At(2024, 1, 1, 0, 0, 9), "2,Low");
        w.Append(At(2024, 1, 1, 0, 1, 0), "1,Clear");
        w.Close();
    }
    const RootIndexEntry alarms[] = {{"Alarm", 1, 1}};
    ASSERT_TRUE(WriteRootIndex(al, alarms, 1));
}

QStringList Children(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i)
        out.append(item->child(i)->text(0));
    return out;
}

QTreeWidgetItem* Find(CGroupTree* tree, const QStringList& path) {
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(0) == path[0])
            item = tree->topLevelItem(i);
    }
    for (int level = 1; item != nullptr && level < path.size(); ++level) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i) {
            if (item->child(i)->text(0) == path[level])
                next = item->child(i);
        }
        item = next;
    }
    return item;
}

class DataListTest : public AppTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid() && staging.isValid());
        WriteStore(root.path());
        ASSERT_TRUE(WriteRoots({staging.path(), root.path()}));
        AppTest::SetUp();
    }
    void TearDown() override {
        AppTest::TearDown();
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quorvel", "LogDataDir").clear();
    }
    CMainFrame* Frame() { return app->MainFrame(); }
    CDataListBar* Bar() { return Frame()->DataListBar(); }
    CGroupTree* Tree(int i) { return Bar()->Tree(i); }
    QString Staged(const QString& name) { return staging.path() + "/DLTemp/" + name; }

    QTemporaryDir root;
    QTemporaryDir staging;
};

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
    std::system(("chattr -i '" + path.toStdString() + "'").c_str());
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

// Every file under a folder with a checksum of its bytes (links are listed, not followed).
std::map<QString, QByteArray> Checksums(const QString& folder) {
    std::map<QString, QByteArray> sums;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        QByteArray sum = "folder";
        if (it.fileInfo().isSymLink()) {
            sum = "link:" + it.fileInfo().symLinkTarget().toUtf8();
        } else if (it.fileInfo().isFile() && f.open(QIODevice::ReadOnly)) {
            sum = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
        }
        sums[path] = sum;
    }
    return sums;
}

// The data root is evidence: the whole flow of a session leaves every byte of it as it was.
TEST_F(DataListTest, DataRootIsNeverWrittenAcrossTheWholeFlow) {
    const auto before = Checksums(root.path());
    CDataSetting::SetFolderPicker(
        [](QWidget*, const QString&, const QString&) { return QString(); });
    {
        CDataSetting dialog(Frame());
        dialog.accept();
        Frame()->ApplySettings(dialog.Values());
    }
    CDataSetting::SetFolderPicker(nullptr);
    const QString opened =
        Tree(0)->OpenGroupItem(Find(Tree(0), {"Line1", "2024", "01", "01", "00"}));
    ASSERT_FALSE(opened.isEmpty());
    Tree(1)->OpenGroupItem(Find(Tree(1), {"Alarm", "2024", "01", "01", "00"}));
    Tree(0)->setCurrentItem(Tree(0)->topLevelItem(0));
    Bar()->SelectTab(0);
    Frame()->RunQuery({At(2024, 1, 1), At(2024, 1, 1, 1, 30), 60});
    ui.files = {staging.path() + "/saved.csv", staging.path() + "/plain.csv"};
    Frame()->OnFileSave();
    Frame()->OnFileSaveAs();
    Frame()->OnExportPlainCsv();
    Frame()->close();
    Settle();
    app->DeleteTempFiles();
    EXPECT_EQ(Checksums(root.path()), before);
}

// Roots that would put working files inside the data root are refused wherever they come from.
TEST_F(DataListTest, OverlappingRootsAreRefusedAndTheDataRootStaysUntouched) {
    QDir(root.path()).mkdir("inner");
    ASSERT_TRUE(QFile::link(root.path() + "/DL", staging.path() + "/linked"));
    QTemporaryDir linkedStaging;
    ASSERT_TRUE(QFile::link(root.path() + "/DL", linkedStaging.path() + "/DLTemp"));
    const auto before = Checksums(root.path());
    const struct {
        QString staging;
        QString data;
        const char* says;
    } cases[] = {
        {root.path(), root.path(), "重叠"},
        {root.path() + "/inner", root.path(), "重叠"},
        {root.path() + "/inner/../DL", root.path(), "重叠"},
        {staging.path() + "/linked", root.path(), "重叠"},
        {linkedStaging.path(), root.path(), "重叠"},
        {"relative/stage", root.path(), "绝对路径"},
        {staging.path(), "/", "重叠"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.staging.toStdString());
        ui.messages.clear();
        // From the settings file at start-up.
        ASSERT_TRUE(WriteRoots({c.staging, c.data}));
        app.reset();
        app = std::make_unique<CHistavueApp>();
        ASSERT_TRUE(app->InitInstance({"histavue"}));
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(ui.messages[0].contains(QString::fromUtf8(c.says)));
        EXPECT_FALSE(Tree(0)->IsOpen());
        EXPECT_FALSE(Tree(1)->IsOpen());
        // From the settings dialog: refused, nothing written, the dialog stays open.
        ASSERT_TRUE(WriteRoots({staging.path(), root.path()}));
        CDataSetting dialog(Frame());
        dialog.SetValues({c.staging, c.data});
        dialog.open();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(ui.messages.size(), 2);
        Roots kept;
        ASSERT_TRUE(ReadRoots(&kept));
        EXPECT_EQ(kept.staging, staging.path());
        dialog.reject();
    }
    EXPECT_EQ(Checksums(root.path()), before);
}

TEST_F(DataListTest, DataRootWithoutAnIndexLeavesNoStaleTree) {
    QTemporaryDir empty;
    QDir(empty.path()).mkpath("DL");
    Frame()->ApplySettings({staging.path(), empty.path()});
    EXPECT_EQ(Tree(0)->topLevelItemCount(), 0);
    EXPECT_FALSE(QFile::exists(staging.path() + "/DLTemp/NewDLRoot.idx"));
}

TEST_F(DataListTest, UnusableStagingRootIsNamedToTheUser) {
    QTemporaryDir other;
    const QString file = other.path() + "/a-file";
    ASSERT_TRUE(WriteRecordFile(file, "x"));
    QDir(other.path()).mkdir("readonly");
    QFile::setPermissions(other.path() + "/readonly", QFile::ReadOwner | QFile::ExeOwner);
    for (const QString& bad : {file, other.path() + "/readonly"}) {
        ui.messages.clear();
        Frame()->ApplySettings({bad, root.path()});
        if (getuid() == 0 && bad.endsWith("readonly"))
            continue;  // permissions do not bind root
        EXPECT_EQ(Tree(0)->topLevelItemCount(), 0);
        ASSERT_EQ(ui.messages.size(), 1) << bad.toStdString();
        EXPECT_TRUE(ui.messages[0].startsWith(QString::fromUtf8("暂存文件夹无法使用")));
        EXPECT_TRUE(ui.messages[0].contains(bad + "/DLTemp"));
    }
}

TEST_F(DataListTest, DataListCommandTogglesTheBarWithItsCheckMark) {
    QAction* toggle = Frame()->Action(kCmdViewDataList);
    EXPECT_TRUE(toggle->isEnabled());
    Frame()->show();
    Settle();
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(Bar()->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(Bar()->isHidden());
    EXPECT_TRUE(toggle->isChecked());
}

// After floating and docking again, at another side, the tab control and the trees follow the
// client area's final size.
TEST_F(DataListTest, LayoutFollowsTheClientAreaAfterFloatingAndDocking) {
    Frame()->resize(1100, 700);
    Frame()->show();
    Settle();
    Bar()->setFloating(true);
    Settle();
    Frame()->addDockWidget(Qt::TopDockWidgetArea, Bar());
    Bar()->setFloating(false);
    Frame()->resizeDocks({Bar()}, {220}, Qt::Vertical);
    Settle();
    const QSize client = Bar()->Client()->size();
    const BarLayout want =
        ComputeBarLayout(client.width(), client.height(), CSizingControlBar::DockSide::kHorizontal);
    EXPECT_EQ(Bar()->GetDockSide(), CSizingControlBar::DockSide::kHorizontal);
    EXPECT_EQ(Tree(0)->geometry(), want.tree);
    EXPECT_EQ(Tree(0)->parentWidget()->geometry(), want.tab);
}

// Export files: different groups never share one; names that need no change keep the plain
// "group-path.csv" form; a character of the code page whose second byte is "\" stays whole.
TEST_F(DataListTest, DifferentGroupsNeverShareAnExportFile) {
    const QByteArray names[] = {"A/B", "A-B", "A\\B", "A~B", "\xFF\xFF", "\xFF\xFE", "\x80"};
    QSet<QString> stems;
    for (const QByteArray& name : names)
        stems.insert(GroupFileStem(name));
    EXPECT_EQ(stems.size(), static_cast<int>(std::size(names)));
    for (const QString& stem : stems)
        EXPECT_FALSE(stem.contains('/') || stem.contains('\\')) << stem.toStdString();
    EXPECT_EQ(GroupFileStem("Line1"), "Line1");
    EXPECT_EQ(GroupFileStem("\xD5\x5C"), QString::fromUtf8("誠"));  // GBK, second byte "\\"
    EXPECT_EQ(GroupFileStem("\xD6\xD0\xCE\xC4"), QString::fromUtf8("中文"));  // GBK
    EXPECT_EQ(GroupFileStem("温度/1"),
              QString::fromUtf8("温度-1") + GroupFileStem("温度/1").mid(4));
    EXPECT_TRUE(GroupFileStem("温度/1").startsWith(QString::fromUtf8("温度-1~")));
}

TEST_F(DataListTest, ExportPathOverTheLimitSaysSo) {
    // Short enough for the staging index, too long for the export file.
    QString deep = staging.path();
    while (deep.size() < 220)
        deep += "/abcdefghij";
    deep += "/" + QString(233 - deep.size() - 1, 'x');
    ASSERT_TRUE(QDir().mkpath(deep));
    Frame()->ApplySettings({deep, root.path()});
    ASSERT_TRUE(Tree(0)->IsOpen());
    EXPECT_TRUE(
        Tree(0)->OpenGroupItem(Find(Tree(0), {"Line1", "2024", "01", "01", "00"})).isEmpty());
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].startsWith(QString::fromUtf8("导出文件的路径太长")));
}

TEST_F(DataListTest, RecentFileThatNoLongerOpensLeavesTheList) {
    const QString opened = dir.path() + "/gone.csv";
    ASSERT_TRUE(WriteRecordFile(opened, SampleRecordText(3)));
    ASSERT_NE(app->Documents()->OpenDocumentFile(opened), nullptr);
    Frame()->OnFileClose();
    Settle();
    ASSERT_TRUE(QFile::remove(opened));
    ASSERT_EQ(app->Documents()->RecentFiles().value(0), opened);
    Frame()->show();
    Settle();
    QMenu* file = Frame()->menuBar()->actions().value(0)->menu();
    QAction* entry = nullptr;
    for (QAction* a : file->actions()) {
        if (a->data().toString() == opened)
            entry = a;
    }
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_FALSE(app->Documents()->RecentFiles().contains(opened));
}

// Query results and folder exports are working files of the staging folder, gone by the next
// session; the list keeps files opened from elsewhere and the copies the user saved.
TEST_F(DataListTest, RecentFilesAreOnlyFilesThatOutliveTheSession) {
    QSettings(QString::fromUtf8(kProfileOrganisation), QString::fromUtf8(kProfileApplication))
        .remove("Recent File List");
    DocumentManager* docs = app->Documents();
    Tree(0)->setCurrentItem(Tree(0)->topLevelItem(0));
    Frame()->RunQuery({At(2024, 1, 1), At(2024, 1, 1, 0, 1), 0});
    CHistavueDoc* query = Frame()->ActiveDocument();
    ASSERT_NE(query, nullptr);
    ASSERT_FALSE(
        Tree(0)->OpenGroupItem(Find(Tree(0), {"Line1", "2024", "01", "01", "00"})).isEmpty());
    EXPECT_TRUE(docs->RecentFiles().isEmpty());

    const QString record = dir.path() + "/r.csv";
    ASSERT_TRUE(WriteRecordFile(record, SampleRecordText(3)));
    ASSERT_NE(docs->OpenDocumentFile(record), nullptr);
    Frame()->ActivateView(query->Views().front());
    const QString saved = dir.path() + "/saved.csv";
    const QString plain = dir.path() + "/plain.csv";
    ui.files = {saved, plain};
    Run(kCmdFileSaveAs);
    Run(kCmdExportPlainCsv);
    EXPECT_EQ(docs->RecentFiles(), QStringList({plain, saved, record}));

    // The next session: the working files are gone, and every entry opens in its form.
    app->MainFrame()->MdiArea()->closeAllSubWindows();
    Settle();
    app->DeleteTempFiles();
    app.reset();
    Settle();
    StartApp({"histavue"});
    for (const QString& path : {plain, saved, record}) {
        CHistavueDoc* doc = app->Documents()->OpenRecentFile(path);
        ASSERT_NE(doc, nullptr) << path.toStdString();
        EXPECT_EQ(doc->IsPlain(), path == plain);
    }
    EXPECT_EQ(app->Documents()->RecentFiles(), QStringList({record, saved, plain}));
}

TEST(DataListLayout, TabAndTreeRectanglesFollowTheDockSide) {
    const BarLayout left = ComputeBarLayout(200, 400, CSizingControlBar::DockSide::kVertical);
    EXPECT_EQ(left.tab, QRect(7, 7, 186, 382));
    EXPECT_EQ(left.tree, QRect(2, 2, 181, 356));
    const BarLayout top = ComputeBarLayout(300, 150, CSizingControlBar::DockSide::kHorizontal);
    EXPECT_EQ(top.tab, QRect(7, 7, 286, 136));
    EXPECT_EQ(top.tree, QRect(2, 2, 281, 110));
}

TEST(SizingBar, SizesAreKeptPerSideAndBoundedBelow) {
    QMainWindow window;
    CSizingControlBar bar("Bar", &window, 4242);
    bar.SetSizeFor(CSizingControlBar::DockSide::kVertical, QSize(10, 10));
    EXPECT_EQ(bar.VertSize(), QSize(33, 32));
    bar.SetSizeFor(CSizingControlBar::DockSide::kFloating, QSize(300, 500));
    EXPECT_EQ(bar.FloatSize(), QSize(300, 500));
    EXPECT_EQ(bar.HorzSize(), QSize(200, 200));
    bar.WriteSizes("Test");
    CSizingControlBar again("Bar", &window, 4242);
    again.ReadSizes("Test");
    EXPECT_EQ(again.FloatSize(), QSize(300, 500));
    QSettings profile;
    profile.setValue("Test-SCBar-4242/sizeHorzCY", 5);  // below the minimum: not taken
    CSizingControlBar third("Bar", &window, 4242);
    third.ReadSizes("Test");
    EXPECT_EQ(third.HorzSize().height(), 200);
    profile.remove("Test-SCBar-4242");
}

TEST(QueryDialog, IntervalMustBeAnIntegerAndNegativeBecomesZero) {
    FakeUi ui;
    CDataQuery dialog;
    EXPECT_EQ(dialog.windowTitle(), "查询");
    EXPECT_EQ(dialog.StartEdit()->displayFormat(), "yyyy'-'MM'-'dd' 'HH':'mm");
    EXPECT_EQ(dialog.IntervalEdit()->text(), "0");
    dialog.IntervalEdit()->setText("");
    dialog.accept();
    EXPECT_EQ(ui.messages, QStringList({"请输入一个整数。"}));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.IntervalEdit()->setText("59");
    dialog.UpButton()->click();
    EXPECT_EQ(dialog.IntervalEdit()->text(), "60");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Result().interval, 60);
    int v = 0;
    EXPECT_TRUE(ParseIntervalText("-5", &v));
    EXPECT_EQ(v, -5);
    EXPECT_FALSE(ParseIntervalText("1e3", &v));
    EXPECT_FALSE(ParseIntervalText("99999999999", &v));
}

}  // namespace
