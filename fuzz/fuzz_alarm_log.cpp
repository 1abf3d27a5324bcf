// The alarm log from arbitrary bytes: a first byte of choices, then a mapping's text, a "Time,"
// header line and record lines. The lines go through the mapping, the log, the pairing into
// lanes, the records as events and the analysis, with the counts of each checked against the
// others.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "alarm_analysis.h"
#include "alarm_model.h"
#include "fuzz_support.h"

namespace {

std::string_view NextLine(std::string_view* text) {
    const size_t end = text->find('\n');
    const std::string_view line = text->substr(0, end);
    text->remove_prefix(end == std::string_view::npos ? text->size() : end + 1);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::ByteReader in(data, size);
    const uint8_t choices = in.U8();
    size_t taken = 0;
    const uint8_t* rest = in.Rest(&taken);
    std::string_view text(reinterpret_cast<const char*>(rest), taken);

    // A mapping that reads keeps as the same text; one that does not is the default.
    AlarmMapping mapping;
    const std::string_view mappingText = NextLine(&text);
    if (ReadMappingText(mappingText, &mapping)) {
        AlarmMapping again;
        FUZZ_CHECK(ReadMappingText(MappingText(mapping), &again) && again == mapping);
    } else {
        FUZZ_CHECK(mapping == DefaultAlarmMapping());
    }
    FUZZ_CHECK(CheckMapping(mapping) == MappingFault::kNone);

    const AlarmColumns columns = FindAlarmColumns(NextLine(&text), mapping);
    AlarmLog::Bounds bounds;
    if (choices & 1)
        bounds = AlarmLog::Bounds{5, 64, 8};  // small: records left out and messages cut
    AlarmLog log(bounds);
    if (choices & 2)
        log.BeginGroup("G/");
    uint64_t lines = 0;
    while (!text.empty()) {
        log.Add(NextLine(&text), columns, mapping);
        ++lines;
    }
    FUZZ_CHECK(log.Size() + log.LeftOut() == lines);
    FUZZ_CHECK(log.Size() <= bounds.records);

    const std::vector<alarms::AlarmEvent> events = AlarmEventsOf(log);
    FUZZ_CHECK(events.size() == log.Size());
    int64_t first = INT64_MAX, last = INT64_MIN;
    uint64_t other = 0, untimed = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        const alarms::AlarmEvent& e = events[i];
        FUZZ_CHECK(e.message == log.Message(i));
        FUZZ_CHECK(e.message.size() <= bounds.messageBytes);
        other += e.kind == alarms::EventKind::kOther;
        if (e.time == alarms::kNoTime) {
            ++untimed;
            continue;
        }
        first = std::min(first, e.time);
        last = std::max(last, e.time);
    }
    FUZZ_CHECK(other == log.Unfit());

    // A span over the records, at times starting after the first and held to a month: the
    // analysis counts every 10 minutes of it, and a long span only costs time here.
    const int64_t firstTime = first == INT64_MAX ? 0 : first;
    const int64_t lastTime = first == INT64_MAX ? 0 : last;
    const int64_t from = firstTime + ((choices >> 2) & 7) * 300;
    const int64_t to =
        std::max(from + 1, std::min(lastTime + 1, firstTime + 31 * 86400)) + (choices >> 5) * 7;
    const AlarmPlan plan = PairAlarms(log, from, to);
    FUZZ_CHECK(plan.untimed.size() == untimed);
    size_t paired = plan.untimed.size();
    for (const AlarmLane& lane : plan.lanes) {
        paired += lane.marks.size();
        for (const AlarmSpan& s : lane.spans) {
            FUZZ_CHECK(s.from <= s.to);
            paired += (s.alarmRecord >= 0) + (s.ackRecord >= 0) + (s.clearRecord >= 0);
        }
    }
    FUZZ_CHECK(paired <= log.Size());

    const alarms::AlarmAnalysis a = alarms::Analyse(events, from, to);
    FUZZ_CHECK(a.events + a.outside + untimed == events.size());
    FUZZ_CHECK(a.figures.size() == static_cast<size_t>(alarms::kFigureCount));
    uint64_t perId = 0;
    for (const alarms::IdFigures& id : a.ids)
        perId += id.alarms;
    FUZZ_CHECK(perId == a.alarms);
    return 0;
}
