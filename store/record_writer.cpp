#include "record_writer.h"

#include <cstdio>
#include <cstring>

#include "file_system.h"
#include "log_store.h"
#include "time_folder.h"

namespace {

// Writes v with at least `width` digits (zeros in front), as printf's "%0*hu" does.
char* PutDigits(unsigned v, int width, char* p) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < width) {
        digits[n++] = '0';
    }
    while (n > 0) {
        *p++ = digits[--n];
    }
    return p;
}

}  // namespace

bool ShouldRotateBlock(uint32_t length, uint32_t block, uint32_t period, uint32_t lastSeconds) {
    if (length < kMinRotateLength || block >= kLastBlock) {
        return false;
    }
    if (length >= kForceRotateLength) {
        return true;
    }
    // The recorder computes the share in 32-bit arithmetic; the product wraps for long periods.
    const uint32_t share = static_cast<uint32_t>((block + 1) * period) / 256;
    return lastSeconds >= share;
}

RecordWriter::RecordWriter(std::string dataFolder, uint32_t groupId, uint32_t interval,
                           std::string firstHeader, std::string secondHeader)
    : dataFolder_(std::move(dataFolder)),
      id_(groupId),
      depth_(DepthFromInterval(interval)),
      firstHeader_(std::move(firstHeader)),
      secondHeader_(std::move(secondHeader)) {}

RecordWriter::~RecordWriter() {
    Close();
}

bool RecordWriter::OpenFolder(const TimeKey& key) {
    std::string stem;
    if (!MakeStem(id_, key, kNestedSeparator, &stem) ||
        !CalendarToFileTime(KeyToTime(key), &folderStart_)) {
        return false;
    }
    const size_t slash = stem.rfind(kNestedSeparator);
    if (!storefs::MakeFolders(dataFolder_ + stem.substr(0, slash + 1))) {
        return false;
    }
    index_.SetDeviceSync(deviceSync_);
    blockFile_.SetDeviceSync(deviceSync_);
    if (!index_.Open((dataFolder_ + stem + ".idx").c_str(), false)) {
        return false;
    }
    const ElementArray& entries = index_.Elements();
    block_ = 0;
    if (entries.Count() > 0) {
        const auto* p = static_cast<const unsigned char*>(entries.Item(entries.Count() - 1));
        block_ = p[4];  // low byte of word 1
    }
    key_ = key;
    stem_ = stem;
    period_ = FolderPeriodSeconds(key);
    folderOpen_ = true;
    return true;
}

bool RecordWriter::OpenBlock() {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "(%X).csv", block_);
    return blockFile_.Open((dataFolder_ + stem_ + suffix).c_str(), false, firstHeader_.c_str(),
                           secondHeader_.c_str());
}

bool RecordWriter::CloseBlock() {
    if (!blockFile_.IsOpen()) {
        return true;
    }
    const bool ok =
        blockFile_.Buffer().Flushed() >= blockFile_.Buffer().Length() || blockFile_.Flush();
    blockFile_.Close();
    return ok;
}

bool RecordWriter::CloseFolder() {
    if (!folderOpen_) {
        return true;
    }
    bool ok = CloseBlock();
    if (index_.Elements().Flushed() < index_.Elements().Count() && !index_.Flush()) {
        ok = false;
    }
    index_.Close();
    folderOpen_ = false;
    return ok;
}

bool RecordWriter::Append(const CalendarTime& t, const char* values) {
    uint64_t at = 0;
    if (values == nullptr || !CalendarToFileTime(t, &at)) {
        return false;
    }
    const TimeKey key = KeyFromTime(t, depth_);
    if (!folderOpen_ || CompareKeys(key, key_, depth_) != 0) {
        if (!CloseFolder())
            failed_ = true;
        if (!OpenFolder(key)) {
            failed_ = true;
            return false;
        }
    }
    if (at < folderStart_) {
        return false;
    }
    const uint64_t seconds = (at - folderStart_) / kFileTimeUnitsPerSecond;
    if (seconds > kMaxEntrySeconds) {
        return false;
    }
    if (!blockFile_.IsOpen() && !OpenBlock()) {
        failed_ = true;
        return false;
    }
    TextBuffer& text = blockFile_.Buffer();
    if (text.Length() >= (1u << 24)) {
        return false;  // block 255 is full: offsets would not fit in 24 bits
    }
    const IndexEntry entry =
        IndexEntry::Make(static_cast<uint32_t>(seconds), text.Length(), block_);
    // "%04hu-%02hu-%02hu %02hu:%02hu:%02hu," by hand: printf's cost is a fifth of a sample
    // store's writing time.
    char stamp[32];
    char* p = PutDigits(t.year, 4, stamp);
    *p++ = '-';
    p = PutDigits(t.month, 2, p);
    *p++ = '-';
    p = PutDigits(t.day, 2, p);
    *p++ = ' ';
    p = PutDigits(t.hour, 2, p);
    *p++ = ':';
    p = PutDigits(t.minute, 2, p);
    *p++ = ':';
    p = PutDigits(t.second, 2, p);
    *p++ = ',';
    *p = '\0';
    unsigned char raw[8];
    for (int i = 0; i < 4; ++i) {
        raw[i] = static_cast<unsigned char>(entry.word0 >> (8 * i));
        raw[4 + i] = static_cast<unsigned char>(entry.word1 >> (8 * i));
    }
    if (!text.Append(stamp) || !text.AppendLine(values) || !index_.Elements().Append(raw, 1)) {
        failed_ = true;
        return false;
    }
    if (ShouldRotateBlock(text.Length(), block_, period_, static_cast<uint32_t>(seconds))) {
        if (!CloseBlock() ||
            (index_.Elements().Flushed() < index_.Elements().Count() && !index_.Flush())) {
            failed_ = true;
        }
        ++block_;
    }
    return true;
}

bool RecordWriter::Close() {
    if (!CloseFolder()) {
        failed_ = true;
    }
    const bool ok = !failed_;
    failed_ = false;
    return ok;
}

bool WriteRootIndex(const std::string& folder, const RootIndexEntry* entries, size_t count) {
    const std::string path = folder + kRootIndexName;
    storefs::RemoveFile(path);
    LogTextFile file;
    if (!file.Open(path.c_str(), false)) {
        return false;
    }
    char numbers[32];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(numbers, sizeof numbers, "=%u,%u", entries[i].id, entries[i].interval);
        file.Buffer().Append(entries[i].name.c_str(), static_cast<int64_t>(entries[i].name.size()));
        file.Buffer().AppendLine(numbers);
    }
    const bool ok = count == 0 || file.Flush();
    file.Close();
    return ok;
}
