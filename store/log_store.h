// One kind of log: the root index "NewDLRoot.idx" that names the groups, and the groups' trees
// of time-partition folders in the data folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log_text_file.h"
#include "read_problem.h"
#include "text_buffer.h"

// A group of channels recorded at one interval, as named by one root-index line.
struct LogGroup {
    std::string name;       // compared without regard to case on lookup
    uint32_t id = 0;        // written in paths as %X; with id 0 no folder of the group opens
    uint32_t interval = 0;  // record interval in seconds
    int depth = 3;          // partition depth: 0 year, 1 month, 2 day, 3 hour
};

class LogStore {
  public:
    LogStore() = default;
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    // Opens the store. Both folders end in "\" (or "/"). The data folder's root index is copied
    // to the staging folder when the staging folder has none; the data folder is never written.
    // The staging copy is then opened exclusively (created empty when missing) and read: one group
    // a line, "name=id,interval", empty lines skipped; loading stops at the first malformed line
    // and keeps the groups before it. False when a path is empty or the root index cannot be
    // opened or created.
    bool Open(const std::string& stagingFolder, const std::string& dataFolder);

    // Forgets the groups and closes the root index (it is never written). Always true.
    bool Close();

    bool IsOpen() const { return rootIndex_.IsOpen(); }

    // The first group whose name equals name without regard to case, or null.
    const LogGroup* FindGroup(const char* name) const;

    // Clears out and appends each group name as a line, in root-index order. True when non-empty.
    bool GroupNames(TextBuffer* out) const;

    // Lists the children of one tree position of a group, one line each, ascending by value:
    // years as %04hu, lower levels as %02hu. treePath ("YYYY\MM\DD", null for the years) names
    // the parent. *leaf tells whether the children are deepest-level folders. With listBlocks the
    // deepest level lists each folder's block files instead ("17(0).csv", "17(1).csv", ...).
    // False when the folder is missing or has no children.
    bool ListChildren(const LogGroup& group, const char* treePath, TextBuffer* out, bool* leaf,
                      bool listBlocks) const;

    const std::vector<LogGroup>& Groups() const { return groups_; }
    const std::string& DataFolder() const { return dataFolder_; }
    const std::string& StagingFolder() const { return stagingFolder_; }

  private:
    void LoadGroups();

    LogTextFile rootIndex_;
    std::vector<LogGroup> groups_;
    std::string stagingFolder_;
    std::string dataFolder_;
};

// Name of the root index file in a staging or data folder.
extern const char kRootIndexName[];

// Parses one root-index line. False when it is malformed: no "=", a name of 260 bytes or more
// or holding a NUL byte, or no two unsigned 32-bit numbers "%u,%u" after the "=".
bool ParseRootIndexLine(const char* line, uint32_t length, LogGroup* group);

// The groups named by the root index of a data folder, read once and closed again (the folder is
// only read): for readers that work beside the store slots. False when the index cannot be read;
// problem (when given) then receives why: kMissing when there is none.
bool ReadGroupsOf(const std::string& dataFolder, std::vector<LogGroup>* groups,
                  ReadProblem* problem = nullptr);
