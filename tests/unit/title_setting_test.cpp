// The title setting dialog's rules: what "設定" and "Not Memory" put on the wire, how the edit is
// held to 42 bytes, the runs over all 144 titles tick by tick, and the preview lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/title_setting.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

const std::string kJisBox = "error(exclamation): ＪＩＳ第１水準,第２水準以外の字が選択されてます";

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

struct TitleFixture : CoreFixture {
    TitleSettingState state;
    TitleFixture() { app.address_prefix_on = 1; }
    void SetTitle(int t, const std::string& bytes) {
        std::memset(model.title_text[t], 0, kTitleBytes);
        std::memcpy(model.title_text[t], bytes.data(), bytes.size() < 44 ? bytes.size() : 44);
    }
    std::string Title(int t) {
        return std::string(model.title_text[t], strnlen(model.title_text[t], 44));
    }
};

// "設定" (CT) and "Not Memory" (CN) of title 1 holding each kind of text: the exact frame, or
// the refusal box and nothing on the wire.
TEST(TitleSend, EachKindOfTitleGivesItsFrameOrTheJisBox) {
    struct Case {
        const char* what;
        std::string title;
        std::string payload;  // the 84 digits; empty = refused
    };
    const Case cases[] = {
        {"empty", "", Repeat("2121", 21)},
        {"20 full-width", Repeat("\x82\xA0", 20), Repeat("2422", 20) + "2121"},
        {"21 full-width", Repeat("\x88\x9F", 21), Repeat("3021", 21)},
        {"NEC special and IBM extension", "\x87\x40\xFA\x40",
         "2D21"
         "7C71" +
             Repeat("2121", 19)},
        {"external characters", std::string("\x10\x20\x13\x39", 4),
         "A365"
         "A67E" +
             Repeat("2121", 19)},
        {"odd length",
         "\x82\xA0"
         "A",
         ""},
        {"one half-width", "A", ""},
        {"two half-width", "AB", ""},
        {"half-width katakana", "\xB1\xB2", ""},
        {"user-defined", "\x82\xA0\xF0\x40", ""},
        {"43 bytes from a file", Repeat("\x82\xA0", 21) + "A", ""},
        {"unconvertible kept as ?", "\x82\xA0?\x82\xA0?", ""},
    };
    for (const Case& k : cases) {
        for (int memory : {1, 0}) {
            TitleFixture f;
            f.SetTitle(0, k.title);
            SendSelectedTitle(f.ctx, f.state, memory);
            if (k.payload.empty()) {
                EXPECT_TRUE(f.link.serial_writes.empty()) << k.what;
                EXPECT_EQ(f.prompts.calls, std::vector<std::string>{kJisBox}) << k.what;
                EXPECT_EQ(f.Title(0), k.title) << k.what << ": the model keeps the text";
            } else {
                const std::string frame =
                    std::string("00") + (memory ? "CT" : "CN") + "001" + k.payload + "\r\n";
                EXPECT_EQ(f.link.serial_writes, std::vector<std::string>{frame}) << k.what;
                EXPECT_TRUE(f.prompts.calls.empty()) << k.what;
            }
        }
    }
}

