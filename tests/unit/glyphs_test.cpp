// External characters: the pattern and its pictures, the editor's mouse rule and buttons, the
// glyph files and bitmap bytes, the list's bulk runs tick by tick, and the insertion command.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_files.h"
#include "glyphs/glyph_insert.h"
#include "glyphs/glyph_list.h"
#include "glyphs/glyph_pattern.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using Calls = std::vector<std::string>;
using Writes = std::vector<std::string>;

struct MemoryFiles : FileSystem {
    std::map<std::string, std::string> files;
    bool fail_writes = false;
    bool ReadWholeFile(const std::string& path, std::string& out) override {
        if (!files.count(path)) return false;
        out = files[path];
        return true;
    }
    bool ReplaceFileContents(const std::string& path, std::string_view bytes) override {
        if (fail_writes) return false;
        files[path] = std::string(bytes);
        return true;
    }
};

struct GlyphCase : test::CoreFixture {
    GlyphState g;
    MemoryFiles fs;
    std::string Buffer() const { return std::string(model.glyph_receive_buffer, 256); }
    std::string Slot(int i) const { return std::string(model.glyph_pattern[i], 256); }
    GlyphCase() { app.address_prefix_on = 1; }
};

constexpr WindowHandle kEditor = 77;
constexpr WindowHandle kList = 55;

TEST(GlyphPattern, CharacterValuesAcceptAnyByte) {
    const struct {
        char c;
        int value;
    } cases[] = {{'0', 0}, {'9', 9}, {'A', 10}, {'F', 15}, {'a', 42}, {'G', 16},
                 {' ', -16}, {static_cast<char>(0x80), 73}};
    for (const auto& k : cases) EXPECT_EQ(PatternCharValue(k.c), k.value) << k.c;
    EXPECT_EQ(PatternValueChar(0), '0');
    EXPECT_EQ(PatternValueChar(11), 'B');
    EXPECT_EQ(PatternValueChar(42), 'A');  // only the four dot bits make a character
}

TEST(GlyphPattern, BitEightIsLeftmostAndRowsRunTopDown) {
    std::string p(256, '0');
    p[0] = '8';    // row 0, column 0
    p[9] = '1';    // row 1, column 7
    p[255] = 'a';  // row 31, columns 28 and 30 (lower case draws like upper case)
    for (int r = 0; r < 32; ++r) {
        for (int col = 0; col < 32; ++col) {
            const bool lit = (r == 0 && col == 0) || (r == 1 && col == 7) ||
                             (r == 31 && (col == 28 || col == 30));
            EXPECT_EQ(DotLit(p.c_str(), col, r), lit) << col << "," << r;
        }
    }
}

TEST(GlyphPattern, PicturesHaveTheGridAndCellColoursAndGeometry) {
    std::string p(256, '0');
    p[0] = '4';  // dot (1, 0) lit
    std::vector<std::uint32_t> grid(480 * 384, 0x123456);
    RenderGlyphPicture(p.c_str(), 15, 12, grid.data(), 480);
    auto at = [&](int x, int y) { return grid[y * 480 + x]; };
    EXPECT_EQ(at(0, 0), 0x000000u);  // outline of background dot (0, 0)
    EXPECT_EQ(at(14, 11), 0x000000u);
    EXPECT_EQ(at(1, 1), 0x0000FFu);  // its blue inside
    EXPECT_EQ(at(13, 10), 0x0000FFu);
    for (int y = 0; y < 12; ++y) {
        for (int x = 15; x < 30; ++x) EXPECT_EQ(at(x, y), 0xFFFFFFu) << x << "," << y;
    }
    EXPECT_EQ(at(479, 383), 0x000000u);
    std::vector<std::uint32_t> cell(96 * 96);
    RenderGlyphPicture(p.c_str(), 3, 3, cell.data(), 96);
    EXPECT_EQ(cell[96 * 1 + 1], 0x0000FFu);  // one blue pixel inside a black ring
    EXPECT_EQ(cell[96 * 1 + 0], 0x000000u);
    EXPECT_EQ(cell[96 * 2 + 2], 0x000000u);
    EXPECT_EQ(cell[96 * 1 + 4], 0xFFFFFFu);
}

