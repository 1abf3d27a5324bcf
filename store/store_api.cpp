#include "store_api.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "file_system.h"
#include "folder_list.h"
#include "log_store.h"
#include "store_slots.h"
#include "text_buffer.h"
#include "time_folder.h"
#include "time_key.h"

namespace {

struct StoreSlot {
    std::string stagingFolder;
    std::string dataFolder;
    std::unique_ptr<LogStore> store;
};

StoreSlot g_slots[2];

bool WithSeparator(const char* path, std::string* out) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    *out = path;
    if (out->back() != '\\' && out->back() != '/') {
        *out += '\\';
    }
    return out->size() <= storefs::kMaxPath;
}

// The length of a block's text without its last line when that is a record line without its
// "\n", which is then counted in *unended. Lines follow TextBuffer::NextLine (a run of "\n"
// separates two lines); the first two are the header lines, which are kept however they end.
uint32_t EndedLength(const char* text, uint32_t length, uint32_t* unended) {
    if (length == 0 || text[length - 1] == '\n') {
        return length;
    }
    uint32_t cut = length;
    while (cut > 0 && text[cut - 1] != '\n') {
        --cut;
    }
    int lines = 0;
    for (uint32_t i = 0; i < cut && lines < 2; ++i) {
        if (text[i] != '\n' && (i + 1 == cut || text[i + 1] == '\n')) {
            ++lines;
        }
    }
    if (lines < 2) {
        return length;
    }
    ++*unended;
    return cut;
}

}  // namespace

LogStore* SlotStore(int kind) {
    if (kind < 0 || kind >= 2) {
        return nullptr;
    }
    return g_slots[kind].store.get();
}

bool StoreOpen(int kind, const char* dataFolder, const char* stagingFolder) {
    if (kind < 0 || kind >= 3 || dataFolder == nullptr || dataFolder[0] == '\0' ||
        stagingFolder == nullptr || stagingFolder[0] == '\0') {
        return false;
    }
    if (kind == kReservedRecords) {
        return true;
    }
    StoreSlot& slot = g_slots[kind];
    if (slot.store) {
        return false;
    }
    if (!WithSeparator(dataFolder, &slot.dataFolder) ||
        !WithSeparator(stagingFolder, &slot.stagingFolder)) {
        slot = StoreSlot();
        return false;
    }
    auto store = std::make_unique<LogStore>();
    if (!store->Open(slot.stagingFolder, slot.dataFolder)) {
        slot = StoreSlot();
        return false;
    }
    slot.store = std::move(store);
    return true;
}

bool StoreClose(int kind) {
    if (SlotStore(kind) == nullptr) {
        return false;
    }
    g_slots[kind].store->Close();
    g_slots[kind] = StoreSlot();
    return true;
}

bool StoreListGroups(int kind, void* context, StoreTextCallback callback) {
    LogStore* store = SlotStore(kind);
    if (store == nullptr || callback == nullptr) {
        return false;
    }
    TextBuffer names;
    if (!store->GroupNames(&names)) {
        return false;
    }
    callback(context, names.Data(), names.Length());
    return true;
}

bool StoreListItems(int kind, const char* groupName, const char* treePath, void* context,
                    StoreItemsCallback callback, bool listBlocks) {
    LogStore* store = SlotStore(kind);
    if (store == nullptr || groupName == nullptr || callback == nullptr) {
        return false;
    }
    const LogGroup* group = store->FindGroup(groupName);
    if (group == nullptr) {
        return false;
    }
    TextBuffer lines;
    bool leaf = false;
    if (!store->ListChildren(*group, treePath, &lines, &leaf, listBlocks)) {
        return false;
    }
    callback(context, lines.Data(), lines.Length(), leaf ? 1 : 0);
    return true;
}

bool StoreExportItem(int kind, const char* groupName, const char* itemPath, void* context,
                     StoreTextCallback callback, int* stop, StoreLeftOut* leftOut) {
    StoreLeftOut ignored;
    StoreLeftOut& left = leftOut != nullptr ? *leftOut : ignored;
    left = StoreLeftOut();
    LogStore* store = SlotStore(kind);
    if (store == nullptr || groupName == nullptr || itemPath == nullptr || callback == nullptr) {
        return false;
    }
    const LogGroup* group = store->FindGroup(groupName);
    ParsedStem item;
    if (group == nullptr ||
        !ParseStem(itemPath, std::strlen(itemPath), kNestedSeparator, false, true, &item) ||
        item.key.count != group->depth || group->id == 0) {
        return false;
    }
    std::string stem;
    if (!MakeStem(group->id, item.key, kNestedSeparator, &stem)) {
        return false;
    }
    bool called = false;
    TextBuffer text;
    if (item.block < 0) {
        TimeFolder folder(store->DataFolder());
        if (!folder.OpenFolder(stem.c_str())) {
            return false;
        }
        const uint32_t blocks = folder.BlockCount();
        for (uint32_t n = 0; n < blocks && (stop == nullptr || *stop == 0); ++n) {
            if (folder.ReadBlock(n, &text)) {
                callback(context, text.Data(),
                         EndedLength(text.Data(), text.Length(), &left.unendedLines));
                called = true;
            }
        }
        folder.CloseFolder();
    } else {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "(%X).csv", static_cast<unsigned>(item.block));
        LogTextFile block;
        if (block.Open((store->DataFolder() + stem + suffix).c_str(), true) &&
            block.Buffer().Length() > 0) {
            const TextBuffer& whole = block.Buffer();
            callback(context, whole.Data(),
                     EndedLength(whole.Data(), whole.Length(), &left.unendedLines));
            called = true;
        }
    }
    return called;
}
