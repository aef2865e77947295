// External characters: the pattern and its pictures, the editor's mouse rule and buttons, the
// glyph files and bitmap bytes, the list's bulk runs tick by tick, and the insertion command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_files.h"
#include "glyphs/glyph_insert.h"
#include "glyphs/glyph_list.h"
#include "glyphs/glyph_pattern.h"
#include "link/send.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using Calls = std::vector<std::string>;
using Writes = std::vector<std::string>;
constexpr WindowHandle kEditor = 77;
constexpr WindowHandle kList = 55;

struct GlyphCase : test::CoreFixture {
    GlyphState g;
    test::MemoryFileSystem fs;
    GlyphCase() { app.address_prefix_on = 1; }
    std::string Buffer() const { return std::string(model.glyph_receive_buffer, 256); }
    std::string Slot(int i) const { return std::string(model.glyph_pattern[i], 256); }
    void Reply(const std::string& line) { ParseSerialReply(ctx, line); }
};

std::string With(std::size_t at, char c) {
    std::string p(256, '0');
    p[at] = c;
    return p;
}

TEST(GlyphPattern, ValuesOfAnyByteAndDotOrder) {
    EXPECT_EQ(PatternCharValue('F'), 15);
    EXPECT_EQ(PatternCharValue('a'), 42);  // low bits 0xA: draws like "A"
    EXPECT_EQ(PatternCharValue(' '), -16);
    EXPECT_EQ(PatternCharValue(static_cast<char>(0x80)), 73);
    EXPECT_EQ(PatternValueChar(11), 'B');
    std::string p = With(0, '8');  // row 0, column 0
    p[9] = '1';                    // row 1, column 7
    p[255] = 'a';                  // row 31, columns 28 and 30
    int lit = 0;
    for (int r = 0; r < 32; ++r) {
        for (int col = 0; col < 32; ++col) lit += DotLit(p.c_str(), col, r);
    }
    EXPECT_EQ(lit, 4);
    EXPECT_TRUE(DotLit(p.c_str(), 0, 0) && DotLit(p.c_str(), 7, 1) && DotLit(p.c_str(), 28, 31) &&
                DotLit(p.c_str(), 30, 31));
}

TEST(GlyphPattern, PicturesOfTheGridAndTheCells) {
    const std::string p = With(0, '4');  // dot (1, 0) lit
    std::vector<std::uint32_t> grid(480 * 384);
    RenderGlyphPicture(p.c_str(), 15, 12, grid.data(), 480);
    // Background dot (0, 0): black outline around blue; the lit dot (1, 0) all white.
    const std::vector<std::uint32_t> seen = {grid[0],   grid[11 * 480 + 14],
                                             grid[481], grid[10 * 480 + 13],
                                             grid[15],  grid[11 * 480 + 29]};
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0, 0, 0xFF, 0xFF, 0xFFFFFF, 0xFFFFFF}));
    std::vector<std::uint32_t> cell(96 * 96);
    RenderGlyphPicture(p.c_str(), 3, 3, cell.data(), 96);
    EXPECT_EQ((std::vector<std::uint32_t>{cell[96 + 1], cell[96 * 2 + 2], cell[96 + 4]}),
              (std::vector<std::uint32_t>{0xFF, 0, 0xFFFFFF}));  // one blue pixel in a ring
}

