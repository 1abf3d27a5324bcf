#include "alarm_analysis_csv.h"

#include <cstdio>

#include "calendar_time.h"

namespace alarms {

namespace {

// Up to three decimals, without trailing zeros.
std::string Number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string Seconds(int64_t s) {
    return s < 0 ? std::string() : std::to_string(s);
}

bool HasValue(const KeyFigure& k) {
    switch (k.figure) {
        case Figure::kAckMedian:
        case Figure::kAck90:
        case Figure::kClearMedian:
        case Figure::kClear90:
            return k.value >= 0;
        default:
            return true;
    }
}

}  // namespace

std::string CsvCell(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string cell = "\"";
    for (char c : text) {
        if (c == '"')
            cell += '"';
        cell += c;
    }
    return cell + '"';
}

std::string AlarmTimeText(int64_t seconds) {
    CalendarTime t;
    if (seconds < 0 ||
        !FileTimeToCalendar(static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, &t))
        return std::string();
    return CalendarTimeText(t);
}

void WriteKeyFiguresCsv(std::ostream& out, const AlarmAnalysis& analysis) {
    out << "figure,value,at,target,manageable,verdict\n";
    for (const KeyFigure& k : analysis.figures) {
        out << FigureName(k.figure) << ',' << (HasValue(k) ? Number(k.value) : std::string()) << ','
            << AlarmTimeText(k.at) << ',';
        if (k.verdict != Verdict::kNoTarget) {
            const char* within = k.strict ? "< " : "<= ";
            out << within << Number(k.target) << ',';
            if (k.manageable > k.target)
                out << within << Number(k.manageable);
        } else {
            out << ',';
        }
        static const char* const kVerdicts[] = {"met", "manageable", "missed", ""};
        out << ',' << kVerdicts[static_cast<size_t>(k.verdict)] << '\n';
    }
}

void WriteAlarmIdsCsv(std::ostream& out, const AlarmAnalysis& analysis) {
    out << "id,alarms,share_percent,first,last,chatter_episodes,ack_median_seconds,"
           "ack_longest_seconds,clear_median_seconds,clear_longest_seconds,standing_at_end,"
           "message\n";
    for (const IdFigures& f : analysis.ids) {
        out << CsvCell(f.id) << ',' << f.alarms << ',' << Number(f.share) << ','
            << AlarmTimeText(f.first) << ',' << AlarmTimeText(f.last) << ',' << f.chatterEpisodes
            << ',' << Seconds(f.ackMedian) << ',' << Seconds(f.ackLongest) << ','
            << Seconds(f.clearMedian) << ',' << Seconds(f.clearLongest) << ','
            << (f.standingAtEnd ? "yes" : "no") << ',' << CsvCell(f.message) << '\n';
    }
}

}  // namespace alarms