TEST(TitleSend, SelectedTitleAndNothingWhileARunSends) {
    TitleFixture f;
    f.app.selected_title_index = 143;
    f.app.slave_address = 32;
    SendSelectedTitle(f.ctx, f.state, 1);
    EXPECT_EQ(f.link.serial_writes,
              std::vector<std::string>{"FFCT144" + Repeat("2121", 21) + "\r\n"});
    f.app.sequence_running = 3;
    f.SetTitle(143, "A");  // not even a refusal box while the run sends
    SendSelectedTitle(f.ctx, f.state, 1);
    SendSelectedTitle(f.ctx, f.state, 0);
    EXPECT_EQ(f.link.serial_writes.size(), 1u);
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(TitleEdit, TextGoesToTheSelectedTitleInTheFormTheDeviceGivesBack) {
    TitleFixture f;
    f.app.selected_title_index = 9;
    // IBM extensions in their NEC-selected form: 0xFA40 -> 0xEEEF, 0xFA5C -> 0xED40,
    // 0xFB40 -> 0xEDE1; the trail byte of another character is never taken for a lead byte.
    OnTitleEditChanged(f.ctx, "\xFA\x40\x82\xFA\xFA\x5C\xFB\x40");
    EXPECT_EQ(f.Title(9), "\xEE\xEF\x82\xFA\xED\x40\xED\xE1");
    EXPECT_EQ(f.app.document_modified, 1);

    f.app.document_modified = 0;
    OnTitleEditChanged(f.ctx, Repeat("\x82\xA0", 22));  // never more than 43 bytes
    EXPECT_EQ(f.Title(9), Repeat("\x82\xA0", 21) + "\x82");
    EXPECT_EQ(f.app.document_modified, 1);

    // Filling the edit from the model changes nothing but the document flag.
    f.app.document_modified = 0;
    OnTitleEditFilled(f.app);
    EXPECT_EQ(f.app.document_modified, 1);
    EXPECT_EQ(f.Title(9), Repeat("\x82\xA0", 21) + "\x82");

    f.app.selected_title_index = 144;  // outside the titles: nothing written anywhere
    CopyTitleEditText(f.ctx, "\x82\xA0");
    EXPECT_EQ(f.Title(143), "");
}

TEST(TitleNumberCombo, ItemsAndSelection) {
    EXPECT_EQ(TitleNumberItemText(0), "001");
    EXPECT_EQ(TitleNumberItemText(99), "100");
    EXPECT_EQ(TitleNumberItemText(143), "144");
    EXPECT_EQ(TitleNumberItemText(144), "");
    AppState app;
    EXPECT_FALSE(OnTitleNumberSelected(app, -1));
    EXPECT_TRUE(OnTitleNumberSelected(app, 17));
    EXPECT_EQ(TitleNumberSelection(app), 17);
    app.selected_title_index = 200;
    EXPECT_EQ(TitleNumberSelection(app), -1);
}

// Widths as code page 932 has them: ASCII and half-width katakana 1, U+FFFD stands for a
// character it cannot hold ("?", 1), everything else 2.
int TestWidth(char32_t c) {
    if (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) || c == 0xFFFD || c >= 0x10000) return 1;
    return 2;
}

TEST(TitleEdit, ChangesPastFortyTwoBytesKeepTheTextAroundAndCutTheInsertion) {
    const std::u16string a = u"あ", k = u"漢";
    auto rep = [](const std::u16string& s, int n) {
        std::u16string r;
        for (int i = 0; i < n; ++i) r += s;
        return r;
    };
    struct Case {
        const char* what;
        std::u16string before, after, text;
        std::size_t caret;
    };
    const Case cases[] = {
        {"paste of 22 into empty", u"", rep(a, 22), rep(a, 21), 21},
        {"paste in the middle", rep(k, 19), rep(k, 5) + rep(a, 3) + rep(k, 14),
         rep(k, 5) + rep(a, 2) + rep(k, 14), 7},
        {"odd room: no half character", u"A" + rep(k, 20), u"A" + rep(k, 20) + a, u"A" + rep(k, 20),
         21},
        {"odd room: a half-width one fits", u"A" + rep(k, 20), u"A" + rep(k, 20) + u"BC",
         u"A" + rep(k, 20) + u"B", 22},
        {"replacing a selection", rep(k, 21), rep(k, 20) + rep(a, 2), rep(k, 20) + a, 21},
        {"a surrogate pair is never split", rep(k, 20) + u"A",
         rep(k, 20) + u"A" + u"\U0001F600\U0001F600", rep(k, 20) + u"A" + u"\U0001F600", 23},
        {"43 bytes from a file take nothing more", u"A" + rep(k, 21), u"AB" + rep(k, 21),
         u"A" + rep(k, 21), 1},
    };
    for (const Case& c : cases) {
        const TitleEditFit fit = FitTitleEdit(c.before, c.after, TestWidth);
        EXPECT_TRUE(fit.changed) << c.what;
        EXPECT_TRUE(fit.text == c.text) << c.what;
        EXPECT_EQ(fit.caret, c.caret) << c.what;
    }
    // Within the limit nothing is touched, also when the old text was longer.
    const TitleEditFit ok = FitTitleEdit(u"A" + rep(k, 21), rep(k, 21), TestWidth);
    EXPECT_FALSE(ok.changed);
    EXPECT_TRUE(ok.text == rep(k, 21));
}

