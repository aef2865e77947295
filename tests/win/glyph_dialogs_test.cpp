// The external character dialogs in-process: the real templates and procedures, the mouse as
// posted messages, the grid and cells as the screen shows them, glyph and bitmap files on the
// disk, with recorders in place of the message boxes and the link.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/menu_commands_win.h"
#include "glyphs/glyph_list_win.h"
#include "glyphs/glyph_window_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

using Writes = std::vector<std::string>;
using Calls = std::vector<std::string>;

class GlyphDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ProgramGlyphState() = GlyphState{};
    }
};

// Opens the list, and from it the editor on the cell at (x, y) with a left double click.
void DriveEditorFromList(int x, int y, const std::function<void(HWND list, HWND editor)>& act) {
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND list) {
        ASSERT_TRUE(DriveModalDialog(
            [&] { SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y)); },
            [&](HWND editor) { act(list, editor); }));
    }));
}

void Post(HWND window, UINT message, WPARAM keys, int x, int y) {
    PostMessageW(window, message, keys, MAKELPARAM(x, y));
}

// The colour the screen shows at (x, y) of a control's client area.
COLORREF ScreenPixel(HWND control, int x, int y) {
    HDC dc = GetDC(control);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return colour;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string TempPath(const char* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return WideToUtf8(dir) + name;
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
           static_cast<unsigned char>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

TEST_F(GlyphDialogTest, EditorDrawsPostedMouseEditsIntoTheModelAndOntoTheGrid) {
    std::memset(c.model.glyph_pattern[4], 'F', 8);  // row 0 lit
    DriveEditorFromList(12 + 114 * 4 + 50, 60, [&](HWND list, HWND editor) {
        EXPECT_EQ(c.app.current_glyph_index, 4);
        EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(editor));
        EXPECT_EQ(c.app.reply_owner_window, reinterpret_cast<WindowHandle>(list));
        EXPECT_EQ(ControlText(editor, 0), L"外字登録 ");  // client role: the title text
        EXPECT_EQ(ComboItems(editor, IDC_GLYPH_NUMBER).size(), 64u);
        EXPECT_EQ(SendDlgItemMessageW(editor, IDC_GLYPH_NUMBER, CB_GETCURSEL, 0, 0), 4);
        for (int id : {IDC_GLYPH_OPEN, IDC_GLYPH_SAVE, IDC_GLYPH_SAVE_AS}) {
            HWND button = GetDlgItem(editor, id);
            EXPECT_TRUE(button && !IsWindowVisible(button) && !IsWindowEnabled(button)) << id;
        }
        Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, 27, 24);  // dot (1, 1)
        Post(editor, WM_MOUSEMOVE, MK_LBUTTON, 42, 24);    // dot (2, 1)
        Post(editor, WM_LBUTTONUP, 0, 42, 24);
        // A double click: only its first press edits, and no drag follows the second.
        Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, 57, 24);
        Post(editor, WM_LBUTTONUP, 0, 57, 24);
        Post(editor, WM_LBUTTONDBLCLK, MK_LBUTTON, 87, 24);
        Post(editor, WM_MOUSEMOVE, MK_LBUTTON, 102, 24);
        Post(editor, WM_LBUTTONUP, 0, 102, 24);
        Post(editor, WM_RBUTTONDOWN, MK_RBUTTON, 27, 24);
        Post(editor, WM_RBUTTONUP, 0, 27, 24);
        PumpMessages(300);
        EXPECT_EQ(std::string(c.model.glyph_pattern[4], 10), "FFFFFFFF30");
        EXPECT_EQ(std::string(c.model.glyph_receive_buffer, 10), "FFFFFFFF30");
        EXPECT_EQ(ProgramGlyphState().glyph_modified, 1);
        HWND grid = GetDlgItem(editor, IDC_GLYPH_GRID);
        RECT place;
        GetWindowRect(grid, &place);
        MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, 12);
        EXPECT_EQ(place.top, 12);
        EXPECT_EQ(ScreenPixel(grid, 15 * 3 + 7, 12 + 6), RGB(255, 255, 255));  // dot (3, 1)
        EXPECT_EQ(ScreenPixel(grid, 15 * 1 + 7, 12 + 6), RGB(0, 0, 255));      // dot (1, 1)
        EXPECT_EQ(ScreenPixel(grid, 15, 12), RGB(0, 0, 0));
        EXPECT_EQ(ScreenPixel(grid, 100, 5), RGB(255, 255, 255));  // row 0 from the model
        ClickButton(editor, IDCANCEL);
    });
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_TRUE(link.serial_writes.empty());
}

