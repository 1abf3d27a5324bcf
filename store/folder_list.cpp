#include "folder_list.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "file_system.h"

std::string GroupFolderPath(const std::string& dataFolder, uint32_t id, const TimeKey& key,
                            int levels) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%X\\", id);
    std::string path = dataFolder + buf;
    for (int i = 0; i < levels && i < 4; ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%04hu\\" : "%02hu\\", key.value[i]);
        path += buf;
    }
    return path;
}

namespace {

bool EndsWithIdx(const std::string& lowered) {
    return lowered.size() >= 4 && lowered.compare(lowered.size() - 4, 4, ".idx") == 0;
}

}  // namespace

bool ListChildValues(const std::string& folderPath, bool deepest, std::vector<uint16_t>* values,
                     int* error) {
    values->clear();
    std::vector<std::string> names;
    if (!storefs::ListFolder(folderPath, &names, error)) {
        return false;
    }
    for (std::string& name : names) {
        if (name.empty() || name[0] == '.')
            continue;
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        }
        if (deepest) {
            if (!EndsWithIdx(name))
                continue;
            name.erase(name.find(".idx"));
        }
        uint16_t v = 0;
        for (char c : name) {
            if (c < '0' || c > '9')
                break;
            v = static_cast<uint16_t>(v * 10 + (c - '0'));
        }
        values->push_back(v);
    }
    std::sort(values->begin(), values->end());
    values->erase(std::unique(values->begin(), values->end()), values->end());
    return true;
}

bool FolderWalker::Walk(const TimeKey& start, const TimeKey& end, void* context,
                        Visitor visitor) const {
    if (depth_ < 0 || depth_ > 3 || CompareKeys(start, end, depth_) > 0) {
        return true;
    }
    // The levels on which start and end agree need no enumeration: the walk begins under the
    // folder of their common prefix.
    int level = 0;
    while (level < depth_ && start.value[level] == end.value[level]) {
        ++level;
    }
    TimeKey prefix = start;
    prefix.count = static_cast<uint16_t>(depth_);
    return WalkLevel(level, prefix, start, end, context, visitor);
}

bool FolderWalker::WalkLevel(int level, TimeKey prefix, const TimeKey& start, const TimeKey& end,
                             void* context, Visitor visitor) const {
    std::vector<uint16_t> values;
    const std::string folder = GroupFolderPath(dataFolder_, groupId_, prefix, level);
    int error = 0;
    if (!ListChildValues(folder, level == depth_, &values, &error)) {
        if (problem_ != nullptr && error != ENOENT)
            problem_->Note(ReadProblem::Kind::kCannotOpen, folder, error);
        return true;
    }
    for (uint16_t v : values) {
        prefix.value[level] = v;
        for (int i = level + 1; i < 4; ++i)
            prefix.value[i] = 0;
        // Prefixes are compared down to this level only, so a folder is taken whenever its own
        // prefix lies in range, whatever the start key's lower values are.
        if (CompareKeys(prefix, start, level) < 0)
            continue;
        if (CompareKeys(prefix, end, level) > 0)
            break;
        if (level == depth_) {
            if (!visitor(context, prefix))
                return false;
        } else if (!WalkLevel(level + 1, prefix, start, end, context, visitor)) {
            return false;
        }
    }
    return true;
}

namespace {

struct ListContext {
    uint32_t id;
    TextBuffer* out;
};

bool AppendStem(void* context, const TimeKey& key) {
    auto* c = static_cast<ListContext*>(context);
    std::string stem;
    if (MakeStem(c->id, key, kFlatSeparator, &stem)) {
        c->out->AppendLine(stem.c_str(), static_cast<uint32_t>(stem.size()));
    }
    return true;
}

}  // namespace

void FolderWalker::List(const TimeKey& start, const TimeKey& end, TextBuffer* out) const {
    out->Clear();
    ListContext context{groupId_, out};
    Walk(start, end, &context, AppendStem);
}