TEST(GlyphEditor, MouseEditsTheInnerDotsAndCopiesIntoTheSlot) {
    GlyphCase f;
    f.app.current_glyph_index = 3;
    EXPECT_TRUE(EditDot(f.model, f.app, 27, 24, true));  // dot (1, 1): character 8 gains 4
    EXPECT_EQ(f.Buffer(), With(8, '4'));
    EXPECT_EQ(f.Slot(3), f.Buffer());
    EXPECT_TRUE(EditDot(f.model, f.app, 476, 383, true));  // dot (30, 30): character 247 gains 2
    EXPECT_EQ(f.model.glyph_receive_buffer[247], '2');
    f.model.glyph_pattern[3][0] = 'X';
    for (auto [x, y] : {std::pair{26, 24}, {27, 23}, {477, 100}, {100, 384}}) {
        EXPECT_FALSE(EditDot(f.model, f.app, x, y, true)) << x << "," << y;
    }
    EXPECT_EQ(f.model.glyph_pattern[3][0], 'X');          // outside: nothing copied
    EXPECT_FALSE(EditDot(f.model, f.app, 27, 24, true));  // already lit: nothing to draw,
    EXPECT_EQ(f.Slot(3), f.Buffer());                     // but the slot is rewritten
    // Presses and drags: both buttons held leave the dot clear; a release that went elsewhere
    // ends the drag at the next move.
    EXPECT_FALSE(OnEditorButtonDown(f.ctx, f.g, MouseButton::Left, 5, 5));
    EXPECT_EQ(f.g.glyph_modified, 1);
    EXPECT_TRUE(OnEditorMouseMove(f.ctx, f.g, 42, 36, true, false));  // dot (2, 2)
    EXPECT_TRUE(OnEditorButtonDown(f.ctx, f.g, MouseButton::Right, 42, 36));
    OnEditorMouseMove(f.ctx, f.g, 42, 36, true, true);
    EXPECT_EQ(f.model.glyph_receive_buffer[16], '0');
    OnEditorButtonUp(f.ctx, f.g, MouseButton::Right);
    EXPECT_TRUE(OnEditorMouseMove(f.ctx, f.g, 57, 36, true, false));  // dot (3, 2)
    EXPECT_FALSE(OnEditorMouseMove(f.ctx, f.g, 72, 36, false, false));
    EXPECT_EQ(f.model.glyph_receive_buffer[16], '1');
    EXPECT_EQ(f.model.glyph_receive_buffer[17], '0');
}

TEST(GlyphEditor, ClearAsksOnceModifiedAndRegisterSendsTheGrid) {
    GlyphCase f;
    f.app.current_glyph_index = 9;
    f.app.slave_address = 3;
    std::memset(f.model.glyph_receive_buffer, 'C', 256);
    std::strcpy(f.g.glyph_text_file_name, "one.txt");
    f.g.glyph_modified = 1;
    f.prompts.yes_no_answers = {false, true, false, true};
    EXPECT_FALSE(ClearEditBuffer(f.ctx, f.g, kEditor));  // No: nothing changes
    EXPECT_STREQ(f.g.glyph_text_file_name, "one.txt");
    RegisterEditBuffer(f.ctx, kEditor);  // confirmed
    RegisterEditBuffer(f.ctx, kEditor);  // not confirmed
    EXPECT_TRUE(ClearEditBuffer(f.ctx, f.g, kEditor));
    EXPECT_EQ(f.Buffer() + f.model.glyph_receive_buffer[256], std::string(256, '0') + '\0');
    EXPECT_EQ(f.Slot(9), f.Buffer());
    EXPECT_EQ(f.g.glyph_modified, 0);
    EXPECT_STREQ(f.g.glyph_text_file_name, "");
    EXPECT_TRUE(ClearEditBuffer(f.ctx, f.g, kEditor));  // not modified: no question
    EXPECT_EQ(f.link.serial_writes, Writes{"03GR10" + std::string(256, 'C') + "\r\n"});
    const std::string ask = "ask[新規作成](owner=77): データを保存せずに新規作成しますか？";
    const std::string confirm = "confirm-not-auto(owner=77)";
    EXPECT_EQ(f.prompts.calls, (Calls{ask, confirm, confirm, ask}));
}

TEST(GlyphEditor, ReadsAskForTheGlyphCodeOrTheSampleOneAtATime) {
    GlyphCase f;
    for (auto [glyph, frame] :
         {std::pair{0, "00RFBMA365\r\n"}, {26, "00RFBMA421\r\n"}, {63, "00RFBMA446\r\n"}}) {
        f.link.serial_writes.clear();
        f.app.current_glyph_index = glyph;
        ReadRegisteredGlyph(f.ctx);
        ReadRegisteredGlyph(f.ctx);  // the first one's reply is not parsed yet
        EXPECT_EQ(f.link.serial_writes, Writes{frame});
        f.Reply("00GN\r\n");
    }
    for (auto [text, frame] : {std::pair{"\x82\xA0", "00RFBM2422\r\n"},  // hiragana a
                               {"", "00RFBM2121\r\n"},
                               {"a", "00RFBM2121\r\n"},
                               {"\xFA\x40", "00RFBM7C71\r\n"}}) {  // IBM extension: NEC twin
        f.link.serial_writes.clear();
        OnSampleTextChanged(f.g, text);
        ReadSampleGlyph(f.ctx, f.g);
        EXPECT_EQ(f.link.serial_writes, Writes{frame});
        f.app.glyph_read_pending = 0;
    }
    f.app.interface_type = 1;  // TCP/IP without a connection
    ReadRegisteredGlyph(f.ctx);
    EXPECT_EQ(f.app.glyph_read_pending, 0);
    EXPECT_EQ(f.prompts.calls.back(), "error(stop): Socket が接続されていません");
    EXPECT_EQ(f.prompts.calls.front(), "error(exclamation): 自動切換え中！");
}

