// What a real Windows PC does to the program beyond a clean run, reproduced in-process under
// Wine: a first copy that runs as administrator, file dialogs that move the current folder,
// the DPI setting, socket answers that reach any dialog, stale socket notifications, dead
// devices, and the session ending with unsaved titles.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <mstcpip.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/about_win.h"
#include "app/main_window_win.h"
#include "app/session_end_win.h"
#include "dialogs/bulk_transfer_win.h"
#include "dialogs/char_level_win.h"
#include "dialogs/connection_win.h"
#include "dialogs/network_settings_win.h"
#include "dialogs/page_grid_win.h"
#include "dialogs/position_lists_win.h"
#include "dialogs/slave_address_win.h"
#include "dialogs/title_setting_win.h"
#include "glyphs/glyph_editor_win.h"
#include "glyphs/glyph_insert_win.h"
#include "glyphs/glyph_list_win.h"
#include "glyphs/glyph_window_win.h"
#include "link/socket_events.h"
#include "link/socket_win.h"
#include "winbase/program_win.h"
#include "winbase/prompts_win.h"
#include "winbase/single_instance_win.h"
#include "winbase/text_win.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "tcp_support.h"

namespace tvx::test {
namespace {

using Calls = std::vector<std::string>;

TEST(SingleCopy, AMutexThisUserMayNotOpenStillMeansAnotherCopyRuns) {
    // An administrator's mutex refuses a standard user every right: an empty access list.
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ACL acl;
    InitializeAcl(&acl, sizeof acl, ACL_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
    SECURITY_ATTRIBUTES sa = {sizeof sa, &sd, FALSE};
    HANDLE admin_copy = CreateMutexW(&sa, FALSE, L"TVX5870_Test_Elevated");
    ASSERT_NE(admin_copy, nullptr);
    HANDLE held = nullptr;
    EXPECT_TRUE(AnotherCopyRuns(L"TVX5870_Test_Elevated", held));
    EXPECT_EQ(held, nullptr);
    CloseHandle(admin_copy);
}

TEST(FileDialogs, BrowsingToAFolderDoesNotMoveTheCurrentFolder) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tvx-dialog";
    const std::wstring file = folder + L"\\show.dat";
    CreateDirectoryW(folder.c_str(), nullptr);
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    wchar_t before[MAX_PATH] = {}, after[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    std::string path;
    ASSERT_TRUE(DriveModalDialog(
        [&] { WindowsPrompts().AskFileName(FileDialogKind::OpenSettings, path); },
        [&](HWND d) {
            HWND name = GetDlgItem(d, 0x47c);  // the file name box (combo cmb13, or edt1)
            if (!name) name = GetDlgItem(d, 0x480);
            ASSERT_NE(name, nullptr);
            // The user opens the folder, then picks the file in it.
            SetWindowTextW(name, folder.c_str());
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            PumpMessages(300);
            SetWindowTextW(name, L"show.dat");
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        },
        20000));
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_EQ(Utf8ToWide(path), file);
    EXPECT_STREQ(after, before);
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

// The file dialog: type a name and press OK.
std::function<bool(HWND)> TypeName(const std::wstring& name) {
    return [name](HWND d) {
        if (!FileNameBox(d)) return false;
        SetWindowTextW(FileNameBox(d), name.c_str());
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    };
}

// A message box: keep its text, press the button.
std::function<bool(HWND)> Answer(std::wstring& text, int button) {
    return [&text, button](HWND d) {
        if (!GetDlgItem(d, 0xFFFF) || FileNameBox(d)) return false;
        text = WindowTextOf(GetDlgItem(d, 0xFFFF));
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return true;
    };
}

// A name typed without its extension gets it from the dialog, which then asks about the file
// really written; a name that still needs the program's extension is asked about by the
// program; an extension in capitals is the extension.
TEST(FileDialogs, TheNameCheckedForOverwritingIsTheNameWritten) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tvx-save";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring existing[] = {folder + L"\\title1.dat", folder + L"\\title.v2.dat"};
    for (const std::wstring& file : existing)
        CloseHandle(
            CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Prompts& prompts = WindowsPrompts();
    std::string path;
    std::wstring asked;

    auto ask = [&] { EXPECT_TRUE(prompts.AskFileName(FileDialogKind::SaveSettings, path)); };
    EXPECT_TRUE(DriveSteps(ask, {TypeName(folder + L"\\title1"), Answer(asked, IDYES)}));
    EXPECT_EQ(Utf8ToWide(path), folder + L"\\title1.dat");
    // Only title1.dat exists: a question at all means the dialog checked the name written.
    EXPECT_NE(asked.find(L"既に存在します"), std::wstring::npos) << "asked before replacing";

    path.clear();
    EXPECT_TRUE(DriveSteps(ask, {TypeName(folder + L"\\FOO.DAT")}));
    EXPECT_EQ(Utf8ToWide(path), folder + L"\\FOO.DAT");

    // No: the dialog comes back, and a cancel there writes nothing. Yes: that name.
    asked.clear();
    bool chosen = true;
    auto ask_chosen = [&] { chosen = prompts.AskFileName(FileDialogKind::SaveSettings, path); };
    EXPECT_TRUE(DriveSteps(ask_chosen, {TypeName(folder + L"\\title.v2"), Answer(asked, IDNO),
                            [](HWND d) {
                                if (!FileNameBox(d)) return false;
                                PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                                return true;
                            }}));
    EXPECT_FALSE(chosen);
    EXPECT_EQ(asked, L"title.v2.dat は既に存在します。\n上書きしますか?");
    EXPECT_TRUE(DriveSteps(ask_chosen, {TypeName(folder + L"\\title.v2"), Answer(asked, IDYES)}));
    EXPECT_TRUE(chosen);
    EXPECT_EQ(Utf8ToWide(path), folder + L"\\title.v2.dat");
    for (const std::wstring& file : existing) DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

// Wine treats every program as DPI-aware, so the manifest itself is read: the front panel and
// the glyph editor draw and hit-test in fixed pixels, and Windows is to scale them.
TEST(Resources, ManifestLeavesTheScalingToWindows) {
    HRSRC found = FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(
        static_cast<const char*>(LockResource(LoadResource(ProgramInstance(), found))),
        SizeofResource(ProgramInstance(), found));
    EXPECT_NE(manifest.find("WindowsSettings\">false</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("WindowsSettings\">unaware</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find("WindowsSettings\">true</gdiScaling>"), std::string::npos);
}

TEST_F(ProgramTest, EveryDialogThatCanBeActiveReadsASocketAnswerItself) {
    void (*const dialogs[])(HWND) = {
        OpenInterfaceDialog,          OpenComPortDialog,         OpenClientServerDialog,
        OpenTcpClientDialog,          OpenTcpServerDialog,       OpenCharLevelDialog,
        OpenDeviceSlaveAddressDialog, OpenVersionDialog,         OpenSetAllDialog,
        OpenReadBackDialog,           OpenNetworkSettingsDialog, OpenTitleSettingDialog,
        OpenTitleDisplayDialog,       OpenPageSwitchingDialog,   OpenGlyphEditorDialog,
        OpenGlyphListDialog,          OpenGlyphInsertDialog,
    };
    for (auto open : dialogs) {
        prompts.calls.clear();
        RECT before = {}, after = {};
        ASSERT_TRUE(DriveModalDialog(
            [&] { open(nullptr); },
            [&](HWND dialog) {
                // Half off the screen, where DM_REPOSITION would move it.
                SetWindowPos(dialog, nullptr, -50, -40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                GetWindowRect(dialog, &before);
                PushReplyPiece(c.sockets.reply_queue, BeginAnswerExchange(c.sockets.reply_queue),
                               "00E3\r\n", 6);
                SendMessageW(dialog, MSG_SOCKET_REPLY, 0, 0);
                GetWindowRect(dialog, &after);
            }));
        EXPECT_EQ(prompts.calls, Calls{"error(exclamation): Socket Command"});
        EXPECT_EQ(before.left, after.left);
        EXPECT_EQ(before.top, after.top);
    }
}

TEST_F(ProgramTest, ASessionEndKeepsUnsavedWorkForTheNextStartAFailedKeepHoldsItAndACloseEnds) {
    InitProgramControls();
    RegisterMainWindowClass(ProgramInstance());
    HWND main = CreateMainWindow(ProgramInstance());
    ASSERT_NE(main, nullptr);
    std::strcpy(c.model.title_text[4], "FINALE");
    c.app.document_modified = 1;
    GlyphState& glyphs = ProgramGlyphState();
    glyphs = GlyphState{};
    glyphs.glyph_modified = 1;
    c.model.glyph_pattern[2][0] = 'C';
    // A session end called off keeps nothing; one that goes on keeps titles and glyphs, unasked.
    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    EXPECT_EQ(files.files.size(), 4u);
    SendMessageW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(prompts.calls.empty());

    ResetToDefaults(c.model, c.app);  // the next start
    glyphs = GlyphState{};
    OfferSessionRecovery(main);
    EXPECT_EQ(prompts.calls.size(), 1u);
    EXPECT_STREQ(c.model.title_text[4], "FINALE");
    EXPECT_EQ(c.app.document_modified, 1);
    EXPECT_EQ(c.model.glyph_pattern[2][0], 'C');
    EXPECT_EQ(glyphs.glyph_modified, 1);
    EXPECT_TRUE(files.files.empty());

    files.fail_writes = true;  // nowhere to keep them: the end is held
    EXPECT_FALSE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);

    // An installer's Restart Manager asks the program to close: Windows ends no process then,
    // so the program keeps the work for the next start and ends itself, asking nothing.
    files.fail_writes = false;
    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(files.files.size(), 4u);
    EXPECT_EQ(prompts.calls.size(), 1u);  // the offer at the start above, nothing since
    DestroyWindow(main);
    glyphs = GlyphState{};
}

// ---- Sockets --------------------------------------------------------------------------------

const int kTestWinsock = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}();

class SocketLinkTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        c.app.interface_type = 1;
        c.app.host_list[0][0] = 127;
        c.app.host_list[0][3] = 1;
        c.app.host_list_count = 1;
    }
    void TearDown() override {
        CloseAllSockets(c);
        DrainThreadMessages();
        SetWinsockApi(nullptr);
        ProgramTest::TearDown();
    }
};

// Every new socket gets the same number, as a closed socket's number is given again on a real
// system; the connect is always under way.
constexpr SOCKET kReusedNumber = 0x4242;

TEST_F(SocketLinkTest, ANotificationOfAClosedSocketCannotTouchTheNewOneWithItsNumber) {
    WinsockApi api = SystemWinsockApi();
    api.open_socket = [](int, int, int) -> SOCKET { return kReusedNumber; };
    api.async_select = [](SOCKET, HWND, u_int, long) WSAAPI -> int { return 0; };
    api.connect_to = [](SOCKET, const sockaddr*, int) WSAAPI -> int {
        WSASetLastError(WSAEWOULDBLOCK);
        return SOCKET_ERROR;
    };
    api.close_socket = [](SOCKET) WSAAPI -> int { return 0; };
    SetWinsockApi(&api);
    ASSERT_TRUE(ConnectToServer(c));
    // The first attempt's notification is queued when the user disconnects and connects again.
    PostMessageW(SocketLinkWindow(), MSG_SOCKET_EVENT, kReusedNumber, FD_CONNECT);
    CloseAllSockets(c);
    ASSERT_TRUE(ConnectToServer(c));
    DrainThreadMessages();
    EXPECT_EQ(c.app.socket_connected, 0);
    EXPECT_TRUE(prompts.calls.empty());
    // The new socket's own notification is taken.
    PostMessageW(SocketLinkWindow(), MSG_SOCKET_EVENT, kReusedNumber, FD_CONNECT);
    DrainThreadMessages();
    EXPECT_EQ(prompts.calls, Calls{"success: Socket 接続 OK"});
}

tcp_keepalive g_keep_alive = {};
int WSAAPI RecordingIoctl(SOCKET s, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                          DWORD out_size, LPDWORD returned, LPWSAOVERLAPPED overlapped,
                          LPWSAOVERLAPPED_COMPLETION_ROUTINE routine) {
    if (code == SIO_KEEPALIVE_VALS && in_size == sizeof g_keep_alive)
        g_keep_alive = *static_cast<tcp_keepalive*>(in);
    return ::WSAIoctl(s, code, in, in_size, out, out_size, returned, overlapped, routine);
}

TEST_F(SocketLinkTest, AcceptedDevicesGetShortKeepAliveAndOneFoundDeadLeavesQuietly) {
    WinsockApi api = SystemWinsockApi();
    api.io_control = RecordingIoctl;
    SetWinsockApi(&api);
    c.app.tcp_role = 1;
    const int port = FreeTcpPort();
    std::snprintf(c.app.tcp_port_text, sizeof c.app.tcp_port_text, "%d", port);
    ASSERT_TRUE(StartServer(c));
    SOCKET device = RawConnect(port);
    ASSERT_NE(device, INVALID_SOCKET);
    ASSERT_TRUE(PumpUntil([&] { return c.sockets.client_slots[1].in_use == 1; }, 5000));
    EXPECT_EQ(g_keep_alive.onoff, 1u);
    EXPECT_EQ(g_keep_alive.keepalivetime, 20000u);
    EXPECT_EQ(g_keep_alive.keepaliveinterval, 4000u);
    const SOCKET accepted = static_cast<SOCKET>(c.sockets.client_slots[1].socket);
    BOOL on = FALSE;
    int size = sizeof on;
    ::getsockopt(accepted, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<char*>(&on), &size);
    EXPECT_TRUE(on);
    // Keep-alive gives up on the device: its slot is freed without a box.
    SendMessageW(SocketLinkWindow(), MSG_SOCKET_EVENT, accepted,
                 WSAMAKESELECTREPLY(FD_CLOSE, WSAECONNABORTED));
    EXPECT_EQ(c.sockets.client_slots[1].in_use, 0);
    EXPECT_TRUE(prompts.calls.empty());
    ::closesocket(device);
}

}  // namespace
}  // namespace tvx::test
