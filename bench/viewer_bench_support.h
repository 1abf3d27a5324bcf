// Pieces shared by the viewer's benchmarks: the export file they open and the process's memory.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// Writes a bench store of `rows` one-second records of the 20-channel group under dir and
// exports all of them, inverted as the viewer writes exports, to dir + "/export<rows>.csv".
// False, with the reason on standard error, when either step fails.
bool MakeBenchExport(const std::string& dir, uint32_t rows, std::string* path);

// Resident memory of this process, in KiB.
long CurrentRssKiB();

// Milliseconds since the timer started.
inline double Ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The median of the values (the upper one of an even count); 0 when there are none.
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The fastest of `runs` runs of f, in milliseconds.
template <class F>
double BestOf(int runs, F f) {
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, Ms(t));
    }
    return best;
}
