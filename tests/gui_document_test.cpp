// The record document, its report view and the main window's commands, driven through the
// real windows on the offscreen platform.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "chart_adapter.h"
#include "commands.h"
#include "config_file.h"
#include "curve_view.h"
#include "document_manager.h"
#include "gui_app_test.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "profile.h"
#include "record_table_model.h"
#include "text_codec.h"

namespace {

class ViewerTest : public AppTest {
  protected:
    void SetUp() override { StartApp({"histavue"}); }
    QString File(const QString& name, const std::string& text, bool inverted = true) {
        const QString path = dir.path() + "/" + name;
        EXPECT_TRUE(WriteRecordFile(path, text, inverted));
        return path;
    }
    CMainFrame* Frame() { return app->MainFrame(); }
    DocumentManager* Docs() { return app->Documents(); }
    QStringList MenuTitles() {
        QStringList titles;
        for (QAction* a : Frame()->menuBar()->actions())
            titles.append(a->text());
        return titles;
    }
    QStringList MenuItems(int menu) {
        QStringList items;
        for (QAction* a : Frame()->menuBar()->actions()[menu]->menu()->actions()) {
            items.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return items;
    }
};

TEST_F(ViewerTest, StartsWithNoDocumentAndTheShortMenus) {
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(Frame()->windowTitle(), "Histavue");
    EXPECT_EQ(MenuTitles(), QStringList({"文件(&F)", "视图(&V)", "帮助(&H)"}));
    EXPECT_EQ(MenuItems(0), QStringList({"打开...\tCtrl+O(&O)", "打开正常csv(&N)", "关闭(&C)", "-",
                                         "打印设置(&R)...", "-", "设置(&S)", "查询\tCtrl+E(&E)",
                                         "-", "最近的文件", "-", "退出(&X)"}));
    EXPECT_EQ(MenuItems(1),
              QStringList({"工具栏(&T)", "状态栏(&S)", "数据列表(D)", "趋势图", "报警分析"}));
    EXPECT_FALSE(Frame()->Action(kCmdOpenPlainCsv)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdQuery)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdFileOpen)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdSettings)->isEnabled());
}

TEST_F(ViewerTest, StatusPromptsAndToolbar) {
    EXPECT_EQ(Frame()->Action(kCmdViewDataList)->statusTip(), "显示或隐藏数据列表窗口");
    EXPECT_EQ(Frame()->Action(kCmdSettings)->statusTip(), "根文件夹设置");
    EXPECT_EQ(Frame()->Action(kCmdQuery)->statusTip(), "搜索数据");
    EXPECT_EQ(Frame()->Action(kCmdQuery)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    QList<int> ids;
    for (QAction* a : Frame()->ToolBar()->actions())
        ids.append(a->isSeparator() ? 0 : a->data().toInt());
    EXPECT_EQ(ids, ToolbarButtons());
}

TEST_F(ViewerTest, OpeningARecordFileShowsItsReportAndTheFullMenus) {
    const QString path = File("line1.csv", SampleRecordText(3));
    CHistavueDoc* doc = Docs()->OpenDocumentFile(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(Frame()->windowTitle(), "line1.csv — Histavue");
    EXPECT_EQ(MenuTitles(),
              QStringList({"文件(&F)", "编辑(&E)", "视图(&V)", "窗口(&W)", "帮助(&H)"}));
    EXPECT_EQ(MenuItems(0).mid(0, 11),
              QStringList({"打开...\tCtrl+O(&O)", "打开正常csv(&N)", "关闭(&C)", "保存\tCtrl+S(&S)",
                           "另存为(&A)...", "存为正常csv(&C)", "-", "报表打印\tCtrl+P(&P)",
                           "曲线打印\tCtrl+R(&R)   ", "打印预览(&V)", "-"}));
    EXPECT_EQ(MenuItems(2), QStringList({"工具栏(&T)", "状态栏(&S)", "数据列表(&D)", "趋势图",
                                         "报警分析", "绘制历史曲线(&C)", "恢复曲线图(&R)",
                                         "历史曲线设置(&E)", "显示数据报表(&B)", "文本编辑(&F)"}));
    EXPECT_EQ(MenuItems(3), QStringList({"新建窗口(&N)", "层叠(&C)", "平铺(&T)", "排列图标(&A)"}));
    // Features that are not built yet stay disabled.
    EXPECT_TRUE(Frame()->Action(kCmdDrawCurves)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdTextEdit)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdCurvePrint)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdFilePrint)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdFilePrintPreview)->isEnabled());
    EXPECT_TRUE(Frame()->Action(kCmdExportPlainCsv)->isEnabled());

    CHistavueView* view = Frame()->ActiveView();
    ASSERT_NE(view, nullptr);
    RecordTableModel* model = view->List()->Model();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "T1");
    EXPECT_EQ(model->index(2, 0).data().toString(), "2024-01-01 00:00:20");
    EXPECT_EQ(model->index(2, 1).data().toString(), "2.5");
    EXPECT_EQ(view->Settings().channelCount, 2);
    EXPECT_EQ(view->Settings().sourceInterval, 10);
    EXPECT_EQ(view->List()->columnWidth(1), 120);
}