TEST(GlyphFiles, LinesWrittenAndReadWithTheSkippingRule) {
    GlyphCase f;
    const std::string empty = GlyphFileText(f.model);
    ASSERT_EQ(empty.size(), 122880u);
    for (std::size_t i = 0; i < empty.size(); i += 3) ASSERT_EQ(empty.substr(i, 3), "0\r\n");
    f.model.glyph_pattern[1][0] = 'A';
    f.model.glyph_pattern[159][255] = 'F';
    GlyphCase g;
    std::memset(g.model.glyph_pattern[159] + 256, 'x', 4);
    ReadGlyphFile(GlyphFileText(f.model), g.model);
    for (int i = 0; i < kGlyphCount; ++i) ASSERT_EQ(g.Slot(i), f.Slot(i)) << i;
    EXPECT_EQ(std::string(g.model.glyph_pattern[159] + 256, 4), "xxxx");  // never touched
    // Any byte is taken, white space after it skipped; a short file leaves the rest alone.
    std::memset(g.model.glyph_pattern[1], 'E', 256);
    ReadGlyphFile(" \t\v\f\r\n1 \n\n\t2\r\nz" + std::string(97, '7'), g.model);
    EXPECT_EQ(g.Slot(0), " 12z" + std::string(97, '7') + std::string(155, '0'));
    EXPECT_EQ(g.Slot(1), std::string(256, 'E'));
}

// The single-glyph text file: a UTF-8 byte-order mark is skipped, and a character that is no
// hexadecimal digit is refused by the glyph file's own check, grid and name left alone.
TEST(GlyphEditor, SingleGlyphTextFileSkipsAByteOrderMarkAndRefusesWhatIsNoPattern) {
    GlyphCase f;
    std::string one;
    for (int i = 0; i < 256; ++i) one += (i == 0 ? 'C' : '0') + std::string("\r\n");
    f.fs.files["bom.txt"] = "\xEF\xBB\xBF" + one;
    f.fs.files["bad.txt"] = one.substr(0, 30) + "x" + one.substr(31);  // character 11
    f.prompts.file_names = {"bad.txt", "bom.txt"};
    EXPECT_FALSE(OpenGlyphTextFile(f.ctx, f.g, f.fs));
    EXPECT_EQ(f.g.glyph_text_file_name[0], '\0');
    EXPECT_EQ(f.Buffer(), std::string(256, '0'));
    EXPECT_TRUE(OpenGlyphTextFile(f.ctx, f.g, f.fs));
    EXPECT_EQ(f.Buffer(), With(0, 'C'));
    EXPECT_STREQ(f.g.glyph_text_file_name, "bom.txt");
    EXPECT_EQ(f.prompts.calls,
              (Calls{"ask-file(4)",
                     "error(exclamation): 外字ファイルではありません。\nbad.txt\n外字 1 のパター"
                     "ンの 11 文字目が 16 進数字ではありません。",
                     "ask-file(4)"}));
}

TEST(GlyphFiles, BitmapHeadersAndBottomUpPaddedRows) {
    std::vector<std::uint32_t> pixels(5 * 2);
    pixels[0] = 0x112233;      // top-left
    pixels[5 + 4] = 0xAABBCC;  // bottom-right
    const std::string bmp = BitmapFile(pixels.data(), 5, 2, 5);
    EXPECT_EQ(bmp, std::string("BM\x56\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x05\0\0\0\x02\0\0\0"
                               "\x01\0\x18\0\0\0\0\0\x20\0\0\0",
                               38) +
                       std::string(16 + 12, '\0') + std::string("\xCC\xBB\xAA\0\x33\x22\x11", 7) +
                       std::string(13, '\0'));
    std::vector<std::uint32_t> cell(96 * 96);
    EXPECT_EQ(BitmapFile(cell.data(), 96, 96, 96).size(), 27702u);
    EXPECT_EQ(BitmapRowSize(93), 280u);
}