TEST(GlyphEditor, MouseEditsOnlyTheInnerDotsAndCopiesIntoTheSlot) {
    GlyphCase f;
    f.app.current_glyph_index = 3;
    EXPECT_TRUE(EditDot(f.model, f.app, 27, 24, true));  // dot (1, 1): character 8 gains 4
    EXPECT_EQ(f.Buffer(), std::string(8, '0') + "4" + std::string(247, '0'));
    EXPECT_EQ(f.Slot(3), f.Buffer());
    EXPECT_TRUE(EditDot(f.model, f.app, 476, 383, true));  // dot (30, 30): character 247 gains 2
    EXPECT_EQ(f.model.glyph_receive_buffer[247], '2');
    f.model.glyph_pattern[3][0] = 'X';
    for (auto [x, y] : {std::pair{26, 24}, {27, 23}, {477, 100}, {100, 384}, {-5, 50}}) {
        EXPECT_FALSE(EditDot(f.model, f.app, x, y, true)) << x << "," << y;
    }
    EXPECT_EQ(f.model.glyph_pattern[3][0], 'X');  // a point outside copies nothing
    // Over an already lit dot: nothing to draw, but the slot is rewritten.
    EXPECT_FALSE(EditDot(f.model, f.app, 27, 24, true));
    EXPECT_EQ(f.Slot(3), f.Buffer());
    EXPECT_TRUE(EditDot(f.model, f.app, 27, 24, false));
    EXPECT_EQ(f.model.glyph_receive_buffer[8], '0');
}

TEST(GlyphEditor, PressesDragAndBothButtonsLeaveTheDotClear) {
    GlyphCase f;
    EXPECT_FALSE(OnEditorButtonDown(f.ctx, f.g, MouseButton::Left, 5, 5));  // outside the grid
    EXPECT_EQ(f.g.glyph_modified, 1);
    EXPECT_TRUE(OnEditorMouseMove(f.ctx, f.g, 42, 36, true, false));  // dot (2, 2) set
    EXPECT_TRUE(OnEditorButtonDown(f.ctx, f.g, MouseButton::Right, 42, 36));
    OnEditorMouseMove(f.ctx, f.g, 42, 36, true, true);
    EXPECT_EQ(f.Buffer(), std::string(256, '0'));
    OnEditorButtonUp(f.g, MouseButton::Right);
    EXPECT_TRUE(OnEditorMouseMove(f.ctx, f.g, 57, 36, true, false));  // dot (3, 2)
    // The left release went elsewhere: the next move ends the drag and draws nothing.
    EXPECT_FALSE(OnEditorMouseMove(f.ctx, f.g, 72, 36, false, false));
    EXPECT_EQ(f.g.set_drag_active + f.g.clear_drag_active, 0);
    EXPECT_EQ(f.Buffer(), std::string(16, '0') + "1" + std::string(239, '0'));
}

TEST(GlyphEditor, ClearAsksOnlyAfterAPressAndNoKeepsEverything) {
    GlyphCase f;
    f.app.current_glyph_index = 1;
    std::memset(f.model.glyph_receive_buffer, 'F', 256);
    std::strcpy(f.g.glyph_text_file_name, "one.txt");
    f.app.glyph_read_pending = 1;
    EXPECT_FALSE(ClearEditBuffer(f.ctx, f.g, kEditor));
    f.app.glyph_read_pending = 0;
    f.g.glyph_modified = 1;
    f.prompts.yes_no_answers = {false, true};
    EXPECT_FALSE(ClearEditBuffer(f.ctx, f.g, kEditor));
    EXPECT_EQ(f.Buffer(), std::string(256, 'F'));
    EXPECT_STREQ(f.g.glyph_text_file_name, "one.txt");
    EXPECT_TRUE(ClearEditBuffer(f.ctx, f.g, kEditor));
    EXPECT_EQ(f.Buffer(), std::string(256, '0'));
    EXPECT_EQ(f.model.glyph_receive_buffer[256], '\0');
    EXPECT_EQ(f.Slot(1), f.Buffer());
    EXPECT_EQ(f.g.glyph_modified, 0);
    EXPECT_STREQ(f.g.glyph_text_file_name, "");
    EXPECT_TRUE(ClearEditBuffer(f.ctx, f.g, kEditor));  // not modified: no question
    const std::string ask = "ask[新規作成](owner=77): データを保存せずに新規作成しますか？";
    EXPECT_EQ(f.prompts.calls, (Calls{ask, ask}));
}

