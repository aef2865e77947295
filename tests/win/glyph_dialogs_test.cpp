// The external character dialogs: the real templates and procedures, the mouse as posted
// messages, the grid and cells as the screen shows them, glyph and bitmap files on the disk,
// and the transfers through the main window, the COM port and its read thread to the device
// simulator on COM1. The list's timer ticks are sent directly, each after the reply to the one
// before, so a bulk run takes as long as its exchanges instead of 64 x 2 s.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/menu_commands_win.h"
#include "glyphs/glyph_list_win.h"
#include "glyphs/glyph_window_win.h"
#include "link/serial_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "support/serial_support_win.h"
#include "support/sim_log.h"
#include "tcp_support.h"
#include "winbase/prompts_win.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

using Texts = std::vector<std::string>;

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

std::string TempPath(const char* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return WideToUtf8(dir) + name;
}

std::string ReadDiskFile(const std::string& path) {
    std::ifstream in(Utf8ToWide(path).c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// The simulator runs for the whole process: each test looks only at what came after its start.
std::size_t g_log_start = 0;
std::vector<SimLogEntry> SimLog() {
    return ReadSimLog(_wgetenv(L"TVX_SIM_LOG_WIN"));
}
Texts SimFrames(const char* direction, const std::string& prefix) {
    Texts frames;
    const std::vector<SimLogEntry> log = SimLog();
    for (std::size_t i = g_log_start; i < log.size(); ++i) {
        if (log[i].direction == direction && log[i].bytes.rfind(prefix, 0) == 0) {
            frames.push_back(log[i].bytes);
        }
    }
    return frames;
}

std::string Owned(const char* what, WindowHandle owner) {
    return std::string(what) + "(owner=" + std::to_string(owner) + ")";
}

// Records the request and draws the grid as the program does.
struct PaintingPrompts : RecordingPrompts {
    void PaintGlyphGrid(WindowHandle dialog) override {
        RecordingPrompts::PaintGlyphGrid(dialog);
        WindowsPrompts().PaintGlyphGrid(dialog);
    }
};

class GlyphDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ProgramGlyphState() = GlyphState{};
    }
};

// The program's main window drains the reply lines; the port stays open for the whole process.
class GlyphTransferTest : public GlyphDialogTest {
  protected:
    static void SetUpTestSuite() { main_ = StartMainWindowAndLink(started_quietly_); }
    static void TearDownTestSuite() { StopMainWindowAndLink(main_); }
    void SetUp() override {
        GlyphDialogTest::SetUp();
        ASSERT_TRUE(main_ && started_quietly_);
        SetProgramLink(nullptr);  // the real COM port
        SetProgramPrompts(&painting);
        g_log_start = SimLog().size();
    }
    PaintingPrompts painting;
    static HWND main_;
    static bool started_quietly_;
};
HWND GlyphTransferTest::main_ = nullptr;
bool GlyphTransferTest::started_quietly_ = false;

