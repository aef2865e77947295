// The frame every settings dialog shares: the slave address combo, the window title that names
// the TCP/IP connection and the preview ticks (the single "設定" forms and the timed send
// sequence with its progress bar: runs/send_sequence.h). Each operation changes the program
// state and says what the dialog window has to do (select, enable, start or stop a timer,
// draw); the Win32 side only applies it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/socket_state.h"
#include "model/context.h"
#include "model/settings_model.h"
#include "runs/send_sequence.h"

namespace tvx {

// Every dialog that names its connection in the window title.
enum class FrameDialog {
    TitleSetting,
    TitleDisplay,
    PageSwitching,
    PageAssignment,
    AutoSwitching,
    Startup,
    CharLevel,
    PositionAdjust,
    GlyphRegister,
    GlyphList,
    GlyphInsert,
    NetworkSettings,
    SetAll,
    ReadBack,
    Version,
};

// The title text used while a connection is selected (UTF-8).
std::string_view ConnectionTitleText(FrameDialog dialog);

// What ApplyConnectionTitle puts in the caption: false when the dialog keeps its template title
// (no connection selected), otherwise the title text followed by the selected slot's peer text.
bool ConnectionTitle(FrameDialog dialog, const AppState& app, const SocketLinkState& sockets,
                     std::string& title_out);

// The slave address combo: "00".."31" at indexes 0..31 and the broadcast entry at 32.
constexpr int kSlaveAddressItems = 33;
constexpr int kDeviceAddressItems = 32;  // the device slave address dialog has no broadcast entry
inline constexpr std::string_view kBroadcastItemText = "Bloadcast";
// The item text at index (0..32); empty outside.
std::string SlaveAddressItemText(int index);
// The combo index to select for slave_address, or -1 for none (an address the combo lacks).
int SlaveAddressSelection(const AppState& app, int item_count);
// A selection change of the slave address combo; nothing is sent. False for a missing selection.
bool OnSlaveAddressSelected(AppState& app, int index, int item_count = kSlaveAddressItems);

// What the dialog does with the address prefix when it opens.
enum class AddressPrefix { On, Off, Unchanged };

// The state part of a dialog's initialisation: the dialog becomes active_dialog (first, before
// the dialog fills its combos) and no preview is due, then SettleDialogFrame remembers the
// window that was active, clears the corner gesture count and sets the prefix.
void BeginDialogFrame(AppState& app, WindowHandle dialog);
void SettleDialogFrame(AppState& app, WindowHandle active_window, AddressPrefix prefix);

// A paint of a dialog with a preview: the preview is drawn at the next tick. Returns the delay
// in ms to arm the dialog's timer with, or 0 to leave a running sequence's period alone.
int OnPreviewPaint(AppState& app);
// The first preview after the dialog opens: sets preview_redraw_pending; the dialog arms its
// timer with kPreviewOpenDelayMs.
void OnPreviewOpen(AppState& app);
constexpr int kPreviewOpenDelayMs = 200;
constexpr int kPreviewPaintDelayMs = 20;

// One line of a preview: where it starts in the white rectangle, in pixels, and its text
// (UTF-8).
struct PreviewTextLine {
    int x = 0;
    int y = 0;
    std::string text;
};

// "Close" (and Esc, and the title bar's close box) leaves the dialog only while no sequence
// runs: a dialog left mid-run would take its timer along and leave sequence_running set.
bool CloseAllowed(const AppState& app);

// Item texts the dialogs' combos share (UTF-8); empty outside their range.
constexpr int kNumberItems = 144;  // pages or titles
constexpr int kPageItems = 145;    // pages and "AUTO"
constexpr int kPositionItems = kPositionCount;
// index + 1 in three digits: "001".."144".
std::string NumberItemText(int index);
// "001".."144", and "AUTO" (automatic switching) at index 144.
std::string PageItemText(int index);
// The index in two digits: "00".."99".
std::string TwoDigitItemText(int index);
// "ch.1 Top", "ch.1 Bottom", "ch.2 Top", "ch.2 Bottom".
std::string PositionItemText(int index);

}  // namespace tvx
