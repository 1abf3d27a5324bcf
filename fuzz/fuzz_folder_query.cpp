// One partition folder of group 1 built from the input: its index and up to two block files,
// at a partition depth and folder key the input chooses (real or impossible dates alike). The
// store is then listed, exported item by item and queried over a range and interval the input
// also chooses.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calendar_time.h"
#include "export_writer.h"
#include "fuzz_support.h"
#include "log_store.h"
#include "store_api.h"
#include "time_folder.h"
#include "time_key.h"

namespace {

using fuzzsupport::ByteReader;

// Record intervals that give each partition depth.
constexpr uint32_t kIntervalForDepth[4] = {1296000, 43200, 1800, 1};
constexpr uint16_t kYears[8] = {2011, 2012, 1601, 30827, 2100, 0, 65535, 1999};

enum Flags : uint8_t {
    kSynthesizedIndex = 1 << 2,  // entries point at line starts of the blocks
    kBlock0 = 1 << 3,
    kBlock1 = 1 << 4,
    kStopEarly = 1 << 5,
    kSecondQuery = 1 << 6,
};

struct Scratch {
    std::string root;  // native, ends in "/"
    std::string data;  // store path of the data folder
    std::string staging;
    int devNull = -1;
};

const Scratch& Folders() {
    static const Scratch* scratch = [] {
        auto* s = new Scratch;
        s->root = fuzzsupport::ScratchRoot();
        s->data = s->root + "DL/";
        s->staging = s->root + "DLTemp/";
        fuzzsupport::MakeFolders(s->data);
        fuzzsupport::MakeFolders(s->staging);
        s->devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        FUZZ_CHECK(s->devNull >= 0);
        return s;
    }();
    return *scratch;
}

std::string Native(std::string storePath) {
    for (char& c : storePath) {
        if (c == '\\')
            c = '/';
    }
    return storePath;
}

// Index bytes whose entries point at the starts of lines of the two blocks: each pair of input
// bytes adds seconds and picks a block and how many lines to move on in it.
std::vector<uint8_t> SynthesizeIndex(const uint8_t* plan, size_t planLength,
                                     const std::vector<uint8_t>* blocks[2]) {
    std::vector<uint32_t> starts[2];
    for (int b = 0; b < 2; ++b) {
        if (blocks[b] == nullptr)
            continue;
        starts[b].push_back(0);
        for (size_t i = 0; i < blocks[b]->size(); ++i) {
            if ((*blocks[b])[i] == '\n')
                starts[b].push_back(static_cast<uint32_t>(i + 1));
        }
    }
    std::vector<uint8_t> index;
    uint32_t seconds = 0;
    size_t cursor[2] = {0, 0};
    for (size_t i = 0; i + 1 < planLength; i += 2) {
        const uint8_t step = plan[i];
        const uint8_t how = plan[i + 1];
        seconds += how & 0x80 ? static_cast<uint32_t>(step) << 8 : step;
        const int block = how & 1;
        cursor[block] += (how >> 1) & 7;
        const uint32_t offset = cursor[block] < starts[block].size()
                                    ? starts[block][cursor[block]]
                                    : static_cast<uint32_t>(cursor[block] * 16);
        const IndexEntry e = IndexEntry::Make(seconds & kMaxEntrySeconds, offset, block);
        for (int k = 0; k < 4; ++k)
            index.push_back(static_cast<uint8_t>(e.word0 >> (8 * k)));
        for (int k = 0; k < 4; ++k)
            index.push_back(static_cast<uint8_t>(e.word1 >> (8 * k)));
    }
    return index;
}

// A valid calendar time close to the folder start (the start itself when the key is a real
// date), so that queries reach folders with impossible keys too.
uint64_t NearFolderStart(const TimeKey& key) {
    CalendarTime t = KeyToTime(key);
    if (t.year < 1601)
        t.year = 1601;
    if (t.year > 30827)
        t.year = 30827;
    if (t.month < 1)
        t.month = 1;
    if (t.month > 12)
        t.month = 12;
    if (t.day < 1)
        t.day = 1;
    if (t.day > DaysInMonth(t.year, t.month))
        t.day = static_cast<uint16_t>(DaysInMonth(t.year, t.month));
    if (t.hour > 23)
        t.hour = 23;
    uint64_t ft = 0;
    FUZZ_CHECK(CalendarToFileTime(t, &ft));
    return ft;
}

bool ToCalendar(int64_t seconds, CalendarTime* t) {
    return seconds >= 0 &&
           FileTimeToCalendar(static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, t);
}

void CheckText(const char* text, uint32_t length) {
    volatile unsigned sum = 0;
    for (uint32_t i = 0; i < length; ++i)
        sum = sum + static_cast<unsigned char>(text[i]);
}

struct ListResult {
    std::string text;
    int leaf = -1;
    int calls = 0;
};

void CollectItems(void* context, const char* text, uint32_t length, int leaf) {
    auto* r = static_cast<ListResult*>(context);
    r->text.assign(text, length);
    r->leaf = leaf;
    ++r->calls;
}

struct ExportResult {
    ExportWriter writer;
    uint32_t chunks = 0;
};

void CollectChunk(void* context, const char* text, uint32_t length) {
    auto* r = static_cast<ExportResult*>(context);
    FUZZ_CHECK(length > 0);
    CheckText(text, length);
    ++r->chunks;
    ExportWriter::ChunkCallback(&r->writer, text, length);
}

struct QueryResult {
    uint32_t lines = 0;
    uint32_t stopAfter = 0;  // 0: never stop
    std::string text;        // every line with a "\n" after it
};

void CollectLine(void* context, const char* line, uint32_t length, int* stop) {
    auto* r = static_cast<QueryResult*>(context);
    FUZZ_CHECK(*stop == 0);
    CheckText(line, length);
    // Lines come without their line end.
    FUZZ_CHECK(std::memchr(line, '\n', length) == nullptr);
    r->text.append(line, length);
    r->text += '\n';
    ++r->lines;
    if (r->stopAfter != 0 && r->lines >= r->stopAfter)
        *stop = 1;
}

// Stored runs: whole lines, each ended by its stored "\n", un-inverted into text.
void CollectRun(void* context, const char* stored, uint32_t length, uint32_t lines, int* stop) {
    auto* r = static_cast<QueryResult*>(context);
    FUZZ_CHECK(*stop == 0 && lines > 0 && length >= lines);
    FUZZ_CHECK(static_cast<unsigned char>(stored[length - 1]) == static_cast<unsigned char>(~'\n'));
    for (uint32_t i = 0; i < length; ++i)
        r->text += static_cast<char>(~static_cast<unsigned char>(stored[i]));
    r->lines += lines;
}

void ListTree(const TimeKey& key, int depth) {
    // Every tree position from the years down to the folder itself, with and without blocks.
    for (int level = 0; level <= depth + 1; ++level) {
        std::string path;
        for (int i = 0; i < level; ++i) {
            char field[8];
            std::snprintf(field, sizeof field, i == 0 ? "%04hu" : "%02hu", key.value[i]);
            if (i > 0)
                path += '\\';
            path += field;
        }
        for (bool blocks : {false, true}) {
            ListResult r;
            const bool ok = StoreListItems(kDataRecords, "g", level == 0 ? nullptr : path.c_str(),
                                           &r, CollectItems, blocks);
            FUZZ_CHECK(ok == (r.calls == 1));
            if (!ok)
                continue;
            FUZZ_CHECK(level <= depth);
            FUZZ_CHECK(r.leaf == (level == depth ? 1 : 0));
            FUZZ_CHECK(!r.text.empty() && r.text.back() == '\n');
        }
    }
}

void ExportItems(const TimeKey& key, int depth, uint8_t extraBlock) {
    std::string item;
    FUZZ_CHECK(MakeStem(1, key, kNestedSeparator, &item));
    item.erase(0, item.find(kNestedSeparator) + 1);
    const std::string items[] = {item, item + "(0)", item + "(1)", item + "(2)",
                                 item + "(" + std::to_string(extraBlock % 16) + ")"};
    for (const std::string& path : items) {
        ExportResult r;
        r.writer.SetDescriptor(Folders().devNull, ExportWriter::Encoding::kInverted);
        const bool ok = StoreExportItem(kDataRecords, "G", path.c_str(), &r, CollectChunk);
        FUZZ_CHECK(ok == (r.chunks > 0));
        FUZZ_CHECK(r.writer.Finish());
        FUZZ_CHECK(r.writer.Chunks() == r.chunks);
        (void)depth;
    }
    // Stopping after the first block.
    ExportResult r;
    r.writer.SetDescriptor(Folders().devNull, ExportWriter::Encoding::kPlain);
    int stop = 1;
    StoreExportItem(kDataRecords, "G", item.c_str(), &r, CollectChunk, &stop);
    FUZZ_CHECK(r.chunks == 0);
}

void CheckFolder(const TimeKey& key, uint32_t from, uint32_t to) {
    std::string stem;
    FUZZ_CHECK(MakeStem(1, key, kNestedSeparator, &stem));
    TimeFolder folder(Folders().data);
    if (!folder.OpenFolder(stem.c_str())) {
        return;
    }
    const uint32_t count = folder.EntryCount();
    FUZZ_CHECK(count > 0);
    FUZZ_CHECK(folder.BlockCount() == folder.Entry(count - 1).Block() + 1);
    bool sorted = true;
    for (uint32_t i = 1; i < count && sorted; ++i) {
        sorted = folder.Entry(i - 1).Seconds() <= folder.Entry(i).Seconds();
    }
    const int64_t found = folder.FindFirst(from, to);
    if (sorted) {
        // The first entry at or after from, when it is not after to.
        int64_t expected = kNoEntry;
        for (uint32_t i = 0; i < count; ++i) {
            if (folder.Entry(i).Seconds() >= from) {
                if (folder.Entry(i).Seconds() <= to)
                    expected = i;
                break;
            }
        }
        FUZZ_CHECK(found == expected);
    } else {
        FUZZ_CHECK(found == kNoEntry || found < static_cast<int64_t>(count));
    }
    BlockReader reader;
    for (uint32_t i = 0; i < count && i < 64; ++i) {
        const char* line = nullptr;
        uint32_t length = 0;
        if (folder.LineAt(i, &reader, &line, &length)) {
            CheckText(line, length);
            FUZZ_CHECK(std::memchr(line, '\n', length) == nullptr);
        }
    }
    TextBuffer text;
    for (uint32_t n = 0; n < folder.BlockCount() && n < 3; ++n) {
        if (folder.ReadBlock(n, &text))
            CheckText(text.Data(), text.Length());
    }
    folder.CloseFolder();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) {
        return 0;
    }
    const Scratch& scratch = Folders();
    ByteReader in(data, size);
    const uint8_t flags = in.U8();
    const int depth = flags & 3;
    TimeKey key;
    key.count = static_cast<uint16_t>(depth);
    const uint8_t y = in.U8();
    const uint8_t m = in.U8();
    const uint8_t d = in.U8();
    const uint8_t h = in.U8();
    key.value[0] = kYears[y & 7];
    if (depth >= 1)
        key.value[1] = static_cast<uint16_t>(m == 0xFF ? 0 : 1 + m % 13);
    if (depth >= 2)
        key.value[2] = static_cast<uint16_t>(d == 0xFF ? 0 : 1 + d % 32);
    if (depth >= 3)
        key.value[3] = static_cast<uint16_t>(h % 25);
    const int32_t startOffset = static_cast<int32_t>(in.U32());
    const int32_t span = static_cast<int32_t>(in.U32());
    uint32_t interval = in.U32();
    if ((interval >> 24) != 0xFF)
        interval &= 0xFFFF;  // mostly small grids, now and then huge
    const uint8_t stopAfter = in.U8();
    const uint8_t extraBlock = in.U8();
    const uint16_t indexLength = in.U16();
    const uint16_t block0Length = in.U16();