// Steps a run tick by tick, as the dialog's timer would, and keeps what each tick asked.
struct RunFixture : TitleFixture {
    std::vector<std::string> percents;
    int progress = 0;
    TitleTickResult Tick() {
        TitleTickResult r = OnTitleSequenceTick(ctx, state);
        if (r.set_percent) percents.push_back(r.percent);
        if (r.frame.step_progress) ++progress;
        if (r.frame.set_progress) progress = r.frame.progress_position;
        return r;
    }
    bool Start(bool not_memory) {
        SendSequence seq;
        seq.params = TitleSequenceParams(not_memory);
        if (!StartSendSequence(ctx, seq, 0)) return false;
        OnTitleSequenceStarted(state, seq, not_memory);
        return true;
    }
};

TEST(TitleRun, NotMemoryRunSendsAll144InOrderThenBlanksThePercent) {
    RunFixture f;
    EXPECT_EQ(TitleSequenceParams(false).period_ms, 1000);
    EXPECT_FALSE(TitleSequenceParams(false).confirm);
    EXPECT_EQ(TitleSequenceParams(true).period_ms, 600);
    f.prompts.yes_no_answers = {false};
    EXPECT_FALSE(f.Start(true));  // "No" to the confirmation
    ASSERT_TRUE(f.Start(true));
    EXPECT_EQ(f.state.title_memory_mode, 0);
    f.SetTitle(99, "\x82\xA0");
    TitleTickResult last;
    for (int i = 0; i < 144; ++i) last = f.Tick();
    ASSERT_EQ(f.link.serial_writes.size(), 144u);
    EXPECT_EQ(f.link.serial_writes[0], "00CN001" + Repeat("2121", 21) + "\r\n");
    EXPECT_EQ(f.link.serial_writes[99],
              "00CN100"
              "2422" +
                  Repeat("2121", 20) + "\r\n");
    EXPECT_EQ(f.link.serial_writes[143].substr(0, 7), "00CN144");
    EXPECT_EQ(f.percents[0], "0");
    EXPECT_EQ(f.percents[1], "1");
    EXPECT_EQ(f.percents[71], "50");
    EXPECT_EQ(f.percents[142], "99");
    EXPECT_EQ(f.percents[143], "  ");
    EXPECT_TRUE(last.frame.stop_timer && last.frame.enable_close);
    EXPECT_EQ(f.progress, 0);
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_EQ(f.prompts.calls,
              (std::vector<std::string>{"confirm-not-auto(owner=0)", "confirm-not-auto(owner=0)"}));
}

TEST(TitleRun, ATitleThatFailsEndsTheRunAtItAndTheFlagEndsTheNextRun) {
    RunFixture f;
    f.SetTitle(69, "AB");
    ASSERT_TRUE(f.Start(false));
    EXPECT_EQ(f.state.title_memory_mode, 1);
    TitleTickResult r;
    for (int i = 0; i < 70; ++i) r = f.Tick();
    ASSERT_EQ(f.link.serial_writes.size(), 69u);
    EXPECT_EQ(f.link.serial_writes[68].substr(0, 7), "00CT069");
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{kJisBox});
    EXPECT_TRUE(r.frame.stop_timer && r.frame.enable_close);
    EXPECT_EQ(f.percents.back(), "  ");
    EXPECT_EQ(f.percents.size(), 70u);
    EXPECT_EQ(f.progress, 0);
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_EQ(f.app.error_reply, 1);

    // Started again before any reply: the first tick ends it, nothing is sent.
    f.SetTitle(69, "");
    ASSERT_TRUE(f.Start(false));
    r = f.Tick();
    EXPECT_TRUE(r.frame.stop_timer && r.frame.enable_close);
    EXPECT_FALSE(r.set_percent);
    EXPECT_EQ(f.link.serial_writes.size(), 69u);
    EXPECT_EQ(f.app.error_reply, 0);
    EXPECT_EQ(f.app.sequence_running, 0);
}

