// Drives the program's modal dialogs in-process, as a user would: the dialog is opened by its
// real opening function and, once it is up, the test's actions run inside its modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tvx::test {

// Calls open() (which shows a modal dialog and returns when it ends) and runs act(dialog) as
// soon as a dialog of this thread is up. When act returns and the dialog is still open, it is
// ended with IDCANCEL (after a short grace, so a close the actions caused can happen first;
// *closed_by_itself tells which). False when no dialog showed up within timeout_ms.
bool DriveModalDialog(const std::function<void()>& open, const std::function<void(HWND)>& act,
                      DWORD timeout_ms = 10000, bool* closed_by_itself = nullptr);

// Windows that come up one after the other while open() runs (a box, the file dialog it leads
// to, the box that dialog raises): each step is offered the enabled dialog on top until it
// takes it (returns true). False when a step was still waiting after timeout_ms; the window
// on top is then cancelled.
bool DriveSteps(const std::function<void()>& open, std::vector<std::function<bool(HWND)>> steps,
                DWORD timeout_ms = 20000);
// The file name box of a common file dialog, or null for any other window.
HWND FileNameBox(HWND window);

// The top-level dialog (class #32770) of this thread that is visible and enabled, or null; the
// modeless communication log window does not count.
HWND FindThreadDialog();

// A hidden message-only window of this thread with this procedure, standing in for the window
// a message is addressed to (the main window, a dialog); its class is registered as needed.
HWND MessageOnlyWindow(const wchar_t* class_name, WNDPROC procedure);

// Dispatches this thread's messages (timers included) for the given time.
void PumpMessages(DWORD milliseconds);

// The user picks item index in the combo: selection plus the CBN_SELCHANGE notification.
void SelectComboItem(HWND dialog, int control_id, int index);
// The user presses the button: BN_CLICKED to the dialog.
void ClickButton(HWND dialog, int control_id);
// Item texts of a combo box, in order.
std::vector<std::wstring> ComboItems(HWND dialog, int control_id);
// The text of a control (or of the dialog itself for control_id 0).
std::wstring ControlText(HWND dialog, int control_id);

}  // namespace tvx::test
