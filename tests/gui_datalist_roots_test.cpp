// The data-list bar on a real store: the data root left untouched, settings and roots, the bar's
// layout, export file names, recent files.
#include "datalist_fixture.h"

namespace {

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

// A first start without roots: the empty trees say where the roots are set, in the menu's words,
// until roots are set.
TEST_F(DataListTest, EmptyTreesWithoutRootsSayWhereToSetThem) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quorvel", "LogDataDir").clear();
    app.reset();
    Settle();
    StartApp({"histavue"});
    const QString hint = QString::fromUtf8(
        "尚未设置根文件夹。\n请在菜单 文件 > 设置 中设置暂存根目录和数据根目录。");
    EXPECT_EQ(Tree(0)->Placeholder().toStdString(), hint.toStdString());
    EXPECT_EQ(Tree(1)->Placeholder(), hint);
    EXPECT_TRUE(Tree(2)->Placeholder().isEmpty());  // the reserved tab stays empty
    // The hint is drawn: the empty tree shows text.
    Frame()->show();
    Settle();
    const QImage shown = Tree(0)->viewport()->grab().toImage();
    const QRgb blank = shown.pixel(shown.width() - 1, shown.height() - 1);
    int inked = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            inked += shown.pixel(x, y) != blank ? 1 : 0;
    EXPECT_GT(inked, 50);

    Frame()->ApplySettings({staging.path(), root.path()});
    EXPECT_TRUE(Tree(0)->Placeholder().isEmpty());
    EXPECT_GT(Tree(0)->topLevelItemCount(), 0);
    Frame()->ApplySettings({QString(), root.path()});
    EXPECT_EQ(Tree(1)->Placeholder(), hint);
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
    // The plain copy's dialog starts in the report's folder.
    EXPECT_EQ(ui.directories.last().toStdString(),
              QFileInfo(query->PathName()).path().toStdString());

    // After a change of roots the former staging folder is an ordinary folder.
    ASSERT_TRUE(QFile::copy(record, Tree(0)->StagingFolder() + "kept.csv"));
    const QString kept = QFileInfo(Tree(0)->StagingFolder() + "kept.csv").absoluteFilePath();
    QTemporaryDir next;
    Frame()->ApplySettings({next.path(), root.path()});
    ASSERT_NE(docs->OpenDocumentFile(kept), nullptr);
    EXPECT_EQ(docs->RecentFiles().value(0).toStdString(), kept.toStdString());
    docs->RemoveRecentFile(kept);

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
