#include "report_font.h"

#include <algorithm>
#include <cctype>

const char kReportFixedFamily[] = "DejaVu Sans Mono";
const char kReportFixedPackage[] = "fonts-dejavu-core";

std::string ChooseReportFixedFamily(const std::vector<std::string>& installed,
                                    const std::string& fallback) {
    const std::string wanted = kReportFixedFamily;
    auto same = [&wanted](const std::string& family) {
        return std::equal(family.begin(), family.end(), wanted.begin(), wanted.end(),
                          [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) ==
                                     std::tolower(static_cast<unsigned char>(b));
                          });
    };
    return std::any_of(installed.begin(), installed.end(), same) ? wanted : fallback;
}
