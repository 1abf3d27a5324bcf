#include "cli_commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "calendar_time.h"
#include "cli.h"
#include "cli_system.h"
#include "cli_text.h"
#include "export_writer.h"
#include "file_system.h"
#include "log_store.h"
#include "store_api.h"
#include "store_slots.h"
#include "time_key.h"

namespace cli {
namespace {

const char* DepthPattern(int depth) {
    static const char* const kPatterns[] = {"YYYY", "YYYY\\MM", "YYYY\\MM\\DD", "YYYY\\MM\\DD\\HH"};
    return depth >= 0 && depth <= 3 ? kPatterns[depth] : "?";
}

// True when the path names a folder; *id receives its identity.
bool IsFolder(const std::string& path, storefs::FileIdentity* id) {
    return storefs::KindOf(path, nullptr, storefs::Names::kExact) == storefs::EntryKind::kFolder &&
           storefs::IdentityOf(path, id);
}

std::string WithSlash(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

// One opened store slot and its staging folder; closes the slot and removes a private staging
// folder when it goes out of scope.
class StoreSession {
  public:
    StoreSession() = default;
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;
    ~StoreSession() {
        if (open_)
            StoreClose(kDataRecords);
        if (!privateStaging_.empty()) {
            RemoveOnEnding(std::string(), std::string());
            std::error_code ignored;
            std::filesystem::remove_all(privateStaging_, ignored);
        }
    }

    // Returns 0, or the exit status after saying why.
    int Open(const Arguments& args, std::FILE* err) {
        const std::string& store = args.value[kStore];
        store_ = store;
        storefs::FileIdentity storeId;
        if (!IsFolder(store, &storeId)) {
            Say(err, "no such folder: %s", store.c_str());
            return 1;
        }
        if (store.size() + 1 > storefs::kMaxPath) {
            Say(err, "store path too long (at most %zu bytes): %s", storefs::kMaxPath - 1,
                store.c_str());
            return 1;
        }
        std::string staging;
        if (args.Has(kStaging)) {
            staging = args.value[kStaging];
            storefs::FileIdentity stagingId;
            if (!IsFolder(staging, &stagingId)) {
                if (!storefs::MakeFolders(staging) || !IsFolder(staging, &stagingId)) {
                    Say(err, "cannot create staging folder %s: %s", staging.c_str(),
                        std::strerror(errno));
                    return 1;
                }
            }
            if (stagingId == storeId) {
                return UsageError(err, "the staging folder must not be the data folder");
            }
        } else {
            std::string tried;
            int error = 0;
            staging = MakePrivateFolder("histavue-cli-", &tried, &error);
            if (staging.empty()) {
                Say(err, "cannot create a staging folder %s: %s", tried.c_str(),
                    std::strerror(error));
                return 1;
            }
            privateStaging_ = staging;
            RemoveOnEnding(WithSlash(staging) + kRootIndexName, staging);
        }
        if (staging.size() + 1 > storefs::kMaxPath) {
            Say(err, "staging path too long (at most %zu bytes): %s", storefs::kMaxPath - 1,
                staging.c_str());
            return 1;
        }
        // The recorder may have added groups since the staging copy was made: the data
        // folder's root index replaces it, as the viewer does before it opens a store.
        const std::string dataIndex = WithSlash(store) + kRootIndexName;
        const std::string stagingIndex = WithSlash(staging) + kRootIndexName;
        dataIndexMissing_ = !storefs::FileExists(dataIndex);
        if (!dataIndexMissing_) {
            storefs::FileIdentity a, b;
            if (storefs::IdentityOf(dataIndex, &a) && storefs::IdentityOf(stagingIndex, &b) &&
                a == b) {
                return UsageError(err, "the staging root index is the data folder's own");
            }
            // A staging copy held by another program (a running viewer) is left alone.
            const int lock =
                storefs::OpenExclusive(stagingIndex, storefs::OpenMode::kExistingReadWrite);
            if (lock < 0 && storefs::FileExists(stagingIndex)) {
                Say(err, "staging folder in use: %s is held by another program",
                    stagingIndex.c_str());
                return 1;
            }
            // Let go before the copy replaces it: an open file cannot be replaced everywhere.
            storefs::CloseFile(lock);
            const bool copied = storefs::CopyFile(dataIndex, stagingIndex, true);
            if (!copied) {
                Say(err, "cannot copy %s into the staging folder %s", dataIndex.c_str(),
                    staging.c_str());
                return 1;
            }
        }
        if (!StoreOpen(kDataRecords, store.c_str(), staging.c_str())) {
            Say(err, "cannot open the store %s (staging folder %s not writable or in use)",
                store.c_str(), staging.c_str());
            return 1;
        }
        open_ = true;
        return 0;
    }

    LogStore* Store() const { return SlotStore(kDataRecords); }
    bool DataIndexMissing() const { return dataIndexMissing_; }

    // Finds the group of a name typed in the terminal's encoding (converted to the store's) or
    // given as stored, or says why not; also refuses a group whose folders cannot be opened.
    // The converted name comes first. Its bytes as stored are tried when it names no group (a
    // script passing stored names); when both name a group and not the same, the name is
    // refused: the group it shows as and the group its bytes name would both be meant.
    const LogGroup* Group(const std::string& name, NameCodec* names, bool needFolders,
                          std::FILE* err) const {
        const std::string stored = names->Stored(name);
        const LogGroup* converted = stored.empty() ? nullptr : Store()->FindGroup(stored.c_str());
        const LogGroup* asStored = Store()->FindGroup(name.c_str());
        if (converted != nullptr && asStored != nullptr && converted != asStored) {
            const std::string other = names->Shown(asStored->name);
            Say(err,
                "group name '%s' could mean two groups: '%s', and '%s' whose stored name has the "
                "bytes typed; type '%s' or add --raw-names for the second",
                name.c_str(), names->Shown(converted->name).c_str(), other.c_str(), other.c_str());
            return nullptr;
        }
        const LogGroup* group = converted != nullptr ? converted : asStored;
        if (group == nullptr) {
            if (dataIndexMissing_) {
                Say(err, "no groups: %s has no %s", store_.c_str(), kRootIndexName);
            } else {
                Say(err, "group not found: %s", name.c_str());
            }
            return nullptr;
        }
        if (needFolders && group->id == 0) {
            Say(err, "group %s has id 0: its folders cannot be read", name.c_str());
            return nullptr;
        }
        return group;
    }

  private:
    bool open_ = false;
    bool dataIndexMissing_ = false;
    std::string store_;
    std::string privateStaging_;
};

bool WriteText(std::FILE* out, const char* text, size_t length) {
    return std::fwrite(text, 1, length, out) == length;
}

struct TextSink {
    std::FILE* out;
    NameCodec* names = nullptr;  // lines of names, shown in the terminal's encoding
    bool ok = true;
};

void TextCallback(void* context, const char* text, uint32_t length) {
    TextSink* sink = static_cast<TextSink*>(context);
    if (sink->names == nullptr) {
        sink->ok = WriteText(sink->out, text, length) && sink->ok;
        return;
    }
    for (std::string_view rest(text, length); !rest.empty();) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        const std::string shown = sink->names->Shown(std::string(rest.substr(0, end)));
        sink->ok = WriteText(sink->out, shown.data(), shown.size()) && sink->ok;
        if (end < rest.size())
            sink->ok = WriteText(sink->out, "\n", 1) && sink->ok;
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
}

void ItemsCallback(void* context, const char* text, uint32_t length, int /*leaf*/) {
    TextCallback(context, text, length);
}

int RunGroups(const Arguments& args, StoreSession& session, NameCodec& names, std::FILE* out,
              std::FILE* err) {
    const std::vector<LogGroup>& groups = session.Store()->Groups();
    if (groups.empty()) {
        if (session.DataIndexMissing()) {
            Say(err, "no groups: %s has no %s", args.value[kStore].c_str(), kRootIndexName);
        } else {
            Say(err, "no groups in %s", args.value[kStore].c_str());
        }
        return 1;
    }
    if (!args.Has(kLong)) {
        TextSink sink{out, &names};
        if (!StoreListGroups(kDataRecords, &sink, &TextCallback)) {
            Say(err, "no groups in %s", args.value[kStore].c_str());
            return 1;
        }
        return FinishOutput(out, err);
    }
    for (const LogGroup& g : groups) {
        const std::string shown = names.Shown(g.name);
        WriteText(out, shown.data(), shown.size());
        std::fprintf(out, "\t%X\t%u\t%d\n", g.id, g.interval, g.depth);
    }
    return FinishOutput(out, err);
}

int RunList(const Arguments& args, StoreSession& session, NameCodec& names, std::FILE* out,
            std::FILE* err) {
    const std::string& name = args.value[kGroup];
    const LogGroup* group = session.Group(name, &names, false, err);
    if (group == nullptr)
        return 1;
    std::string path;
    ParsedStem parsed;
    if (args.Has(kPath)) {
        path = StorePathText(args.value[kPath]);
        if (!ParseStem(path, kNestedSeparator, false, false, &parsed)) {
            return UsageError(err, "malformed tree path '" + args.value[kPath] +
                                       "' (expected YYYY, YYYY\\MM, YYYY\\MM\\DD ...)");
        }
    }
    TextSink sink{out};
    if (!StoreListItems(kDataRecords, group->name.c_str(), path.empty() ? nullptr : path.c_str(),
                        &sink, &ItemsCallback, args.Has(kBlocks))) {
        if (!path.empty() && parsed.key.count == group->depth) {
            Say(err, "%s is a deepest-level folder of group %s (%s): it has no children",
                path.c_str(), name.c_str(), DepthPattern(group->depth));
        } else if (!path.empty() && parsed.key.count > group->depth) {
            Say(err, "%s is below the deepest level of group %s (%s)", path.c_str(), name.c_str(),
                DepthPattern(group->depth));
        } else if (path.empty()) {
            Say(err, "group %s has no folders", name.c_str());
        } else {
            Say(err, "nothing under %s in group %s", path.c_str(), name.c_str());
        }
        return 1;
    }
    return FinishOutput(out, err);
}

// Points the writer at --out, or at out (plain) when there is none.
void AimWriter(const Arguments& args, std::FILE* out, ExportWriter* writer) {
    if (args.Has(kOut)) {
        writer->SetTarget(args.value[kOut], args.Has(kPlain) ? ExportWriter::Encoding::kPlain
                                                             : ExportWriter::Encoding::kInverted);
        writer->SetNames(storefs::Names::kExact);  // a path the user gave
    } else {
        std::fflush(out);
        writer->SetDescriptor(fileno(out), ExportWriter::Encoding::kPlain);
    }
}

// Refuses an output file that would land in the data folder, which is never written.
int CheckOutputPath(const Arguments& args, std::FILE* err) {
    if (!args.Has(kOut))
        return 0;
    const std::string& outPath = args.value[kOut];
    if (outPath.size() > storefs::kMaxPath) {
        Say(err, "output path too long (at most %zu bytes): %s", storefs::kMaxPath,
            outPath.c_str());
        return 1;
    }
    std::error_code ec;
    const std::filesystem::path parent =
        std::filesystem::absolute(std::filesystem::path(outPath), ec).parent_path();
    const std::filesystem::path outFolder = std::filesystem::canonical(parent, ec);
    if (ec)
        return 0;  // the writer reports a folder that does not exist
    const std::filesystem::path store = std::filesystem::canonical(args.value[kStore], ec);
    if (ec)
        return 0;
    const std::string a = WithSlash(outFolder.string());
    const std::string b = WithSlash(store.string());
    if (a.compare(0, b.size(), b) == 0) {
        return UsageError(err, "the output file must not be inside the data folder");
    }
    return 0;
}

// Says how many record lines the store left out because they end their block without a line
// end: a block copied short, or the line the panel is writing.
void SayLeftOut(const StoreLeftOut& left, std::FILE* err) {
    const uint32_t n = left.unendedLines;
    if (n > 0) {
        Say(err,
            "left out %u record line%s without a line end at the end of a block (the copy was "
            "cut short, or the panel is writing it now)",
            n, n == 1 ? "" : "s");
    }
}

// Finishes the writer after the store call; on a failure nothing is left behind.
int CompleteExport(const Arguments& args, bool delivered, ExportWriter* writer,
                   const std::string& nothingReason, std::FILE* err) {
    if (!delivered) {
        writer->Discard();
        Say(err, "%s", nothingReason.c_str());
        return 1;
    }
    if (!writer->Finish()) {
        writer->Discard();
        if (args.Has(kOut)) {
            Say(err, "cannot write %s (not writable, or held open by another program)",
                args.value[kOut].c_str());
        } else {
            Say(err, "cannot write to standard output");
        }
        return 1;
    }
    return 0;
}

// The store callbacks of an export or query: straight into the writer, or through a conversion
// to UTF-8 (--encoding). False after saying why when the conversion is not available.
struct Delivery {
    Delivery(const Arguments& args, ExportWriter* writer)
        : utf8(writer), toUtf8(args.Has(kEncoding)) {}
    Utf8Export utf8;
    bool toUtf8;
    void* Context(ExportWriter* writer) { return toUtf8 ? static_cast<void*>(&utf8) : writer; }
    bool Ready(std::FILE* err) const {
        if (toUtf8 && !utf8.Valid()) {
            Say(err, "cannot convert to UTF-8: this system's iconv has no GB18030");
            return false;
        }
        return true;
    }
};

int RunExport(const Arguments& args, StoreSession& session, NameCodec& names, std::FILE* out,
              std::FILE* err) {
    const std::string& name = args.value[kGroup];
    const std::string item = StorePathText(args.value[kItem]);
    ParsedStem parsed;
    if (!ParseStem(item, kNestedSeparator, false, true, &parsed)) {
        return UsageError(err, "malformed item '" + args.value[kItem] +
                                   "' (expected a folder such as 2024\\03\\15 or a block such "
                                   "as 2024\\03\\15(2))");
    }
    if (int status = CheckOutputPath(args, err))
        return status;
    const LogGroup* group = session.Group(name, &names, true, err);
    if (group == nullptr)
        return 1;
    if (parsed.key.count != group->depth) {
        Say(err, "%s is not a deepest-level folder of group %s (expected %s)", item.c_str(),
            name.c_str(), DepthPattern(group->depth));
        return 1;
    }
    ExportWriter writer;
    Delivery delivery(args, &writer);
    if (!delivery.Ready(err))
        return 1;
    AimWriter(args, out, &writer);
    StoreLeftOut left;
    const bool ok =
        StoreExportItem(kDataRecords, group->name.c_str(), item.c_str(), delivery.Context(&writer),
                        delivery.toUtf8 ? &Utf8Export::ChunkCallback : &ExportWriter::ChunkCallback,
                        nullptr, &left);
    SayLeftOut(left, err);
    const std::string reason = parsed.block >= 0
                                   ? "no records in block " + item + " of group " + name
                                   : "no records in " + item + " of group " + name;
    return CompleteExport(args, ok && writer.Chunks() > 0, &writer, reason, err);
}

int RunQuery(const Arguments& args, StoreSession& session, NameCodec& names, std::FILE* out,
             std::FILE* err) {
    const std::string& name = args.value[kGroup];
    CalendarTime from, to;
    uint32_t interval = 0;
    if (!ParseTime(args.value[kFrom], &from)) {
        return UsageError(err, "invalid time for --from: '" + args.value[kFrom] +
                                   "' (expected 'YYYY-MM-DD HH:MM[:SS]', a real date and time)");
    }
    if (!ParseTime(args.value[kTo], &to)) {
        return UsageError(err, "invalid time for --to: '" + args.value[kTo] +
                                   "' (expected 'YYYY-MM-DD HH:MM[:SS]', a real date and time)");
    }
    if (args.Has(kInterval) && !ParseInterval(args.value[kInterval], &interval)) {
        return UsageError(err, "invalid --interval '" + args.value[kInterval] +
                                   "' (expected a whole number of seconds, 0 to 4294967295)");
    }
    if (int status = CheckOutputPath(args, err))
        return status;
    const LogGroup* group = session.Group(name, &names, true, err);
    if (group == nullptr)
        return 1;
    ExportWriter writer;
    Delivery delivery(args, &writer);
    if (!delivery.Ready(err))
        return 1;
    AimWriter(args, out, &writer);
    ReadProblem problem;
    StoreLeftOut left;
    const bool ok = StoreQueryRuns(
        kDataRecords, group->name.c_str(), &from, &to, interval, delivery.Context(&writer),
        delivery.toUtf8 ? &Utf8Export::RunCallback : &ExportWriter::RunCallback, &problem, &left);
    SayLeftOut(left, err);
    if (problem.Any()) {
        // What could be read is kept; the status tells that it is not all there is.
        if (writer.Lines() == 0)
            writer.Discard();
        else if (int status = CompleteExport(args, true, &writer, std::string(), err))
            return status;
        Say(err, "not every record between %s and %s in group %s could be read: %s",
            CalendarTimeText(from).c_str(), CalendarTimeText(to).c_str(), name.c_str(),
            ReadProblemText(problem).c_str());
        return 1;
    }
    std::string reason;
    if (CompareCalendarTimes(from, to) > 0) {
        reason =
            "start time " + CalendarTimeText(from) + " is after end time " + CalendarTimeText(to);
    } else if (ok) {
        // Index entries in range, but not one of their lines could be read.
        reason = "records indexed between " + CalendarTimeText(from) + " and " +
                 CalendarTimeText(to) + " in group " + name +
                 " cannot be read (block files missing or damaged)";
    } else {
        reason = "no records between " + CalendarTimeText(from) + " and " + CalendarTimeText(to) +
                 " in group " + name;
    }
    return CompleteExport(args, ok && writer.Lines() > 0, &writer, reason, err);
}

}  // namespace

int FinishOutput(std::FILE* out, std::FILE* err) {
    if (std::fflush(out) != 0 || std::ferror(out)) {
        Say(err, "cannot write the output");
        return 1;
    }
    return 0;
}

int RunStoreCommand(const Arguments& args, std::FILE* out, std::FILE* err) {
    StoreSession session;
    if (int status = session.Open(args, err)) {
        return status;
    }
    std::vector<std::string> stored;
    for (const LogGroup& g : session.Store()->Groups())
        stored.push_back(g.name);
    NameCodec names(NamesCodePage(stored), TerminalCodeset(), args.Has(kRawNames));
    const std::string command = args.command->name;
    if (command == "groups")
        return RunGroups(args, session, names, out, err);
    if (command == "list")
        return RunList(args, session, names, out, err);
    if (command == "export")
        return RunExport(args, session, names, out, err);
    return RunQuery(args, session, names, out, err);
}

int RunCat(const std::string& path, std::FILE* out, std::FILE* err) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        Say(err, "cannot read %s: %s", path.c_str(), std::strerror(errno));
        return 1;
    }
    std::vector<char> buffer(65536);
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        if (n == 0)
            break;
        storefs::InvertBytes(buffer.data(), buffer.data(), n);
        if (!WriteText(out, buffer.data(), n)) {
            ok = false;
            break;
        }
    }
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    if (readError) {
        Say(err, "cannot read %s", path.c_str());
        return 1;
    }
    if (!ok) {
        Say(err, "cannot write the output");
        return 1;
    }
    return FinishOutput(out, err);
}

}  // namespace cli
