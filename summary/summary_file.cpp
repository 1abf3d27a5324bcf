#include "summary_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "file_system.h"

const char kSummaryMagic[8] = {'H', 'V', 'S', 'U', 'M', 'M', 'R', 'Y'};

namespace {

// Sizes of the fixed parts (FORMAT.md).
constexpr size_t kHeaderSize = 80;  // up to and including the index's size and time
constexpr size_t kSourceSize = 16;  // i64 size + i64 modification time
constexpr size_t kLevelSize = 8;    // u32 width + u32 bucket count
constexpr size_t kBucketSize = 12;  // u32 records + 2 x u16 offsets + u32 flags
constexpr size_t kCellSize = 48;    // 4 x f64 + u32 count + 4 x u16 offsets + u16 flags + u16 0
constexpr size_t kChecksumSize = 8;
constexpr uint32_t kMostChannels = 65536;
constexpr uint32_t kMostLevels = 8;
constexpr uint32_t kMostBlocks = 256;
constexpr uint16_t kOrderly = 1;
constexpr uint32_t kSplit = 1;
constexpr uint16_t kKnownCellFlags = kStartsWithValue | kEndsWithValue | kInnerBreak;

// FNV-1a, 64 bits, taken over little-endian 64-bit words (the last one filled up with zero
// bytes): enough to tell a damaged file from a whole one, and eight times as quick as bytewise.
uint64_t Checksum(const char* p, size_t n) {
    uint64_t h = 14695981039346656037ULL;
    const auto mix = [&h](uint64_t word) {
        h ^= word;
        h *= 1099511628211ULL;
    };
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word = 0;
        for (size_t k = 0; k < 8; ++k)
            word |= uint64_t{static_cast<unsigned char>(p[i + k])} << (8 * k);
        mix(word);
    }
    if (i < n) {
        uint64_t word = 0;
        for (size_t k = 0; i + k < n; ++k)
            word |= uint64_t{static_cast<unsigned char>(p[i + k])} << (8 * k);
        mix(word);
    }
    return h;
}

class Out {
  public:
    explicit Out(std::string* s) : s_(s) {}
    void Bytes(const void* p, size_t n) { s_->append(static_cast<const char*>(p), n); }
    template <class T>
    void Le(T v, size_t n = sizeof(T)) {
        uint64_t u = static_cast<uint64_t>(v);
        for (size_t i = 0; i < n; ++i, u >>= 8)
            s_->push_back(static_cast<char>(u & 0xFF));
    }
    void F64(double v) {
        uint64_t u = 0;
        std::memcpy(&u, &v, 8);
        Le(u);
    }

  private:
    std::string* s_;
};

class In {
  public:
    explicit In(const char* p) : p_(reinterpret_cast<const unsigned char*>(p)) {}
    uint64_t Le(size_t n) {
        uint64_t u = 0;
        for (size_t i = 0; i < n; ++i)
            u |= static_cast<uint64_t>(p_[i]) << (8 * i);
        p_ += n;
        return u;
    }
    void Skip(uint64_t n) { p_ += n; }
    uint16_t U16() { return static_cast<uint16_t>(Le(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Le(4)); }
    int64_t I64() { return static_cast<int64_t>(Le(8)); }
    double F64() {
        const uint64_t u = Le(8);
        double v = 0.0;
        std::memcpy(&v, &u, 8);
        return v;
    }

  private:
    const unsigned char* p_;
};

bool Fail(std::string* why, const char* text) {
    if (why != nullptr)
        *why = text;
    return false;
}

// The possible values of a channel in a bucket that holds records.
bool CellPossible(const SummaryCell& c, const SummaryBucket& b) {
    if ((c.flags & ~kKnownCellFlags) != 0 || c.count > b.records)
        return false;
    if (c.count == 0)
        return c.flags == 0;
    const auto finite = [](double v) { return std::isfinite(v); };
    const auto inside = [&](SummarySeconds t) { return t >= c.firstAt && t <= c.lastAt; };
    return finite(c.first) && finite(c.min) && finite(c.max) && finite(c.last) &&
           c.min <= c.first && c.min <= c.last && c.max >= c.first && c.max >= c.last &&
           c.firstAt >= b.firstAt && c.lastAt <= b.lastAt && c.firstAt <= c.lastAt &&
           inside(c.minAt) && inside(c.maxAt) && (c.count > 1 || c.firstAt == c.lastAt) &&
           ((c.flags & kStartsWithValue) == 0 || c.firstAt == b.firstAt) &&
           ((c.flags & kEndsWithValue) == 0 || c.lastAt == b.lastAt);
}

}  // namespace