    size_t taken = 0;
    const uint8_t* indexPart = in.Bytes(indexLength, &taken);
    const size_t indexTaken = taken;
    const uint8_t* block0Part = in.Bytes(block0Length, &taken);
    const std::vector<uint8_t> block0(block0Part, block0Part + taken);
    const uint8_t* block1Part = in.Rest(&taken);
    const std::vector<uint8_t> block1(block1Part, block1Part + taken);

    // Lay out the group's files afresh. The folders of the last input are kept when the key is
    // the same: creating folders is the slowest part of an iteration.
    static std::string lastBase;
    std::string stem;
    FUZZ_CHECK(MakeStem(1, key, kNestedSeparator, &stem));
    const std::string base = scratch.data + Native(stem);
    if (base != lastBase) {
        fuzzsupport::RemoveTree(scratch.data + "1");
        fuzzsupport::MakeFolders(base.substr(0, base.rfind('/')));
        lastBase = base;
    } else {
        for (const char* suffix : {".idx", "(0).csv", "(1).csv"}) {
            unlink((base + suffix).c_str());
        }
    }
    unlink((scratch.staging + kRootIndexName).c_str());
    const std::vector<uint8_t>* blocks[2] = {flags & kBlock0 ? &block0 : nullptr,
                                             flags & kBlock1 ? &block1 : nullptr};
    if (flags & kSynthesizedIndex) {
        const std::vector<uint8_t> index = SynthesizeIndex(indexPart, indexTaken, blocks);
        fuzzsupport::WriteInvertedFile(base + ".idx", index.data(), index.size());
    } else {
        fuzzsupport::WriteInvertedFile(base + ".idx", indexPart, indexTaken);
    }
    for (int b = 0; b < 2; ++b) {
        if (blocks[b] != nullptr) {
            fuzzsupport::WriteInvertedFile(base + "(" + std::to_string(b) + ").csv",
                                           blocks[b]->data(), blocks[b]->size());
        }
    }
    const std::string rootIndex = "G=1," + std::to_string(kIntervalForDepth[depth]) + "\n";
    fuzzsupport::WriteInvertedFile(scratch.data + kRootIndexName,
                                   reinterpret_cast<const uint8_t*>(rootIndex.data()),
                                   rootIndex.size());