TEST_F(ViewerTest, TableModelPassesTheModelTester) {
    Docs()->OpenDocumentFile(File("m.csv", SampleRecordText(50)));
    RecordTableModel* model = Frame()->ActiveView()->List()->Model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model->rowCount(model->index(0, 0)), 0);
    EXPECT_FALSE(model->index(50, 0).isValid());
}

TEST_F(ViewerTest, ChineseTextInTheCodePageAndUtf8BothShowAsChinese) {
    // "温度" as GB18030 bytes in the header, "锅炉" as UTF-8 in the other file.
    Docs()->OpenDocumentFile(
        File("gbk.csv", "title\nTime,\xCE\xC2\xB6\xC8\n2024-01-01 00:00:00,1\n"));
    EXPECT_EQ(Frame()->ActiveView()->List()->Model()->headerData(1, Qt::Horizontal).toString(),
              QString::fromUtf8("温度"));
    Docs()->OpenDocumentFile(File("utf8.csv", "title\nTime,锅炉\n2024-01-01 00:00:00,1\n"));
    EXPECT_EQ(Frame()->ActiveView()->List()->Model()->headerData(1, Qt::Horizontal).toString(),
              QString::fromUtf8("锅炉"));
}

TEST_F(ViewerTest, UnreadableFilesGiveAMessageNamingTheFile) {
    const QString titleOnly = File("title.csv", "only a title\n");
    EXPECT_EQ(Docs()->OpenDocumentFile(titleOnly), nullptr);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains(titleOnly));
    EXPECT_TRUE(ui.messages[0].contains("缺少标题行或表头行"));
    EXPECT_EQ(Docs()->OpenDocumentFile(dir.path() + "/missing.csv"), nullptr);
    EXPECT_TRUE(ui.messages[1].contains("文件不存在"));
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(CHistavueView::LiveViews(), 0);
}

TEST_F(ViewerTest, OpeningTheSamePathAgainBringsTheOpenDocumentForward) {
    const QString path = File("a.csv", SampleRecordText(2));
    CHistavueDoc* first = Docs()->OpenDocumentFile(path);
    Docs()->OpenDocumentFile(File("b.csv", SampleRecordText(2)));
    EXPECT_EQ(Docs()->OpenDocumentFile(path), first);
    EXPECT_EQ(Docs()->Documents().size(), 2u);
    EXPECT_EQ(Frame()->ActiveDocument(), first);
}

TEST_F(ViewerTest, NewDocumentOpensNothing) {
    Frame()->Action(kCmdFileNew)->trigger();
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
}

TEST_F(ViewerTest, ViewsTakeListIdsFromTheLiveCount) {
    Docs()->OpenDocumentFile(File("a.csv", SampleRecordText(2)));
    Docs()->OpenDocumentFile(File("b.csv", SampleRecordText(2)));
    auto windows = Frame()->MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    auto view = [&](int i) { return qobject_cast<CHistavueView*>(windows[i]->widget()); };
    EXPECT_EQ(view(0)->ListId(), 1300);
    EXPECT_EQ(view(1)->ListId(), 1301);
    windows[0]->close();
    Settle();
    Docs()->OpenDocumentFile(File("c.csv", SampleRecordText(2)));
    EXPECT_EQ(Frame()->ActiveView()->ListId(), 1301);
}