std::string EncodeSummary(const FolderSummary& s) {
    std::string bytes;
    Out out(&bytes);
    out.Bytes(kSummaryMagic, sizeof kSummaryMagic);
    out.Le(kSummaryVersion);
    out.Le(s.groupId);
    out.Le(s.interval);
    out.Le(s.key.count);
    for (uint16_t v : s.key.value)
        out.Le(v);
    out.Le(static_cast<uint16_t>(s.orderly ? kOrderly : 0));
    out.Le(s.start);
    out.Le(s.period);
    out.Le(s.channels);
    out.Le(s.records);
    out.Le(static_cast<uint32_t>(s.levels.size()));
    out.Le(static_cast<uint32_t>(s.source.blocks.size()));
    out.Le(uint32_t{0});
    out.Le(s.source.index.size);
    out.Le(s.source.index.modifiedNs);
    for (const SourceFile& f : s.source.blocks) {
        out.Le(f.size);
        out.Le(f.modifiedNs);
    }
    for (const SummaryLevel& l : s.levels) {
        out.Le(l.width);
        out.Le(static_cast<uint32_t>(l.buckets.size()));
    }
    out.Le(Checksum(bytes.data(), bytes.size()));
    for (const SummaryLevel& l : s.levels) {
        const size_t levelStart = bytes.size();
        for (size_t b = 0; b < l.buckets.size(); ++b) {
            const SummaryBucket& k = l.buckets[b];
            const SummarySeconds at = s.start + static_cast<SummarySeconds>(b) * l.width;
            out.Le(k.records);
            out.Le(k.records > 0 ? k.firstAt - at : 0, 2);
            out.Le(k.records > 0 ? k.lastAt - at : 0, 2);
            out.Le(k.split ? kSplit : 0u);
        }
        for (size_t i = 0; i < l.cells.size(); ++i) {
            const SummaryCell& c = l.cells[i];
            const SummarySeconds at =
                s.start + static_cast<SummarySeconds>(i / s.channels) * l.width;
            const bool any = c.count > 0;
            out.F64(c.first);
            out.F64(c.min);
            out.F64(c.max);
            out.F64(c.last);
            out.Le(c.count);
            for (SummarySeconds t : {c.firstAt, c.minAt, c.maxAt, c.lastAt})
                out.Le(any ? t - at : 0, 2);
            out.Le(c.flags);
            out.Le(uint16_t{0});
        }
        out.Le(Checksum(bytes.data() + levelStart, bytes.size() - levelStart));
    }
    return bytes;
}

