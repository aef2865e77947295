// The external character transfers through the real program pieces: the main window, the COM
// port and its read thread, against the device simulator on COM1. The list's timer ticks are
// sent directly, so the bulk runs take as long as the exchanges, not 64 x 2 s.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "glyphs/glyph_list_win.h"
#include "glyphs/glyph_window_win.h"
#include "link/serial_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "support/sim_log.h"
#include "winbase/prompts_win.h"

namespace tvx::test {
namespace {

constexpr UINT_PTR kListTimerId = 14;

std::wstring SimLog() {
    const wchar_t* path = _wgetenv(L"TVX_SIM_LOG_WIN");
    return path ? path : L"";
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = 10000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms) return false;
        PumpMessages(10);
    }
    return true;
}

// The simulator runs for the whole process: each test looks only at what came after its start.
std::size_t g_log_start = 0;

std::vector<std::string> SimFrames(const char* direction, const std::string& prefix) {
    std::vector<std::string> frames;
    const std::vector<SimLogEntry> log = ReadSimLog(SimLog());
    for (std::size_t i = g_log_start; i < log.size(); ++i) {
        const SimLogEntry& e = log[i];
        if (e.direction == direction && e.bytes.compare(0, prefix.size(), prefix) == 0) {
            frames.push_back(e.bytes);
        }
    }
    return frames;
}

// Records the request and draws the grid as the program does.
struct PaintingPrompts : RecordingPrompts {
    void PaintGlyphGrid(WindowHandle dialog) override {
        RecordingPrompts::PaintGlyphGrid(dialog);
        WindowsPrompts().PaintGlyphGrid(dialog);
    }
};

// The program's main window drains the reply lines; the port stays open for the whole process.
class GlyphTransferTest : public ProgramTest {
  protected:
    static void SetUpTestSuite() {
        RecordingPrompts start_prompts;
        SetProgramPrompts(&start_prompts);
        RegisterMainWindowClass(ProgramInstance());
        main_ = CreateMainWindow(ProgramInstance());
        StartSerialLink(ProgramContext(), main_, MSG_SERIAL_LINE);
        start_calls_ = start_prompts.calls;
        SetProgramPrompts(nullptr);
    }
    static void TearDownTestSuite() {
        StopSerialLink();
        DestroyWindow(main_);
    }
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(start_calls_.empty()) << start_calls_.front();
        SetProgramLink(nullptr);  // the real COM port
        SetProgramPrompts(&painting);
        ProgramGlyphState() = GlyphState{};
        g_log_start = ReadSimLog(SimLog()).size();
    }
    PaintingPrompts painting;
    static HWND main_;
    static std::vector<std::string> start_calls_;
};
HWND GlyphTransferTest::main_ = nullptr;
std::vector<std::string> GlyphTransferTest::start_calls_;

