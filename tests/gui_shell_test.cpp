// Start-up pieces of the shell: root folders in the settings, folder validation and creation,
// the folder picker, the settings dialog, the temporary-file list and the files of the command
// line.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "data_setting_dialog.h"
#include "folder_check.h"
#include "folder_pick_dialog.h"
#include "gui_app_test.h"
#include "gui_support.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "roots.h"

namespace {

QString Invalid(const QString& p) {
    return QString::fromUtf8(kFolderInvalidMessage).arg(p);
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Quorvel", "LogDataDir");
        s.clear();
        s.sync();
    }
};

TEST_F(SettingsTest, ReadRootsWithoutSettingsFailsAndLeavesOutputsAlone) {
    Roots roots{"keep", "these"};
    EXPECT_FALSE(ReadRoots(&roots));
    EXPECT_EQ(roots.staging, "keep");
    EXPECT_EQ(roots.data, "these");
}

TEST_F(SettingsTest, WrittenRootsReadBackAndOverlongOnesReadEmpty) {
    ASSERT_TRUE(WriteRoots({"/tmp/stage", "/srv/panel"}));
    Roots roots;
    ASSERT_TRUE(ReadRoots(&roots));
    EXPECT_EQ(roots.staging, "/tmp/stage");
    EXPECT_EQ(roots.data, "/srv/panel");
    ASSERT_TRUE(WriteRoots({QString(260, 'a'), QString(259, 'b')}));
    ASSERT_TRUE(ReadRoots(&roots));
    EXPECT_TRUE(roots.staging.isEmpty());
    EXPECT_EQ(roots.data.size(), 259);
}

TEST(FolderName, Rules) {
    EXPECT_TRUE(IsValidFolderName("data"));
    EXPECT_TRUE(IsValidFolderName(QString::fromUtf8("数据 2024")));
    EXPECT_FALSE(IsValidFolderName(""));
    EXPECT_FALSE(IsValidFolderName(" data"));
    EXPECT_FALSE(IsValidFolderName("data."));
    EXPECT_FALSE(IsValidFolderName("\tdata"));
    for (const char* bad : {"a\"b", "a*b", "a/b", "a:b", "a<b", "a>b", "a?b", "a\\b", "a|b"}) {
        EXPECT_FALSE(IsValidFolderName(bad)) << bad;
    }
}

TEST(FolderPath, RootAloneIsAcceptedAndMalformedPathsAreInvalid) {
    EXPECT_EQ(CheckFolderPath("/", true), kFolderValid);
    EXPECT_EQ(CheckFolderPath("/", false), kFolderValid);
    for (const char* bad : {"", "relative/dir", "/tmp/", "/tmp//x", "/tmp/ x", "/tmp/x.",
                            "/tmp/a:b", "C:\\data", "1:/x"}) {
        EXPECT_EQ(CheckFolderPath(bad, true), kFolderInvalid) << bad;
    }
}

TEST(ConfirmFolder, InvalidPathShowsTheInvalidMessage) {
    FakeUi ui;
    EXPECT_EQ(ConfirmFolder("/tmp//x", nullptr), kFolderInvalid);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0], Invalid("/tmp//x"));
    EXPECT_EQ(ui.icons[0], UiServices::Icon::kExclamation);
    EXPECT_TRUE(ui.questions.isEmpty());
}

TEST(ConfirmFolder, TwoNewLevelsAskOnceAndAreCreatedOnYes) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/new/level";
    FakeUi ui;
    ui.answers = {true};
    EXPECT_EQ(ConfirmFolder(path, nullptr), kFolderValid);
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_EQ(ui.questions[0], QString::fromUtf8(kFolderCreateQuestion).arg(path));
    EXPECT_TRUE(QDir(path).exists());
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST(ConfirmFolder, NoCreatesNothingAndExistingFolderAsksNothing) {
    QTemporaryDir dir;
    FakeUi ui;
    ui.answers = {false};
    EXPECT_EQ(ConfirmFolder(dir.path() + "/new", nullptr), -1);
    EXPECT_FALSE(QDir(dir.path() + "/new").exists());
    EXPECT_EQ(ConfirmFolder(dir.path(), nullptr), kFolderValid);
    EXPECT_EQ(ui.questions.size(), 1);
}

TEST(ConfirmFolder, UncreatableFolderShowsTheCannotCreateMessage) {
    QTemporaryDir dir;
    QFile file(dir.path() + "/plainfile");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString path = dir.path() + "/plainfile/sub";
    FakeUi ui;
    ui.answers = {true};
    EXPECT_EQ(ConfirmFolder(path, nullptr), kFolderNotCreated);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0], QString::fromUtf8(kFolderCannotCreateMessage).arg(path));
}