namespace {

// Where the parts of a file lie, from its header.
struct Layout {
    uint64_t headEnd = 0;  // the header's checksum starts here
    std::vector<uint32_t> widths;
    std::vector<uint32_t> buckets;
    std::vector<uint64_t> levelAt;  // each level's first byte; its checksum ends the level
    uint64_t size = 0;              // the whole file's
};

// The most bytes a header (with its checksum) can take.
constexpr size_t kMostHeadSize =
    kHeaderSize + kMostBlocks * kSourceSize + kMostLevels * kLevelSize + kChecksumSize;

// Reads the header from the first `have` bytes of a file of `size` bytes: the fixed fields, the
// sources and the level table, checked against the header's checksum and the file's size.
bool DecodeHead(const char* bytes, size_t have, uint64_t size, FolderSummary* s, Layout* layout,
                std::string* why) {
    if (have < kHeaderSize + kChecksumSize || size < have)
        return Fail(why, "truncated");
    if (std::memcmp(bytes, kSummaryMagic, sizeof kSummaryMagic) != 0)
        return Fail(why, "bad magic");
    In in(bytes + sizeof kSummaryMagic);
    if (in.U32() != kSummaryVersion)
        return Fail(why, "another version");
    *s = FolderSummary();
    s->groupId = in.U32();
    s->interval = in.U32();
    s->key.count = in.U16();
    for (uint16_t& v : s->key.value)
        v = in.U16();
    const uint16_t flags = in.U16();
    s->start = in.I64();
    s->period = in.U32();
    s->channels = in.U32();
    s->records = in.U32();
    const uint32_t levels = in.U32();
    const uint32_t blocks = in.U32();
    const uint32_t reserved = in.U32();
    s->source.index.size = in.I64();
    s->source.index.modifiedNs = in.I64();
    s->orderly = (flags & kOrderly) != 0;
    if ((flags & ~kOrderly) != 0 || reserved != 0 || s->key.count > 3 || s->period == 0 ||
        s->channels == 0 || s->channels > kMostChannels || levels > kMostLevels ||
        blocks > kMostBlocks || (!s->orderly && levels != 0) || s->start < 0)
        return Fail(why, "impossible header");
    layout->headEnd = kHeaderSize + uint64_t{blocks} * kSourceSize + uint64_t{levels} * kLevelSize;
    if (have < layout->headEnd + kChecksumSize)
        return Fail(why, "truncated");
    if (In(bytes + layout->headEnd).Le(8) != Checksum(bytes, layout->headEnd))
        return Fail(why, "checksum mismatch");
    In body(bytes + kHeaderSize);
    s->source.blocks.resize(blocks);
    for (SourceFile& f : s->source.blocks) {
        f.size = body.I64();
        f.modifiedNs = body.I64();
    }
    uint64_t need = layout->headEnd + kChecksumSize;
    layout->widths.resize(levels);
    layout->buckets.resize(levels);
    layout->levelAt.resize(levels);
    for (uint32_t l = 0; l < levels; ++l) {
        const uint32_t width = body.U32();
        const uint32_t buckets = body.U32();
        if (width == 0 || width > 65536 || s->period % width != 0 || buckets != s->period / width ||
            (l > 0 && (width <= layout->widths[l - 1] || width % layout->widths[l - 1] != 0)))
            return Fail(why, "impossible level");
        layout->widths[l] = width;
        layout->buckets[l] = buckets;
        layout->levelAt[l] = need;
        need +=
            uint64_t{buckets} * (kBucketSize + uint64_t{s->channels} * kCellSize) + kChecksumSize;
    }
    if (size != need)
        return Fail(why, size < need ? "truncated" : "wrong size");
    layout->size = need;
    s->levels.resize(levels);
    for (uint32_t l = 0; l < levels; ++l)
        s->levels[l].width = layout->widths[l];
    return true;
}

// The bytes of level l (from its first to the end of its checksum).
uint64_t LevelBytes(const FolderSummary& s, const Layout& layout, size_t l) {
    return uint64_t{layout.buckets[l]} * (kBucketSize + uint64_t{s.channels} * kCellSize) +
           kChecksumSize;
}

// Reads level l from its bytes, checked against its checksum and for possible values.
bool DecodeLevel(const char* bytes, const FolderSummary& s, const Layout& layout, size_t l,
                 SummaryLevel* level, std::string* why) {
    const uint64_t n = LevelBytes(s, layout, l) - kChecksumSize;
    if (In(bytes + n).Le(8) != Checksum(bytes, n))
        return Fail(why, "checksum mismatch");
    In body(bytes);
    level->width = layout.widths[l];
    level->buckets.assign(layout.buckets[l], SummaryBucket());
    uint64_t records = 0;
    for (size_t b = 0; b < level->buckets.size(); ++b) {
        SummaryBucket& k = level->buckets[b];
        const SummarySeconds at = s.start + static_cast<SummarySeconds>(b) * level->width;
        k.records = body.U32();
        k.firstAt = at + body.U16();
        k.lastAt = at + body.U16();
        const uint32_t bucketFlags = body.U32();
        k.split = (bucketFlags & kSplit) != 0;
        records += k.records;
        if ((bucketFlags & ~kSplit) != 0 || k.firstAt > k.lastAt || k.lastAt - at >= level->width ||
            (k.records == 0 && (k.firstAt != at || k.lastAt != at || k.split)))
            return Fail(why, "impossible bucket");
    }
    if (records != s.records)
        return Fail(why, "bucket records do not add up");
    level->cells.assign(level->buckets.size() * s.channels, SummaryCell());
    for (size_t i = 0; i < level->cells.size(); ++i) {
        SummaryCell& c = level->cells[i];
        const SummaryBucket& k = level->buckets[i / s.channels];
        const SummarySeconds at =
            s.start + static_cast<SummarySeconds>(i / s.channels) * level->width;
        c.first = body.F64();
        c.min = body.F64();
        c.max = body.F64();
        c.last = body.F64();
        c.count = body.U32();
        for (SummarySeconds* t : {&c.firstAt, &c.minAt, &c.maxAt, &c.lastAt})
            *t = at + body.U16();
        c.flags = body.U16();
        const uint16_t zero = body.U16();
        if (zero != 0 || (k.records == 0 ? c.count != 0 || c.flags != 0 : !CellPossible(c, k)) ||
            (c.count == 0 &&
             (c.first != 0.0 || c.min != 0.0 || c.max != 0.0 || c.last != 0.0 || c.firstAt != at ||
              c.lastAt != at || c.minAt != at || c.maxAt != at)) ||
            (((c.flags & kInnerBreak) != 0) && !k.split))
            return Fail(why, "impossible channel values");
    }
    return true;
}

// An open summary file: its header read and checked.
class SummaryReader {
  public:
    ~SummaryReader() {
        if (fd_ >= 0)
            storefs::CloseFile(fd_);
    }
    bool Open(const std::string& nativePath, FolderSummary* s, std::string* why) {
        fd_ = storefs::OpenExclusive(nativePath, storefs::OpenMode::kExistingRead, nullptr,
                                     storefs::Names::kExact);
        if (fd_ < 0)
            return Fail(why, "missing");
        const int64_t size = storefs::FileSize(fd_);
        if (size < 0)
            return Fail(why, "cannot read");
        std::vector<char> head(std::min<uint64_t>(static_cast<uint64_t>(size), kMostHeadSize));
        if (storefs::ReadAt(fd_, head.data(), head.size(), 0) != static_cast<int64_t>(head.size()))
            return Fail(why, "cannot read");
        return DecodeHead(head.data(), head.size(), static_cast<uint64_t>(size), s, &layout_, why);
    }
    // Reads levels first to end - 1 into s.
    bool Levels(size_t first, size_t end, FolderSummary* s, std::string* why) {
        if (first >= end)
            return true;
        const uint64_t at = layout_.levelAt[first];
        std::vector<char> bytes(layout_.levelAt[end - 1] + LevelBytes(*s, layout_, end - 1) - at);
        if (storefs::ReadAt(fd_, bytes.data(), bytes.size(), at) !=
            static_cast<int64_t>(bytes.size()))
            return Fail(why, "cannot read");
        for (size_t l = first; l < end; ++l) {
            if (!DecodeLevel(bytes.data() + (layout_.levelAt[l] - at), *s, layout_, l,
                             &s->levels[l], why))
                return false;
        }
        return true;
    }

