// What the settings file reader tells of a file it was given, and the ranges a whole-model send
// checks before the first byte.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/settings_file.h"
#include "model/settings_ranges.h"
#include "support/recorders.h"

namespace tvx {
namespace {

// A model at its defaults.
struct Defaults {
    test::CoreFixture f;
    SettingsModel* model = &f.model;
};

// The default file, one line per entry, with line n (1-based) replaced when asked.
std::string DefaultFile(int replace_line = 0, const std::string& with = "") {
    Defaults d;
    std::string text = WriteSettingsText(*d.model);
    if (replace_line == 0) return text;
    std::size_t start = 0;
    for (int n = 1; n < replace_line; ++n) start = text.find("\r\n", start) + 2;
    return text.replace(start, text.find("\r\n", start) - start, with);
}

SettingsFileReport Report(const std::string& bytes) {
    Defaults d;
    SettingsFileReport report;
    ReadSettingsText(bytes, *d.model, &report);
    return report;
}

TEST(SettingsFileReport, CountsLinesAndFindsTheFirstLineWithoutANumber) {
    SettingsFileReport whole = Report(DefaultFile());
    EXPECT_EQ(whole.lines, 1890);
    EXPECT_EQ(whole.first_line_not_a_number, 0);
    EXPECT_FALSE(whole.text_after_last_line);

    EXPECT_EQ(Report(DefaultFile() + "\r\n \r\n").text_after_last_line, false);
    EXPECT_EQ(Report(DefaultFile() + "7\r\n").text_after_last_line, true);
    std::string short_file = DefaultFile().substr(0, DefaultFile().find("\r\n") + 2);
    EXPECT_EQ(Report(short_file).lines, 1);
    EXPECT_EQ(Report("").lines, 0);

    // Number lines: blanks around a signed number are fine, anything else is not.
    EXPECT_EQ(Report(DefaultFile(577, " -2 ")).first_line_not_a_number, 0);
    EXPECT_EQ(Report(DefaultFile(577, "2x")).first_line_not_a_number, 577);
    EXPECT_EQ(Report(DefaultFile(1890, "")).first_line_not_a_number, 1890);
    EXPECT_EQ(Report(DefaultFile(3, "-")).first_line_not_a_number, 3);
    // Title lines (1167..1310) hold text.
    EXPECT_EQ(Report(DefaultFile(1200, "abc")).first_line_not_a_number, 0);
}

TEST(SettingRanges, TheFirstValueOutsideItsRangeIsNamed) {
    struct Case {
        void (*change)(SettingsModel&);
        const char* field;
        int position, index, value, low, high;
    };
    const Case cases[] = {
        {[](SettingsModel& m) { m.page_display_on[1][5] = 2; }, "page_display_on", 1, 5, 2, 0, 1},
        {[](SettingsModel& m) { m.page_switch_seconds[3][143] = 100; }, "page_switch_seconds", 3,
         143, 100, 0, 99},
        {[](SettingsModel& m) { m.startup_page[2] = 145; }, "startup_page", 2, -1, 145, 0, 144},
        {[](SettingsModel& m) { m.display_page[0] = -1; }, "display_page", 0, -1, -1, 0, 144},
        {[](SettingsModel& m) { m.position_offset[3] = 16; }, "position_offset", 3, -1, 16, 0, 15},
        {[](SettingsModel& m) { m.white_level = 4; }, "white_level", -1, -1, 4, 0, 3},
        {[](SettingsModel& m) { m.edge_level = -3; }, "edge_level", -1, -1, -3, 0, 3},
        {[](SettingsModel& m) { m.page_title_number[0][0] = 144; }, "page_title_number", 0, 0,
         144, 0, 143},
    };
    for (const Case& c : cases) {
        Defaults d;
        c.change(*d.model);
        SettingRangeProblem p;
        ASSERT_TRUE(FindSettingOutOfRange(*d.model, p)) << c.field;
        EXPECT_STREQ(p.field, c.field);
        EXPECT_EQ(p.position, c.position) << c.field;
        EXPECT_EQ(p.index, c.index) << c.field;
        EXPECT_EQ(p.value, c.value) << c.field;
        EXPECT_EQ(p.low, c.low) << c.field;
        EXPECT_EQ(p.high, c.high) << c.field;
    }
    // The limits themselves are in range.
    Defaults d;
    d.model->page_switch_seconds[0][0] = 99;
    d.model->startup_page[0] = 144;
    d.model->position_offset[0] = 15;
    d.model->white_level = 3;
    d.model->edge_level = 0;
    d.model->page_title_number[3][143] = 143;
    SettingRangeProblem p;
    EXPECT_FALSE(FindSettingOutOfRange(*d.model, p));
}

}  // namespace
}  // namespace tvx
