// The settings file's field table (lines, operator names, value texts), the list of values out
// of range, external characters in titles, and the difference list of two settings.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "model/settings_fields.h"
#include "model/settings_ranges.h"
#include "model/title_text.h"
#include "protocol/settings_diff.h"

namespace tvx {
namespace {

using namespace std::string_literals;

struct Model {
    std::unique_ptr<SettingsModel> m = std::make_unique<SettingsModel>();
    Model() {
        AppState app;
        ResetToDefaults(*m, app);
    }
};

const SettingsFileField& Field(const char* name, bool repeat = false) {
    for (const SettingsFileField& f : SettingsFileFields()) {
        if (std::strcmp(f.field, name) == 0 && f.repeat == repeat) return f;
    }
    throw std::runtime_error(name);
}

// Code page 932 runs as hexadecimal in braces, so that a test sees where the runs are cut.
std::string HexRuns(std::string_view bytes) {
    std::string out = "{";
    char hex[4];
    for (char ch : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(ch));
        out += hex;
    }
    return out + "}";
}

std::string Plain(std::string_view bytes) {
    return std::string(bytes);
}

TEST(SettingsFields, EachItemHasItsLineAndTheNameAnOperatorKnows) {
    struct Case {
        const char* field;
        bool repeat;
        int item;
        const char* name;
        int line, value_line;
    };
    const Case cases[] = {
        {"page_display_on", false, 0, "タイトル表示 ch.1 Top ページ 1", 1, 1},
        {"page_display_on", false, 575, "タイトル表示 ch.2 Bottom ページ 144", 576, 576},
        {"page_switch_seconds", false, 3 * 144 + 9, "自動切換え ch.2 Bottom ページ 10", 1018, 1018},
        {"startup_page", false, 1, "スタートアップ ch.1 Bottom", 1154, 1154},
        {"display_page", false, 2, "表示ページ ch.2 Top", 1159, 1159},
        {"position_offset", false, 3, "表示位置の微調整 ch.2 Bottom", 1164, 1314},
        {"white_level", false, 0, "文字レベル 白", 1165, 1165},
        {"edge_level", false, 0, "文字レベル エッジ", 1166, 1166},
        {"title_text", false, 4, "T005", 1171, 1171},
        {"title_text", false, 143, "T144", 1310, 1310},
        {"position_offset", true, 0, "表示位置の微調整 ch.1 Top", 1311, 1311},
        {"page_title_number", false, 2, "ページ 3 ch.1 Top", 1317, 1317},
        {"page_title_number", false, 575, "ページ 144 ch.2 Bottom", 1890, 1890},
    };
    for (const Case& c : cases) {
        const SettingsFileField& f = Field(c.field, c.repeat);
        EXPECT_EQ(FieldItemName(f, c.item), c.name) << c.field;
        EXPECT_EQ(FieldLine(f, c.item), c.line) << c.name;
        EXPECT_EQ(FieldValueLine(f, c.item), c.value_line) << c.name;
        EXPECT_EQ(FieldNameOfLine(c.line), c.name) << c.line;  // a line names its item
        if (!c.repeat) {
            EXPECT_EQ(FindSettingsField(c.field), &f) << c.field;
        }
    }
    EXPECT_EQ(FieldNameOfLine(0), "");
    EXPECT_EQ(FieldNameOfLine(1891), "");
    EXPECT_EQ(FindSettingsField("net_version"), nullptr);
    EXPECT_EQ(FieldRowName(Field("page_switch_seconds", false), 3),
              "自動切換え ch.2 Bottom ページ 1-144");
    EXPECT_EQ(FieldRowName(Field("page_title_number", false), 0), "ページ 1-144 ch.1 Top");
    // The blocks follow one another from line 1 to 1890; every name is one field's only.
    int line = 1;
    std::set<std::string> names;
    for (const SettingsFileField& f : SettingsFileFields()) {
        EXPECT_EQ(FieldLine(f, 0), line) << f.field;
        line += FieldItemCount(f);
        for (int item = 0; item < FieldItemCount(f) && !f.repeat; ++item)
            EXPECT_TRUE(names.insert(FieldItemName(f, item)).second) << FieldItemName(f, item);
    }
    EXPECT_EQ(line, 1891);
    EXPECT_EQ(names.size(), 576u * 3 + 4 * 3 + 2 + 144);
}

TEST(SettingsFields, ValuesAreShownAsTheDialogsShowThem) {
    struct Case {
        const char* field;
        int value;
        const char* text;
    };
    const Case cases[] = {
        {"page_display_on", 1, "ON"},
        {"page_display_on", 0, "OFF"},
        {"page_display_on", 2, "2 (範囲外)"},
        {"page_switch_seconds", 5, "5 秒"},
        {"page_switch_seconds", 0, "0 秒"},
        {"page_switch_seconds", 100, "100 (範囲外)"},
        {"startup_page", 0, "001"},
        {"startup_page", 143, "144"},
        {"display_page", 144, "AUTO"},
        {"display_page", 145, "145 (範囲外)"},
        {"display_page", -1, "-1 (範囲外)"},
        {"position_offset", 15, "15"},
        {"white_level", 3, "3"},
        {"edge_level", 4, "4 (範囲外)"},
        {"page_title_number", 0, "T001"},
        {"page_title_number", 143, "T144"},
        {"page_title_number", 144, "144 (範囲外)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldNumberText(Field(c.field), c.value), c.text) << c.field << " " << c.value;
}

TEST(SettingsFields, ExternalCharactersOfATitleShowAsTheirGlyphNumbers) {
    struct Glyph {
        unsigned char lead, second;
        int number;
    };
    for (const Glyph& g : {Glyph{0x10, 0x20, 1}, Glyph{0x10, 0x39, 26}, Glyph{0x10, 0xDC, 27},
                           Glyph{0x10, 0xFA, 57}, Glyph{0x11, 0x00, 63}, Glyph{0x11, 0x01, 64},
                           Glyph{0x12, 0x03, 160}, Glyph{0x12, 0x04, 0}, Glyph{0x10, 0x1F, 0},
                           Glyph{0x10, 0x3A, 0}, Glyph{0x14, 0x20, 0}, Glyph{0x82, 0xA0, 0}})
        EXPECT_EQ(TitleGlyphNumber(g.lead, g.second), g.number)
            << int(g.lead) << " " << int(g.second);

    struct Title {
        std::string bytes;
        const char* shown;
    };
    const Title titles[] = {
        {""s, "「」"},
        {"\x82\xa0\x10\xfa\x82\xa2"s, "「{82A0}[外字57]{82A2}」"},
        {"\x11\x00\x82\xa0"s, "「[外字63]{82A0}」"},  // a zero second byte is no end
        {"\x13\x45"s, "「[0x1345]」"},
        {"AB\x82"s, "「{414282}」"},
    };
    for (const Title& t : titles) {
        char slot[kTitleBytes] = {};
        t.bytes.copy(slot, t.bytes.size());
        EXPECT_EQ(TitleValueText(slot, HexRuns), t.shown);
    }
}

TEST(SettingRanges, EveryValueOutsideItsRangeIsListedByItsNameAndLine) {
    Model d;
    d.m->edge_level = 9;
    d.m->page_display_on[0][1] = -1;
    d.m->position_offset[2] = 16;
    d.m->page_title_number[3][143] = 144;
    const std::vector<SettingRangeProblem> problems = ListSettingsOutOfRange(*d.m);
    ASSERT_EQ(problems.size(), 4u);
    const struct {
        const char* name;
        int line, value, low, high;
    } expected[] = {
        {"タイトル表示 ch.1 Top ページ 2", 2, -1, 0, 1},
        {"表示位置の微調整 ch.2 Top", 1313, 16, 0, 15},  // once, at the copy that is read
        {"文字レベル エッジ", 1166, 9, 0, 3},
        {"ページ 144 ch.2 Bottom", 1890, 144, 0, 143},
    };
    for (std::size_t i = 0; i < problems.size(); ++i) {
        EXPECT_EQ(problems[i].name, expected[i].name);
        EXPECT_EQ(problems[i].line, expected[i].line) << expected[i].name;
        EXPECT_EQ(problems[i].value, expected[i].value) << expected[i].name;
        EXPECT_EQ(problems[i].low, expected[i].low) << expected[i].name;
        EXPECT_EQ(problems[i].high, expected[i].high) << expected[i].name;
    }
    SettingRangeProblem first;
    ASSERT_TRUE(FindSettingOutOfRange(*d.m, first));
    EXPECT_EQ(first.name, "タイトル表示 ch.1 Top ページ 2");
    EXPECT_TRUE(ListSettingsOutOfRange(*Model().m).empty());
}

TEST(SettingDifferences, EveryKindOfFieldIsNamedWithBothValues) {
    struct Case {
        void (*change)(SettingsModel&);
        const char* line;
        int file_line;
    };
    const Case cases[] = {
        {[](SettingsModel& m) { m.page_display_on[1][4] = 0; },
         "タイトル表示 ch.1 Bottom ページ 5: ON ≠ OFF", 149},
        {[](SettingsModel& m) { m.page_switch_seconds[3][9] = 8; },
         "自動切換え ch.2 Bottom ページ 10: 2 秒 ≠ 8 秒", 1018},
        {[](SettingsModel& m) { m.startup_page[0] = 144; }, "スタートアップ ch.1 Top: 001 ≠ AUTO",
         1153},
        {[](SettingsModel& m) { m.display_page[3] = 9; }, "表示ページ ch.2 Bottom: 001 ≠ 010",
         1160},
        {[](SettingsModel& m) { m.position_offset[1] = 3; }, "表示位置の微調整 ch.1 Bottom: 7 ≠ 3",
         1312},
        {[](SettingsModel& m) { m.white_level = 3; }, "文字レベル 白: 1 ≠ 3", 1165},
        {[](SettingsModel& m) { m.edge_level = 0; }, "文字レベル エッジ: 1 ≠ 0", 1166},
        {[](SettingsModel& m) { std::memcpy(m.title_text[4], "\x92\xa9\x10\xfa", 5); },
         "T005: 「」 ≠ 「\x92\xa9[外字57]」", 1171},
        {[](SettingsModel& m) { m.page_title_number[0][2] = 1; }, "ページ 3 ch.1 Top: T003 ≠ T002",
         1317},
        {[](SettingsModel& m) { m.page_title_number[0][2] = 200; },
         "ページ 3 ch.1 Top: T003 ≠ 200 (範囲外)", 1317},
    };
    for (const Case& c : cases) {
        Model a, b;
        c.change(*b.m);
        const std::vector<SettingDifference> list = ListSettingDifferences(*a.m, *b.m, Plain);
        ASSERT_EQ(list.size(), 1u) << c.line;
        EXPECT_EQ(DifferenceLine(list[0]), c.line);
        EXPECT_EQ(list[0].line, c.file_line) << c.line;
    }
    Model a, b;
    EXPECT_TRUE(ListSettingDifferences(*a.m, *b.m, Plain).empty());
}

TEST(SettingDifferences, InFileOrderAndTitlesAsTheDeviceKeepsThem) {
    Model a, b;
    b.m->page_title_number[3][143] = 0;
    b.m->white_level = 2;
    b.m->page_display_on[0][0] = 0;
    const std::vector<SettingDifference> list = ListSettingDifferences(*a.m, *b.m, Plain);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].field, "タイトル表示 ch.1 Top ページ 1");
    EXPECT_EQ(list[1].field, "文字レベル 白");
    EXPECT_EQ(list[2].field, "ページ 144 ch.2 Bottom");

    struct Pair {
        std::string a, b;
        bool same;
    };
    const Pair pairs[] = {
        {"\x82\xa0"s, "\x82\xa0\x81\x40"s, true},  // a trailing full-width blank is padding
        {"\xfa\x40"s, "\xee\xef"s, true},          // IBM extension ⅰ and its NEC-selected twin
        {"\x82\xa0"s, "\x82\xa2"s, false},
        {"\x11\x00\x82\xa0"s, "\x11\x00\x82\xa2"s, false},  // past glyph 63's zero byte
        {"A"s, "A"s, true},                                 // not sendable: byte for byte
        {"A"s, "B"s, false},
    };
    for (const Pair& p : pairs) {
        Model x, y;
        p.a.copy(x.m->title_text[0], p.a.size());
        p.b.copy(y.m->title_text[0], p.b.size());
        EXPECT_EQ(ListSettingDifferences(*x.m, *y.m, Plain).empty(), p.same)
            << testing::PrintToString(p.a) << " " << testing::PrintToString(p.b);
    }
}

}  // namespace
}  // namespace tvx
