#include "viewer_bench_support.h"

#include <unistd.h>

#include <QDir>
#include <QString>
#include <cstdio>

#include "calendar_time.h"
#include "export_writer.h"
#include "sample_store.h"
#include "store_api.h"

bool MakeBenchExport(const std::string& dir, uint32_t rows, std::string* path) {
    const std::string store = dir + "/store" + std::to_string(rows);
    std::string error;
    if (!WriteBenchStore(store, 1, rows, &error)) {
        std::fprintf(stderr, "bench store: %s\n", error.c_str());
        return false;
    }
    const std::string staging = store + "/stage";
    QDir().mkpath(QString::fromStdString(staging));
    if (!StoreOpen(kDataRecords, (store + "/DL").c_str(), staging.c_str()))
        return false;
    CalendarTime from{2024, 1, 0, 1, 0, 0, 0, 0};
    CalendarTime to{2024, 12, 0, 31, 23, 59, 59, 0};
    *path = dir + "/export" + std::to_string(rows) + ".csv";
    ExportWriter writer;
    writer.SetTarget(*path, ExportWriter::Encoding::kInverted);
    const bool ok =
        StoreQuery(kDataRecords, "Bench", &from, &to, 0, &writer, ExportWriter::LineCallback) &&
        writer.Finish();
    StoreClose(kDataRecords);
    if (!ok || writer.Lines() != rows + 2) {
        std::fprintf(stderr, "could not export %u rows\n", rows);
        return false;
    }
    return true;
}

long CurrentRssKiB() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (f != nullptr) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