TEST(GlyphList, FilesSaveAsRuleFailuresAndOpen) {
    GlyphCase f;
    for (auto [chosen, saved] : {std::pair{"glyphs", "glyphs.tlm"},
                                 {"a.tlm.bak", "a.tlm.bak"},
                                 {"A.TLM", "A.TLM"},
                                 {"C:\\x.tlm\\g", "C:\\x.tlm\\g.tlm"}}) {
        f.prompts.file_names = {chosen};
        SaveGlyphFileAs(f.ctx, f.g, f.fs);
        EXPECT_EQ(f.fs.files.count(saved), 1u) << saved;
        EXPECT_STREQ(f.g.glyph_file_name, saved);
    }
    f.app.document_modified = 1;
    f.fs.fail_writes = true;
    f.prompts.file_names = {"other"};
    SaveGlyphFileAs(f.ctx, f.g, f.fs);
    EXPECT_STREQ(f.g.glyph_file_name, "C:\\x.tlm\\g.tlm");  // kept on failure
    f.g.glyph_file_name[0] = '\0';
    SaveGlyphFile(f.ctx, f.g, f.fs);
    EXPECT_EQ(f.app.document_modified, 1);  // the titles are still unsaved
    EXPECT_EQ(Calls(f.prompts.calls.end() - 2, f.prompts.calls.end()),
              (Calls{"error(stop): Can't file open", "error(exclamation): Don't file open"}));
}

// "開く" asks about drawn glyphs (not about the titles it leaves alone), and takes only a whole
// glyph file: anything else leaves glyphs and file name as they were, with a box naming it.
TEST(GlyphList, OpenAsksAboutDrawnGlyphsAndRefusesWhatIsNoGlyphFile) {
    GlyphCase f;
    std::string whole;
    for (int i = 0; i < 160 * 256; ++i) whole += (i < 3 ? "12a"[i] : '0') + std::string("\r\n");
    f.fs.files["g.tlm"] = whole;
    f.fs.files["short.tlm"] = "1\r\n2\r\n";
    std::string bad = whole;
    bad[3 * (256 + 16)] = 'G';  // glyph 2, character 17
    f.fs.files["bad.tlm"] = bad;
    std::strcpy(f.g.glyph_file_name, "old.tlm");
    f.app.document_modified = 1;  // unsaved titles: not this command's business
    f.g.glyph_modified = 1;
    f.prompts.yes_no_answers = {false, true, true, true, true};
    f.prompts.file_names = {"missing.tlm", "short.tlm", "bad.tlm", "g.tlm"};
    EXPECT_FALSE(OpenGlyphFile(f.ctx, f.g, f.fs));  // No to the question
    EXPECT_FALSE(OpenGlyphFile(f.ctx, f.g, f.fs));  // cannot be read
    EXPECT_FALSE(OpenGlyphFile(f.ctx, f.g, f.fs));  // short
    EXPECT_FALSE(OpenGlyphFile(f.ctx, f.g, f.fs));  // a character that is no digit
    EXPECT_STREQ(f.g.glyph_file_name, "old.tlm");
    EXPECT_EQ(f.Slot(0), std::string(256, '0'));
    EXPECT_TRUE(OpenGlyphFile(f.ctx, f.g, f.fs));
    EXPECT_STREQ(f.g.glyph_file_name, "g.tlm");
    EXPECT_EQ(f.Slot(0).substr(0, 4), "12a0");
    EXPECT_EQ(f.g.glyph_modified, 0);
    const std::string ask = "ask[TVX-5870]: データを保存せずに別のファイルを開きますか？";
    EXPECT_EQ(
        f.prompts.calls,
        (Calls{ask, ask, "ask-file(2)", "error(exclamation): Can't file open", ask, "ask-file(2)",
               "error(exclamation): 外字ファイルではありません。\nshort.tlm\n外字 160 文字分の"
               "パターン（40960 文字）のうち 2 文字しかありません。",
               ask, "ask-file(2)",
               "error(exclamation): 外字ファイルではありません。\nbad.tlm\n外字 2 のパターン"
               "の 17 文字目が 16 進数字ではありません。",
               ask, "ask-file(2)"}));
    // Nothing drawn since: no question.
    f.prompts.calls.clear();
    f.prompts.file_names = {"g.tlm"};
    EXPECT_TRUE(OpenGlyphFile(f.ctx, f.g, f.fs));
    EXPECT_EQ(f.prompts.calls, Calls{"ask-file(2)"});
}

