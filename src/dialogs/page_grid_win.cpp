/*
 * The page-grid dialogs "タイトル表示の設定", "表示ページ割り付け" and "自動切換えの設定".
 *
 * One procedure serves the three templates; a GridWindow row names each template's controls
 * and its rules (dialogs/page_grid.h). The opening function keeps the open dialog's state
 * (the row and its send sequence) on its own stack for as long as DialogBoxParamW runs, and
 * the procedure finds it through DWLP_USER. Runs on the user-interface thread over the
 * program's objects (ProgramContext). Combo changes go to the model at once and redraw the
 * preview; the timer (the sequence's id) draws the preview after opening and painting, and
 * performs the "全設定" steps.
 */
#include "dialogs/page_grid_win.h"

#include "dialogs/frame_win.h"
#include "dialogs/page_grid.h"
#include "res/resource.h"
#include "winbase/program_win.h"

namespace tvx {

namespace {

struct GridWindow {
    const PageGrid* grid;
    int template_id;
    int preview_id;
    int value_id;
    int same_id;  // 0: no "Same ..." combo
    int set_id;
    int set_all_id;
    int progress_id;
};

const GridWindow kTitleDisplayWindow = {
    &kTitleDisplayGrid,        IDD_TITLE_DISPLAY,          IDC_TITLE_DISPLAY_PREVIEW,
    IDC_TITLE_DISPLAY_FLAG,    IDC_TITLE_DISPLAY_SAME,     IDC_TITLE_DISPLAY_SET,
    IDC_TITLE_DISPLAY_SET_ALL, IDC_TITLE_DISPLAY_PROGRESS,
};
const GridWindow kPageAssignmentWindow = {
    &kPageAssignmentGrid, IDD_PAGE_ASSIGNMENT,    IDC_ASSIGNMENT_PREVIEW,  IDC_ASSIGNMENT_TITLE, 0,
    IDC_ASSIGNMENT_SET,   IDC_ASSIGNMENT_SET_ALL, IDC_ASSIGNMENT_PROGRESS,
};
const GridWindow kAutoSwitchingWindow = {
    &kAutoSwitchingGrid,        IDD_AUTO_SWITCHING,          IDC_AUTO_SWITCHING_PREVIEW,
    IDC_AUTO_SWITCHING_TIME,    IDC_AUTO_SWITCHING_SAME,     IDC_AUTO_SWITCHING_SET,
    IDC_AUTO_SWITCHING_SET_ALL, IDC_AUTO_SWITCHING_PROGRESS,
};

// The open dialog: its row and its running sequence.
struct OpenGrid {
    const GridWindow* window;
    SendSequence sequence;
};

OpenGrid& GridOf(HWND dialog) {
    return *reinterpret_cast<OpenGrid*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void ShowSelections(HWND dialog, const CoreContext& c) {
    const GridWindow& w = *GridOf(dialog).window;
    PageGridSelection s = PageGridSelections(*w.grid, c.model, c.app);
    SelectComboIndex(dialog, IDC_GRID_CHANNEL, s.position);
    SelectComboIndex(dialog, IDC_GRID_PAGE, s.page);
    SelectComboIndex(dialog, w.value_id, s.value);
    if (w.same_id) SelectComboIndex(dialog, w.same_id, s.same);
}

void DrawPreview(HWND dialog) {
    const GridWindow& w = *GridOf(dialog).window;
    CoreContext& c = ProgramContext();
    DrawPreviewLines(GetDlgItem(dialog, w.preview_id), PageGridPreview(*w.grid, c.model, c.app));
}

void FillGridCombos(HWND dialog, CoreContext& c) {
    const GridWindow& w = *GridOf(dialog).window;
    FillCombo(dialog, IDC_GRID_CHANNEL, PositionItemText, kPositionItems);
    FillCombo(dialog, IDC_GRID_PAGE, NumberItemText, kNumberItems);
    FillCombo(dialog, w.value_id, w.grid->value_item_text, w.grid->value_items);
    if (w.same_id) FillCombo(dialog, w.same_id, w.grid->value_item_text, w.grid->value_items);
    ShowSelections(dialog, c);
}

// A choice in one of the grid's combos: stored, then the combos and the preview follow.
void OnGridCombo(HWND dialog, CoreContext& c, int id) {
    const GridWindow& w = *GridOf(dialog).window;
    int index = ComboSelection(dialog, id);
    bool changed = false;
    if (id == IDC_GRID_CHANNEL) changed = OnGridPositionSelected(c.app, index);
    if (id == IDC_GRID_PAGE) changed = OnGridPageSelected(c.app, index);
    if (id == w.value_id) changed = OnGridValueSelected(*w.grid, c.model, c.app, index);
    if (w.same_id && id == w.same_id) changed = OnGridSameSelected(*w.grid, c.model, c.app, index);
    if (!changed) return;
    ShowSelections(dialog, c);
    DrawPreview(dialog);
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    OpenGrid& open = GridOf(dialog);
    const GridWindow& w = *open.window;
    if (id == IDC_GRID_CHANNEL || id == IDC_GRID_PAGE || id == w.value_id ||
        (w.same_id && id == w.same_id)) {
        if (code == CBN_SELCHANGE) OnGridCombo(dialog, c, id);
        return TRUE;
    }
    if (id == w.set_id) {
        if (code == BN_CLICKED) OnGridSet(*w.grid, c);
        return TRUE;
    }
    if (id == w.set_all_id) {
        if (code == BN_CLICKED) StartSendSequence(dialog, c, open.sequence);
        return TRUE;
    }
    return FALSE;
}

void OnTimer(HWND dialog, CoreContext& c) {
    OpenGrid& open = GridOf(dialog);
    const PageGrid& grid = *open.window->grid;
    TickResult r = OnSequenceTick(c, open.sequence, [&grid](CoreContext& cc, int k) {
        return GridSequenceStep(grid, cc, k);
    });
    ApplyTickResult(dialog, r, open.sequence, open.window->progress_id, DrawPreview);
}

INT_PTR CALLBACK PageGridDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    CoreContext& c = ProgramContext();
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        const GridWindow& w = *GridOf(dialog).window;
        InitDialogFrame(dialog, c, w.grid->dialog, AddressPrefix::On, FillGridCombos);
        SetupProgressBar(dialog, w.progress_id, w.grid->progress_max);
        StartOpeningPreview(dialog, c.app, w.grid->sequence.timer_id);
        return TRUE;
    }
    // Messages that come before WM_INITDIALOG find no state yet.
    if (GetWindowLongPtrW(dialog, DWLP_USER) == 0) return FALSE;
    const int timer_id = GridOf(dialog).window->grid->sequence.timer_id;
    INT_PTR result = FALSE;
    if (OnFrameMessage(dialog, message, wparam, c, timer_id, result)) return result;
    switch (message) {
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        case WM_TIMER:
            if (wparam != static_cast<WPARAM>(timer_id)) return FALSE;
            OnTimer(dialog, c);
            return TRUE;
        default:
            return FALSE;
    }
}

void OpenGridDialog(HWND owner, const GridWindow& window) {
    OpenGrid open = {&window, SendSequence{window.grid->sequence}};
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(window.template_id), owner,
                    PageGridDialogProc, reinterpret_cast<LPARAM>(&open));
}

}  // namespace

void OpenTitleDisplayDialog(HWND owner) {
    OpenGridDialog(owner, kTitleDisplayWindow);
}

void OpenPageAssignmentDialog(HWND owner) {
    OpenGridDialog(owner, kPageAssignmentWindow);
}

void OpenAutoSwitchingDialog(HWND owner) {
    OpenGridDialog(owner, kAutoSwitchingWindow);
}

}  // namespace tvx