TEST_F(GlyphTransferTest, EditorRegistersAGlyphAndReadsItAndASampleBack) {
    const std::string drawn = std::string(8, '0') + "4" + std::string(247, '0');
    WindowHandle list_handle = 0;
    WindowHandle editor_handle = 0;
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND list) {
        list_handle = reinterpret_cast<WindowHandle>(list);
        ASSERT_TRUE(DriveModalDialog(
            [&] { SendMessageW(list, WM_LBUTTONDBLCLK, 0, MAKELPARAM(12 + 114, 158)); },
            [&](HWND editor) {
                editor_handle = reinterpret_cast<WindowHandle>(editor);
                SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(27, 24));
                SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(27, 24));
                ClickButton(editor, IDC_GLYPH_REGISTER);
                EXPECT_TRUE(PumpUntil([&] { return !painting.calls.empty() &&
                                                   painting.calls.back().rfind("ack", 0) == 0; }));
                ClickButton(editor, IDC_GLYPH_CLEAR);  // asked, and answered Yes
                EXPECT_EQ(std::string(c.model.glyph_pattern[9], 256), std::string(256, '0'));
                ClickButton(editor, IDC_GLYPH_READ);
                EXPECT_TRUE(PumpUntil([&] { return c.app.glyph_read_pending == 0; }));
                EXPECT_EQ(std::string(c.model.glyph_receive_buffer, 256), drawn);
                HDC dc = GetDC(GetDlgItem(editor, IDC_GLYPH_GRID));
                EXPECT_EQ(GetPixel(dc, 15 + 7, 12 + 6), RGB(255, 255, 255));  // drawn at once
                ReleaseDC(GetDlgItem(editor, IDC_GLYPH_GRID), dc);
                SetDlgItemTextW(editor, IDC_GLYPH_SAMPLE, L"あ");
                ClickButton(editor, IDC_GLYPH_SAMPLE_READ);
                EXPECT_TRUE(PumpUntil([&] { return c.app.glyph_read_pending == 0; }));
                ClickButton(editor, IDCANCEL);
            }));
        EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(list));
    }));
    const std::vector<std::string> reads = SimFrames("rx", "00RFBM");
    EXPECT_EQ(SimFrames("rx", "00GR"), (std::vector<std::string>{"00GR10" + drawn + "\r\n"}));
    EXPECT_EQ(reads, (std::vector<std::string>{"00RFBMA36E\r\n", "00RFBM2422\r\n"}));
    const std::vector<std::string> sample = SimFrames("tx", "00FBM2422");
    ASSERT_EQ(sample.size(), 1u);
    EXPECT_EQ(std::string(c.model.glyph_pattern[9], 256), sample[0].substr(9, 256));
    EXPECT_EQ(painting.calls,
              (std::vector<std::string>{
                  "confirm-not-auto(owner=" + std::to_string(editor_handle) + ")",
                  "ack(owner=" + std::to_string(list_handle) + ")",
                  "ask[新規作成](owner=" + std::to_string(editor_handle) +
                      "): データを保存せずに新規作成しますか？",
                  "paint-glyph-grid(" + std::to_string(editor_handle) + ")",
                  "paint-glyph-grid(" + std::to_string(editor_handle) + ")"}));
}

TEST_F(GlyphTransferTest, BulkRegisterSendsGr01ToGr64AndBulkReadFillsTheModel) {
    std::vector<std::string> patterns;
    for (int g = 0; g < 64; ++g) {
        std::string p(256, '0');
        p[0] = "0123456789ABCDEF"[g % 16];
        p[255] = "0123456789ABCDEF"[g / 16];
        std::memcpy(c.model.glyph_pattern[g], p.data(), 256);
        patterns.push_back(p);
    }
    c.app.address_prefix_on = 1;  // left on by the dialog opened before; the list keeps it
    WindowHandle list_handle = 0;
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphListDialog(nullptr); }, [&](HWND list) {
        list_handle = reinterpret_cast<WindowHandle>(list);
        auto drive_run = [&] {
            while (c.app.glyph_bulk_read_running == 1) {
                SendMessageW(list, WM_TIMER, kListTimerId, 0);
                // Each reply comes before the next tick, as at the real 2 s and 300 ms pace.
                PumpUntil([&] { return c.app.awaiting_reply == 0; }, 5000);
            }
        };
        ClickButton(list, IDC_GLYPH_REGISTER);
        drive_run();
        EXPECT_EQ(SimFrames("tx", "00GO").size(), 64u);
        std::memset(c.model.glyph_pattern, '0', sizeof c.model.glyph_pattern);
        ClickButton(list, IDC_GLYPH_READ);
        drive_run();
        EXPECT_EQ(ControlText(list, IDC_GLYPH_PERCENT), L"    ");
        EXPECT_EQ(SendDlgItemMessageW(list, IDC_GLYPH_PROGRESS, PBM_GETPOS, 0, 0), 0);
    }));
    const std::vector<std::string> registered = SimFrames("rx", "00GR");
    ASSERT_EQ(registered.size(), 64u);
    for (int g = 0; g < 64; ++g) {
        char number[3];
        std::snprintf(number, sizeof number, "%02d", g + 1);
        EXPECT_EQ(registered[g], "00GR" + std::string(number) + patterns[g] + "\r\n");
        EXPECT_EQ(std::string(c.model.glyph_pattern[g], 256), patterns[g]) << g;
    }
    EXPECT_EQ(SimFrames("rx", "00RFBM").size(), 64u);
    EXPECT_EQ(c.app.current_glyph_index, 0);
    // The run ends with the tick that sends GR64: its acknowledgement is the one box.
    EXPECT_EQ(painting.calls,
              (std::vector<std::string>{
                  "confirm-not-auto(owner=" + std::to_string(list_handle) + ")",
                  "ack(owner=" + std::to_string(c.app.reply_owner_window) + ")"}));
}

}  // namespace
}  // namespace tvx::test