// At exit, drawn glyphs are asked about like unsaved titles: No saves them, and a save that
// fails (or is cancelled) keeps the program open.
TEST(GlyphList, ExitAsksAboutDrawnGlyphsAndSavesThemOnNo) {
    GlyphCase f;
    EXPECT_TRUE(MayExitWithGlyphs(f.ctx, f.g, f.fs));
    EXPECT_TRUE(f.prompts.calls.empty());
    f.g.glyph_modified = 1;
    f.prompts.yes_no_answers = {true, false, false};
    f.prompts.file_names = {"kept"};
    EXPECT_TRUE(MayExitWithGlyphs(f.ctx, f.g, f.fs));  // Yes: leave without them
    EXPECT_TRUE(MayExitWithGlyphs(f.ctx, f.g, f.fs));  // No: saved under a name the user gave
    EXPECT_EQ(f.fs.files.count("kept.tlm"), 1u);
    EXPECT_EQ(f.g.glyph_modified, 0);
    f.g.glyph_modified = 1;
    f.fs.fail_writes = true;
    EXPECT_FALSE(MayExitWithGlyphs(f.ctx, f.g, f.fs));  // No, and the save fails: stay
    const std::string ask = "ask[TVX-5870]: 外字を保存せずに終了しますか？";
    EXPECT_EQ(f.prompts.calls,
              (Calls{ask, ask, "ask-file(3)", ask, "error(stop): Can't file open"}));
}

TEST(GlyphList, ClearAllAsksTheListAndNoKeepsEverything) {
    GlyphCase f;
    f.model.glyph_pattern[159][259] = 'F';
    std::strcpy(f.g.glyph_file_name, "g.tlm");
    f.g.glyph_modified = 1;
    f.prompts.yes_no_answers = {false, true};
    EXPECT_FALSE(ClearAllGlyphs(f.ctx, f.g, kList));
    EXPECT_EQ(f.model.glyph_pattern[159][259], 'F');
    EXPECT_TRUE(ClearAllGlyphs(f.ctx, f.g, kList));
    EXPECT_EQ(f.model.glyph_pattern[159][259], '0');  // all 260 bytes of every slot
    EXPECT_EQ(std::string(f.g.glyph_file_name) + f.prompts.calls.back(),
              "ask[新規作成](owner=55): データを保存せずに新規作成しますか？");
}

TEST(GlyphList, HitTestDoubleClicksAndExport) {
    const struct {
        int x, y, cell;
    } hits[] = {{12, 11, 0},    {106, 105, 0}, {11, 50, -1},  {107, 50, -1}, {50, 130, -1},
                {240, 252, 10}, {904, 60, 7},  {905, 60, -1}, {50, 157, -1}};
    for (const auto& k : hits) EXPECT_EQ(GlyphListCellAt(k.x, k.y), k.cell) << k.x << "," << k.y;
    GlyphCase f;
    f.g.glyph_list_page = 1;
    EXPECT_EQ(ChooseGlyphForEditor(f.app, f.g, 12, 11), 16);
    EXPECT_EQ(f.app.current_glyph_index, 16);
    EXPECT_EQ(GlyphNumberText(GlyphOfCell(f.g, 15)), "No.32");
    f.prompts.file_names = {"pic"};
    EXPECT_TRUE(ExportGlyphBitmap(f.ctx, f.g, f.fs, 27, "BM-bytes"));
    EXPECT_EQ(f.fs.files["pic.bmp"], "BM-bytes");
    EXPECT_EQ(BitmapExportName(27), "gm27.bmp");
    f.app.glyph_read_pending = 1;
    EXPECT_FALSE(ExportGlyphBitmap(f.ctx, f.g, f.fs, 27, "x"));  // not even asked
    f.app.glyph_read_pending = 0;
    f.fs.fail_writes = true;
    f.prompts.file_names = {"a.bmp"};
    EXPECT_FALSE(ExportGlyphBitmap(f.ctx, f.g, f.fs, 3, "x"));
    EXPECT_EQ(f.prompts.calls,
              (Calls{"ask-file(6)", "ask-file(6)", "error(stop): Can't file open"}));
    f.app.glyph_bulk_read_running = 1;
    EXPECT_EQ(ChooseGlyphForEditor(f.app, f.g, 12, 11), -1);
}

