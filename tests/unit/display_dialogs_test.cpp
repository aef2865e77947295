// The display dialogs' rules: the page grids (title display, page assignment, automatic
// switching) and the one-list-per-position dialogs (page switching, start-up, fine
// adjustment), stepped event by event and tick by tick with a recording link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/display_commands.h"
#include "dialogs/page_grid.h"
#include "dialogs/position_lists.h"
#include "protocol/replies.h"
#include "support/expected_text.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;
using test::Repeat;
using test::ThreeDigitRun;
using Lines = std::vector<std::string>;

// "00" + text: the frame of a command with the prefix the feature dialogs turn on.
std::string Framed(const std::string& text) {
    return "00" + text + "\r\n";
}

struct Opened : CoreFixture {
    Opened() { app.address_prefix_on = 1; }
};

TEST(DisplayItems, ComboTexts) {
    EXPECT_EQ(NumberItemText(0), "001");
    EXPECT_EQ(NumberItemText(143), "144");
    EXPECT_EQ(NumberItemText(144), "");
    EXPECT_EQ(PageItemText(144), "AUTO");
    EXPECT_EQ(TwoDigitItemText(0), "00");
    EXPECT_EQ(TwoDigitItemText(99), "99");
    EXPECT_EQ(TwoDigitItemText(100), "");
    EXPECT_EQ(PositionItemText(0), "ch.1 Top");
    EXPECT_EQ(PositionItemText(3), "ch.2 Bottom");
    EXPECT_EQ(DisplayFlagItemText(0), "OFF");
    EXPECT_EQ(DisplayFlagItemText(1), "ON ");
}

// Each grid after a reset: what the preview of page 30 (index 29) of ch.2 Bottom shows, and
// what a choice of value and of "Same ..." does to that position only.
TEST(PageGrid, SelectionsValuesSameChoiceAndPreview) {
    struct Case {
        const PageGrid* grid;
        Lines preview;  // lines 0, 8 and 23
        int xs[3];
        int value_choice;
        std::string first_line_after_choice;
        int same_choice;  // -1: the grid has no "Same ..." combo
        std::string line_after_same;
    } cases[] = {
        {&kTitleDisplayGrid,
         {"P025 = ON ", "P033 = ON ", "P048 = ON "},
         {20, 170, 320},
         0,
         "P025 = OFF",
         0,
         "P048 = OFF"},
        {&kPageAssignmentGrid,
         {"P025 = T025", "P033 = T033", "P048 = T048"},
         {20, 140, 260},
         143,
         "P025 = T144",
         -1,
         ""},
        {&kAutoSwitchingGrid,
         {"P025 = 02 秒", "P033 = 02 秒", "P048 = 02 秒"},
         {20, 140, 260},
         99,
         "P025 = 99 秒",
         0,
         "P048 = 00 秒"},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(static_cast<int>(t.grid->dialog));
        Opened f;
        const PageGrid& g = *t.grid;
        EXPECT_FALSE(OnGridPositionSelected(f.app, -1));  // text typed into the edit field
        ASSERT_TRUE(OnGridPositionSelected(f.app, 3));
        ASSERT_TRUE(OnGridPageSelected(f.app, 24));
        std::vector<PreviewTextLine> lines = PageGridPreview(g, f.model, f.app);
        ASSERT_EQ(lines.size(), 24u);
        int shown[3] = {0, 8, 23};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(lines[shown[i]].text, t.preview[i]);
            EXPECT_EQ(lines[shown[i]].x, t.xs[i]);
            EXPECT_EQ(lines[shown[i]].y, 10 + 20 * (shown[i] % 8));
        }
        EXPECT_FALSE(OnGridValueSelected(g, f.model, f.app, -1));
        EXPECT_FALSE(OnGridValueSelected(g, f.model, f.app, g.value_items));
        ASSERT_TRUE(OnGridValueSelected(g, f.model, f.app, t.value_choice));
        EXPECT_EQ(PageGridPreview(g, f.model, f.app)[0].text, t.first_line_after_choice);
        EXPECT_EQ(PageGridSelections(g, f.model, f.app).value, t.value_choice);
        EXPECT_EQ(f.app.selected_title_index, g.value_selects_title ? t.value_choice : 0);
        if (t.same_choice < 0) {
            EXPECT_FALSE(OnGridSameSelected(g, f.model, f.app, 0));
            continue;
        }
        ASSERT_TRUE(OnGridSameSelected(g, f.model, f.app, t.same_choice));
        EXPECT_EQ(PageGridPreview(g, f.model, f.app)[23].text, t.line_after_same);
        PageGridSelection s = PageGridSelections(g, f.model, f.app);
        EXPECT_EQ(s.value, t.same_choice);
        EXPECT_EQ(s.same, t.same_choice);
        EXPECT_EQ((f.model.*g.values)[3][143], t.same_choice);
        EXPECT_NE((f.model.*g.values)[2][0], t.same_choice);  // other positions untouched
    }
}

