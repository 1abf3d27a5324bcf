// Reading the alarm log of a time range beside the curves, off the window thread: every group of
// the alarm store at a data folder, through the store's time query, without any store slot (the
// slots belong to the data-list bar and are not for another thread) and without writing
// anything.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "alarm_model.h"
#include "calendar_time.h"
#include "log_store.h"
#include "read_problem.h"

// The alarm store's data folder of the current roots, set by the application whenever the roots
// change (empty: the roots have none). Process-wide, as the roots are.
void SetAlarmStoreFolder(const std::string& dataFolder);
std::string AlarmStoreFolder();

// What a data folder holds, taken as an alarm store.
enum class AlarmStoreState {
    kAlarmLog,     // an alarm store
    kNoFolder,     // nothing is there (or no folder was given)
    kNotAFolder,   // a file is there
    kNoRootIndex,  // the folder holds no root index
    kNoGroups,     // its root index names no group
    kDataLog,      // none of its groups has its event caption: a data log, not an alarm log
    kUnreadable,   // the folder or its root index cannot be read: the problem says which and why
};

struct AlarmStoreCheck {
    AlarmStoreState state = AlarmStoreState::kNoFolder;
    ReadProblem problem;
    std::vector<LogGroup> groups;  // of an alarm store
};

// Looks at the folder, its root index and the captions of the first records of each group (a
// group without records says nothing of its captions), each group's by its mapping.
AlarmStoreCheck CheckAlarmStore(const std::string& dataFolder,
                                const AlarmMappings& mappings = AlarmMappings());

// The captions after "Time" of a group's first records, bytes as stored; empty when the group
// has no records (or they cannot be read).
std::vector<std::string> AlarmGroupCaptions(const std::string& dataFolder, const LogGroup& group);

struct AlarmReadResult {
    AlarmStoreState store = AlarmStoreState::kNoFolder;
    bool cancelled = false;  // stopped before the end; nothing else is told
    // The records of the range, group by group, each in its stored order (an alarm store only).
    std::shared_ptr<const AlarmLog> log = std::make_shared<const AlarmLog>();
    // What could not be read: the folder or root index, or folders, indexes and blocks of the
    // range whose records are then missing from the log.
    ReadProblem problem;
};

// Reads the records from..to (both inclusive) of every group of the alarm store at dataFolder,
// within the log's bounds, each group's by its mapping. With more than one group, an ID is
// prefixed by its group's name and "/", so that equal IDs of two groups stay apart. stop, when
// given and set, ends the read early.
AlarmReadResult ReadAlarms(const std::string& dataFolder, const CalendarTime& from,
                           const CalendarTime& to, const std::atomic<bool>* stop = nullptr,
                           const AlarmLog::Bounds& bounds = AlarmLog::Bounds(),
                           const AlarmMappings& mappings = AlarmMappings());

// One read at a time on a thread of its own. Starting a read stops the one before it; a stopped
// read delivers nothing.
class AlarmFetch {
  public:
    AlarmFetch() = default;
    ~AlarmFetch() { Cancel(); }
    AlarmFetch(const AlarmFetch&) = delete;
    AlarmFetch& operator=(const AlarmFetch&) = delete;

    // Starts reading, each group by its mapping; done is called on the reading thread once the
    // result is ready to Take.
    void Start(const std::string& dataFolder, const CalendarTime& from, const CalendarTime& to,
               std::function<void()> done, AlarmMappings mappings = AlarmMappings());
    // Stops the read under way and waits for its thread.
    void Cancel();
    // Waits for the read under way to end.
    void Wait();
    // The result of the last read that ended, once; false when there is none (yet).
    bool Take(AlarmReadResult* result);

  private:
    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::mutex mutex_;
    bool ready_ = false;
    AlarmReadResult result_;
};