  private:
    int fd_ = -1;
    Layout layout_;
};

}  // namespace

bool DecodeSummary(const char* bytes, size_t size, FolderSummary* s, std::string* why) {
    Layout layout;
    if (!DecodeHead(bytes, std::min<size_t>(size, kMostHeadSize), size, s, &layout, why))
        return false;
    for (size_t l = 0; l < s->levels.size(); ++l) {
        if (!DecodeLevel(bytes + layout.levelAt[l], *s, layout, l, &s->levels[l], why))
            return false;
    }
    return true;
}

void SealSummary(std::string* bytes) {
    FolderSummary s;
    Layout layout;
    if (bytes->size() < kHeaderSize + kChecksumSize)
        return;
    const auto seal = [&](uint64_t from, uint64_t to) {
        if (to + kChecksumSize > bytes->size())
            return false;
        const uint64_t h = Checksum(bytes->data() + from, to - from);
        for (size_t k = 0; k < 8; ++k)
            (*bytes)[to + k] = static_cast<char>(h >> (8 * k));
        return true;
    };
    const uint32_t blocks = static_cast<uint32_t>(In(bytes->data() + 56).Le(4));
    const uint32_t levels = static_cast<uint32_t>(In(bytes->data() + 52).Le(4));
    if (blocks > kMostBlocks || levels > kMostLevels ||
        !seal(0, kHeaderSize + uint64_t{blocks} * kSourceSize + uint64_t{levels} * kLevelSize))
        return;
    if (!DecodeHead(bytes->data(), std::min<size_t>(bytes->size(), kMostHeadSize), bytes->size(),
                    &s, &layout, nullptr))
        return;
    for (size_t l = 0; l < s.levels.size(); ++l)
        seal(layout.levelAt[l], layout.levelAt[l] + LevelBytes(s, layout, l) - kChecksumSize);
}

bool WriteSummaryFile(const std::string& nativePath, const FolderSummary& summary) {
    const std::string bytes = EncodeSummary(summary);
    storefs::ReplacingWriter writer;
    return writer.Begin(nativePath) && writer.Write(bytes.data(), bytes.size()) &&
           writer.Commit(true);
}

bool ReadSummaryFile(const std::string& nativePath, FolderSummary* summary, std::string* why,
                     bool finest) {
    SummaryReader reader;
    if (!reader.Open(nativePath, summary, why))
        return false;
    const size_t first = finest || summary->levels.size() < 2 ? 0 : 1;
    return reader.Levels(first, summary->levels.size(), summary, why);
}

bool ReadSummaryLevel(const std::string& nativePath, const FolderSummary& held, size_t level,
                      SummaryLevel* out, std::string* why) {
    SummaryReader reader;
    FolderSummary s;
    if (!reader.Open(nativePath, &s, why))
        return false;
    bool same = s.groupId == held.groupId && s.interval == held.interval &&
                s.key.count == held.key.count && s.start == held.start && s.period == held.period &&
                s.channels == held.channels && s.source == held.source &&
                s.records == held.records && s.orderly == held.orderly &&
                s.levels.size() == held.levels.size() && level < s.levels.size();
    for (size_t l = 0; same && l < s.levels.size(); ++l)
        same = s.levels[l].width == held.levels[l].width;
    for (size_t k = 0; same && k < 4; ++k)
        same = s.key.value[k] == held.key.value[k];
    if (!same)
        return Fail(why, "another summary");
    // Only the wanted level is decoded; the others stay as the header left them.
    FolderSummary one = s;
    if (!reader.Levels(level, level + 1, &one, why))
        return false;
    *out = std::move(one.levels[level]);
    return true;
}
