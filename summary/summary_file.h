// A folder summary as a file of its own (the layout is drawn in FORMAT.md): written whole, read
// back only when every part of it checks out.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "folder_summary.h"

// The first eight bytes of every summary file, and the layout's version.
extern const char kSummaryMagic[8];
constexpr uint32_t kSummaryVersion = 3;

// The file's bytes.
std::string EncodeSummary(const FolderSummary& summary);

// Reads a summary from the bytes of a file. False, with the reason in *why when given, for
// anything but a whole summary of this version whose checksum matches and whose values are
// possible: a bad magic, another version, a wrong size, a checksum mismatch, widths that do not
// cut the period, counts above the records, times outside their bucket, extremes that are not
// extremes, a number that is not finite.
bool DecodeSummary(const char* bytes, size_t size, FolderSummary* summary,
                   std::string* why = nullptr);

// Writes the file at a native path, all or nothing (the old file stays on failure).
bool WriteSummaryFile(const std::string& nativePath, const FolderSummary& summary);
// Reads and checks the file; false when it is missing or the parts read do not check out. With
// finest false and two levels or more, the finest level is neither read nor checked: it is left
// with its width and no buckets, for FineLevelFromFile to bring in when it is needed.
bool ReadSummaryFile(const std::string& nativePath, FolderSummary* summary,
                     std::string* why = nullptr, bool finest = true);
// One level of a file as it lies there, with its checksum: a tenth of the memory of the level
// read, for keeping many at hand and reading them when drawn from.
struct FineLevelBytes {
    uint32_t width = 0;
    uint32_t buckets = 0;
    std::string bytes;
    // Set once the bytes were read as a whole level of possible values, so that reading them
    // again spares the checksum and the checks (bytes held in memory do not change).
    mutable std::atomic<bool> checked{false};
};
// Takes one level from the bytes of a whole file, which must still be the summary `held` was
// read from (the same header: identity, sources, records and widths), without checking the
// level; false otherwise.
bool FineLevelFromFile(const char* bytes, size_t size, const FolderSummary& held, size_t level,
                       FineLevelBytes* out, std::string* why = nullptr);
// Reads and checks a level from its bytes, for the summary `held` (out is reused: its memory is
// kept for the next level read into it).
bool DecodeFineLevel(const FineLevelBytes& level, const FolderSummary& held, SummaryLevel* out,
                     std::string* why = nullptr);

// Puts the right checksums into the bytes of a summary file, where its header can be read (for
// fuzzing the checks behind the checksums).
void SealSummary(std::string* bytes);

// The summaries of a group's folders without their finest levels, in one file beside their own
// files, so that a group whose folders are unchanged opens without reading a file per folder.
// Entries: a folder's flat stem and its summary (its finest level is left out when it has a
// coarser one, and comes back as that level's width alone, for FineLevelFromFile).
using SummaryOverview = std::map<std::string, std::shared_ptr<const FolderSummary>>;
std::string EncodeOverview(const SummaryOverview& entries);
// False for anything but a whole overview of this version whose checksum matches; an entry that
// does not read as a summary is left out.
bool DecodeOverview(const char* bytes, size_t size, SummaryOverview* entries);
bool WriteOverviewFile(const std::string& nativePath, const SummaryOverview& entries);
bool ReadOverviewFile(const std::string& nativePath, SummaryOverview* entries);

// The overview's entries found but not yet read, for reading each only when its folder is looked
// at, and on the thread that looks at it: the bytes of an entry's summary, within bytes handed
// to SplitOverview, which must outlive the entries.
struct OverviewEntry {
    const char* bytes = nullptr;
    size_t size = 0;
    uint32_t fineWidth = 0;
};
using OverviewEntries = std::map<std::string, OverviewEntry>;
bool ReadOverviewBytes(const std::string& nativePath, std::vector<char>* bytes);
// False as DecodeOverview is false; an entry is not read yet.
bool SplitOverview(const char* bytes, size_t size, OverviewEntries* entries);
// The entry's summary; null when it does not read as one.
std::shared_ptr<const FolderSummary> DecodeOverviewEntry(const OverviewEntry& entry);
