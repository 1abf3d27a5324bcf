// The English user interface: with HISTAVUE_LANG=en every menu, toolbar tip, status prompt,
// dialog, message and file-dialog filter the viewer shows, before and with an open document,
// must be English. The document's own texts are ASCII, so a text still holding Chinese
// characters was left untranslated.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QToolBar>

#include "alarm_layer.h"
#include "alarm_reader.h"
#include "channel_name_dialog.h"
#include "chart_adapter.h"
#include "commands.h"
#include "curve_setting_dialog.h"
#include "curve_view.h"
#include "data_list_bar.h"
#include "data_query_dialog.h"
#include "data_setting_dialog.h"
#include "document_manager.h"
#include "gui_app_test.h"
#include "histavue_app.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "record_writer.h"
#include "report_preview.h"
#include "text_edit_dialog.h"

namespace {

bool HasChinese(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x3000 && c.unicode() <= 0x9fff)
            return true;
        if (c.unicode() >= 0xff00 && c.unicode() <= 0xffef)  // full-width punctuation
            return true;
    }
    return false;
}

// Every text of the actions under `actions`, walking the submenus, as "where: text".
void CollectTexts(const QList<QAction*>& actions, const QString& where, QStringList* out) {
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        const QString here = where + " > " + a->text();
        for (const QString& t : {a->text(), a->statusTip(), a->toolTip()})
            out->append(here + ": " + t);
        if (a->menu() != nullptr)
            CollectTexts(a->menu()->actions(), here, out);
    }
}

// Every text a window shows: its title, labels, buttons, group boxes, tabs and list entries.
QStringList DialogTexts(QWidget* dialog) {
    QStringList texts = {dialog->windowTitle()};
    for (auto* w : dialog->findChildren<QLabel*>())
        texts.append(w->text());
    for (auto* w : dialog->findChildren<QAbstractButton*>())
        texts.append(w->text());
    for (auto* w : dialog->findChildren<QGroupBox*>())
        texts.append(w->title());
    for (auto* w : dialog->findChildren<QTabBar*>()) {
        for (int i = 0; i < w->count(); ++i)
            texts.append(w->tabText(i));
    }
    for (auto* w : dialog->findChildren<QComboBox*>()) {
        for (int i = 0; i < w->count(); ++i)
            texts.append(w->itemText(i));
    }
    for (QString& t : texts)
        t = dialog->metaObject()->className() + QStringLiteral(": ") + t;
    return texts;
}

// The texts that hold Chinese, one a line; empty when all are English.
std::string WithChinese(const QStringList& texts) {
    QStringList left;
    for (const QString& t : texts) {
        if (HasChinese(t))
            left.append(t);
    }
    return left.join('\n').toStdString();
}

class EnglishTest : public AppTest {
  protected:
    void SetUp() override {
        qputenv("HISTAVUE_LANG", "en");
        AppTest::SetUp();
        frame = app->MainFrame();
    }
    void TearDown() override {
        AppTest::TearDown();
        qputenv("HISTAVUE_LANG", "zh");
    }
    // Chinese left anywhere in the main window's menus, toolbar and status bar.
    std::string Untranslated() {
        QStringList texts;
        CollectTexts(frame->menuBar()->actions(), "menu", &texts);
        CollectTexts(frame->ToolBar()->actions(), "toolbar", &texts);
        texts.append("status bar: " + frame->statusBar()->currentMessage());
        texts.append("caption: " + frame->windowTitle());
        return WithChinese(texts);
    }

    CMainFrame* frame = nullptr;
};

TEST_F(EnglishTest, ChoosesTheLanguageFromTheEnvironment) {
    EXPECT_EQ(CHistavueApp::UiLanguage().toStdString(), "en");
    EXPECT_EQ(frame->Action(kCmdFileOpen)->text().toStdString(), "&Open...\tCtrl+O");
    qputenv("HISTAVUE_LANG", "zh");
    EXPECT_EQ(CHistavueApp::UiLanguage().toStdString(), "zh");
}

