// The fixed-pitch face of the printed report, chosen by name. The rows a page holds and the width
// of the caption line follow from that face's metrics, so a face picked by the machine's
// preferences would break the same report into different pages on different machines.
#pragma once

#include <string>
#include <vector>

// The face the report is laid out in, and the Debian package that brings it: the program's
// package depends on it and scripts/install-deps.sh installs it.
extern const char kReportFixedFamily[];
extern const char kReportFixedPackage[];

// kReportFixedFamily when installed lists it (names compared without regard to ASCII case),
// otherwise fallback, the face that stands in for it.
std::string ChooseReportFixedFamily(const std::vector<std::string>& installed,
                                    const std::string& fallback);