TEST_F(GlyphDialogTest, GlyphFileSavedAndOpenedAndCellsShowThePages) {
    SetProgramFileSystem(nullptr);  // the real disk
    const std::string base = TempPath("glyphs");
    DeleteFileW(Utf8ToWide(base + ".tlm").c_str());
    c.model.glyph_pattern[0][0] = 'F';
    c.model.glyph_pattern[159][255] = 'A';
    c.model.glyph_pattern[48][0] = '8';
    ASSERT_TRUE(DriveModalDialog([] { RunMenuCommand(nullptr, IDM_GLYPH_LIST); }, [&](HWND d) {
        EXPECT_EQ(ControlText(d, 0), L"外字一覧");
        EXPECT_EQ(ComboItems(d, IDC_GLYPH_PAGE),
                  (std::vector<std::wstring>{L"No. 1～16", L"No.17～32", L"No.33～48",
                                             L"No.49～64"}));
        EXPECT_EQ(ControlText(d, IDC_GLYPH_NUMBER_BOX_FIRST + 15), L"No.16");
        prompts.file_names = {base};
        ClickButton(d, IDC_GLYPH_SAVE_AS);
        ClickButton(d, IDC_GLYPH_CLEAR);  // nothing drawn in the editor: no question
        EXPECT_EQ(c.model.glyph_pattern[0][0], '0');
        prompts.file_names = {base + ".tlm"};
        ClickButton(d, IDC_GLYPH_OPEN);
        SelectComboItem(d, IDC_GLYPH_PAGE, 3);
        EXPECT_EQ(ControlText(d, IDC_GLYPH_NUMBER_BOX_FIRST), L"No.49");
        HWND cell = GetDlgItem(d, IDC_GLYPH_CELL_FIRST);
        EXPECT_EQ(ScreenPixel(cell, 1, 1), RGB(255, 255, 255));  // glyph 49, dot (0, 0)
        EXPECT_EQ(ScreenPixel(cell, 4, 4), RGB(0, 0, 255));
    }));
    const std::string file = ReadFileBytes(Utf8ToWide(base + ".tlm"));
    ASSERT_EQ(file.size(), 122880u);
    EXPECT_EQ(file.substr(0, 6), "F\r\n0\r\n");
    EXPECT_EQ(file.substr(file.size() - 3), "A\r\n");
    EXPECT_EQ(c.model.glyph_pattern[0][0], 'F');
    EXPECT_EQ(c.model.glyph_pattern[159][255], 'A');
    EXPECT_EQ(ProgramGlyphState().glyph_list_page, 3);
    EXPECT_EQ(prompts.calls, (Calls{"ask-file(3)", "ask-file(2)"}));
}

