// The text dialog and the name dialog through the real windows on the offscreen platform: the
// command, what OK, "保存设置" and Cancel keep, renames and their duplicate check, the letter
// case of typed text, export and import with their file dialogs and messages.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "channel_name_dialog.h"
#include "chart_adapter.h"
#include "commands.h"
#include "config_file.h"
#include "curve_view.h"
#include "document_manager.h"
#include "gui_app_test.h"
#include "histavue_app.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "record_table_model.h"
#include "text_codec.h"
#include "text_edit_dialog.h"

namespace {

class TextDialogTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        view = OpenRecords(SampleRecordText(12, "Line1", "T1,T2,T3"));
        ASSERT_NE(view, nullptr);
        dialog = view->TextDialog();
        dialog->SetSettings(&view->Settings());
        dialog->Open();
    }
    void TearDown() override {
        if (dialog != nullptr)
            dialog->hide();
        AppTest::TearDown();
    }
    QTreeWidgetItem* Root() { return Tree()->topLevelItem(0); }
    QTreeWidget* Tree() { return dialog->ControlAs<QTreeWidget>(CTextEditDialog::kIdTree); }
    QLineEdit* Title() { return dialog->ControlAs<QLineEdit>(CTextEditDialog::kIdTitle); }
    QPlainTextEdit* Remark() {
        return dialog->ControlAs<QPlainTextEdit>(CTextEditDialog::kIdRemark);
    }
    void Click(int id) { QTest::mouseClick(dialog->ControlAs<QPushButton>(id), Qt::LeftButton); }
    // Double-clicks channel item `row`, types text into the name dialog and presses its OK; a
    // dialog still open after that (refused name) is cancelled. True when the name was taken.
    bool Rename(int row, const QString& text) {
        CChannelNameDialog* names = dialog->NameDialog();
        bool accepted = false;
        QTimer::singleShot(0, names, [&] {
            auto* edit = qobject_cast<QLineEdit*>(names->Control(CChannelNameDialog::kIdName));
            edit->setText(text);
            names->OnOK();
            accepted = names->result() == QDialog::Accepted && !names->isVisible();
            if (names->isVisible())
                names->reject();
        });
        dialog->OnTreeDoubleClicked(Root()->child(row));
        return accepted;
    }
    std::vector<std::string> RecordNames() {
        std::vector<std::string> n;
        for (const CurveChannel& c : view->Settings().channels)
            n.push_back(c.Name());
        return n;
    }
    std::string ReadFile(const QString& path) { return ReadRecordFile(path, false); }

    CHistavueView* view = nullptr;
    CTextEditDialog* dialog = nullptr;
};