TEST(GlyphEditor, RegisterSendsTheGridUnderTheChosenNumber) {
    GlyphCase f;
    f.app.slave_address = 3;
    std::memset(f.model.glyph_pattern[9], 'E', 256);
    std::memset(f.model.glyph_receive_buffer, 'C', 256);
    EXPECT_TRUE(OnRegisterNumberSelected(f.app, 9));
    EXPECT_EQ(f.Buffer(), std::string(256, 'C'));  // the buffer is not reloaded
    f.prompts.yes_no_answers = {false, true};
    RegisterEditBuffer(f.ctx, kEditor);
    RegisterEditBuffer(f.ctx, kEditor);
    EXPECT_EQ(f.link.serial_writes, (Writes{"03GR10" + std::string(256, 'C') + "\r\n"}));
    EXPECT_EQ(f.prompts.calls, (Calls{"confirm-not-auto(owner=77)", "confirm-not-auto(owner=77)"}));
}

TEST(GlyphEditor, ReadsAskForTheGlyphCodeOrTheSampleCharacterOneAtATime) {
    GlyphCase f;
    const struct {
        int glyph;
        const char* frame;
    } registered[] = {{0, "00RFBMA365\r\n"}, {26, "00RFBMA421\r\n"}, {63, "00RFBMA446\r\n"}};
    for (const auto& k : registered) {
        f.link.serial_writes.clear();
        f.app.current_glyph_index = k.glyph;
        ReadRegisteredGlyph(f.ctx);
        ReadRegisteredGlyph(f.ctx);  // the first one's reply has not been parsed
        EXPECT_EQ(f.link.serial_writes, Writes{k.frame});
        ParseSerialReply(f.ctx, "00GN\r\n");
        EXPECT_EQ(f.app.glyph_read_pending, 0);
    }
    const struct {
        std::string text;
        const char* frame;
    } samples[] = {{"\x82\xA0", "00RFBM2422\r\n"},  // hiragana a
                   {"", "00RFBM2121\r\n"},
                   {"a", "00RFBM2121\r\n"},          // one byte: no sample character
                   {"ab", "00RFBM2121\r\n"},         // not a double-byte character
                   {"\xFA\x40", "00RFBM7C71\r\n"},   // IBM extension: its NEC-selected twin
                   {"\xFC\x4C", "00RFBM2121\r\n"}};  // outside the table
    for (const auto& k : samples) {
        f.link.serial_writes.clear();
        OnSampleTextChanged(f.g, k.text);
        ReadSampleGlyph(f.ctx, f.g);
        EXPECT_EQ(f.link.serial_writes, Writes{k.frame}) << k.frame;
        f.app.glyph_read_pending = 0;
    }
    f.app.interface_type = 1;  // TCP/IP without a connection
    ReadSampleGlyph(f.ctx, f.g);
    ReadRegisteredGlyph(f.ctx);
    EXPECT_EQ(f.app.glyph_read_pending, 0);
    const std::string refused = "error(stop): Socket が接続されていません";
    EXPECT_EQ(f.prompts.calls, (Calls{"error(exclamation): 自動切換え中！",
                                      "error(exclamation): 自動切換え中！",
                                      "error(exclamation): 自動切換え中！", refused, refused}));
}

TEST(GlyphEditor, CloseHandsRepliesBackToTheList) {
    GlyphCase f;
    f.app.reply_owner_window = kList;
    f.app.active_dialog = kEditor;
    f.app.glyph_read_pending = 1;
    EXPECT_EQ(CloseEditor(f.app), kList);
    EXPECT_EQ(f.app.active_dialog, kList);
    EXPECT_EQ(f.app.glyph_read_pending, 0);
}

