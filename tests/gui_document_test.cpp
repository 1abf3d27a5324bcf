// The record document, its report view and the main window's commands, driven through the
// real windows on the offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>

#include "commands.h"
#include "document_manager.h"
#include "gui_support.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "record_table_model.h"

namespace {

// Runs pending events, including the deletion of closed windows.
void Settle() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class ViewerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        app = std::make_unique<CHistavueApp>();
        ASSERT_TRUE(app->InitInstance({"histavue", "ignored.csv"}));
    }
    void TearDown() override {
        app->MainFrame()->MdiArea()->closeAllSubWindows();
        Settle();
        app.reset();
        Settle();
    }
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

    QTemporaryDir dir;
    std::unique_ptr<CHistavueApp> app;
    FakeUi ui;
};

TEST_F(ViewerTest, StartsWithNoDocumentAndTheShortMenus) {
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(Frame()->windowTitle(), "Histavue");
    EXPECT_EQ(MenuTitles(), QStringList({"文件(&F)", "视图(&V)", "帮助(&H)"}));
    EXPECT_EQ(MenuItems(0), QStringList({"打开...\tCtrl+O(&O)", "打开正常csv(&N)", "关闭(&C)", "-",
                                         "打印设置(&R)...", "-", "设置(&S)", "查询\tCtrl+E(&E)",
                                         "-", "最近的文件", "-", "退出(&X)"}));
    EXPECT_EQ(MenuItems(1), QStringList({"工具栏(&T)", "状态栏(&S)", "数据列表(D)"}));
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
    EXPECT_EQ(Frame()->windowTitle(), "Histavue - line1.csv");
    EXPECT_EQ(MenuTitles(),
              QStringList({"文件(&F)", "编辑(&E)", "视图(&V)", "窗口(&W)", "帮助(&H)"}));
    EXPECT_EQ(MenuItems(0).mid(0, 11),
              QStringList({"打开...\tCtrl+O(&O)", "打开正常csv(&N)", "关闭(&C)", "保存\tCtrl+S(&S)",
                           "另存为(&A)...", "存为正常csv(&C)", "-", "报表打印\tCtrl+P(&P)",
                           "曲线打印\tCtrl+R(&R)   ", "打印预览(&V)", "-"}));
    EXPECT_EQ(MenuItems(2), QStringList({"工具栏(&T)", "状态栏(&S)", "数据列表(&D)",
                                         "绘制历史曲线(&C)", "恢复曲线图(&R)", "历史曲线设置(&E)",
                                         "显示数据报表(&B)", "文本编辑(&F)"}));
    EXPECT_EQ(MenuItems(3), QStringList({"新建窗口(&N)", "层叠(&C)", "平铺(&T)", "排列图标(&A)"}));
    // Features that are not built yet stay disabled.
    EXPECT_TRUE(Frame()->Action(kCmdDrawCurves)->isEnabled());
    EXPECT_FALSE(Frame()->Action(kCmdTextEdit)->isEnabled());
    EXPECT_FALSE(Frame()->Action(kCmdCurvePrint)->isEnabled());
    EXPECT_FALSE(Frame()->Action(kCmdFilePrint)->isEnabled());
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
    // Read inverted, a plain file is one line of bytes without a line end: no header.
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(Frame()->MdiArea()->subWindowList().isEmpty());
}

TEST_F(ViewerTest, RecentFileListKeepsFourNewestFirst) {
    for (int i = 0; i < 5; ++i) {
        Docs()->OpenDocumentFile(File(QStringLiteral("f%1.csv").arg(i), SampleRecordText(1)));
    }
    const QStringList recent = Docs()->RecentFiles();
    ASSERT_EQ(recent.size(), 4);
    EXPECT_TRUE(recent[0].endsWith("f4.csv"));
    EXPECT_TRUE(recent[3].endsWith("f1.csv"));
}

}  // namespace
