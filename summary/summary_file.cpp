#include "summary_file.h"

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

// FNV-1a, 64 bits: enough to tell a damaged file from a whole one.
uint64_t Checksum(const char* p, size_t n) {
    uint64_t h = 14695981039346656037ULL;
    for (size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 1099511628211ULL;
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
    for (const SummaryLevel& l : s.levels) {
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
    }
    out.Le(Checksum(bytes.data(), bytes.size()));
    return bytes;
}

bool DecodeSummary(const char* bytes, size_t size, FolderSummary* s, std::string* why) {
    if (size < kHeaderSize + kChecksumSize)
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
    // The size the counts call for, before anything is allocated by them.
    uint64_t need = kHeaderSize + uint64_t{blocks} * kSourceSize + uint64_t{levels} * kLevelSize;
    if (size < need + kChecksumSize)
        return Fail(why, "truncated");
    In head(bytes + kHeaderSize);
    head.Skip(uint64_t{blocks} * kSourceSize);
    std::vector<std::pair<uint32_t, uint32_t>> shape(levels);
    for (auto& [width, buckets] : shape) {
        width = head.U32();
        buckets = head.U32();
        if (width == 0 || width > 65536 || s->period % width != 0 || buckets != s->period / width)
            return Fail(why, "impossible level");
        need += uint64_t{buckets} * (kBucketSize + uint64_t{s->channels} * kCellSize);
        if (need > size)
            return Fail(why, "truncated");
    }
    for (size_t l = 1; l < shape.size(); ++l) {
        if (shape[l].first <= shape[l - 1].first || shape[l].first % shape[l - 1].first != 0)
            return Fail(why, "impossible level");
    }
    if (size != need + kChecksumSize)
        return Fail(why, size < need + kChecksumSize ? "truncated" : "wrong size");
    if (In(bytes + need).Le(8) != Checksum(bytes, need))
        return Fail(why, "checksum mismatch");

    In body(bytes + kHeaderSize);
    s->source.blocks.resize(blocks);
    for (SourceFile& f : s->source.blocks) {
        f.size = body.I64();
        f.modifiedNs = body.I64();
    }
    body.Skip(uint64_t{levels} * kLevelSize);
    s->levels.resize(levels);
    for (uint32_t l = 0; l < levels; ++l) {
        SummaryLevel& level = s->levels[l];
        level.width = shape[l].first;
        level.buckets.resize(shape[l].second);
        uint64_t records = 0;
        for (size_t b = 0; b < level.buckets.size(); ++b) {
            SummaryBucket& k = level.buckets[b];
            const SummarySeconds at = s->start + static_cast<SummarySeconds>(b) * level.width;
            k.records = body.U32();
            k.firstAt = at + body.U16();
            k.lastAt = at + body.U16();
            const uint32_t bucketFlags = body.U32();
            k.split = (bucketFlags & kSplit) != 0;
            records += k.records;
            if ((bucketFlags & ~kSplit) != 0 || k.firstAt > k.lastAt ||
                k.lastAt - at >= level.width ||
                (k.records == 0 && (k.firstAt != at || k.lastAt != at || k.split)))
                return Fail(why, "impossible bucket");
        }
        if (records != s->records)
            return Fail(why, "bucket records do not add up");
        level.cells.resize(level.buckets.size() * s->channels);
        for (size_t i = 0; i < level.cells.size(); ++i) {
            SummaryCell& c = level.cells[i];
            const SummaryBucket& k = level.buckets[i / s->channels];
            const SummarySeconds at =
                s->start + static_cast<SummarySeconds>(i / s->channels) * level.width;
            c.first = body.F64();
            c.min = body.F64();
            c.max = body.F64();
            c.last = body.F64();
            c.count = body.U32();
            for (SummarySeconds* t : {&c.firstAt, &c.minAt, &c.maxAt, &c.lastAt})
                *t = at + body.U16();
            c.flags = body.U16();
            const uint16_t zero = body.U16();
            if (zero != 0 ||
                (k.records == 0 ? c.count != 0 || c.flags != 0 : !CellPossible(c, k)) ||
                (c.count == 0 &&
                 (c.first != 0.0 || c.min != 0.0 || c.max != 0.0 || c.last != 0.0 ||
                  c.firstAt != at || c.lastAt != at || c.minAt != at || c.maxAt != at)) ||
                (((c.flags & kInnerBreak) != 0) && !k.split))
                return Fail(why, "impossible channel values");
        }
    }
    return true;
}

bool WriteSummaryFile(const std::string& nativePath, const FolderSummary& summary) {
    const std::string bytes = EncodeSummary(summary);
    storefs::ReplacingWriter writer;
    return writer.Begin(nativePath) && writer.Write(bytes.data(), bytes.size()) &&
           writer.Commit(true);
}

bool ReadSummaryFile(const std::string& nativePath, FolderSummary* summary, std::string* why) {
    const int fd = storefs::OpenExclusive(nativePath, storefs::OpenMode::kExistingRead, nullptr,
                                          storefs::Names::kExact);
    if (fd < 0)
        return Fail(why, "missing");
    std::vector<char> bytes;
    const bool read = storefs::ReadToEnd(fd, &bytes, 0);
    storefs::CloseFile(fd);
    if (!read)
        return Fail(why, "cannot read");
    return DecodeSummary(bytes.data(), bytes.size(), summary, why);
}