TEST_F(ViewerTest, NewWindowShowsTheSameRecords) {
    Docs()->OpenDocumentFile(File("a.csv", SampleRecordText(4)));
    Frame()->Action(kCmdWindowNew)->trigger();
    CHistavueDoc* doc = Frame()->ActiveDocument();
    ASSERT_EQ(doc->Views().size(), 2u);
    EXPECT_EQ(doc->Views()[1]->List()->Model()->rowCount(), 4);
    EXPECT_EQ(Frame()->MdiArea()->activeSubWindow()->windowTitle(), "a.csv:2");
}

TEST_F(ViewerTest, ShowReportWhileShownChangesNothing) {
    Docs()->OpenDocumentFile(File("a.csv", SampleRecordText(2)));
    CHistavueView* view = Frame()->ActiveView();
    Frame()->Action(kCmdShowReport)->trigger();
    EXPECT_FALSE(view->List()->isHidden());
    EXPECT_EQ(view->Chart(), nullptr);
}

TEST_F(ViewerTest, SaveAsCopiesTheWorkingFileAndSaveToItselfWritesNothing) {
    const QString path = File("a.csv", SampleRecordText(3));
    CHistavueDoc* doc = Docs()->OpenDocumentFile(path);
    const QString copy = dir.path() + "/copy.csv";
    ui.files = {copy};
    Frame()->OnFileSaveAs();
    EXPECT_EQ(ReadRecordFile(copy, false), ReadRecordFile(path, false));
    EXPECT_TRUE(doc->SaveToPath(path));
    EXPECT_EQ(ReadRecordFile(path), SampleRecordText(3));
    EXPECT_EQ(doc->PathName(), path);
}

TEST_F(ViewerTest, ClosingATemporaryDocumentDeletesItsFileOthersStay) {
    const QString temp = File("q.csv", SampleRecordText(2));
    const QString kept = File("k.csv", SampleRecordText(2));
    Docs()->OpenDocumentFile(temp)->SetTemporary(1);
    Docs()->OpenDocumentFile(kept);
    Frame()->MdiArea()->closeAllSubWindows();
    Settle();
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_TRUE(Docs()->Documents().empty());
}

TEST_F(ViewerTest, PlainExportWritesEditedTitleAndCaptionsWithoutBlankLines) {
    const QString path = File("a.csv",
                              "Line1\nTime,T1,T2\n\n2024-01-01 00:00:00,1,2\n\n"
                              "2024-01-01 00:00:10,3,4\n");
    Docs()->OpenDocumentFile(path);
    CHistavueView* view = Frame()->ActiveView();
    view->List()->Table().SetTitle("Boiler");
    view->List()->SetCaption(1, "Temp");
    const QString out = dir.path() + "/plain.csv";
    ui.files = {out};
    Frame()->Action(kCmdExportPlainCsv)->trigger();
    ASSERT_EQ(ui.messages, QStringList({"完成导出csv数据文件！"}));
    EXPECT_EQ(ui.icons[0], UiServices::Icon::kInformation);
    EXPECT_EQ(ReadRecordFile(out, false),
              "Boiler\nTime,Temp,T2\n2024-01-01 00:00:00,1,2\n2024-01-01 00:00:10,3,4\n");
}

TEST_F(ViewerTest, PlainFileOpensPlainlyAndExportsCorrectlyAgain) {
    const std::string text = SampleRecordText(3, "Plain", "A,B");
    const QString plain = File("plain.csv", text, false);
    // The command needs an open document to act on, like every document command.
    Docs()->OpenDocumentFile(File("any.csv", SampleRecordText(1)));
    ui.files = {plain};
    Frame()->Action(kCmdOpenPlainCsv)->trigger();
    EXPECT_FALSE(CHistavueDoc::OpeningPlain());
    CHistavueDoc* doc = Frame()->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->IsPlain());
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().Title(), "Plain");
    const QString out = dir.path() + "/again.csv";
    ui.files = {out};
    Frame()->Action(kCmdExportPlainCsv)->trigger();
    EXPECT_EQ(ReadRecordFile(out, false), text);
}

TEST_F(ViewerTest, PlainFileThroughTheOpenCommandIsNoRecordFile) {
    const QString plain = File("plain.csv", SampleRecordText(3), false);
    ui.files = {plain};
    Frame()->Action(kCmdFileOpen)->trigger();
    // Read inverted, a plain file is one line of bytes without a line end; its own bytes are
    // records, so the message says how to open it.
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("打开正常csv")) << ui.messages[0].toStdString();
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
}

