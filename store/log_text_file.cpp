#include "log_text_file.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "file_system.h"
#include "text_scan.h"
#include "write_inverted.h"

bool LogTextFile::Open(const char* path, bool openOnly, const char* firstHeader,
                       const char* secondHeader) {
    if (path != nullptr && (path[0] == '\0' || std::strlen(path) > storefs::kMaxPath)) {
        return false;
    }
    if (IsOpen()) {
        Flush();
        CloseHandle();
    }
    buffer_.Clear();
    if (path != nullptr) {
        path_ = path;
    }
    if (path_.empty()) {
        return false;
    }
    fd_ = storefs::OpenExclusive(path_, storefs::OpenMode::kExistingReadWrite, nullptr, names_);
    if (fd_ >= 0) {
        ReadContent(true);
        lseek(fd_, 0, SEEK_END);
    } else if (!openOnly) {
        fd_ = storefs::OpenExclusive(path_, storefs::OpenMode::kCreateNew, nullptr, names_);
    }
    if (fd_ < 0) {
        return false;
    }
    if (firstHeader != nullptr && secondHeader != nullptr && buffer_.Length() == 0) {
        buffer_.AppendLine(firstHeader);
        buffer_.Append("Time,");
        buffer_.AppendLine(secondHeader);
    }
    return true;
}

bool LogTextFile::OpenPlainForReading(const char* path) {
    if (path == nullptr || path[0] == '\0' || std::strlen(path) > storefs::kMaxPath) {
        return false;
    }
    Close();
    path_ = path;
    fd_ = storefs::OpenExclusive(path_, storefs::OpenMode::kExistingRead, nullptr, names_);
    if (fd_ < 0) {
        return false;
    }
    ReadContent(false);
    return true;
}

bool LogTextFile::ReadContent(bool invert) {
    if (findLineEnds_) {
        return ReadTextWithLineEnds(fd_, invert, &buffer_);
    }
    const int64_t size = storefs::FileSize(fd_);
    if (size <= 0) {
        return size == 0;
    }
    if (static_cast<uint64_t>(size) >= UINT32_MAX) {
        return false;
    }
    const size_t n = static_cast<size_t>(size);
    char* block = AllocateTextBlock(n + 1);
    if (block == nullptr) {
        return false;
    }
    // The file may have shrunk since its size was taken; growth beyond size is left unread.
    if (!storefs::ReadFully(fd_, block, n)) {
        std::free(block);
        return false;
    }
    if (invert) {
        storefs::InvertBytes(block, block, n);
    }
    block[n] = '\0';
    buffer_.Adopt(block, static_cast<uint32_t>(n));
    return true;
}

bool LogTextFile::FlushTail(bool invert) {
    if (!IsOpen() || buffer_.Flushed() >= buffer_.Length()) {
        return false;
    }
    const uint32_t count = buffer_.Length() - buffer_.Flushed();
    const char* tail = buffer_.Data() + buffer_.Flushed();
    uint32_t written = 0;
    const bool ok =
        invert ? WriteInverted(fd_, tail, count, &written) : WritePlain(fd_, tail, count, &written);
    if (!ok || written != count) {
        return false;
    }
    if (deviceSync_ && !storefs::SyncData(fd_)) {
        return false;
    }
    buffer_.SetFlushed(buffer_.Flushed() + written);
    return true;
}

bool LogTextFile::Flush() {
    return FlushTail(true);
}

bool LogTextFile::FlushPlain() {
    return FlushTail(false);
}

void LogTextFile::CloseHandle() {
    storefs::CloseFile(fd_);
    fd_ = -1;
}

bool LogTextFile::Close() {
    if (IsOpen()) {
        Flush();
        CloseHandle();
    }
    buffer_.Clear();
    return true;
}

bool LogTextFile::CloseAndDelete() {
    CloseHandle();
    if (!path_.empty()) {
        storefs::RemoveFile(path_, names_);
    }
    path_.clear();
    buffer_.Clear();
    return true;
}