TEST_F(EnglishTest, MenusToolbarAndPromptsWithoutDocument) {
    EXPECT_EQ(Untranslated(), "");
    // Without roots the empty tree names the menus as they read.
    EXPECT_EQ(frame->DataListBar()->Tree(0)->Placeholder().toStdString(),
              "No root folders are set.\nSet the staging root folder and the data root folder "
              "under File > Settings.");
}

TEST_F(EnglishTest, MenusDialogsAndMessagesWithDocument) {
    OpenRecords(SampleRecordText(12, "Line1", "T1,T2,T3"));
    QApplication::processEvents();
    ASSERT_NE(frame->ActiveView(), nullptr);
    EXPECT_EQ(Untranslated(), "");

    // The file dialogs (cancelled): their filters, and any message they led to.
    frame->OnFileOpen();
    frame->OnFileSaveAs();
    frame->OnExportPlainCsv();
    EXPECT_EQ(WithChinese(ui.filters + ui.messages), "");

    // The dialogs of the main window and of the view.
    CHistavueView* view = frame->ActiveView();
    CDataQuery query(frame);
    CDataSetting settings(frame);
    CHisCurveSettingDialog* curves = view->CurveDialog();
    curves->SetSettings(&view->Settings());
    curves->Open();
    CTextEditDialog* text = view->TextDialog();
    text->SetSettings(&view->Settings());
    text->Open();
    QStringList texts = DialogTexts(frame->DataListBar()) + DialogTexts(&query) +
                        DialogTexts(&settings) + DialogTexts(curves) + DialogTexts(text) +
                        DialogTexts(text->NameDialog()) +
                        DialogTexts(view->PrintPreview(app->Printer()));
    curves->hide();
    text->hide();
    EXPECT_GT(texts.size(), 60);
    EXPECT_EQ(WithChinese(texts), "");
}

TEST_F(EnglishTest, CurveChartAndPanelTexts) {
    CHistavueView* view = OpenRecords(SampleRecordText(12, "Line1", "T1"));
    ASSERT_NE(view, nullptr);
    frame->Action(kCmdDrawCurves)->trigger();
    ChartAdapter* chart = view->Curves()->Adapter();
    CurveExtras* extras = view->Curves()->Extras();
    view->Curves()->ShowCursorValues(2);
    extras->SetPanelShown(true);
    ASSERT_NE(extras->Panel(), nullptr);
    ASSERT_TRUE(extras->CopyPanel());

    EXPECT_EQ(chart->Subtitle(), "Current time: 2024/01/01  00:00:20     T1(2.50)");
    EXPECT_EQ(chart->FooterEntries().last(), "Remark:||");
    QStringList texts = {chart->Subtitle(), extras->Panel()->Headline(),
                         QGuiApplication::clipboard()->text()};
    const QTableWidget* table = extras->Panel()->findChild<QTableWidget*>();
    for (int i = 0; i < table->columnCount(); ++i)
        texts.append(table->horizontalHeaderItem(i)->text());
    EXPECT_EQ(table->columnCount(), 9);
    EXPECT_EQ(WithChinese(texts), "");

    // The alarm lanes' status counts in the right number.
    const std::string al = dir.path().toStdString() + "/AL/";
    RecordWriter writer(al, 1, 1, "Alarm log", "ID,Event,Message");
    ASSERT_TRUE(writer.Append(MakeCalendarTime(2024, 1, 1, 0, 0, 21), "1001,ALM,Boiler hot"));
    ASSERT_TRUE(writer.Close());
    const RootIndexEntry group{"Alarms", 1, 1};
    ASSERT_TRUE(WriteRootIndex(al, &group, 1));
    SetAlarmStoreFolder(al);
    view->Curves()->Alarms()->SetShown(true);
    view->Curves()->Alarms()->WaitForAlarms();
    SetAlarmStoreFolder(std::string());
    EXPECT_EQ(view->Curves()->Alarms()->Status().toStdString(), "Alarms: 1 ID, 1 alarm");
}

}  // namespace
