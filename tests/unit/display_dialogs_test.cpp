// The display dialogs' rules, stepped event by event and tick by tick with a recording link:
// the page grids (title display, page assignment, automatic switching) and the dialogs with one
// list per display position (page switching, start-up, fine adjustment).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/page_grid.h"
#include "dialogs/position_lists.h"
#include "protocol/replies.h"
#include "support/expected_text.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::Repeat;
using test::ThreeDigitRun;
using Lines = std::vector<std::string>;

// The frame of a command behind the prefix that the feature dialogs turn on.
std::string Framed(const std::string& text) {
    return "00" + text + "\r\n";
}

struct Opened : test::CoreFixture {
    Opened() { app.address_prefix_on = 1; }
};

// Page 25 (index 24) of ch.2 Bottom after a reset: the preview's lines 0, 8 and 23; then a
// value chosen for that page, and a "Same ..." choice that sets the whole position only.
TEST(PageGrid, ChoicesAndPreview) {
    // clang-format off
    struct Case {
        const PageGrid* grid;
        Lines preview;
        int column_px, value;
        std::string changed, same_line;  // line 0 after the value, line 23 after "Same" 0
    } cases[] = {
        {&kTitleDisplayGrid, {"P025 = ON ", "P033 = ON ", "P048 = ON "}, 150, 0, "P025 = OFF",
         "P048 = OFF"},
        {&kPageAssignmentGrid, {"P025 = T025", "P033 = T033", "P048 = T048"}, 120, 143,
         "P025 = T144", ""},
        {&kAutoSwitchingGrid, {"P025 = 02 秒", "P033 = 02 秒", "P048 = 02 秒"}, 120, 99,
         "P025 = 99 秒", "P048 = 00 秒"}};
    // clang-format on
    for (const Case& t : cases) {
        SCOPED_TRACE(t.changed);
        Opened f;
        const PageGrid& g = *t.grid;
        EXPECT_FALSE(OnGridPositionSelected(f.app, -1));  // text typed into the edit field
        ASSERT_TRUE(OnGridPositionSelected(f.app, 3) && OnGridPageSelected(f.app, 24));
        std::vector<PreviewTextLine> lines = PageGridPreview(g, f.model, f.app);
        ASSERT_EQ(lines.size(), 24u);
        for (int i = 0; i < 3; ++i) {
            const int line = i == 0 ? 0 : i == 1 ? 8 : 23;  // the top of each column, the last
            EXPECT_EQ(lines[line].text, t.preview[i]);
            EXPECT_EQ(lines[line].x, 20 + t.column_px * i);
            EXPECT_EQ(lines[line].y, 10 + 20 * (line % 8));
        }
        EXPECT_FALSE(OnGridValueSelected(g, f.model, f.app, g.value_items));
        ASSERT_TRUE(OnGridValueSelected(g, f.model, f.app, t.value));
        EXPECT_EQ(PageGridPreview(g, f.model, f.app)[0].text, t.changed);
        EXPECT_EQ(f.app.selected_title_index, g.value_selects_title ? t.value : 0);
        EXPECT_EQ(OnGridSameSelected(g, f.model, f.app, 0), !t.same_line.empty());
        if (t.same_line.empty()) continue;
        EXPECT_EQ(PageGridPreview(g, f.model, f.app)[23].text, t.same_line);
        EXPECT_EQ(PageGridSelections(g, f.model, f.app).value, 0);  // "Display"/"Time" follow
        EXPECT_NE((f.model.*g.values)[2][0], 0);                    // other positions untouched
    }
    Opened f;  // the last block, and the "Same Time" choice a fresh program opens with
    f.app.selected_page_index = 143;
    EXPECT_EQ(PageGridPreview(kTitleDisplayGrid, f.model, f.app)[0].text, "P121 = ON ");
    EXPECT_EQ(PageGridSelections(kAutoSwitchingGrid, f.model, f.app).same, 2);
}

