// Bulk runs: a whole model sent to a device or read back from it, one step per timer tick.
// A run is a step table (what each step sends or reads, and the period from that step on)
// walked by one engine. The engine knows no window and no transport: it builds each step's
// command and hands it to the caller's sender, and says what the caller's window has to do
// (percent, progress, timer period, the end). The program's dialogs and the command-line
// companion drive the same tables, so both put the same bytes on the wire.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/context.h"
#include "protocol/commands.h"

namespace tvx {

// What one step does. Steps without a command keep the device's pace (a pause) or give the
// socket answer to the last read time to arrive.
enum class BulkAction {
    None,
    // Sends: index is the title (Title) or the display position.
    Title,
    DisplayFlags,
    WhiteLevel,
    EdgeLevel,
    StartupPage,
    PositionOffset,
    DisplayPage,
    SwitchTimes,
    PageAssignment,
    // Reads: index is the display position or the title.
    ReadSwitchTimes,
    ReadDisplayFlags,
    ReadPositionOffset,
    ReadEdgeLevel,
    ReadWhiteLevel,
    ReadStartupPage,
    ReadDisplayPage,
    ReadPageAssignment,
    ReadTitle,
    // index is a NetworkRead.
    ReadNetwork,
};

struct BulkStep {
    BulkAction action = BulkAction::None;
    int index = 0;
    int period_ms = 0;  // when not 0, the timer runs with this period from this step on
};

enum class BulkKind { SetAll, ReadBack, NetworkRead };

struct BulkTable {
    BulkKind kind = BulkKind::SetAll;
    std::vector<BulkStep> steps;  // step s (1-based) is steps[s - 1]
    int first_period_ms = 0;      // the timer's period when the run starts
    int percent_divisor = 0;      // percent box shows s * 100 / divisor; 0 = no percent box
    int progress_max = 0;         // the progress bar's range 0..progress_max
    bool close_dialog_at_end = false;
    // The step after which "Close" is enabled while the run goes on one more tick (0 = none).
    int enable_close_after_step = 0;
    // Network reads are written bare to the serial port (addressing off before each read).
    bool bare_serial = false;
};

// Every setting of the model: titles 1..144 (CT), then CTD, CWL, CEL, SUS, CTDPO and P for the
// four positions, a pause that slows the timer to 2600 ms, AST, PP and one empty step; 172 steps
// at 1200 ms, percent of 171.
BulkTable SetAllTable();
// The same settings read back: AST, CTD, CTDPO (Bottom before Top), CEL, CWL, SUS and P, a pause
// (1200 ms), PP (Top before Bottom), a pause (600 ms), one empty step, RCT001..RCT144; 173 steps
// at 800 ms, and on TCP/IP one step more so that the answer to RCT144 still reaches the dialog.
// Percent of 174.
BulkTable ReadBackTable(bool tcp_ip);
// The device's network settings: RAA, RGA, RIA, RMA, RPN, RSM, RKA, RTR, RVN at 200 ms, bare on
// the serial port; "Close" comes back after the ninth read, the run ends one tick later.
BulkTable NetworkReadTable();

// The model field (as the settings field table names it) a step sends from or reads into:
// "page_switch_seconds", "title_text"; nullptr for a pause or a network read.
const char* BulkStepField(BulkAction action);

// The command text of one step (empty for a step without a command). A step that cannot be
// built says why: a title that cannot be encoded, or a position whose switching times are all
// 0 (that refusal shows its own box through prompts).
// A value out of range (from a damaged file) is refused with its own box, and ends the run.
enum class BuildOutcome { Command, NoCommand, TitleNotEncodable, SwitchTimesRefused, ValueRefused };
BuildOutcome BuildBulkStepCommand(const SettingsModel& model, Prompts& prompts,
                                  const BulkStep& step, std::string& out);

// The first title (0-based) that cannot be sent, or -1 when all 144 can: for callers that check
// a whole model before the first byte goes out.
int FirstUnsendableTitle(const SettingsModel& model);

// Sends one finished command (the program: SendCommand, or SerialSend bare for network reads).
using BulkSender = void (*)(void* user, CoreContext& c, std::string_view command);

// The running table of the open dialog (or of one device in the command-line companion). A run
// starts by setting sequence_running to 1, after the caller's own checks.
struct BulkRun {
    BulkTable table;
    bool in_tick = false;  // a box opened by a step must not let the next tick run inside it
    // A step failed (a title that cannot be encoded): the next tick ends the run, also when a
    // late reply to an earlier step has cleared error_reply meanwhile.
    bool step_failed = false;
};

// What a tick asks of the caller's window, in this order.
struct BulkTick {
    int percent = -1;            // show this number in the percent box (-1: leave it)
    bool clear_percent = false;  // the run ended normally: three blanks in the percent box
    bool step_progress = false;
    bool reset_progress = false;
    int new_period_ms = 0;  // restart the timer with this period (0: leave it)
    bool stop_timer = false;
    bool enable_close = false;
    bool refresh = false;  // show the model's values again (network read)
    bool close_dialog = false;
    bool ended = false;  // the run is over (normally or by an error reply)
};

// One tick: an error reply seen now ends the run (timer stopped, "Close" back, the dialog
// stays open); otherwise the step sequence_running names is built and handed to send, the
// percent and progress advance, and after the last step the run ends as its table says. A title
// that cannot be encoded sets error_reply and shows the JIS message: the run ends at the next
// tick. A refused AST only shows its message; the run goes on.
BulkTick OnBulkTick(CoreContext& c, BulkRun& run, BulkSender send, void* user);

template <typename Send>
BulkTick OnBulkTick(CoreContext& c, BulkRun& run, Send&& send) {
    using Callable = std::remove_reference_t<Send>;
    return OnBulkTick(
        c, run,
        [](void* user, CoreContext& cc, std::string_view command) {
            (*static_cast<Callable*>(user))(cc, command);
        },
        const_cast<void*>(static_cast<const void*>(&send)));
}

}  // namespace tvx