TEST(GlyphFiles, WrittenLineByLineAndReadWithTheSkippingRule) {
    GlyphCase f;
    const std::string empty = GlyphFileText(f.model);
    ASSERT_EQ(empty.size(), 122880u);
    for (std::size_t i = 0; i < empty.size(); i += 3) ASSERT_EQ(empty.substr(i, 3), "0\r\n");
    f.model.glyph_pattern[1][0] = 'A';
    f.model.glyph_pattern[159][255] = 'F';
    const std::string text = GlyphFileText(f.model);
    EXPECT_EQ(text.substr(3 * 256, 3), "A\r\n");
    EXPECT_EQ(text.substr(text.size() - 3), "F\r\n");

    GlyphCase g;
    std::memset(g.model.glyph_pattern[159] + 256, 'x', 4);
    ReadGlyphFile(text, g.model);
    for (int i = 0; i < kGlyphCount; ++i) ASSERT_EQ(g.Slot(i), f.Slot(i)) << i;
    EXPECT_EQ(std::string(g.model.glyph_pattern[159] + 256, 4), "xxxx");  // never read
    // Any byte is taken, white space after it skipped; a short file leaves the rest alone.
    std::memset(g.model.glyph_pattern[1], 'E', 256);
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "7\n";
    ReadGlyphFile(" \t\v\f\r\n1 \n\n\t2\r\nz" + hundred.substr(0, 194), g.model);
    EXPECT_EQ(g.Slot(0), " 12z" + std::string(97, '7') + std::string(155, '0'));
    EXPECT_EQ(g.Slot(1), std::string(256, 'E'));
}

TEST(GlyphFiles, BitmapHeadersAndBottomUpPaddedRows) {
    std::vector<std::uint32_t> pixels(5 * 2, 0x000000);
    pixels[0] = 0x112233;      // top-left
    pixels[5 + 4] = 0xAABBCC;  // bottom-right
    const std::string bmp = BitmapFile(pixels.data(), 5, 2, 5);
    const std::string header("BM\x56\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x05\0\0\0\x02\0\0\0\x01\0"
                             "\x18\0\0\0\0\0\x20\0\0\0",
                             38);
    EXPECT_EQ(bmp.substr(0, 38), header);  // 54 + 16 x 2 bytes, rows of 15 padded to 16
    EXPECT_EQ(bmp.substr(38, 16), std::string(16, '\0'));
    EXPECT_EQ(bmp.substr(54 + 12, 4), std::string("\xCC\xBB\xAA\0", 4));  // bottom row first
    EXPECT_EQ(bmp.substr(70, 3), "\x33\x22\x11");
    EXPECT_EQ(bmp.size(), 86u);
    std::vector<std::uint32_t> cell(96 * 96);
    EXPECT_EQ(BitmapFile(cell.data(), 96, 96, 96).size(), 27702u);
    EXPECT_EQ(BitmapRowSize(93), 280u);
}

TEST(GlyphList, SaveAsAppendsTlmByTheRuleAndKeepsTheNameOnFailure) {
    GlyphCase f;
    const struct {
        const char* chosen;
        const char* saved;
    } names[] = {{"glyphs", "glyphs.tlm"},
                 {"a.tlm.bak", "a.tlm.bak"},
                 {"A.TLM", "A.TLM.tlm"},
                 {"C:\\x.tlm\\g", "C:\\x.tlm\\g"},
                 {".tlm", ".tlm.tlm"}};
    for (const auto& k : names) {
        f.prompts.file_names = {k.chosen};
        SaveGlyphFileAs(f.ctx, f.g, f.fs);
        EXPECT_EQ(f.fs.files.count(k.saved), 1u) << k.saved;
        EXPECT_STREQ(f.g.glyph_file_name, k.saved);
    }
    f.app.document_modified = 1;
    f.fs.fail_writes = true;
    f.prompts.file_names = {"other"};
    SaveGlyphFileAs(f.ctx, f.g, f.fs);
    SaveGlyphFile(f.ctx, f.g, f.fs);
    EXPECT_STREQ(f.g.glyph_file_name, ".tlm.tlm");
    f.g.glyph_file_name[0] = '\0';
    SaveGlyphFile(f.ctx, f.g, f.fs);
    EXPECT_EQ(f.prompts.calls.back(), "error(exclamation): Don't file open");
    EXPECT_EQ(f.prompts.calls[f.prompts.calls.size() - 2], "error(stop): Can't file open");
    EXPECT_EQ(f.app.document_modified, 1);  // the titles are still unsaved
}

