// The viewer's own costs, on the offscreen platform:
//   1. opening large export files: time from the open command to a painted report, against a
//      plain read-and-split of the same text (into reused buffers and into fresh ones) measured
//      in the same run; the record table's memory; scrolling to the last row; reading 20 x 2000
//      cells as the curves do; and, where the sqlite3 shell is installed, its ".import" of the
//      same plain file into a table in memory, a peer measured in the same run;
//   2. filling the trees for a store of ten years of hourly folders (87,600), from the settings'
//      OK to a responsive window;
//   3. a double-click on an hour folder of the bench store to a painted report.
//   bench_viewer [--rows N[,N...]] [--dir DIR] [--tree DIR]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data_list_bar.h"
#include "document_manager.h"
#include "export_writer.h"
#include "file_system.h"
#include "group_tree.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "private_settings.h"
#include "roots.h"
#include "sample_store.h"
#include "store_api.h"
#include "viewer_bench_support.h"

namespace {

double Seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// The yardstick: read the plain text into a buffer and record where every field starts. Warm
// runs reuse the buffers of the run before (their pages are already mapped); fresh runs
// allocate new ones, as an open does. Medians of `runs` runs.
struct Yardstick {
    double warm = 0;
    double fresh = 0;
    size_t fields = 0;
};

void ReadAndSplit(const std::string& plainPath, std::vector<char>* buffer,
                  std::vector<uint32_t>* offsets) {
    const int fd = open(plainPath.c_str(), O_RDONLY);
    const int64_t size = storefs::FileSize(fd);
    buffer->resize(static_cast<size_t>(size));
    storefs::ReadFully(fd, buffer->data(), buffer->size());
    close(fd);
    offsets->clear();
    offsets->reserve(buffer->size() / 6);
    const char* p = buffer->data();
    const char* end = p + buffer->size();
    offsets->push_back(0);
    while (p < end) {
        const char* comma = static_cast<const char*>(std::memchr(p, ',', end - p));
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* next = comma != nullptr && (nl == nullptr || comma < nl) ? comma : nl;
        if (next == nullptr)
            break;
        offsets->push_back(static_cast<uint32_t>(next + 1 - buffer->data()));
        p = next + 1;
    }
}

Yardstick PlainReadAndSplit(const std::string& plainPath, int runs) {
    Yardstick y;
    std::vector<double> warm;
    std::vector<double> fresh;
    std::vector<char> buffer;
    std::vector<uint32_t> offsets;
    ReadAndSplit(plainPath, &buffer, &offsets);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        ReadAndSplit(plainPath, &buffer, &offsets);
        warm.push_back(Seconds(t));
        std::vector<char> newBuffer;
        std::vector<uint32_t> newOffsets;
        t.restart();
        ReadAndSplit(plainPath, &newBuffer, &newOffsets);
        fresh.push_back(Seconds(t));
    }
    y.warm = Median(warm);
    y.fresh = Median(fresh);
    y.fields = offsets.size();
    return y;
}

