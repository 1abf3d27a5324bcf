#include "alarm_reader.h"

#include "file_system.h"
#include "log_store.h"
#include "store_query.h"

namespace {

std::mutex g_folderMutex;
std::string g_folder;

// What the query hands over, line by line: the two header lines, then the records.
struct GroupRead {
    const std::atomic<bool>* stop;
    std::string prefix;
    int lines = 0;
    AlarmColumns columns;
    std::vector<AlarmRecord>* records;
};

void OnLine(void* context, const char* line, uint32_t length, int* stop) {
    auto* read = static_cast<GroupRead*>(context);
    const std::string_view text(line, length);
    if (read->lines++ == 1) {
        read->columns = FindAlarmColumns(text);
    } else if (read->lines > 2) {
        AlarmRecord r = ParseAlarmLine(text, read->columns);
        if (!read->prefix.empty())
            r.id = read->prefix + r.id;
        read->records->push_back(std::move(r));
    }
    if (read->stop != nullptr && read->stop->load(std::memory_order_relaxed))
        *stop = 1;
}

}  // namespace

void SetAlarmStoreFolder(const std::string& dataFolder) {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    g_folder = dataFolder;
}

std::string AlarmStoreFolder() {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    return g_folder;
}

AlarmReadResult ReadAlarms(const std::string& dataFolder, const CalendarTime& from,
                           const CalendarTime& to, const std::atomic<bool>* stop) {
    AlarmReadResult result;
    std::vector<LogGroup> groups;
    if (!ReadGroupsOf(dataFolder, &groups) || groups.empty())
        return result;
    std::string folder = dataFolder;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    result.status = AlarmReadStatus::kRead;
    for (const LogGroup& group : groups) {
        GroupRead read{stop, groups.size() > 1 ? group.name + "/" : std::string(), 0,
                       AlarmColumns(), &result.records};
        QueryGroupLines(folder, group, &from, &to, 0, &read, OnLine);
        if (stop != nullptr && stop->load()) {
            result.status = AlarmReadStatus::kCancelled;
            result.records.clear();
            break;
        }
    }
    return result;
}

void AlarmFetch::Start(const std::string& dataFolder, const CalendarTime& from,
                       const CalendarTime& to, std::function<void()> done) {
    Cancel();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_ = false;
        result_ = AlarmReadResult();
    }
    auto stop = std::make_shared<std::atomic<bool>>(false);
    stop_ = stop;
    thread_ = std::thread([this, stop, dataFolder, from, to, done = std::move(done)] {
        storefs::HoldEndingSignals();
        AlarmReadResult result = ReadAlarms(dataFolder, from, to, stop.get());
        if (stop->load())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            result_ = std::move(result);
            ready_ = true;
        }
        if (done)
            done();
    });
}

void AlarmFetch::Cancel() {
    if (stop_)
        stop_->store(true);
    Wait();
    std::lock_guard<std::mutex> lock(mutex_);
    ready_ = false;
}

void AlarmFetch::Wait() {
    if (thread_.joinable())
        thread_.join();
}

bool AlarmFetch::Take(AlarmReadResult* result) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_)
        return false;
    *result = std::move(result_);
    ready_ = false;
    return true;
}
