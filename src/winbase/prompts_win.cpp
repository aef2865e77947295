/*
 * Message boxes, beeps and file name dialogs behind the core's Prompts seam.
 *
 * Owns no state. Every box is modal and runs its own message loop on the calling thread, which
 * is always the user-interface thread (serial replies are parsed there too, one line at a
 * time). Owners: every box and file dialog is owned by ProgramBoxOwner, the program's topmost
 * enabled window (application-modal): it stays over the dialog it belongs to, a click on the
 * program brings it forward, and its closing gives the activation back to the program, also
 * when it was raised by a timer, a serial line or a socket event while another program was in
 * front. Only before the main window exists is a box task-modal without an owner.
 */
#include "winbase/prompts_win.h"

#include <commdlg.h>

#include <initializer_list>

#include "model/file_commands.h"
#include "winbase/file_system_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

constexpr UINT kSimpleBeep = 0xFFFFFFFF;  // the speaker beep of MessageBeep
constexpr std::size_t kFileDialogChars = 8192;

// The file dialogs make the folder the user browsed to the current one, which keeps it in use
// (a USB stick could then not be removed safely): it is put back when the dialog ends.
// OFN_NOCHANGEDIR would do it only for the save dialog.
struct CurrentFolderKeeper {
    std::wstring folder;
    CurrentFolderKeeper() {
        DWORD length = GetCurrentDirectoryW(0, nullptr);
        if (length == 0) return;
        folder.assign(length, L'\0');
        length = GetCurrentDirectoryW(length, folder.data());
        folder.resize(length < folder.size() ? length : 0);
    }
    ~CurrentFolderKeeper() {
        if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
    }
};

// A window that can own a box: alive and on screen.
bool OnScreen(HWND window) {
    return window && IsWindow(window) && IsWindowVisible(window);
}

struct OwnedSearch {
    HWND owner;
    HWND enabled = nullptr;
    HWND disabled = nullptr;
};

BOOL CALLBACK FindOwnedPopup(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    if (window == search->owner || GetWindow(window, GW_OWNER) != search->owner ||
        !IsWindowVisible(window)) {
        return TRUE;
    }
    if (IsWindowEnabled(window)) {
        search->enabled = window;
        return FALSE;
    }
    if (!search->disabled) search->disabled = window;
    return TRUE;
}

// The box flags for an owner: application-modal with one, task-modal without.
UINT Modality(HWND owner) {
    return owner ? MB_APPLMODAL : MB_TASKMODAL;
}

// Windows asks before replacing the name its dialog returns; a name the program still changed
// (an extension appended to "title.v2") is asked about here, in the same words.
bool MayReplace(HWND owner, const std::wstring& title, const std::string& path) {
    if (!WinFileSystem().FileExists(path)) return true;
    std::wstring name = Utf8ToWide(path);
    const std::size_t separator = name.find_last_of(L"\\/");
    if (separator != std::wstring::npos) name.erase(0, separator + 1);
    const std::wstring text = name + L" は既に存在します。\n上書きしますか?";
    return MessageBoxW(owner, text.c_str(), title.c_str(),
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | Modality(owner)) == IDYES;
}

