// Enumerating the partition folders of a group in a data folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "read_problem.h"
#include "text_buffer.h"
#include "time_key.h"

// Path of a group's folder at a tree position: dataFolder + id "\" + the first `levels` values
// of key, each followed by "\" (years as %04hu, lower levels as %02hu).
std::string GroupFolderPath(const std::string& dataFolder, uint32_t id, const TimeKey& key,
                            int levels);

// Values of the children of one folder of a group's tree, ascending and without repeats. With
// deepest set only names ending in ".idx" (any case) count, cut at their first ".idx"; otherwise
// every name not beginning with "." counts. A name's value is its leading decimal digits (0 when
// it has none), kept as 16 bits. False when the folder cannot be read; *error (when given) then
// receives the errno.
bool ListChildValues(const std::string& folderPath, bool deepest, std::vector<uint16_t>* values,
                     int* error = nullptr);

// Visits the existing deepest-level folders of a group whose keys lie between start and end
// (both taken at `depth`), in ascending key order. Every folder whose key prefix lies between the
// start and end prefixes at each level is visited. The visitor gets the folder's key (count =
// depth) and returns false to stop the walk. A folder of the walk that does not exist holds
// nothing; one that exists but cannot be read is noted in the problem, when one is given.
class FolderWalker {
  public:
    using Visitor = bool (*)(void* context, const TimeKey& key);

    FolderWalker(const std::string& dataFolder, uint32_t groupId, int depth,
                 ReadProblem* problem = nullptr)
        : dataFolder_(dataFolder), groupId_(groupId), depth_(depth), problem_(problem) {}

    // Returns false when the visitor stopped the walk.
    bool Walk(const TimeKey& start, const TimeKey& end, void* context, Visitor visitor) const;

    // The walk as text: one flat stem ("1A-2011-05-17") a line.
    void List(const TimeKey& start, const TimeKey& end, TextBuffer* out) const;

  private:
    bool WalkLevel(int level, TimeKey prefix, const TimeKey& start, const TimeKey& end,
                   void* context, Visitor visitor) const;

    std::string dataFolder_;
    uint32_t groupId_;
    int depth_;
    ReadProblem* problem_;
};
