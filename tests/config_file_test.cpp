// The configuration file without windows: the exact lines written, the lookup rules of the
// reader, what an import may change in a record, files that are refused, and a round trip of
// awkward texts through write and read.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "config_file.h"
#include "ini_file.h"
#include "line_rule.h"
#include "temp_folder.h"
#include "text_edit_rules.h"

namespace {

// A record as a freshly loaded document has it, with one channel per name.
CurveSettings Fresh(const std::vector<std::string>& names, const std::string& title = "Line 3") {
    CurveSettings s;
    s.title = title;
    s.channelCount = static_cast<int32_t>(names.size());
    s.shownCount = s.channelCount;
    for (int32_t i = 0; i < s.channelCount; ++i) {
        CurveChannel& c = s.channels.emplace_back();
        c.SetName(names[static_cast<size_t>(i)]);
        c.index = c.showIndex = i;
        c.colorIndex = i < 32 ? i : 0;
        c.lineType = i < 7 ? i : 0;
    }
    return s;
}

std::string Written(const CurveSettings& s, const std::string& remark = "") {
    IniFile ini;
    ini.OpenForWriteInMemory();
    EXPECT_TRUE(WriteConfig(&ini, s.title, remark, s));
    return ini.WrittenText();
}

// Reads text into s; false when it was refused.
bool Read(const std::string& text, CurveSettings* s, std::string* title = nullptr) {
    IniFile ini;
    if (!ini.OpenText(text))
        return false;
    std::string t;
    std::string remark;
    return ReadConfig(ini, s, title != nullptr ? title : &t, &remark);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

class TempFolder {
  public:
    TempFolder() : path_(MakeTestFolder("histavue-ini-")) {}
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

const char kExample[] =
    "[LogName]\r\nName=Line 3\r\n[Remark]\r\nRemarkText=\r\n[Channel]\r\nTotolChannel=2\r\n"
    "ShowNum=2\r\n[Display]\r\nDeskColor=29\r\nGridType=0\r\n[YAxis]\r\nYAxisType=0\r\n"
    "ManualMax=100.000000\r\nManualMin=0.000000\r\n[YGrid]\r\nYGridIntervalType=1\r\n"
    "YGridInterval=4.000000\r\nCH1=P1\r\nCH2=P2\r\n\r\n[P1]\r\nId=0\r\nbShow=1\r\nShowId=0\r\n"
    "LineColor=0\r\nLineType=0\r\n[P2]\r\nId=1\r\nbShow=1\r\nShowId=1\r\nLineColor=1\r\n"
    "LineType=1\r\n";

TEST(ConfigFile, WritesTheFixedLayoutByteForByteAndReplacesWholeFiles) {
    TempFolder dir;
    const std::string path = dir / "new/a.ini";  // the folder is created, one level
    ASSERT_TRUE(WriteConfigFile(path, "Line 3", "", Fresh({"P1", "P2"})));
    EXPECT_EQ(ReadFile(path), kExample);
    // The remark's line breaks are dropped, the lines running together.
    EXPECT_NE(Written(Fresh({}), "one\r\ntwo\r\n\r\nthree").find("RemarkText=onetwothree\r\n"),
              std::string::npos);
    // A file that cannot be created is reported, and an existing one is left whole.
    EXPECT_FALSE(WriteConfigFile(dir / "x/y/a.ini", "t", "", Fresh({"P1"})));
    EXPECT_FALSE(WriteConfigFile(dir / "new", "t", "", Fresh({"P1"})));
    EXPECT_EQ(ReadFile(path), kExample);
}

TEST(IniFile, LookupRules) {
    const std::string text =
        "\xEF\xBB\xBF[LogName] \t\nName= Line = 3 \n[Remark]\r\nRemarkText=a[b]\n\t[Channel]\n"
        "TotolChannel=2\n"
        "[Display]\nx=Display\n[YGrid]\nYGridInterval=2.5\nCH1=P1\n\nnot a key\n=empty key\n"
        "[ P1 ]\nId=0\n[Extra]\nLate=1\n";
    struct Case {
        const char* section;
        const char* key;
        const char* expected;  // null: not found
    };
    const Case cases[] = {
        {"LogName", "Name", "Line = 3"},   // first "=" splits; spaces around dropped; the
                                           // section after a byte-order mark, before blanks
        {"Remark", "RemarkText", "a[b]"},  // a value holding "[" is a value
        {"Channel", "CH1", "P1"},          // found past the YGrid section line; the section
                                           // line after a tab
        {"LogName", "Late", "1"},          // a key missing in its section comes from a later one
        {"P1", "Id", "0"},                 // section names without their spaces
        {"Display", "Name", nullptr},      // the search runs forward only
        {"Display", "x", "Display"},
        {"Nowhere", "Name", nullptr},
        {"LogName", "", nullptr},
        {"Remark", "remarktext", nullptr},  // keys are exact
    };
    IniFile ini;
    std::string value = "kept";
    EXPECT_FALSE(ini.ReadString("LogName", "Name", &value));  // nothing open
    ASSERT_TRUE(ini.OpenText(text));
    for (const Case& c : cases) {
        value = "kept";
        EXPECT_EQ(ini.ReadString(c.section, c.key, &value), c.expected != nullptr)
            << c.section << "/" << c.key;
        EXPECT_EQ(value, c.expected != nullptr ? c.expected : "kept") << c.section << "/" << c.key;
    }
    // "Display" as a value is no section: the second [Display] line would be.
    EXPECT_EQ(ini.FindSection("Display"), 6u);
    EXPECT_EQ(ini.FindSection("Display", 7), IniFile::kNoLine);
    EXPECT_TRUE(ini.IsUtf8());

    const std::pair<const char*, int32_t> ints[] = {
        {"12", 12},
        {"  -7x", -7},
        {"+3", 3},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"2147483647", INT32_MAX},
    };
    for (const auto& [in, out] : ints)
        EXPECT_EQ(IniFile::TextToInt(in), out) << in;
    EXPECT_EQ(IniFile::Trim("  a\tb  "), "a\tb");
}

TEST(ConfigFile, ReadsIntoTheRecordByTheFixedRules) {
    // A file without the Remark section: the remark becomes empty, the rest reads normally.
    std::string text = kExample;
    text.erase(text.find("[Remark]"), std::string("[Remark]\r\nRemarkText=\r\n").size());
    CurveSettings s = Fresh({"A", "B"}, "old");
    s.remark = "old remark";
    s.gridMode = 2;
    s.yGridInterval = 9;
    std::string title;
    ASSERT_TRUE(Read(text, &s, &title));
    EXPECT_EQ(title, "Line 3");
    EXPECT_EQ(s.title, "Line 3");
    EXPECT_EQ(s.remark, "");
    EXPECT_EQ(s.gridMode, 0);
    EXPECT_EQ(s.yGridInterval, 4.0);
    EXPECT_EQ(s.channels.back().Name(), "P2");
    EXPECT_EQ(s.channels.back().lineType, 1);

    // Missing keys: texts and colours empty or 0, reals 0.0, other numbers kept.
    s = Fresh({"A", "B"});
    s.gridMode = 2;
    s.channels.back().lineType = 5;
    ASSERT_TRUE(Read("[LogName]\nTotolChannel=2\n", &s));
    EXPECT_EQ(s.title, "");
    EXPECT_EQ(s.backgroundColor, 0);
    EXPECT_EQ(s.yMax, 0.0);
    EXPECT_EQ(s.gridMode, 2);
    EXPECT_EQ(s.channels.back().Name(), "");
    EXPECT_EQ(s.channels.back().colorIndex, 0);
    EXPECT_EQ(s.channels.back().lineType, 5);
}

TEST(ConfigFile, ImportKeepsTheRecordWhole) {
    // The file speaks of four channels with odd numbers; the record has three.
    const std::string text =
        "[LogName]\nName=T\n[Channel]\nTotolChannel=4\nShowNum=9\n[YGrid]\nCH1=Display\n"
        "CH2=b\nCH3=" +
        std::string(12, 'x') +
        "中文中文中文中文中文\nCH4=d\n[Display]\nDeskColor=77\n"
        "[Display]\nId=5\nbShow=0\nShowId=3\nLineColor=40\nLineType=-2\n[b]\nId=0\nbShow=2\n"
        "LineColor=1\nLineType=2\n[d]\nId=1\nbShow=0\n";
    CurveSettings s = Fresh({"A", "B", "C"});
    ASSERT_TRUE(Read(text, &s));
    ASSERT_EQ(s.channelCount, 3);
    ASSERT_EQ(s.channels.size(), 3u);
    int32_t i = 0;
    for (const CurveChannel& c : s.channels)
        EXPECT_EQ(c.index, i++);
    const CurveChannel& display = s.channels.front();
    // The channel named Display reads its own section, not the fixed one.
    EXPECT_EQ(display.Name(), "Display");
    EXPECT_EQ(display.show, 0);
    EXPECT_EQ(display.showIndex, -1);
    EXPECT_EQ(display.colorIndex, 40);  // out of range, stored as read
    EXPECT_EQ(display.lineType, -2);
    EXPECT_EQ(s.backgroundColor, 77);
    // Visibility is stored as read, and only 1 shows a channel.
    const CurveChannel& b = *std::next(s.channels.begin());
    EXPECT_EQ(b.show, 2);
    EXPECT_EQ(b.showIndex, -1);
    // Cut to 31 bytes between characters (12 + 6 * 3 = 30 bytes of UTF-8).
    EXPECT_EQ(s.channels.back().Name(), std::string(12, 'x') + "中文中文中文");
    EXPECT_EQ(s.shownCount, 1);
    EXPECT_EQ(s.channels.back().showIndex, 0);

    // Fewer channels in the file: the others keep what they had.
    s = Fresh({"A", "B", "C"});
    ASSERT_TRUE(Read("[Channel]\nTotolChannel=1\nCH1=Z\n", &s));
    EXPECT_EQ(s.channels.front().Name(), "Z");
    EXPECT_EQ(s.channels.back().Name(), "C");
    EXPECT_EQ(s.channels.back().colorIndex, 2);
}

TEST(ConfigFile, ShortChineseInThePanelsCodePageIsNotTakenForUtf8) {
    struct Case {
        const char* what;
        const char* title;
        const char* readAs;
        bool bom = false;  // the file starts with a UTF-8 byte-order mark, as editors save it
    };
    const Case cases[] = {
        {"GB18030 液位, valid UTF-8 by chance", "\xD2\xBA\xCE\xBB", "G"},
        {"UTF-8 液位", "\xE6\xB6\xB2\xE4\xBD\x8D", "U"},
        {"UTF-8 温度 with a degree sign",
         "\xE6\xB8\xA9\xE5\xBA\xA6\xC2\xB0"
         "C",
         "U"},
        {"GB18030 that is no UTF-8", "\xB9\xF8\xC2\xAF", "G"},
        {"two-byte UTF-8 after a byte-order mark", "\xC3\xA9t\xC3\xA9", "U", true},
        {"short Chinese after a byte-order mark", "\xD2\xBA\xCE\xBB", "U", true},
    };
    for (const Case& c : cases) {
        IniFile out;
        out.OpenForWriteInMemory();
        ConfigCodec codec;
        codec.utf8File = c.bom;
        ASSERT_TRUE(WriteConfig(&out, c.title, "", CurveSettings(), codec));
        IniFile in;
        ASSERT_TRUE(in.OpenText(out.WrittenText()));
        codec.fromUtf8File = [](const std::string& t) { return "U" + t; };
        codec.fromCodePageFile = [](const std::string& t) { return "G" + t; };
        CurveSettings s;
        std::string title;
        std::string remark;
        ASSERT_TRUE(ReadConfig(in, &s, &title, &remark, codec)) << c.what;
        EXPECT_EQ(title, c.readAs + std::string(c.title)) << c.what;
    }
}

TEST(ConfigFile, RefusesWhatIsNoConfigurationFileAndSaysWhy) {
    TempFolder dir;
    const std::string csv = dir / "r.csv";
    std::ofstream(csv) << "Line1\nTime,T1\n2024-01-01 00:00:00,1\n";
    const std::string binary = dir / "b.ini";
    std::ofstream(binary, std::ios::binary) << std::string("[LogName]\0Name=x\n", 17);
    const std::string cr = dir / "cr.ini";
    std::ofstream(cr, std::ios::binary) << "[LogName]\rName=x\r";
    const std::string huge = dir / "h.ini";
    {
        std::ofstream out(huge, std::ios::binary);
        out << "[LogName]\nName=x\n" << std::string(IniFile::kMaxFileBytes, ' ');
    }
    const std::pair<std::string, IniRefusal> cases[] = {
        {csv, IniRefusal::kNotConfig},
        {binary, IniRefusal::kNulByte},
        {cr, IniRefusal::kCrLineEnds},
        {huge, IniRefusal::kTooLarge},
        {dir / "missing.ini", IniRefusal::kCannotOpen},
        {"", IniRefusal::kCannotOpen},
        {dir / "", IniRefusal::kFolder},
#ifndef _WIN32
        {"/dev/zero", IniRefusal::kNotRegular},
#endif
    };
    for (const auto& [path, expected] : cases) {
        CurveSettings s = Fresh({"A"}, "kept");
        std::string title = "t";
        std::string remark = "r";
        IniRefusal refusal = IniRefusal::kNone;
        int error = 0;
        EXPECT_FALSE(ReadConfigFile(path, &s, &title, &remark, {}, &refusal, &error)) << path;
        EXPECT_EQ(refusal, expected) << path;
        EXPECT_FALSE(IniRefusalText(refusal, error).empty()) << path;
        EXPECT_EQ(s.title, "kept");
        EXPECT_EQ(title, "t");
        EXPECT_EQ(s.backgroundColor, 29);
    }
    EXPECT_EQ(IniRefusalText(IniRefusal::kCannotOpen, ENOENT),
              "cannot be opened: No such file or directory");
}

TEST(ConfigFile, WhatIsWrittenReadsBack) {
    const std::vector<std::string> pieces = {
        "[",         "]",       "=",     " ",   "中文", "\xCE\xC2",       "Display",
        "YAxis",     "LogName", "YGrid", "CH1", "Id",   "bShow",          "Name",
        "[Display]", "[P1]",    "a",     "Z",   "\r\n", "TotolChannel=9", "x"};
    std::mt19937 random(20261208);
    auto text = [&](int maxPieces) {
        std::string t;
        const int n = static_cast<int>(random() % static_cast<unsigned>(maxPieces + 1));
        for (int i = 0; i < n; ++i)
            t += pieces[random() % pieces.size()];
        return t;
    };
    auto expected = [](const std::string& t) { return IniFile::Trim(RemoveLineBreaks(t)); };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> names;
        const int count = 1 + static_cast<int>(random() % 5);
        for (int i = 0; i < count; ++i)
            names.push_back(RemoveLineBreaks(text(6)));
        CurveSettings out = Fresh(names, text(8));
        const std::string remark = text(8);
        for (CurveChannel& c : out.channels) {
            c.show = static_cast<int32_t>(random() % 2);
            c.colorIndex = static_cast<int32_t>(random() % 40) - 4;
            c.lineType = static_cast<int32_t>(random() % 9);
        }
        out.backgroundColor = static_cast<int32_t>(random() % 32);
        out.gridMode = static_cast<int32_t>(random() % 4);
        out.yAxisMode = 1;
        out.yMin = -2.5;
        out.yMax = 1e6 + 0.125;
        out.yGridInterval = 2.5;
        const std::string file = Written(out, remark);

        CurveSettings in = Fresh(std::vector<std::string>(names.size(), "?"), "?");
        std::string title;
        ASSERT_TRUE(Read(file, &in, &title)) << file;
        EXPECT_EQ(in.title, expected(out.title)) << file;
        EXPECT_EQ(in.remark, expected(remark)) << file;
        EXPECT_EQ(in.backgroundColor, out.backgroundColor);
        EXPECT_EQ(in.gridMode, out.gridMode);
        EXPECT_EQ(in.yAxisMode, 1);
        EXPECT_EQ(in.yMin, -2.5);
        EXPECT_EQ(in.yMax, 1e6 + 0.125);
        EXPECT_EQ(in.yGridInterval, 2.5);
        auto a = out.channels.begin();
        for (const CurveChannel& b : in.channels) {
            EXPECT_EQ(b.Name(), IniFile::Trim(a->Name())) << file;
            EXPECT_EQ(b.show, a->show) << file;
            EXPECT_EQ(b.colorIndex, a->colorIndex) << file;
            EXPECT_EQ(b.lineType, a->lineType) << file;
            ++a;
        }
    }
}

TEST(TextEditRules, NamesAndTheirDuplicateCheck) {
    const std::vector<std::string> names = {"temp", "T2", "温度a", ""};
    struct Case {
        int nameIndex;
        const char* candidate;
        int duplicate;
    };
    const Case cases[] = {
        {1, "TEMP", 0},  {0, "TEMP", -1},  // its own name, in any case
        {0, "t2", 1},    {0, "温度A", 2},  // only ASCII letters fold
        {0, "温度", -1}, {0, "", 3},      {3, "", -1}, {0, "T2 ", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindDuplicateName(names, c.nameIndex, c.candidate), c.duplicate) << c.candidate;

    CurveSettings s = Fresh({"A", "B", "C"});
    s.channels.erase(std::next(s.channels.begin()));  // no channel with index 1
    std::vector<WorkingName> working = WorkingNamesOf(s);
    ASSERT_EQ(working.size(), 2u);
    EXPECT_EQ(working[1].index, 2);
    working[1].name = std::string(40, 'n');
    StoreTexts(&s, "title", "a\r\nb", working);
    EXPECT_EQ(s.title, "title");
    EXPECT_EQ(s.remark, "a\r\nb");
    EXPECT_EQ(s.channels.back().Name(), std::string(31, 'n'));
    // Line breaks only leave, never another byte.
    EXPECT_EQ(RemoveLineBreaks("a\r\nb\rc\nd\r\xCE\xC2"), "abcd\xCE\xC2");
}

}  // namespace
