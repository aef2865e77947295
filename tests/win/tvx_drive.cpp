// A small driver for scripts (run.sh, bench_startup.sh): finds the program's main window and
// restores it, sends menu commands, waits for windows, and measures a start-up.
//
//   tvx_drive.exe restore                  restore the minimized main window and raise it
//   tvx_drive.exe menu ID                  send menu command ID to the main window
//   tvx_drive.exe wait-window TITLE [MS]   wait for a visible window with this title
//   tvx_drive.exe close-window TITLE       press Cancel in the window with this title
//   tvx_drive.exe wait-dialog [MS]         wait for a dialog of the program to be up
//   tvx_drive.exe close-dialog             press Cancel in the program's open dialog
//   tvx_drive.exe move-dialog X Y          move the program's open dialog to screen (X, Y)
//   tvx_drive.exe select ID INDEX          pick item INDEX of combo ID in the program's dialog
//   tvx_drive.exe type ID TEXT             put TEXT into edit ID of the program's dialog, as typed
//   tvx_drive.exe dblclick-dialog X Y      left double click at client (X, Y) of that dialog
//   tvx_drive.exe draw-dialog X1 Y1 X2 Y2  left drag in that dialog from (X1, Y1) to (X2, Y2)
//   tvx_drive.exe exit [MS]                send "ｱﾌﾟﾘｹｰｼｮﾝの終了" and wait for the program to end,
//                                          answering a question about unsaved titles with Yes
//   tvx_drive.exe bench EXE [CLASS]        start EXE, print the time to its main window and its
//                                          private memory, then end it through its menu; with
//                                          CLASS (another program) its window of that class,
//                                          ended with WM_CLOSE
//   tvx_drive.exe click ID                 press button ID of the program's dialog (posted, so
//                                          a box the press opens does not hold the driver)
//   tvx_drive.exe check ID                 click check box or radio button ID itself, so that it
//                                          changes its state as under the mouse
//   tvx_drive.exe repaints MS              for MS ms, the main window made to repaint every 20 ms:
//                                          prints how many repaints, their median and longest
//                                          time from the invalidation to the painted window
//   tvx_drive.exe ip ID A.B.C.D            put the address into IP address field ID
//   tvx_drive.exe dblclick-list ID INDEX   double click item INDEX of list box ID
//   tvx_drive.exe answer-box CAPTION BUTTON [MS]
//                                          wait for a message box with this caption, print its
//                                          text and press BUTTON (1 OK, 6 Yes, 7 No)
// Exit code 0 on success, 1 when the window or the program did not appear or end in time.
#include <windows.h>
#include <psapi.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "res/resource.h"
#include "support/window_driver_win.h"
#include "winbase/text_win.h"

namespace {

constexpr wchar_t kMainClass[] = L"TCP Server";

HWND WaitForMain(DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND main = FindWindowW(kMainClass, nullptr);
        if (main) return main;
        if (GetTickCount() - start > timeout_ms) return nullptr;
        Sleep(20);
    }
}

HWND WaitForTitle(const wchar_t* title, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowW(nullptr, title);
        if (window && IsWindowVisible(window)) return window;
        if (GetTickCount() - start > timeout_ms) return nullptr;
        Sleep(50);
    }
}

// The topmost dialog of the program, once it takes input (a dialog that opened another one
// on top of it does not).
HWND WaitForDialog(DWORD timeout_ms) {
    HWND main = WaitForMain(timeout_ms);
    if (!main) return nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    const DWORD start = GetTickCount();
    for (;;) {
        HWND dialog = tvx::test::FindProcessWindow(pid, L"#32770", nullptr);
        if (dialog && IsWindowEnabled(dialog)) return dialog;
        if (GetTickCount() - start > timeout_ms) return nullptr;
        Sleep(50);
    }
}

// Posts mouse messages at client points of the program's topmost dialog: "dblclick" a left
// double click at the first point; "draw" a press at the first, moves every 4 pixels to the
// second, and the release there, as a hand on the mouse gives.
int MouseInDialog(bool draw, int x1, int y1, int x2, int y2) {
    HWND dialog = WaitForDialog(2000);
    if (!dialog) return 1;
    auto post = [&](UINT message, WPARAM keys, int x, int y) {
        PostMessageW(dialog, message, keys, MAKELPARAM(x, y));
    };
    post(WM_LBUTTONDOWN, MK_LBUTTON, x1, y1);
    const int steps = draw ? (std::max(abs(x2 - x1), abs(y2 - y1)) / 4 + 1) : 0;
    for (int i = 1; i <= steps; ++i) {
        post(WM_MOUSEMOVE, MK_LBUTTON, x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps);
    }
    post(WM_LBUTTONUP, 0, draw ? x2 : x1, draw ? y2 : y1);
    if (!draw) {
        post(WM_LBUTTONDBLCLK, MK_LBUTTON, x1, y1);
        post(WM_LBUTTONUP, 0, x1, y1);
    }
    Sleep(100);
    return 0;
}

