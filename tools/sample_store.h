// Writer of sample stores: complete data roots (DIR/DL and DIR/AL, each with its root index)
// used by the demo, the tests and the benchmarks. Output is deterministic for a preset and seed.
#pragma once

#include <cstdint>
#include <string>

// Presets:
//   "demo"  small and realistic: data groups with record intervals that give every partition
//           depth, Chinese group and channel names (GB18030 bytes), plausible process values,
//           spanning month and year boundaries and a leap day, with missing folders and gaps;
//           and an alarm group with alarm text records.
//   "bench" one 1-second group of 20 channels over 31 days.
// Writes into outDir (created when missing). On failure returns false and says why in *error.
bool WriteSampleStore(const std::string& outDir, const std::string& preset, uint32_t seed,
                      std::string* error);