// CSV of other programs opened as plain CSV: a headed one takes its file name as title and
// keeps every record, also when exported again; one whose header cannot be told is refused. Its
// quoted fields and a record ended by a carriage return alone read as they were written; a file
// whose lines end in carriage returns alone is refused saying so.
TEST_F(ViewerTest, HeadedCsvOpensUnderItsNameAndAnUnclearOneIsRefused) {
    const std::string rows = "2024-01-01 00:00:00,1.5\r\n2024-01-01 00:00:10,2.5\r\n";
    const QString headed = File("pandas.csv", "\xEF\xBB\xBFTime,A\r\n" + rows, false);
    const QString unclear =
        File("rows.csv", "0,2024-01-01 00:00:00,1\n1,2024-01-01 00:00:10,2\n", false);
    const QString quoted =
        File("calc.csv",
             "\"Time\",\"Flow, l/s\",\"B\"\r\n\"2024-01-01 00:00:00\",\"1,5\",4\r"
             "\"2024-01-01 00:00:10\",2,\"say \"\"hi\"\"\"\r\n",
             false);
    const QString carriageReturns = File("mac.csv", "Time,A\r2024-01-01 00:00:00,1\r", false);
    CHistavueDoc* doc = nullptr;
    {
        CHistavueDoc::OpenPlainScope plain;
        ASSERT_NE(Docs()->OpenDocumentFile(quoted), nullptr);
        EXPECT_EQ(Docs()->OpenDocumentFile(carriageReturns), nullptr);
        doc = Docs()->OpenDocumentFile(headed);
        EXPECT_EQ(Docs()->OpenDocumentFile(unclear), nullptr);
    }
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_TRUE(ui.messages[0].contains("CR")) << ui.messages[0].toStdString();
    EXPECT_TRUE(ui.messages[1].contains("行号")) << ui.messages[1].toStdString();
    const QList<QMdiSubWindow*> windows = Frame()->MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    auto* calc = qobject_cast<CHistavueView*>(windows.front()->widget());
    ASSERT_NE(calc, nullptr);
    const RecordTable& calcTable = calc->List()->Table();
    EXPECT_EQ(calcTable.Caption(1), "Flow, l/s");
    ASSERT_EQ(calcTable.RowCount(), 2);
    EXPECT_EQ(calcTable.Cell(0, 1), "1,5");
    EXPECT_EQ(calcTable.Cell(0, 2), "4");
    EXPECT_EQ(calcTable.Cell(1, 2), "say \"hi\"");
    EXPECT_EQ(calc->Settings().listEnd.second, 10);
    ASSERT_NE(doc, nullptr);
    const RecordTable& table = Frame()->ActiveView()->List()->Table();
    EXPECT_EQ(table.Title(), "pandas.csv");
    EXPECT_EQ(table.Caption(0), "Time");
    EXPECT_EQ(table.RowCount(), 2);
    const QString out = dir.path() + "/again.csv";
    ASSERT_TRUE(doc->ExportPlainCsv(out));
    // The byte-order mark that says UTF-8 stays, ahead of the title.
    EXPECT_EQ(ReadRecordFile(out, false),
              "\xEF\xBB\xBFpandas.csv\nTime,A\n2024-01-01 "
              "00:00:00,1.5\n2024-01-01 00:00:10,2.5\n");
}

