// What a real Windows PC does to the program beyond a clean run, reproduced in-process under
// Wine: a first copy that runs as administrator, file dialogs that move the current folder,
// files held for a moment by another program, the DPI setting, socket answers that reach any
// dialog, stale socket notifications, dead devices and a full server, and the session ending
// with unsaved titles.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include <mstcpip.h>

#include "app/about_win.h"
#include "app/main_window_win.h"
#include "app/session_end_win.h"
#include "dialogs/char_level_win.h"
#include "dialogs/connection_win.h"
#include "dialogs/slave_address_win.h"
#include "link/socket_events.h"
#include "link/socket_win.h"
#include "winbase/file_system_win.h"
#include "winbase/ini_store_win.h"
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

// A fresh folder under the temporary folder, emptied (one level) and removed at the end.
struct TempFolder {
    std::wstring dir;
    explicit TempFolder(const wchar_t* tag) {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        dir = std::wstring(base) + tag + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    ~TempFolder() {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring path = dir + L"\\" + found.cFileName;
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path.c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(dir.c_str());
    }
    std::wstring Wide(const wchar_t* name) const { return dir + L"\\" + name; }
};

std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

// ---- Single copy ----------------------------------------------------------------------------

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

    // A name nobody holds: this copy takes it, and a second look finds it taken.
    EXPECT_FALSE(AnotherCopyRuns(L"TVX5870_Test_Free", held));
    ASSERT_NE(held, nullptr);
    HANDLE second = nullptr;
    EXPECT_TRUE(AnotherCopyRuns(L"TVX5870_Test_Free", second));
    CloseHandle(held);
    CloseHandle(admin_copy);
}

// ---- File dialogs ---------------------------------------------------------------------------

