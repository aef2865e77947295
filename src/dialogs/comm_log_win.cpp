/*
 * The window "通信ログ" and the day files of the communication log.
 *
 * A modeless dialog from the template IDD_COMM_LOG, without an owner (so that the modal dialogs
 * do not disable it and minimizing the main window does not hide it); the message loop passes
 * its messages through IsDialogMessage. The list is a virtual list view over the log's ring:
 * each row is drawn from the entry it shows, nothing is copied. The log tells the window of
 * new entries through its on_added hook, which posts one MSG_LOG_ADDED until the window has
 * handled it, so a burst of entries costs one refresh. Entries dropped from the front of the
 * full ring move the selection and the view with them.
 *
 * Owns: the window handle, the day-file sink (for the process's life) and the last place
 * written to the configuration file. Threads: user-interface thread only, like the log.
 */
#include "dialogs/comm_log_win.h"

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "model/comm_log.h"
#include "model/config.h"
#include "res/resource.h"
#include "winbase/file_system_win.h"
#include "winbase/program_win.h"
#include "winbase/prompts_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

HWND g_window = nullptr;
bool g_refresh_posted = false;
std::uint64_t g_shown_first = 0;  // number of the entry the list's first row showed
LogWindowPlacement g_written{};   // the place last written to the configuration file
bool g_place_written = false;

// Columns of the list: what each shows of an entry, and its width in pixels.
enum Column { kTime, kLink, kAddress, kKind, kText, kMeaning, kColumns };
struct ColumnInfo {
    const wchar_t* title;
    int width;
};
constexpr ColumnInfo kColumnInfo[kColumns] = {
    {L"時刻", 90}, {L"回線", 100},   {L"アドレス", 64},
    {L"種類", 44}, {L"データ", 330}, {L"意味", 250},
};

constexpr int kMinWidth = 420;
constexpr int kMinHeight = 200;
constexpr int kMargin = 6;
constexpr int kGap = 6;

// The day files always go to the disk, whatever file system a test gives the dialogs.
DayFileSink& DaySink() {
    static WinFileSystem files;
    static DayFileSink sink(files, CommLogFolder());
    return sink;
}

HWND List() {
    return GetDlgItem(g_window, IDC_LOG_LIST);
}

std::string ColumnText(const LogEntry& e, int column) {
    switch (column) {
        case kTime:
            return FormatLogTime(e.time).substr(11);  // the date is in the copy and the files
        case kLink:
            return e.link;
        case kAddress:
            return e.address;
        case kKind:
            return std::string(LogKindName(e.kind, ProgramCommLog().words));
        case kText:
            return e.text;
        case kMeaning:
            return e.meaning;
        default:
            return {};
    }
}

void OnGetDisplayInfo(NMLVDISPINFOW* info) {
    LVITEMW& item = info->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const CommLog& log = ProgramCommLog();
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= LogSize(log)) {
        item.pszText[0] = L'\0';
        return;
    }
    const LogEntry& e = LogEntryAt(log, static_cast<std::size_t>(item.iItem));
    CopyBounded(item.pszText, static_cast<std::size_t>(item.cchTextMax),
                Utf8ToWide(ColumnText(e, item.iSubItem)));
}

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
        rows.push_back(i);
    }
    return rows;
}

std::wstring StatusText() {
    const CommLog& log = ProgramCommLog();
    DayFileSink& sink = DaySink();
    if (LogSinkActive(log, sink)) return L"ファイル: " + Utf8ToWide(sink.folder);
    if (!sink.failed_path.empty() &&
        IsDlgButtonChecked(g_window, IDC_LOG_TO_FILES) == BST_CHECKED) {
        return Utf8ToWide(sink.FailureNote());
    }
    return L"ファイルには記録していません";
}

void UpdateStatus() {
    const std::wstring text = StatusText();
    if (WindowTextOf(GetDlgItem(g_window, IDC_LOG_STATUS)) != text)
        SetDlgItemTextW(g_window, IDC_LOG_STATUS, text.c_str());
}