TEST_F(ViewerTest, RecentFileListKeepsFourNewestFirst) {
    for (int i = 0; i < 5; ++i) {
        Docs()->OpenDocumentFile(File(QStringLiteral("f%1.csv").arg(i), SampleRecordText(1)));
    }
    const QStringList recent = Docs()->RecentFiles();
    ASSERT_EQ(recent.size(), 4);
    EXPECT_TRUE(recent[0].endsWith("f4.csv"));
    EXPECT_TRUE(recent[3].endsWith("f1.csv"));
    // The opens wrote nothing: the list reaches the profile's file later, in one write.
    const auto onDisk = [] {
        QFile file(UserProfile().fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_FALSE(onDisk().contains("f4.csv"));
    Docs()->FlushProfile();
    EXPECT_TRUE(onDisk().contains("f4.csv"));
}

// Saving and exporting never damage a file: the working file reached another way, a file whose
// name differs only in case, a target that cannot be written.
TEST_F(ViewerTest, SaveAsAndExportTakeUserPathsExactlyAndNeverEmptyTheWorkingFile) {
    const std::string text = SampleRecordText(3);
    const QString work = File("keep.csv", text);
    const QString other = File("Other.csv", "other's bytes", false);
    const QString report = File("report.csv", "report's bytes", false);
    ASSERT_EQ(symlink(dir.path().toUtf8().constData(), (dir.path() + "/via").toUtf8().constData()),
              0);
    ASSERT_EQ(link(work.toUtf8().constData(), (dir.path() + "/hard.csv").toUtf8().constData()), 0);
    CHistavueDoc* doc = Docs()->OpenDocumentFile(work);
    ASSERT_NE(doc, nullptr);
    // Onto the working file by a link: nothing written, nothing lost.
    ui.files = {dir.path() + "/via/keep.csv", dir.path() + "/hard.csv"};
    Frame()->OnFileSaveAs();
    Frame()->OnFileSaveAs();
    EXPECT_EQ(ReadRecordFile(work), text);
    // Names differing only in case are other files.
    ui.files = {dir.path() + "/KEEP.csv", dir.path() + "/other.csv"};
    Frame()->OnFileSaveAs();
    Frame()->OnFileSaveAs();
    EXPECT_EQ(ReadRecordFile(dir.path() + "/KEEP.csv"), text);
    EXPECT_EQ(ReadRecordFile(dir.path() + "/other.csv"), text);
    EXPECT_EQ(ReadRecordFile(other, false), "other's bytes");
    ui.files = {dir.path() + "/REPORT.csv"};
    Frame()->OnExportPlainCsv();
    EXPECT_EQ(ReadRecordFile(report, false), "report's bytes");
    EXPECT_EQ(ReadRecordFile(dir.path() + "/REPORT.csv", false), text);
    EXPECT_EQ(ui.messages, QStringList({"完成导出csv数据文件！"}));
    // The working file itself as the export target, by its name or a link: refused, unchanged.
    ui.messages.clear();
    ui.files = {work, dir.path() + "/hard.csv"};
    Frame()->OnExportPlainCsv();
    Frame()->OnExportPlainCsv();
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_TRUE(ui.messages[0].startsWith("无法导出csv数据文件：\n" + work));
    EXPECT_TRUE(ui.messages[1].contains("不能导出到文档自己的工作文件"));
    EXPECT_EQ(ReadRecordFile(work), text);
    // A target that cannot be written: the reason is told and an existing target stays whole.
    ui.messages.clear();
    ui.files = {dir.path() + "/no/such/folder/x.csv"};
    Frame()->OnExportPlainCsv();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("文件夹或文件不存在")) << ui.messages[0].toStdString();
}

// On this platform a backslash in a path the user gives is part of a file name, never a folder
// separator: opening, saving, exporting and reading an .ini all take the file so named.
TEST_F(ViewerTest, ABackslashInAUserPathIsPartOfTheName) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("bs/sub") && QDir(dir.path()).mkpath("ini"));
    File("bs/sub/r.csv", SampleRecordText(1, "folder"));
    const QString named = File("bs/sub\\r.csv", SampleRecordText(1, "name"));
    const QString only = File("only\\here.csv", SampleRecordText(1, "only"));
    ASSERT_NE(Docs()->OpenDocumentFile(only), nullptr);
    ASSERT_NE(Docs()->OpenDocumentFile(named), nullptr);
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().Title(), "name");
    ui.files = {dir.path() + "/bs/sub\\copy.csv", dir.path() + "/bs/sub\\plain.csv"};
    Frame()->OnFileSaveAs();
    Frame()->OnExportPlainCsv();
    EXPECT_EQ(ReadRecordFile(dir.path() + "/bs/sub\\copy.csv"), SampleRecordText(1, "name"));
    EXPECT_EQ(ReadRecordFile(dir.path() + "/bs/sub\\plain.csv", false).substr(0, 5), "name\n");
    EXPECT_EQ(QDir(dir.path() + "/bs/sub").entryList(QDir::Files), QStringList({"r.csv"}));

    CurveSettings settings;
    ASSERT_TRUE(WriteConfigFile(PathBytes(dir.path() + "/ini\\title.ini"), "named", "", settings));
    ASSERT_TRUE(WriteConfigFile(PathBytes(dir.path() + "/ini/title.ini"), "folder", "", settings));
    std::string title;
    std::string remark;
    ASSERT_TRUE(
        ReadConfigFile(PathBytes(dir.path() + "/ini\\title.ini"), &settings, &title, &remark));
    EXPECT_EQ(title, "named");
}