TEST(FileDialogs, BrowsingToAFolderDoesNotMoveTheCurrentFolder) {
    TempFolder folder(L"tvx-dialog-");
    HANDLE file = CreateFileW(folder.Wide(L"show.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    const std::wstring before = CurrentFolder();
    ASSERT_NE(before, folder.dir);
    std::string path;
    bool chosen = false;
    ASSERT_TRUE(DriveModalDialog(
        [&] { chosen = WindowsPrompts().AskFileName(FileDialogKind::OpenSettings, path); },
        [&](HWND d) {
            HWND name = GetDlgItem(d, 0x480);  // the file name box (edt1)
            if (!name) name = GetDlgItem(d, 0x47c);
            ASSERT_NE(name, nullptr);
            // The user opens the folder, then picks the file in it.
            SetWindowTextW(name, folder.dir.c_str());
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            PumpMessages(300);
            SetWindowTextW(name, L"show.dat");
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        },
        20000));
    EXPECT_TRUE(chosen);
    EXPECT_EQ(Utf8ToWide(path), folder.Wide(L"show.dat"));
    EXPECT_EQ(CurrentFolder(), before);
}

// ---- Saving over a file another program holds for a moment ------------------------------------

TEST(WinFileSystemSave, ATargetHeldForAMomentIsReplacedOnceItIsFree) {
    TempFolder folder(L"tvx-busy-");
    const std::wstring target = folder.Wide(L"show.dat");
    WinFileSystem fs;
    ASSERT_TRUE(fs.ReplaceFileContents(WideToUtf8(target), "old"));
    // A scanner that keeps the file open, without letting it be deleted, for 400 ms.
    HANDLE scanner = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    HANDLE releaser = CreateThread(
        nullptr, 0,
        [](LPVOID held) -> DWORD {
            Sleep(400);
            CloseHandle(static_cast<HANDLE>(held));
            return 0;
        },
        scanner, 0, nullptr);
    EXPECT_TRUE(fs.ReplaceFileContents(WideToUtf8(target), "new"));
    WaitForSingleObject(releaser, 5000);
    CloseHandle(releaser);
    std::string bytes;
    ASSERT_TRUE(fs.ReadWholeFile(WideToUtf8(target), bytes));
    EXPECT_EQ(bytes, "new");
    // No temporary of the program is left beside it (Wine's own replace may leave one of its
    // own after a refused try).
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(folder.Wide(L"~tvx*").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << WideToUtf8(found.cFileName);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text) ch = static_cast<wchar_t>(towlower(ch));
    return text;
}

TEST(ConfigurationFile, TheVirtualStoreCopyIsLookedForUnderLocalAppData) {
    // C:\Windows\tvx5870.ini was kept in C:\Users\<user>\AppData\Local\VirtualStore\Windows.
    const std::wstring path = Lower(VirtualStoreIniPath());
    const std::wstring tail = L"\\appdata\\local\\virtualstore\\windows\\tvx5870.ini";
    ASSERT_GT(path.size(), tail.size());
    EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
    EXPECT_EQ(path.substr(0, 9), L"c:\\users\\");
    EXPECT_EQ(Lower(WindowsFolderIniPath()), L"c:\\windows\\tvx5870.ini");
}

// ---- DPI ------------------------------------------------------------------------------------

// Wine treats every program as DPI-aware, so the manifest itself is read: the front panel and
// the glyph editor draw and hit-test in fixed pixels, and Windows is to scale them.
TEST(Resources, ManifestLeavesTheScalingToWindows) {
    HRSRC found = FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const char* text =
        static_cast<const char*>(LockResource(LoadResource(ProgramInstance(), found)));
    const std::string manifest(text, SizeofResource(ProgramInstance(), found));
    EXPECT_NE(manifest.find("WindowsSettings\">false</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("WindowsSettings\">unaware</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find("WindowsSettings\">true</gdiScaling>"), std::string::npos);
}

// ---- Socket answers reach every dialog that can be active ---------------------------------------

struct DialogOpener {
    const char* name;
    void (*open)(HWND owner);
};

TEST_F(ProgramTest, EveryDialogThatCanBeActiveReadsASocketAnswerItself) {
    const DialogOpener dialogs[] = {
        {"interface", OpenInterfaceDialog},
        {"RS-232C", OpenComPortDialog},
        {"client/server", OpenClientServerDialog},
        {"TCP/IP client", OpenTcpClientDialog},
        {"TCP/IP server", OpenTcpServerDialog},
        {"character level", OpenCharLevelDialog},
        {"device slave address", OpenDeviceSlaveAddressDialog},
        {"version", OpenVersionDialog},
    };
    for (const DialogOpener& d : dialogs) {
        prompts.calls.clear();
        RECT before = {}, after = {};
        ASSERT_TRUE(DriveModalDialog(
            [&] { d.open(nullptr); },
            [&](HWND dialog) {
                // Half off the screen, where DM_REPOSITION would move it.
                SetWindowPos(dialog, nullptr, -50, -40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                GetWindowRect(dialog, &before);
                const int mark = BeginAnswerExchange(c.sockets.reply_queue);
                PushReplyPiece(c.sockets.reply_queue, mark, "00E3\r\n", 6);
                SendMessageW(dialog, MSG_SOCKET_REPLY, 0, 0);
                GetWindowRect(dialog, &after);
            }))
            << d.name;
        EXPECT_EQ(prompts.calls, Calls{"error(exclamation): Socket Command"}) << d.name;
        EXPECT_EQ(c.sockets.reply_queue.count, 0) << d.name;
        EXPECT_EQ(before.left, after.left) << d.name;
        EXPECT_EQ(before.top, after.top) << d.name;
    }
}

// ---- The session ends with unsaved titles ------------------------------------------------------

// Line n (1-based) of a settings text.
std::string LineOf(const std::string& text, int n) {
    std::size_t at = 0;
    for (int i = 1; i < n; ++i) at = text.find("\r\n", at) + 2;
    return text.substr(at, text.find("\r\n", at) - at);
}

TEST_F(ProgramTest, ALogoffKeepsUnsavedTitlesForTheNextStartAndAFailedKeepHoldsIt) {
    InitProgramControls();
    RegisterMainWindowClass(ProgramInstance());
    HWND main = CreateMainWindow(ProgramInstance());
    ASSERT_NE(main, nullptr);
    const RecoveryFiles where = ProgramRecoveryFiles();
    ASSERT_FALSE(where.data_path.empty());
    std::strcpy(c.model.title_text[4], "FINALE");
    std::strcpy(c.app.current_file_name, "C:\\data\\show.dat");
    c.app.document_modified = 1;

    // Called off: the program runs on, nothing is kept.
    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    EXPECT_EQ(files.files.size(), 2u);
    SendMessageW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(files.files.empty());

    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(prompts.calls.empty()) << "no question while the session ends";
    EXPECT_EQ(LineOf(files.files[where.data_path], 1171), "FINALE");
    EXPECT_EQ(files.files[where.name_path], "C:\\data\\show.dat");

    // The next start.
    ResetToDefaults(c.model, c.app);
    prompts.yes_no_answers = {true};
    OfferSessionRecovery(main);
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_NE(prompts.calls[0].find("前回の終了時に保存されていなかったデータがあります。"),
              std::string::npos);
    EXPECT_STREQ(c.model.title_text[4], "FINALE");
    EXPECT_STREQ(c.app.current_file_name, "C:\\data\\show.dat");
    EXPECT_EQ(c.app.document_modified, 1);
    EXPECT_TRUE(files.files.empty());

    // Where the titles cannot be kept, the session end is held.
    files.fail_writes = true;
    EXPECT_FALSE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    DestroyWindow(main);
}

// ---- Sockets --------------------------------------------------------------------------------

// The tests' own sockets.
const int kTestWinsock = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}();

// Winsock whose every new socket gets the same number, as a closed socket's number is given
// again on a real system; the connect is always under way.
constexpr SOCKET kReusedNumber = 0x4242;
SOCKET WSAAPI SameNumberSocket(int, int, int) {
    return kReusedNumber;
}
int WSAAPI Succeeds(SOCKET, HWND, u_int, long) {
    return 0;
}
int WSAAPI ConnectUnderWay(SOCKET, const sockaddr*, int) {
    WSASetLastError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
}
int WSAAPI CloseSucceeds(SOCKET) {
    return 0;
}

class SocketLinkTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        c.app.interface_type = 1;
        c.app.read_thread_running = 1;
        c.app.host_list[0][0] = 127;
        c.app.host_list[0][3] = 1;
        c.app.host_list_count = 1;
        c.app.selected_connection = 0;
    }
    void TearDown() override {
        CloseAllSockets(c);
        DrainThreadMessages();
        SetWinsockApi(nullptr);
        ProgramTest::TearDown();
    }
};

