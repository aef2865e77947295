#include "runs/glyph_runs.h"

#include "link/send.h"
#include "model/run_pace.h"
#include "protocol/commands.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

char Digit(int value) {
    return static_cast<char>('0' + value % 10);
}

}  // namespace

bool GlyphBulkRunActive(const AppState& app) {
    return app.glyph_bulk_read_running != 0;
}

int StartGlyphBulkRun(CoreContext& c, GlyphState& g, WindowHandle list, bool register_run) {
    if (GlyphBulkRunActive(c.app)) return 0;
    if (!register_run && !ReadAddressAllowed(c)) return 0;
    if (register_run && !c.prompts.ConfirmNotAutoSwitching(list)) return 0;
    if (!IsLinkReady(c.app)) {
        c.prompts.ShowErrorBox(kNoSocketText, BoxIcon::Exclamation);
        return 0;
    }
    if (c.app.sequence_running != 0) return 0;
    c.app.error_reply = 0;
    c.app.current_glyph_index = 0;
    g.glyph_bulk_register = register_run ? 1 : 0;
    c.app.glyph_bulk_read_running = 1;
    BeginRunPace(c.app, !AddressesBroadcast(c.app), list, kGlyphListTimerId);
    return register_run ? kRegisterPeriodMs : kReadPeriodMs;
}

GlyphListTick OnGlyphListTick(CoreContext& c, GlyphState& g) {
    GlyphListTick r;
    // A tick dispatched by the modal loop of a box that this tick's send opened waits for it.
    if (g.bulk_tick_busy) return r;
    AppState& app = c.app;
    if (app.preview_redraw_pending == 1) {
        app.preview_redraw_pending = 0;
        r.draw_cells = true;
    }
    // Idle, the tick only draws. A stray tick after the drawing or the run sends nothing.
    if (!GlyphBulkRunActive(app)) {
        r.stop_timer = true;
        return r;
    }
    // During a run the drawing takes no step of its own, so a repaint (such as the one the
    // confirmation box leaves behind) never holds the run back by a period.
    // A run paced by replies waits for the answer to its last glyph; the timer's tick passes.
    if (!RunPaceAllowsStep(app)) return r;
    const int n = app.current_glyph_index;
    if (n >= 0 && n < kBulkGlyphs) {
        RunPaceStepStarting(app);
        g.bulk_tick_busy = true;
        if (g.glyph_bulk_register == 1) {
            SendCommand(c, BuildGlyphRegisterCommand(c.model, n));
            app.current_glyph_index = n + 1;
        } else if (app.glyph_read_pending == 0) {
            // The FBM reply stores the glyph and moves current_glyph_index on.
            app.glyph_read_pending = 1;
            SendCommand(c, BuildReadGlyphCommand(glyph_code(n)));
        }
        g.bulk_tick_busy = false;
    }
    r.show_percent = true;
    r.percent_text = BulkPercentText(app.current_glyph_index);
    r.step_progress = true;
    if (app.current_glyph_index >= kBulkGlyphs) {
        app.current_glyph_index = 0;
        app.glyph_bulk_read_running = 0;
        r.percent_text = "    ";
        r.reset_progress = true;
        r.stop_timer = true;
        r.draw_cells = true;
    }
    RunPaceStepDone(app, GlyphBulkRunActive(app));
    return r;
}

std::string BulkPercentText(int n) {
    const int p = 100 * n / kBulkGlyphs;
    const int tenth = 10000 * n / kBulkGlyphs / 10;
    return std::string{' ', Digit(p / 10), Digit(p), '.', Digit(tenth)};
}

}  // namespace tvx
