// What a "設定" and a "全設定" of a settings dialog do to the link and the program state: the
// guarded single send, and the timed send sequence, one command per timer tick, stopped by an
// error reply at the next tick. Each operation says what the dialog window has to do (start or
// stop a timer, step or set the progress bar, enable "Close", draw); the dialogs apply it.
#pragma once

#include <type_traits>

#include "link/send.h"
#include "model/context.h"
#include "model/settings_model.h"

namespace tvx {

// The guarded "設定": nothing happens (and nothing is shown) while the link is not ready or a
// sequence runs. Build the command only after this said yes.
bool GuardedSendAllowed(const AppState& app);

// One timed send sequence ("全設定" and like buttons).
struct SequenceParams {
    int steps = 0;         // N: ticks 1..N each perform one step
    int timer_id = 0;      // the dialog's timer, also used for its preview
    int period_ms = 0;     // P
    bool confirm = false;  // ask ConfirmNotAutoSwitching first
    bool reset_progress_on_error = false;
    // A failure during a step (a failed socket send, a step that failed) ends the sequence in
    // that same tick rather than at the next one.
    bool end_in_failing_tick = false;
};

// Performs step k (1..N) of the dialog: builds its command from the model and sends it.
// Returns false when the step failed: its command could not be built or was refused in a way
// that must stop the run. The step shows its own box first; the frame then sets error_reply,
// and the sequence ends at the next tick exactly as after an error reply from the device, so
// the timer, the progress bar and "Close" come back the same way on every ending. A refusal
// that the dialog's rules let the run go past (an all-zero switching time position) returns
// true. A step never ends the sequence itself.
using SequenceStep = bool (*)(void* user, CoreContext& c, int k);

// The running sequence of the open dialog; the dialog keeps one.
struct SendSequence {
    SequenceParams params;
    bool in_tick = false;      // a box opened by a step must not let the next tick run inside it
    bool step_failed = false;  // a step failed: the next tick ends the run, even if a late
                               // reply to an earlier step has cleared error_reply meanwhile
};

// True when the dialog must disable "Close" and start params.timer_id with params.period_ms;
// refusals show their box here ("Socket が接続されていません") or nothing.
bool StartSendSequence(CoreContext& c, const SendSequence& seq, WindowHandle dialog);

// What a tick asks of the dialog window, in this order: draw the preview, step or set the
// progress bar, stop the timer, enable "Close".
struct TickResult {
    bool draw_preview = false;
    bool step_progress = false;
    bool set_progress = false;
    int progress_position = 0;
    bool stop_timer = false;
    bool enable_close = false;
};

TickResult OnSequenceTick(CoreContext& c, SendSequence& seq, SequenceStep step, void* user);

// Convenience form for lambdas: step(CoreContext&, int k) -> bool.
template <typename Step>
TickResult OnSequenceTick(CoreContext& c, SendSequence& seq, Step&& step) {
    using Callable = std::remove_reference_t<Step>;
    return OnSequenceTick(
        c, seq,
        [](void* user, CoreContext& cc, int k) -> bool {
            return (*static_cast<Callable*>(user))(cc, k);
        },
        const_cast<void*>(static_cast<const void*>(&step)));
}

}  // namespace tvx
