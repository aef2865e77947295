// The character level and device slave address dialogs in-process: the real templates and
// procedures, driven by the messages a user causes, with recorders in place of the message
// boxes and the link.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/menu_commands_win.h"
#include "winbase/program_win.h"
#include "dialogs/char_level_win.h"
#include "dialogs/slave_address_win.h"
#include "link/socket_events.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"

namespace tvx::test {
namespace {

using Writes = std::vector<std::string>;
using Calls = std::vector<std::string>;

class FrameDialogTest : public ProgramTest {};

bool DriveCharLevel(const std::function<void(HWND)>& act) {
    return DriveModalDialog([] { OpenCharLevelDialog(nullptr); }, act);
}

bool DriveDeviceSlaveAddress(const std::function<void(HWND)>& act) {
    return DriveModalDialog([] { OpenDeviceSlaveAddressDialog(nullptr); }, act);
}

void SetPeer(int slot, const char* text) {
    ClientSlot& s = ProgramContext().sockets.client_slots[slot];
    s.in_use = 1;
    std::strncpy(s.peer_address, text, kPeerTextBytes - 1);
}

LRESULT Selection(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
}

// The client area the template asks for, in pixels of this dialog's font.
void ExpectTemplateSize(HWND dialog, int width_units, int height_units) {
    RECT wanted = {0, 0, width_units, height_units};
    MapDialogRect(dialog, &wanted);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, wanted.right);
    EXPECT_EQ(client.bottom, wanted.bottom);
}

std::wstring FontFace(HWND dialog) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW lf = {};
    if (!font || !GetObjectW(font, sizeof lf, &lf)) return L"";
    return lf.lfFaceName;
}

TEST_F(FrameDialogTest, CharLevelOpensFromTheModelWithItsTemplate) {
    c.model.white_level = 2;
    c.model.edge_level = 0;
    c.app.slave_address = 32;
    c.app.selected_connection = -1;
    c.app.corner_click_count = 6;
    c.app.address_prefix_on = 0;
    HWND seen = nullptr;
    ASSERT_TRUE(DriveCharLevel([&](HWND d) {
        seen = d;
        EXPECT_EQ(ControlText(d, 0), L"文字レベルの設定");
        ExpectTemplateSize(d, 243, 79);
        EXPECT_EQ(FontFace(d), L"ＭＳ Ｐゴシック");
        const std::vector<std::wstring> levels = {L"0", L"1", L"2", L"3"};
        EXPECT_EQ(ComboItems(d, IDC_WHITE_LEVEL), levels);
        EXPECT_EQ(ComboItems(d, IDC_EDGE_LEVEL), levels);
        for (int id : {IDC_WHITE_LEVEL, IDC_EDGE_LEVEL}) {
            LONG style = GetWindowLongW(GetDlgItem(d, id), GWL_STYLE);
            EXPECT_EQ(style & 3, CBS_DROPDOWN) << id;
            EXPECT_NE(style & CBS_SORT, 0) << id;
        }
        EXPECT_EQ(Selection(d, IDC_WHITE_LEVEL), 2);
        EXPECT_EQ(Selection(d, IDC_EDGE_LEVEL), 0);
        std::vector<std::wstring> addresses = ComboItems(d, IDC_SLAVE_ADDRESS);
        ASSERT_EQ(addresses.size(), 33u);
        EXPECT_EQ(addresses[0], L"00");
        EXPECT_EQ(addresses[31], L"31");
        EXPECT_EQ(addresses[32], L"Bloadcast");
        EXPECT_EQ(Selection(d, IDC_SLAVE_ADDRESS), 32);
        EXPECT_EQ(ControlText(d, IDC_WHITE_LEVEL_SET), L"設定");
        EXPECT_EQ(ControlText(d, IDCANCEL), L"Close");
        EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(d));
        EXPECT_EQ(c.app.address_prefix_on, 1);
        EXPECT_EQ(c.app.corner_click_count, 0);
    }));
    EXPECT_NE(seen, nullptr);
    EXPECT_TRUE(link.serial_writes.empty());
    EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(FrameDialogTest, CharLevelSetButtonsSendTheChosenLevelsBehindThePrefix) {
    c.app.slave_address = 3;
    ASSERT_TRUE(DriveCharLevel([&](HWND d) {
        ClickButton(d, IDC_WHITE_LEVEL_SET);  // the defaults: both levels 1
        SelectComboItem(d, IDC_WHITE_LEVEL, 3);
        EXPECT_EQ(c.model.white_level, 3);
        ClickButton(d, IDC_WHITE_LEVEL_SET);
        SelectComboItem(d, IDC_EDGE_LEVEL, 2);
        SelectComboItem(d, IDC_SLAVE_ADDRESS, 32);
        EXPECT_EQ(c.app.slave_address, 32);
        ClickButton(d, IDC_EDGE_LEVEL_SET);
        EXPECT_EQ(c.app.awaiting_reply, 0);  // a broadcast awaits no reply
    }));
    EXPECT_EQ(link.serial_writes, (Writes{"03CWL1\r\n", "03CWL3\r\n", "FFCEL2\r\n"}));
    EXPECT_EQ(c.app.document_modified, 0);
}

