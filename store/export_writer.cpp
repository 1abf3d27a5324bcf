#include "export_writer.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "file_system.h"

namespace {

// Output is gathered up to this size before it is written.
constexpr uint32_t kBufferSize = 256 * 1024;
// Stored runs at least this long are written from where they lie instead of being copied.
constexpr uint32_t kWriteThrough = 64 * 1024;

// The buffer of the last writer that finished on this thread: every query and export would
// otherwise fault in a fresh one.
thread_local std::unique_ptr<char[]> t_spareBuffer;

}  // namespace

ExportWriter::~ExportWriter() {
    if (ownFd_ && fd_ >= 0) {
        Finish();
    }
    ReleaseBuffer();
}

void ExportWriter::SetTarget(const std::string& path, Encoding encoding, Create create) {
    path_ = path;
    encoding_ = encoding;
    create_ = create;
    ownFd_ = true;
}

void ExportWriter::SetDescriptor(int fd, Encoding encoding) {
    fd_ = fd;
    encoding_ = encoding;
    ownFd_ = false;
}

bool ExportWriter::EnsureOpen() {
    if (fd_ >= 0) {
        return true;
    }
    if (failed_ || !ownFd_ || path_.empty()) {
        failed_ = true;
        return false;
    }
    fd_ = storefs::OpenExclusive(
        path_,
        create_ == Create::kNew ? storefs::OpenMode::kCreateNew : storefs::OpenMode::kCreateAlways,
        nullptr, names_);
    if (fd_ < 0) {
        failed_ = true;
        return false;
    }
    created_ = true;
    return true;
}

void ExportWriter::ReleaseBuffer() {
    pending_ = 0;
    if (buffer_ != nullptr && t_spareBuffer == nullptr) {
        t_spareBuffer = std::move(buffer_);
    }
    buffer_.reset();
}

bool ExportWriter::WriteOut(const char* bytes, uint32_t length) {
    // Whole, in as few write calls as the system takes: a query writes tens of megabytes.
    while (length > 0) {
        const ssize_t w = write(fd_, bytes, length);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            failed_ = true;
            return false;
        }
        bytes += w;
        length -= static_cast<uint32_t>(w);
    }
    return true;
}

bool ExportWriter::Drain() {
    if (pending_ == 0) {
        return true;
    }
    const uint32_t n = pending_;
    pending_ = 0;
    return EnsureOpen() && WriteOut(buffer_.get(), n);
}

void ExportWriter::Put(const char* bytes, uint32_t length, bool inFileEncoding) {
    if (failed_ || (fd_ < 0 && !EnsureOpen())) {
        return;
    }
    bytes_ += length;
    const bool invert = inFileEncoding != (encoding_ == Encoding::kInverted);
    if (!invert && length >= kWriteThrough) {
        if (Drain())
            WriteOut(bytes, length);
        return;
    }
    if (buffer_ == nullptr) {
        buffer_ = t_spareBuffer != nullptr ? std::move(t_spareBuffer)
                                           : std::unique_ptr<char[]>(new char[kBufferSize]);
    }
    while (length > 0) {
        if (pending_ == kBufferSize && !Drain()) {
            return;
        }
        const uint32_t n = std::min(length, kBufferSize - pending_);
        if (invert) {
            storefs::InvertBytes(buffer_.get() + pending_, bytes, n);
        } else {
            std::memcpy(buffer_.get() + pending_, bytes, n);
        }
        pending_ += n;
        bytes += n;
        length -= n;
    }
}

void ExportWriter::Chunk(const char* text, uint32_t length) {
    if (text == nullptr) {
        return;
    }
    if (chunks_ > 0) {
        // Later blocks repeat the header lines of the first; drop them.
        const char* first = static_cast<const char*>(std::memchr(text, '\n', length));
        const char* second =
            first == nullptr
                ? nullptr
                : static_cast<const char*>(
                      std::memchr(first + 1, '\n', static_cast<size_t>(text + length - first - 1)));
        ++chunks_;
        if (second == nullptr) {
            return;
        }
        const uint32_t skip = static_cast<uint32_t>(second + 1 - text);
        text += skip;
        length -= skip;
    } else {
        ++chunks_;
    }
    if (length == 0) {
        return;
    }
    Put(text, length, false);
    if (text[length - 1] != '\n') {
        Put("\n", 1, false);
    }
}

void ExportWriter::Line(const char* line, uint32_t length) {
    if (line == nullptr) {
        return;
    }
    ++lines_;
    Put(line, length, false);
    if (length == 0 || line[length - 1] != '\n') {
        Put("\n", 1, false);
    }
}

void ExportWriter::Stored(const char* stored, uint32_t length, uint32_t lines) {
    if (stored == nullptr) {
        return;
    }
    lines_ += lines;
    Put(stored, length, true);
}

void ExportWriter::Plain(const char* text, uint32_t length, uint32_t lines) {
    if (text == nullptr) {
        return;
    }
    lines_ += lines;
    Put(text, length, false);
}

bool ExportWriter::Finish() {
    Drain();
    ReleaseBuffer();
    if (ownFd_ && fd_ >= 0) {
        storefs::CloseFile(fd_);
        fd_ = -1;
    }
    return !failed_;
}

void ExportWriter::Discard() {
    ReleaseBuffer();
    if (ownFd_) {
        storefs::CloseFile(fd_);
        fd_ = -1;
        if (created_) {
            storefs::RemoveFile(path_, names_);
            created_ = false;
        }
    }
}

void ExportWriter::ChunkCallback(void* context, const char* text, uint32_t length) {
    static_cast<ExportWriter*>(context)->Chunk(text, length);
}

void ExportWriter::LineCallback(void* context, const char* line, uint32_t length, int* stop) {
    static_cast<ExportWriter*>(context)->Line(line, length);
    (void)stop;
}

void ExportWriter::RunCallback(void* context, const char* stored, uint32_t length, uint32_t lines,
                               int* stop) {
    static_cast<ExportWriter*>(context)->Stored(stored, length, lines);
    (void)stop;
}
