// The data-list bar tests' store and fixture: a data log and an alarm log written through the
// recorder's rules, the roots pointing at them, and the main frame of a fresh application.
#pragma once

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

namespace {

inline CalendarTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return MakeCalendarTime(y, mo, d, h, mi, s);
}

inline std::string Bytes(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

// Data log: "Line1" every 10 s over 2024-01-01 00:00..01:59, written hour 01 first so the file
// system sees the folders in another order; "Tank" hourly over three days; "A\B/C" one day.
// Alarm log: "Alarm" with three records.
inline void WriteStore(const QString& root) {
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

inline QStringList Children(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i)
        out.append(item->child(i)->text(0));
    return out;
}

inline QTreeWidgetItem* Find(CGroupTree* tree, const QStringList& path) {
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

}  // namespace
