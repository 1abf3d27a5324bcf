#include "batch_read.h"

#include "file_system.h"

#ifdef HISTAVUE_HAVE_LIBURING
#include <liburing.h>
#endif

#ifdef HISTAVUE_HAVE_LIBURING
namespace {

// Entries of the ring: a batch of more reads goes in turns of this many.
constexpr unsigned kRingEntries = 256;

}  // namespace
#endif

struct BatchRead::Ring {
#ifdef HISTAVUE_HAVE_LIBURING
    io_uring ring;
#endif
};

BatchRead::BatchRead(bool ring) {
#ifdef HISTAVUE_HAVE_LIBURING
    if (ring) {
        auto r = std::make_unique<Ring>();
        // One thread submits and reaps, so the kernel may leave the completions' work until
        // the wait instead of interrupting for each read (older kernels refuse the flags: a plain
        // ring then). Refused where the kernel has no io_uring or forbids it (a sandbox): preads.
        if (io_uring_queue_init(kRingEntries, &r->ring,
                                IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_DEFER_TASKRUN) == 0 ||
            io_uring_queue_init(kRingEntries, &r->ring, 0) == 0)
            ring_ = std::move(r);
    }
#else
    (void)ring;
#endif
}

BatchRead::~BatchRead() {
#ifdef HISTAVUE_HAVE_LIBURING
    if (ring_)
        io_uring_queue_exit(&ring_->ring);
#endif
}

bool BatchRead::RingInUse() const {
    return ring_ != nullptr;
}

size_t BatchRead::Add(int fd, char* dst, uint32_t length, uint64_t offset) {
    reads_.push_back(Read{fd, dst, length, offset, -1});
    return reads_.size() - 1;
}

int64_t BatchRead::ReadOnce(const Read& r) {
    return r.fd < 0 ? -1 : storefs::ReadOnceAt(r.fd, r.dst, r.length, r.offset);
}

void BatchRead::Run() {
    if (ring_) {
        RunRing();
        return;
    }
    for (Read& r : reads_)
        r.result = ReadOnce(r);
}

void BatchRead::RunRing() {
#ifdef HISTAVUE_HAVE_LIBURING
    io_uring* ring = &ring_->ring;
    size_t next = 0;
    while (next < reads_.size()) {
        const size_t first = next;
        unsigned queued = 0;
        for (; next < reads_.size() && queued < kRingEntries; ++next) {
            Read& r = reads_[next];
            if (r.fd < 0) {
                r.result = -1;
                continue;
            }
            io_uring_sqe* sqe = io_uring_get_sqe(ring);
            if (sqe == nullptr)
                break;
            io_uring_prep_read(sqe, r.fd, r.dst, r.length, r.offset);
            io_uring_sqe_set_data64(sqe, next);
            ++queued;
        }
        int submitted = queued > 0 ? io_uring_submit_and_wait(ring, queued) : 0;
        if (submitted < 0)
            submitted = 0;  // nothing went in: the reads below are made one by one
        for (int done = 0; done < submitted; ++done) {
            io_uring_cqe* cqe = nullptr;
            if (io_uring_wait_cqe(ring, &cqe) != 0)
                break;
            Read& r = reads_[static_cast<size_t>(io_uring_cqe_get_data64(cqe))];
            r.result = cqe->res;
            io_uring_cqe_seen(ring, cqe);
        }
        // A read the ring failed or did not take is made again as a pread, which gives the answer
        // one pread gives (a read that came short at the end of the file is that answer already).
        for (size_t i = first; i < next; ++i) {
            if (reads_[i].result < 0)
                reads_[i].result = ReadOnce(reads_[i]);
        }
    }
#endif
}
