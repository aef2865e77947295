// What every settings dialog does with its window: the slave address combo, the connection
// title, the level and list combos, and applying a sequence tick (timer, progress, "Close").
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/frame.h"
#include "model/context.h"

namespace tvx {

// Fills and selects a dialog's own controls from the model, during InitDialogFrame.
using FillOwnControls = void (*)(HWND dialog, CoreContext& c);

// WM_INITDIALOG of a feature dialog, in this order: the dialog becomes active_dialog, fills its
// own controls (fill_own, may be null), FillSlaveAddressCombo, the window active now becomes
// reply_owner_window, the corner count is cleared, the address prefix set, and last
// ApplyConnectionTitle.
void InitDialogFrame(HWND dialog, CoreContext& c, FrameDialog which, AddressPrefix prefix,
                     FillOwnControls fill_own);

// Inserts the 33 items (32 for the device slave address dialog) and selects slave_address.
void FillSlaveAddressCombo(HWND dialog, const AppState& app, int item_count = kSlaveAddressItems);
// Puts the title text and the selected connection's address in the caption, if one is chosen.
void ApplyConnectionTitle(HWND dialog, const CoreContext& c, FrameDialog which);
// CBN_SELCHANGE of the slave address combo.
void OnSlaveAddressComboChange(HWND dialog, AppState& app, int item_count = kSlaveAddressItems);

// Fills a combo with count items given by text(index) (UTF-8) in index order.
void FillCombo(HWND dialog, int control_id, std::string (*text)(int index), int count);
// The selected index, or -1 (CB_ERR) when no item is selected.
int ComboSelection(HWND dialog, int control_id);
// Selects index, or clears the selection for -1.
void SelectComboIndex(HWND dialog, int control_id, int index);

// A dialog's progress bar: range 0..range_max, step 1.
void SetupProgressBar(HWND dialog, int progress_id, int range_max);
// "全設定": on a start, disables "Close" and starts the sequence timer.
bool StartSendSequence(HWND dialog, CoreContext& c, const SendSequence& seq);
// Applies what OnSequenceTick asked for. draw_preview is called when the preview is due.
void ApplyTickResult(HWND dialog, const TickResult& r, const SendSequence& seq, int progress_id,
                     void (*draw_preview)(HWND dialog));

// What every feature dialog procedure hands to the frame first: a selection change of the
// slave address combo, "Close" (IDCANCEL; ignored while a sequence runs), MSG_SOCKET_REPLY,
// and for a dialog with a preview (preview_timer_id not 0) WM_PAINT, which lets the dialog
// paint normally and arms the preview tick. True when the message was one of these; the
// procedure then returns result.
bool OnFrameMessage(HWND dialog, UINT message, WPARAM wparam, CoreContext& c, int preview_timer_id,
                    INT_PTR& result);
// At the end of WM_INITDIALOG of a dialog with a preview: the first drawing 200 ms later.
void StartOpeningPreview(HWND dialog, AppState& app, int timer_id);

// The size of one character in code page 932 bytes as the edits count it: 1 for a character it
// cannot hold (kept as "?"), 2 for an external character's private-use stand-in.
int Cp932WidthOf(char32_t code_point);
// An edit that holds at most limit_bytes of code page 932: after a change, what the change
// inserted beyond the limit is dropped (whole characters) and the caret put after what was
// kept. accepted is the text after the last change and becomes the new one. True when the
// edit's text was put back (which notifies EN_CHANGE again).
bool FitEditToBytes(HWND edit, std::wstring& accepted, int limit_bytes);

// One line of a preview at (x, y) pixels inside the preview rectangle.
struct PreviewLine {
    int x = 0;
    int y = 0;
    std::wstring text;
};
// Draws the lines on a white background into the preview control without flicker: all of it
// goes into one off-screen bitmap, which is then copied onto the control at once. The text
// uses the control's font (the dialog's), black, without background.
void DrawPreviewLines(HWND control, const std::vector<PreviewLine>& lines);
// The same for lines from the core (UTF-8).
void DrawPreviewLines(HWND control, const std::vector<PreviewTextLine>& lines);

}  // namespace tvx

namespace tvx {

// MSG_SOCKET_REPLY has the number of the standard DM_REPOSITION, which the default dialog
// handling would act on (it moves the dialog) instead of reading the answer. So every dialog
// that can be active_dialog handles it itself: a feature dialog through OnFrameMessage, which
// calls this; any other one starts its procedure with
//     if (HandleSocketReplyMessage(message, c)) return TRUE;
// This takes the next answer piece and parses it, also in a dialog that never sends.
bool HandleSocketReplyMessage(UINT message, CoreContext& c);

}  // namespace tvx
