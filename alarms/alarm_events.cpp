#include "alarm_events.h"

#include <unordered_map>

namespace alarms {

Pairing PairEvents(const std::vector<AlarmEvent>& events, const std::vector<size_t>& order,
                   int64_t end) {
    Pairing p;
    std::unordered_map<std::string, uint32_t> index;
    std::vector<int64_t> standing;  // per ID: its standing alarm, or -1
    p.eventIds.reserve(order.size());
    for (size_t i : order) {
        const AlarmEvent& e = events[i];
        auto found = index.find(e.id);
        uint32_t id = 0;
        if (found == index.end()) {
            id = static_cast<uint32_t>(p.ids.size());
            p.ids.push_back(e.id);
            standing.push_back(-1);
            index.emplace(e.id, id);
        } else {
            id = found->second;
        }
        p.eventIds.push_back(id);
        int64_t& open = standing[id];
        switch (e.kind) {
            case EventKind::kAlarm:
                if (open >= 0)
                    p.alarms[static_cast<size_t>(open)].end = e.time;
                open = static_cast<int64_t>(p.alarms.size());
                p.alarms.push_back({id, e.time, kNoTime, kNoTime, end});
                break;
            case EventKind::kAck:
            case EventKind::kClear: {
                if (open < 0) {
                    p.orphans.push_back(i);
                    break;
                }
                PairedAlarm& a = p.alarms[static_cast<size_t>(open)];
                if (e.kind == EventKind::kAck) {
                    if (a.ack == kNoTime)
                        a.ack = e.time;
                } else {
                    a.clear = a.end = e.time;
                    open = -1;
                }
                break;
            }
            case EventKind::kOther:
                break;
        }
    }
    return p;
}

}  // namespace alarms
