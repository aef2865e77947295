#include "protocol/bulk_run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

struct Sent {
    int step;
    std::string command;
    int prefix_on;
};

// Walks a run tick by tick until it ends, like a dialog's timer would: records every command
// with its step, the percent shown and the wall time at the nominal periods.
struct Walk {
    std::vector<Sent> sent;
    std::vector<int> percents;
    std::vector<BulkTick> ticks;
    long total_ms = 0;
    BulkTick last;
};

Walk RunToEnd(CoreFixture& f, BulkRun& run, int max_ticks = 400) {
    Walk w;
    int period = run.table.first_period_ms;
    f.app.sequence_running = 1;
    for (int i = 0; i < max_ticks; ++i) {
        w.total_ms += period;
        int step = f.app.sequence_running;
        BulkTick t = OnBulkTick(f.ctx, run, [&](CoreContext& c, std::string_view command) {
            w.sent.push_back({step, std::string(command), c.app.address_prefix_on});
        });
        w.ticks.push_back(t);
        w.percents.push_back(t.percent);
        if (t.new_period_ms) period = t.new_period_ms;
        if (t.ended) {
            w.last = t;
            break;
        }
    }
    return w;
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(BulkSetAll, EveryCommandInOrderAtTheDevicePace) {
    CoreFixture f;
    f.model.white_level = 3;
    f.model.edge_level = 0;
    f.model.startup_page[1] = 144;
    f.model.display_page[3] = 9;
    f.model.position_offset[2] = 15;
    f.model.page_display_on[0][1] = 0;
    f.model.page_switch_seconds[3][143] = 99;
    f.model.page_title_number[1][0] = 143;
    std::strcpy(f.model.title_text[1], "\x88\x9f");  // 亜: JIS 3021
    BulkRun run{SetAllTable()};
    Walk w = RunToEnd(f, run);

    ASSERT_EQ(w.sent.size(), 144u + 26u);
    const std::string blank21 = Repeat("2121", 21);
    EXPECT_EQ(w.sent[0].command, "CT001" + blank21 + "\r\n");
    EXPECT_EQ(w.sent[1].command, "CT002" + std::string("3021") + Repeat("2121", 20) + "\r\n");
    EXPECT_EQ(w.sent[143].command, "CT144" + blank21 + "\r\n");
    for (int t = 0; t < 144; ++t) EXPECT_EQ(w.sent[t].step, t + 1);

    struct Expect {
        int step;
        std::string start;   // the command's first characters
        std::size_t length;  // its whole length with CR LF
    };
    const Expect rest[] = {
        {145, "CTD01TNF" + Repeat("N", 142), 6 + 144 + 2},
        {146, "CTD01BN", 152},
        {147, "CTD02TN", 152},
        {148, "CTD02BN", 152},
        {149, "CWL3\r\n", 6},
        {150, "CEL0\r\n", 6},
        {151, "SUS01T001\r\n", 11},
        {152, "SUS01BAS\r\n", 10},
        {153, "SUS02T001\r\n", 11},
        {154, "SUS02B001\r\n", 11},
        {155, "CTDPO01T07\r\n", 12},
        {156, "CTDPO01B07\r\n", 12},
        {157, "CTDPO02T15\r\n", 12},
        {158, "CTDPO02B07\r\n", 12},
        {159, "P01T001\r\n", 9},
        {160, "P01B001\r\n", 9},
        {161, "P02T001\r\n", 9},
        {162, "P02B010\r\n", 9},
        {164, "AST01T" + Repeat("02", 144), 6 + 288 + 2},
        {165, "AST01B02", 296},
        {166, "AST02T02", 296},
        {167, "AST02B" + Repeat("02", 143) + "99\r\n", 296},
        {168, "PP01T001002003", 5 + 432 + 2},
        {169, "PP01B144002003", 439},
        {170, "PP02T001", 439},
        {171, "PP02B001", 439},
    };
    for (std::size_t i = 0; i < std::size(rest); ++i) {
        const Sent& s = w.sent[144 + i];
        SCOPED_TRACE(rest[i].start.substr(0, 12));
        EXPECT_EQ(s.step, rest[i].step);
        EXPECT_EQ(s.command.substr(0, rest[i].start.size()), rest[i].start);
        EXPECT_EQ(s.command.size(), rest[i].length);
    }

    // 163 ticks of 1.2 s, then 9 of 2.6 s: 3 min 39 s.
    EXPECT_EQ(w.total_ms, 163 * 1200 + 9 * 2600);
    EXPECT_EQ(w.ticks.size(), 172u);
    EXPECT_EQ(w.ticks[162].new_period_ms, 2600);
    EXPECT_EQ(w.percents[0], 0);
    EXPECT_EQ(w.percents[85], 50);  // 86 * 100 / 171
    EXPECT_EQ(w.percents[170], 100);
    EXPECT_TRUE(w.last.close_dialog);
    EXPECT_TRUE(w.last.clear_percent);
    EXPECT_TRUE(w.last.reset_progress);
    EXPECT_TRUE(w.last.enable_close);
    EXPECT_TRUE(w.last.stop_timer);
    EXPECT_EQ(f.app.sequence_running, 0);
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(BulkSetAll, EndingsErrorReplyUnencodableTitleAndRefusedSwitchTimes) {
    // An error reply seen at a tick: nothing more goes out, "Close" comes back, the dialog stays.
    {
        CoreFixture f;
        BulkRun run{SetAllTable()};
        f.app.sequence_running = 5;
        f.app.error_reply = 1;
        int sends = 0;
        BulkTick t = OnBulkTick(f.ctx, run, [&](CoreContext&, std::string_view) { ++sends; });
        EXPECT_EQ(sends, 0);
        EXPECT_TRUE(t.stop_timer && t.enable_close && t.ended);
        EXPECT_FALSE(t.close_dialog || t.reset_progress || t.clear_percent);
        EXPECT_EQ(t.percent, -1);  // the percent box keeps its last value
        EXPECT_EQ(f.app.error_reply, 0);
        EXPECT_EQ(f.app.sequence_running, 0);
    }
    // A title of odd length: nothing sent for it, the JIS message, the run ends one tick later.
    {
        CoreFixture f;
        std::strcpy(f.model.title_text[4],
                    "\x88\x9f"
                    "A");
        BulkRun run{SetAllTable()};
        Walk w = RunToEnd(f, run);
        ASSERT_EQ(w.sent.size(), 4u);
        EXPECT_EQ(w.ticks.size(), 6u);
        EXPECT_EQ(f.prompts.calls,
                  std::vector<std::string>{
                      "error(exclamation): ＪＩＳ第１水準,第２水準以外の字が選択されてます"});
        EXPECT_FALSE(w.last.close_dialog);
        EXPECT_TRUE(w.last.enable_close);
    }
    // The same when the answer to the title before arrives between the two ticks: the GO clears
    // error_reply, but the failed step still ends the run and the title after it stays unsent.
    {
        CoreFixture f;
        f.app.address_prefix_on = 1;
        std::strcpy(f.model.title_text[0], "AB");
        BulkRun run{SetAllTable()};
        f.app.sequence_running = 1;
        int sends = 0;
        auto count = [&](CoreContext&, std::string_view) { ++sends; };
        OnBulkTick(f.ctx, run, count);
        ParseSerialReply(f.ctx, "00GO\r\n");
        BulkTick t = OnBulkTick(f.ctx, run, count);
        EXPECT_EQ(sends, 0);
        EXPECT_TRUE(t.ended && t.enable_close);
        EXPECT_EQ(f.app.sequence_running, 0);
    }
    // Positions 0 and 2 all zero: two refusals, AST for 1 and 3 only, and the run goes on to PP.
    {
        CoreFixture f;
        for (int k = 0; k < kPageCount; ++k) {
            f.model.page_switch_seconds[0][k] = 0;
            f.model.page_switch_seconds[2][k] = 0;
        }
        BulkRun run{SetAllTable()};
        Walk w = RunToEnd(f, run);
        std::vector<std::string> ast;
        for (const Sent& s : w.sent) {
            if (s.command.rfind("AST", 0) == 0) ast.push_back(s.command.substr(0, 6));
        }
        EXPECT_EQ(ast, (std::vector<std::string>{"AST01B", "AST02B"}));
        EXPECT_EQ(f.prompts.calls.size(), 2u);
        EXPECT_EQ(f.prompts.calls[0], "error(exclamation): 全て０秒は､設定出来ません");
        EXPECT_TRUE(w.last.close_dialog);
        EXPECT_EQ(w.sent.back().command.substr(0, 5), "PP02B");
    }
}

TEST(BulkReadBack, ReadsInTheDeviceOrderAndOneMoreTickOnTcpIp) {
    for (bool tcp : {false, true}) {
        SCOPED_TRACE(tcp ? "TCP/IP" : "RS-232C");
        CoreFixture f;
        BulkRun run{ReadBackTable(tcp)};
        Walk w = RunToEnd(f, run);
        const char* first[] = {
            "RAST01B", "RAST01T",   "RAST02B",   "RAST02T",   "RCTD01B",   "RCTD01T", "RCTD02B",
            "RCTD02T", "RCTDPO01B", "RCTDPO01T", "RCTDPO02B", "RCTDPO02T", "RCEL",    "RCWL",
            "RSUS01B", "RSUS01T",   "RSUS02B",   "RSUS02T",   "RP01B",     "RP01T",   "RP02B",
            "RP02T",   "RPP01T",    "RPP01B",    "RPP02T",    "RPP02B",    "RCT001",
        };
        ASSERT_EQ(w.sent.size(), 26u + 144u);
        for (std::size_t i = 0; i < std::size(first); ++i) {
            EXPECT_EQ(w.sent[i].command, std::string(first[i]) + "\r\n");
        }
        EXPECT_EQ(w.sent[22].step, 24);  // step 23 is a pause
        EXPECT_EQ(w.sent[26].step, 30);  // steps 28 and 29 too
        EXPECT_EQ(w.sent.back().command, "RCT144\r\n");
        EXPECT_EQ(w.sent.back().step, 173);
        EXPECT_EQ(w.ticks.size(), tcp ? 174u : 173u);
        EXPECT_EQ(w.total_ms, 23 * 800 + 5 * 1200 + (tcp ? 146 : 145) * 600);
        EXPECT_EQ(w.percents.back(), tcp ? 100 : 99);  // 173 * 100 / 174
        EXPECT_TRUE(w.last.close_dialog && w.last.clear_percent && w.last.reset_progress);
    }
}

TEST(BulkNetworkRead, NineBareReadsCloseBackAfterTheNinthRefreshAtTheEnd) {
    CoreFixture f;
    f.app.address_prefix_on = 1;
    BulkRun run{NetworkReadTable()};
    Walk w = RunToEnd(f, run);
    const char* reads[] = {"RAA", "RGA", "RIA", "RMA", "RPN", "RSM", "RKA", "RTR", "RVN"};
    ASSERT_EQ(w.sent.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(w.sent[i].command, std::string(reads[i]) + "\r\n");
        EXPECT_EQ(w.sent[i].prefix_on, 0);
    }
    ASSERT_EQ(w.ticks.size(), 10u);
    EXPECT_EQ(w.total_ms, 2000);
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(w.ticks[i].enable_close);
    EXPECT_TRUE(w.ticks[8].enable_close);
    EXPECT_FALSE(w.ticks[8].ended);
    EXPECT_TRUE(w.last.refresh && w.last.reset_progress && w.last.stop_timer);
    EXPECT_FALSE(w.last.close_dialog || w.last.clear_percent);
    EXPECT_EQ(w.percents.back(), -1);
}

TEST(BulkRunGuards, StrayTicksAndTicksInsideABoxSendNothing) {
    CoreFixture f;
    BulkRun run{SetAllTable()};
    int sends = 0;
    auto count = [&](CoreContext&, std::string_view) { ++sends; };
    f.app.sequence_running = 0;
    EXPECT_TRUE(OnBulkTick(f.ctx, run, count).stop_timer);
    f.app.sequence_running = 3;
    run.in_tick = true;
    BulkTick inside = OnBulkTick(f.ctx, run, count);
    EXPECT_FALSE(inside.stop_timer || inside.step_progress);
    EXPECT_EQ(f.app.sequence_running, 3);
    EXPECT_EQ(sends, 0);
}

TEST(BulkTitles, FirstUnsendableTitleFindsTheFirstBadOne) {
    CoreFixture f;
    EXPECT_EQ(FirstUnsendableTitle(f.model), -1);
    std::strcpy(f.model.title_text[99], "ab");  // half-width: no JIS X 0208 code
    std::strcpy(f.model.title_text[120], "x");
    EXPECT_EQ(FirstUnsendableTitle(f.model), 99);
}

}  // namespace
}  // namespace tvx