TEST(PageGrid, LastBlockAndOpeningChoices) {
    Opened f;
    f.app.selected_page_index = 143;
    std::vector<PreviewTextLine> lines = PageGridPreview(kTitleDisplayGrid, f.model, f.app);
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines.front().text, "P121 = ON ");
    EXPECT_EQ(lines.back().text, "P144 = ON ");
    // "Same Time" opens on 2 seconds, "Same Display" on "OFF"; a value a damaged settings file
    // left outside the list selects nothing.
    EXPECT_EQ(PageGridSelections(kAutoSwitchingGrid, f.model, f.app).same, 2);
    EXPECT_EQ(PageGridSelections(kTitleDisplayGrid, f.model, f.app).same, 0);
    f.model.page_switch_seconds[0][143] = 150;
    EXPECT_EQ(PageGridSelections(kAutoSwitchingGrid, f.model, f.app).value, -1);
}

// "全設定" of each grid tick by tick: the bytes, the ticks, the progress and the endings.
struct GridRun {
    Opened& f;
    const PageGrid& g;
    SendSequence seq{g.sequence};
    TickResult Tick() {
        return OnSequenceTick(f.ctx, seq,
                              [this](CoreContext& c, int k) { return GridSequenceStep(g, c, k); });
    }
    // Ticks until the timer stops; the number of ticks.
    int ToTheEnd(TickResult& last) {
        int ticks = 0;
        do {
            last = Tick();
            ++ticks;
        } while (!last.stop_timer && ticks < 20);
        return ticks;
    }
};

TEST(PageGrid, SetAllSendsTheFourPositionsInOrder) {
    Opened f;
    f.model.page_display_on[1][143] = 0;
    f.model.page_title_number[3][0] = 143;
    f.model.page_switch_seconds[2][5] = 0;
    struct Case {
        const PageGrid* grid;
        Lines frames;
        int ticks;
    } cases[] = {
        {&kTitleDisplayGrid,
         {Framed("CTD01T" + Repeat("N", 144)), Framed("CTD01B" + Repeat("N", 143) + "F"),
          Framed("CTD02T" + Repeat("N", 144)), Framed("CTD02B" + Repeat("N", 144))},
         4},
        {&kPageAssignmentGrid,
         {Framed("PP01T" + ThreeDigitRun(1, 144)), Framed("PP01B" + ThreeDigitRun(1, 144)),
          Framed("PP02T" + ThreeDigitRun(1, 144)), Framed("PP02B144" + ThreeDigitRun(2, 144))},
         5},
        {&kAutoSwitchingGrid,
         {Framed("AST01T" + Repeat("02", 144)), Framed("AST01B" + Repeat("02", 144)),
          Framed("AST02T" + Repeat("02", 5) + "00" + Repeat("02", 138)),
          Framed("AST02B" + Repeat("02", 144))},
         4},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(static_cast<int>(t.grid->dialog));
        f.link.serial_writes.clear();
        GridRun run{f, *t.grid};
        ASSERT_TRUE(StartSendSequence(f.ctx, run.seq, 0x300));
        TickResult last;
        EXPECT_EQ(run.ToTheEnd(last), t.ticks);
        EXPECT_EQ(f.link.serial_writes, t.frames);
        EXPECT_TRUE(last.enable_close);
        EXPECT_TRUE(last.set_progress);
        EXPECT_EQ(last.progress_position, 0);
        EXPECT_EQ(f.app.sequence_running, 0);
    }
    // Only the page assignment run asks first.
    EXPECT_EQ(f.prompts.calls, Lines{"confirm-not-auto(owner=768)"});
    EXPECT_EQ(kTitleDisplayGrid.sequence.timer_id, 3);
    EXPECT_EQ(kTitleDisplayGrid.sequence.period_ms, 500);
    EXPECT_EQ(kPageAssignmentGrid.sequence.timer_id, 12);
    EXPECT_EQ(kPageAssignmentGrid.sequence.period_ms, 2600);
    EXPECT_EQ(kAutoSwitchingGrid.sequence.timer_id, 4);
    EXPECT_EQ(kAutoSwitchingGrid.sequence.period_ms, 1200);
}