struct GridRun {
    Opened& f;
    const PageGrid& g;
    SendSequence seq{g.sequence};
    TickResult Tick() {
        return OnSequenceTick(f.ctx, seq,
                              [this](CoreContext& c, int k) { return GridSequenceStep(g, c, k); });
    }
    // Starts the run (unless started) and ticks until the timer stops; the number of ticks.
    int ToTheEnd(TickResult& last, bool started = false) {
        if (!started && !StartSendSequence(f.ctx, seq, 0x300)) return 0;
        int ticks = 0;
        do last = Tick();
        while (++ticks < 20 && !last.stop_timer);
        return ticks;
    }
};

TEST(PageGrid, SetAllSendsTheFourPositionsAtItsTimerAndPeriod) {
    Opened f;
    f.model.page_display_on[1][143] = 0;
    f.model.page_title_number[3][0] = 143;
    f.model.page_switch_seconds[2][5] = 0;
    const std::string on = Repeat("N", 144), two = Repeat("02", 144),
                      titles = ThreeDigitRun(1, 144);
    // clang-format off
    struct Case {
        const PageGrid* grid;
        int timer, period, ticks;
        Lines frames;
    } cases[] = {
        {&kTitleDisplayGrid, 3, 500, 4, {Framed("CTD01T" + on), Framed("CTD01B" +
         Repeat("N", 143) + "F"), Framed("CTD02T" + on), Framed("CTD02B" + on)}},
        {&kPageAssignmentGrid, 12, 2600, 5, {Framed("PP01T" + titles), Framed("PP01B" + titles),
         Framed("PP02T" + titles), Framed("PP02B144" + ThreeDigitRun(2, 144))}},
        {&kAutoSwitchingGrid, 4, 1200, 4, {Framed("AST01T" + two), Framed("AST01B" + two),
         Framed("AST02T" + Repeat("02", 5) + "00" + Repeat("02", 138)), Framed("AST02B" + two)}}};
    // clang-format on
    for (const Case& t : cases) {
        f.link.serial_writes.clear();
        GridRun run{f, *t.grid};
        EXPECT_EQ(run.seq.params.timer_id, t.timer);
        EXPECT_EQ(run.seq.params.period_ms, t.period);
        TickResult last;
        EXPECT_EQ(run.ToTheEnd(last), t.ticks);  // the page assignment's fifth sends nothing
        EXPECT_EQ(f.link.serial_writes, t.frames);
        EXPECT_TRUE(last.enable_close && last.set_progress && last.progress_position == 0);
    }
    EXPECT_EQ(f.prompts.calls, Lines{"confirm-not-auto(owner=768)"});  // page assignment only
}

TEST(PageGrid, AllZeroPositionsAreRefusedAndPassedOver) {
    Opened f;
    for (int p : {0, 2})
        for (int& s : f.model.page_switch_seconds[p]) s = 0;
    GridRun run{f, kAutoSwitchingGrid};
    TickResult last;
    EXPECT_EQ(run.ToTheEnd(last), 4);
    EXPECT_EQ(f.link.serial_writes,
              (Lines{Framed("AST01B" + Repeat("02", 144)), Framed("AST02B" + Repeat("02", 144))}));
    EXPECT_EQ(f.prompts.calls, Lines(2, "error(exclamation): 全て０秒は､設定出来ません"));
    EXPECT_EQ(f.app.error_reply, 0);
    // "設定" of an all-zero position is refused the same way; one page set to 1 s goes out.
    EXPECT_FALSE(OnGridSet(kAutoSwitchingGrid, f.ctx));
    ASSERT_TRUE(OnGridPageSelected(f.app, 7));
    ASSERT_TRUE(OnGridValueSelected(kAutoSwitchingGrid, f.model, f.app, 1));
    EXPECT_TRUE(OnGridSet(kAutoSwitchingGrid, f.ctx));
    EXPECT_EQ(f.link.serial_writes.back(),
              Framed("AST01T" + Repeat("00", 7) + "01" + Repeat("00", 136)));
    EXPECT_EQ(f.prompts.calls.size(), 3u);
}

