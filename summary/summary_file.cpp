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
constexpr size_t kLevelSize = 16;   // u32 width + u32 bucket count + u32 bytes + u32 0
constexpr size_t kChecksumSize = 8;
constexpr uint32_t kMostChannels = 65536;
constexpr uint32_t kMostLevels = 8;
constexpr uint32_t kMostBlocks = 256;
constexpr uint16_t kOrderly = 1;
constexpr uint8_t kSplit = 1;
constexpr uint16_t kKnownCellFlags = kStartsWithValue | kEndsWithValue | kInnerBreak;
// The head byte of a cell: its flags in bits 0 to 2, then these, then the numbers' form.
constexpr uint8_t kCountAll = 8;      // every record of the bucket holds a number of the channel
constexpr uint8_t kBucketTimes = 16;  // first and last number at the bucket's first and last record
constexpr int kFormShift = 5;
// Forms of four numbers: 0 to 6, each is a whole number of that many decimal places (m / 10^d);
// kRawForm, each is an f64 as it is.
constexpr unsigned kRawForm = 7;
constexpr unsigned kMostDecimals = 6;
constexpr double kPowersOfTen[kMostDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
// Mantissas are kept below 2^53, where every whole number is a double.
constexpr int64_t kMostMantissa = int64_t{1} << 53;

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
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        std::memcpy(&word, p + i, sizeof word);  // one load where the machine is little-endian
#else
        for (size_t k = 0; k < 8; ++k)
            word |= uint64_t{static_cast<unsigned char>(p[i + k])} << (8 * k);
#endif
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
    // Seven bits a byte, lowest first; the top bit says more follow.
    void Var(uint64_t u) {
        while (u >= 0x80) {
            s_->push_back(static_cast<char>((u & 0x7F) | 0x80));
            u >>= 7;
        }
        s_->push_back(static_cast<char>(u));
    }
    // A signed number folded onto the unsigned ones: 0, -1, 1, -2, ... as 0, 1, 2, 3, ...
    void Zig(int64_t v) {
        Var((static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v < 0 ? -1 : 0));
    }

  private:
    std::string* s_;
};

