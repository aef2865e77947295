// What the settings file reader tells of a file it was given, and the ranges a whole-model send
// checks before the first byte.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "runs/set_all_read_back.h"
#include "dialogs/char_level.h"
#include "runs/display_sends.h"
#include "model/file_commands.h"
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
        {[](SettingsModel& m) { m.page_title_number[0][0] = 144; }, "page_title_number", 0, 0, 144,
         0, 143},
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

// A value from a damaged file that no list of the dialogs holds is never put on the wire: each
// single send refuses it with a box naming the setting, set-all ends at its step, and "開く"
// lists every such value with its line.
TEST(DamagedFile, OutOfRangeValuesAreRefusedByName) {
    struct Case {
        int line;  // of the settings file
        const char* value;
        const char* box;  // what the refusal names
        std::function<bool(CoreContext&)> send;
    };
    const Case cases[] = {
        {580, "150", "「自動切換え ch.1 Top ページ 4」 150 （0 秒～99 秒）",
         [](CoreContext& c) { return SendAutoSwitchTimes(c, 0); }},
        {1158, "1000", "「表示ページ ch.1 Bottom」 1000 （001～AUTO）",
         [](CoreContext& c) { return SendDisplayPage(c, 1); }},
        {1155, "2147483647", "「スタートアップ ch.2 Top」 2147483647 （001～AUTO）",
         [](CoreContext& c) { return SendStartupPage(c, 2); }},
        {1314, "20", "「表示位置の微調整 ch.2 Bottom」 20 （0～15）",
         [](CoreContext& c) { return SendPositionOffset(c, 3); }},
        {1315, "998", "「ページ 1 ch.1 Top」 998 （T001～T144）",
         [](CoreContext& c) { return SendPageAssignment(c, 0); }},
        {2, "-2147483648", "「タイトル表示 ch.1 Top ページ 2」 -2147483648 （OFF～ON）",
         [](CoreContext& c) { return SendTitleDisplayFlags(c, 0); }},
        {1165, "4", "「文字レベル 白」 4 （0～3）",
         [](CoreContext& c) {
             SendWhiteLevel(c);
             return false;
         }},
    };
    const std::string refused = "error(exclamation): 機器が持てない値なので送信しません。\n";
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        test::CoreFixture f;
        test::MemoryFileSystem fs;
        fs.files["bad.dat"] = DefaultFile(k.line, k.value);
        f.prompts.file_names = {"bad.dat"};
        FileOpen(f.ctx, fs);
        ASSERT_EQ(f.prompts.calls.size(), 2u);  // the file dialog, then the list
        EXPECT_EQ(f.prompts.calls[1],
                  "error(exclamation): このファイルには機器が持てない値が 1 個あります。ファイルの"
                  "まま読み込みました。\n送信する前に、各設定の画面で値を選び直してください。\n\n" +
                      std::to_string(k.line) + " 行目: " + k.box);
        f.prompts.calls.clear();
        EXPECT_FALSE(k.send(f.ctx));
        EXPECT_EQ(f.prompts.calls, std::vector<std::string>{refused + k.box});
        // Set-all stops at the step that would send it.
        f.prompts.calls.clear();
        f.prompts.yes_no_answers = {true};
        BulkRun run;
        ASSERT_TRUE(StartBulkTransfer(f.ctx, BulkTransfer::SetAll, run, 1));
        BulkTick t;
        for (int i = 0; i < 200 && !t.ended; ++i) t = OnBulkTransferTick(f.ctx, run);
        EXPECT_FALSE(t.close_dialog);
        EXPECT_EQ(f.prompts.calls.back(), refused + k.box);
        EXPECT_TRUE(t.ended && t.enable_close);
        EXPECT_LT(f.link.serial_writes.size(), 170u);  // a whole set-all sends 170
        for (const std::string& frame : f.link.serial_writes)
            EXPECT_EQ(frame.find('?'), std::string::npos) << frame;
    }
    // Many at once: the first twenty and how many more.
    test::CoreFixture f;
    std::string file = DefaultFile();
    for (int line = 577; line < 577 + 25; ++line) {
        std::size_t start = 0;
        for (int n = 1; n < line; ++n) start = file.find("\r\n", start) + 2;
        file.replace(start, file.find("\r\n", start) - start, "100");
    }
    test::MemoryFileSystem fs;
    fs.files["many.dat"] = file;
    f.prompts.file_names = {"many.dat"};
    FileOpen(f.ctx, fs);
    const std::string& box = f.prompts.calls.back();
    EXPECT_NE(box.find("値が 25 個あります"), std::string::npos);
    EXPECT_NE(box.find("596 行目: 「自動切換え ch.1 Top ページ 20」 100"), std::string::npos);
    EXPECT_EQ(box.find("597 行目"), std::string::npos);
    const std::string more = "\nほか 5 個";
    EXPECT_EQ(box.substr(box.size() - more.size()), more);
}

}  // namespace
}  // namespace tvx
