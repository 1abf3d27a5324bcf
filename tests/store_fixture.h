// Helpers shared by the store tests: scratch folders, raw inverted files, hand-made folders and
// callbacks that collect what the store delivers.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "calendar_time.h"
#include "store_api.h"
#include "temp_folder.h"
#include "time_folder.h"

namespace storetest {

namespace fs = std::filesystem;

// A fresh folder under /tmp/store-tests, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir() {
        const std::string made = MakeTestFolder("store-tests/");
        path_ = made.empty() ? made : made + "/";
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Ends in "/".
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

inline std::string Invert(std::string bytes) {
    for (char& c : bytes)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return bytes;
}

// Plain file access, no inversion. Store paths ("\") are turned into native ones.
inline std::string Native(std::string path) {
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

inline void WriteRaw(const std::string& path, const std::string& bytes) {
    const std::string native = Native(path);
    fs::create_directories(fs::path(native).parent_path());
    std::ofstream out(native, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadRaw(const std::string& path) {
    std::ifstream in(Native(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    return fs::exists(Native(path));
}

inline void WriteInvertedFile(const std::string& path, const std::string& plain) {
    WriteRaw(path, Invert(plain));
}
inline std::string ReadInvertedFile(const std::string& path) {
    return Invert(ReadRaw(path));
}

// The on-disk (un-inverted) bytes of index entries: two little-endian words each.
inline std::string EntryBytes(const std::vector<IndexEntry>& entries) {
    std::string bytes;
    for (const IndexEntry& e : entries) {
        for (uint32_t w : {e.word0, e.word1}) {
            for (int i = 0; i < 4; ++i)
                bytes += static_cast<char>((w >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

inline CalendarTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return MakeCalendarTime(year, month, day, hour, minute, second);
}

inline std::string Stamp(const CalendarTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04hu-%02hu-%02hu %02hu:%02hu:%02hu", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buf;
}

constexpr const char* kHeader1 = "Tank farm,Line 2";
constexpr const char* kHeader2 = "Level,Temp";

// A hand-made folder: block texts and index entries built from (seconds, block, line) records,
// written raw so that tests can also damage them.
struct RawFolder {
    std::map<uint32_t, std::string> blocks;  // block number -> plain text
    std::vector<IndexEntry> entries;

    // Appends a record line (without "\n") to block n, starting the block with the header lines.
    void Add(uint32_t seconds, uint32_t n, const std::string& line) {
        std::string& text = blocks[n];
        if (text.empty())
            text = std::string(kHeader1) + "\nTime," + kHeader2 + "\n";
        entries.push_back(IndexEntry::Make(seconds, static_cast<uint32_t>(text.size()), n));
        text += line + "\n";
    }

    // Writes stem.idx and stem(%X).csv under root (store path with "\" separators).
    void Write(const std::string& root, const std::string& stem) const {
        WriteInvertedFile(root + stem + ".idx", EntryBytes(entries));
        for (const auto& [n, text] : blocks) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "(%X).csv", n);
            WriteInvertedFile(root + stem + suffix, text);
        }
    }
};

// Every file under root with its bytes, and every folder (marked by a trailing "/").
inline std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(Native(root))) {
        const std::string rel = fs::relative(entry.path(), Native(root)).string();
        if (entry.is_directory()) {
            files[rel + "/"] = "";
        } else {
            files[rel] = ReadRaw(entry.path().string());
        }
    }
    return files;
}

// Collects what the store functions deliver.
struct Collected {
    std::vector<std::string> texts;
    std::vector<int> leaves;
    int stopAfter = -1;  // set the stop flag once this many lines arrived

    static void Text(void* c, const char* text, uint32_t length) {
        static_cast<Collected*>(c)->texts.emplace_back(text, length);
    }
    static void Items(void* c, const char* text, uint32_t length, int leaf) {
        static_cast<Collected*>(c)->texts.emplace_back(text, length);
        static_cast<Collected*>(c)->leaves.push_back(leaf);
    }
    static void Line(void* c, const char* line, uint32_t length, int* stop) {
        auto* self = static_cast<Collected*>(c);
        EXPECT_EQ(*stop, 0);
        self->texts.emplace_back(line, length);
        if (self->stopAfter >= 0 && static_cast<int>(self->texts.size()) >= self->stopAfter) {
            *stop = 1;
        }
    }
};

// Splits text into its "\n"-ended lines (a last line without "\n" counts too).
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// Closes both store slots when a test ends, whatever it asserted.
struct SlotGuard {
    ~SlotGuard() {
        StoreClose(kDataRecords);
        StoreClose(kAlarmRecords);
    }
};

}  // namespace storetest