int Restore() {
    HWND main = WaitForMain(30000);
    if (!main) return 1;
    ShowWindowAsync(main, SW_RESTORE);
    Sleep(300);
    SetForegroundWindow(main);
    return 0;
}

int Menu(int id) {
    HWND main = WaitForMain(30000);
    if (!main) return 1;
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return 0;
}

int Exit(DWORD timeout_ms) {
    HWND main = WaitForMain(2000);
    if (!main) return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
    const DWORD start = GetTickCount();
    bool ended = false;
    while (process && !ended && GetTickCount() - start < timeout_ms) {
        ended = WaitForSingleObject(process, 50) == WAIT_OBJECT_0;
        // Titles were typed: "データを保存せずに終了しますか？" is answered Yes (no saving).
        if (HWND ask = tvx::test::FindProcessWindow(pid, L"#32770", L"TVX-5870")) {
            tvx::test::PressButton(ask, IDYES);
        }
    }
    if (process) CloseHandle(process);
    return ended ? 0 : 1;
}

int Select(int control_id, int index) {
    HWND dialog = WaitForDialog(2000);
    if (!dialog) return 1;
    HWND combo = GetDlgItem(dialog, control_id);
    if (!combo || SendMessageW(combo, CB_SETCURSEL, index, 0) == CB_ERR) return 1;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control_id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    return 0;
}

int Type(int control_id, const wchar_t* text) {
    HWND dialog = WaitForDialog(2000);
    HWND edit = dialog ? GetDlgItem(dialog, control_id) : nullptr;
    if (!edit) return 1;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return 0;
}

int Bench(const std::wstring& exe, const wchar_t* window_class) {
    LARGE_INTEGER frequency, started, shown;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    tvx::test::RunningProgram program;
    if (!tvx::test::StartProgram(exe, L"", program)) {
        std::fprintf(stderr, "tvx_drive: cannot start the program\n");
        return 1;
    }
    HWND main = nullptr;
    const DWORD limit = GetTickCount() + 60000;
    while (!main && GetTickCount() < limit) {
        main = tvx::test::FindProcessWindow(program.info.dwProcessId, window_class, nullptr);
        if (!main) Sleep(1);
    }
    QueryPerformanceCounter(&shown);
    if (!main) {
        std::fprintf(stderr, "tvx_drive: no main window within 60 s\n");
        tvx::test::StopProgram(program);
        return 1;
    }
    // Let start-up finish (configuration, COM port, read thread) before measuring memory.
    WaitForInputIdle(program.info.hProcess, 5000);
    Sleep(1000);
    // PagefileUsage is the commit charge, the process's private bytes (PrivateUsage of the
    // extended record is left 0 by Wine).
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(program.info.hProcess, &memory, sizeof(memory));
    const double ms = 1000.0 * static_cast<double>(shown.QuadPart - started.QuadPart) /
                      static_cast<double>(frequency.QuadPart);
    std::printf("start_to_main_window_ms %.1f\n", ms);
    std::printf("private_bytes_after_start %llu\n",
                static_cast<unsigned long long>(memory.PagefileUsage));
    std::printf("working_set_after_start %llu\n",
                static_cast<unsigned long long>(memory.WorkingSetSize));
    if (window_class == kMainClass) {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
    } else {
        PostMessageW(main, WM_CLOSE, 0, 0);
    }
    const DWORD code = tvx::test::WaitForExit(program, 10000);
    tvx::test::StopProgram(program);
    return code == 0 ? 0 : 1;
}

// A message box of the program with this caption, once it is up.
HWND WaitForBox(const wchar_t* caption, DWORD timeout_ms) {
    HWND main = WaitForMain(timeout_ms);
    DWORD pid = 0;
    if (main) GetWindowThreadProcessId(main, &pid);
    HWND box = main ? tvx::test::WaitForWindow(pid, L"#32770", caption, timeout_ms) : nullptr;
    return box && tvx::test::HasControl(box, 0xFFFF) ? box : nullptr;
}

int AnswerBox(const wchar_t* caption, int button, DWORD timeout_ms) {
    HWND box = WaitForBox(caption, timeout_ms);
    if (!box) return 1;
    std::printf("%s\n", tvx::WideToUtf8(tvx::test::MessageBoxText(box)).c_str());
    tvx::test::PressButton(box, button);
    return tvx::test::WaitForWindowGone(box, 5000) ? 0 : 1;
}

int Click(int control_id) {
    HWND dialog = WaitForDialog(2000);
    if (!dialog || !GetDlgItem(dialog, control_id)) return 1;
    tvx::test::PressButton(dialog, control_id);
    Sleep(100);
    return 0;
}

int Check(int control_id) {
    HWND dialog = WaitForDialog(2000);
    HWND button = dialog ? GetDlgItem(dialog, control_id) : nullptr;
    if (!button) return 1;
    SendMessageW(button, BM_CLICK, 0, 0);
    return 0;
}

