#include "export_writer.h"

#include <cstring>

#include "file_system.h"
#include "write_inverted.h"

namespace {

// Output is gathered up to this size before it is written.
constexpr size_t kPendingLimit = 256 * 1024;

}  // namespace

ExportWriter::~ExportWriter() {
    if (ownFd_ && fd_ >= 0) {
        Finish();
    }
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
    fd_ = storefs::OpenExclusive(path_, create_ == Create::kNew ? storefs::OpenMode::kCreateNew
                                                                : storefs::OpenMode::kCreateAlways);
    if (fd_ < 0) {
        failed_ = true;
        return false;
    }
    created_ = true;
    return true;
}

bool ExportWriter::Drain() {
    if (pending_.empty()) {
        return true;
    }
    if (!EnsureOpen()) {
        pending_.clear();
        return false;
    }
    uint32_t written = 0;
    const uint32_t n = static_cast<uint32_t>(pending_.size());
    // The pending bytes are dropped once written, so they are inverted where they lie rather
    // than through WriteInverted's scratch copy.
    if (encoding_ == Encoding::kInverted) {
        storefs::InvertBytes(pending_.data(), pending_.data(), n);
    }
    const bool ok = WritePlain(fd_, pending_.data(), n, &written);
    pending_.clear();
    if (!ok || written != n) {
        failed_ = true;
        return false;
    }
    return true;
}

void ExportWriter::Put(const char* bytes, uint32_t length) {
    if (failed_) {
        return;
    }
    if (fd_ < 0 && !EnsureOpen()) {
        return;
    }
    pending_.insert(pending_.end(), bytes, bytes + length);
    bytes_ += length;
    if (pending_.size() >= kPendingLimit) {
        Drain();
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
    Put(text, length);
    if (text[length - 1] != '\n') {
        Put("\n", 1);
    }
}

void ExportWriter::Line(const char* line, uint32_t length) {
    if (line == nullptr) {
        return;
    }
    ++lines_;
    Put(line, length);
    if (length == 0 || line[length - 1] != '\n') {
        Put("\n", 1);
    }
}

bool ExportWriter::Finish() {
    Drain();
    if (ownFd_ && fd_ >= 0) {
        storefs::CloseFile(fd_);
        fd_ = -1;
    }
    return !failed_;
}

void ExportWriter::Discard() {
    pending_.clear();
    if (ownFd_) {
        storefs::CloseFile(fd_);
        fd_ = -1;
        if (created_) {
            storefs::RemoveFile(path_);
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