TEST_F(TextDialogTest, OpensFromTheRecordAndTypedLettersChangeCase) {
    EXPECT_EQ(dialog->windowTitle(), "文本编辑");
    EXPECT_EQ(Root()->text(0), "Line1");
    EXPECT_FALSE(Root()->data(0, Qt::CheckStateRole).isValid());
    ASSERT_EQ(Root()->childCount(), 3);
    EXPECT_EQ(Root()->child(2)->text(0), "T3");
    EXPECT_EQ(Root()->child(2)->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(Root()->isExpanded());
    EXPECT_EQ(Title()->text(), "Line1");
    QTest::keyClicks(Title(), " ab");
    EXPECT_EQ(Title()->text(), "Line1 AB");
    QTest::keyClicks(Remark(), "Hi");
    QTest::keyClick(Remark(), Qt::Key_Return);
    QTest::keyClicks(Remark(), "X");
    EXPECT_EQ(Remark()->toPlainText(), "hi\nx");
    auto* nameEdit = dialog->NameDialog()->Control(CChannelNameDialog::kIdName);
    QTest::keyClicks(nameEdit, "t9");
    EXPECT_EQ(qobject_cast<QLineEdit*>(nameEdit)->text(), "T9");
    // An in-place label edit is dropped when it ends.
    Tree()->editItem(Root()->child(0));
    QLineEdit* editor = Tree()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("zz");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(Root()->child(0)->text(0), "T1");
}

TEST_F(TextDialogTest, RenamesAreCheckedAndReachTheRecordOnlyWhenStored) {
    const QString duplicate = "设置的通道名称已存在，请重新设置!";
    struct Case {
        int row;
        const char* name;
        bool taken;
    };
    const Case cases[] = {
        {1, "t3", false},                     // another channel's name in other letters
        {0, "T1", true},                      // its own name
        {0, "NEW", true}, {1, "new", false},  // renames of this opening count
        {2, "", true},    {1, "T1", true},    // a name given up before is free
    };
    for (const Case& c : cases) {
        ui.messages.clear();
        EXPECT_EQ(Rename(c.row, c.name), c.taken) << c.name;
        EXPECT_EQ(ui.messages, c.taken ? QStringList() : QStringList({duplicate})) << c.name;
    }
    EXPECT_EQ(Root()->child(0)->text(0), "NEW");
    EXPECT_EQ(Root()->child(1)->text(0), "T1");
    EXPECT_EQ(RecordNames(), std::vector<std::string>({"T1", "T2", "T3"}));
    // Cancel drops the renames; the next opening shows the record's names again.
    Click(CTextEditDialog::kIdCancel);
    dialog->Open();
    EXPECT_EQ(Root()->child(0)->text(0), "T1");

    // "保存设置" stores them, and Cancel keeps what was stored; the report is not touched.
    ASSERT_TRUE(Rename(0, "A1"));
    Title()->setText("Saved");
    Click(CTextEditDialog::kIdSave);
    EXPECT_TRUE(dialog->isVisible());
    Click(CTextEditDialog::kIdCancel);
    EXPECT_EQ(RecordNames(), std::vector<std::string>({"A1", "T2", "T3"}));
    EXPECT_EQ(view->Settings().title, "Saved");
    EXPECT_EQ(view->List()->Table().Caption(1), "T1");
    // Names are cut to a channel's 31 bytes between characters.
    dialog->Open();
    ASSERT_TRUE(Rename(1, QString(10, QChar(0x6E29))));  // 10 x "温", 20 bytes in GB18030
    ASSERT_TRUE(Rename(2, QString(16, QChar(0x6E29))));
    Click(CTextEditDialog::kIdSave);
    EXPECT_EQ(DecodeText(RecordNames()[2]), QString(15, QChar(0x6E29)));
}

TEST_F(TextDialogTest, CommandOkRetitlesTheReportAndRedrawsTheCurves) {
    dialog->hide();
    QTimer::singleShot(0, dialog, [this] {
        Title()->setText("New title");
        Remark()->setPlainText("one\ntwo");
        Rename(1, "P2");
        dialog->OnOK();
    });
    app->MainFrame()->Action(kCmdTextEdit)->trigger();
    const RecordTable& table = view->List()->Table();
    EXPECT_EQ(table.Title(), "New title");
    EXPECT_EQ(view->Settings().remark, "one\r\ntwo");
    EXPECT_EQ(table.Remark(), "onetwo");
    EXPECT_EQ(table.Caption(2), "P2");
    ASSERT_NE(view->Chart(), nullptr);
    ChartAdapter* chart = view->Curves()->Adapter();
    EXPECT_EQ(chart->Title(), "New title");
    EXPECT_EQ(chart->SeriesLabel(1), "P2");
}

TEST_F(TextDialogTest, ExportAndImportWithTheirFileDialogs) {
    const QString ini = dir.path() + "/sub/a.ini";
    CurveSettings& s = view->Settings();
    s.yGridInterval = 2.5;
    Title()->setText(QString::fromUtf8("温度 Line"));
    Remark()->setPlainText("r1\nr2");
    ASSERT_TRUE(Rename(0, "UNSAVED"));
    ui.files = {ini};
    Click(CTextEditDialog::kIdExport);
    EXPECT_EQ(ui.filters.last(), "Ini File (*.ini);;All Files (*)");
    EXPECT_EQ(ui.suffixes.last(), "ini");
    EXPECT_TRUE(ui.messages.isEmpty());
    const std::string written = ReadFile(ini);
    // The edits as they stand, in the panels' code page; the names as the record has them.
    EXPECT_NE(written.find("Name=\xCE\xC2\xB6\xC8 Line\r\n"), std::string::npos);
    EXPECT_NE(written.find("RemarkText=r1r2\r\n"), std::string::npos);
    EXPECT_NE(written.find("CH1=T1\r\n"), std::string::npos);
    EXPECT_NE(written.find("YGridInterval=2.500000\r\n"), std::string::npos);

    // A file that cannot be written: the message, nothing else.
    ui.files = {dir.path() + "/no/such/a.ini"};
    Click(CTextEditDialog::kIdExport);
    EXPECT_EQ(ui.directories.last(), dir.path() + "/sub");  // the folder last used
    EXPECT_EQ(ui.messages, QStringList({"无法保存 Ini 文件！"}));

    // Something that is no configuration file is refused silently.
    ui.messages.clear();
    ui.files = {dir.path() + "/r.csv"};
    Click(CTextEditDialog::kIdImport);
    EXPECT_EQ(Title()->text(), QString::fromUtf8("温度 Line"));
    EXPECT_TRUE(ui.messages.isEmpty());

    // A UTF-8 file reads as UTF-8 and goes into the record at once; Cancel keeps it.
    const QString utf8 = dir.path() + "/u.ini";
    QFile f(utf8);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[LogName]\nName=压力 P\n[Remark]\nRemarkText=备注\n[Channel]\nTotolChannel=3\n"
        "[Display]\nDeskColor=5\n[YGrid]\nYGridInterval=2.5\nCH1=甲\nCH2=乙\nCH3=T3\n\n[乙]\n"
        "bShow=0\n");
    f.close();
    ui.files = {utf8};
    Click(CTextEditDialog::kIdImport);
    EXPECT_EQ(ui.directories.last(), dir.path());
    EXPECT_EQ(Title()->text(), QString::fromUtf8("压力 P"));
    EXPECT_EQ(Remark()->toPlainText(), QString::fromUtf8("备注"));
    EXPECT_EQ(Root()->text(0), QString::fromUtf8("压力 P"));
    EXPECT_EQ(Root()->child(1)->text(0), QString::fromUtf8("乙"));
    Click(CTextEditDialog::kIdCancel);
    EXPECT_EQ(s.title, EncodeText(QString::fromUtf8("压力 P")));  // the record's code page
    EXPECT_EQ(s.backgroundColor, 5);
    EXPECT_EQ(s.yGridInterval, 2.5);
    EXPECT_EQ(s.shownCount, 2);
    EXPECT_EQ(s.channels.front().Name(), EncodeText(QString::fromUtf8("甲")));
}