TEST_F(GlyphTransferTest, EditorDrawsWithTheMouseRegistersAndReadsBack) {
    const std::string drawn = std::string(8, '0') + "38" + std::string(246, '0');
    WindowHandle list_handle = 0;
    WindowHandle editor_handle = 0;
    ASSERT_TRUE(DriveModalDialog([] { RunMenuCommand(nullptr, IDM_GLYPH_LIST); }, [&](HWND list) {
        list_handle = reinterpret_cast<WindowHandle>(list);
        ASSERT_TRUE(DriveModalDialog(
            [&] { SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(126, 158)); },
            [&](HWND editor) {
                editor_handle = reinterpret_cast<WindowHandle>(editor);
                EXPECT_EQ(SendDlgItemMessageW(editor, IDC_GLYPH_NUMBER, CB_GETCURSEL, 0, 0), 9);
                Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, 27, 24);  // dot (1, 1)
                Post(editor, WM_MOUSEMOVE, MK_LBUTTON, 42, 24);    // dot (2, 1)
                Post(editor, WM_LBUTTONUP, 0, 42, 24);
                // A double click: its second press edits nothing and starts no drag.
                Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, 57, 24);  // dot (3, 1)
                Post(editor, WM_LBUTTONUP, 0, 57, 24);
                Post(editor, WM_LBUTTONDBLCLK, MK_LBUTTON, 87, 24);
                Post(editor, WM_MOUSEMOVE, MK_LBUTTON, 102, 24);
                Post(editor, WM_LBUTTONUP, 0, 102, 24);
                Post(editor, WM_RBUTTONDOWN, MK_RBUTTON, 27, 24);  // clears dot (1, 1)
                Post(editor, WM_RBUTTONUP, 0, 27, 24);
                Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, 72, 24);  // dot (4, 1)
                Post(editor, WM_LBUTTONUP, 0, 72, 24);
                EXPECT_TRUE(PumpUntil([&] { return c.model.glyph_pattern[9][9] == '8'; }, 5000));
                ClickButton(editor, IDC_GLYPH_REGISTER);
                EXPECT_TRUE(PumpUntil([&] { return painting.calls.size() == 2; }, 5000));  // the ack
                ClickButton(editor, IDC_GLYPH_CLEAR);  // asked, and answered Yes
                ClickButton(editor, IDC_GLYPH_READ);
                EXPECT_TRUE(PumpUntil([&] { return c.app.glyph_read_pending == 0; }, 5000));
                HWND grid = GetDlgItem(editor, IDC_GLYPH_GRID);
                POINT corner = {0, 0};
                MapWindowPoints(grid, editor, &corner, 1);
                EXPECT_EQ(std::pair(corner.x, corner.y), std::pair(12L, 12L));
                EXPECT_EQ(ScreenPixel(grid, 52, 18), RGB(255, 255, 255));  // dot (3, 1)
                EXPECT_EQ(ScreenPixel(grid, 22, 18), RGB(0, 0, 255));      // dot (1, 1)
                SetDlgItemTextW(editor, IDC_GLYPH_SAMPLE, L"aあ");  // one double-byte at most
                EXPECT_EQ(ControlText(editor, IDC_GLYPH_SAMPLE), L"a");
                SetDlgItemTextW(editor, IDC_GLYPH_SAMPLE, L"あ");
                ClickButton(editor, IDC_GLYPH_SAMPLE_READ);
                EXPECT_TRUE(PumpUntil([&] { return c.app.glyph_read_pending == 0; }, 5000));
                ClickButton(editor, IDCANCEL);
            }));
        EXPECT_EQ(c.app.active_dialog, list_handle);
    }));
    EXPECT_EQ(SimFrames("rx", "00GR"), Texts{"00GR10" + drawn + "\r\n"});
    EXPECT_EQ(SimFrames("rx", "00RFBM"), (Texts{"00RFBMA36E\r\n", "00RFBM2422\r\n"}));
    const Texts sample = SimFrames("tx", "00FBM2422");
    ASSERT_EQ(sample.size(), 1u);
    EXPECT_EQ(std::string(c.model.glyph_pattern[9], 256), sample[0].substr(9, 256));
    const std::string paint = "paint-glyph-grid(" + std::to_string(editor_handle) + ")";
    EXPECT_EQ(painting.calls,
              (Texts{Owned("confirm-not-auto", editor_handle), Owned("ack", editor_handle),
                     "ask[新規作成](owner=" + std::to_string(editor_handle) +
                         "): データを保存せずに新規作成しますか？",
                     paint, paint}));
}

TEST_F(GlyphTransferTest, BulkRegisterSendsGr01ToGr64AndBulkReadFillsTheModel) {
    Texts patterns;
    for (int g = 0; g < 64; ++g) {
        patterns.push_back(std::string(1, "0123456789ABCDEF"[g % 16]) + std::string(254, '0') +
                           "0123456789ABCDEF"[g / 16]);
        std::memcpy(c.model.glyph_pattern[g], patterns[g].data(), 256);
    }
    c.app.address_prefix_on = 1;  // left on by the dialog opened before; the list keeps it
    WindowHandle list_handle = 0;
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND list) {
        list_handle = reinterpret_cast<WindowHandle>(list);
        auto drive_run = [&] {
            KillTimer(list, 14);  // the test's ticks stand in for the run's own
            while (c.app.glyph_bulk_read_running == 1) {
                SendMessageW(list, WM_TIMER, 14, 0);
                PumpUntil([&] { return c.app.awaiting_reply == 0; }, 5000);
            }
        };
        ClickButton(list, IDC_GLYPH_REGISTER);
        drive_run();
        std::memset(c.model.glyph_pattern, '0', sizeof c.model.glyph_pattern);
        ClickButton(list, IDC_GLYPH_READ);
        drive_run();
        EXPECT_EQ(ControlText(list, IDC_GLYPH_PERCENT), L"    ");
        EXPECT_EQ(SendDlgItemMessageW(list, IDC_GLYPH_PROGRESS, PBM_GETPOS, 0, 0), 0);
    }));
    const Texts registered = SimFrames("rx", "00GR");
    ASSERT_EQ(registered.size(), 64u);
    for (int g = 0; g < 64; ++g) {
        const char number[] = {static_cast<char>('0' + (g + 1) / 10),
                               static_cast<char>('0' + (g + 1) % 10), 0};
        EXPECT_EQ(registered[g], "00GR" + std::string(number) + patterns[g] + "\r\n");
        EXPECT_EQ(std::string(c.model.glyph_pattern[g], 256), patterns[g]) << g;
    }
    EXPECT_EQ(SimFrames("rx", "00RFBM").size(), 64u);
    // The run ends with the tick that sends GR64: its acknowledgement is the one box.
    EXPECT_EQ(painting.calls, (Texts{Owned("confirm-not-auto", list_handle),
                                     Owned("ack", list_handle)}));
}

