// The six functions through which the rest of the program reaches the log stores.
//
// Two process-wide slots hold one open store each: kind 0 (data records) and kind 1 (alarm
// records). Kind 2 is reserved: opening it succeeds and does nothing. Results are pushed to
// callbacks that receive the caller's context first; texts handed to them are not
// NUL-terminated at length. No function shows a message; failures are false results.
#pragma once

#include <cstdint>

#include "calendar_time.h"
#include "read_problem.h"

constexpr int kDataRecords = 0;
constexpr int kAlarmRecords = 1;
constexpr int kReservedRecords = 2;

// A whole text: a group list, a folder list, or one block of an item export.
using StoreTextCallback = void (*)(void* context, const char* text, uint32_t length);
// A folder list; leaf is 1 when the listed children are deepest-level folders (or blocks).
using StoreItemsCallback = void (*)(void* context, const char* text, uint32_t length, int leaf);
// One line of a query, without its "\n". Setting *stop non-zero ends the query after this line.
using StoreLineCallback = void (*)(void* context, const char* line, uint32_t length, int* stop);
// A run of `lines` whole lines of a query as the store files hold them: every byte inverted, each
// line ended by its (inverted) "\n". Setting *stop non-zero ends the query after this run.
using StoreRunCallback = void (*)(void* context, const char* stored, uint32_t length,
                                  uint32_t lines, int* stop);

// What a query or an export found in the store and did not deliver.
struct StoreLeftOut {
    // Record lines that end their block without a "\n": the block was cut short (a copy that
    // stopped early) or the panel is writing that line at this moment. Such a line may have lost
    // any part of its values, so it is not a record.
    uint32_t unendedLines = 0;
};

// Opens the store of a kind over its data folder (read only) and staging folder (which receives
// the working copy of the root index). A "\" is appended to a path that does not end in one;
// each path must then be at most 259 bytes. False when kind >= 3, a path is missing or empty or
// too long, the slot is already open, or the store does not open (the slot stays closed).
bool StoreOpen(int kind, const char* dataFolder, const char* stagingFolder);

// Closes the store of a kind. False when kind >= 2 or the slot is empty.
bool StoreClose(int kind);

// Delivers the group names, one a line in root-index order, in one call. False when the slot is
// empty, the callback missing, or there are no groups.
bool StoreListGroups(int kind, void* context, StoreTextCallback callback);

// Delivers the children of a tree position of a group ("YYYY\MM\DD", null for the years), one
// a line in ascending order, in one call. With listBlocks the deepest level lists block files.
// False when the group is unknown or there are no children.
bool StoreListItems(int kind, const char* groupName, const char* treePath, void* context,
                    StoreItemsCallback callback, bool listBlocks);

// Exports one deepest-level folder ("2011\05\17": each block's whole text, header lines
// included, one call a block) or one block ("2011\05\17(3)": one call). An item above the
// deepest level yields nothing. When stop is given and becomes non-zero during a callback, no
// further block is read. A block's last record line without its "\n" is not delivered (its
// text ends after the line before); when leftOut is given it receives how many were left out.
// True when the callback was called at least once.
bool StoreExportItem(int kind, const char* groupName, const char* itemPath, void* context,
                     StoreTextCallback callback, int* stop = nullptr,
                     StoreLeftOut* leftOut = nullptr);

// Delivers the records of a group from start to end (both inclusive, to the second), thinned to
// one record per interval seconds (0: every record): first the two header lines of the first
// block met, then one record line per call. The interval grid carries over from folder to
// folder. start and end are copied. A record line without its "\n" (the last of a block) is not
// delivered; when leftOut is given it receives how many were left out. True when some folder had
// an index entry in range, even if none of its lines could be read. False when the slot is
// empty, the group unknown, a time missing or not a valid calendar time, or the callback missing.
// The query goes on past a folder, index or block of the range that exists but cannot be read
// (permissions, no regular file, an index that is empty or not a whole number of entries) and
// past a block that its index names but that is missing; problem, when given, receives the first
// of them and their number (it is added to: the caller clears it).
bool StoreQuery(int kind, const char* groupName, const CalendarTime* start, const CalendarTime* end,
                uint32_t interval, void* context, StoreLineCallback callback,
                ReadProblem* problem = nullptr, StoreLeftOut* leftOut = nullptr);

// StoreQuery delivering its lines in their stored form, in runs: the header lines first (one run
// of two), then the record lines, each run one or more of them. Inverted, the runs one after the
// other are exactly StoreQuery's lines, each followed by "\n", which is what an export file holds:
// an export writer can write them as they come, without inverting anything.
bool StoreQueryRuns(int kind, const char* groupName, const CalendarTime* start,
                    const CalendarTime* end, uint32_t interval, void* context,
                    StoreRunCallback callback, ReadProblem* problem = nullptr,
                    StoreLeftOut* leftOut = nullptr);
