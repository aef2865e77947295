#include "runs/send_sequence.h"

#include "model/run_pace.h"

namespace tvx {

namespace {

// A tick that finds an error (a reply, a failed exchange or a failed step) ends the run; only
// the page assignment dialog also sets its progress bar back to 0.
void EndAfterError(AppState& app, SendSequence& seq, TickResult& r) {
    app.error_reply = 0;
    app.sequence_running = 0;
    seq.step_failed = false;
    r.stop_timer = true;
    r.enable_close = true;
    if (seq.params.reset_progress_on_error) {
        r.set_progress = true;
        r.progress_position = 0;
    }
}

}  // namespace

bool GuardedSendAllowed(const AppState& app) {
    return IsLinkReady(app) && app.sequence_running == 0;
}

bool StartSendSequence(CoreContext& c, const SendSequence& seq, WindowHandle dialog) {
    if (seq.params.confirm && !c.prompts.ConfirmNotAutoSwitching(dialog)) return false;
    if (!IsLinkReady(c.app)) {
        c.prompts.ShowErrorBox(kNoSocketText, BoxIcon::Exclamation);
        return false;
    }
    if (c.app.sequence_running != 0) return false;
    // An error left by a single "設定" or a failed exchange belongs to what came before: the
    // new run would otherwise end at its first tick without a word.
    c.app.error_reply = 0;
    c.app.sequence_running = 1;
    BeginRunPace(c.app, !AddressesBroadcast(c.app), dialog, seq.params.timer_id);
    return true;
}

TickResult OnSequenceTick(CoreContext& c, SendSequence& seq, SequenceStep step, void* user) {
    TickResult r;
    // A tick dispatched by the modal loop of a box that a step opened waits for that step.
    if (seq.in_tick) return r;
    AppState& app = c.app;
    if (app.preview_redraw_pending == 1) {
        app.preview_redraw_pending = 0;
        r.draw_preview = true;
        if (app.sequence_running == 0) r.stop_timer = true;
        // A run paced by replies whose step was due takes it right after the drawing.
        if (app.sequence_running != 0 && RunPaceAllowsStep(app)) app.run_pace.tick_now = 1;
        return r;
    }
    // A stray tick with no sequence (a preview tick already drawn) must not send step 0.
    if (app.sequence_running == 0) {
        r.stop_timer = true;
        return r;
    }
    if (app.error_reply == 1 || seq.step_failed) {
        EndAfterError(app, seq, r);
        return r;
    }
    // A run paced by replies waits here for the answer to its last step.
    if (!RunPaceAllowsStep(app)) return r;
    int k = app.sequence_running;
    if (k <= seq.params.steps) {
        RunPaceStepStarting(app);
        seq.in_tick = true;
        bool done = step(user, c, k);
        seq.in_tick = false;
        if (!done) {
            app.error_reply = 1;
            seq.step_failed = true;
        }
        // A failed socket exchange has set sequence_running to 0 meanwhile; the run still ends
        // through error_reply.
        app.sequence_running = k + 1;
        r.step_progress = true;
        RunPaceStepDone(app, k < seq.params.steps);
        if (app.error_reply == 1 || seq.step_failed) {
            // The last step ends the run in its own tick anyway: a failure there must not keep
            // "Close" grey and the bar full for one more period.
            const bool last = k == seq.params.steps;
            if (seq.params.end_in_failing_tick || last) EndAfterError(app, seq, r);
            if (last) {
                r.set_progress = true;
                r.progress_position = 0;
            }
            return r;
        }
    }
    if (app.sequence_running > seq.params.steps) {
        app.sequence_running = 0;
        r.stop_timer = true;
        r.enable_close = true;
        r.set_progress = true;
        r.progress_position = 0;
    }
    return r;
}

}  // namespace tvx