// New entries: the list grows; it follows them when its last row was in view, and keeps its
// rows and selection on the same entries when older ones left the ring.
void Refresh() {
    g_refresh_posted = false;
    HWND list = List();
    const CommLog& log = ProgramCommLog();
    const int shown = ListView_GetItemCount(list);
    const int count = static_cast<int>(LogSize(log));
    const std::uint64_t gone64 = log.first - g_shown_first;
    const int gone = gone64 > static_cast<std::uint64_t>(shown) ? shown : static_cast<int>(gone64);
    const bool following =
        shown == 0 || ListView_GetTopIndex(list) + ListView_GetCountPerPage(list) >= shown;
    if (gone > 0) {
        const std::vector<int> selected = SelectedRows(list);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int row : selected) {
            if (row - gone >= 0)
                ListView_SetItemState(list, row - gone, LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    ListView_SetItemCountEx(list, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    if (gone > 0) {
        if (!following) {
            RECT row = {};
            if (ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS))
                ListView_Scroll(list, 0, -gone * (row.bottom - row.top));
        }
        InvalidateRect(list, nullptr, FALSE);
    }
    if (following && count > 0) ListView_EnsureVisible(list, count - 1, FALSE);
    g_shown_first = log.first;
    UpdateStatus();
}

void Copy() {
    HWND list = List();
    const CommLog& log = ProgramCommLog();
    std::string text;
    for (int row : SelectedRows(list))
        text += FormatLogLines(log, static_cast<std::size_t>(row), 1);
    if (text.empty()) return;
    const std::wstring wide = Utf8ToWide(text);
    if (!OpenClipboard(g_window)) return;
    EmptyClipboard();
    const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory) {
        void* at = GlobalLock(memory);
        if (at) {
            std::memcpy(at, wide.c_str(), bytes);
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void SelectAll() {
    ListView_SetItemState(List(), -1, LVIS_SELECTED, LVIS_SELECTED);
}

void SetDayFiles(bool on) {
    CommLog& log = ProgramCommLog();
    if (on) {
        if (!DaySink().folder.empty()) StartDayFiles(log, DaySink());
    } else {
        RemoveLogSink(log, DaySink());
    }
    WriteLogToFiles(ProgramIniStore(), on);
    UpdateStatus();
}

// The list fills the window; the buttons and the check box sit under it, the status line last.
void Layout(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    auto height_of = [dialog](int id) {
        RECT r;
        GetWindowRect(GetDlgItem(dialog, id), &r);
        return r.bottom - r.top;
    };
    auto width_of = [dialog](int id) {
        RECT r;
        GetWindowRect(GetDlgItem(dialog, id), &r);
        return r.right - r.left;
    };
    const int button_h = height_of(IDC_LOG_COPY);
    const int status_h = height_of(IDC_LOG_STATUS);
    const int width = client.right - 2 * kMargin;
    const int status_y = client.bottom - kMargin - status_h;
    const int buttons_y = status_y - kGap - button_h;
    HDWP moves = BeginDeferWindowPos(6);
    auto place = [&](int id, int x, int y, int w, int h) {
        if (moves) {
            moves = DeferWindowPos(moves, GetDlgItem(dialog, id), nullptr, x, y, w, h,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
        }
    };
    place(IDC_LOG_LIST, kMargin, kMargin, width, buttons_y - kGap - kMargin);
    int x = kMargin;
    for (int id : {IDC_LOG_COPY, IDC_LOG_SAVE, IDC_LOG_CLEAR}) {
        place(id, x, buttons_y, width_of(id), button_h);
        x += width_of(id) + kGap;
    }
    const int check_h = height_of(IDC_LOG_TO_FILES);
    place(IDC_LOG_TO_FILES, x + kGap, buttons_y + (button_h - check_h) / 2,
          width_of(IDC_LOG_TO_FILES), check_h);
    place(IDC_LOG_STATUS, kMargin, status_y, width, status_h);
    if (moves) EndDeferWindowPos(moves);
}

LogWindowPlacement CurrentPlace(HWND dialog) {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    RECT r = {};
    if (IsIconic(dialog) || IsZoomed(dialog)) {
        GetWindowPlacement(dialog, &wp);
        r = wp.rcNormalPosition;
    } else {
        GetWindowRect(dialog, &r);
    }
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void KeepPlace(HWND dialog) {
    const LogWindowPlacement p = CurrentPlace(dialog);
    if (g_place_written && p.left == g_written.left && p.top == g_written.top &&
        p.width == g_written.width && p.height == g_written.height)
        return;
    if (WriteLogWindowPlacement(ProgramIniStore(), p)) {
        g_written = p;
        g_place_written = true;
    }
}

// The place kept last time, when it is still on a screen; else the template's size, centred.
void RestorePlace(HWND dialog) {
    LogWindowPlacement p;
    if (ReadLogWindowPlacement(ProgramIniStore(), p)) {
        const int width = p.width < kMinWidth ? kMinWidth : p.width;
        const int height = p.height < kMinHeight ? kMinHeight : p.height;
        RECT r = {p.left, p.top, p.left + width, p.top + height};
        if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
            SetWindowPos(dialog, nullptr, p.left, p.top, width, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            g_written = p;
            g_place_written = true;
            return;
        }
    }
    RECT r;
    GetWindowRect(dialog, &r);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                 SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
}

void OnInit(HWND dialog) {
    g_window = dialog;
    HWND list = GetDlgItem(dialog, IDC_LOG_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int i = 0; i < kColumns; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumnInfo[i].title);
        column.cx = kColumnInfo[i].width;
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
    CheckDlgButton(dialog, IDC_LOG_TO_FILES,
                   ReadLogToFiles(ProgramIniStore()) ? BST_CHECKED : BST_UNCHECKED);
    g_shown_first = ProgramCommLog().first;
    ListView_SetItemCountEx(list, 0, 0);
    RestorePlace(dialog);
    Layout(dialog);
    ProgramCommLog().on_added = [] {
        if (g_window && !g_refresh_posted) {
            g_refresh_posted = PostMessageW(g_window, MSG_LOG_ADDED, 0, 0) != FALSE;
        }
    };
    Refresh();
}

void OnDestroy(HWND dialog) {
    KeepPlace(dialog);
    ProgramCommLog().on_added = nullptr;
    g_window = nullptr;
    g_refresh_posted = false;
}

INT_PTR OnNotify(const NMHDR* header) {
    if (header->idFrom != IDC_LOG_LIST) return FALSE;
    switch (header->code) {
        case LVN_GETDISPINFOW:
            OnGetDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header)));
            return TRUE;
        case LVN_KEYDOWN: {
            const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
            const bool control = GetKeyState(VK_CONTROL) < 0;
            if (control && key->wVKey == 'C') Copy();
            if (control && key->wVKey == 'A') SelectAll();
            return TRUE;
        }
        default:
            return FALSE;
    }
}

INT_PTR OnCommand(HWND dialog, int id, int code) {
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_LOG_COPY:
            Copy();
            return TRUE;
        case IDC_LOG_SAVE: {
            // The file dialog and its box belong to this window, not to the main window (which
            // may be minimized) or a dialog.
            const BoxOwnerScope over_log(dialog);
            SaveCommLogAs(ProgramCommLog(), ProgramContext().prompts, ProgramFileSystem());
            return TRUE;
        }
        case IDC_LOG_CLEAR:
            ClearLog(ProgramCommLog());
            ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_SetItemCountEx(List(), 0, 0);
            g_shown_first = ProgramCommLog().first;
            return TRUE;
        case IDC_LOG_TO_FILES:
            SetDayFiles(IsDlgButtonChecked(dialog, IDC_LOG_TO_FILES) == BST_CHECKED);
            return TRUE;
        case IDCANCEL:  // Esc
            DestroyWindow(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK CommLogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case MSG_LOG_ADDED:
            Refresh();
            return TRUE;
        case WM_SIZE:
            Layout(dialog);
            return TRUE;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
            limits->ptMinTrackSize.x = kMinWidth;
            limits->ptMinTrackSize.y = kMinHeight;
            return TRUE;
        }
        case WM_EXITSIZEMOVE:
            KeepPlace(dialog);
            return TRUE;
        case WM_NOTIFY:
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
            return OnNotify(reinterpret_cast<const NMHDR*>(lparam));
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wparam), HIWORD(wparam));
        case WM_CLOSE:
            DestroyWindow(dialog);
            return TRUE;
        case WM_DESTROY:
            OnDestroy(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void OpenCommLogWindow(HWND) {
    if (g_window) {
        if (IsIconic(g_window)) ShowWindow(g_window, SW_RESTORE);
        SetForegroundWindow(g_window);
        return;
    }
    HWND window = CreateDialogParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_COMM_LOG), nullptr,
                                     CommLogProc, 0);
    if (window) ShowWindow(window, SW_SHOW);
}

HWND CommLogWindow() {
    return g_window;
}

void CloseCommLogWindow() {
    if (g_window) DestroyWindow(g_window);
}

std::string CommLogFolder() {
    const std::wstring folder = UserDataFolder();
    return folder.empty() ? std::string() : WideToUtf8(folder + L"\\logs\\");
}

void StartCommLogFiles() {
    if (DaySink().folder.empty() || !ReadLogToFiles(ProgramIniStore())) return;
    StartDayFiles(ProgramCommLog(), DaySink());
}

}  // namespace tvx