TEST(GlyphList, OpenAsksAboutTitlesAndLoadsOnlyAReadableFile) {
    GlyphCase f;
    f.fs.files["g.tlm"] = "1\r\n2\r\n";
    f.app.document_modified = 1;
    f.prompts.yes_no_answers = {false, true, true};
    f.prompts.file_names = {"missing.tlm", "g.tlm"};
    EXPECT_FALSE(OpenGlyphFile(f.ctx, f.g, f.fs));  // No
    EXPECT_FALSE(OpenGlyphFile(f.ctx, f.g, f.fs));  // cannot be read
    EXPECT_STREQ(f.g.glyph_file_name, "");
    EXPECT_TRUE(OpenGlyphFile(f.ctx, f.g, f.fs));
    EXPECT_STREQ(f.g.glyph_file_name, "g.tlm");
    EXPECT_EQ(f.Slot(0).substr(0, 3), "120");
    f.app.glyph_bulk_read_running = 1;
    EXPECT_FALSE(OpenGlyphFile(f.ctx, f.g, f.fs));
    const std::string ask = "ask[TVX-5870]: データを保存せずに別のファイルを開きますか？";
    EXPECT_EQ(f.prompts.calls, (Calls{ask, ask, "ask-file(2)", "error(exclamation): Can't file open",
                                      ask, "ask-file(2)"}));
}

TEST(GlyphList, ClearAllAsksTheListAndNoKeepsGlyphsAndFileName) {
    GlyphCase f;
    f.model.glyph_pattern[5][3] = 'F';
    std::strcpy(f.g.glyph_file_name, "g.tlm");
    f.g.glyph_modified = 1;
    f.prompts.yes_no_answers = {false, true};
    EXPECT_FALSE(ClearAllGlyphs(f.ctx, f.g, kList));
    EXPECT_EQ(f.model.glyph_pattern[5][3], 'F');
    EXPECT_STREQ(f.g.glyph_file_name, "g.tlm");
    EXPECT_TRUE(ClearAllGlyphs(f.ctx, f.g, kList));
    EXPECT_EQ(std::string(&f.model.glyph_pattern[0][0], sizeof f.model.glyph_pattern),
              std::string(sizeof f.model.glyph_pattern, '0'));
    EXPECT_STREQ(f.g.glyph_file_name, "");
    EXPECT_EQ(f.g.glyph_modified, 0);
    EXPECT_EQ(f.prompts.calls.back(),
              "ask[新規作成](owner=55): データを保存せずに新規作成しますか？");
}

TEST(GlyphList, HitTestPagesAndExportNaming) {
    const struct {
        int x, y, cell;
    } hits[] = {{12, 11, 0},     {106, 105, 0}, {11, 50, -1},  {107, 50, -1}, {50, 130, -1},
                {240, 252, 10},  {126, 158, 9}, {904, 60, 7},  {905, 60, -1}, {50, 106, -1},
                {50, 157, -1}};
    for (const auto& k : hits) EXPECT_EQ(GlyphListCellAt(k.x, k.y), k.cell) << k.x << "," << k.y;
    GlyphCase f;
    f.g.glyph_list_page = 1;
    EXPECT_EQ(ChooseGlyphForEditor(f.app, f.g, 12, 11), 16);
    EXPECT_EQ(f.app.current_glyph_index, 16);
    EXPECT_EQ(ChooseGlyphForEditor(f.app, f.g, 50, 130), -1);
    f.app.glyph_bulk_read_running = 1;
    EXPECT_EQ(ChooseGlyphForEditor(f.app, f.g, 12, 11), -1);
    EXPECT_EQ(GlyphPageItemText(0), "No. 1～16");
    EXPECT_EQ(GlyphPageItemText(3), "No.49～64");
    EXPECT_EQ(GlyphNumberText(GlyphOfCell(f.g, 15)), "No.32");

    f.app.glyph_bulk_read_running = 0;
    f.prompts.file_names = {"pic", "a.bmp"};
    EXPECT_TRUE(ExportGlyphBitmap(f.ctx, f.g, f.fs, 27, "BM-bytes"));
    EXPECT_EQ(f.fs.files["pic.bmp"], "BM-bytes");
    EXPECT_STREQ(f.g.bmp_export_path, "pic.bmp");
    f.app.glyph_read_pending = 1;
    EXPECT_FALSE(ExportGlyphBitmap(f.ctx, f.g, f.fs, 27, "x"));  // no file dialog
    f.app.glyph_read_pending = 0;
    f.fs.fail_writes = true;
    EXPECT_FALSE(ExportGlyphBitmap(f.ctx, f.g, f.fs, 3, "x"));
    EXPECT_EQ(f.prompts.calls, (Calls{"ask-file(6)", "ask-file(6)", "error(stop): Can't file open"}));
    EXPECT_EQ(BitmapExportName(27), "gm27.bmp");
    EXPECT_EQ(BitmapExportName(1), "gm01.bmp");
}