TEST(PageGrid, AllZeroPositionsAreRefusedAndPassedOver) {
    Opened f;
    for (int p : {0, 2})
        for (int& s : f.model.page_switch_seconds[p]) s = 0;
    GridRun run{f, kAutoSwitchingGrid};
    ASSERT_TRUE(StartSendSequence(f.ctx, run.seq, 0x300));
    TickResult last;
    EXPECT_EQ(run.ToTheEnd(last), 4);
    EXPECT_EQ(f.link.serial_writes,
              (Lines{Framed("AST01B" + Repeat("02", 144)), Framed("AST02B" + Repeat("02", 144))}));
    EXPECT_EQ(f.prompts.calls, (Lines{"error(exclamation): 全て０秒は､設定出来ません",
                                      "error(exclamation): 全て０秒は､設定出来ません"}));
    EXPECT_EQ(f.app.error_reply, 0);
    // "設定" of an all-zero position: the same refusal; one nonzero page makes it go out.
    f.prompts.calls.clear();
    EXPECT_FALSE(OnGridSet(kAutoSwitchingGrid, f.ctx));
    EXPECT_EQ(f.prompts.calls.size(), 1u);
    ASSERT_TRUE(OnGridPageSelected(f.app, 7));
    ASSERT_TRUE(OnGridValueSelected(kAutoSwitchingGrid, f.model, f.app, 1));
    EXPECT_TRUE(OnGridSet(kAutoSwitchingGrid, f.ctx));
    EXPECT_EQ(f.link.serial_writes.back(),
              Framed("AST01T" + Repeat("00", 7) + "01" + Repeat("00", 136)));
}

// An error reply, or a device that drops the TCP/IP link between two steps: one box, no
// further command, "Close" back at the next tick (in the same tick for the page assignment,
// whose bar also goes back to 0).
TEST(PageGrid, RunEndsAfterAnErrorReplyOrADroppedLink) {
    struct Case {
        const PageGrid* grid;
        bool dropped_link;
        int ticks;
        bool progress_reset;
    } cases[] = {{&kTitleDisplayGrid, false, 2, false},
                 {&kTitleDisplayGrid, true, 3, false},
                 {&kAutoSwitchingGrid, true, 3, false},
                 {&kPageAssignmentGrid, false, 2, true},
                 {&kPageAssignmentGrid, true, 2, true}};
    for (const Case& t : cases) {
        SCOPED_TRACE(static_cast<int>(t.grid->dialog) * 10 + t.dropped_link);
        Opened f;
        f.app.interface_type = 1;
        f.app.socket_connected = 1;
        f.sockets.link_socket = 5;
        GridRun run{f, *t.grid};
        ASSERT_TRUE(StartSendSequence(f.ctx, run.seq, 0x300));
        run.Tick();
        if (t.dropped_link) {
            f.app.socket_connected = 0;  // the close notification of the device's socket
        } else {
            ParseSerialReply(f.ctx, "00E3\r\n");  // the answer to step 1
        }
        TickResult last;
        EXPECT_EQ(run.ToTheEnd(last) + 1, t.ticks);
        EXPECT_EQ(f.link.socket_frames.size(), 1u);
        EXPECT_EQ(f.prompts.calls.size(), t.grid->sequence.confirm ? 2u : 1u);
        EXPECT_EQ(f.prompts.calls.back(), t.dropped_link
                                              ? "error(exclamation): Socket が接続されていません"
                                              : "error(exclamation): Command Error");
        EXPECT_TRUE(last.enable_close);
        EXPECT_EQ(last.set_progress, t.progress_reset);
        EXPECT_EQ(f.app.sequence_running, 0);
        EXPECT_EQ(f.app.error_reply, 0);
    }
}