struct WinPrompts : Prompts {
    void ShowErrorBox(std::string_view text, BoxIcon icon) override {
        MessageBeep(MB_ICONQUESTION);
        const UINT icon_flag = icon == BoxIcon::Stop ? MB_ICONSTOP : MB_ICONEXCLAMATION;
        HWND owner = ProgramBoxOwner();
        MessageBoxW(owner, Utf8ToWide(text).c_str(), L"Error", MB_OK | icon_flag | Modality(owner));
    }
    void ShowSuccessBox(std::string_view text) override {
        MessageBeep(MB_ICONQUESTION);
        HWND owner = ProgramBoxOwner();
        MessageBoxW(owner, Utf8ToWide(text).c_str(), L"Success", MB_OK | Modality(owner));
    }
    void ShowSetComplete() override {
        MessageBeep(kSimpleBeep);
        HWND owner = ProgramBoxOwner();
        MessageBoxW(owner, L"Success", L"設定完了", MB_OK | Modality(owner));
    }
    void ShowAcknowledgement(WindowHandle owner) override {
        MessageBeep(kSimpleBeep);
        HWND box_owner = ProgramBoxOwner(owner);
        MessageBoxW(box_owner, L"Success", L"設定完了", MB_OK | Modality(box_owner));
    }
    bool ConfirmNotAutoSwitching(WindowHandle owner) override {
        HWND box_owner = ProgramBoxOwner(owner);
        return MessageBoxW(box_owner, L"本機が自動切換えでない事を確認してください",
                           L"本機の確認", MB_YESNO | MB_ICONQUESTION | Modality(box_owner)) ==
               IDYES;
    }
    bool AskYesNo(std::string_view text, std::string_view caption,
                  WindowHandle owner = 0) override {
        HWND box_owner = ProgramBoxOwner(owner);
        return MessageBoxW(box_owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                           MB_YESNO | MB_ICONQUESTION | Modality(box_owner)) == IDYES;
    }
    void ShowPlainBox(std::string_view text, std::string_view caption, bool icon_stop) override {
        HWND owner = ProgramBoxOwner();
        MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                    MB_OK | (icon_stop ? MB_ICONSTOP : 0) | Modality(owner));
    }
    bool AskFileName(FileDialogKind kind, std::string& path_out) override {
        const FileDialogSetup setup = FileDialogSetupFor(kind, path_out);
        static wchar_t path[kFileDialogChars];
        CopyBounded(path, kFileDialogChars, Utf8ToWide(path_out));
        OPENFILENAMEW ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = ProgramBoxOwner();
        ofn.lpstrFilter = setup.filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = path;
        ofn.nMaxFile = kFileDialogChars;
        ofn.lpstrTitle = setup.title.c_str();
        ofn.Flags = setup.flags;
        ofn.lpstrDefExt = setup.default_extension.empty() ? nullptr
                                                          : setup.default_extension.c_str();
        const CurrentFolderKeeper keep_folder;
        for (;;) {
            const BOOL chosen = setup.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
            if (!chosen) return false;
            const std::string named = WideToUtf8(path);
            const std::string written = setup.save ? SavePathFor(kind, named) : named;
            // Answered No: the dialog comes back with the name as typed, as Windows' own does.
            if (written == named || MayReplace(ofn.hwndOwner, setup.title, written)) {
                path_out = written;
                return true;
            }
        }
    }
    void PaintGlyphGrid(WindowHandle dialog) override {
        HWND window = reinterpret_cast<HWND>(dialog);
        if (window && IsWindow(window)) SendMessageW(window, MSG_PAINT_GLYPH_GRID, 0, 0);
    }
    void RedrawFileName() override {
        HWND main = MainWindow();
        if (!main) return;
        // Covers the old name at once; the repaint that follows draws the current one.
        HDC dc = GetDC(main);
        if (dc) {
            const std::wstring blank_name = std::wstring(L"File Name") + std::wstring(46, L' ');
            SetBkMode(dc, OPAQUE);
            TextOutW(dc, 124, 132, blank_name.c_str(), static_cast<int>(blank_name.size()));
            ReleaseDC(main, dc);
        }
        InvalidateRect(main, nullptr, TRUE);
    }
};

struct FilterItem {
    const wchar_t* display;
    const wchar_t* pattern;
};

std::wstring FilterOf(std::initializer_list<FilterItem> items) {
    std::wstring filter;
    for (const FilterItem& item : items) {
        filter += item.display;
        filter += L'\0';
        filter += item.pattern;
        filter += L'\0';
    }
    filter += L'\0';
    return filter;
}

std::wstring Filter(const wchar_t* display, const wchar_t* pattern) {
    return FilterOf({{display, pattern}, {L"すべて(*.*)", L"*.*"}});
}

}  // namespace

Prompts& WindowsPrompts() {
    static WinPrompts prompts;
    return prompts;
}

namespace {
HWND g_scoped_owner = nullptr;
}  // namespace

BoxOwnerScope::BoxOwnerScope(HWND window) : previous(g_scoped_owner) {
    g_scoped_owner = window;
}

BoxOwnerScope::~BoxOwnerScope() {
    g_scoped_owner = previous;
}

HWND ProgramBoxOwner(WindowHandle preferred) {
    HWND start = reinterpret_cast<HWND>(preferred);
    if (!OnScreen(start) && OnScreen(g_scoped_owner)) start = g_scoped_owner;
    if (!OnScreen(start)) start = reinterpret_cast<HWND>(ProgramContext().app.active_dialog);
    if (!OnScreen(start)) start = MainWindow();
    if (!start || !IsWindow(start)) return nullptr;
    // A disabled window has a box or a dialog over it: the box goes over that one in turn.
    HWND owner = start;
    for (int depth = 0; depth < 8 && !IsWindowEnabled(owner); ++depth) {
        OwnedSearch search{owner};
        EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), FindOwnedPopup,
                          reinterpret_cast<LPARAM>(&search));
        HWND next = search.enabled ? search.enabled : search.disabled;
        if (!next) break;
        owner = next;
    }
    return owner;
}

