#include "text_edit_rules.h"

// Marks the messages for the translation tools; the windows look them up when they show them.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

const char kMsgDuplicateChannelName[] =
    QT_TRANSLATE_NOOP("Histavue", "设置的通道名称已存在，请重新设置!");
const char kMsgCannotSaveIni[] = QT_TRANSLATE_NOOP("Histavue", "无法保存 Ini 文件！");

namespace {

char FoldAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

}  // namespace

std::vector<WorkingName> WorkingNamesOf(const CurveSettings& s) {
    std::vector<WorkingName> names;
    const std::vector<const CurveChannel*> byIndex = s.ChannelsByIndex();
    for (int32_t i = 0; i < s.channelCount; ++i) {
        if (const CurveChannel* c = byIndex[static_cast<size_t>(i)])
            names.push_back({i, c->Name()});
    }
    return names;
}

void StoreTexts(CurveSettings* s, const std::string& title, const std::string& remark,
                const std::vector<WorkingName>& names) {
    s->title = title;
    s->remark = remark;
    const std::vector<CurveChannel*> byIndex = s->ChannelsByIndex();
    for (const WorkingName& n : names) {
        if (n.index >= 0 && n.index < s->channelCount && byIndex[static_cast<size_t>(n.index)])
            byIndex[static_cast<size_t>(n.index)]->SetName(n.name);
    }
}

int FindDuplicateName(const std::vector<std::string>& names, int nameIndex,
                      const std::string& candidate) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (static_cast<int>(i) != nameIndex && EqualIgnoringAsciiCase(names[i], candidate))
            return static_cast<int>(i);
    }
    return -1;
}