TEST_F(FrameDialogTest, TextTypedIntoALevelComboChangesNothing) {
    ASSERT_TRUE(DriveCharLevel([&](HWND d) {
        HWND combo = GetDlgItem(d, IDC_EDGE_LEVEL);
        SetWindowTextW(combo, L"3");
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_EDGE_LEVEL, CBN_EDITCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        // A selection change with nothing selected (the edit text matches no
        // choice).
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_EDGE_LEVEL, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        EXPECT_EQ(c.model.edge_level, 1);
        ClickButton(d, IDC_EDGE_LEVEL_SET);
    }));
    EXPECT_EQ(link.serial_writes, (Writes{"00CEL1\r\n"}));
}

TEST_F(FrameDialogTest, ChoosingWithoutSetSendsNothingAndCloseKeepsTheChoice) {
    ASSERT_TRUE(DriveCharLevel([&](HWND d) {
        SelectComboItem(d, IDC_WHITE_LEVEL, 0);
        SelectComboItem(d, IDC_SLAVE_ADDRESS, 17);
        ClickButton(d, IDCANCEL);
        EXPECT_FALSE(IsWindowVisible(d));  // ended: the modal loop destroys it next
    }));
    EXPECT_EQ(c.model.white_level, 0);
    EXPECT_EQ(c.app.slave_address, 17);
    EXPECT_TRUE(link.serial_writes.empty());
}

TEST_F(FrameDialogTest, CharLevelNamesTheSelectedConnectionInItsTitle) {
    SetPeer(2, "10.0.0.7");
    c.app.selected_connection = 2;
    ASSERT_TRUE(DriveModalDialog(
        [] { OpenCharLevelDialog(nullptr); },
        [&](HWND d) { EXPECT_EQ(ControlText(d, 0), L"文字レベルの設定 10.0.0.7"); }));
    c.app.selected_connection = 0;  // the client role: the slots hold no text
    ASSERT_TRUE(
        DriveCharLevel([&](HWND d) { EXPECT_EQ(ControlText(d, 0), L"文字レベルの設定 "); }));
}

TEST_F(FrameDialogTest, CharLevelHandsSocketAnswersToTheReplyHandling) {
    c.app.interface_type = 1;
    ASSERT_TRUE(DriveCharLevel([&](HWND d) {
        // The answer in two pieces, each announced by its own message.
        const int mark = BeginAnswerExchange(c.sockets.reply_queue);
        PushReplyPiece(c.sockets.reply_queue, mark, "00G", 3);
        PushReplyPiece(c.sockets.reply_queue, mark, "O\r\n", 3);
        SendMessageW(d, MSG_SOCKET_REPLY, 0, 0);
        EXPECT_TRUE(prompts.calls.empty());
        SendMessageW(d, MSG_SOCKET_REPLY, 0, 0);
        // Without a connection the set button reports it and sends nothing.
        ClickButton(d, IDC_WHITE_LEVEL_SET);
    }));
    EXPECT_EQ(prompts.calls,
              (Calls{"success: Socket ＯＫ", "error(exclamation): Socket が接続されていません"}));
    EXPECT_TRUE(link.serial_writes.empty());
    EXPECT_TRUE(link.socket_frames.empty());
}

