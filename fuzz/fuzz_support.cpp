#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fuzzsupport {

namespace {

std::string* g_root = nullptr;

void RemoveRoot() {
    if (g_root != nullptr) {
        RemoveTree(*g_root);
    }
}

}  // namespace

const std::string& ScratchRoot() {
    if (g_root == nullptr) {
        // A memory file system when there is one: the targets create and delete files all
        // the time.
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = tmp != nullptr && tmp[0] != '\0' ? tmp : "";
        if (folder.empty()) {
            folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        }
        std::string pattern = folder + "/histavue-fuzz-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        g_root = new std::string(buf.data());
        *g_root += '/';
        std::atexit(RemoveRoot);
    }
    return *g_root;
}

void WriteInvertedFile(const std::string& path, const uint8_t* data, size_t size) {
    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(~data[i]);
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::abort();
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t w = write(fd, bytes.data() + done, size - done);
        if (w <= 0) {
            std::perror(path.c_str());
            std::abort();
        }
        done += static_cast<size_t>(w);
    }
    close(fd);
}

void MakeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!std::filesystem::is_directory(path)) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::abort();
    }
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

uint8_t ByteReader::U8() {
    if (size_ == 0) {
        return 0;
    }
    --size_;
    return *data_++;
}

uint16_t ByteReader::U16() {
    const uint16_t lo = U8();
    return static_cast<uint16_t>(lo | U8() << 8);
}

uint32_t ByteReader::U32() {
    const uint32_t lo = U16();
    return lo | static_cast<uint32_t>(U16()) << 16;
}

const uint8_t* ByteReader::Bytes(size_t n, size_t* taken) {
    if (n > size_) {
        n = size_;
    }
    const uint8_t* p = data_;
    data_ += n;
    size_ -= n;
    *taken = n;
    return p;
}

}  // namespace fuzzsupport
