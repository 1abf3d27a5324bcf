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
                     StoreTextCallback callback, int* stop) {
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
                callback(context, text.Data(), text.Length());
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
            callback(context, block.Buffer().Data(), block.Buffer().Length());
            called = true;
        }
    }
    return called;
}
