// Figures of the window "ページの見え方..." under Wine: the median time of a redraw after a change
// of page (the picture drawn from the model, converted and shown with StretchDIBits), after a
// change of font (the font read from GDI and every character drawn anew), and of
// "一覧を PNG で保存..." into memory. Every title holds 20 kanji and an external character, so each
// page draws four full lines. Prints figures only; scripts/bench_pages.sh runs it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/menu_commands_win.h"
#include "model/cp932.h"
#include "res/resource.h"
#include "support/bench_timing_win.h"
#include "support/dialog_driver_win.h"
#include "support/memory_stores.h"
#include "support/recorders.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace {

// 144 titles of 20 kanji and glyph 1, each title its own run of the kanji of code page 932.
void FillTitles(tvx::SettingsModel& model) {
    std::string bytes;
    for (char32_t ch = U'亜'; bytes.size() < 144 * 40; ++ch) {
        const int code = tvx::EncodeCp932(ch);
        if (code < 0x8140) continue;
        bytes += static_cast<char>(code >> 8);
        bytes += static_cast<char>(code & 0xFF);
    }
    for (int t = 0; t < tvx::kTitleCount; ++t) {
        const std::string title = bytes.substr(static_cast<std::size_t>(t) * 40, 40) + "\x10\x20";
        title.copy(model.title_text[t], title.size());
        model.title_text[t][title.size()] = '\0';
    }
    for (int k = 0; k < tvx::kGlyphPatternChars; ++k) model.glyph_pattern[0][k] = "F0"[k % 2];
}

}  // namespace

int main() {
    tvx::test::RecordingPrompts prompts;
    tvx::test::RecordingLink link;
    tvx::test::MemoryFileSystem files;
    tvx::test::MemoryIniStore ini;
    SetProgramPrompts(&prompts);
    SetProgramLink(&link);
    SetProgramFileSystem(&files);
    SetProgramIniStore(&ini);
    tvx::CoreContext& c = ProgramContext();
    tvx::ResetToDefaults(c.model, c.app);
    FillTitles(c.model);
    return tvx::test::DriveModalDialog(
               [] { tvx::RunMenuCommand(nullptr, IDM_PAGE_VIEW); },
               [&](HWND dialog) {
                   HWND picture = GetDlgItem(dialog, IDC_PAGE_VIEW_PICTURE);
                   const std::wstring font = tvx::test::ControlText(dialog, IDC_PAGE_VIEW_FONT);
                   const int font_index = static_cast<int>(
                       SendDlgItemMessageW(dialog, IDC_PAGE_VIEW_FONT, CB_GETCURSEL, 0, 0));
                   const double page = tvx::test::MedianMs(100, [&](int i) {
                       tvx::test::SelectComboItem(dialog, IDC_PAGE_VIEW_PAGE,
                                                  (i * 7) % tvx::kPageCount);
                       UpdateWindow(picture);
                   });
                   const double font_change = tvx::test::MedianMs(9, [&](int) {
                       tvx::test::SelectComboItem(dialog, IDC_PAGE_VIEW_FONT, font_index);
                       UpdateWindow(picture);
                   });
                   const double sheet = tvx::test::MedianMs(3, [&](int) {
                       prompts.file_names = {"C:\\bench\\pages"};
                       tvx::test::ClickButton(dialog, IDC_PAGE_VIEW_SAVE_SHEET);
                   });
                   std::printf("page view under Wine, font %s, 84 characters a page:\n",
                               tvx::WideToUtf8(font).c_str());
                   std::printf("  redraw after a page change   %7.2f ms (median of 100)\n", page);
                   std::printf(
                       "  redraw after a font change   %7.2f ms (median of 9, the font read "
                       "anew)\n",
                       font_change);
                   std::printf("  contact sheet saved as PNG   %7.2f ms (median of 3, %zu bytes)\n",
                               sheet, files.files["C:\\bench\\pages.png"].size());
                   tvx::test::ClickButton(dialog, IDCANCEL);
               })
               ? 0
               : 1;
}
