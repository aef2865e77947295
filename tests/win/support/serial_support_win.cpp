// Support of the in-process serial link tests (support/serial_support_win.h).
#include "support/serial_support_win.h"

#include <cstdlib>

#include "app/main_window_win.h"
#include "dialogs/comm_log_win.h"
#include "link/send.h"
#include "link/serial_win.h"
#include "support/dialog_driver_win.h"
#include "support/sim_log.h"
#include "winbase/program_win.h"

namespace tvx::test {

namespace {

LRESULT CALLBACK LinkWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case MSG_SERIAL_LINE:
            DrainSerialLines(ProgramContext());
            return 0;
        case WM_TIMER:
            if (wparam == kTestTimerId) CheckReplyTimeout(ProgramContext());
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

void PortLink::WriteSerial(const char* bytes, std::size_t length) {
    RecordingLink::WriteSerial(bytes, length);
    WriteSerialPort(bytes, length);
}

HWND LinkWindow() {
    static HWND window = MessageOnlyWindow(L"SerialLinkTestWindow", LinkWindowProc);
    return window;
}

bool OpenTestSerialLink(std::vector<std::string>& open_calls) {
    CoreContext& c = ProgramContext();
    RecordingPrompts open_prompts;
    SetProgramPrompts(&open_prompts);
    c.app.com_port_index = 0;
    const bool opened = OpenSerialPort(c);
    open_calls = open_prompts.calls;
    const bool started = opened && StartSerialReadThread(LinkWindow(), MSG_SERIAL_LINE);
    SetProgramPrompts(nullptr);
    return opened && started;
}

void CloseTestSerialLink() {
    StopSerialReadThread();
    CloseSerialPort();
}

HWND StartMainWindowAndLink(bool& quiet) {
    RecordingPrompts start_prompts;
    SetProgramPrompts(&start_prompts);
    RegisterMainWindowClass(ProgramInstance());
    HWND main = CreateMainWindow(ProgramInstance());
    StartCommLogFiles();
    if (main) StartSerialLink(ProgramContext(), main, MSG_SERIAL_LINE);
    quiet = start_prompts.calls.empty();
    SetProgramPrompts(nullptr);
    return main;
}

void StopMainWindowAndLink(HWND main) {
    StopSerialLink();
    DestroyWindow(main);
}

std::wstring SimLogPath() {
    const wchar_t* path = _wgetenv(L"TVX_SIM_LOG_WIN");
    return path ? path : L"";
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

std::vector<std::string> SimFrames(const std::string& direction) {
    std::vector<std::string> frames;
    for (const SimLogEntry& e : ReadSimLog(SimLogPath())) {
        if (e.transport == "serial" && e.direction == direction) frames.push_back(e.bytes);
    }
    return frames;
}

std::size_t CountSimFrames(const std::string& direction, const std::string& bytes) {
    std::size_t n = 0;
    for (const std::string& frame : SimFrames(direction)) n += frame == bytes;
    return n;
}

bool WaitForNextSimFrame(const std::string& direction, const std::string& bytes, std::size_t before,
                         DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    while (CountSimFrames(direction, bytes) <= before) {
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace tvx::test
