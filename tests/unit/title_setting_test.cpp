// The title setting dialog's rules: what "設定" and "Not Memory" put on the wire, how the edit is
// held to 42 bytes, the runs over all 144 titles tick by tick, and the preview lines. (The
// staging and building of every kind of title are in commands_test.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/title_setting.h"
#include "protocol/replies.h"
#include "model/title_text.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using Strings = std::vector<std::string>;
const std::string kJisBox = "error(exclamation): ＪＩＳ第１水準,第２水準以外の字が選択されてます";

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

struct TitleFixture : test::CoreFixture {
    TitleSettingState state;
    std::vector<std::string> percents;
    int progress = 0;
    TitleFixture() { app.address_prefix_on = 1; }
    void SetTitle(int t, const std::string& bytes) {
        std::memset(model.title_text[t], 0, kTitleBytes);
        std::memcpy(model.title_text[t], bytes.data(), bytes.size());
    }
    std::string Title(int t) {
        return std::string(model.title_text[t], TitleTextLength(model.title_text[t]));
    }
    bool Start(bool not_memory) {
        SendSequence seq;
        seq.params = TitleSequenceParams(not_memory);
        if (!StartSendSequence(ctx, seq, 0)) return false;
        OnTitleSequenceStarted(state, seq, not_memory);
        return true;
    }
    // One tick as the dialog's timer gives it; keeps what it asked of the percent box and bar.
    TitleTickResult Tick() {
        TitleTickResult r = OnTitleSequenceTick(ctx, state);
        if (r.set_percent) percents.push_back(r.percent);
        if (r.frame.step_progress) ++progress;
        if (r.frame.set_progress) progress = r.frame.progress_position;
        return r;
    }
};

TEST(TitleSend, SetAndNotMemorySendTheSelectedTitleOrShowTheJisBox) {
    TitleFixture f;
    f.app.selected_title_index = 143;
    f.SetTitle(143, Repeat("\x82\xA0", 19) + std::string("\x10\x20", 2));
    SendSelectedTitle(f.ctx, f.state, 1);
    SendSelectedTitle(f.ctx, f.state, 0);
    const std::string payload = Repeat("2422", 19) + "A365" + "2121";
    EXPECT_EQ(f.link.serial_writes,
              (Strings{"00CT144" + payload + "\r\n", "00CN144" + payload + "\r\n"}));
    // A character code page 932 could not hold is kept as "?": refused like any half-width one.
    for (const char* refused : {"\x82\xA0??", "\x82\xA0\xF0\x40",
                                "\x82\xA0"
                                "A"}) {
        f.SetTitle(143, refused);
        SendSelectedTitle(f.ctx, f.state, 1);
        EXPECT_EQ(f.Title(143), refused);
    }
    EXPECT_EQ(f.link.serial_writes.size(), 2u);
    EXPECT_EQ(f.prompts.calls, Strings(3, kJisBox));
    f.app.sequence_running = 3;  // nothing at all while a run sends
    SendSelectedTitle(f.ctx, f.state, 1);
    EXPECT_EQ(f.prompts.calls.size(), 3u);
}

TEST(TitleEdit, TextGoesToTheSelectedTitleInTheFormTheDeviceGivesBack) {
    TitleFixture f;
    f.app.selected_title_index = 9;
    // IBM extensions in their NEC-selected form: 0xFA40 -> 0xEEEF, 0xFA5C -> 0xED40,
    // 0xFB40 -> 0xEDE1; the trail byte 0xFA of another character is left alone.
    OnTitleEditChanged(f.ctx, "\xFA\x40\x82\xFA\xFA\x5C\xFB\x40");
    EXPECT_EQ(f.Title(9), "\xEE\xEF\x82\xFA\xED\x40\xED\xE1");
    EXPECT_EQ(f.app.document_modified, 1);
    OnTitleEditChanged(f.ctx, Repeat("\x82\xA0", 22));  // never more than 43 bytes
    EXPECT_EQ(f.Title(9), Repeat("\x82\xA0", 21) + "\x82");
    f.app.document_modified = 0;
    OnTitleEditFilled(f.app);  // the dialog's own fill: the flag only
    EXPECT_EQ(f.app.document_modified, 1);
    EXPECT_EQ(f.Title(9), Repeat("\x82\xA0", 21) + "\x82");
}