TEST_F(GlyphDialogTest, GlyphFileOnDiskAndBitmapOfTheCellAsDisplayed) {
    SetProgramFileSystem(nullptr);  // the real disk
    const std::string base = TempPath("glyphs");
    const std::string pic = TempPath("cell17");
    const std::string narrow = TempPath("cell6.bmp");
    c.model.glyph_pattern[0][0] = 'F';
    c.model.glyph_pattern[159][255] = 'A';
    c.model.glyph_pattern[16][0] = '8';  // glyph 17: dot (0, 0)
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND d) {
        EXPECT_EQ(ComboItems(d, IDC_GLYPH_PAGE)[1], L"No.17～32");
        prompts.file_names = {base, base + ".tlm", pic, narrow};
        ClickButton(d, IDC_GLYPH_SAVE_AS);
        ClickButton(d, IDC_GLYPH_CLEAR);  // nothing drawn in the editor: no question
        EXPECT_EQ(c.model.glyph_pattern[0][0], '0');
        ClickButton(d, IDC_GLYPH_OPEN);
        SelectComboItem(d, IDC_GLYPH_PAGE, 1);
        EXPECT_EQ(ControlText(d, IDC_GLYPH_NUMBER_BOX_FIRST), L"No.17");
        SendMessageW(d, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(12, 11));    // cell 0
        SendMessageW(d, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(700, 105));  // cell 6
        SendMessageW(d, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(107, 50));   // no cell
    }));
    EXPECT_EQ(prompts.calls, (Texts{"ask-file(3)", "ask-file(2)", "ask-file(6)", "ask-file(6)"}));
    const std::string file = ReadDiskFile(base + ".tlm");
    ASSERT_EQ(file.size(), 122880u);
    EXPECT_EQ(file.substr(0, 6) + file.substr(file.size() - 3), "F\r\n0\r\nA\r\n");
    EXPECT_EQ(c.model.glyph_pattern[159][255], 'A');
    const std::string bmp = ReadDiskFile(pic + ".bmp");
    ASSERT_EQ(bmp.size(), 27702u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ((std::vector<std::uint32_t>{Le32(bmp, 2), Le32(bmp, 10), Le32(bmp, 18), Le32(bmp, 22),
                                          Le32(bmp, 28)}),
              (std::vector<std::uint32_t>{27702, 54, 96, 96, 24}));  // size, offset, W, H, bits
    auto pixel = [&](int x, int y) { return bmp.substr(54 + (95 - y) * 288 + 3 * x, 3); };
    EXPECT_EQ(pixel(0, 0) + pixel(4, 4), std::string("\xFF\xFF\xFF\xFF\0\0", 6));  // lit, blue
    EXPECT_EQ(ReadDiskFile(narrow).size(), 54u + 280u * 96u);  // the narrower cell: 93 wide
}

TEST_F(GlyphDialogTest, InsertionSendsTheGCommandAndEnterCloses) {
    c.app.selected_title_index = 4;
    c.app.current_glyph_index = 22;
    bool closed_by_itself = false;
    ASSERT_TRUE(DriveModalDialog(
        [] { RunMenuCommand(nullptr, IDM_GLYPH_INSERT); },
        [&](HWND d) {
            EXPECT_EQ(ControlText(d, IDC_GLYPH_NUMBER), L"23");  // shared with the list
            SelectComboItem(d, IDC_GLYPH_NUMBER, 11);
            SelectComboItem(d, IDC_GLYPH_INSERT_POSITION, 2);
            ClickButton(d, IDC_GLYPH_INSERT_SET);
            SelectComboItem(d, IDC_GLYPH_INSERT_TITLE, 39);
            ClickButton(d, IDOK);
        },
        10000, &closed_by_itself));
    EXPECT_TRUE(closed_by_itself);
    EXPECT_EQ(link.serial_writes, Texts{"00G12T005I03\r\n"});
    EXPECT_EQ(c.app.selected_title_index, 39);  // the title dialog opens on it
    c.app.interface_type = 1;  // the list's slave address only serves RS-232C
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND d) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_SLAVE_ADDRESS)));
    }));
}

}  // namespace
}  // namespace tvx::test
