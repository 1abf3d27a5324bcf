// The recorder's side of a group's folders: appends records to the folder of their time,
// following the layout rules of the panel's recorder (index entry per record, block files of
// at least 160 KiB that each cover a 1/256 share of the folder period). Used to write sample
// stores and test data; the viewer itself never writes a store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "calendar_time.h"
#include "log_array_file.h"
#include "log_text_file.h"
#include "time_key.h"

// Block text length below which a block is never closed (0x28000).
constexpr uint32_t kMinRotateLength = 0x28000;
// Block text length at which a block is closed whatever its time share (0xFD7FFF), keeping
// line offsets below 2^24.
constexpr uint32_t kForceRotateLength = 0xFD7FFF;
// Highest block number of a folder.
constexpr uint32_t kLastBlock = 255;

// The rotation test after an append: L = block text length, n = block number, period = folder
// period in seconds, lastSeconds = seconds of the newest entry.
bool ShouldRotateBlock(uint32_t length, uint32_t block, uint32_t period, uint32_t lastSeconds);

class RecordWriter {
  public:
    // dataFolder ends in "\"; the group's folders are created under it as needed. The header
    // lines go at the top of every block file.
    RecordWriter(std::string dataFolder, uint32_t groupId, uint32_t interval,
                 std::string firstHeader, std::string secondHeader);
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Appends one record: the line "YYYY-MM-DD hh:mm:ss," + values to the current block of the
    // folder of t, and its entry to the folder's index. Records must come in time order. False
    // (nothing stored) when t is invalid, before its folder's start, more than 0x0FFFFFFF seconds
    // after it, when block 255 is full, or when a file cannot be written.
    bool Append(const CalendarTime& t, const char* values);

    // Writes everything out and closes the current folder. True when every write succeeded.
    bool Close();

    // Whether writes wait for the device (default false: sample data is cheap to rebuild).
    void SetDeviceSync(bool sync) { deviceSync_ = sync; }

    int Depth() const { return depth_; }

  private:
    bool OpenFolder(const TimeKey& key);
    bool CloseFolder();
    bool OpenBlock();
    bool CloseBlock();

    std::string dataFolder_;
    uint32_t id_;
    int depth_;
    std::string firstHeader_;
    std::string secondHeader_;
    bool deviceSync_ = false;
    bool failed_ = false;

    bool folderOpen_ = false;
    TimeKey key_;
    std::string stem_;
    uint64_t folderStart_ = 0;
    uint32_t period_ = 0;
    uint32_t block_ = 0;
    LogArrayFile index_{8};
    LogTextFile blockFile_;
};

// Writes a root index "NewDLRoot.idx" into folder (ending in "\"), one "name=id,interval" line
// per group, replacing an existing one. False when it cannot be written.
struct RootIndexEntry {
    std::string name;
    uint32_t id;
    uint32_t interval;
};
bool WriteRootIndex(const std::string& folder, const RootIndexEntry* entries, size_t count);
