// The curve view's own choices in the configuration file: absent while at their defaults, in a
// last section of their own otherwise, and read back from the last such section.
#include <gtest/gtest.h>

#include <string>

#include "config_file.h"

namespace {

CurveSettings TwoChannels(const char* secondName) {
    CurveSettings s;
    s.channelCount = 2;
    for (int i = 0; i < 2; ++i) {
        CurveChannel c;
        c.SetName(i == 0 ? "Temp" : secondName);
        c.index = i;
        c.showIndex = i;
        s.channels.push_back(c);
    }
    s.shownCount = 2;
    return s;
}

std::string Written(const CurveSettings& s) {
    IniFile ini;
    ini.OpenForWriteInMemory();
    EXPECT_TRUE(WriteConfig(&ini, "Title", "Remark", s));
    return ini.WrittenText();
}

TEST(ViewChoicesConfig, OnlyNonDefaultChoicesAreWrittenLastAndReadBack) {
    const CurveSettings plain = TwoChannels("Flow");
    const std::string base = Written(plain);
    EXPECT_EQ(base.find("HistavueCurveView"), std::string::npos);

    struct Case {
        const char* what;
        const char* secondName;
        int panel, envelope, timeAxis, ownScales, alarms;
    };
    const Case cases[] = {
        {"panel only", "Flow", 1, 0, 0, 0, 0},
        {"envelope only", "Flow", 0, 1, 0, 0, 0},
        {"time axis only", "Flow", 0, 0, 1, 0, 0},
        {"own scales only", "Flow", 0, 0, 0, 1, 0},
        {"alarms only", "Flow", 0, 0, 0, 0, 1},
        {"all, with a channel named like the section", "HistavueCurveView", 1, 1, 1, 1, 1},
        {"none, with a channel named like the section", "HistavueCurveView", 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CurveSettings s = TwoChannels(c.secondName);
        s.statisticsPanel = c.panel;
        s.envelope = c.envelope;
        s.timeAxis = c.timeAxis;
        s.ownScales = c.ownScales;
        s.alarms = c.alarms;
        const std::string text = Written(s);
        // The file as it always was, with the section appended at its end.
        const std::string same = Written(TwoChannels(c.secondName));
        ASSERT_EQ(text.compare(0, same.size(), same), 0) << c.what;
        if (c.panel == 0 && c.envelope == 0 && c.timeAxis == 0 && c.ownScales == 0 && c.alarms == 0)
            EXPECT_EQ(text, same) << c.what;
        else
            EXPECT_NE(text.find("StatisticsPanel", same.size()), std::string::npos) << c.what;
        // A section of the earlier choices alone reads as it was written before this one.
        EXPECT_EQ(text.find("OwnScales") != std::string::npos, c.ownScales != 0) << c.what;
        EXPECT_EQ(text.find("AlarmLanes") != std::string::npos, c.alarms != 0) << c.what;

        IniFile ini;
        ASSERT_TRUE(ini.OpenText(text));
        CurveSettings back = TwoChannels(c.secondName);
        back.statisticsPanel = 1 - c.panel;  // whatever was chosen before is replaced
        back.envelope = 1 - c.envelope;
        back.timeAxis = 1 - c.timeAxis;
        back.ownScales = 1 - c.ownScales;
        back.alarms = 1 - c.alarms;
        std::string title;
        std::string remark;
        ASSERT_TRUE(ReadConfig(ini, &back, &title, &remark)) << c.what;
        EXPECT_EQ(back.statisticsPanel, c.panel) << c.what;
        EXPECT_EQ(back.envelope, c.envelope) << c.what;
        EXPECT_EQ(back.timeAxis, c.timeAxis) << c.what;
        EXPECT_EQ(back.ownScales, c.ownScales) << c.what;
        EXPECT_EQ(back.alarms, c.alarms) << c.what;
        EXPECT_EQ(back.channels.back().Name(), c.secondName) << c.what;
        EXPECT_EQ(back.shownCount, 2) << c.what;
    }
}

}  // namespace
