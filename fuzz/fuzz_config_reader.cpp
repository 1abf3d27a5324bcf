// The configuration file reader: arbitrary bytes read into a record of a few channels. Whatever
// the text, the record stays whole (its channel count, the indexes 0 .. count-1 in order, the
// shown count and ordinals that follow from the visibility, names within their field), and what
// is then written reads back to the same record.
#include <charconv>
#include <cstring>
#include <string>

#include "config_file.h"
#include "curve_settings.h"
#include "fuzz_support.h"
#include "ini_file.h"

namespace {

CurveSettings Fresh(int count) {
    CurveSettings s;
    s.title = "title";
    s.channelCount = count;
    s.shownCount = count;
    for (int i = 0; i < count; ++i) {
        CurveChannel& c = s.channels.emplace_back();
        c.SetName("C" + std::to_string(i));
        c.index = c.showIndex = c.colorIndex = c.lineType = i;
    }
    return s;
}

void CheckWhole(const CurveSettings& s, int count) {
    FUZZ_CHECK(s.channelCount == count);
    FUZZ_CHECK(s.channels.size() == static_cast<size_t>(count));
    int index = 0;
    int shown = 0;
    for (const CurveChannel& c : s.channels) {
        FUZZ_CHECK(c.index == index++);
        FUZZ_CHECK(c.showIndex == (c.show == 1 ? shown++ : -1));
        FUZZ_CHECK(std::memchr(c.name, '\0', sizeof c.name) != nullptr);
    }
    FUZZ_CHECK(s.shownCount == shown);
}

std::string Normal(const std::string& text) {
    return IniFile::Trim(RemoveLineBreaks(text));
}

std::string Fixed(double value) {
    char buffer[400];
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, r.ptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536)
        return 0;
    fuzzsupport::ByteReader in(data, size);
    const int count = in.U8() % 6;
    size_t length = 0;
    const char* text = reinterpret_cast<const char*>(in.Rest(&length));

    CurveSettings s = Fresh(count);
    IniFile ini;
    std::string title = "unchanged";
    std::string remark;
    if (!ini.OpenText(std::string(text, length)) || !ReadConfig(ini, &s, &title, &remark)) {
        FUZZ_CHECK(title == "unchanged" && s.title == "title");
        CheckWhole(s, count);
        return 0;
    }
    CheckWhole(s, count);
    FUZZ_CHECK(title == s.title && remark == s.remark);

    IniFile out;
    out.OpenForWriteInMemory();
    FUZZ_CHECK(WriteConfig(&out, s.title, s.remark, s));
    IniFile back;
    FUZZ_CHECK(back.OpenText(out.WrittenText()));
    CurveSettings again = Fresh(count);
    FUZZ_CHECK(ReadConfig(back, &again, &title, &remark));
    CheckWhole(again, count);
    FUZZ_CHECK(again.title == Normal(s.title));
    FUZZ_CHECK(again.remark == Normal(s.remark));
    FUZZ_CHECK(again.backgroundColor == s.backgroundColor && again.gridMode == s.gridMode);
    FUZZ_CHECK(again.yAxisMode == s.yAxisMode && again.yGridMode == s.yGridMode);
    FUZZ_CHECK(Fixed(again.yMin) == Fixed(s.yMin) && Fixed(again.yMax) == Fixed(s.yMax));
    FUZZ_CHECK(Fixed(again.yGridInterval) == Fixed(s.yGridInterval));
    auto a = s.channels.begin();
    for (const CurveChannel& b : again.channels) {
        FUZZ_CHECK(b.Name() == Normal(a->Name()));
        FUZZ_CHECK(b.show == a->show && b.colorIndex == a->colorIndex);
        FUZZ_CHECK(b.lineType == a->lineType);
        ++a;
    }
    return 0;
}
