// The yardstick of scripts/bench_startup.sh: about the least a Win32 program of the program's
// kind costs at start-up. It loads the DLLs tvx5870.exe imports (their names are read from the
// program by the script and given here as TVX_YARDSTICK_DLLS), carries the program's manifest,
// and shows one window. The script builds it with the release build's flags and measures it
// beside the program, so that the program's own share can be read from the ratio.
#include <windows.h>

namespace {

const wchar_t* const kDlls[] = {TVX_YARDSTICK_DLLS};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    for (const wchar_t* dll : kDlls) LoadLibraryW(dll);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TVX5870 Yardstick";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(wc.lpszClassName, L"yardstick", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 200, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
