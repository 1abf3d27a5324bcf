// Feeds arbitrary bytes to the root-index reader: once straight to the line parser, and once as
// the content of a data folder's "NewDLRoot.idx" that a store is opened over, listed and
// searched.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "log_store.h"
#include "store_api.h"
#include "store_slots.h"
#include "time_key.h"

namespace {

struct Folders {
    std::string data;
    std::string staging;
};

const Folders& ScratchFolders() {
    static const Folders* folders = [] {
        auto* f = new Folders;
        f->data = fuzzsupport::ScratchRoot() + "DL/";
        f->staging = fuzzsupport::ScratchRoot() + "DLTemp/";
        fuzzsupport::MakeFolders(f->data);
        fuzzsupport::MakeFolders(f->staging);
        return f;
    }();
    return *folders;
}

void CheckParsedLine(const uint8_t* data, size_t size) {
    if (size == 0) {
        return;
    }
    const char* line = reinterpret_cast<const char*>(data);
    LogGroup group;
    if (!ParseRootIndexLine(line, static_cast<uint32_t>(size), &group)) {
        return;
    }
    // The name is everything before the first "=".
    const void* eq = std::memchr(line, '=', size);
    FUZZ_CHECK(eq != nullptr);
    const size_t nameLength = static_cast<size_t>(static_cast<const char*>(eq) - line);
    FUZZ_CHECK(group.name.size() == nameLength && group.name.size() <= 259);
    FUZZ_CHECK(group.name.compare(0, nameLength, line, nameLength) == 0);
    FUZZ_CHECK(group.name.find('\0') == std::string::npos);
    FUZZ_CHECK(group.depth == DepthFromInterval(group.interval));
}

void CollectText(void* context, const char* text, uint32_t length) {
    static_cast<std::string*>(context)->assign(text, length);
}

void IgnoreItems(void* context, const char* text, uint32_t length, int leaf) {
    (void)context;
    (void)leaf;
    volatile char sink = 0;
    for (uint32_t i = 0; i < length; ++i)
        sink = static_cast<char>(sink ^ text[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    CheckParsedLine(data, size);

    const Folders& folders = ScratchFolders();
    fuzzsupport::WriteInvertedFile(folders.data + kRootIndexName, data, size);
    // The staging copy is only taken when the staging folder has none.
    fuzzsupport::RemoveTree(folders.staging + kRootIndexName);

    FUZZ_CHECK(StoreOpen(kDataRecords, folders.data.c_str(), folders.staging.c_str()));
    const LogStore* store = SlotStore(kDataRecords);
    FUZZ_CHECK(store != nullptr);
    const size_t groupCount = store->Groups().size();

    std::string names;
    const bool listed = StoreListGroups(kDataRecords, &names, CollectText);
    FUZZ_CHECK(listed == (groupCount > 0));
    if (listed) {
        // One line per group, each ended by "\n", in root-index order.
        FUZZ_CHECK(!names.empty() && names.back() == '\n');
        size_t lineCount = 0;
        size_t from = 0;
        while (from < names.size()) {
            const size_t nl = names.find('\n', from);
            const std::string name = names.substr(from, nl - from);
            FUZZ_CHECK(lineCount < groupCount);
            FUZZ_CHECK(name == store->Groups()[lineCount].name);
            const LogGroup* found = store->FindGroup(name.c_str());
            // A name with a NUL byte cannot be asked for; every other name finds a group at or
            // before its own position (an earlier one may equal it but for case).
            if (name.find('\0') == std::string::npos) {
                FUZZ_CHECK(found != nullptr);
                FUZZ_CHECK(found >= store->Groups().data() && found <= &store->Groups()[lineCount]);
                // No folders exist, so no tree position has children.
                FUZZ_CHECK(!StoreListItems(kDataRecords, name.c_str(), nullptr, nullptr,
                                           IgnoreItems, false));
            }
            ++lineCount;
            from = nl + 1;
        }
        FUZZ_CHECK(lineCount == groupCount);
    }
    FUZZ_CHECK(StoreClose(kDataRecords));
    return 0;
}
