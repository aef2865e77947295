// Out-of-process window driving through window handles, which Wine shares across processes of
// one prefix like Windows does.
#include "support/window_driver_win.h"

#include <cstdlib>

#include "winbase/text_win.h"

namespace tvx::test {

namespace {

struct FindRequest {
    DWORD process_id;
    const wchar_t* class_name;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK FindWindowProc(HWND window, LPARAM param) {
    auto* request = reinterpret_cast<FindRequest*>(param);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    if (owner_process != request->process_id || !IsWindowVisible(window)) return TRUE;
    if (request->class_name) {
        wchar_t class_name[64] = {};
        GetClassNameW(window, class_name, 64);
        if (wcscmp(class_name, request->class_name) != 0) return TRUE;
    }
    if (request->title && WindowTextOf(window) != request->title) return TRUE;
    request->found = window;
    return FALSE;
}

}  // namespace

std::wstring WinePathFromEnv(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !*value) return std::wstring();
    std::wstring path = L"Z:" + Utf8ToWide(value);
    for (wchar_t& ch : path) {
        if (ch == L'/') ch = L'\\';
    }
    return path;
}

bool StartProgram(const std::wstring& exe, const std::wstring& arguments, RunningProgram& program) {
    std::wstring command_line = L"\"" + exe + L"\"";
    if (!arguments.empty()) command_line += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    program = RunningProgram{};
    program.started = CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, nullptr, &startup, &program.info) != 0;
    return program.started;
}

DWORD WaitForExit(RunningProgram& program, DWORD timeout_ms) {
    if (!program.started) return STILL_ACTIVE;
    if (WaitForSingleObject(program.info.hProcess, timeout_ms) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(program.info.hProcess, &code);
    return code;
}

void StopProgram(RunningProgram& program) {
    if (!program.started) return;
    if (WaitForSingleObject(program.info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(program.info.hProcess, 1);
        WaitForSingleObject(program.info.hProcess, 5000);
    }
    CloseHandle(program.info.hThread);
    CloseHandle(program.info.hProcess);
    program.started = false;
}

HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title) {
    FindRequest request{process_id, class_name, title, nullptr};
    EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&request));
    return request.found;
}

HWND WaitForWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title,
                   DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindProcessWindow(process_id, class_name, title);
        if (window) return window;
        if (GetTickCount() - start > timeout_ms) return nullptr;
        Sleep(50);
    }
}

std::wstring MessageBoxText(HWND box) {
    return WindowTextOf(GetDlgItem(box, 0xFFFF));
}

bool HasControl(HWND window, int control_id) {
    return GetDlgItem(window, control_id) != nullptr;
}

void PressButton(HWND window, int control_id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, control_id)));
}

bool WaitForWindowGone(HWND window, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(50);
    }
    return true;
}

}  // namespace tvx::test
