#include "model/run_pace.h"

namespace tvx {

void BeginRunPace(AppState& app, bool answered, WindowHandle dialog, int timer_id) {
    app.run_pace = RunPace{};
    app.run_pace.by_reply = app.reply_paced_runs == 1 && answered ? 1 : 0;
    app.run_pace.dialog = dialog;
    app.run_pace.timer_id = timer_id;
}

void RunPaceStepStarting(AppState& app) {
    app.run_pace.frame_answered = 0;
}

void RunPaceStepDone(AppState& app, bool run_goes_on) {
    RunPace& p = app.run_pace;
    if (p.by_reply == 0) return;
    p.reply_due = p.frame_answered;
    p.frame_answered = 0;
    p.tick_now = run_goes_on && p.reply_due == 0 ? 1 : 0;
}

bool RunPaceAllowsStep(const AppState& app) {
    return app.run_pace.by_reply == 0 || app.run_pace.reply_due == 0;
}

void RunPaceReplyApplied(AppState& app) {
    RunPace& p = app.run_pace;
    if (p.by_reply == 0 || p.reply_due == 0) return;
    p.reply_due = 0;
    p.tick_now = 1;
}

bool TakeRunPaceTick(AppState& app) {
    if (app.run_pace.tick_now == 0) return false;
    app.run_pace.tick_now = 0;
    return true;
}

}  // namespace tvx
