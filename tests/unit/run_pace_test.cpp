// Runs paced by the device's replies: the same frames as the timed runs, every step brought by
// the reply to the one before (no timer tick needed), and the timed run's endings.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runs/set_all_read_back.h"
#include "dialogs/network_settings.h"
#include "dialogs/page_grid.h"
#include "dialogs/title_setting.h"
#include "glyphs/glyph_list.h"
#include "link/send.h"
#include "model/run_pace.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;
using Frames = std::vector<std::string>;

// One run of a dialog: how it starts and what one tick of its timer does (true: it ended).
struct RunUnderTest {
    const char* name;
    std::function<bool(CoreFixture&)> start;
    std::function<bool(CoreFixture&)> tick;
};

// A device that answers every frame: a glyph read with its pattern, anything else with GO.
// Frames with an address prefix are answered behind it; bare ones bare.
std::string Answer(const std::string& frame) {
    const bool prefixed = frame.size() > 2 && (std::isdigit(frame[0]) || frame[0] == 'F') &&
                          (std::isdigit(frame[1]) || frame[1] == 'F');
    const std::string prefix = prefixed ? frame.substr(0, 2) : "";
    const std::string command = frame.substr(prefix.size());
    if (command.rfind("RFBM", 0) == 0) {
        return prefix + "FBM" + command.substr(4, 4) + std::string(256, '3') + "\r\n";
    }
    return prefix + "GO\r\n";
}

// Answers the frames sent since `answered`, through the reply handling of their link.
void AnswerNewFrames(CoreFixture& f, std::size_t& answered, int answers_left = 1 << 30) {
    const bool tcp = f.app.interface_type == 1;
    const std::size_t sent = tcp ? f.link.socket_frames.size() : f.link.serial_writes.size();
    for (; answered < sent && answers_left > 0; ++answered, --answers_left) {
        const std::string frame =
            tcp ? f.link.socket_frames[answered].bytes : f.link.serial_writes[answered];
        const std::string reply = Answer(frame);
        if (tcp) {
            reply.copy(f.sockets.socket_reply_buffer, reply.size());
            f.sockets.socket_reply_buffer[reply.size()] = '\0';
            f.sockets.socket_reply_length = static_cast<int>(reply.size());
            ParseSocketReply(f.ctx);
        } else {
            ParseSerialReply(f.ctx, reply);
        }
    }
    if (answered < sent) answered = sent;  // the rest go unanswered
}

Frames SentFrames(const CoreFixture& f) {
    if (f.app.interface_type == 0) return f.link.serial_writes;
    Frames frames;
    for (const auto& frame : f.link.socket_frames) frames.push_back(frame.bytes);
    return frames;
}

struct Drive {
    Frames frames;
    int timer_ticks = 0;  // ticks that came from the dialog's timer, not from a reply
    bool ended = false;
    std::vector<std::string> boxes;
};

// Timed: every tick from the timer, the device answering in between. Paced: the next tick
// comes at once when the pace says so, otherwise from the timer.
Drive DriveRun(const RunUnderTest& run, bool paced, bool tcp) {
    CoreFixture f;
    f.app.reply_paced_runs = paced ? 1 : 0;
    if (tcp) {
        f.app.interface_type = 1;
        f.app.socket_connected = 1;
        f.sockets.link_socket = 9;
    }
    f.prompts.yes_no_answers = {true};
    Drive d;
    if (!run.start(f)) return d;
    std::size_t answered = 0;
    bool from_reply = false;
    for (int i = 0; i < 2000 && !d.ended; ++i) {
        if (!from_reply) ++d.timer_ticks;
        d.ended = run.tick(f);
        AnswerNewFrames(f, answered);
        from_reply = TakeRunPaceTick(f.app);
    }
    d.frames = SentFrames(f);
    d.boxes = f.prompts.calls;
    return d;
}