TEST_F(GlyphDialogTest, RightDoubleClickExportsTheCellAsDisplayed) {
    SetProgramFileSystem(nullptr);
    c.model.glyph_pattern[1][0] = '8';  // cell 1: dot (0, 0) lit
    const std::string one = TempPath("cell1");
    const std::string narrow = TempPath("cell6.bmp");
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND d) {
        PumpMessages(300);  // the opening draw
        prompts.file_names = {one, narrow};
        SendMessageW(d, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(12 + 114 + 40, 11));
        SendMessageW(d, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(12 + 114 * 6, 105));
        SendMessageW(d, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(107, 50));  // no cell
    }));
    EXPECT_EQ(prompts.calls, (Calls{"ask-file(6)", "ask-file(6)"}));
    EXPECT_STREQ(ProgramGlyphState().bmp_export_path, narrow.c_str());
    const std::string bmp = ReadFileBytes(Utf8ToWide(one + ".bmp"));
    ASSERT_EQ(bmp.size(), 27702u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bmp, 2), 27702u);
    EXPECT_EQ(Le32(bmp, 10), 54u);
    EXPECT_EQ(Le32(bmp, 18), 96u);
    EXPECT_EQ(Le32(bmp, 22), 96u);
    EXPECT_EQ(Le32(bmp, 28) & 0xFFFF, 24u);
    auto pixel = [&](int x, int y) { return bmp.substr(54 + (95 - y) * 288 + 3 * x, 3); };
    EXPECT_EQ(pixel(0, 0), "\xFF\xFF\xFF");  // the lit dot
    EXPECT_EQ(pixel(3, 3), std::string("\0\0\0", 3));
    EXPECT_EQ(pixel(4, 4), std::string("\xFF\0\0", 3));  // blue, stored blue first
    const std::string cut = ReadFileBytes(Utf8ToWide(narrow));
    ASSERT_GE(cut.size(), 54u);
    EXPECT_EQ(Le32(cut, 18), 93u);  // the narrower cell loses columns at the right
    EXPECT_EQ(cut.size(), 54u + 280u * 96u);
}

TEST_F(GlyphDialogTest, ListWithTcpIpDisablesTheAddressAndRefusesTransfers) {
    c.app.interface_type = 1;
    c.app.selected_connection = -1;
    c.app.address_prefix_on = 1;
    c.app.slave_address = 5;
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND d) {
        EXPECT_EQ(ControlText(d, 0), L"外字一覧（中文字）");  // no connection chosen
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_SLAVE_ADDRESS)));
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_SLAVE_ADDRESS, CB_GETCURSEL, 0, 0), CB_ERR);
        ClickButton(d, IDC_GLYPH_READ);
        EXPECT_EQ(c.app.glyph_bulk_read_running, 0);
        SendMessageW(d, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 130));  // between rows
        EXPECT_EQ(FindThreadDialog(), d);
    }));
    EXPECT_EQ(prompts.calls, Calls{"error(exclamation): Socket が接続されていません"});
}

TEST_F(GlyphDialogTest, InsertionSendsTheGCommandAndEnterCloses) {
    c.app.slave_address = 2;
    c.app.selected_title_index = 4;
    c.app.current_glyph_index = 22;
    ProgramGlyphState().glyph_insert_position = 1;
    bool closed_by_itself = false;
    ASSERT_TRUE(DriveModalDialog(
        [] { RunMenuCommand(nullptr, IDM_GLYPH_INSERT); },
        [&](HWND d) {
            EXPECT_EQ(ControlText(d, 0), L"外字挿入 ");
            EXPECT_EQ(ControlText(d, IDC_GLYPH_NUMBER), L"23");
            EXPECT_EQ(ComboItems(d, IDC_GLYPH_INSERT_TITLE).back(), L"144");
            EXPECT_EQ(ComboItems(d, IDC_GLYPH_INSERT_POSITION).size(), 21u);
            SelectComboItem(d, IDC_GLYPH_NUMBER, 11);
            SelectComboItem(d, IDC_GLYPH_INSERT_POSITION, 2);
            ClickButton(d, IDC_GLYPH_INSERT_SET);
            SelectComboItem(d, IDC_GLYPH_INSERT_TITLE, 39);
            ClickButton(d, IDOK);
        },
        10000, &closed_by_itself));
    EXPECT_TRUE(closed_by_itself);
    EXPECT_EQ(link.serial_writes, Writes{"02G12T005I03\r\n"});
    EXPECT_EQ(c.app.selected_title_index, 39);  // the title dialog opens on it
    EXPECT_EQ(c.app.current_glyph_index, 11);
}

}  // namespace
}  // namespace tvx::test
