// The time query: walks a group's folders between two times and delivers the records on the
// interval grid, header lines first.
#include <cstring>
#include <string>

#include "folder_list.h"
#include "log_store.h"
#include "store_api.h"
#include "store_slots.h"
#include "time_folder.h"
#include "time_key.h"

namespace {

class QueryRun {
  public:
    QueryRun(const LogGroup& group, const std::string& dataFolder, uint64_t start, uint64_t end,
             uint32_t interval, void* context, StoreLineCallback callback)
        : group_(group),
          folder_(dataFolder),
          start_(start),
          end_(end),
          interval_(interval),
          context_(context),
          callback_(callback) {}

    static bool VisitFolder(void* self, const TimeKey& key) {
        return static_cast<QueryRun*>(self)->Folder(key);
    }

    bool Hit() const { return hit_; }

  private:
    bool Folder(const TimeKey& key) {
        if (key.count != group_.depth) {
            return true;
        }
        std::string stem;
        if (!MakeStem(group_.id, key, kNestedSeparator, &stem) ||
            !folder_.OpenFolder(stem.c_str())) {
            return stop_ == 0;  // a folder without a readable index yields nothing
        }
        Select();
        folder_.CloseFolder();
        scratch_.Close();
        return stop_ == 0;
    }

    // Selects and delivers the records of the open folder; moves start_ on by the grid's advance.
    void Select() {
        uint64_t folderStart = 0;
        if (!CalendarToFileTime(KeyToTime(folder_.Key()), &folderStart) || end_ < folderStart) {
            return;
        }
        uint64_t from = 0;
        if (start_ < folderStart) {
            start_ = folderStart;
        } else {
            from = (start_ - folderStart) / kFileTimeUnitsPerSecond;
        }
        uint64_t to = (end_ - folderStart) / kFileTimeUnitsPerSecond;
        const uint32_t count = folder_.EntryCount();
        const uint32_t last = folder_.Entry(count - 1).Seconds();
        if (last < to) {
            to = last;
        }
        const int64_t first =
            folder_.FindFirst(from > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(from),
                              static_cast<uint32_t>(to));
        if (first == kNoEntry) {
            return;
        }
        hit_ = true;
        uint64_t advance = 0;
        for (uint32_t i = static_cast<uint32_t>(first); stop_ == 0 && from <= to && i < count;
             ++i) {
            const uint64_t e = folder_.Entry(i).Seconds();
            if (e > to) {
                break;
            }
            if (e < from) {
                continue;
            }
            if (interval_ != 0) {
                advance += e + interval_ - from;
                from = e + interval_;
            }
            const char* line = nullptr;
            uint32_t length = 0;
            if (folder_.LineAt(i, &scratch_, &line, &length) && length > 0) {
                Deliver(line, length);
            }
        }
        start_ += advance * kFileTimeUnitsPerSecond;
    }

    void Deliver(const char* line, uint32_t length) {
        if (!headersDelivered_) {
            headersDelivered_ = true;
            // Reading the header lines moves the block window, so keep the record line first.
            const std::string record(line, length);
            std::string first;
            std::string second;
            scratch_.HeaderLines(&first, &second);
            callback_(context_, first.data(), static_cast<uint32_t>(first.size()), &stop_);
            if (stop_ == 0) {
                callback_(context_, second.data(), static_cast<uint32_t>(second.size()), &stop_);
            }
            if (stop_ == 0) {
                callback_(context_, record.data(), static_cast<uint32_t>(record.size()), &stop_);
            }
            return;
        }
        callback_(context_, line, length, &stop_);
    }

    const LogGroup& group_;
    TimeFolder folder_;
    BlockReader scratch_;
    uint64_t start_;  // next wanted time (file time)
    uint64_t end_;
    uint32_t interval_;
    void* context_;
    StoreLineCallback callback_;
    int stop_ = 0;
    bool headersDelivered_ = false;
    bool hit_ = false;
};

}  // namespace

bool StoreQuery(int kind, const char* groupName, const CalendarTime* start, const CalendarTime* end,
                uint32_t interval, void* context, StoreLineCallback callback) {
    LogStore* store = SlotStore(kind);
    if (store == nullptr || groupName == nullptr || start == nullptr || end == nullptr ||
        callback == nullptr) {
        return false;
    }
    const LogGroup* group = store->FindGroup(groupName);
    uint64_t startTime = 0;
    uint64_t endTime = 0;
    if (group == nullptr || !CalendarToFileTime(*start, &startTime) ||
        !CalendarToFileTime(*end, &endTime) || group->id == 0) {
        return false;
    }
    const TimeKey startKey = KeyFromTime(*start, group->depth);
    const TimeKey endKey = KeyFromTime(*end, group->depth);
    if (CompareKeys(startKey, endKey, group->depth) > 0) {
        return false;
    }
    QueryRun run(*group, store->DataFolder(), startTime, endTime, interval, context, callback);
    FolderWalker walker(store->DataFolder(), group->id, group->depth);
    walker.Walk(startKey, endKey, &run, &QueryRun::VisitFolder);
    return run.Hit();
}
