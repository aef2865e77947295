// The pace of a run, one rule for the program's dialogs and the command-line companion. A timed
// run takes a step at every tick of its timer. A run paced by replies takes its next step as
// soon as the device's reply to the step before has been applied: a step whose frame is
// answered makes the next tick wait for that reply; a step that sends nothing (a pause) is
// followed at once. The bytes and their order are the timed run's, by construction: the same
// tick functions take the same steps, only sooner. The broadcast address gets no reply, so such
// a run keeps its timer, and so does any run while a reply is missing: the no-reply check and
// the socket's answer wait end it as they end a timed run.
#pragma once

#include "model/settings_model.h"

namespace tvx {

// A run starts: paced by replies when the option is on and its frames are answered.
void BeginRunPace(AppState& app, bool answered, WindowHandle dialog, int timer_id);

// Around a step: the tick calls StepStarting before it sends, StepDone after. StepDone says
// whether the next tick is due at once (the step sent nothing that is answered).
void RunPaceStepStarting(AppState& app);
void RunPaceStepDone(AppState& app, bool run_goes_on);

// False while the last step's reply is due: the timer's tick passes, the reply brings the step.
bool RunPaceAllowsStep(const AppState& app);

// The reply handling has applied a reply: the step it answered is done.
void RunPaceReplyApplied(AppState& app);

// The window's part: true once per due tick (the flag is taken).
bool TakeRunPaceTick(AppState& app);

}  // namespace tvx
