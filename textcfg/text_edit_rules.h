// What the text dialog and its name dialog do to a view's CurveSettings, on plain values: the
// working list of channel names, the stores of "保存设置" and OK, and the check that refuses a
// name another channel already has.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curve_settings.h"

// The dialogs' messages, exactly as the user sees them.
extern const char kMsgDuplicateChannelName[];
extern const char kMsgCannotSaveIni[];

// One channel's name as the dialog edits it, with the index of the channel it belongs to.
struct WorkingName {
    int32_t index;
    std::string name;
};

// The names of the channels with index 0 .. channelCount-1, in index order; an index without a
// channel is skipped.
std::vector<WorkingName> WorkingNamesOf(const CurveSettings& settings);

// Stores title, remark and each working name into the record (names cut to 31 bytes at a
// character boundary).
void StoreTexts(CurveSettings* settings, const std::string& title, const std::string& remark,
                const std::vector<WorkingName>& names);

// The position of the first of names, other than nameIndex, that equals candidate when ASCII
// letters are compared without regard to case (every other character exactly); -1 when there is
// none. All texts are UTF-8, where a byte below 0x80 is always a character of its own.
int FindDuplicateName(const std::vector<std::string>& names, int nameIndex,
                      const std::string& candidate);
