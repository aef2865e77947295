// Figures of the external character drawing under Wine: a full redraw of the editor's grid and
// of the list's 16 cells, as the program draws them (one off-screen picture, one copy per
// control), next to the same pictures drawn with a new pen and brush for every dot. Each is the
// median of many redraws in the real dialogs, in milliseconds. Prints figures only;
// scripts/bench_glyphs.sh runs it under Wine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "glyphs/glyph_list_win.h"
#include "glyphs/glyph_pattern.h"
#include "res/resource.h"
#include "support/bench_timing_win.h"
#include "support/dialog_driver_win.h"
#include "support/recorders.h"
#include "winbase/program_win.h"

namespace {

constexpr int kRuns = 200;

double MedianMs(const std::function<void()>& draw) {
    return tvx::test::MedianMs(kRuns, [&](int) { draw(); });
}

// The 1024 dots of a pattern, each a Rectangle with a pen and a brush made for it.
void DrawPerDot(HWND control, const char* pattern, int dot_width, int dot_height) {
    HDC dc = GetDC(control);
    for (int k = 0; k < tvx::kGlyphDots * tvx::kGlyphDots; ++k) {
        const int column = k % tvx::kGlyphDots;
        const int row = k / tvx::kGlyphDots;
        const bool lit = tvx::DotLit(pattern, column, row);
        HPEN pen = CreatePen(PS_SOLID, 1, lit ? RGB(255, 255, 255) : RGB(0, 0, 0));
        HBRUSH brush = CreateSolidBrush(lit ? RGB(255, 255, 255) : RGB(0, 0, 255));
        HGDIOBJ old_pen = SelectObject(dc, pen);
        HGDIOBJ old_brush = SelectObject(dc, brush);
        Rectangle(dc, column * dot_width, row * dot_height, (column + 1) * dot_width,
                  (row + 1) * dot_height);
        DeleteObject(SelectObject(dc, old_brush));
        DeleteObject(SelectObject(dc, old_pen));
    }
    ReleaseDC(control, dc);
}

void Report(const char* what, double ours, double per_dot) {
    std::printf("%-20s one picture %7.3f ms   pen and brush per dot %7.3f ms   (x%.1f)\n", what,
                ours, per_dot, per_dot / ours);
}

}  // namespace

int main() {
    tvx::test::RecordingPrompts prompts;
    tvx::test::RecordingLink link;
    SetProgramPrompts(&prompts);
    SetProgramLink(&link);
    tvx::CoreContext& c = ProgramContext();
    tvx::ResetToDefaults(c.model, c.app);
    for (auto& slot : c.model.glyph_pattern) {
        for (int k = 0; k < tvx::kGlyphPatternChars; ++k) slot[k] = (k / 8) % 2 ? 'A' : '5';
    }
    std::printf("full redraws under Wine, median of %d each:\n", kRuns);
    return tvx::test::DriveModalDialog([] { tvx::OpenGlyphListDialog(nullptr); }, [&](HWND list) {
        int page = 0;
        const double list_ours = MedianMs(
            [&] { tvx::test::SelectComboItem(list, IDC_GLYPH_PAGE, page = (page + 1) % 4); });
        const double list_per_dot = MedianMs([&] {
            for (int i = 0; i < tvx::kListCells; ++i) {
                DrawPerDot(GetDlgItem(list, IDC_GLYPH_CELL_FIRST + i), c.model.glyph_pattern[i],
                           tvx::kCellDot, tvx::kCellDot);
                SetDlgItemTextW(list, IDC_GLYPH_NUMBER_BOX_FIRST + i, L"No.1");
            }
        });
        tvx::test::DriveModalDialog(
            [&] { SendMessageW(list, WM_LBUTTONDBLCLK, 0, MAKELPARAM(20, 20)); },
            [&](HWND editor) {
                HWND grid = GetDlgItem(editor, IDC_GLYPH_GRID);
                Report("editor grid 480x384",
                       MedianMs([&] { SendMessageW(editor, MSG_PAINT_GLYPH_GRID, 0, 0); }),
                       MedianMs([&] {
                           DrawPerDot(grid, c.model.glyph_receive_buffer, tvx::kGridDotWidth,
                                      tvx::kGridDotHeight);
                       }));
                Report("list 16 cells 96x96", list_ours, list_per_dot);
                tvx::test::ClickButton(editor, IDCANCEL);
            });
        tvx::test::ClickButton(list, IDCANCEL);
    }) ? 0 : 1;
}