TEST(GlyphList, RegisterRunSendsGr01ToGr64WhateverThePage) {
    GlyphCase f;
    f.g.glyph_list_page = 2;
    for (int i = 0; i < 64; ++i) f.model.glyph_pattern[i][0] = PatternValueChar(i);
    ASSERT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, true), 2000);
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 0);  // one run at a time
    EXPECT_EQ(OnGlyphListPaint(f.app), 0);                      // a paint keeps the run's period...
    GlyphListTick t;
    std::vector<std::string> percents;
    for (int i = 0; i < 64; ++i) {
        t = OnGlyphListTick(f.ctx, f.g);
        EXPECT_EQ(t.draw_cells, i == 0 || i == 63);  // ...and its drawing takes no step
        percents.push_back(t.percent_text);
        f.Reply("00GO\r\n");  // silent during the run; the last one comes after it
    }
    ASSERT_EQ(f.link.serial_writes.size(), 64u);
    EXPECT_EQ(f.link.serial_writes[0], "00GR01" + With(0, '0') + "\r\n");
    EXPECT_EQ(f.link.serial_writes[63], "00GR64" + With(0, 'F') + "\r\n");
    EXPECT_EQ(percents[0], " 01.5");
    EXPECT_EQ(percents[31], " 50.0");
    EXPECT_EQ(percents[62], " 98.4");
    EXPECT_EQ(percents[63], "    ");
    EXPECT_TRUE(t.stop_timer && t.reset_progress);
    EXPECT_EQ(f.app.current_glyph_index + f.app.glyph_bulk_read_running, 0);
    EXPECT_EQ(f.prompts.calls, (Calls{"confirm-not-auto(owner=55)", "ack(owner=0)"}));
    EXPECT_TRUE(OnGlyphListTick(f.ctx, f.g).stop_timer);  // a stray tick sends nothing
    EXPECT_EQ(f.link.serial_writes.size(), 64u);
}

TEST(GlyphList, ReadRunAsksOneAtATimeAndAgainAfterAnyOtherReply) {
    GlyphCase f;
    ASSERT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 300);
    OnGlyphListTick(f.ctx, f.g);
    GlyphListTick t = OnGlyphListTick(f.ctx, f.g);  // no reply yet: nothing sent, bar steps
    EXPECT_TRUE(t.step_progress);
    EXPECT_EQ(t.percent_text, " 00.0");
    f.Reply("00FBMA365" + std::string(256, '1') + "\r\n");
    OnGlyphListTick(f.ctx, f.g);
    f.Reply("00XYZ\r\n");  // no answer to the read: it is asked for again
    OnGlyphListTick(f.ctx, f.g);
    EXPECT_EQ(f.link.serial_writes, (Writes{"00RFBMA365\r\n", "00RFBMA366\r\n", "00RFBMA366\r\n"}));
    // The answer for index 1, then the late answer to its repeated request while index 2 is
    // asked for: not stored in slot 2, and index 2 is asked for again.
    f.Reply("00FBMA366" + std::string(256, '1') + "\r\n");
    OnGlyphListTick(f.ctx, f.g);
    f.Reply("00FBMA366" + std::string(256, '9') + "\r\n");
    EXPECT_EQ(f.Slot(2), std::string(256, '0'));
    for (int n = 2; n < 64; ++n) {
        OnGlyphListTick(f.ctx, f.g);
        // Register number n + 1 has the code of cell (n + 68) mod 94 in row A3 + (n + 68) / 94.
        char code[5];
        std::snprintf(code, sizeof code, "%02X%02X", 0xA3 + (n + 68) / 94, 0x21 + (n + 68) % 94);
        f.Reply("00FBM" + std::string(code) + std::string(256, PatternValueChar(n)) + "\r\n");
    }
    t = OnGlyphListTick(f.ctx, f.g);
    EXPECT_EQ(f.link.serial_writes.back(), "00RFBMA446\r\n");
    EXPECT_TRUE(t.stop_timer && t.draw_cells);
    EXPECT_EQ(f.Slot(1) + f.Slot(2), std::string(256, '1') + std::string(256, '2'));
    EXPECT_EQ(f.Slot(63) + f.Slot(64), std::string(256, 'F') + std::string(256, '0'));
    EXPECT_TRUE(f.prompts.calls.empty());
}