TEST_F(ViewerTest, OpeningANameOfAnotherCaseOpensThatFile) {
    Docs()->OpenDocumentFile(File("a.csv", SampleRecordText(1, "lower")));
    Docs()->OpenDocumentFile(File("A.csv", SampleRecordText(1, "upper")));
    ASSERT_EQ(Docs()->Documents().size(), 2u);
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().Title(), "upper");
    EXPECT_TRUE(Docs()->RecentFiles().contains(dir.path() + "/a.csv"));
}

TEST_F(ViewerTest, WorkingFileGoneOrChangedIsReportedByEverySave) {
    const QString work = File("w.csv", SampleRecordText(5));
    CHistavueDoc* doc = Docs()->OpenDocumentFile(work);
    ASSERT_NE(doc, nullptr);
    const QString target = File("target.csv", "old", false);
    ASSERT_TRUE(QFile::resize(work, 20));  // truncated by another program
    ui.files = {target, target};
    Frame()->OnFileSaveAs();
    Frame()->OnExportPlainCsv();
    Frame()->OnFileSave();
    ASSERT_EQ(ui.messages.size(), 3);
    for (const QString& m : ui.messages)
        EXPECT_TRUE(m.contains("工作文件在打开后已被删除、截断或修改") && m.contains(work))
            << m.toStdString();
    EXPECT_EQ(ReadRecordFile(target, false), "old");
    ui.messages.clear();
    QFile::remove(work);
    Frame()->OnFileSave();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("工作文件已不存在"));
}

TEST_F(ViewerTest, PlainExportOfACrLfFileEndsEveryLineWithOneLineFeed) {
    Docs()->OpenDocumentFile(File("crlf.csv", "T\r\nTime,a\r\n\r\nt1,1\r\nt2,2\r\n"));
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().RowCount(), 2);
    const QString out = dir.path() + "/plain.csv";
    ui.files = {out};
    Frame()->OnExportPlainCsv();
    EXPECT_EQ(ReadRecordFile(out, false), "T\nTime,a\nt1,1\nt2,2\n");
}

// A huge cell or caption shows its first few thousand bytes, cut between characters.
TEST(ShownText, LongTextIsCutAtACharacterWithAnEllipsis) {
    const QString ellipsis(QChar(0x2026));
    EXPECT_EQ(DecodeShown("short"), "short");
    EXPECT_EQ(DecodeShown(std::string(kShownTextBytes, 'a')), QString(kShownTextBytes, 'a'));
    EXPECT_EQ(DecodeShown(std::string(20 << 20, 'a')), QString(kShownTextBytes, 'a') + ellipsis);
    std::string utf8 = "x";  // three-byte characters from byte 1: one crosses the cut
    while (utf8.size() < kShownTextBytes + 10)
        utf8 += "温";
    const QString shownUtf8 = DecodeShown(utf8);
    EXPECT_EQ(shownUtf8.size(), 1 + (static_cast<int>(kShownTextBytes) - 1) / 3 + 1);
    EXPECT_TRUE(shownUtf8.endsWith(QString::fromUtf8("温") + ellipsis));
    std::string gbk = "x";  // two-byte characters from byte 1: one crosses the cut
    while (gbk.size() < kShownTextBytes + 10)
        gbk += "\xCE\xC2";
    const QString shownGbk = DecodeShown(gbk);
    EXPECT_EQ(shownGbk.size(), 1 + (static_cast<int>(kShownTextBytes) - 1) / 2 + 1);
    EXPECT_FALSE(shownGbk.contains(QChar(0xFFFD)));
}