TEST_F(SocketLinkTest, ANotificationOfAClosedSocketCannotTouchTheNewOneWithItsNumber) {
    WinsockApi api = SystemWinsockApi();
    api.open_socket = SameNumberSocket;
    api.async_select = Succeeds;
    api.connect_to = ConnectUnderWay;
    api.close_socket = CloseSucceeds;
    SetWinsockApi(&api);
    ASSERT_TRUE(ConnectToServer(c));
    // The first attempt's notification is queued when the user disconnects and connects again.
    PostMessageW(SocketLinkWindow(), MSG_SOCKET_EVENT, kReusedNumber, FD_CONNECT);
    CloseAllSockets(c);
    ASSERT_TRUE(ConnectToServer(c));
    ASSERT_EQ(c.sockets.link_socket, kReusedNumber);
    DrainThreadMessages();
    EXPECT_EQ(c.app.socket_connected, 0);
    EXPECT_TRUE(prompts.calls.empty());
    // The new socket's own notification is taken.
    PostMessageW(SocketLinkWindow(), MSG_SOCKET_EVENT, kReusedNumber, FD_CONNECT);
    DrainThreadMessages();
    EXPECT_EQ(c.app.socket_connected, 1);
    EXPECT_EQ(prompts.calls, Calls{"success: Socket 接続 OK"});
}

struct KeepAliveSeen {
    DWORD code = 0;
    tcp_keepalive timings = {};
};
KeepAliveSeen g_keep_alive;
int WSAAPI RecordingIoctl(SOCKET s, DWORD code, LPVOID in, DWORD in_size, LPVOID out,
                          DWORD out_size, LPDWORD returned, LPWSAOVERLAPPED overlapped,
                          LPWSAOVERLAPPED_COMPLETION_ROUTINE routine) {
    g_keep_alive.code = code;
    if (in && in_size == sizeof(tcp_keepalive))
        g_keep_alive.timings = *static_cast<tcp_keepalive*>(in);
    return ::WSAIoctl(s, code, in, in_size, out, out_size, returned, overlapped, routine);
}

TEST_F(SocketLinkTest, AcceptedDevicesGetShortKeepAliveAndOneFoundDeadLeavesQuietly) {
    WinsockApi api = SystemWinsockApi();
    api.io_control = RecordingIoctl;
    SetWinsockApi(&api);
    c.app.tcp_role = 1;
    std::snprintf(c.app.tcp_port_text, sizeof c.app.tcp_port_text, "%d", FreeTcpPort());
    ASSERT_TRUE(StartServer(c));
    SOCKET device = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(std::atoi(c.app.tcp_port_text)));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(device, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_TRUE(PumpUntil([&] { return c.sockets.client_slots[1].in_use == 1; }, 5000));

    EXPECT_EQ(g_keep_alive.code, static_cast<DWORD>(SIO_KEEPALIVE_VALS));
    EXPECT_EQ(g_keep_alive.timings.onoff, 1u);
    EXPECT_EQ(g_keep_alive.timings.keepalivetime, 20000u);
    EXPECT_EQ(g_keep_alive.timings.keepaliveinterval, 4000u);
    const SOCKET accepted = static_cast<SOCKET>(c.sockets.client_slots[1].socket);
    BOOL on = FALSE;
    int size = sizeof on;
    ASSERT_EQ(::getsockopt(accepted, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<char*>(&on), &size),
              0);
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