// After step 1 the device answers E3, or drops the TCP/IP link: one box, no further command,
// "Close" back at the next tick (the page assignment: in the failing tick, its bar back at 0).
// A guarded "設定" does nothing during a run, nor without the link.
TEST(PageGrid, RunEndsAfterAnErrorReplyOrADroppedLink) {
    struct Case {
        const PageGrid* grid;
        bool dropped;
        int ticks;
    } cases[] = {{&kTitleDisplayGrid, false, 2},
                 {&kTitleDisplayGrid, true, 3},
                 {&kAutoSwitchingGrid, true, 3},
                 {&kPageAssignmentGrid, false, 2},
                 {&kPageAssignmentGrid, true, 2}};
    for (const Case& t : cases) {
        SCOPED_TRACE(t.ticks * 10 + t.dropped);
        Opened f;
        f.app.interface_type = 1;
        f.app.socket_connected = 1;
        f.sockets.link_socket = 5;
        GridRun run{f, *t.grid};
        ASSERT_TRUE(StartSendSequence(f.ctx, run.seq, 0x300));
        run.Tick();
        EXPECT_FALSE(OnGridSet(*t.grid, f.ctx));
        if (t.dropped) {
            f.app.socket_connected = 0;  // the close notice of the device's socket
        } else {
            ParseSerialReply(f.ctx, "00E3\r\n");
        }
        TickResult last;
        EXPECT_EQ(run.ToTheEnd(last, true) + 1, t.ticks);
        EXPECT_EQ(f.link.socket_frames.size(), 1u);
        EXPECT_EQ(f.prompts.calls.back(), t.dropped
                                              ? "error(exclamation): Socket が接続されていません"
                                              : "error(exclamation): Command Error");
        EXPECT_EQ(f.prompts.calls.size(), t.grid->sequence.confirm ? 2u : 1u);
        EXPECT_TRUE(last.enable_close);
        EXPECT_EQ(last.set_progress, t.grid->sequence.reset_progress_on_error);
        EXPECT_EQ(f.app.sequence_running + f.app.error_reply, 0);
        EXPECT_EQ(OnGridSet(*t.grid, f.ctx), !t.dropped);  // idle again, with or without link
    }
}

TEST(PositionLists, ChoicesAreStoredAndEachSetSendsItsPositionAtOnce) {
    struct Case {
        const PositionLists* lists;
        int position, choice;
        std::string sent;
    } cases[] = {{&kPageSwitchingLists, 3, 144, "P02BAS"},
                 {&kPageSwitchingLists, 0, 143, "P01T144"},
                 {&kStartupLists, 1, 144, "SUS01BAS"},
                 {&kStartupLists, 2, 0, "SUS02T001"},
                 {&kPositionAdjustLists, 3, 15, "CTDPO02B15"}};
    for (const Case& t : cases) {
        Opened f;
        EXPECT_FALSE(OnPositionListSelected(*t.lists, f.model, t.position, -1));  // typed text
        ASSERT_TRUE(OnPositionListSelected(*t.lists, f.model, t.position, t.choice));
        EXPECT_EQ(PositionListSelection(*t.lists, f.model, t.position), t.choice);
        EXPECT_TRUE(f.link.serial_writes.empty());  // choosing sends nothing
        EXPECT_TRUE(OnPositionSet(*t.lists, f.ctx, t.position));
        EXPECT_EQ(f.link.serial_writes, Lines{Framed(t.sent)});
    }
    Opened f;  // start-up and display page are separate fields
    ASSERT_TRUE(OnPositionListSelected(kStartupLists, f.model, 0, 144));
    EXPECT_EQ(PositionListSelection(kPageSwitchingLists, f.model, 0), 0);
    f.app.interface_type = 1;  // the immediate "設定" reports a missing connection itself
    EXPECT_FALSE(OnPositionSet(kStartupLists, f.ctx, 0));
    EXPECT_EQ(f.prompts.calls, Lines{"error(exclamation): Socket が接続されていません"});
}

}  // namespace
}  // namespace tvx