TEST_F(FrameDialogTest, CharLevelOpensFromItsMenuItem) {
    ASSERT_TRUE(DriveModalDialog([] { RunMenuCommand(nullptr, IDM_CHARACTER_LEVEL); },
                                 [&](HWND d) { ClickButton(d, IDC_EDGE_LEVEL_SET); }));
    EXPECT_EQ(link.serial_writes, (Writes{"00CEL1\r\n"}));
}

TEST_F(FrameDialogTest, DeviceSlaveAddressListsThirtyTwoAddressesAndSendsSaBare) {
    c.app.slave_address = 5;
    c.app.address_prefix_on = 1;
    SetPeer(1, "192.168.0.9");
    c.app.selected_connection = 1;
    ASSERT_TRUE(DriveModalDialog(
        [] { OpenDeviceSlaveAddressDialog(nullptr); },
        [&](HWND d) {
            EXPECT_EQ(ControlText(d, 0), L"機器のスレーブアドレス");  // never retitled
            std::vector<std::wstring> items = ComboItems(d, IDC_SLAVE_ADDRESS);
            ASSERT_EQ(items.size(), 32u);
            EXPECT_EQ(items.front(), L"00");
            EXPECT_EQ(items.back(), L"31");
            EXPECT_EQ(Selection(d, IDC_SLAVE_ADDRESS), 5);
            EXPECT_EQ(c.app.address_prefix_on, 0);
            EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(d));
            ClickButton(d, IDC_DEVICE_ADDRESS_SET);
            SelectComboItem(d, IDC_SLAVE_ADDRESS, 31);
            ClickButton(d, IDC_DEVICE_ADDRESS_SET);
        }));
    EXPECT_EQ(link.serial_writes, (Writes{"SA05\r\n", "SA31\r\n"}));
    EXPECT_EQ(c.app.slave_address, 31);
    EXPECT_EQ(c.app.address_prefix_on, 0);  // off until the next feature dialog opens
    EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(FrameDialogTest, DeviceSlaveAddressShowsNoSelectionForTheBroadcastAndSends32) {
    c.app.slave_address = 32;
    ASSERT_TRUE(DriveDeviceSlaveAddress([&](HWND d) {
        EXPECT_EQ(Selection(d, IDC_SLAVE_ADDRESS), CB_ERR);
        ClickButton(d, IDC_DEVICE_ADDRESS_SET);
        EXPECT_EQ(c.app.awaiting_reply, 1);
    }));
    EXPECT_EQ(link.serial_writes, (Writes{"SA32\r\n"}));
    // The next feature dialog turns the prefix on again.
    ASSERT_TRUE(DriveCharLevel([&](HWND d) { ClickButton(d, IDC_WHITE_LEVEL_SET); }));
    EXPECT_EQ(link.serial_writes, (Writes{"SA32\r\n", "FFCWL1\r\n"}));
}

TEST_F(FrameDialogTest, DeviceSlaveAddressMenuItemAsksForRs232cWithTcpIp) {
    c.app.interface_type = 1;
    RunMenuCommand(nullptr, IDM_DEVICE_SLAVE_ADDRESS);
    EXPECT_EQ(FindThreadDialog(), nullptr);
    EXPECT_EQ(prompts.calls,
              (Calls{"error(exclamation): インターフェイスをRS-232Cにしてください。"}));
    c.app.interface_type = 0;
    ASSERT_TRUE(DriveModalDialog([] { RunMenuCommand(nullptr, IDM_DEVICE_SLAVE_ADDRESS); },
                                 [&](HWND d) { ClickButton(d, IDC_DEVICE_ADDRESS_SET); }));
    EXPECT_EQ(link.serial_writes, (Writes{"SA00\r\n"}));
}

}  // namespace
}  // namespace tvx::test
