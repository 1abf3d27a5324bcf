#include "alarm_reader.h"

#include "file_system.h"
#include "store_query.h"

namespace {

std::mutex g_folderMutex;
std::string g_folder;

// What the query hands over, line by line: the two header lines, then the records.
struct GroupRead {
    const std::atomic<bool>* stop;
    int lines = 0;
    AlarmColumns columns;
    AlarmLog* log;
    const AlarmMapping* mapping;
};

void OnLine(void* context, const char* line, uint32_t length, int* stop) {
    auto* read = static_cast<GroupRead*>(context);
    const std::string_view text(line, length);
    if (read->lines++ == 1)
        read->columns = FindAlarmColumns(text, *read->mapping);
    else if (read->lines > 2)
        read->log->Add(text, read->columns, *read->mapping);
    if (read->stop != nullptr && read->stop->load(std::memory_order_relaxed))
        *stop = 1;
}

// The captions of a group: the "Time," header line of its first records, and no record.
struct CaptionRead {
    int lines = 0;
    std::string header;
};

void OnCaption(void* context, const char* line, uint32_t length, int* stop) {
    auto* read = static_cast<CaptionRead*>(context);
    if (read->lines++ == 1) {
        read->header.assign(line, length);
        *stop = 1;
    }
}

std::string WithSeparator(std::string folder) {
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
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

AlarmStoreCheck CheckAlarmStore(const std::string& dataFolder, const AlarmMappings& mappings) {
    AlarmStoreCheck check;
    std::string bare = dataFolder;
    while (bare.size() > 1 && (bare.back() == '\\' || bare.back() == '/'))
        bare.pop_back();
    if (bare.empty())
        return check;
    int error = 0;
    switch (storefs::KindOf(bare, &error)) {
        case storefs::EntryKind::kMissing:
            return check;
        case storefs::EntryKind::kFile:
        case storefs::EntryKind::kOther:
            check.state = AlarmStoreState::kNotAFolder;
            return check;
        case storefs::EntryKind::kUnknown:
            check.state = AlarmStoreState::kUnreadable;
            check.problem.Note(ReadProblem::Kind::kCannotOpen, bare, error);
            return check;
        case storefs::EntryKind::kFolder:
            break;
    }
    if (!ReadGroupsOf(dataFolder, &check.groups, &check.problem)) {
        if (check.problem.kind == ReadProblem::Kind::kMissing) {
            check.state = AlarmStoreState::kNoRootIndex;
            check.problem = ReadProblem();
        } else {
            check.state = AlarmStoreState::kUnreadable;
        }
        return check;
    }
    if (check.groups.empty()) {
        check.state = AlarmStoreState::kNoGroups;
        return check;
    }
    // A data log given for an alarm log: the first records of every group that has any name
    // no event. What cannot be read here is told by the read of the range, where it matters.
    const std::string folder = WithSeparator(dataFolder);
    const CalendarTime first = MakeCalendarTime(1601, 1, 1);
    const CalendarTime last = MakeCalendarTime(30827, 12, 31, 23, 59, 59);
    bool captioned = false;
    check.state = AlarmStoreState::kAlarmLog;
    for (const LogGroup& group : check.groups) {
        CaptionRead read;
        QueryGroupLines(folder, group, &first, &last, 0, &read, OnCaption);
        if (read.lines < 2)
            continue;
        captioned = true;
        if (FindAlarmColumns(read.header, MappingOf(mappings, group.name)).event >= 0)
            return check;
    }
    if (captioned)
        check.state = AlarmStoreState::kDataLog;
    return check;
}

std::vector<std::string> AlarmGroupCaptions(const std::string& dataFolder, const LogGroup& group) {
    const CalendarTime first = MakeCalendarTime(1601, 1, 1);
    const CalendarTime last = MakeCalendarTime(30827, 12, 31, 23, 59, 59);
    CaptionRead read;
    QueryGroupLines(WithSeparator(dataFolder), group, &first, &last, 0, &read, OnCaption);
    std::vector<std::string> captions;
    if (read.lines < 2)
        return captions;
    std::string_view header = read.header;
    while (!header.empty() && (header.back() == '\r' || header.back() == '\n'))
        header.remove_suffix(1);
    size_t at = header.find(',');
    while (at != std::string_view::npos) {
        const size_t next = header.find(',', at + 1);
        captions.emplace_back(
            header.substr(at + 1, next == std::string_view::npos ? next : next - at - 1));
        at = next;
    }
    return captions;
}

AlarmReadResult ReadAlarms(const std::string& dataFolder, const CalendarTime& from,
                           const CalendarTime& to, const std::atomic<bool>* stop,
                           const AlarmLog::Bounds& bounds, const AlarmMappings& mappings) {
    AlarmReadResult result;
    AlarmStoreCheck check = CheckAlarmStore(dataFolder, mappings);
    result.store = check.state;
    result.problem = check.problem;
    if (check.state != AlarmStoreState::kAlarmLog)
        return result;
    const std::string folder = WithSeparator(dataFolder);
    auto log = std::make_shared<AlarmLog>(bounds);
    for (const LogGroup& group : check.groups) {
        log->BeginGroup(check.groups.size() > 1 ? group.name + "/" : std::string());
        GroupRead read{stop, 0, AlarmColumns(), log.get(), &MappingOf(mappings, group.name)};
        QueryGroupLines(folder, group, &from, &to, 0, &read, OnLine, &result.problem);
        if (stop != nullptr && stop->load()) {
            result.cancelled = true;
            return result;
        }
    }
    result.log = std::move(log);
    return result;
}

void AlarmFetch::Start(const std::string& dataFolder, const CalendarTime& from,
                       const CalendarTime& to, std::function<void()> done, AlarmMappings mappings) {
    Cancel();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_ = false;
        result_ = AlarmReadResult();
    }
    auto stop = std::make_shared<std::atomic<bool>>(false);
    stop_ = stop;
    thread_ = std::thread(
        [this, stop, dataFolder, from, to, done = std::move(done), mappings = std::move(mappings)] {
            storefs::HoldEndingSignals();
            AlarmReadResult result =
                ReadAlarms(dataFolder, from, to, stop.get(), AlarmLog::Bounds(), mappings);
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