TEST(GlyphList, RegisterRunSendsGr01ToGr64EveryTickWhateverThePage) {
    GlyphCase f;
    f.g.glyph_list_page = 2;
    f.app.current_glyph_index = 40;
    for (int i = 0; i < 64; ++i) f.model.glyph_pattern[i][0] = PatternValueChar(i);
    ASSERT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, true), 2000);
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, true), 0);  // one run at a time
    f.app.preview_redraw_pending = 1;  // a paint during the run: drawn, and the step taken
    GlyphListTick t;
    std::vector<std::string> percents;
    for (int i = 0; i < 64; ++i) {
        t = OnGlyphListTick(f.ctx, f.g);
        EXPECT_EQ(t.draw_cells, i == 0 || i == 63);
        EXPECT_TRUE(t.step_progress && t.show_percent);
        percents.push_back(t.percent_text);
        ParseSerialReply(f.ctx, "00E3\r\n");  // errors are shown and the run goes on
    }
    ASSERT_EQ(f.link.serial_writes.size(), 64u);
    for (int i = 0; i < 64; ++i) {
        char number[3];
        std::snprintf(number, sizeof number, "%02d", i + 1);
        std::string pattern(256, '0');
        pattern[0] = PatternValueChar(i);
        EXPECT_EQ(f.link.serial_writes[i], "00GR" + std::string(number) + pattern + "\r\n");
    }
    EXPECT_EQ(percents[0], " 01.5");
    EXPECT_EQ(percents[31], " 50.0");
    EXPECT_EQ(percents[62], " 98.4");
    EXPECT_EQ(percents[63], "    ");
    EXPECT_TRUE(t.stop_timer && t.reset_progress && t.draw_cells);
    EXPECT_EQ(f.app.current_glyph_index, 0);
    EXPECT_EQ(f.app.glyph_bulk_read_running, 0);
    EXPECT_EQ(f.prompts.calls.size(), 65u);  // the confirmation and 64 error boxes
    EXPECT_TRUE(OnGlyphListTick(f.ctx, f.g).stop_timer);  // a stray tick sends nothing
    EXPECT_EQ(f.link.serial_writes.size(), 64u);
}