// Every external character of the user's glyphs (1..64) followed by a kanji comes back from the
// edit byte for byte: its second byte (0xFA for glyph 57) is no lead byte of an IBM extension.
TEST(TitleEdit, ExternalCharactersBeforeAKanjiKeepTheirBytes) {
    TitleFixture f;
    for (int g = 1; g <= 64; ++g) {
        // Glyphs 1..26 are 0x10 0x20..0x39, 27..62 are 0x10 0xDC..0x10 0xFF, 63 and 64 are
        // 0x11 0x00 and 0x11 0x01.
        const int pair = g <= 26 ? 0x1020 + g - 1 : 0x10DC + g - 27;
        std::string bytes{static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
        bytes += "\x8A\xBF";  // 漢
        OnTitleEditChanged(f.ctx, bytes);
        EXPECT_EQ(f.Title(f.app.selected_title_index), bytes) << "glyph " << g;
    }
}

// ASCII and half-width katakana 1 byte, U+FFFD and beyond U+FFFF ("?") 1, the rest 2.
int TestWidth(char32_t c) {
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) || c == 0xFFFD || c >= 0x10000 ? 1 : 2;
}

TEST(TitleEdit, ChangesPastFortyTwoBytesKeepTheTextAroundAndCutTheInsertion) {
    auto k = [](int n) { return std::u16string(n, u'漢'); };
    struct Case {
        std::u16string before, after, text;
        std::size_t caret;
    };
    const Case cases[] = {
        {u"", k(22), k(21), 21},                                        // paste into empty
        {k(19), k(5) + u"あいう" + k(14), k(5) + u"あい" + k(14), 7},   // in the middle
        {u"A" + k(20), u"A" + k(20) + u"あB", u"A" + k(20), 21},        // no half character
        {u"A" + k(20), u"A" + k(20) + u"BC", u"A" + k(20) + u"B", 22},  // a half-width fits
        {k(20) + u"A", k(20) + u"A\U0001F600\U0001F600", k(20) + u"A\U0001F600", 23},  // pair
        {u"A" + k(21), u"AB" + k(21), u"A" + k(21), 1},  // 43 bytes from a file take no more
    };
    for (const Case& c : cases) {
        const TitleEditFit fit = FitTitleEdit(c.before, c.after, TestWidth);
        EXPECT_TRUE(fit.changed && fit.text == c.text && fit.caret == c.caret)
            << "case " << (&c - cases);
    }
    EXPECT_FALSE(FitTitleEdit(u"A" + k(21), k(21), TestWidth).changed);  // within the limit
}

TEST(TitleRun, NotMemoryRunSendsAll144InOrderThenBlanksThePercent) {
    TitleFixture f;
    EXPECT_EQ(TitleSequenceParams(false).period_ms, 1000);
    EXPECT_EQ(TitleSequenceParams(true).period_ms, 600);
    f.prompts.yes_no_answers = {false};
    EXPECT_FALSE(f.Start(true));  // "No" to the confirmation
    ASSERT_TRUE(f.Start(true));
    f.SetTitle(99, "\x82\xA0");
    TitleTickResult last;
    for (int i = 0; i < 144; ++i) last = f.Tick();
    ASSERT_EQ(f.link.serial_writes.size(), 144u);
    EXPECT_EQ(f.link.serial_writes[0], "00CN001" + Repeat("2121", 21) + "\r\n");
    EXPECT_EQ(f.link.serial_writes[99], "00CN100" + ("2422" + Repeat("2121", 20)) + "\r\n");
    EXPECT_EQ(f.link.serial_writes[143].substr(0, 7), "00CN144");
    EXPECT_EQ(
        (Strings{f.percents[0], f.percents[1], f.percents[71], f.percents[142], f.percents[143]}),
        (Strings{"0", "1", "50", "99", "  "}));
    EXPECT_TRUE(last.frame.stop_timer && last.frame.enable_close);
    EXPECT_EQ(f.progress, 0);
    EXPECT_EQ(f.app.sequence_running, 0);
}

