// Many reads at known offsets made together: through io_uring where the kernel offers it (one
// system call submits a whole batch and waits for it), else one pread each. The results are the
// same either way: each read gives what one pread at its offset gives (short only at the end of
// the file, -1 on an error).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class BatchRead {
  public:
    // ring: whether to try io_uring at all. Without it, or when this build has no liburing or
    // the kernel refuses a ring, the reads are preads.
    explicit BatchRead(bool ring);
    ~BatchRead();
    BatchRead(const BatchRead&) = delete;
    BatchRead& operator=(const BatchRead&) = delete;

    // Whether the reads go through a ring.
    bool RingInUse() const;

    // Queues a read of length bytes at offset of fd into dst; returns its number.
    size_t Add(int fd, char* dst, uint32_t length, uint64_t offset);
    // Makes the queued reads; then Result gives each one's count.
    void Run();
    int64_t Result(size_t i) const { return reads_[i].result; }
    size_t Size() const { return reads_.size(); }
    // Forgets the reads.
    void Clear() { reads_.clear(); }

  private:
    struct Read {
        int fd;
        char* dst;
        uint32_t length;
        uint64_t offset;
        int64_t result;
    };
    struct Ring;

    static int64_t ReadOnce(const Read& r);
    void RunRing();

    std::vector<Read> reads_;
    std::unique_ptr<Ring> ring_;
};