// Short Chinese typed into a plain ASCII record goes to GB18030, where it may look like UTF-8
// ("液位"); the record's texts read back as GB18030 all the same.
TEST_F(TextDialogTest, ShortChineseTypedIntoAnAsciiRecordReadsBack) {
    const QString level = QString::fromUtf8("液位");
    dialog->hide();
    QTimer::singleShot(0, dialog, [&] {
        Rename(0, level);
        EXPECT_EQ(Root()->child(0)->text(0), level);
        dialog->OnOK();
    });
    app->MainFrame()->Action(kCmdTextEdit)->trigger();
    EXPECT_EQ(RecordNames()[0], "\xD2\xBA\xCE\xBB");
    EXPECT_EQ(view->List()->Model()->headerData(1, Qt::Horizontal).toString(), level);
    EXPECT_EQ(view->Curves()->Adapter()->SeriesLabel(0), level);
}

// A UTF-8 record takes typed and imported text in UTF-8, and so do its .ini files.
TEST_F(TextDialogTest, AUtf8RecordKeepsItsTextsInUtf8) {
    CurveSettings& s = view->Settings();
    dialog->hide();
    dialog->SetSettings(&s, TextCodec::kUtf8);
    dialog->Open();
    ASSERT_TRUE(Rename(0, QString::fromUtf8("液位")));
    Title()->setText(QString::fromUtf8("液位"));
    Click(CTextEditDialog::kIdSave);
    EXPECT_EQ(RecordNames()[0], "液位");
    const QString ini = dir.path() + "/u.ini";
    ui.files = {ini};
    Click(CTextEditDialog::kIdExport);
    EXPECT_EQ(ReadFile(ini).substr(0, 27), "\xEF\xBB\xBF[LogName]\r\nName=液位\r\n");
    Title()->setText("other");
    Click(CTextEditDialog::kIdSave);
    ui.files = {ini};
    Click(CTextEditDialog::kIdImport);
    EXPECT_EQ(s.title, "液位");
    EXPECT_EQ(Root()->child(0)->text(0), QString::fromUtf8("液位"));
}

