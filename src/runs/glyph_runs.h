// The external character list's bulk runs: glyphs 1..64 registered (GR every 2 s) or read
// (one RFBM at a time, the FBM reply storing each glyph) on the list's timer 14, which also draws
// the list's cells. Each tick says what the list window must do.
#pragma once

#include <string>

#include "model/context.h"
#include "model/glyph_state.h"

namespace tvx {

constexpr int kBulkGlyphs = 64;          // a bulk run transfers glyphs 1..64
constexpr int kBulkProgressMax = 65;     // progress bar range 0..65
constexpr int kRegisterPeriodMs = 2000;  // one GR every 2 s, replies not awaited
constexpr int kReadPeriodMs = 300;       // a tick every 300 ms, one RFBM at a time
constexpr int kGlyphListTimerId = 14;    // drawing and bulk runs

// The list's file buttons and its left double click do nothing during a bulk run.
bool GlyphBulkRunActive(const AppState& app);

// "登録" (register = true) and "リード": the timer period to start the run with, or 0 when it
// does not start (refused, or already running).
int StartGlyphBulkRun(CoreContext& c, GlyphState& g, WindowHandle list, bool register_run);

// What one tick of timer 14 asks of the window, in this order. A drawing due after a paint is
// done first; during a run the same tick then takes its step.
struct GlyphListTick {
    bool draw_cells = false;
    bool show_percent = false;  // show percent_text in the percent box
    std::string percent_text;
    bool step_progress = false;
    bool reset_progress = false;
    bool stop_timer = false;
};
GlyphListTick OnGlyphListTick(CoreContext& c, GlyphState& g);

// The percent box during a run: " " + two digits + "." + one digit, for n of 64 glyphs done.
std::string BulkPercentText(int n);

}  // namespace tvx