// A document's code page is decided once from its leading bytes and all of its text reads in it;
// typed text goes back to it.
TEST(DocumentCodePage, DecidedFromTheLeadingBytes) {
    const std::string gbTitle = "\xCA\xFD\xBE\xDD\xBC\xC7\xC2\xBC\n";  // 数据记录, not UTF-8
    const std::string gbLevel = "\xD2\xBA\xCE\xBB";  // 液位, valid UTF-8 ("һλ") by accident
    const std::string gbTemp = "\xCE\xC2";           // 温
    const std::string ascii = "T\nTime,a\n";
    // Rows of plain text up to `to` bytes of document.
    auto rowsTo = [](std::string text, size_t to) {
        text.resize(to, 'x');
        return text;
    };
    struct Case {
        const char* what;
        std::string document;
        TextCodec codec;
        std::string text;  // a text of the document
        const char* shown;
    };
    const Case cases[] = {
        {"GB18030", gbTitle + "Time," + gbLevel + "\n", TextCodec::kGb18030, gbLevel, "液位"},
        {"UTF-8", "数据\nTime,液位\n", TextCodec::kUtf8, "液位", "液位"},
        {"UTF-8, a GB18030 text found later", "数据\nTime,液位\n", TextCodec::kUtf8, gbTemp, "温"},
        {"ASCII, text found later", ascii, TextCodec::kPerText, gbTemp, "温"},
        {"UTF-8 cut by the sample's end", rowsTo(ascii, kCodePageSampleBytes - 4) + "液位",
         TextCodec::kUtf8, "液位", "液位"},
        {"GB18030 past the sample", rowsTo(ascii, kCodePageSampleBytes) + gbTemp,
         TextCodec::kPerText, gbTemp, "温"},
        {"header longer than the sample", rowsTo("T\nTime,", kCodePageSampleBytes) + gbTemp + "\n",
         TextCodec::kGb18030, gbTemp, "温"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TextCodec codec = DecideDocumentCodePage(c.document);
        EXPECT_EQ(codec, c.codec);
        const QString shown = QString::fromUtf8(c.shown);
        EXPECT_EQ(DecodeText(c.text, codec), shown);
        EXPECT_EQ(DecodeShown(c.text, codec), shown);
        EXPECT_EQ(DecodeText(EncodeText(shown, codec), codec), shown);
    }
}

TEST_F(ViewerTest, AGb18030DocumentShowsItsShortCaptionsInChinese) {
    // Title 数据记录, header Time,液位: the caption alone would read as UTF-8.
    Docs()->OpenDocumentFile(File("gb.csv",
                                  "\xCA\xFD\xBE\xDD\xBC\xC7\xC2\xBC\nTime,\xD2\xBA\xCE\xBB\n"
                                  "2024-01-01 00:00:00,1\n2024-01-01 00:00:10,2\n"));
    CHistavueView* view = Frame()->ActiveView();
    ASSERT_NE(view, nullptr);
    const QString level = QString::fromUtf8("液位");
    EXPECT_EQ(view->List()->Model()->headerData(1, Qt::Horizontal).toString(), level);
    // A second window of the document reads it the same way.
    CHistavueView* second = Docs()->NewWindow(view->Document());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->List()->Model()->headerData(1, Qt::Horizontal).toString(), level);
    // The chart mixes the document's text with the program's own words; both read right.
    second->DrawCurves();
    ChartAdapter* chart = second->Curves()->Adapter();
    EXPECT_EQ(chart->SeriesLabel(0), level);
    EXPECT_EQ(chart->FooterEntries().last(), QString::fromUtf8("备注:||"));
    QTest::keyClick(second->Chart()->focusProxy(), Qt::Key_Right);
    EXPECT_EQ(chart->Subtitle(), QString::fromUtf8("当前时间:2024/01/01  00:00:10     液位(2.00)"));
}

// Destroying the main window with documents open must not reach the half-destroyed window.
TEST(ViewerTeardown, MainFrameDestroyedWithOpenWindows) {
    QTemporaryDir dir;
    FakeUi ui;
    const QString path = dir.path() + "/a.csv";
    ASSERT_TRUE(WriteRecordFile(path, SampleRecordText(2)));
    auto app = std::make_unique<CHistavueApp>();
    ASSERT_TRUE(app->InitInstance({"histavue"}));
    ASSERT_NE(app->Documents()->OpenDocumentFile(path), nullptr);
    ASSERT_NE(app->Documents()->NewWindow(app->MainFrame()->ActiveDocument()), nullptr);
    app.reset();  // windows still open
    Settle();
}

}  // namespace
