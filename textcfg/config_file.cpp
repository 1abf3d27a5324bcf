#include "config_file.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <vector>

#include "curve_dialog_rules.h"

namespace {

// The section of the curve view's own choices and its keys, which no other section uses.
const char kOptionsSection[] = "HistavueCurveView";
const char kPanelKey[] = "StatisticsPanel";
const char kEnvelopeKey[] = "EnvelopeThinning";
const char kTimeAxisKey[] = "TrueTimeAxis";
const char kOwnScalesKey[] = "OwnScales";
const char kAlarmsKey[] = "AlarmLanes";

// The six fixed sections; the channels' sections follow them.
const char* const kFixedSections[] = {"LogName", "Remark", "Channel", "Display", "YAxis", "YGrid"};

// A value as it goes on its line: up to its first NUL (the end of a C text), without CR or LF.
std::string OneLine(const std::string& text) {
    return RemoveLineBreaks(std::string_view(text.c_str()));
}

// "%f" in every locale: six decimals and a point.
std::string FormatReal(double value) {
    char buffer[400];
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, r.ptr);
}

// Splits at the last folder separator: the folder keeps it, the name is the rest.
void SplitPath(const std::string& path, std::string* folder, std::string* name) {
#ifdef _WIN32
    const size_t cut = path.find_last_of("\\/");
#else
    const size_t cut = path.rfind('/');
#endif
    *folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    *name = cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string RemoveLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

bool WriteConfig(IniFile* ini, const std::string& title, const std::string& remark,
                 const CurveSettings& s, const ConfigCodec& codec) {
    auto text = [&codec](const std::string& t) {
        return OneLine(codec.toFile ? codec.toFile(t) : t);
    };
    bool ok = !codec.utf8File || ini->WriteLine("\xEF\xBB\xBF");
    ok = ok && ini->WriteSection("LogName");
    ok = ok && ini->WriteString("Name", text(title));
    ok = ok && ini->WriteSection("Remark");
    ok = ok && ini->WriteString("RemarkText", text(remark));
    ok = ok && ini->WriteSection("Channel");
    ok = ok && ini->WriteInt("TotolChannel", s.channelCount);  // spelt so in every such file
    ok = ok && ini->WriteInt("ShowNum", s.shownCount);
    ok = ok && ini->WriteSection("Display");
    ok = ok && ini->WriteInt("DeskColor", s.backgroundColor);
    ok = ok && ini->WriteInt("GridType", s.gridMode);
    ok = ok && ini->WriteSection("YAxis");
    ok = ok && ini->WriteInt("YAxisType", s.yAxisMode);
    ok = ok && ini->WriteString("ManualMax", FormatReal(s.yMax));
    ok = ok && ini->WriteString("ManualMin", FormatReal(s.yMin));
    ok = ok && ini->WriteSection("YGrid");
    ok = ok && ini->WriteInt("YGridIntervalType", s.yGridMode);
    ok = ok && ini->WriteString("YGridInterval", FormatReal(s.yGridInterval));
    // The names stand inside YGrid, but readers look them up below Channel, past YGrid.
    int k = 1;
    for (const CurveChannel& c : s.channels)
        ok = ok && ini->WriteString("CH" + std::to_string(k++), text(c.Name()));
    ok = ok && ini->WriteLine("\n");
    const std::vector<const CurveChannel*> byIndex = s.ChannelsByIndex();
    for (int32_t i = 0; i < s.channelCount; ++i) {
        const CurveChannel* c = byIndex[static_cast<size_t>(i)];
        if (c == nullptr)
            continue;
        ok = ok && ini->WriteSection(text(c->Name()));
        ok = ok && ini->WriteInt("Id", c->index);
        ok = ok && ini->WriteInt("bShow", c->show);
        ok = ok && ini->WriteInt("ShowId", c->showIndex);
        ok = ok && ini->WriteInt("LineColor", c->colorIndex);
        ok = ok && ini->WriteInt("LineType", c->lineType);
    }
    // The view's own choices go last, in a section of keys no other section has, and only when
    // one differs from its default: a file of default choices stays as it always was.
    if (s.statisticsPanel != 0 || s.envelope != 0 || s.timeAxis != 0 || s.ownScales != 0 ||
        s.alarms != 0) {
        ok = ok && ini->WriteSection(kOptionsSection);
        ok = ok && ini->WriteInt(kPanelKey, s.statisticsPanel != 0 ? 1 : 0);
        ok = ok && ini->WriteInt(kEnvelopeKey, s.envelope != 0 ? 1 : 0);
        ok = ok && ini->WriteInt(kTimeAxisKey, s.timeAxis != 0 ? 1 : 0);
        // These two only when on: a section written before they existed stays as it was.
        if (s.ownScales != 0)
            ok = ok && ini->WriteInt(kOwnScalesKey, 1);
        if (s.alarms != 0)
            ok = ok && ini->WriteInt(kAlarmsKey, 1);
    }
    return ok;
}

bool WriteConfigFile(const std::string& path, const std::string& title, const std::string& remark,
                     const CurveSettings& settings, const ConfigCodec& codec) {
    std::string folder;
    std::string name;
    SplitPath(path, &folder, &name);
    IniFile ini;
    ini.SetFileName(name);
    ini.SetDirectory(folder);
    if (!ini.OpenForWrite())
        return false;
    const bool written = WriteConfig(&ini, title, remark, settings, codec);
    return ini.Close() && written;
}

bool ReadConfig(const IniFile& ini, CurveSettings* s, std::string* title, std::string* remark,
                const ConfigCodec& codec) {
    // Channel sections are looked up only below the fixed ones, so that a channel named like a
    // fixed section ("Display") finds its own section, not the fixed one.
    size_t channelArea = 0;
    bool isConfig = false;
    for (const char* section : kFixedSections) {
        const size_t line = ini.FindSection(section);
        if (line != IniFile::kNoLine) {
            isConfig = true;
            channelArea = std::max(channelArea, line + 1);
        }
    }
    if (!isConfig)
        return false;
    // A file with a byte-order mark is UTF-8. Others are mostly in the panels' code page, whose
    // short Chinese can pass for UTF-8 made of two-byte characters only, which a Chinese UTF-8
    // file hardly ever is.
    const bool utf8 = ini.IsUtf8() && (ini.HasByteOrderMark() || !ini.OnlyTwoByteUtf8());
    auto text = [&](const std::string& t) {
        const TextRecoder& recode = utf8 ? codec.fromUtf8File : codec.fromCodePageFile;
        return recode ? recode(t) : t;
    };
    auto readText = [&](const char* section, const char* key) {
        std::string value;
        ini.ReadString(section, key, &value);
        return value;
    };

    *title = text(readText("LogName", "Name"));
    s->title = *title;
    *remark = text(readText("Remark", "RemarkText"));
    s->remark = *remark;
    // The file's channel count says how many names it holds (without it, as many as the record
    // has); the record keeps its own count, and its shown count is recomputed below.
    int32_t fileChannels = s->channelCount;
    ini.ReadInt("Channel", "TotolChannel", &fileChannels);
    s->backgroundColor = IniFile::TextToInt(readText("Display", "DeskColor"));
    ini.ReadInt("Display", "GridType", &s->gridMode);
    ini.ReadInt("YAxis", "YAxisType", &s->yAxisMode);
    s->yMax = TextNumber(readText("YAxis", "ManualMax"));
    s->yMin = TextNumber(readText("YAxis", "ManualMin"));
    ini.ReadInt("YGrid", "YGridIntervalType", &s->yGridMode);
    s->yGridInterval = TextNumber(readText("YGrid", "YGridInterval"));

    const int32_t count = std::min(fileChannels, s->channelCount);
    std::vector<std::string> importNames;
    for (int32_t k = 1; k <= count; ++k)
        importNames.push_back(readText("Channel", ("CH" + std::to_string(k)).c_str()));
    // Channels of one name have one section each, in channel order: the n-th channel of a name
    // takes the n-th section of that name.
    std::unordered_map<std::string, size_t> seen;
    const std::vector<CurveChannel*> byIndex = s->ChannelsByIndex();
    for (int32_t j = 0; j < count; ++j) {
        CurveChannel* c = byIndex[static_cast<size_t>(j)];
        if (c == nullptr)
            continue;
        const std::string& name = importNames[static_cast<size_t>(j)];
        c->SetName(text(name));
        size_t section = ini.FindSection(name, channelArea, seen[name]++);
        if (section == IniFile::kNoLine)
            section = ini.FindSection(name, channelArea);
        // "Id" and "ShowId" are not taken: the index is the channel's column, and the shown
        // ordinals follow from the visibility.
        // Stored as read: only 1 shows a channel, so any other number keeps it hidden.
        ini.ReadIntBelow(section, "bShow", &c->show);
        std::string color;
        ini.ReadStringBelow(section, "LineColor", &color);
        c->colorIndex = IniFile::TextToInt(color);
        ini.ReadIntBelow(section, "LineType", &c->lineType);
    }
    int32_t shown = 0;
    for (CurveChannel& c : s->channels)
        c.showIndex = c.show == 1 ? shown++ : -1;
    s->shownCount = shown;
    // The last section of the name counts: a channel may be named like it, and its section
    // comes first.
    s->statisticsPanel = 0;
    s->envelope = 0;
    s->timeAxis = 0;
    s->ownScales = 0;
    s->alarms = 0;
    size_t options = IniFile::kNoLine;
    for (size_t at = ini.FindSection(kOptionsSection); at != IniFile::kNoLine;
         at = ini.FindSection(kOptionsSection, at + 1))
        options = at;
    if (options != IniFile::kNoLine) {
        int32_t v = 0;
        if (ini.ReadIntBelow(options, kPanelKey, &v))
            s->statisticsPanel = v != 0 ? 1 : 0;
        if (ini.ReadIntBelow(options, kEnvelopeKey, &v))
            s->envelope = v != 0 ? 1 : 0;
        if (ini.ReadIntBelow(options, kTimeAxisKey, &v))
            s->timeAxis = v != 0 ? 1 : 0;
        if (ini.ReadIntBelow(options, kOwnScalesKey, &v))
            s->ownScales = v != 0 ? 1 : 0;
        if (ini.ReadIntBelow(options, kAlarmsKey, &v))
            s->alarms = v != 0 ? 1 : 0;
    }
    return true;
}

bool ReadConfigFile(const std::string& path, CurveSettings* settings, std::string* title,
                    std::string* remark, const ConfigCodec& codec, IniRefusal* refusal,
                    int* error) {
    IniFile ini;
    ini.SetFileName(path);
    IniRefusal why = IniRefusal::kNone;
    if (!ini.OpenForRead())
        why = ini.Refusal();
    else if (!ReadConfig(ini, settings, title, remark, codec))
        why = IniRefusal::kNotConfig;
    if (refusal != nullptr)
        *refusal = why;
    if (error != nullptr)
        *error = ini.Error();
    ini.Close();
    return why == IniRefusal::kNone;
}
