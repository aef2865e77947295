// In-process dialog driving: a thread timer looks for the dialog once its modal loop runs and
// then hands it to the test's actions, still inside that loop.
#include "support/dialog_driver_win.h"

#include "dialogs/comm_log_win.h"
#include "winbase/text_win.h"

namespace tvx::test {

namespace {

struct DriveState {
    const std::function<void(HWND)>* act = nullptr;
    DWORD deadline = 0;
    bool found = false;
    bool timed_out = false;
    bool forced = false;
    HWND dialog = nullptr;
    UINT_PTR timer = 0;
    UINT_PTR watchdog = 0;
};
DriveState* g_drive = nullptr;

BOOL CALLBACK FindDialogProc(HWND window, LPARAM result) {
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    // The modeless log window stays enabled under a modal dialog; it is never the one driven.
    if (wcscmp(class_name, L"#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window) &&
        window != CommLogWindow()) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK WatchdogTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    DriveState* state = g_drive;
    if (!state) return;
    KillTimer(nullptr, state->watchdog);
    state->watchdog = 0;
    if (IsWindow(state->dialog)) {
        state->forced = true;
        PostMessageW(state->dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void CALLBACK DriveTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    DriveState* state = g_drive;
    if (!state || state->found || state->timed_out) return;
    HWND dialog = FindThreadDialog();
    if (!dialog) {
        if (GetTickCount() > state->deadline) {
            state->timed_out = true;
            KillTimer(nullptr, state->timer);
        }
        return;
    }
    state->found = true;
    state->dialog = dialog;
    KillTimer(nullptr, state->timer);
    (*state->act)(dialog);
    // A dialog that ended itself leaves its modal loop before this fires.
    if (IsWindow(dialog)) state->watchdog = SetTimer(nullptr, 0, 500, WatchdogTimerProc);
}

struct StepDrive {
    std::vector<std::function<bool(HWND)>> steps;
    std::size_t next = 0;
    DWORD deadline = 0;
};
StepDrive* g_steps = nullptr;

void CALLBACK StepTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    StepDrive* drive = g_steps;
    HWND top = FindThreadDialog();
    if (!drive || !top) return;
    if (drive->next < drive->steps.size() && drive->steps[drive->next](top)) ++drive->next;
    if (drive->next < drive->steps.size() && GetTickCount() > drive->deadline)
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace

bool DriveSteps(const std::function<void()>& open, std::vector<std::function<bool(HWND)>> steps,
                DWORD timeout_ms) {
    StepDrive drive{std::move(steps), 0, GetTickCount() + timeout_ms};
    StepDrive* outer = g_steps;
    g_steps = &drive;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, StepTimerProc);
    open();
    KillTimer(nullptr, timer);
    g_steps = outer;
    return drive.next == drive.steps.size();
}

HWND FileNameBox(HWND window) {
    HWND name = GetDlgItem(window, 0x47c);  // the file name box (combo cmb13, or edt1)
    return name ? name : GetDlgItem(window, 0x480);
}

HWND FindThreadDialog() {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

bool DriveModalDialog(const std::function<void()>& open, const std::function<void(HWND)>& act,
                      DWORD timeout_ms, bool* closed_by_itself) {
    DriveState state;
    state.act = &act;
    state.deadline = GetTickCount() + timeout_ms;
    // A dialog opened by the actions of another can be driven too: the outer drive resumes after.
    DriveState* outer = g_drive;
    g_drive = &state;
    state.timer = SetTimer(nullptr, 0, 20, DriveTimerProc);
    open();
    if (!state.found && !state.timed_out) KillTimer(nullptr, state.timer);
    if (state.watchdog) KillTimer(nullptr, state.watchdog);
    g_drive = outer;
    if (closed_by_itself) *closed_by_itself = state.found && !state.forced;
    return state.found;
}

HWND MessageOnlyWindow(const wchar_t* class_name, WNDPROC procedure) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = class_name;
    RegisterClassW(&wc);  // fails harmlessly when already registered
    return CreateWindowExW(0, class_name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                           nullptr);
}

void PumpMessages(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    while (GetTickCount() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void SelectComboItem(HWND dialog, int control_id, int index) {
    HWND combo = GetDlgItem(dialog, control_id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control_id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

void ClickButton(HWND dialog, int control_id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, control_id)));
}

std::vector<std::wstring> ComboItems(HWND dialog, int control_id) {
    std::vector<std::wstring> items;
    HWND combo = GetDlgItem(dialog, control_id);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(wcslen(text.c_str()));
        items.push_back(text);
    }
    return items;
}

std::wstring ControlText(HWND dialog, int control_id) {
    return WindowTextOf(control_id == 0 ? dialog : GetDlgItem(dialog, control_id));
}

}  // namespace tvx::test