// The peer: the sqlite3 shell imports the plain file (its two header lines skipped) into a
// table of 21 columns in memory. Seconds of the whole command, or a negative value when the
// shell is not there or fails.
double SqliteImport(const std::string& plainPath, int columns) {
    static const bool present = std::system("command -v sqlite3 >/dev/null 2>&1") == 0;
    if (!present)
        return -1;
    std::string create = "CREATE TABLE t(";
    for (int c = 0; c < columns; ++c)
        create += (c > 0 ? ",c" : "c") + std::to_string(c);
    create += ");";
    const std::string import = ".import --csv --skip 2 '" + plainPath + "' t";
    QElapsedTimer t;
    t.start();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("sqlite3", "sqlite3", ":memory:", create.c_str(), import.c_str(),
               "SELECT count(*) FROM t;", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return Seconds(t);
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateSettings privateSettings;  // before anything reads the user's settings
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    std::vector<uint32_t> sizes = {100000, 1000000};
    QString dirArg;
    std::string treeDir = "/tmp/histavue-bench-tree-v1/";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--tree") == 0)
            treeDir = std::string(argv[i + 1]) + "/";
        if (std::strcmp(argv[i], "--rows") == 0) {
            sizes.clear();
            for (const QString& n : QString(argv[i + 1]).split(','))
                sizes.push_back(n.toUInt());
        } else if (std::strcmp(argv[i], "--dir") == 0) {
            dirArg = argv[i + 1];
        }
    }
    QTemporaryDir temp;
    const std::string dir = (dirArg.isEmpty() ? temp.path() : dirArg).toStdString();
    QDir().mkpath(QString::fromStdString(dir));

    CHistavueApp app;
    app.InitInstance({QApplication::arguments().first()});  // its own arguments name no report
    app.MainFrame()->resize(1280, 800);
    std::printf("%-8s %8s %8s %8s %8s %7s %7s %9s %7s %8s %9s %9s\n", "rows", "file MB", "warm s",
                "fresh s", "open s", "/warm", "/fresh", "table MB", "x file", "RSS+ MB",
                "scroll ms", "sample ms");
    // The peer's runs come after all of ours: a process that takes and frees as much memory as
    // it does costs the opens after it their page faults again (a quarter of a second at
    // 1,000,000 rows on a virtual machine that hands freed memory back to its host).
    struct Peer {
        uint32_t rows;
        std::string plain;
        double open;
    };
    std::vector<Peer> peers;
    for (uint32_t rows : sizes) {
        std::string path;
        if (!MakeBenchExport(dir, rows, &path)) {
            std::fprintf(stderr, "could not write the export of %u rows\n", rows);
            return 1;
        }
        // A plain copy of the same text for the yardstick.
        std::string plain = path + ".plain";
        {
            LogTextFile in;
            in.Open(path.c_str(), true);
            ExportWriter out;
            out.SetTarget(plain, ExportWriter::Encoding::kPlain);
            out.Chunk(in.Buffer().Data(), in.Buffer().Length());
            out.Finish();
        }
        const double fileMb =
            static_cast<double>(QFileInfo(QString::fromStdString(path)).size()) / 1e6;

        // Opens and yardsticks interleaved, so that both see the same machine.
        std::vector<double> opens;
        std::vector<double> warm;
        std::vector<double> fresh;
        double tableMb = 0;
        double scrollMs = 0;
        double rssMb = 0;
        double sampleMs = 0;
        size_t fields = 0;
        for (int run = 0; run < 5; ++run) {
            const Yardstick y = PlainReadAndSplit(plain, 1);
            warm.push_back(y.warm);
            fresh.push_back(y.fresh);
            fields = y.fields;
            const long before = CurrentRssKiB();
            QElapsedTimer t;
            t.start();
            CHistavueDoc* doc = app.Documents()->OpenDocumentFile(QString::fromStdString(path));
            if (doc == nullptr)
                return 1;
            CHistavueView* view = doc->Views().front();
            view->List()->viewport()->repaint();
            opens.push_back(Seconds(t));
            const RecordTable& table = view->List()->Table();
            tableMb = static_cast<double>(table.IndexBytes() + table.Text()->Length()) / 1e6;
            rssMb = static_cast<double>(CurrentRssKiB() - before) * 1024 / 1e6;
            QElapsedTimer s;
            s.start();
            view->List()->scrollToBottom();
            view->List()->viewport()->repaint();
            scrollMs = static_cast<double>(s.nsecsElapsed()) / 1e6;
            // What drawing curves reads: 2000 rows spread over the table, 20 channels each.
            s.restart();
            double sum = 0;
            const int32_t step = std::max(1, table.RowCount() / 2000);
            for (int32_t r = 0; r < table.RowCount(); r += step) {
                for (int32_t c = 1; c <= 20; ++c)
                    sum += std::strtod(std::string(table.Cell(r, c)).c_str(), nullptr);
            }
            sampleMs = static_cast<double>(s.nsecsElapsed()) / 1e6 + (sum == 0.5 ? 1e-9 : 0);
            app.MainFrame()->OnFileClose();
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const double open = Median(opens);
        std::printf("%-8u %8.1f %8.3f %8.3f %8.3f %7.2f %7.2f %9.1f %7.2f %8.1f %9.1f %9.1f\n",
                    rows, fileMb, Median(warm), Median(fresh), open, open / Median(warm),
                    open / Median(fresh), tableMb, tableMb / fileMb, rssMb, scrollMs, sampleMs);
        std::printf(
            "  (%zu fields; medians of 5 interleaved runs; open = open command to a painted "
            "report)\n",
            fields);
        std::printf("  open <= 0.5 x warm: %s; table <= 1.1 x file: %s\n",
                    Verdict(open <= 0.5 * Median(warm)), Verdict(tableMb <= 1.1 * fileMb));
        std::fflush(stdout);
        peers.push_back({rows, plain, open});
    }
    // The peer: the sqlite3 shell's .import of the same plain file into a table in memory.
    for (const Peer& p : peers) {
        std::vector<double> sqlite;
        for (int run = 0; run < 5; ++run) {
            const double s = SqliteImport(p.plain, 21);
            if (s >= 0)
                sqlite.push_back(s);
        }
        if (sqlite.empty())
            std::printf("sqlite3 .import of %u rows: sqlite3 not installed\n", p.rows);
        else
            std::printf(
                "sqlite3 .import of %u rows: %.3f s (median of 5); our open %.3f s = %.2f x\n",
                p.rows, Median(sqlite), p.open, p.open / Median(sqlite));
        std::remove(p.plain.c_str());
    }

    // 2. Trees of a ten-year hourly store.
    if (!QFileInfo::exists(QString::fromStdString(treeDir + "complete"))) {
        std::printf("\nwriting the ten-year tree into %s (once)...\n", treeDir.c_str());
        std::fflush(stdout);
        std::string error;
        if (!WriteTreeStore(treeDir, 3650, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::fclose(std::fopen((treeDir + "complete").c_str(), "w"));
    }
    const QString staging = QString::fromStdString(dir + "/staging");
    QDir().mkpath(staging);
    double fillBest = 1e9;
    int items = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        app.MainFrame()->ApplySettings({staging, QString::fromStdString(treeDir)});
        QApplication::processEvents();
        fillBest = std::min(fillBest, Seconds(t));
        CGroupTree* tree = app.MainFrame()->DataListBar()->Tree(0);
        items = 0;
        std::vector<QTreeWidgetItem*> stack;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            stack.push_back(tree->topLevelItem(i));
        while (!stack.empty()) {
            QTreeWidgetItem* item = stack.back();
            stack.pop_back();
            ++items;
            for (int i = 0; i < item->childCount(); ++i)
                stack.push_back(item->child(i));
        }
    }
    std::printf(
        "\ntree fill, ten years of hourly folders: %.3f s to a responsive window, %d items "
        "(target < 2 s: %s)\n",
        fillBest, items, Verdict(fillBest < 2));

    // 3. Double-click on an hour folder of the bench store.
    const std::string benchRoot = dir + "/benchday";
    std::string error;
    if (!WriteBenchStore(benchRoot, 1, 86400, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    app.MainFrame()->ApplySettings({staging, QString::fromStdString(benchRoot)});
    CGroupTree* tree = app.MainFrame()->DataListBar()->Tree(0);
    QTreeWidgetItem* hour = tree->topLevelItem(0);
    while (hour != nullptr && hour->childCount() > 0)
        hour = hour->child(hour->childCount() / 2);
    double clickBest = 1e9;
    int rows = 0;
    for (int run = 0; run < 5 && hour != nullptr; ++run) {
        QElapsedTimer t;
        t.start();
        tree->OpenGroupItem(hour);
        CHistavueView* view = app.MainFrame()->ActiveView();
        if (view == nullptr)
            return 1;
        view->List()->viewport()->repaint();
        clickBest = std::min(clickBest, Seconds(t));
        rows = view->List()->Table().RowCount();
        app.MainFrame()->OnFileClose();
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::printf(
        "double-click on an hour folder (%d records, 20 channels) to a painted report: "
        "%.3f s (target well under 1 s: %s)\n",
        rows, clickBest, Verdict(clickBest < 1));
    app.DeleteTempFiles();
    return 0;
}