// The picker by its own OK button: enabled exactly when the box holds something, and pressing
// it asks the questions whether the folder exists or not.
TEST(FolderPicker, OkButtonFollowsTheBoxAndRunsTheCheck) {
    QTemporaryDir dir;
    FakeUi ui;
    CFolderPickDialog dialog("选择文件夹", "数据根文件夹", dir.path(), nullptr);
    dialog.show();
    QPushButton* ok = dialog.OkButton();
    EXPECT_TRUE(ok->isEnabled());
    dialog.PathEdit()->clear();
    EXPECT_FALSE(ok->isEnabled());
    const struct {
        QString typed;
        bool yes;
        QString message;  // empty: accepted
        int questions;
    } cases[] = {
        {"relative/folder", false, Invalid("relative/folder"), 0},
        {dir.path() + "/bad:name", false, Invalid(dir.path() + "/bad:name"), 0},
        {dir.path() + "/new/level", false, QString(), 1},  // declined: stays open, no message
        {dir.path() + "/new/level", true, QString(), 1},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        ui.questions.clear();
        ui.answers = {c.yes};
        dialog.PathEdit()->setText(c.typed);
        ASSERT_TRUE(ok->isEnabled());
        ok->click();
        EXPECT_EQ(ui.questions.size(), c.questions) << c.typed.toStdString();
        EXPECT_EQ(ui.messages, c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenPath(), dir.path() + "/new/level");
    EXPECT_TRUE(QDir(dir.path() + "/new/level").exists());
    // A folder chosen in the dialog gives its full path; anything else empties the box.
    emit dialog.currentChanged(dir.path() + "/new");
    EXPECT_EQ(dialog.PathEdit()->text(), dir.path() + "/new");
    emit dialog.currentChanged(QString());
    EXPECT_FALSE(ok->isEnabled());
}

QString g_prompt;
QString PickFixed(QWidget*, const QString& prompt, const QString&) {
    g_prompt = prompt;
    return "/picked/folder";
}
QString PickCancel(QWidget*, const QString&, const QString&) {
    return QString();
}

TEST_F(SettingsTest, DialogShowsRootsBrowsesAndWritesOnlyOnOk) {
    ASSERT_TRUE(WriteRoots({"/a/stage", "/a/data"}));
    CDataSetting::SetFolderPicker(PickFixed);
    {
        CDataSetting dialog;
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("设置"));
        EXPECT_EQ(dialog.StagingEdit()->text(), "/a/stage");
        EXPECT_FALSE(dialog.StagingEdit()->isEnabled());
        dialog.DataBrowse()->click();
        EXPECT_EQ(g_prompt, QString::fromUtf8("数据根文件夹"));
        EXPECT_EQ(dialog.DataEdit()->text(), "/picked/folder");
        dialog.reject();
    }
    Roots roots;
    ASSERT_TRUE(ReadRoots(&roots));
    EXPECT_EQ(roots.data, "/a/data");
    {
        CDataSetting dialog;
        dialog.StagingBrowse()->click();
        EXPECT_EQ(g_prompt, QString::fromUtf8("暂存根文件夹"));
        dialog.accept();
    }
    ASSERT_TRUE(ReadRoots(&roots));
    EXPECT_EQ(roots.staging, "/picked/folder");
    EXPECT_EQ(roots.data, "/a/data");
    CDataSetting::SetFolderPicker(PickCancel);
    {
        CDataSetting dialog;
        dialog.StagingBrowse()->click();
        EXPECT_EQ(dialog.Values().staging, "/picked/folder");
    }
    CDataSetting::SetFolderPicker(nullptr);
}

TEST(TempFiles, SamePathIsListedOnceAndDeletedAtTheEnd) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/Line1-2024-01-01-00.csv";
    ASSERT_TRUE(WriteRecordFile(path, "x"));
    CHistavueApp app;
    EXPECT_TRUE(app.RegisterTempFile(path));
    EXPECT_FALSE(app.RegisterTempFile(path));
    EXPECT_FALSE(app.RegisterTempFile(QString()));
    EXPECT_EQ(app.TempFiles().size(), 1);
    app.DeleteTempFiles();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(app.TempFiles().isEmpty());
}

class CommandLineTest : public AppTest {
  protected:
    void SetUp() override {}  // each test starts the viewer with its own command line
};

// A file manager's "Open with" names the files: each opens in the form its bytes tell; one in
// neither form is told, and the others still open, each window inside the area and the title
// naming the document once, also when its window is maximised.
TEST_F(CommandLineTest, FilesOpenInTheFormTheirBytesTellInsideTheArea) {
    const QString exported = dir.path() + "/export.csv";
    const QString plain = dir.path() + "/plain.csv";
    const QString image = dir.path() + "/image.png";
    ASSERT_TRUE(WriteRecordFile(exported, SampleRecordText(3, "Exported")));
    ASSERT_TRUE(WriteRecordFile(plain, SampleRecordText(2, "Plain"), false));
    ASSERT_TRUE(WriteRecordFile(image, std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), false));
    StartApp({"histavue", exported, image, "--", plain});
    const std::vector<CHistavueDoc*>& docs = app->Documents()->Documents();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_FALSE(docs[0]->IsPlain());
    EXPECT_TRUE(docs[1]->IsPlain());
    EXPECT_EQ(docs[1]->Views().front()->List()->Table().Title(), "Plain");
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("image.png")) << ui.messages[0].toStdString();

    CMainFrame* frame = app->MainFrame();
    auto inside = [frame](QMdiSubWindow* w) {
        return frame->MdiArea()->viewport()->rect().contains(w->geometry());
    };
    for (QMdiSubWindow* w : frame->MdiArea()->subWindowList())
        EXPECT_TRUE(inside(w)) << w->windowTitle().toStdString();
    frame->resize(700, 480);  // smaller than the smallest document window
    const QString third = dir.path() + "/third.csv";
    ASSERT_TRUE(WriteRecordFile(third, SampleRecordText(2), false));
    EXPECT_EQ(app->OpenFiles({exported + "x", third}), 1);
    EXPECT_TRUE(inside(frame->MdiArea()->activeSubWindow()));

    EXPECT_EQ(frame->windowTitle(), "third.csv — Histavue");
    frame->MdiArea()->activeSubWindow()->showMaximized();
    EXPECT_EQ(frame->windowTitle(), "third.csv — Histavue");
}

// Qt's own dialogs speak the interface's language when Qt's translation is installed.
TEST_F(CommandLineTest, QtDialogsFollowTheInterfaceLanguage) {
    StartApp({"histavue"});
    const QString look = QCoreApplication::translate("QFileDialog", "Look in:");
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm"))
        GTEST_SKIP() << "Qt's translations are not installed";
    EXPECT_NE(look, "Look in:");
}

}  // namespace