TEST(GlyphList, ReadRunAsksOneGlyphAtATimeAndAsksAgainAfterAnyOtherReply) {
    GlyphCase f;
    ASSERT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 300);
    OnGlyphListTick(f.ctx, f.g);
    GlyphListTick t = OnGlyphListTick(f.ctx, f.g);  // no reply yet: nothing sent, bar steps
    EXPECT_TRUE(t.step_progress);
    EXPECT_EQ(t.percent_text, " 00.0");
    ParseSerialReply(f.ctx, "00FBMA365" + std::string(256, '1') + "\r\n");
    OnGlyphListTick(f.ctx, f.g);
    ParseSerialReply(f.ctx, "00GN\r\n");
    OnGlyphListTick(f.ctx, f.g);
    OnGlyphListTick(f.ctx, f.g);
    EXPECT_EQ(f.link.serial_writes, (Writes{"00RFBMA365\r\n", "00RFBMA366\r\n", "00RFBMA366\r\n"}));
    // The answer for index 1, then the late answer to its repeated request while index 2 is
    // asked for: not stored in slot 2, and index 2 is asked for again.
    ParseSerialReply(f.ctx, "00FBMA366" + std::string(256, '1') + "\r\n");
    OnGlyphListTick(f.ctx, f.g);
    ParseSerialReply(f.ctx, "00FBMA366" + std::string(256, '9') + "\r\n");
    EXPECT_EQ(f.Slot(2), std::string(256, '0'));
    EXPECT_EQ(f.app.current_glyph_index, 2);
    for (int n = 2; n < 64; ++n) {
        t = OnGlyphListTick(f.ctx, f.g);
        // Register number n + 1 has the code of cell (n + 68) mod 94 in row A3 + (n + 68) / 94.
        char code[5];
        std::snprintf(code, sizeof code, "%02X%02X", 0xA3 + (n + 68) / 94, 0x21 + (n + 68) % 94);
        ParseSerialReply(f.ctx, "00FBM" + std::string(code) +
                                    std::string(256, PatternValueChar(n)) + "\r\n");
    }
    t = OnGlyphListTick(f.ctx, f.g);
    EXPECT_EQ(f.link.serial_writes.back(), "00RFBMA446\r\n");
    EXPECT_TRUE(t.stop_timer && t.draw_cells);
    EXPECT_EQ(f.Slot(0), std::string(256, '1'));
    EXPECT_EQ(f.Slot(1), std::string(256, '1'));
    EXPECT_EQ(f.Slot(2), std::string(256, '2'));
    EXPECT_EQ(f.Slot(63), std::string(256, 'F'));
    EXPECT_EQ(f.Slot(64), std::string(256, '0'));
    EXPECT_EQ(f.app.current_glyph_index, 0);
    EXPECT_EQ(f.prompts.calls, Calls{"error(exclamation): 自動切換え中！"});
}

TEST(GlyphList, RunsAreRefusedWithoutALinkOrConfirmationOrDuringASequence) {
    GlyphCase f;
    f.prompts.yes_no_answers = {false};
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, true), 0);
    f.app.sequence_running = 3;
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 0);
    f.app.interface_type = 1;
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 0);
    EXPECT_EQ(f.app.glyph_bulk_read_running, 0);
    EXPECT_EQ(f.prompts.calls, (Calls{"confirm-not-auto(owner=55)",
                                      "error(exclamation): Socket が接続されていません"}));
    f.app.glyph_bulk_read_running = 1;
    EXPECT_EQ(OnGlyphListPaint(f.app), 0);  // the run keeps its period
    CloseGlyphList(f.app);
    EXPECT_EQ(OnGlyphListPaint(f.app), 20);
    EXPECT_FALSE(GlyphListAddressEnabled(f.app));  // TCP/IP
}

TEST(GlyphInsert, SendsTheGCommandAndLeavesTheTitleAlone) {
    GlyphCase f;
    f.app.slave_address = 7;
    std::strcpy(f.model.title_text[4], "AB");
    f.app.current_glyph_index = 11;
    EXPECT_TRUE(OnInsertTitleSelected(f.app, 4));
    EXPECT_TRUE(OnInsertPositionSelected(f.g, 2));
    SendGlyphInsert(f.ctx, f.g);
    f.app.current_glyph_index = 63;
    OnInsertTitleSelected(f.app, 143);
    OnInsertPositionSelected(f.g, 20);
    EXPECT_FALSE(OnInsertPositionSelected(f.g, 21));
    SendGlyphInsert(f.ctx, f.g);
    EXPECT_EQ(f.link.serial_writes, (Writes{"07G12T005I03\r\n", "07G64T144I21\r\n"}));
    EXPECT_STREQ(f.model.title_text[4], "AB");
    EXPECT_EQ(TitleNumberItemText(143), "144");
    EXPECT_EQ(InsertPositionItemText(0), "01");
}

}  // namespace
}  // namespace tvx
