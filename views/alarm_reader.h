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

// The alarm store's data folder of the current roots, set by the application whenever the roots
// change (empty: the roots have none). Process-wide, as the roots are.
void SetAlarmStoreFolder(const std::string& dataFolder);
std::string AlarmStoreFolder();

enum class AlarmReadStatus {
    kRead,       // records holds what the range has (perhaps nothing)
    kNoStore,    // no folder, or no readable root index with a group in it
    kCancelled,  // stopped before the end
};

struct AlarmReadResult {
    AlarmReadStatus status = AlarmReadStatus::kNoStore;
    std::vector<AlarmRecord> records;  // group by group, each in its stored order
};

// Reads the records from..to (both inclusive) of every group of the alarm store at dataFolder.
// With more than one group, an ID is prefixed by its group's name and "/", so that equal IDs of
// two groups stay apart. stop, when given and set, ends the read early.
AlarmReadResult ReadAlarms(const std::string& dataFolder, const CalendarTime& from,
                           const CalendarTime& to, const std::atomic<bool>* stop = nullptr);

// One read at a time on a thread of its own. Starting a read stops the one before it; a stopped
// read delivers nothing.
class AlarmFetch {
  public:
    AlarmFetch() = default;
    ~AlarmFetch() { Cancel(); }
    AlarmFetch(const AlarmFetch&) = delete;
    AlarmFetch& operator=(const AlarmFetch&) = delete;

    // Starts reading; done is called on the reading thread once the result is ready to Take.
    void Start(const std::string& dataFolder, const CalendarTime& from, const CalendarTime& to,
               std::function<void()> done);
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