    FUZZ_CHECK(StoreOpen(kDataRecords, scratch.data.c_str(), scratch.staging.c_str()));
    ListTree(key, depth);
    ExportItems(key, depth, extraBlock);

    const int64_t near = static_cast<int64_t>(NearFolderStart(key) / kFileTimeUnitsPerSecond);
    CalendarTime start;
    CalendarTime end;
    const int64_t startSeconds = near + startOffset / 16;
    if (ToCalendar(startSeconds, &start) && ToCalendar(startSeconds + span / 16, &end)) {
        QueryResult r;
        r.stopAfter = flags & kStopEarly ? stopAfter : 0;
        const bool hit = StoreQuery(kDataRecords, "g", &start, &end, interval, &r, CollectLine);
        if (r.lines > 0) {
            // Header lines come first and are only delivered with a record.
            FUZZ_CHECK(hit);
            FUZZ_CHECK(r.lines >= 3 || (r.stopAfter != 0 && r.lines == r.stopAfter));
        }
        if (r.stopAfter != 0) {
            FUZZ_CHECK(r.lines <= r.stopAfter);
        } else {
            // The stored runs hold exactly the lines, each with its "\n".
            QueryResult runs;
            FUZZ_CHECK(StoreQueryRuns(kDataRecords, "g", &start, &end, interval, &runs,
                                      CollectRun) == hit);
            FUZZ_CHECK(runs.lines == r.lines && runs.text == r.text);
        }
        if (flags & kSecondQuery) {
            // The whole folder, every record.
            CalendarTime all = start;
            all.year = 1601;
            all.month = 1;
            all.day = 1;
            CalendarTime last = end;
            last.year = 30827;
            last.month = 12;
            last.day = 31;
            last.hour = 23;
            QueryResult everything;
            StoreQuery(kDataRecords, "G", &all, &last, 0, &everything, CollectLine);
        }
        const uint64_t folderStart = NearFolderStart(key) / kFileTimeUnitsPerSecond;
        const int64_t from = startSeconds - static_cast<int64_t>(folderStart);
        const int64_t to = from + span / 16;
        if (from >= 0 && to >= 0 && from <= UINT32_MAX && to <= UINT32_MAX) {
            CheckFolder(key, static_cast<uint32_t>(from), static_cast<uint32_t>(to));
        }
    }
    FUZZ_CHECK(StoreClose(kDataRecords));
    return 0;
}
