#include "log_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_system.h"
#include "folder_list.h"
#include "time_folder.h"

const char kRootIndexName[] = "NewDLRoot.idx";

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads an unsigned 32-bit decimal number after optional blanks, as "%u" would, but refusing
// signs and overflow.
bool ReadUnsigned(const char*& p, const char* end, uint32_t* out) {
    while (p < end && IsBlank(*p))
        ++p;
    if (p == end || *p < '0' || *p > '9')
        return false;
    uint64_t v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > UINT32_MAX)
            return false;
        ++p;
    }
    *out = static_cast<uint32_t>(v);
    return true;
}

bool EqualsIgnoreCase(const std::string& a, const char* b) {
    // Multibyte-aware: the second byte of a double-byte character is never folded.
    const size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x81 && ca <= 0xFE && i + 1 < n) {
            if (ca != cb || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb)
            return false;
    }
    return true;
}

}  // namespace

bool ParseRootIndexLine(const char* line, uint32_t length, LogGroup* group) {
    const char* end = line + length;
    const char* eq = static_cast<const char*>(std::memchr(line, '=', length));
    if (eq == nullptr) {
        return false;
    }
    const size_t nameLength = static_cast<size_t>(eq - line);
    if (nameLength > 259 || std::memchr(line, '\0', nameLength) != nullptr) {
        return false;
    }
    const char* p = eq + 1;
    uint32_t id = 0;
    uint32_t interval = 0;
    if (!ReadUnsigned(p, end, &id))
        return false;
    while (p < end && IsBlank(*p))
        ++p;
    if (p == end || *p != ',')
        return false;
    ++p;
    if (!ReadUnsigned(p, end, &interval))
        return false;
    group->name.assign(line, nameLength);
    group->id = id;
    group->interval = interval;
    group->depth = DepthFromInterval(interval);
    return true;
}

bool LogStore::Open(const std::string& stagingFolder, const std::string& dataFolder) {
    if (stagingFolder.empty() || dataFolder.empty()) {
        return false;
    }
    Close();
    stagingFolder_ = stagingFolder;
    dataFolder_ = dataFolder;
    const std::string stagingIndex = stagingFolder_ + kRootIndexName;
    const std::string dataIndex = dataFolder_ + kRootIndexName;
    // The staging copy is the working copy; the data folder belongs to the recorder and is
    // never written, so a failed copy is simply ignored.
    if (!storefs::FileExists(stagingIndex)) {
        storefs::CopyFile(dataIndex, stagingIndex, false);
    }
    if (!rootIndex_.Open(stagingIndex.c_str(), false)) {
        return false;
    }
    LoadGroups();
    return true;
}

namespace {

// One group a line, empty lines skipped, up to the first malformed line.
void ParseGroups(const TextBuffer& text, std::vector<LogGroup>* groups) {
    uint32_t position = 0;
    const char* line = nullptr;
    uint32_t length = 0;
    while (text.NextLine(&position, &line, &length)) {
        LogGroup group;
        if (!ParseRootIndexLine(line, length, &group)) {
            break;
        }
        groups->push_back(std::move(group));
        position += length;
    }
}

}  // namespace

void LogStore::LoadGroups() {
    ParseGroups(rootIndex_.Buffer(), &groups_);
}

bool ReadGroupsOf(const std::string& dataFolder, std::vector<LogGroup>* groups,
                  ReadProblem* problem) {
    groups->clear();
    ReadProblem none;
    if (problem == nullptr)
        problem = &none;
    if (dataFolder.empty()) {
        problem->Note(ReadProblem::Kind::kMissing, kRootIndexName);
        return false;
    }
    std::string folder = dataFolder;
    if (folder.back() != '\\' && folder.back() != '/') {
        folder += '\\';
    }
    const std::string path = folder + kRootIndexName;
    const int fd = storefs::OpenExclusive(path, storefs::OpenMode::kExistingRead);
    if (fd < 0) {
        int error = errno;
        switch (storefs::KindOf(path, &error)) {
            case storefs::EntryKind::kMissing:
                problem->Note(ReadProblem::Kind::kMissing, path);
                break;
            case storefs::EntryKind::kFolder:
            case storefs::EntryKind::kOther:
                problem->Note(ReadProblem::Kind::kNotAFile, path);
                break;
            default:
                problem->Note(ReadProblem::Kind::kCannotOpen, path, error);
                break;
        }
        return false;
    }
    std::vector<char> stored;
    const bool read = storefs::ReadToEnd(fd, &stored, 0);
    const int error = errno;
    storefs::CloseFile(fd);
    if (!read) {
        problem->Note(ReadProblem::Kind::kCannotRead, path, error);
        return false;
    }
    std::vector<char> plain(stored.size());
    storefs::InvertBytes(plain.data(), stored.data(), stored.size());
    TextBuffer text;
    text.Append(plain.data(), static_cast<int64_t>(plain.size()));
    ParseGroups(text, groups);
    return true;
}

bool LogStore::Close() {
    groups_.clear();
    rootIndex_.Close();
    return true;
}

const LogGroup* LogStore::FindGroup(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    for (const LogGroup& g : groups_) {
        if (EqualsIgnoreCase(g.name, name)) {
            return &g;
        }
    }
    return nullptr;
}

bool LogStore::GroupNames(TextBuffer* out) const {
    out->Clear();
    for (const LogGroup& g : groups_) {
        out->AppendLine(g.name.c_str(), static_cast<uint32_t>(g.name.size()));
    }
    return out->Length() > 0;
}

bool LogStore::ListChildren(const LogGroup& group, const char* treePath, TextBuffer* out,
                            bool* leaf, bool listBlocks) const {
    out->Clear();
    TimeKey parent;
    int level = 0;
    ParsedStem parsed;
    if (treePath != nullptr &&
        ParseStem(treePath, std::strlen(treePath), kNestedSeparator, false, false, &parsed)) {
        parent = parsed.key;
        level = parsed.key.count + 1;
    }
    *leaf = level == group.depth;
    if (level > group.depth) {
        return false;  // deepest-level folders have no child folders
    }
    std::vector<uint16_t> values;
    if (!ListChildValues(GroupFolderPath(dataFolder_, group.id, parent, level), *leaf, &values)) {
        return false;
    }
    char line[32];
    for (uint16_t v : values) {
        std::snprintf(line, sizeof line, level == 0 ? "%04hu" : "%02hu", v);
        if (!(listBlocks && *leaf)) {
            out->AppendLine(line);
            continue;
        }
        TimeKey key = parent;
        key.count = static_cast<uint16_t>(level);
        key.value[level] = v;
        std::string stem;
        TimeFolder folder(dataFolder_);
        if (!MakeStem(group.id, key, kNestedSeparator, &stem) || !folder.OpenFolder(stem.c_str())) {
            continue;
        }
        const uint32_t blocks = folder.BlockCount();
        for (uint32_t n = 0; n < blocks; ++n) {
            char blockLine[48];
            std::snprintf(blockLine, sizeof blockLine, "%s(%X).csv", line, n);
            out->AppendLine(blockLine);
        }
    }
    return out->Length() > 0;
}