// Every text written to an .ini reads back as the same text, in the record's code page: the
// writer's file (UTF-8 for a UTF-8 record, else the panels' code page) is read in the code page
// it was written in. Line breaks and the blanks around a value are dropped, as the format has it;
// bytes that are no text in the record's code page read back as the text they show.
TEST(IniCodePages, EveryTextReadsBackInEachCodePage) {
    const std::vector<std::string> texts = {"液位",
                                            "温度 压力",
                                            "a=b=c",
                                            ";comment",
                                            "[open",
                                            "close]",
                                            "[Display]",
                                            "  blank  ",
                                            "\"quoted\" 'too'",
                                            "C:\\data\\x.ini",
                                            "one\r\ntwo\rthree\n",
                                            "\ttab\t",
                                            "",
                                            "€ é ü ß Ω Ж",
                                            "😀 𠀀 U+20000",
                                            "\xEF\xBB\xBFmark",
                                            std::string(3000, 'L') + "长"};
    for (TextCodec codec : {TextCodec::kGb18030, TextCodec::kUtf8}) {
        std::vector<std::string> records;
        for (const std::string& t : texts)
            records.push_back(EncodeText(QString::fromUtf8(t.data(), t.size()), codec));
        records.push_back("\xFF\xFE\x80 bytes \xC3");  // no text in either code page
        for (const std::string& text : records) {
            CurveSettings out;
            out.channelCount = out.shownCount = 2;
            for (int32_t i = 0; i < 2; ++i) {
                CurveChannel& c = out.channels.emplace_back();
                c.index = c.showIndex = i;
                c.SetName(i == 0 ? text : "P2");
            }
            IniFile file;
            file.OpenForWriteInMemory();
            ASSERT_TRUE(WriteConfig(&file, text, text, out, FileCodec(codec)));
            const std::string written = file.WrittenText();
            EXPECT_EQ(written.rfind("\xEF\xBB\xBF", 0) == 0, codec == TextCodec::kUtf8);
            IniFile back;
            ASSERT_TRUE(back.OpenText(written));
            CurveSettings in = out;
            std::string title;
            std::string remark;
            ASSERT_TRUE(ReadConfig(back, &in, &title, &remark, FileCodec(codec)));
            auto shown = [codec](const std::string& bytes) {
                return DecodeText(bytes, codec).remove('\r').remove('\n');
            };
            auto trim = [](QString t) {
                while (t.startsWith(' '))
                    t.remove(0, 1);
                while (t.endsWith(' '))
                    t.chop(1);
                return t;
            };
            const std::string what = text.substr(0, 40) + (codec == TextCodec::kUtf8 ? " U" : " G");
            EXPECT_EQ(shown(title), trim(shown(text))) << what;
            EXPECT_EQ(shown(remark), trim(shown(text))) << what;
            EXPECT_EQ(shown(in.channels.front().Name()), trim(shown(out.channels.front().Name())))
                << what;
            EXPECT_EQ(in.channels.back().Name(), "P2") << what;
        }
    }
}

}  // namespace