int Repaints(DWORD duration_ms) {
    HWND main = WaitForMain(5000);
    if (!main) return 1;
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    const DWORD end = GetTickCount() + duration_ms;
    int missed = 0;
    while (GetTickCount() < end) {
        InvalidateRect(main, nullptr, FALSE);
        QueryPerformanceCounter(&start);
        // Painted once the update region is empty again (the window's own WM_PAINT did it).
        RECT pending;
        bool painted = false;
        for (int i = 0; i < 2000 && !painted; ++i) {
            painted = !GetUpdateRect(main, &pending, FALSE);
            if (!painted) Sleep(1);
        }
        QueryPerformanceCounter(&now);
        if (painted) {
            times.push_back(1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
        } else {
            ++missed;
        }
        Sleep(20);
    }
    std::sort(times.begin(), times.end());
    std::printf("repaints %zu median_ms %.1f longest_ms %.1f not_painted_in_2s %d\n",
                times.size(), times.empty() ? 0.0 : times[times.size() / 2],
                times.empty() ? 0.0 : times.back(), missed);
    return 0;
}

int SetIpAddress(int control_id, const wchar_t* text) {
    HWND dialog = WaitForDialog(2000);
    HWND field = dialog ? GetDlgItem(dialog, control_id) : nullptr;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!field || swscanf(text, L"%u.%u.%u.%u", &a, &b, &c, &d) != 4) return 1;
    SendMessageW(field, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
    return 0;
}

int DoubleClickListItem(int control_id, int index) {
    HWND dialog = WaitForDialog(2000);
    HWND list = dialog ? GetDlgItem(dialog, control_id) : nullptr;
    if (!list || SendMessageW(list, LB_SETCURSEL, index, 0) == LB_ERR) return 1;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(control_id, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
    Sleep(100);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: tvx_drive.exe restore|menu ID|wait-window TITLE [MS]|"
                     "close-window TITLE|wait-dialog [MS]|close-dialog|select ID INDEX|"
                     "type ID TEXT|dblclick-dialog X Y|draw-dialog X1 Y1 X2 Y2|exit [MS]|"
                     "bench EXE [CLASS]\n");
        return 2;
    }
    const std::wstring command = argv[1];
    if (command == L"restore") return Restore();
    if (command == L"menu" && argc >= 3) return Menu(_wtoi(argv[2]));
    if (command == L"wait-window" && argc >= 3) {
        return WaitForTitle(argv[2], argc >= 4 ? _wtoi(argv[3]) : 10000) ? 0 : 1;
    }
    if (command == L"close-window" && argc >= 3) {
        HWND window = WaitForTitle(argv[2], 2000);
        if (!window) return 1;
        tvx::test::PressButton(window, IDCANCEL);
        return tvx::test::WaitForWindowGone(window, 5000) ? 0 : 1;
    }
    if (command == L"wait-dialog") {
        return WaitForDialog(argc >= 3 ? _wtoi(argv[2]) : 10000) ? 0 : 1;
    }
    if (command == L"move-dialog" && argc >= 4) {
        HWND dialog = WaitForDialog(2000);
        if (!dialog) return 1;
        return SetWindowPos(dialog, nullptr, _wtoi(argv[2]), _wtoi(argv[3]), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    }
    if (command == L"close-dialog") {
        HWND dialog = WaitForDialog(2000);
        if (!dialog) return 1;
        tvx::test::PressButton(dialog, IDCANCEL);
        return tvx::test::WaitForWindowGone(dialog, 5000) ? 0 : 1;
    }
    if (command == L"select" && argc >= 4) return Select(_wtoi(argv[2]), _wtoi(argv[3]));
    if (command == L"type" && argc >= 4) return Type(_wtoi(argv[2]), argv[3]);
    if (command == L"dblclick-dialog" && argc >= 4) {
        return MouseInDialog(false, _wtoi(argv[2]), _wtoi(argv[3]), 0, 0);
    }
    if (command == L"draw-dialog" && argc >= 6) {
        return MouseInDialog(true, _wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]));
    }
    if (command == L"exit") return Exit(argc >= 3 ? _wtoi(argv[2]) : 10000);
    if (command == L"bench" && argc >= 3) return Bench(argv[2], argc >= 4 ? argv[3] : kMainClass);
    if (command == L"click" && argc >= 3) return Click(_wtoi(argv[2]));
    if (command == L"check" && argc >= 3) return Check(_wtoi(argv[2]));
    if (command == L"repaints" && argc >= 3) return Repaints(static_cast<DWORD>(_wtoi(argv[2])));
    if (command == L"ip" && argc >= 4) return SetIpAddress(_wtoi(argv[2]), argv[3]);
    if (command == L"dblclick-list" && argc >= 4) {
        return DoubleClickListItem(_wtoi(argv[2]), _wtoi(argv[3]));
    }
    if (command == L"answer-box" && argc >= 4) {
        return AnswerBox(argv[2], _wtoi(argv[3]), argc >= 5 ? _wtoi(argv[4]) : 10000);
    }
    std::fprintf(stderr, "tvx_drive: unknown command\n");
    return 2;
}
