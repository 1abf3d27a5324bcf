#include "log_array_file.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "file_system.h"
#include "write_inverted.h"

bool LogArrayFile::Open(const char* path, bool openOnly) {
    if (path != nullptr && (path[0] == '\0' || std::strlen(path) > storefs::kMaxPath)) {
        return false;
    }
    if (IsOpen()) {
        Flush();
        CloseHandle();
    }
    elements_.Clear();
    if (path != nullptr) {
        path_ = path;
    }
    if (path_.empty()) {
        return false;
    }
    int64_t size = 0;
    fd_ = storefs::OpenExclusive(path_, storefs::OpenMode::kExistingReadWrite, &size);
    if (fd_ < 0) {
        if (!openOnly) {
            fd_ = storefs::OpenExclusive(path_, storefs::OpenMode::kCreateNew);
        }
        return fd_ >= 0;
    }
    const uint32_t elementSize = elements_.ElementSize();
    if (elementSize == 0 || size <= 0 || size % elementSize != 0 ||
        static_cast<uint64_t>(size) / elementSize > UINT32_MAX) {
        return true;
    }
    const size_t n = static_cast<size_t>(size);
    void* block = std::malloc(n);
    if (block == nullptr) {
        return true;
    }
    // Only the size taken above is read, so an index that grows meanwhile is read as it was.
    if (!storefs::ReadFully(fd_, static_cast<char*>(block), n)) {
        std::free(block);
        return true;
    }
    storefs::InvertBytes(static_cast<char*>(block), static_cast<const char*>(block), n);
    elements_.Adopt(block, static_cast<uint32_t>(n / elementSize));
    lseek(fd_, 0, SEEK_END);
    return true;
}

bool LogArrayFile::Flush() {
    if (!IsOpen() || elements_.Flushed() >= elements_.Count()) {
        return false;
    }
    const uint32_t size = elements_.ElementSize();
    const uint64_t from = static_cast<uint64_t>(elements_.Flushed()) * size;
    const uint64_t bytes = elements_.ByteSize() - from;
    if (bytes >= UINT32_MAX) {
        return false;
    }
    uint32_t written = 0;
    const char* tail = static_cast<const char*>(elements_.Data()) + from;
    if (!WriteInverted(fd_, tail, static_cast<uint32_t>(bytes), &written) || written != bytes) {
        return false;
    }
    if (deviceSync_ && !storefs::SyncData(fd_)) {
        return false;
    }
    elements_.SetFlushed(elements_.Flushed() + written / size);
    return true;
}

void LogArrayFile::CloseHandle() {
    storefs::CloseFile(fd_);
    fd_ = -1;
}

bool LogArrayFile::Close() {
    if (IsOpen()) {
        Flush();
        CloseHandle();
    }
    elements_.Clear();
    return true;
}
