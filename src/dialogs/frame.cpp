#include "dialogs/frame.h"

#include "link/send.h"
#include "model/run_pace.h"
#include "model/settings_fields.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

constexpr std::string_view kConnectionTitles[] = {
    "タイトルの設定 ",           // TitleSetting
    "タイトル表示の設定 ",       // TitleDisplay
    "表示ページ切換え ",         // PageSwitching
    "表示ページ割り付け ",       // PageAssignment
    "自動切換えの設定 ",         // AutoSwitching
    "スタートアップの設定 ",     // Startup
    "文字レベルの設定 ",         // CharLevel
    "表示位置の微調整 ",         // PositionAdjust
    "外字登録 ",                 // GlyphRegister
    "外字一覧",                  // GlyphList
    "外字挿入 ",                 // GlyphInsert
    "プロトコルの設定 ",         // NetworkSettings
    "全項目の設定",              // SetAll
    "設定項目の読み込み",        // ReadBack
    "TVX5870のバージョン情報 ",  // Version
};

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

constexpr int kTitleTextCount =
    static_cast<int>(sizeof kConnectionTitles / sizeof kConnectionTitles[0]);
static_assert(kTitleTextCount == static_cast<int>(FrameDialog::Version) + 1);

}  // namespace

std::string_view ConnectionTitleText(FrameDialog dialog) {
    int i = static_cast<int>(dialog);
    if (i < 0 || i >= kTitleTextCount) return {};
    return kConnectionTitles[i];
}

bool ConnectionTitle(FrameDialog dialog, const AppState& app, const SocketLinkState& sockets,
                     std::string& title_out) {
    if (app.selected_connection == -1) return false;
    title_out.assign(ConnectionTitleText(dialog));
    int slot = app.selected_connection;
    // A slot number from the configuration file may lie outside the table: title text alone.
    if (slot < 0 || slot >= kClientSlotCount) return true;
    const char* peer = sockets.client_slots[slot].peer_address;
    std::size_t n = 0;
    while (n < sizeof sockets.client_slots[slot].peer_address && peer[n] != '\0') ++n;
    title_out.append(peer, n);
    return true;
}

std::string SlaveAddressItemText(int index) {
    if (index == kBroadcastAddress) return std::string(kBroadcastItemText);
    if (index < 0 || index > kBroadcastAddress) return {};
    char text[3] = {static_cast<char>('0' + index / 10), static_cast<char>('0' + index % 10), 0};
    return text;
}

int SlaveAddressSelection(const AppState& app, int item_count) {
    if (app.slave_address < 0 || app.slave_address >= item_count) return -1;
    return app.slave_address;
}

bool OnSlaveAddressSelected(AppState& app, int index, int item_count) {
    if (index < 0 || index >= item_count) return false;
    app.slave_address = index;
    return true;
}

void BeginDialogFrame(AppState& app, WindowHandle dialog) {
    app.active_dialog = dialog;
    // A preview left due by a dialog closed before its tick must not take the first tick of
    // this dialog's run; a dialog with a preview asks for its own drawing after opening.
    app.preview_redraw_pending = 0;
}

void SettleDialogFrame(AppState& app, WindowHandle active_window, AddressPrefix prefix) {
    app.reply_owner_window = active_window;
    app.corner_click_count = 0;
    if (prefix == AddressPrefix::On) app.address_prefix_on = 1;
    if (prefix == AddressPrefix::Off) app.address_prefix_on = 0;
}

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

int OnPreviewPaint(AppState& app) {
    app.preview_redraw_pending = 1;
    return app.sequence_running == 0 ? kPreviewPaintDelayMs : 0;
}

void OnPreviewOpen(AppState& app) {
    app.preview_redraw_pending = 1;
}

bool CloseAllowed(const AppState& app) {
    return app.sequence_running == 0;
}

std::string NumberItemText(int index) {
    if (index < 0 || index >= kNumberItems) return {};
    char digits[3];
    FormatThreeDigits(index + 1, digits);
    return std::string(digits, 3);
}

std::string PageItemText(int index) {
    return index == kAutoSwitchPage ? std::string("AUTO") : NumberItemText(index);
}

std::string TwoDigitItemText(int index) {
    if (index < 0 || index > 99) return {};
    char digits[2];
    FormatTwoDigits(index, digits);
    return std::string(digits, 2);
}

std::string PositionItemText(int index) {
    if (index < 0 || index >= kPositionCount) return {};
    return std::string(PositionName(index));
}

}  // namespace tvx