// Ticks of the list's run until it stops its timer (at most max_ticks); between two ticks,
// between() runs (a reply, the main window's no-reply ticks, a dropped link).
template <typename Between>
int TicksUntilStopped(GlyphCase& f, int max_ticks, Between between) {
    for (int tick = 1; tick <= max_ticks; ++tick) {
        GlyphListTick t = OnGlyphListTick(f.ctx, f.g);
        if (t.stop_timer) {
            EXPECT_TRUE(t.draw_cells) << "the cells show what was read";
            return tick;
        }
        between(tick);
    }
    return max_ticks + 1;
}

// "Close" after the answer for glyph 64 but before the run's last tick: the index the editor
// and the insertion dialog open on stays a register number.
TEST(GlyphList, CloseAfterTheLastAnswerLeavesARegisterNumber) {
    GlyphCase f;
    ASSERT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 300);
    f.app.current_glyph_index = 63;
    f.app.glyph_read_pending = 1;
    f.Reply("00FBMA446" + std::string(256, '7') + "\r\n");
    ASSERT_EQ(f.app.current_glyph_index, 64);
    CloseGlyphList(f.app);
    EXPECT_EQ(f.app.current_glyph_index, 0);
    EXPECT_EQ(f.Slot(63), std::string(256, '7'));
    // In the middle of a run it keeps the glyph the run had reached.
    ASSERT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 300);
    f.app.current_glyph_index = 20;
    CloseGlyphList(f.app);
    EXPECT_EQ(f.app.current_glyph_index, 20);
}

TEST(GlyphList, ReadRunEndsWithOneBoxWhenTheDeviceSwitchesAutomatically) {
    GlyphCase f;
    ASSERT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 300);
    // Every read is refused while a position shows automatic switching.
    EXPECT_EQ(TicksUntilStopped(f, 20, [&](int) { f.Reply("00GN\r\n"); }), 2);
    EXPECT_EQ(f.link.serial_writes, Writes{"00RFBMA365\r\n"});
    EXPECT_EQ(f.prompts.calls, Calls{"error(exclamation): 自動切換え中！"});
    EXPECT_EQ(f.app.glyph_bulk_read_running + f.app.glyph_read_pending, 0);
    // A single read of the editor shows the same box and nothing else changes.
    f.app.glyph_read_pending = 1;
    f.Reply("00GN\r\n");
    EXPECT_EQ(f.prompts.calls.back(), "error(exclamation): 自動切換え中！");
}

// The first error reply ends either run with its one box: no glyph after it is sent or asked
// for again, and no "Success" follows.
TEST(GlyphList, RunsStopAtTheFirstErrorReplyWithOneBox) {
    for (const char* error : {"00E3\r\n", "00MENU\r\n"}) {
        for (bool register_run : {true, false}) {
            GlyphCase f;
            f.prompts.yes_no_answers = {true};
            ASSERT_GT(StartGlyphBulkRun(f.ctx, f.g, kList, register_run), 0);
            OnGlyphListTick(f.ctx, f.g);
            f.Reply(register_run ? "00GO\r\n" : "00FBMA365" + std::string(256, '1') + "\r\n");
            OnGlyphListTick(f.ctx, f.g);
            f.Reply(error);
            EXPECT_EQ(TicksUntilStopped(f, 5, [&](int) { f.Reply("00GO\r\n"); }), 1);
            EXPECT_EQ(f.link.serial_writes.size(), 2u) << register_run;
            EXPECT_EQ(f.prompts.calls.size(), register_run ? 2u : 1u);
            EXPECT_EQ(f.prompts.calls.back().rfind("error(exclamation): ", 0), 0u);
            EXPECT_EQ(f.app.glyph_bulk_read_running + f.app.glyph_read_pending, 0);
        }
    }
}