BulkRun g_run;
TitleSettingState g_title;
SendSequence g_grid;
GlyphState g_glyphs;
const PageGrid* g_grid_row = nullptr;

bool BulkEnded(CoreFixture& f, BulkTick (*tick)(CoreContext&, BulkRun&)) {
    return tick(f.ctx, g_run).ended;
}

RunUnderTest TitleRun(bool not_memory) {
    return {not_memory ? "NM全設定" : "全設定",
            [not_memory](CoreFixture& f) {
                g_title = TitleSettingState{};
                SendSequence seq;
                seq.params = TitleSequenceParams(not_memory);
                if (!StartSendSequence(f.ctx, seq, 1)) return false;
                OnTitleSequenceStarted(g_title, seq, not_memory);
                return true;
            },
            [](CoreFixture& f) {
                OnTitleSequenceTick(f.ctx, g_title);
                return f.app.sequence_running == 0;
            }};
}

RunUnderTest GridRun(const PageGrid& grid) {
    return {"grid",
            [&grid](CoreFixture& f) {
                g_grid_row = &grid;
                g_grid = SendSequence{grid.sequence};
                return StartSendSequence(f.ctx, g_grid, 1);
            },
            [](CoreFixture& f) {
                OnSequenceTick(f.ctx, g_grid, [](CoreContext& c, int k) {
                    return GridSequenceStep(*g_grid_row, c, k);
                });
                return f.app.sequence_running == 0;
            }};
}

RunUnderTest GlyphRun(bool register_run) {
    return {register_run ? "glyph register" : "glyph read",
            [register_run](CoreFixture& f) {
                g_glyphs = GlyphState{};
                return StartGlyphBulkRun(f.ctx, g_glyphs, 1, register_run) != 0;
            },
            [](CoreFixture& f) {
                OnGlyphListTick(f.ctx, g_glyphs);
                return !GlyphBulkRunActive(f.app);
            }};
}

std::vector<RunUnderTest> AllRuns() {
    return {
        {"set-all",
         [](CoreFixture& f) { return StartBulkTransfer(f.ctx, BulkTransfer::SetAll, g_run, 1); },
         [](CoreFixture& f) { return BulkEnded(f, OnBulkTransferTick); }},
        {"read-back",
         [](CoreFixture& f) { return StartBulkTransfer(f.ctx, BulkTransfer::ReadBack, g_run, 1); },
         [](CoreFixture& f) { return BulkEnded(f, OnBulkTransferTick); }},
        {"network read", [](CoreFixture& f) { return StartNetworkRead(f.ctx, g_run, 1); },
         [](CoreFixture& f) { return BulkEnded(f, OnNetworkReadTick); }},
        TitleRun(false),
        TitleRun(true),
        GridRun(kTitleDisplayGrid),
        GridRun(kPageAssignmentGrid),
        GridRun(kAutoSwitchingGrid),
        GlyphRun(true),
        GlyphRun(false),
    };
}

TEST(RunPace, EveryRunSendsTheTimedFramesEachStepBroughtByTheReplyBefore) {
    for (bool tcp : {false, true}) {
        for (const RunUnderTest& run : AllRuns()) {
            if (tcp && std::string(run.name) == "network read") continue;  // serial only
            SCOPED_TRACE(std::string(run.name) + (tcp ? " over TCP/IP" : " over RS-232C"));
            const Drive timed = DriveRun(run, false, tcp);
            const Drive paced = DriveRun(run, true, tcp);
            ASSERT_TRUE(timed.ended && paced.ended);
            EXPECT_GT(timed.frames.size(), 3u);
            EXPECT_EQ(paced.frames, timed.frames);
            EXPECT_EQ(paced.boxes, timed.boxes);  // the same end: the last GO's box, if any
            // The first tick is the timer's (the run starts on it); every other came from a reply.
            EXPECT_EQ(paced.timer_ticks, 1);
            EXPECT_GT(timed.timer_ticks, static_cast<int>(timed.frames.size()) - 1);
        }
    }
}

