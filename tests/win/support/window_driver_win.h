// Drives another process's windows from a test: start the program, wait for its windows and
// message boxes, read their texts, press their buttons, wait for the process to end.
#pragma once

#include <windows.h>

#include <string>

namespace tvx::test {

// The Windows form of a Unix path held in an environment variable (Wine maps Z: to /); empty
// when the variable is not set.
std::wstring WinePathFromEnv(const char* variable);

struct RunningProgram {
    PROCESS_INFORMATION info = {};
    bool started = false;
};

// Starts the program with the given command line arguments; false when it could not start.
bool StartProgram(const std::wstring& exe, const std::wstring& arguments, RunningProgram& program);
// Waits for the process to end; its exit code, or STILL_ACTIVE on time-out.
DWORD WaitForExit(RunningProgram& program, DWORD timeout_ms);
// Ends the process if it still runs, and closes the handles.
void StopProgram(RunningProgram& program);

// A visible top-level window of the process with this class (null = any) and exact title
// (null = any), waiting up to timeout_ms.
HWND WaitForWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title,
                   DWORD timeout_ms);
// The same, once, without waiting.
HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title);

// The text of a message box (its static text, id 0xFFFF).
std::wstring MessageBoxText(HWND box);
// True when the window (a message box or dialog) holds a control with this id.
bool HasControl(HWND window, int control_id);
// Posts the button press of control_id (IDOK, IDYES, ...) to a message box or dialog.
void PressButton(HWND window, int control_id);
// Waits until the window is gone.
bool WaitForWindowGone(HWND window, DWORD timeout_ms);

}  // namespace tvx::test