FileDialogSetup FileDialogSetupFor(FileDialogKind kind, const std::string& initial_name) {
    FileDialogSetup setup;
    const DWORD open_flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    const DWORD save_flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    const std::string_view extension = SaveExtension(kind);
    // Without its dot: the dialog appends it to a name typed without one, before it checks
    // the name for overwriting.
    if (!extension.empty()) setup.default_extension = Utf8ToWide(extension.substr(1));
    switch (kind) {
        case FileDialogKind::OpenSettings:
        case FileDialogKind::OpenGlyphs:
        case FileDialogKind::OpenGlyphText:
            setup.title = L"ファイルのオープン";
            setup.flags = open_flags;
            break;
        case FileDialogKind::OpenTitlesCsv:
            setup.title = L"タイトルをCSVで読み込み";
            setup.flags = open_flags;
            break;
        case FileDialogKind::SaveTitlesCsv:
            setup.title = L"タイトルをCSVで書き出し";
            setup.flags = save_flags;
            setup.save = true;
            break;
        case FileDialogKind::OpenPicture:
            setup.title = L"画像ファイルを開く";
            setup.flags = open_flags;
            break;
        case FileDialogKind::SaveCommLog:
            setup.title = L"通信ログの保存";
            setup.flags = save_flags;
            setup.save = true;
            break;
        case FileDialogKind::SavePagePicture:
        case FileDialogKind::SaveContactSheet:
            setup.title = kind == FileDialogKind::SavePagePicture ? L"PNG で保存" : L"一覧を PNG で保存";
            setup.flags = save_flags;
            setup.save = true;
            break;
        case FileDialogKind::SaveSettings:
        case FileDialogKind::SaveGlyphs:
        case FileDialogKind::SaveGlyphText:
            setup.title = L"ファイルの保存";
            setup.flags = save_flags;
            setup.save = true;
            break;
        case FileDialogKind::SaveBitmap: {
            // "gm01.bmp" carries the glyph number the title names.
            std::wstring digits = L"01";
            if (initial_name.size() >= 4 && initial_name.compare(0, 2, "gm") == 0) {
                digits = Utf8ToWide(std::string_view(initial_name).substr(2, 2));
            }
            setup.title = L"外字登録番号" + digits + L"をbmpファイルで保存";
            setup.flags = save_flags;
            setup.save = true;
            break;
        }
    }
    switch (kind) {
        case FileDialogKind::OpenSettings:
        case FileDialogKind::SaveSettings:
            setup.filter = Filter(L"データ(*.dat)", L"*.dat");
            break;
        case FileDialogKind::OpenGlyphs:
        case FileDialogKind::SaveGlyphs:
            setup.filter = Filter(L"データ(*.tlm)", L"*.tlm");
            break;
        case FileDialogKind::OpenGlyphText:
        case FileDialogKind::SaveGlyphText:
            setup.filter = Filter(L"データ(*.txt)", L"*.txt");
            break;
        case FileDialogKind::SaveBitmap:
            setup.filter = Filter(L"データ(*.bmp)", L"*.bmp");
            break;
        case FileDialogKind::OpenTitlesCsv:
        case FileDialogKind::SaveTitlesCsv:
            setup.filter = FilterOf(
                {{L"CSV (*.csv)", L"*.csv"}, {L"テキスト (*.txt)", L"*.txt"}, {L"すべて (*.*)", L"*.*"}});
            break;
        case FileDialogKind::OpenPicture:
            setup.filter = FilterOf(
                {{L"画像 (*.bmp;*.png;*.jpg;*.jpeg;*.gif)", L"*.bmp;*.png;*.jpg;*.jpeg;*.gif"},
                 {L"すべて (*.*)", L"*.*"}});
            break;
        case FileDialogKind::SaveCommLog:
            setup.filter = FilterOf(
                {{L"ログ (*.log)", L"*.log"}, {L"テキスト (*.txt)", L"*.txt"}, {L"すべて (*.*)", L"*.*"}});
            break;
        case FileDialogKind::SavePagePicture:
        case FileDialogKind::SaveContactSheet:
            setup.filter = Filter(L"PNG(*.png)", L"*.png");
            break;
    }
    return setup;
}

std::wstring FrontPanelFileNameText(const char* current_file_name) {
    if (!current_file_name || current_file_name[0] == '\0') return L"File Name ";
    return Utf8ToWide(current_file_name);
}

}  // namespace tvx