TEST(PageGrid, GuardedSetDoesNothingWithoutALinkOrDuringARun) {
    Opened f;
    f.app.selected_position_index = 2;
    EXPECT_TRUE(OnGridSet(kTitleDisplayGrid, f.ctx));
    EXPECT_EQ(f.link.serial_writes, Lines{Framed("CTD02T" + Repeat("N", 144))});
    f.app.sequence_running = 2;
    EXPECT_FALSE(OnGridSet(kPageAssignmentGrid, f.ctx));
    f.app.sequence_running = 0;
    f.app.interface_type = 1;
    EXPECT_FALSE(OnGridSet(kAutoSwitchingGrid, f.ctx));
    EXPECT_EQ(f.link.serial_writes.size(), 1u);
    EXPECT_TRUE(f.link.socket_frames.empty());
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(PositionLists, ChoicesAreStoredAndEachSetSendsItsPositionAtOnce) {
    struct Case {
        const PositionLists* lists;
        int position;
        int choice;
        std::string sent;
    } cases[] = {
        {&kPageSwitchingLists, 3, 144, Framed("P02BAS")},
        {&kPageSwitchingLists, 0, 143, Framed("P01T144")},
        {&kStartupLists, 1, 144, Framed("SUS01BAS")},
        {&kStartupLists, 2, 0, Framed("SUS02T001")},
        {&kPositionAdjustLists, 3, 15, Framed("CTDPO02B15")},
        {&kPositionAdjustLists, 1, 0, Framed("CTDPO01B00")},
    };
    for (const Case& t : cases) {
        Opened f;
        EXPECT_FALSE(OnPositionListSelected(*t.lists, f.model, t.position, -1));
        EXPECT_FALSE(OnPositionListSelected(*t.lists, f.model, t.position, t.lists->items));
        ASSERT_TRUE(OnPositionListSelected(*t.lists, f.model, t.position, t.choice));
        EXPECT_EQ(PositionListSelection(*t.lists, f.model, t.position), t.choice);
        EXPECT_TRUE(f.link.serial_writes.empty());  // choosing sends nothing
        EXPECT_TRUE(OnPositionSet(*t.lists, f.ctx, t.position));
        EXPECT_EQ(f.link.serial_writes, Lines{t.sent});
    }
    // Start-up and display page are separate fields; an offset a file left at 16 shows none.
    Opened f;
    ASSERT_TRUE(OnPositionListSelected(kStartupLists, f.model, 0, 144));
    EXPECT_EQ(PositionListSelection(kPageSwitchingLists, f.model, 0), 0);
    EXPECT_EQ(PositionListSelection(kPositionAdjustLists, f.model, 2), 7);
    f.model.position_offset[2] = 16;
    EXPECT_EQ(PositionListSelection(kPositionAdjustLists, f.model, 2), -1);
    // The immediate "設定" reports a missing TCP/IP connection itself.
    f.app.interface_type = 1;
    EXPECT_FALSE(OnPositionSet(kStartupLists, f.ctx, 0));
    EXPECT_EQ(f.prompts.calls, Lines{"error(exclamation): Socket が接続されていません"});
}

}  // namespace
}  // namespace tvx