TEST(TitleRun, ATitleThatFailsEndsTheRunAtItAndTheFlagEndsTheNextRun) {
    TitleFixture f;
    f.SetTitle(69, "AB");
    ASSERT_TRUE(f.Start(false));
    TitleTickResult r;
    for (int i = 0; i < 70; ++i) r = f.Tick();
    ASSERT_EQ(f.link.serial_writes.size(), 69u);
    EXPECT_EQ(f.link.serial_writes[68].substr(0, 7), "00CT069");
    EXPECT_EQ(f.prompts.calls, Strings{kJisBox});
    EXPECT_TRUE(r.frame.stop_timer && r.frame.enable_close);
    EXPECT_EQ(f.percents.size(), 70u);
    EXPECT_EQ(f.percents.back(), "  ");
    EXPECT_EQ(f.progress, 0);
    EXPECT_EQ(f.app.error_reply, 1);
    // Started again before any reply: the old failure is not the new run's, title 1 goes out.
    ASSERT_TRUE(f.Start(false));
    r = f.Tick();
    EXPECT_FALSE(r.frame.stop_timer);
    ASSERT_EQ(f.link.serial_writes.size(), 70u);
    EXPECT_EQ(f.link.serial_writes[69].substr(0, 7), "00CT001");
}

// Over TCP/IP a send that fails sets error_reply during its step: the run ends in that tick.
TEST(TitleRun, FailedSocketSendEndsTheRunAtItsTitle) {
    TitleFixture f;
    f.app.interface_type = 1;
    f.app.socket_connected = 1;
    f.sockets.link_socket = 77;
    ASSERT_TRUE(f.Start(false));
    f.Tick();
    f.link.socket_send_ok = false;
    EXPECT_TRUE(f.Tick().frame.stop_timer);
    EXPECT_EQ(f.percents, (Strings{"0", "  "}));
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_EQ(f.app.error_reply, 1);
}

TEST(TitleRun, ErrorReplyEndsAtTheNextTickLeavingPercentAndBarAndADrawTickSendsNothing) {
    TitleFixture f;
    ASSERT_TRUE(f.Start(false));
    f.Tick();
    f.Tick();
    ParseSerialReply(f.ctx, "00E3\r\n");
    f.app.preview_redraw_pending = 1;  // a paint came: this tick draws
    EXPECT_TRUE(f.Tick().frame.draw_preview);
    const TitleTickResult r = f.Tick();
    EXPECT_TRUE(r.frame.stop_timer && !r.frame.set_progress);
    EXPECT_EQ(f.link.serial_writes.size(), 2u);
    EXPECT_EQ(f.percents, (Strings{"0", "1"}));
    EXPECT_EQ(f.progress, 2);
}

TEST(TitlePreview, EightLinesOfTheBlockWithPaddingAndExternalCharacters) {
    TitleFixture f;
    const std::string sp = "\x81\x40", kan = Repeat("\x88\x9F", 21);
    f.SetTitle(9, "\x82\xA0\x82\xA2");
    f.SetTitle(10, std::string("\x10\x20\x11\x39\x82\xA0", 6));
    f.SetTitle(11, kan);
    f.SetTitle(12, kan + "A");  // 43 bytes from a file
    f.SetTitle(13,
               "\x82\xA0"
               "A");  // odd: evened with a blank, no stray "@"
    const auto lines = TitlePreviewLines(f.model, 13);
    ASSERT_EQ(lines.size(), 8u);
    const Strings want = {"T009  " + Repeat(sp, 21),
                          "T010  \x82\xA0\x82\xA2" + Repeat(sp, 19),
                          "T011  " + sp + std::string("\x11\x39\x82\xA0", 4) + Repeat(sp, 18),
                          "T012  " + kan,
                          "T013  " + kan + "A",
                          "T014  \x82\xA0"
                          "A " +
                              Repeat(sp, 19),
                          "T015  " + Repeat(sp, 21),
                          "T016  " + Repeat(sp, 21)};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(lines[i].text, want[i]);
        EXPECT_EQ(lines[i].x, 20);
        EXPECT_EQ(lines[i].y, 10 + 20 * i);
    }
    EXPECT_TRUE(TitlePreviewLines(f.model, 144).empty());
}

}  // namespace
}  // namespace tvx