TEST(GlyphList, RunsEndWithOneNoConnectWhenTheDeviceFallsSilent) {
    for (bool register_run : {false, true}) {
        GlyphCase f;
        f.prompts.yes_no_answers = {true};
        ASSERT_GT(StartGlyphBulkRun(f.ctx, f.g, kList, register_run), 0);
        // The main window's 500 ms ticks between two of the run's (2000 or 300 ms).
        const int main_ticks = register_run ? 4 : 1;
        const int ticks = TicksUntilStopped(f, 80, [&](int) {
            for (int i = 0; i < main_ticks; ++i) CheckReplyTimeout(f.ctx);
        });
        EXPECT_EQ(ticks, register_run ? 3 : 8) << register_run;
        EXPECT_EQ(f.link.serial_writes.size(), register_run ? 2u : 1u);
        EXPECT_EQ(f.prompts.calls.back(), "error(stop): No Connect");
        EXPECT_EQ(
            std::count(f.prompts.calls.begin(), f.prompts.calls.end(), "error(stop): No Connect"),
            1);
        EXPECT_EQ(f.app.glyph_bulk_read_running + f.app.glyph_read_pending, 0);
        EXPECT_EQ(f.app.error_reply, 0) << "no stale error for the next sequence";
    }
}

TEST(GlyphList, RunsOverTcpIpEndWithOneBoxWhenTheAnswerOrTheLinkFails) {
    for (bool register_run : {false, true}) {
        GlyphCase f;
        f.app.interface_type = 1;
        f.app.socket_connected = 1;
        f.sockets.link_socket = 9;
        f.prompts.yes_no_answers = {true};
        ASSERT_GT(StartGlyphBulkRun(f.ctx, f.g, kList, register_run), 0);
        f.link.answer_arrives = false;
        EXPECT_EQ(TicksUntilStopped(f, 10, [](int) {}), 2) << register_run;
        EXPECT_EQ(f.link.socket_frames.size(), 1u);
        EXPECT_EQ(f.prompts.calls.back(), "error(exclamation): Answer が､きません");

        // The device closed the connection: the first send of a run reports it, once.
        ASSERT_GT(StartGlyphBulkRun(f.ctx, f.g, kList, register_run), 0);
        f.app.socket_connected = 0;
        EXPECT_EQ(TicksUntilStopped(f, 10, [](int) {}), 2) << register_run;
        EXPECT_EQ(f.link.socket_frames.size(), 1u);
        EXPECT_EQ(f.prompts.calls.back(), "error(exclamation): Socket が接続されていません");
        EXPECT_EQ(f.prompts.calls.size(), register_run ? 4u : 2u);  // and two confirmations
    }
}

TEST(GlyphList, RunsRefusedWithoutConfirmationOrLinkOrDuringASequence) {
    GlyphCase f;
    f.prompts.yes_no_answers = {false};
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, true), 0);
    f.app.sequence_running = 3;
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false), 0);
    f.app.interface_type = 1;
    EXPECT_EQ(StartGlyphBulkRun(f.ctx, f.g, kList, false) + f.app.glyph_bulk_read_running, 0);
    EXPECT_EQ(f.prompts.calls, (Calls{"confirm-not-auto(owner=55)",
                                      "error(exclamation): Socket が接続されていません"}));
}

TEST(GlyphInsert, SendsTheGCommandAndLeavesTheTitleAlone) {
    GlyphCase f;
    f.app.slave_address = 7;
    std::strcpy(f.model.title_text[4], "AB");
    for (auto [glyph, title, position] : {std::tuple{11, 4, 2}, {63, 143, 20}}) {
        f.app.current_glyph_index = glyph;
        f.app.selected_title_index = title;
        EXPECT_TRUE(OnInsertPositionSelected(f.g, position));
        SendGlyphInsert(f.ctx, f.g);
    }
    EXPECT_FALSE(OnInsertPositionSelected(f.g, 21));
    EXPECT_EQ(f.link.serial_writes, (Writes{"07G12T005I03\r\n", "07G64T144I21\r\n"}));
    EXPECT_STREQ(f.model.title_text[4], "AB");
}

}  // namespace
}  // namespace tvx
