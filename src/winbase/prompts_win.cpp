/*
 * Message boxes, beeps and file name dialogs behind the core's Prompts seam.
 *
 * Owns no state. Every box is modal and runs its own message loop on the calling thread, which
 * is always the user-interface thread (serial replies are parsed there too, one line at a
 * time). Owners: boxes of the core have no owner and are task-modal; the acknowledgement of a
 * serial "GO" is owned by reply_owner_window, the auto-switching question and the external
 * character dialogs' "新規作成" question by the asking dialog, the file dialogs by the window
 * active when they are asked for.
 */
#include "winbase/prompts_win.h"

#include <commdlg.h>

#include <initializer_list>

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

HWND OwnerOrNull(WindowHandle owner) {
    HWND window = reinterpret_cast<HWND>(owner);
    // A dialog that has closed since it was recorded cannot own a box any more.
    return (window && IsWindow(window)) ? window : nullptr;
}

struct WinPrompts : Prompts {
    void ShowErrorBox(std::string_view text, BoxIcon icon) override {
        MessageBeep(MB_ICONQUESTION);
        const UINT icon_flag = icon == BoxIcon::Stop ? MB_ICONSTOP : MB_ICONEXCLAMATION;
        MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"Error", MB_OK | icon_flag | MB_TASKMODAL);
    }
    void ShowSuccessBox(std::string_view text) override {
        MessageBeep(MB_ICONQUESTION);
        MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"Success", MB_OK | MB_TASKMODAL);
    }
    void ShowSetComplete() override {
        MessageBeep(kSimpleBeep);
        MessageBoxW(nullptr, L"Success", L"設定完了", MB_OK | MB_TASKMODAL);
    }
    void ShowAcknowledgement(WindowHandle owner) override {
        MessageBeep(kSimpleBeep);
        MessageBoxW(OwnerOrNull(owner), L"Success", L"設定完了", MB_OK | MB_TASKMODAL);
    }
    bool ConfirmNotAutoSwitching(WindowHandle owner) override {
        return MessageBoxW(OwnerOrNull(owner), L"本機が自動切換えでない事を確認してください",
                           L"本機の確認", MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    bool AskYesNo(std::string_view text, std::string_view caption,
                  WindowHandle owner = 0) override {
        HWND owner_window = OwnerOrNull(owner);
        return MessageBoxW(owner_window, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                           MB_YESNO | MB_ICONQUESTION | (owner_window ? 0 : MB_TASKMODAL)) ==
               IDYES;
    }
    void ShowPlainBox(std::string_view text, std::string_view caption, bool icon_stop) override {
        MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(),
                    MB_OK | (icon_stop ? MB_ICONSTOP : 0) | MB_TASKMODAL);
    }
    bool AskFileName(FileDialogKind kind, std::string& path_out) override {
        const FileDialogSetup setup = FileDialogSetupFor(kind, path_out);
        static wchar_t path[kFileDialogChars];
        CopyBounded(path, kFileDialogChars, Utf8ToWide(path_out));
        OPENFILENAMEW ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = GetActiveWindow();
        ofn.lpstrFilter = setup.filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = path;
        ofn.nMaxFile = kFileDialogChars;
        ofn.lpstrTitle = setup.title.c_str();
        ofn.Flags = setup.flags;
        const CurrentFolderKeeper keep_folder;
        const BOOL chosen = setup.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
        if (!chosen) return false;
        path_out = WideToUtf8(path);
        return true;
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

FileDialogSetup FileDialogSetupFor(FileDialogKind kind, const std::string& initial_name) {
    FileDialogSetup setup;
    const DWORD open_flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    const DWORD save_flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
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
        case FileDialogKind::SaveCommLog:
            setup.title = L"通信ログの保存";
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
        case FileDialogKind::SaveCommLog:
            setup.filter = FilterOf(
                {{L"ログ (*.log)", L"*.log"}, {L"テキスト (*.txt)", L"*.txt"}, {L"すべて (*.*)", L"*.*"}});
            break;
    }
    return setup;
}

std::wstring FrontPanelFileNameText(const char* current_file_name) {
    if (!current_file_name || current_file_name[0] == '\0') return L"File Name ";
    return Utf8ToWide(current_file_name);
}

}  // namespace tvx
