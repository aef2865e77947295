// The five connection dialogs in-process: templates (caption, size, font, controls), list
// entries, enable rules, and the configuration keys each action writes, in order and at the
// moment it happens. No socket is opened here (see tcp_link_test.cpp).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/menu_commands_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"
#include "dialogs/connection.h"
#include "dialogs/connection_win.h"
#include "link/socket_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"

namespace tvx::test {
namespace {

using Writes = std::vector<std::string>;

class ConnectionDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        SetProgramIniStore(&ini);
    }
    void TearDown() override {
        SetProgramIniStore(nullptr);
        ProgramTest::TearDown();
    }
    // Runs act inside the dialog that open() shows; fails the test when none appears.
    void Drive(void (*open)(HWND), const std::function<void(HWND)>& act) {
        ASSERT_TRUE(DriveModalDialog([&] { open(nullptr); }, act));
    }
    MemoryIniStore ini;
};

bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

int ComboSelection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

std::vector<std::wstring> ListLines(HWND dialog, int id) {
    std::vector<std::wstring> lines;
    int n = static_cast<int>(SendDlgItemMessageW(dialog, id, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[64] = {};
        SendDlgItemMessageW(dialog, id, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

void DoubleClickLine(HWND dialog, int id, int line) {
    SendDlgItemMessageW(dialog, id, LB_SETCURSEL, line, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetAddress(HWND dialog, BYTE a, BYTE b, BYTE c, BYTE d) {
    SendDlgItemMessageW(dialog, IDC_HOST_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
}

DWORD Address(HWND dialog) {
    DWORD packed = 0;
    SendDlgItemMessageW(dialog, IDC_HOST_ADDRESS, IPM_GETADDRESS, 0,
                        reinterpret_cast<LPARAM>(&packed));
    return packed;
}

// The template's size in dialog units and its font, as the dialog shows them.
void ExpectTemplate(HWND dialog, const wchar_t* caption, int width_du, int height_du) {
    EXPECT_EQ(ControlText(dialog, 0), caption);
    RECT expected = {0, 0, width_du, height_du};
    MapDialogRect(dialog, &expected);
    RECT client = {};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, expected.right) << "width of " << width_du << " dialog units";
    EXPECT_EQ(client.bottom, expected.bottom) << "height of " << height_du << " dialog units";
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW lf = {};
    ASSERT_NE(font, nullptr);
    GetObjectW(font, sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, L"ＭＳ Ｐゴシック");
    HDC dc = GetDC(dialog);
    int expected_height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(dialog, dc);
    EXPECT_EQ(lf.lfHeight, expected_height);
}

TEST_F(ConnectionDialogTest, InterfaceDialogWritesTheKeyOnEachPick) {
    c.app.interface_type = 0;
    c.app.address_prefix_on = 0;
    c.app.corner_click_count = 4;
    Drive(OpenInterfaceDialog, [&](HWND d) {
        ExpectTemplate(d, L"インターフェイスの設定", 143, 59);
        EXPECT_EQ(ComboItems(d, IDC_INTERFACE_LIST),
                  (std::vector<std::wstring>{L"RS-232C", L"TCP/IP"}));
        EXPECT_EQ(ComboSelection(d, IDC_INTERFACE_LIST), 0);
        EXPECT_TRUE(Enabled(d, IDC_INTERFACE_LIST));
        EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(d));
        EXPECT_EQ(c.app.address_prefix_on, 1);
        EXPECT_EQ(c.app.corner_click_count, 0);
        SelectComboItem(d, IDC_INTERFACE_LIST, 1);
        EXPECT_EQ(ini.writes, Writes{"Interface=1"});  // at once, before the dialog closes
        SelectComboItem(d, IDC_INTERFACE_LIST, 0);
        ClickButton(d, IDCANCEL);
    });
    // "Close" undoes nothing.
    EXPECT_EQ(ini.writes, (Writes{"Interface=1", "Interface=0"}));
    EXPECT_EQ(c.app.interface_type, 0);
}

TEST_F(ConnectionDialogTest, InterfaceAndRoleListsAreGreyWithoutSelectionWhileConnected) {
    c.app.interface_type = 1;
    c.app.tcp_role = 1;
    c.app.socket_connected = 1;
    Drive(OpenInterfaceDialog, [&](HWND d) {
        EXPECT_FALSE(Enabled(d, IDC_INTERFACE_LIST));
        EXPECT_EQ(ComboSelection(d, IDC_INTERFACE_LIST), CB_ERR);
        ClickButton(d, IDOK);
    });
    Drive(OpenClientServerDialog, [&](HWND d) {
        EXPECT_FALSE(Enabled(d, IDC_ROLE_LIST));
        EXPECT_EQ(ComboSelection(d, IDC_ROLE_LIST), CB_ERR);
        ClickButton(d, IDOK);
    });
    EXPECT_TRUE(ini.writes.empty());
}

TEST_F(ConnectionDialogTest, ComPortIsStoredOnOkOnly) {
    c.app.com_port_index = 0;
    Drive(OpenComPortDialog, [&](HWND d) {
        ExpectTemplate(d, L"RS-232Cの設定", 145, 60);
        EXPECT_EQ(ComboItems(d, IDC_COM_PORT_LIST),
                  (std::vector<std::wstring>{L"COM 1", L"COM 2", L"COM 3", L"COM 4", L"COM 5",
                                             L"COM 6"}));
        EXPECT_EQ(ComboSelection(d, IDC_COM_PORT_LIST), 0);
        SelectComboItem(d, IDC_COM_PORT_LIST, 4);
        ClickButton(d, IDCANCEL);
    });
    EXPECT_TRUE(ini.writes.empty());
    EXPECT_EQ(c.app.com_port_index, 0);
    bool closed_by_itself = false;
    ASSERT_TRUE(DriveModalDialog([] { OpenComPortDialog(nullptr); },
                                 [&](HWND d) {
                                     SelectComboItem(d, IDC_COM_PORT_LIST, 2);  // "COM 3"
                                     EXPECT_TRUE(ini.writes.empty());
                                     ClickButton(d, IDOK);
                                 },
                                 10000, &closed_by_itself));
    EXPECT_TRUE(closed_by_itself);
    EXPECT_EQ(ini.writes, Writes{"com_port=2"});
    EXPECT_EQ(c.app.com_port_index, 2);
}

TEST_F(ConnectionDialogTest, RoleIsStoredOnThePickAndTheMainTitleFollowsOnClose) {
    InitProgramControls();
    RegisterMainWindowClass(ProgramInstance());
    HWND main = CreateMainWindow(ProgramInstance());
    ASSERT_NE(main, nullptr);
    c.app.interface_type = 1;
    c.app.tcp_role = 0;
    RetitleMainWindow(main);
    ASSERT_TRUE(DriveModalDialog([&] { RunMenuCommand(main, IDM_CLIENT_SERVER); },
                                 [&](HWND d) {
                                     ExpectTemplate(d, L"クライアント/サーバー", 143, 59);
                                     EXPECT_EQ(ComboItems(d, IDC_ROLE_LIST),
                                               (std::vector<std::wstring>{L"Client", L"Server"}));
                                     EXPECT_EQ(ComboSelection(d, IDC_ROLE_LIST), 0);
                                     SelectComboItem(d, IDC_ROLE_LIST, 1);
                                     EXPECT_EQ(ini.writes, Writes{"ClientServer=1"});
                                     EXPECT_EQ(WindowTextOf(main), L"TVX-5870 Client Program");
                                     ClickButton(d, IDOK);
                                 }));
    EXPECT_EQ(c.app.tcp_role, 1);
    EXPECT_EQ(WindowTextOf(main), L"TVX-5870 Server Program");

    // "TCP/IPの設定" opens the dialog of the role.
    ASSERT_TRUE(DriveModalDialog([&] { RunMenuCommand(main, IDM_TCPIP_SETTING); },
                                 [&](HWND d) {
                                     EXPECT_EQ(ControlText(d, 0), L"TCP/IPの設定（Server）");
                                     ClickButton(d, IDCANCEL);
                                 }));
    c.app.tcp_role = 0;
    ASSERT_TRUE(DriveModalDialog([&] { RunMenuCommand(main, IDM_TCPIP_SETTING); },
                                 [&](HWND d) {
                                     EXPECT_EQ(ControlText(d, 0), L"TCP/IPの設定（Client）");
                                     ClickButton(d, IDOK);
                                 }));
    // The interface dialog and the COM port dialog are on the menu too.
    ASSERT_TRUE(DriveModalDialog([&] { RunMenuCommand(main, IDM_INTERFACE_SETTING); },
                                 [&](HWND d) {
                                     EXPECT_EQ(ControlText(d, 0), L"インターフェイスの設定");
                                     ClickButton(d, IDOK);
                                 }));
    ASSERT_TRUE(DriveModalDialog([&] { RunMenuCommand(main, IDM_RS232C_SETTING); },
                                 [&](HWND d) {
                                     EXPECT_EQ(ControlText(d, 0), L"RS-232Cの設定");
                                     ClickButton(d, IDCANCEL);
                                 }));
    DestroyWindow(main);
}

void FillHosts(AppState& app, int count) {
    for (int i = 0; i < count; ++i) {
        app.host_list[i][0] = 192;
        app.host_list[i][1] = 168;
        app.host_list[i][2] = 1;
        app.host_list[i][3] = static_cast<unsigned char>(i + 1);
    }
    app.host_list_count = count;
}

TEST_F(ConnectionDialogTest, ClientDialogShowsTheHostListAndSelectedHost) {
    FillHosts(c.app, 3);
    c.app.selected_connection = 1;
    Drive(OpenTcpClientDialog, [&](HWND d) {
        ExpectTemplate(d, L"TCP/IPの設定（Client）", 195, 270);
        EXPECT_EQ(ListLines(d, IDC_HOST_LIST),
                  (std::vector<std::wstring>{L"192 .168 .001 .001", L"192 .168 .001 .002",
                                             L"192 .168 .001 .003"}));
        EXPECT_EQ(Address(d), MAKEIPADDRESS(192, 168, 1, 2));
        EXPECT_EQ(ControlText(d, IDC_CLIENT_PORT), L"09004");
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_CLIENT_PORT, EM_GETLIMITTEXT, 0, 0), 5);
        EXPECT_TRUE(Enabled(d, IDC_CLIENT_CONNECT));
        EXPECT_FALSE(Enabled(d, IDC_CLIENT_DISCONNECT));
        EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(d));
        ClickButton(d, IDOK);
    });
    // Closing stores the port, changed or not.
    EXPECT_EQ(ini.writes, Writes{"port_number=09004"});
}

TEST_F(ConnectionDialogTest, ClientDialogAddDeleteSelectAndPortWriteTheirKeys) {
    FillHosts(c.app, 3);
    c.app.selected_connection = 0;
    Drive(OpenTcpClientDialog, [&](HWND d) {
        SetAddress(d, 10, 0, 0, 7);
        ClickButton(d, IDC_HOST_ADD);
        EXPECT_EQ(ini.writes,
                  (Writes{"list_count=4", "ip03_0=10", "ip03_1=0", "ip03_2=0", "ip03_3=7"}));
        EXPECT_EQ(ListLines(d, IDC_HOST_LIST).back(), L"010 .000 .000 .007");

        // Delete the first of the four: every later entry moves down and is rewritten.
        ini.writes.clear();
        SendDlgItemMessageW(d, IDC_HOST_LIST, LB_SETCURSEL, 0, 0);
        ClickButton(d, IDC_HOST_DELETE);
        EXPECT_EQ(ini.writes,
                  (Writes{"list_count=3", "ip00_0=192", "ip00_1=168", "ip00_2=1", "ip00_3=2",
                          "ip01_0=192", "ip01_1=168", "ip01_2=1", "ip01_3=3", "ip02_0=10",
                          "ip02_1=0", "ip02_2=0", "ip02_3=7"}));
        EXPECT_EQ(ListLines(d, IDC_HOST_LIST),
                  (std::vector<std::wstring>{L"192 .168 .001 .002", L"192 .168 .001 .003",
                                             L"010 .000 .000 .007"}));
        EXPECT_EQ(c.app.selected_connection, 0);

        // Delete with nothing selected does nothing.
        ini.writes.clear();
        SendDlgItemMessageW(d, IDC_HOST_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ClickButton(d, IDC_HOST_DELETE);
        EXPECT_TRUE(ini.writes.empty());

        // Double-click selects the entry and shows it.
        DoubleClickLine(d, IDC_HOST_LIST, 2);
        EXPECT_EQ(ini.writes, Writes{"select_number=2"});
        EXPECT_EQ(c.app.selected_connection, 2);
        EXPECT_EQ(Address(d), MAKEIPADDRESS(10, 0, 0, 7));

        // The port field goes to tcp_port_text as it changes; the key only on closing.
        ini.writes.clear();
        SetDlgItemTextW(d, IDC_CLIENT_PORT, L"9100");
        EXPECT_STREQ(c.app.tcp_port_text, "9100");
        SetDlgItemTextW(d, IDC_CLIENT_PORT, L"1234567");  // a paste past the limit
        EXPECT_STREQ(c.app.tcp_port_text, "12345");
        SetDlgItemTextW(d, IDC_CLIENT_PORT, L"09010");
        EXPECT_TRUE(ini.writes.empty());
        ClickButton(d, IDOK);
    });
    EXPECT_EQ(ini.writes, Writes{"port_number=09010"});
    EXPECT_EQ(c.app.host_list_count, 3);
}

TEST_F(ConnectionDialogTest, ClientDialogRefusesTheHundredAndFirstHost) {
    FillHosts(c.app, 100);
    Drive(OpenTcpClientDialog, [&](HWND d) {
        EXPECT_EQ(ListLines(d, IDC_HOST_LIST).size(), 100u);
        SetAddress(d, 10, 1, 2, 3);
        ClickButton(d, IDC_HOST_ADD);
        EXPECT_EQ(ListLines(d, IDC_HOST_LIST).size(), 100u);
        EXPECT_TRUE(ini.writes.empty());
        ASSERT_EQ(prompts.calls.size(), 1u);
        EXPECT_EQ(prompts.calls[0], "error(exclamation): " + std::string(kHostListFullText));
        ClickButton(d, IDOK);
    });
    EXPECT_EQ(c.app.host_list_count, 100);
}

TEST_F(ConnectionDialogTest, ClientDialogWithEmptyListIgnoresDeleteAndDoubleClick) {
    c.app.selected_connection = 0;
    Drive(OpenTcpClientDialog, [&](HWND d) {
        EXPECT_EQ(Address(d), 0u);
        EXPECT_TRUE(ListLines(d, IDC_HOST_LIST).empty());
        ClickButton(d, IDC_HOST_DELETE);
        DoubleClickLine(d, IDC_HOST_LIST, 0);
        EXPECT_TRUE(ini.writes.empty());
        // Disconnect without a connection does nothing either.
        ClickButton(d, IDC_CLIENT_DISCONNECT);
        EXPECT_TRUE(prompts.calls.empty());
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ(ini.writes, Writes{"port_number=09004"});
}

TEST_F(ConnectionDialogTest, ServerDialogWithoutClientsAndItsPortOnClose) {
    c.app.tcp_role = 1;
    c.app.selected_connection = -1;
    Drive(OpenTcpServerDialog, [&](HWND d) {
        ExpectTemplate(d, L"TCP/IPの設定（Server）", 174, 224);
        EXPECT_TRUE(Enabled(d, IDOK));
        EXPECT_TRUE(Enabled(d, IDC_SERVER_PORT));
        EXPECT_FALSE(Enabled(d, IDC_SERVER_DISCONNECT));
        EXPECT_EQ(ControlText(d, IDC_SERVER_PORT), L"09004");
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_SERVER_PORT, EM_GETLIMITTEXT, 0, 0), 5);
        EXPECT_TRUE(ListLines(d, IDC_SERVER_CLIENT_LIST).empty());
        // A double-click on an empty list chooses no one.
        c.app.selected_connection = 4;
        DoubleClickLine(d, IDC_SERVER_CLIENT_LIST, 0);
        EXPECT_EQ(c.app.selected_connection, -1);
        EXPECT_EQ(c.app.socket_connected, 0);
        SetDlgItemTextW(d, IDC_SERVER_PORT, L"9005");
        EXPECT_TRUE(ini.writes.empty());
        ClickButton(d, IDCANCEL);
    });
    EXPECT_EQ(ini.writes, Writes{"port_number=9005"});
}

TEST_F(ConnectionDialogTest, ServerDialogListsClientsInSlotOrderAndShowsTheChosenOne) {
    // Slots as the link leaves them after the client of slot 2 has gone.
    c.app.tcp_role = 1;
    StoreClient(c.sockets, 1, 1001, "10.0.0.1");
    StoreClient(c.sockets, 3, 1003, "10.0.0.3");
    StoreClient(c.sockets, 4, 1004, "10.0.0.4");
    c.app.selected_connection = 3;
    Drive(OpenTcpServerDialog, [&](HWND d) {
        EXPECT_FALSE(Enabled(d, IDOK));
        EXPECT_FALSE(Enabled(d, IDC_SERVER_PORT));
        EXPECT_TRUE(Enabled(d, IDC_SERVER_DISCONNECT));
        EXPECT_EQ(ListLines(d, IDC_SERVER_CLIENT_LIST),
                  (std::vector<std::wstring>{L"10.0.0.1", L"10.0.0.3", L"10.0.0.4"}));
        EXPECT_EQ(ControlText(d, IDC_SERVER_PLACE), L"10.0.0.3");
        DoubleClickLine(d, IDC_SERVER_CLIENT_LIST, 2);
        EXPECT_EQ(c.app.selected_connection, 4);
        EXPECT_EQ(c.app.socket_connected, 1);
        EXPECT_EQ(ControlText(d, IDC_SERVER_PLACE), L"10.0.0.4");
        // A client leaving while the dialog is open: the link tells the dialog.
        ReleaseClientSocket(c.sockets, 1001);
        SendMessageW(d, MSG_SOCKET_LINK_CHANGED, 0, 0);
        EXPECT_EQ(ListLines(d, IDC_SERVER_CLIENT_LIST),
                  (std::vector<std::wstring>{L"10.0.0.3", L"10.0.0.4"}));
        DoubleClickLine(d, IDC_SERVER_CLIENT_LIST, 0);
        EXPECT_EQ(c.app.selected_connection, 3);
        ClickButton(d, IDCANCEL);
    });
    ResetClientSlots(c.sockets);  // the sockets above are not real
}

}  // namespace
}  // namespace tvx::test