class In {
  public:
    explicit In(const char* p, size_t n = SIZE_MAX)
        : p_(reinterpret_cast<const unsigned char*>(p)),
          start_(p_),
          end_(n == SIZE_MAX ? nullptr : p_ + n) {}
    uint64_t Le(size_t n) {
        if (!Have(n))
            return 0;
        uint64_t u = 0;
        for (size_t i = 0; i < n; ++i)
            u |= static_cast<uint64_t>(p_[i]) << (8 * i);
        p_ += n;
        return u;
    }
    uint8_t U8() { return static_cast<uint8_t>(Le(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Le(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Le(4)); }
    int64_t I64() { return static_cast<int64_t>(Le(8)); }
    double F64() {
        const uint64_t u = Le(8);
        double v = 0.0;
        std::memcpy(&v, &u, 8);
        return v;
    }
    uint64_t Var() {
        // Most numbers take one byte.
        if ((end_ == nullptr || p_ < end_) && *p_ < 0x80)
            return *p_++;
        uint64_t u = 0;
        if (end_ == nullptr || end_ - p_ >= 10) {
            // Far enough from the end for any number: no check a byte.
            for (int shift = 0; shift < 70; shift += 7) {
                const uint8_t b = *p_++;
                u |= static_cast<uint64_t>(b & 0x7F) << shift;
                if ((b & 0x80) == 0)
                    return u;
            }
            bad_ = true;
            return 0;
        }
        for (int shift = 0; shift < 64; shift += 7) {
            if (!Have(1))
                return 0;
            const uint8_t b = *p_++;
            u |= static_cast<uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0)
                return u;
        }
        bad_ = true;  // longer than any 64-bit number
        return 0;
    }
    int64_t Zig() { return Unzig(Var()); }
    static int64_t Unzig(uint64_t u) {
        return static_cast<int64_t>(u >> 1) ^ -static_cast<int64_t>(u & 1);
    }
    // The next eight bytes as a little-endian word, nothing read; false when fewer are left.
    bool Peek8(uint64_t* word) const {
        if (end_ != nullptr && end_ - p_ < 8)
            return false;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        std::memcpy(word, p_, sizeof *word);
#else
        *word = 0;
        for (int i = 0; i < 8; ++i)
            *word |= static_cast<uint64_t>(p_[i]) << (8 * i);
#endif
        return true;
    }
    // Reads four zigzag numbers of one byte each at once, the usual steps of a sensor's numbers;
    // false (nothing read) when the next four bytes are not that.
    bool FourSmallZigs(int64_t* a, int64_t* b, int64_t* c, int64_t* d) {
        if ((end_ != nullptr && end_ - p_ < 4) || ((p_[0] | p_[1] | p_[2] | p_[3]) & 0x80) != 0)
            return false;
        *a = Unzig(p_[0]);
        *b = Unzig(p_[1]);
        *c = Unzig(p_[2]);
        *d = Unzig(p_[3]);
        p_ += 4;
        return true;
    }
    // True when every read stayed within the bytes and read a number.
    bool Good() const {
        return !bad_;
    }
    bool AtEnd() const {
        return end_ == nullptr || p_ == end_;
    }
    void Skip(uint64_t n) {
        if (Have(static_cast<size_t>(std::min<uint64_t>(n, SIZE_MAX))))
            p_ += n;
    }
    size_t Consumed() const {
        return static_cast<size_t>(p_ - start_);
    }

  private:
    bool Have(size_t n) {
        if (end_ != nullptr && static_cast<size_t>(end_ - p_) < n) {
            bad_ = true;
            p_ = end_;
            return false;
        }
        return true;
    }

    const unsigned char* p_;
    const unsigned char* start_;
    const unsigned char* end_;
    bool bad_ = false;
};

bool Fail(std::string* why, const char* text) {
    if (why != nullptr)
        *why = text;
    return false;
}

// The possible values of a run of numbers within [from, to].
bool RunPossible(const SummaryRun& c, SummarySeconds from, SummarySeconds to) {
    const auto finite = [](double v) { return std::isfinite(v); };
    const auto inside = [&](SummarySeconds t) { return t >= c.firstAt && t <= c.lastAt; };
    return c.count > 0 && finite(c.first) && finite(c.min) && finite(c.max) && finite(c.last) &&
           c.min <= c.first && c.min <= c.last && c.max >= c.first && c.max >= c.last &&
           c.firstAt >= from && c.lastAt <= to && c.firstAt <= c.lastAt && inside(c.minAt) &&
           inside(c.maxAt) && (c.count > 1 || c.firstAt == c.lastAt) &&
           c.lastAt - c.firstAt < int64_t{1} << 32;
}

// The possible values of a channel in a bucket that holds records, with the pieces of its line
// where it breaks (runs of the level).
bool CellPossible(const SummaryCell& c, const SummaryBucket& b,
                  const std::vector<SummaryRun>& runs) {
    if ((c.flags & ~kKnownCellFlags) != 0 || c.count > b.records)
        return false;
    if (c.count == 0)
        return c.flags == 0 && c.runCount == 0;
    if (!RunPossible(c, b.firstAt, b.lastAt) ||
        ((c.flags & kStartsWithValue) != 0 && c.firstAt != b.firstAt) ||
        ((c.flags & kEndsWithValue) != 0 && c.lastAt != b.lastAt) ||
        ((c.flags & kInnerBreak) != 0) != (c.runCount > 0) || c.runCount == 1)
        return false;
    if (c.runCount == 0)
        return true;
    // The pieces follow each other in time and make up the whole line.
    uint64_t count = 0;
    double min = c.first;
    double max = c.first;
    SummarySeconds after = c.firstAt;
    for (uint32_t k = 0; k < c.runCount; ++k) {
        const SummaryRun& r = runs[c.firstRun + k];
        if (!RunPossible(r, after, c.lastAt))
            return false;
        count += r.count;
        min = std::min(min, r.min);
        max = std::max(max, r.max);
        after = r.lastAt;
    }
    const SummaryRun& first = runs[c.firstRun];
    const SummaryRun& last = runs[c.firstRun + c.runCount - 1];
    return count == c.count && min == c.min && max == c.max && first.first == c.first &&
           first.firstAt == c.firstAt && last.last == c.last && last.lastAt == c.lastAt;
}

// The whole number m and decimal places d (0 to kMostDecimals, the fewest) with m / 10^d == v to
// the bit; false when there are none.
bool DecimalOf(double v, unsigned* d, int64_t* m) {
    for (unsigned k = 0; k <= kMostDecimals; ++k) {
        const double scaled = v * kPowersOfTen[k];
        if (!(std::fabs(scaled) < static_cast<double>(kMostMantissa)))
            return false;
        const int64_t whole = std::llround(scaled);
        const double back = static_cast<double>(whole) / kPowersOfTen[k];
        if (std::memcmp(&back, &v, sizeof v) == 0) {
            *d = k;
            *m = whole;
            return true;
        }
    }
    return false;
}

// The form of a run's four numbers: the decimal places that hold all of them, or kRawForm.
unsigned FormOf(const SummaryRun& r, int64_t m[4]) {
    const double values[4] = {r.first, r.min, r.max, r.last};
    unsigned form = 0;
    for (double v : values) {
        unsigned d = 0;
        int64_t whole = 0;
        if (!DecimalOf(v, &d, &whole))
            return kRawForm;
        form = std::max(form, d);
    }
    for (int i = 0; i < 4; ++i) {
        m[i] = std::llround(values[i] * kPowersOfTen[form]);
        const double back = static_cast<double>(m[i]) / kPowersOfTen[form];
        if (std::memcmp(&back, &values[i], sizeof back) != 0 || std::llabs(m[i]) >= kMostMantissa)
            return kRawForm;
    }
    return form;
}

// A channel's last mantissa and its form, from which the next bucket's first is told.
struct Guess {
    unsigned form = kRawForm;
    int64_t last = 0;
};

void PutNumbers(Out* out, const SummaryRun& r, unsigned form, const int64_t m[4], Guess* guess) {
    if (form == kRawForm) {
        for (double v : {r.first, r.min, r.max, r.last})
            out->F64(v);
    } else {
        out->Zig(m[0] - (guess->form == form ? guess->last : 0));
        for (int i = 1; i < 4; ++i)
            out->Zig(m[i] - m[0]);
    }
    guess->form = form;
    guess->last = form == kRawForm ? 0 : m[3];
}

// A run's first, lowest, highest and last number from their mantissas in a decimal form; the
// last is the guess of the channel's next bucket.
inline void SetNumbers(SummaryRun* r, unsigned form, int64_t m0, int64_t m1, int64_t m2, int64_t m3,
                       Guess* guess) {
    const double scale = kPowersOfTen[form];
    r->first = static_cast<double>(m0) / scale;
    r->min = static_cast<double>(m1) / scale;
    r->max = static_cast<double>(m2) / scale;
    r->last = static_cast<double>(m3) / scale;
    guess->form = form;
    guess->last = m3;
}

// Inlined into the level reader: it runs for every cell of a level read.
[[gnu::always_inline]] inline bool TakeNumbers(In* in, unsigned form, SummaryRun* r, Guess* guess) {
    if (form == kRawForm) {
        r->first = in->F64();
        r->min = in->F64();
        r->max = in->F64();
        r->last = in->F64();
        guess->form = form;
        guess->last = 0;
        return true;
    }
    // Unsigned sums wrap instead of overflowing on hostile bytes; the range check catches them.
    const auto add = [](int64_t a, int64_t b) {
        return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
    };
    // Written out rather than in arrays: this runs for every cell of a level read.
    int64_t z0 = 0;
    int64_t z1 = 0;
    int64_t z2 = 0;
    int64_t z3 = 0;
    const bool small = in->FourSmallZigs(&z0, &z1, &z2, &z3);
    if (!small) {
        z0 = in->Zig();
        z1 = in->Zig();
        z2 = in->Zig();
        z3 = in->Zig();
    }
    const int64_t m0 = add(z0, guess->form == form ? guess->last : 0);
    const int64_t m1 = add(z1, m0);
    const int64_t m2 = add(z2, m0);
    const int64_t m3 = add(z3, m0);
    // One-byte steps are at most 64 from the first: a first that far inside the range keeps
    // them all in it.
    const auto fits = [](int64_t m) { return m > -kMostMantissa && m < kMostMantissa; };
    const bool inside = small && m0 > 64 - kMostMantissa && m0 < kMostMantissa - 64;
    if (!inside && (!fits(m0) || !fits(m1) || !fits(m2) || !fits(m3)))
        return false;
    SetNumbers(r, form, m0, m1, m2, m3, guess);
    return true;
}

// Reads the usual cell of a steady sensor, seven bytes at once: every record of bucket k holds
// a number of the channel, the first and last at the bucket's first and last record, its line
// does not break, its numbers are decimals, and the times of its lowest and highest and the four
// steps of its numbers take one byte each. False, with nothing read, for any other cell, which
// the general reading takes; what it reads is what that reading would. *possible tells a cell
// plainly possible from its mantissas and times (a quotient keeps the order of its mantissas);
// false leaves it to CellPossible.
[[gnu::always_inline]] inline bool TakeUsualCell(In* in, const SummaryBucket& k, SummaryCell* c,
                                                 Guess* guess, bool* possible) {
    uint64_t word = 0;
    if (!in->Peek8(&word))
        return false;
    const unsigned head = static_cast<unsigned>(word & 0xFF);
    const unsigned form = head >> kFormShift;
    constexpr unsigned kShape = kCountAll | kBucketTimes | kInnerBreak;
    constexpr uint64_t kSixHighBits = uint64_t{0x808080808080} << 8;  // of bytes 1 to 6
    if ((head & kShape) != (kCountAll | kBucketTimes) || form == kRawForm ||
        (word & kSixHighBits) != 0)
        return false;
    const auto byte = [word](int i) { return static_cast<uint64_t>((word >> (8 * i)) & 0xFF); };
    const int64_t m0 = In::Unzig(byte(3)) + (guess->form == form ? guess->last : 0);
    // Steps of one byte are at most 64 from the first: a first that far inside the range keeps
    // them all in it (the general reading tells the rest).
    if (!(m0 > 64 - kMostMantissa && m0 < kMostMantissa - 64))
        return false;
    const int64_t m1 = m0 + In::Unzig(byte(4));
    const int64_t m2 = m0 + In::Unzig(byte(5));
    const int64_t m3 = m0 + In::Unzig(byte(6));
    c->flags = static_cast<uint16_t>(head & kKnownCellFlags);
    c->count = k.records;
    c->firstAt = k.firstAt;
    c->lastAt = k.lastAt;
    c->minAt = k.firstAt + static_cast<SummarySeconds>(byte(1));
    c->maxAt = k.firstAt + static_cast<SummarySeconds>(byte(2));
    SetNumbers(c, form, m0, m1, m2, m3, guess);
    in->Skip(7);
    const SummarySeconds span = k.lastAt - k.firstAt;
    *possible = m1 <= m0 && m1 <= m3 && m2 >= m0 && m2 >= m3 &&
                static_cast<SummarySeconds>(byte(1)) <= span &&
                static_cast<SummarySeconds>(byte(2)) <= span && (k.records > 1 || span == 0);
    return true;
}

// The times of a run after its first, as steps from its first.
void PutTimes(Out* out, const SummaryRun& r) {
    out->Var(static_cast<uint64_t>(r.lastAt - r.firstAt));
    out->Var(static_cast<uint64_t>(r.minAt - r.firstAt));
    out->Var(static_cast<uint64_t>(r.maxAt - r.firstAt));
}

void TakeTimes(In* in, SummaryRun* r) {
    // Steps are cut to 32 bits so that they cannot overflow; a step past the bucket is refused
    // later (RunPossible).
    const auto step = [&] { return static_cast<SummarySeconds>(in->Var() & 0xFFFFFFFFu); };
    r->lastAt = r->firstAt + step();
    r->minAt = r->firstAt + step();
    r->maxAt = r->firstAt + step();
}

void PutLevel(Out* out, const SummaryLevel& l, uint32_t channels, SummarySeconds start) {
    std::vector<Guess> guesses(channels);
    Guess none;
    for (size_t b = 0; b < l.buckets.size(); ++b) {
        const SummaryBucket& k = l.buckets[b];
        out->Var(k.records);
        if (k.records == 0)
            continue;
        const SummarySeconds at = start + static_cast<SummarySeconds>(b) * l.width;
        out->Var(static_cast<uint64_t>(k.firstAt - at));
        out->Var(static_cast<uint64_t>(k.lastAt - k.firstAt));
        out->Le(k.split ? kSplit : uint8_t{0});
        for (uint32_t ch = 0; ch < channels; ++ch) {
            const SummaryCell& c = l.cells[b * channels + ch];
            int64_t m[4] = {0, 0, 0, 0};
            const unsigned form = c.count > 0 ? FormOf(c, m) : 0;
            const bool all = c.count == k.records;
            const bool bucketTimes = c.count > 0 && c.firstAt == k.firstAt && c.lastAt == k.lastAt;
            out->Le(static_cast<uint8_t>((c.flags & kKnownCellFlags) | (all ? kCountAll : 0) |
                                         (bucketTimes ? kBucketTimes : 0) | form << kFormShift));
            if (!all)
                out->Var(c.count);
            if (c.count == 0)
                continue;
            if (!bucketTimes) {
                out->Var(static_cast<uint64_t>(c.firstAt - k.firstAt));
                out->Var(static_cast<uint64_t>(c.lastAt - c.firstAt));
            }
            out->Var(static_cast<uint64_t>(c.minAt - c.firstAt));
            out->Var(static_cast<uint64_t>(c.maxAt - c.firstAt));
            PutNumbers(out, c, form, m, &guesses[ch]);
            if ((c.flags & kInnerBreak) == 0)
                continue;
            out->Var(c.runCount - 2);
            for (uint32_t r = 0; r < c.runCount; ++r) {
                const SummaryRun& run = l.runs[c.firstRun + r];
                int64_t rm[4] = {0, 0, 0, 0};
                const unsigned runForm = FormOf(run, rm);
                out->Var(run.count);
                out->Var(static_cast<uint64_t>(run.firstAt - c.firstAt));
                PutTimes(out, run);
                out->Le(static_cast<uint8_t>(runForm));
                PutNumbers(out, run, runForm, rm, &none);
            }
        }
    }
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
    // The levels' bytes first, for their sizes in the level table.
    std::vector<std::string> levels(s.levels.size());
    for (size_t l = 0; l < s.levels.size(); ++l) {
        Out level(&levels[l]);
        PutLevel(&level, s.levels[l], s.channels, s.start);
    }
    for (size_t l = 0; l < s.levels.size(); ++l) {
        out.Le(s.levels[l].width);
        out.Le(static_cast<uint32_t>(s.levels[l].buckets.size()));
        out.Le(static_cast<uint32_t>(levels[l].size()));
        out.Le(uint32_t{0});
    }
    out.Le(Checksum(bytes.data(), bytes.size()));
    for (const std::string& level : levels) {
        bytes += level;
        out.Le(Checksum(level.data(), level.size()));
    }
    return bytes;
}

namespace {

// Where the parts of a file lie, from its header.
struct Layout {
    uint64_t headEnd = 0;  // the header's checksum starts here
    std::vector<uint32_t> widths;
    std::vector<uint32_t> buckets;
    std::vector<uint64_t> levelAt;     // each level's first byte
    std::vector<uint32_t> levelBytes;  // its bytes up to its checksum, which follows them
    uint64_t size = 0;                 // the whole file's
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
    layout->levelBytes.resize(levels);
    for (uint32_t l = 0; l < levels; ++l) {
        const uint32_t width = body.U32();
        const uint32_t buckets = body.U32();
        const uint32_t levelBytes = body.U32();
        const uint32_t zero = body.U32();
        if (width == 0 || width > 65536 || s->period % width != 0 || buckets != s->period / width ||
            zero != 0 ||
            (l > 0 && (width <= layout->widths[l - 1] || width % layout->widths[l - 1] != 0)))
            return Fail(why, "impossible level");
        layout->widths[l] = width;
        layout->buckets[l] = buckets;
        layout->levelAt[l] = need;
        layout->levelBytes[l] = levelBytes;
        need += uint64_t{levelBytes} + kChecksumSize;
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
uint64_t LevelBytes(const FolderSummary&, const Layout& layout, size_t l) {
    return uint64_t{layout.levelBytes[l]} + kChecksumSize;
}

// Reads a level of `width` and `buckets` from its n bytes (followed by their checksum), checked
// against its checksum and for possible values unless these bytes were checked before.
bool DecodeLevel(const char* bytes, uint64_t n, uint32_t width, uint32_t buckets,
                 const FolderSummary& s, SummaryLevel* level, std::string* why,
                 bool checked = false) {
    if (!checked && In(bytes + n).Le(8) != Checksum(bytes, n))
        return Fail(why, "checksum mismatch");
    In body(bytes, n);
    level->width = width;
    level->buckets.assign(buckets, SummaryBucket());
    // The cells of empty buckets are never looked at, so a level read again into the same
    // memory keeps what they held instead of clearing a cell per bucket and channel; every field
    // of a bucket's cell that is looked at is set below.
    level->cells.resize(level->buckets.size() * s.channels);
    level->runs.clear();
    std::vector<Guess> guesses(s.channels);
    Guess none;
    uint64_t records = 0;
    for (size_t b = 0; b < level->buckets.size() && body.Good(); ++b) {
        SummaryBucket& k = level->buckets[b];
        const SummarySeconds at = s.start + static_cast<SummarySeconds>(b) * level->width;
        const uint64_t bucketRecords = body.Var();
        if (bucketRecords == 0)
            continue;
        const uint64_t firstAt = body.Var();
        const uint64_t lastAt = firstAt + (body.Var() & 0xFFFFFFFFu);
        const uint8_t bucketFlags = body.U8();
        if (bucketRecords > s.records || firstAt >= level->width || lastAt >= level->width ||
            (bucketFlags & ~kSplit) != 0)
            return Fail(why, "impossible bucket");
        k.records = static_cast<uint32_t>(bucketRecords);
        k.firstAt = at + static_cast<SummarySeconds>(firstAt);
        k.lastAt = at + static_cast<SummarySeconds>(lastAt);
        k.split = (bucketFlags & kSplit) != 0;
        records += k.records;
        bool anyBreak = false;
        for (uint32_t ch = 0; ch < s.channels && body.Good(); ++ch) {
            SummaryCell& c = level->cells[b * s.channels + ch];
            c.firstRun = 0;
            c.runCount = 0;
            bool possible = false;
            if (TakeUsualCell(&body, k, &c, &guesses[ch], &possible)) {
                if (!checked && !possible && !CellPossible(c, k, level->runs))
                    return Fail(why, "impossible channel values");
                continue;
            }
            const uint8_t head = body.U8();
            c.flags = head & kKnownCellFlags;
            const uint64_t count = (head & kCountAll) != 0 ? k.records : body.Var();
            if (count > k.records)
                return Fail(why, "impossible channel values");
            c.count = static_cast<uint32_t>(count);
            const unsigned form = head >> kFormShift;
            if (c.count == 0) {
                if (head != 0)
                    return Fail(why, "impossible channel values");
                continue;
            }
            if ((head & kBucketTimes) != 0) {
                c.firstAt = k.firstAt;
                c.lastAt = k.lastAt;
            } else {
                c.firstAt = k.firstAt + static_cast<SummarySeconds>(body.Var() & 0xFFFFFFFFu);
                c.lastAt = c.firstAt + static_cast<SummarySeconds>(body.Var() & 0xFFFFFFFFu);
            }
            c.minAt = c.firstAt + static_cast<SummarySeconds>(body.Var() & 0xFFFFFFFFu);
            c.maxAt = c.firstAt + static_cast<SummarySeconds>(body.Var() & 0xFFFFFFFFu);
            if (!TakeNumbers(&body, form, &c, &guesses[ch]))
                return Fail(why, "impossible channel values");
            if ((c.flags & kInnerBreak) != 0) {
                anyBreak = true;
                const uint64_t runs = body.Var() + 2;
                if (runs > c.count)
                    return Fail(why, "impossible channel values");
                c.firstRun = static_cast<uint32_t>(level->runs.size());
                c.runCount = static_cast<uint32_t>(runs);
                for (uint64_t r = 0; r < runs && body.Good(); ++r) {
                    SummaryRun run;
                    const uint64_t runCount = body.Var();
                    run.count = static_cast<uint32_t>(std::min<uint64_t>(runCount, UINT32_MAX));
                    run.firstAt = c.firstAt + static_cast<SummarySeconds>(body.Var() & 0xFFFFFFFFu);
                    TakeTimes(&body, &run);
                    const uint8_t runForm = body.U8();
                    if (runCount > c.count || runForm > kRawForm ||
                        !TakeNumbers(&body, runForm, &run, &none))
                        return Fail(why, "impossible channel values");
                    level->runs.push_back(run);
                }
            }
            if (!body.Good() || (!checked && !CellPossible(c, k, level->runs)))
                return Fail(why, "impossible channel values");
        }
        if (anyBreak != k.split)
            return Fail(why, "impossible bucket");
    }
    if (!body.Good() || !body.AtEnd())
        return Fail(why, "wrong size");
    if (records != s.records)
        return Fail(why, "bucket records do not add up");
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
            if (!DecodeLevel(bytes.data() + (layout_.levelAt[l] - at), layout_.levelBytes[l],
                             layout_.widths[l], layout_.buckets[l], *s, &s->levels[l], why))
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
        if (!DecodeLevel(bytes + layout.levelAt[l], layout.levelBytes[l], layout.widths[l],
                         layout.buckets[l], *s, &s->levels[l], why))
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
    // A summary is checked whenever it is read and made again when it does not check out, so it
    // need not wait for the device: a crash costs a summary at worst, never a record.
    writer.SetDurable(false);
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

namespace {

// True when s, read from a file, is still the summary `held` was read from: the same header
// (identity, sources, records and widths) and a level `level`.
bool SameSummary(const FolderSummary& s, const FolderSummary& held, size_t level) {
    bool same = s.groupId == held.groupId && s.interval == held.interval &&
                s.key.count == held.key.count && s.start == held.start && s.period == held.period &&
                s.channels == held.channels && s.source == held.source &&
                s.records == held.records && s.orderly == held.orderly &&
                s.levels.size() == held.levels.size() && level < s.levels.size();
    for (size_t l = 0; same && l < s.levels.size(); ++l)
        same = s.levels[l].width == held.levels[l].width;
    for (size_t k = 0; same && k < 4; ++k)
        same = s.key.value[k] == held.key.value[k];
    return same;
}

}  // namespace

bool FineLevelFromFile(const char* bytes, size_t size, const FolderSummary& held, size_t level,
                       FineLevelBytes* out, std::string* why) {
    FolderSummary s;
    Layout layout;
    if (!DecodeHead(bytes, std::min<size_t>(size, kMostHeadSize), size, &s, &layout, why))
        return false;
    if (!SameSummary(s, held, level))
        return Fail(why, "another summary");
    out->width = layout.widths[level];
    out->buckets = layout.buckets[level];
    out->bytes.assign(bytes + layout.levelAt[level], LevelBytes(s, layout, level));
    return true;
}

bool DecodeFineLevel(const FineLevelBytes& level, const FolderSummary& held, SummaryLevel* out,
                     std::string* why) {
    if (level.bytes.size() < kChecksumSize)
        return Fail(why, "truncated");
    const bool good = DecodeLevel(level.bytes.data(), level.bytes.size() - kChecksumSize,
                                  level.width, level.buckets, held, out, why, level.checked);
    level.checked = good;
    return good;
}

namespace {

const char kOverviewMagic[8] = {'H', 'V', 'S', 'U', 'M', 'O', 'V', 'W'};
constexpr uint32_t kOverviewVersion = 1;

}  // namespace

std::string EncodeOverview(const SummaryOverview& entries) {
    std::string bytes;
    Out out(&bytes);
    out.Bytes(kOverviewMagic, sizeof kOverviewMagic);
    out.Le(kOverviewVersion);
    out.Le(static_cast<uint32_t>(entries.size()));
    for (const auto& [stem, summary] : entries) {
        FolderSummary s = *summary;
        uint32_t fineWidth = 0;
        if (s.levels.size() > 1) {
            fineWidth = s.levels[0].width;
            s.levels.erase(s.levels.begin());
        }
        const std::string one = EncodeSummary(s);
        out.Var(stem.size());
        out.Bytes(stem.data(), stem.size());
        out.Le(fineWidth);
        out.Var(one.size());
        out.Bytes(one.data(), one.size());
    }
    out.Le(Checksum(bytes.data(), bytes.size()));
    return bytes;
}

bool SplitOverview(const char* bytes, size_t size, OverviewEntries* entries) {
    entries->clear();
    constexpr size_t kHead = sizeof kOverviewMagic + 8;
    if (size < kHead + kChecksumSize ||
        std::memcmp(bytes, kOverviewMagic, sizeof kOverviewMagic) != 0 ||
        In(bytes + size - kChecksumSize).Le(8) != Checksum(bytes, size - kChecksumSize))
        return false;
    In head(bytes + sizeof kOverviewMagic, 8);
    if (head.U32() != kOverviewVersion)
        return false;
    const uint32_t count = head.U32();
    In in(bytes + kHead, size - kHead - kChecksumSize);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t stemSize = in.Var();
        const size_t stemAt = in.Consumed();
        in.Skip(stemSize);
        OverviewEntry entry;
        entry.fineWidth = in.U32();
        const uint64_t oneSize = in.Var();
        const size_t oneAt = in.Consumed();
        in.Skip(oneSize);
        if (!in.Good())
            return false;
        entry.bytes = bytes + kHead + oneAt;
        entry.size = static_cast<size_t>(oneSize);
        (*entries)[std::string(bytes + kHead + stemAt, static_cast<size_t>(stemSize))] = entry;
    }
    return in.AtEnd();
}

std::shared_ptr<const FolderSummary> DecodeOverviewEntry(const OverviewEntry& entry) {
    auto s = std::make_shared<FolderSummary>();
    if (!DecodeSummary(entry.bytes, entry.size, s.get()))
        return nullptr;
    if (entry.fineWidth != 0) {
        if (s->levels.empty() || entry.fineWidth >= s->levels[0].width ||
            s->levels[0].width % entry.fineWidth != 0)
            return nullptr;
        SummaryLevel fine;
        fine.width = entry.fineWidth;
        s->levels.insert(s->levels.begin(), std::move(fine));
    }
    return s;
}

bool DecodeOverview(const char* bytes, size_t size, SummaryOverview* entries) {
    entries->clear();
    OverviewEntries split;
    if (!SplitOverview(bytes, size, &split))
        return false;
    for (const auto& [stem, entry] : split) {
        if (std::shared_ptr<const FolderSummary> s = DecodeOverviewEntry(entry))
            (*entries)[stem] = std::move(s);
    }
    return true;
}

bool WriteOverviewFile(const std::string& nativePath, const SummaryOverview& entries) {
    const std::string bytes = EncodeOverview(entries);
    storefs::ReplacingWriter writer;
    writer.SetDurable(false);  // checked when read, as a summary is
    return writer.Begin(nativePath) && writer.Write(bytes.data(), bytes.size()) &&
           writer.Commit(true);
}

bool ReadOverviewBytes(const std::string& nativePath, std::vector<char>* bytes) {
    const int fd = storefs::OpenExclusive(nativePath, storefs::OpenMode::kExistingRead, nullptr,
                                          storefs::Names::kExact);
    if (fd < 0)
        return false;
    const bool read = storefs::ReadToEnd(fd, bytes, 0);
    storefs::CloseFile(fd);
    return read;
}

bool ReadOverviewFile(const std::string& nativePath, SummaryOverview* entries) {
    std::vector<char> bytes;
    return ReadOverviewBytes(nativePath, &bytes) &&
           DecodeOverview(bytes.data(), bytes.size(), entries);
}