// Over TCP/IP a send that fails sets error_reply during the step: the run ends in that tick.
TEST(TitleRun, FailedSocketSendEndsTheRunAtItsTitle) {
    RunFixture f;
    f.app.interface_type = 1;
    f.app.socket_connected = 1;
    f.app.tcp_role = 0;
    f.sockets.link_socket = 77;
    ASSERT_TRUE(f.Start(false));
    f.Tick();
    f.link.socket_send_ok = false;
    TitleTickResult r = f.Tick();
    EXPECT_TRUE(r.frame.stop_timer && r.frame.enable_close);
    EXPECT_EQ(f.percents, (std::vector<std::string>{"0", "  "}));
    EXPECT_EQ(f.link.socket_frames.size(), 2u);
    EXPECT_EQ(f.link.socket_frames[0].bytes, "00CT001" + Repeat("2121", 21) + "\r\n");
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"error(exclamation): Socket 送信"});
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_EQ(f.app.error_reply, 1);
}

TEST(TitleRun, ErrorReplyEndsAtTheNextTickLeavingPercentAndBarAndADrawTickSendsNothing) {
    RunFixture f;
    ASSERT_TRUE(f.Start(false));
    f.Tick();
    f.Tick();
    ParseSerialReply(f.ctx, "00E3\r\n");
    f.app.preview_redraw_pending = 1;
    TitleTickResult r = f.Tick();  // a paint came: this tick draws
    EXPECT_TRUE(r.frame.draw_preview);
    EXPECT_FALSE(r.frame.stop_timer);
    r = f.Tick();
    EXPECT_TRUE(r.frame.stop_timer && r.frame.enable_close);
    EXPECT_FALSE(r.frame.set_progress);
    EXPECT_EQ(f.link.serial_writes.size(), 2u);
    EXPECT_EQ(f.percents, (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(f.progress, 2);
    EXPECT_EQ(f.app.error_reply, 0);
}

TEST(TitlePreview, EightLinesOfTheBlockWithPaddingAndExternalCharacters) {
    TitleFixture f;
    const std::string sp = "\x81\x40";
    f.SetTitle(8, "");
    f.SetTitle(9, "\x82\xA0\x82\xA2");
    f.SetTitle(10, std::string("\x10\x20\x11\x39\x82\xA0", 6));
    f.SetTitle(11, Repeat("\x88\x9F", 21));
    f.SetTitle(12, Repeat("\x88\x9F", 21) + "A");  // 43 bytes from a file
    f.SetTitle(13,
               "\x82\xA0"
               "A");  // odd
    const auto lines = TitlePreviewLines(f.model, 13);
    ASSERT_EQ(lines.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(lines[i].x, 20);
        EXPECT_EQ(lines[i].y, 10 + 20 * i);
    }
    EXPECT_EQ(lines[0].text, "T009  " + Repeat(sp, 21));
    EXPECT_EQ(lines[1].text, "T010  \x82\xA0\x82\xA2" + Repeat(sp, 19));
    EXPECT_EQ(lines[2].text, "T011  " + sp + std::string("\x11\x39\x82\xA0", 4) + Repeat(sp, 18));
    EXPECT_EQ(lines[3].text, "T012  " + Repeat("\x88\x9F", 21));
    EXPECT_EQ(lines[4].text, "T013  " + Repeat("\x88\x9F", 21) + "A");
    EXPECT_EQ(lines[5].text,
              "T014  \x82\xA0"
              "A " +
                  Repeat(sp, 19));
    EXPECT_EQ(lines[7].text, "T016  " + Repeat(sp, 21));
    EXPECT_EQ(TitlePreviewLines(f.model, 143)[7].text.substr(0, 6), "T144  ");
    EXPECT_TRUE(TitlePreviewLines(f.model, 144).empty());
}

}  // namespace
}  // namespace tvx