// The broadcast address gets no reply: the run keeps its timer.
TEST(RunPace, BroadcastKeepsTheTimer) {
    CoreFixture f;
    f.app.reply_paced_runs = 1;
    f.app.address_prefix_on = 1;
    f.app.slave_address = kBroadcastAddress;
    f.prompts.yes_no_answers = {true};
    ASSERT_TRUE(StartBulkTransfer(f.ctx, BulkTransfer::SetAll, g_run, 1));
    EXPECT_EQ(f.app.run_pace.by_reply, 0);
    for (int i = 0; i < 3; ++i) {
        OnBulkTransferTick(f.ctx, g_run);
        EXPECT_FALSE(TakeRunPaceTick(f.app));
    }
    EXPECT_EQ(f.link.serial_writes.size(), 3u);
    EXPECT_EQ(f.link.serial_writes[0].substr(0, 7), "FFCT001");
}

// A paced run whose reply does not come waits (the timer's ticks send nothing) until the
// no-reply check says "No Connect", and ends at the next tick, as a timed run does.
TEST(RunPace, AMissingReplyEndsTheRunWithNoConnect) {
    CoreFixture f;
    f.app.reply_paced_runs = 1;
    f.app.address_prefix_on = 1;
    f.prompts.yes_no_answers = {true};
    ASSERT_TRUE(StartBulkTransfer(f.ctx, BulkTransfer::SetAll, g_run, 1));
    std::size_t answered = 0;
    for (int i = 0; i < 3; ++i) {  // three steps answered, the fourth not
        OnBulkTransferTick(f.ctx, g_run);
        AnswerNewFrames(f, answered, i < 2 ? 1 : 0);
    }
    EXPECT_FALSE(TakeRunPaceTick(f.app));
    BulkTick t;
    int timer_ticks = 0;
    for (; timer_ticks < 20 && !t.ended; ++timer_ticks) {
        t = OnBulkTransferTick(f.ctx, g_run);  // a timer tick: 1200 ms, the main timer's 500 ms
        CheckReplyTimeout(f.ctx);
        CheckReplyTimeout(f.ctx);
    }
    EXPECT_TRUE(t.ended && t.enable_close && !t.close_dialog);
    EXPECT_EQ(f.link.serial_writes.size(), 3u);
    EXPECT_EQ(f.prompts.calls.back(), "error(stop): No Connect");
    EXPECT_EQ(timer_ticks, 5);  // four ticks waiting (the seventh main tick reports), one ending
}

// An error reply stops a paced run at the step it answers: the reply brings the next tick,
// which ends the run without sending.
TEST(RunPace, AnErrorReplyStopsTheRunAtItsStep) {
    for (bool paced : {false, true}) {
        CoreFixture f;
        f.app.reply_paced_runs = paced ? 1 : 0;
        f.app.address_prefix_on = 1;
        f.prompts.yes_no_answers = {true};
        ASSERT_TRUE(StartBulkTransfer(f.ctx, BulkTransfer::ReadBack, g_run, 1));
        std::size_t answered = 0;
        BulkTick t;
        for (int i = 0; i < 20 && !t.ended; ++i) {
            t = OnBulkTransferTick(f.ctx, g_run);
            if (f.link.serial_writes.size() == 5 && answered < 5) {
                ParseSerialReply(f.ctx, "00E3\r\n");
                answered = 5;
            } else {
                AnswerNewFrames(f, answered);
            }
            EXPECT_EQ(TakeRunPaceTick(f.app), paced && !t.ended) << i;
        }
        EXPECT_TRUE(t.ended && t.enable_close);
        EXPECT_EQ(f.link.serial_writes.size(), 5u) << paced;
        EXPECT_EQ(f.link.serial_writes.back(), "00RCTD01B\r\n");
        EXPECT_EQ(f.prompts.calls.back(), "error(exclamation): Command Error");
    }
}

}  // namespace
}  // namespace tvx
