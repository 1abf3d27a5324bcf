// A group of a data store with the summaries of its partition folders, kept in a staging folder
// beside the store: brought up to date on a worker thread, and drawn from in pixel columns that
// equal what every record of the span would draw.
//
// The data folder is only read. Summaries live under <staging>/summaries/<group id %X>/, one file
// per deepest folder named by its flat stem ("1A-2024-03-01-05.sum"); deleting them loses nothing.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "folder_summary.h"
#include "log_store.h"
#include "summary_columns.h"
#include "summary_file.h"

class SummaryGroup {
  public:
    SummaryGroup() = default;
    ~SummaryGroup();
    SummaryGroup(const SummaryGroup&) = delete;
    SummaryGroup& operator=(const SummaryGroup&) = delete;

    // Opens a group of the data store in dataFolder (ending in a separator or not) whose
    // summaries live under stagingRoot: its channels from the captions of its first block ("Time"
    // and the names after it), its folders. Summaries already on disk are not read yet
    // (Summarise does). False, with the reason in *error, when the root index cannot be read,
    // the group is not in it, or it has no folder.
    bool Open(const std::string& dataFolder, const std::string& stagingRoot,
              const std::string& groupName, std::string* error);
    bool Open(const std::string& dataFolder, const std::string& stagingRoot, const LogGroup& group,
              std::string* error);

    const LogGroup& Group() const { return group_; }
    // The captions after "Time" of the group's first block, bytes as stored.
    const std::vector<std::string>& Channels() const { return channels_; }
    // The span of the group's folders: from the start of the first to the end of the last.
    SummarySeconds From() const { return from_; }
    SummarySeconds To() const { return to_; }

    // Lists the group's folders again (the first time after Open, takes the list Open made) and
    // brings every folder's summary up to date: a summary on disk is used when it checks out and
    // was made from the folder as it is now (the sizes and times of its index and blocks);
    // otherwise the folder is summarised again and its file replaced whole. Files of folders
    // that are gone are deleted. Work is spread over the machine's cores. progress (when given)
    // is called with folders done and all, from the calling thread. False when cancel became
    // true (what is done stays done) or the staging folder cannot be written.
    bool Summarise(const std::function<void(size_t done, size_t total)>& progress,
                   const std::atomic<bool>* cancel);

    // How many folders there are and how many have their summary in hand, for drawing while
    // Summarise runs. Safe to call from any thread.
    size_t FolderCount() const;
    size_t SummarisedCount() const;

    // Gathers the records of the span into out. A folder whose summary is in hand is drawn from
    // it, from the coarsest level whose buckets lie wholly inside a column, reading the store's
    // records only where buckets cross a column's edge at the finest level or where a column
    // holds fewer than about four records (a bucket where a line breaks draws from the pieces of
    // the line it keeps); a folder whose records are out of time order is read whole. A folder not
    // summarised yet is read when readUnsummarised is set, else its columns are marked pending and
    // the lines break across it. Safe to call from another thread while Summarise runs. False,
    // with out unfinished, when cancel (when given) became true: the span is no longer wanted.
    bool Columns(const ColumnSpan& span, SummaryColumns* out, bool readUnsummarised = false,
                 const std::atomic<bool>* cancel = nullptr) const;

    // The lowest and highest number of each channel over the folders that lie within [from,
    // to), from the coarsest level of their summaries: what the columns of that span will hold,
    // known before they are read (so that the axes can be laid out for them once). A channel
    // without numbers has count 0. False, with out empty, when a folder there has no summary in
    // hand, is read from its records, or is cut by an end of the span.
    bool Ranges(SummarySeconds from, SummarySeconds to, std::vector<SummaryRun>* out) const;
    // How many folders' finest levels Columns keeps at hand (at least 1). Only the coarser levels
    // of a summary are held for every folder; the finest is read from its file, checked again,
    // when a column needs it, and kept as its file's bytes; the least recently used ones are let
    // go beyond this count.
    void SetFineLevelCache(size_t folders);

    // Native path of a folder's summary file.
    std::string SummaryPath(const std::string& flatStem) const;

  private:
    struct Folder {
        std::string stem;  // nested, with the group id
        std::string flat;  // flat, names the summary file
        TimeKey key;
        SummarySeconds start = 0;
        uint32_t period = 0;
        std::shared_ptr<const FolderSummary> summary;
    };

    bool ListFolders(std::vector<Folder>* folders) const;
    bool Fits(const FolderSummary& s, const Folder& f) const;
    // The folder's summary: the one in hand or in the overview while the folder is unchanged,
    // else its file's, else made anew (*fresh then true).
    std::shared_ptr<const FolderSummary> Summary(const Folder& f, bool checkedOnDisk, bool* fresh,
                                                 SourceStats* stats) const;
    std::string OverviewPath() const;
    // Gathers the folder's records in columns [c0, c1) of the span.
    // scratch holds the folder's finest level when it is read; its records are read through
    // reader.
    void DrawFolder(const Folder& f, const ColumnSpan& span, int c0, int c1, bool read,
                    SummaryColumns* out, class ColumnGatherer* gather, SummaryLevel* scratch,
                    query::FolderReader* reader) const;
    // Gathers columns [c0, c1) of the span from the folders, in time order; false when cancel
    // became true (looked at a folder at a time).
    bool Gather(const std::vector<const Folder*>& folders, const ColumnSpan& span, int c0, int c1,
                bool read, SummaryColumns* out, ColumnGatherer* gather,
                const std::atomic<bool>* cancel) const;
    // Reads the finest level of a folder's summary held without it into *out, from the bytes
    // kept or its file; false when it no longer checks out or the file is no longer the summary
    // held (the folder is then summarised again by the next Summarise).
    bool FineLevel(const Folder& f, SummaryLevel* out) const;

    std::string dataFolder_;
    std::string summaryFolder_;             // native, ends in "/"
    std::atomic<int> summaryFolderFd_{-1};  // open once Summarise made the folder
    LogGroup group_;
    std::vector<std::string> channels_;
    std::vector<uint32_t> widths_;
    SummarySeconds from_ = 0;
    SummarySeconds to_ = 0;

    // The entries of the overview file, read by the first Summarise and let go at its end; each
    // is read as a summary when its folder is looked at.
    std::vector<char> overviewBytes_;
    OverviewEntries overview_;
    mutable std::mutex mutex_;  // guards folders_ and listedByOpen_
    std::vector<Folder> folders_;
    bool listedByOpen_ = false;  // folders_ as Open listed them, not yet summarised

    // Finest levels' bytes as read from their files, most recently used first; keyed by the
    // summary they belong to (held by the entry, so that the key stays unique). They are read
    // again each time they are drawn from: decoding is cheaper than holding them decoded, ten
    // times the size, and faulting in that memory on the first sight of a year.
    struct Fine {
        std::shared_ptr<const FolderSummary> summary;
        std::shared_ptr<const FineLevelBytes> level;
    };
    mutable std::mutex fineMutex_;  // guards the four below
    mutable std::list<Fine> fine_;
    mutable std::map<const FolderSummary*, std::list<Fine>::iterator> fineAt_;
    // Flat stems of folders whose finest level did not check out when it was read: the next
    // Summarise makes their summaries again.
    mutable std::set<std::string> damaged_;
    size_t fineMost_ = 4096;  // about 40 MB of a 1-second group of 20 channels
};
