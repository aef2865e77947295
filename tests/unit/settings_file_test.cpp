#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/settings_file.h"
#include "model/settings_model.h"
#include "protocol/commands.h"
#include "protocol/encodings.h"

namespace tvx {
namespace {

struct Models {
    std::unique_ptr<SettingsModel> model = std::make_unique<SettingsModel>();
    std::unique_ptr<AppState> app = std::make_unique<AppState>();
    Models() { ResetToDefaults(*model, *app); }
};

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines, const char* eol = "\r\n") {
    std::string text;
    for (const std::string& line : lines) text += line + eol;
    return text;
}

// Line n of the file (1-based, as the file format counts).
std::string& Line(std::vector<std::string>& lines, int n) {
    return lines.at(static_cast<std::size_t>(n - 1));
}

// The fields the file holds, compared one by one.
void ExpectSameFileFields(const SettingsModel& a, const SettingsModel& b) {
    EXPECT_EQ(0, std::memcmp(a.page_display_on, b.page_display_on, sizeof a.page_display_on));
    EXPECT_EQ(
        0, std::memcmp(a.page_switch_seconds, b.page_switch_seconds, sizeof a.page_switch_seconds));
    EXPECT_EQ(0, std::memcmp(a.page_title_number, b.page_title_number, sizeof a.page_title_number));
    EXPECT_EQ(0, std::memcmp(a.display_page, b.display_page, sizeof a.display_page));
    EXPECT_EQ(0, std::memcmp(a.startup_page, b.startup_page, sizeof a.startup_page));
    EXPECT_EQ(0, std::memcmp(a.position_offset, b.position_offset, sizeof a.position_offset));
    EXPECT_EQ(a.white_level, b.white_level);
    EXPECT_EQ(a.edge_level, b.edge_level);
    for (int t = 0; t < kTitleCount; ++t) EXPECT_STREQ(a.title_text[t], b.title_text[t]) << t;
}

TEST(SettingsFileWrite, ModelAtDefaultsWritesExactlyTheListedLines) {
    Models m;
    std::string expected;
    for (int i = 0; i < 576; ++i) expected += "1\r\n";
    for (int i = 0; i < 576; ++i) expected += "2\r\n";
    for (int i = 0; i < 8; ++i) expected += "0\r\n";
    for (int i = 0; i < 4; ++i) expected += "7\r\n";
    expected += "1\r\n1\r\n";
    for (int i = 0; i < 144; ++i) expected += "s\r\n";
    for (int i = 0; i < 4; ++i) expected += "7\r\n";
    for (int p = 0; p < 4; ++p) {
        for (int k = 0; k < 144; ++k) expected += std::to_string(k) + "\r\n";
    }
    EXPECT_EQ(WriteSettingsText(*m.model), expected);
    EXPECT_EQ(SplitCrLf(expected).size(), 1890u);
}

TEST(SettingsFileWrite, EachFieldLandsOnItsLine) {
    Models m;
    SettingsModel& s = *m.model;
    s.page_display_on[1][0] = 0;
    s.page_display_on[3][143] = 5;
    s.page_switch_seconds[0][0] = 99;
    s.page_switch_seconds[2][5] = 17;
    for (int p = 0; p < 4; ++p) {
        s.startup_page[p] = 10 + p;
        s.display_page[p] = 20 + p;
        s.position_offset[p] = 30 + p;
    }
    s.display_page[3] = kAutoSwitchPage;
    s.white_level = 3;
    s.edge_level = -2;
    std::strcpy(s.title_text[0], " lead");
    std::strcpy(s.title_text[143], "last");
    s.page_title_number[0][0] = 143;
    s.page_title_number[3][143] = 7;

    std::vector<std::string> lines = SplitCrLf(WriteSettingsText(s));
    ASSERT_EQ(lines.size(), 1890u);
    EXPECT_EQ(Line(lines, 1), "1");
    EXPECT_EQ(Line(lines, 145), "0");  // p = 1, k = 0
    EXPECT_EQ(Line(lines, 576), "5");
    EXPECT_EQ(Line(lines, 577), "99");
    EXPECT_EQ(Line(lines, 577 + 2 * 144 + 5), "17");
    EXPECT_EQ(Line(lines, 1153), "10");
    EXPECT_EQ(Line(lines, 1156), "13");
    EXPECT_EQ(Line(lines, 1157), "20");
    EXPECT_EQ(Line(lines, 1160), "144");
    EXPECT_EQ(Line(lines, 1161), "30");
    EXPECT_EQ(Line(lines, 1164), "33");
    EXPECT_EQ(Line(lines, 1165), "3");
    EXPECT_EQ(Line(lines, 1166), "-2");
    EXPECT_EQ(Line(lines, 1167), " lead");
    EXPECT_EQ(Line(lines, 1168), "s");
    EXPECT_EQ(Line(lines, 1310), "last");
    EXPECT_EQ(Line(lines, 1311), "30");
    EXPECT_EQ(Line(lines, 1314), "33");
    EXPECT_EQ(Line(lines, 1315), "143");
    EXPECT_EQ(Line(lines, 1890), "7");
}

TEST(SettingsFileWrite, LineBreakInsideATitleCannotShiftTheLinesAfterIt) {
    Models m;
    std::strcpy(m.model->title_text[4], "a\nb\rc");
    std::vector<std::string> lines = SplitCrLf(WriteSettingsText(*m.model));
    ASSERT_EQ(lines.size(), 1890u);
    EXPECT_EQ(Line(lines, 1171), "a b c");
    EXPECT_EQ(Line(lines, 1315), "0");
}

TEST(SettingsFileRoundTrip, EveryFileFieldSurvivesWriteAndRead) {
    Models written;
    SettingsModel& s = *written.model;
    for (int p = 0; p < 4; ++p) {
        for (int k = 0; k < 144; ++k) {
            s.page_display_on[p][k] = (p + k) % 2;
            s.page_switch_seconds[p][k] = (p * 7 + k) % 100;
            s.page_title_number[p][k] = 143 - k;
        }
        s.startup_page[p] = p == 2 ? kAutoSwitchPage : p * 40;
        s.display_page[p] = 143 - p;
        s.position_offset[p] = 15 - p;
    }
    s.white_level = 0;
    s.edge_level = 3;
    // 21 double-byte characters (full-width "ア" in code page 932) fill the 42 bytes.
    for (int i = 0; i < 21; ++i) std::memcpy(&s.title_text[1][2 * i], "\x83\x41", 2);
    s.title_text[1][42] = '\0';
    std::strcpy(s.title_text[2], "  two leading blanks");
    std::strcpy(s.title_text[0], "   first title keeps its blanks");
    std::strcpy(s.title_text[143], "S");

    Models read;
    ReadSettingsText(WriteSettingsText(s), *read.model);
    ExpectSameFileFields(s, *read.model);
    EXPECT_EQ(std::strlen(read.model->title_text[1]), 42u);
}

// A title read back from a device with glyph 63 (wire code A445, pair 0x11 0x00) in its middle
// stays whole: the file line holds the zero byte, reading it gives the same bytes, and the
// title goes back on the wire with every character.
TEST(SettingsFileRoundTrip, TitleWithGlyph63StaysWholeFromReplyToFileToWire) {
    Models m;
    std::string codes = "2422A4452424";
    for (int i = 0; i < 18; ++i) codes += "2121";
    ASSERT_TRUE(DecodeTitleCodes(codes.c_str(), m.model->title_text[4]));
    const std::string title("\x82\xA0\x11\x00\x82\xA2", 6);
    EXPECT_EQ(std::string(m.model->title_text[4], 6), title);

    const std::string file = WriteSettingsText(*m.model);
    std::vector<std::string> lines = SplitCrLf(file);
    EXPECT_EQ(Line(lines, 1171), title);

    Models back;
    ReadSettingsText(file, *back.model);
    EXPECT_EQ(0, std::memcmp(back.model->title_text[4], m.model->title_text[4], kTitleBytes));
    std::string command;
    ASSERT_TRUE(BuildTitleCommandFromModel(*back.model, 1, 4, command));
    EXPECT_EQ(command, "CT005" + codes + "\r\n");
}

TEST(SettingsFileRoundTrip, TitleOfTheSingleLetterSReadsBackEmpty) {
    Models written;
    std::strcpy(written.model->title_text[9], "s");
    Models read;
    std::strcpy(read.model->title_text[9], "old");
    ReadSettingsText(WriteSettingsText(*written.model), *read.model);
    EXPECT_STREQ(read.model->title_text[9], "");
}

TEST(SettingsFileRead, AcceptsLfOnlyLineEnds) {
    Models written;
    written.model->page_switch_seconds[3][143] = 42;
    std::strcpy(written.model->title_text[5], "five");
    std::string crlf = WriteSettingsText(*written.model);
    Models read;
    ReadSettingsText(Join(SplitCrLf(crlf), "\n"), *read.model);
    ExpectSameFileFields(*written.model, *read.model);
}

TEST(SettingsFileRead, NumberLinesTakeTheLeadingNumberAndKeepTheirPlaces) {
    Models m;
    std::vector<std::string> lines = SplitCrLf(WriteSettingsText(*m.model));
    Line(lines, 1) = "  12abc";
    Line(lines, 2) = "+5";
    Line(lines, 3) = "\t-3 trailing";
    Line(lines, 4) = "abc";  // no number: field unchanged, later lines in place
    Line(lines, 5) = "";     // a blank line is a line too
    Line(lines, 6) = "0";
    Line(lines, 7) = "99999999999";
    Line(lines, 8) = "-99999999999";
    Line(lines, 9) = "- 4";
    Line(lines, 1165) = "999";  // stored as read, no range test
    Models read;
    read.model->page_display_on[0][3] = 77;
    read.model->page_display_on[0][4] = 88;
    read.model->page_display_on[0][8] = 66;
    ReadSettingsText(Join(lines), *read.model);
    const int* row = read.model->page_display_on[0];
    EXPECT_EQ(row[0], 12);
    EXPECT_EQ(row[1], 5);
    EXPECT_EQ(row[2], -3);
    EXPECT_EQ(row[3], 77);
    EXPECT_EQ(row[4], 88);
    EXPECT_EQ(row[5], 0);
    EXPECT_EQ(row[6], INT_MAX);
    EXPECT_EQ(row[7], INT_MIN);
    EXPECT_EQ(row[8], 66);
    EXPECT_EQ(row[9], 1);
    EXPECT_EQ(read.model->white_level, 999);
    EXPECT_EQ(read.model->page_title_number[3][143], 143);
    EXPECT_STREQ(read.model->title_text[0], "");
}

TEST(SettingsFileRead, TitleLinesAreCutAt43BytesAndKeepTheirPlaces) {
    Models m;
    std::vector<std::string> lines = SplitCrLf(WriteSettingsText(*m.model));
    std::string forty_three(43, 'x');
    std::string fifty = std::string(43, 'y') + "1234567";
    Line(lines, 1167) = "  first";
    Line(lines, 1168) = forty_three;
    Line(lines, 1169) = fifty;
    Line(lines, 1170) = "";  // a blank line in the title area is an empty title
    Line(lines, 1171) = "ends in cr\r";
    Line(lines, 1172) = "s ";
    Line(lines, 1173) = "in\rside";
    Line(lines, 1315) = "12";
    Models read;
    std::strcpy(read.model->title_text[3], "old");
    ReadSettingsText(Join(lines), *read.model);
    const auto& titles = read.model->title_text;
    EXPECT_STREQ(titles[0], "  first");
    EXPECT_EQ(std::string(titles[1]), forty_three);
    EXPECT_EQ(std::string(titles[2]), std::string(43, 'y'));
    EXPECT_STREQ(titles[3], "");
    EXPECT_STREQ(titles[4], "ends in cr\r");  // only the CR of the line end is dropped
    EXPECT_STREQ(titles[5], "s ");
    EXPECT_STREQ(titles[6], "in\rside");
    EXPECT_STREQ(titles[7], "");
    EXPECT_EQ(read.model->position_offset[0], 7);
    EXPECT_EQ(read.model->page_title_number[0][0], 12);
    EXPECT_EQ(read.model->page_title_number[0][1], 1);
}

TEST(SettingsFileRead, SecondCopyOfTheOffsetsWins) {
    Models m;
    std::vector<std::string> lines = SplitCrLf(WriteSettingsText(*m.model));
    for (int n = 1161; n <= 1164; ++n) Line(lines, n) = "1";
    for (int n = 1311; n <= 1314; ++n) Line(lines, n) = std::to_string(n - 1300);
    Models read;
    ReadSettingsText(Join(lines), *read.model);
    EXPECT_EQ(read.model->position_offset[0], 11);
    EXPECT_EQ(read.model->position_offset[3], 14);
}

TEST(SettingsFileRead, ShortFileKeepsLaterNumbersAndEmptiesLaterTitles) {
    Models source;
    source.model->page_switch_seconds[0][23] = 55;
    std::vector<std::string> lines = SplitCrLf(WriteSettingsText(*source.model));
    lines.resize(600);  // ends inside the switching times

    Models read;
    SettingsModel& r = *read.model;
    r.page_display_on[3][143] = 9;
    r.page_switch_seconds[0][23] = 1;
    r.page_switch_seconds[0][24] = 33;
    r.display_page[2] = 100;
    r.white_level = 3;
    r.position_offset[1] = 2;
    r.page_title_number[1][1] = 50;
    for (int t = 0; t < kTitleCount; ++t) std::strcpy(r.title_text[t], "kept?");
    ReadSettingsText(Join(lines), r);

    EXPECT_EQ(r.page_display_on[3][143], 1);
    EXPECT_EQ(r.page_switch_seconds[0][23], 55);
    EXPECT_EQ(r.page_switch_seconds[0][24], 33);
    EXPECT_EQ(r.display_page[2], 100);
    EXPECT_EQ(r.white_level, 3);
    EXPECT_EQ(r.position_offset[1], 2);
    EXPECT_EQ(r.page_title_number[1][1], 50);
    for (int t = 0; t < kTitleCount; ++t) EXPECT_STREQ(r.title_text[t], "") << t;
}

TEST(SettingsFileRead, LastLineWithoutLineEndStillCounts) {
    Models source;
    source.model->page_title_number[3][143] = 42;
    std::string text = WriteSettingsText(*source.model);
    text.resize(text.size() - 2);
    Models read;
    ReadSettingsText(text, *read.model);
    EXPECT_EQ(read.model->page_title_number[3][143], 42);
}

TEST(SettingsFileRead, EmptyOrBinaryInputNeverWritesOutsideTheModel) {
    Models read;
    read.model->edge_level = 2;
    std::strcpy(read.model->title_text[0], "x");
    ReadSettingsText("", *read.model);
    EXPECT_EQ(read.model->edge_level, 2);
    EXPECT_STREQ(read.model->title_text[0], "");

    // One very long line without a line end, then NUL bytes and stray CRs.
    std::string junk(100000, '\xFF');
    junk += std::string("\0\r\r\n\0", 5);
    ReadSettingsText(junk, *read.model);
    EXPECT_EQ(read.model->page_display_on[0][0], 1);
    EXPECT_EQ(read.model->title_text[0][kTitleBytes - 1], '\0');
}

}  // namespace
}  // namespace tvx
