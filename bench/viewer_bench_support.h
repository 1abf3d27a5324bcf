// Pieces shared by the viewer's benchmarks: the export file they open and the process's memory.
#pragma once

#include <cstdint>
#include <string>

// Writes a bench store of `rows` one-second records of the 20-channel group under dir and
// exports all of them, inverted as the viewer writes exports, to dir + "/export<rows>.csv".
// False, with the reason on standard error, when either step fails.
bool MakeBenchExport(const std::string& dir, uint32_t rows, std::string* path);

// Resident memory of this process, in KiB.
long CurrentRssKiB();
