// The program shell in-process: resources, the main window (style, size, title, menu greying,
// corner gesture, exit procedure, painting), the information dialogs, the message boxes and
// the text conversions.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/about_win.h"
#include "app/main_window_win.h"
#include "app/menu_commands_win.h"
#include "protocol/replies.h"
#include "model/cp932.h"
#include "winbase/program_win.h"
#include "winbase/prompts_win.h"
#include "winbase/text_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "support/window_driver_win.h"

namespace tvx::test {
namespace {

HWND TestMainWindow() {
    static HWND main = [] {
        InitProgramControls();
        RegisterMainWindowClass(ProgramInstance());
        return CreateMainWindow(ProgramInstance());
    }();
    return main;
}

struct MenuEntry {
    int depth;  // 0 = menu bar, 1 = popup item, 2 = submenu item
    std::wstring text;
    int id;  // 0 for separators and popups
};

void CollectMenu(HMENU menu, int depth, std::vector<MenuEntry>& out) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = 128;
        ASSERT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
        if (info.fType & MFT_SEPARATOR) {
            out.push_back({depth, L"-", 0});
        } else if (info.hSubMenu) {
            out.push_back({depth, text, 0});
            CollectMenu(info.hSubMenu, depth + 1, out);
        } else {
            EXPECT_EQ(info.fState & MFS_GRAYED, 0u) << "the resource greys no item";
            out.push_back({depth, text, static_cast<int>(info.wID)});
        }
    }
}

TEST(Resources, MenuHasEveryItemWithItsCommandIdInOrder) {
    HMENU menu = LoadMenuW(ProgramInstance(), L"IDM_MENU");
    ASSERT_NE(menu, nullptr);
    std::vector<MenuEntry> entries;
    CollectMenu(menu, 0, entries);
    DestroyMenu(menu);
    const std::vector<MenuEntry> expected = {
        {0, L"ファイル", 0},
        {1, L"新規作成", 40001},
        {1, L"開く", 40002},
        {1, L"上書き保存", 40003},
        {1, L"名前を付けて保存", 40004},
        {1, L"-", 0},
        {1, L"タイトルをCSVで読み込み...", 40216},
        {1, L"タイトルをCSVで書き出し...", 40217},
        {1, L"-", 0},
        {1, L"ｱﾌﾟﾘｹｰｼｮﾝの終了", 119},
        {0, L"設定", 0},
        {1, L"表示ページ切換え", 40012},
        {1, L"タイトルの設定", 40010},
        {1, L"タイトル表示の設定", 40014},
        {1, L"表示ページ割り付け", 40212},
        {1, L"自動切換えの設定", 40016},
        {1, L"スタートアップの設定", 40064},
        {1, L"文字レベルの設定", 40018},
        {1, L"表示位置の微調整", 40020},
        {1, L"外字挿入", 40024},
        {1, L"外字一覧", 40214},
        {1, L"ページの見え方...", 40230},
        {1, L"-", 0},
        {1, L"全項目の設定", 40009},
        {1, L"機器のスレーブアドレス", 40028},
        {1, L"メンテナンス", 0},
        {2, L"設定項目の読み込み", 40213},
        {1, L"-", 0},
        {1, L"応答を待って送る（高速）", 40218},
        {1, L"リモート制御...", 40220},
        {1, L"通信ログ", 40219},
        {0, L"インターフェイス", 0},
        {1, L"インターフェイスの設定", 40208},
        {1, L"RS-232Cの設定", 40209},
        {1, L"クライアント/サーバー", 40211},
        {1, L"TCP/IPの設定", 40008},
        {0, L"プロトコル", 0},
        {1, L"プロトコルの設定", 40207},
        {0, L"情報", 0},
        {1, L"TVX5870のﾊﾞｰｼﾞｮﾝ情報", 120},
        {1, L"外字について", 40215},
    };
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].depth, expected[i].depth) << i;
        EXPECT_EQ(entries[i].text, expected[i].text) << i;
        EXPECT_EQ(entries[i].id, expected[i].id) << i;
    }
}

TEST(Resources, IconAndManifestArePresent) {
    EXPECT_NE(LoadIconW(ProgramInstance(), L"MYICON"), nullptr);
    EXPECT_NE(FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)), nullptr);
}

TEST(MainWindowSize, HeightFollowsTheWindowsVersion) {
    EXPECT_EQ(MainWindowHeight(6, 0), 200);
    EXPECT_EQ(MainWindowHeight(6, 3), 200);
    EXPECT_EQ(MainWindowHeight(5, 1), 205);
    EXPECT_EQ(MainWindowHeight(10, 0), 205);
    EXPECT_EQ(MainWindowHeight(3, 51), 205);
    EXPECT_EQ(MainWindowHeight(4, 0), 196);
    EXPECT_EQ(MainWindowHeight(4, 90), 196);
    EXPECT_EQ(MainWindowHeight(5, 0), 196);
    EXPECT_EQ(MainWindowHeight(5, 2), 196);
}

TEST(MainWindowTitle, FollowsTheTcpRole) {
    EXPECT_STREQ(MainWindowTitle(0), L"TVX-5870 Client Program");
    EXPECT_STREQ(MainWindowTitle(1), L"TVX-5870 Server Program");
}

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

TEST(CornerGesture, TenCornerClicksInARowOpenTheReadBack) {
    AppState app;
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(OnCornerClick(app, At(19, 0)));
    EXPECT_EQ(app.corner_click_count, 9);
    EXPECT_TRUE(OnCornerClick(app, At(0, 19)));
    EXPECT_EQ(app.corner_click_count, 0);
}

TEST(CornerGesture, AClickElsewhereOrFromTheKeyboardStartsAgain) {
    AppState app;
    for (int i = 0; i < 9; ++i) OnCornerClick(app, At(5, 5));
    EXPECT_FALSE(OnCornerClick(app, At(20, 5)));
    EXPECT_EQ(app.corner_click_count, 0);
    for (int i = 0; i < 9; ++i) OnCornerClick(app, At(5, 5));
    EXPECT_FALSE(OnCornerClick(app, At(5, 20)));
    EXPECT_EQ(app.corner_click_count, 0);
    for (int i = 0; i < 9; ++i) OnCornerClick(app, At(5, 5));
    EXPECT_FALSE(OnCornerClick(app, static_cast<LPARAM>(-1)));  // keyboard: no position
    EXPECT_EQ(app.corner_click_count, 0);
    // A monitor left of the primary one gives negative x, which is far away as unsigned.
    OnCornerClick(app, At(5, 5));
    EXPECT_FALSE(OnCornerClick(app, At(-3, 5)));
    EXPECT_EQ(app.corner_click_count, 0);
}

class MainWindowTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        main = TestMainWindow();
        ASSERT_NE(main, nullptr);
    }
    HWND main = nullptr;
};

TEST_F(MainWindowTest, StartsMinimizedWithTheClassStyleAndSizeOfItsVersion) {
    wchar_t class_name[32] = {};
    GetClassNameW(main, class_name, 32);
    EXPECT_STREQ(class_name, L"TCP Server");
    const LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(IsIconic(main));
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(GetWindowLongW(main, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0);
    EXPECT_EQ(GetClassLongW(main, GCL_STYLE) & (CS_HREDRAW | CS_VREDRAW),
              static_cast<DWORD>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrW(main, GCLP_HBRBACKGROUND)),
              GetStockObject(WHITE_BRUSH));
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    ASSERT_TRUE(GetWindowPlacement(main, &placement));
    unsigned long major = 0, minor = 0;
    TrueWindowsVersion(major, minor);
    EXPECT_GT(major, 0u);
    const RECT& normal = placement.rcNormalPosition;
    EXPECT_EQ(normal.left, 0);
    EXPECT_EQ(normal.top, 0);
    EXPECT_EQ(normal.right - normal.left, 640);
    EXPECT_EQ(normal.bottom - normal.top, MainWindowHeight(major, minor));
    EXPECT_NE(GetMenu(main), nullptr);
}

TEST_F(MainWindowTest, CreationSetsReadThreadRunning) {
    // A second window of the same class runs the same creation handler.
    HWND other = CreateWindowExW(0, L"TCP Server", L"x", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, ProgramInstance(), nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(c.app.read_thread_running, 1);
    DestroyWindow(other);
}

TEST_F(MainWindowTest, TitleFollowsTheRoleReadFromTheConfiguration) {
    c.app.tcp_role = 1;
    RetitleMainWindow(main);
    EXPECT_EQ(WindowTextOf(main), L"TVX-5870 Server Program");
    c.app.tcp_role = 0;
    RetitleMainWindow(main);
    EXPECT_EQ(WindowTextOf(main), L"TVX-5870 Client Program");
}

TEST_F(MainWindowTest, ClientServerCommandRetitlesTheWindowWhenItsDialogCloses) {
    RetitleMainWindow(main);
    EXPECT_EQ(WindowTextOf(main), L"TVX-5870 Client Program");
    c.app.interface_type = 1;
    c.app.tcp_role = 1;
    DriveModalDialog([&] { SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_CLIENT_SERVER, 0), 0); },
                     [](HWND) {});
    EXPECT_EQ(WindowTextOf(main), L"TVX-5870 Server Program");
    c.app.tcp_role = 0;
    RetitleMainWindow(main);
}

UINT MenuState(HWND main, int id) {
    return GetMenuState(GetMenu(main), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
}

TEST_F(MainWindowTest, HighlightingAMenuItemGreysTheOtherInterfacesItems) {
    c.app.interface_type = 0;
    SendMessageW(main, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP), 0);
    EXPECT_EQ(MenuState(main, IDM_RS232C_SETTING), 0u);
    EXPECT_NE(MenuState(main, IDM_CLIENT_SERVER), 0u);
    EXPECT_NE(MenuState(main, IDM_TCPIP_SETTING), 0u);
    EXPECT_EQ(MenuState(main, IDM_INTERFACE_SETTING), 0u);
    EXPECT_EQ(MenuState(main, IDM_DEVICE_SLAVE_ADDRESS), 0u);

    c.app.interface_type = 1;
    SendMessageW(main, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP), 0);
    EXPECT_NE(MenuState(main, IDM_RS232C_SETTING), 0u);
    EXPECT_EQ(MenuState(main, IDM_CLIENT_SERVER), 0u);
    EXPECT_EQ(MenuState(main, IDM_TCPIP_SETTING), 0u);
    EXPECT_EQ(MenuState(main, IDM_PROTOCOL_SETTING), 0u);
}

TEST_F(MainWindowTest, SerialOnlyCommandsAskForRs232cWithTcpIp) {
    c.app.interface_type = 1;
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_DEVICE_SLAVE_ADDRESS, 0), 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_PROTOCOL_SETTING, 0), 0);
    // The network settings dialog's refusal carries the stop icon.
    const std::vector<std::string> expected = {
        "error(exclamation): インターフェイスをRS-232Cにしてください。",
        "error(stop): インターフェイスをRS-232Cにしてください。",
    };
    EXPECT_EQ(prompts.calls, expected);
}

// "応答を待って送る（高速）" turns the option on and off, keeps it in the configuration file, and
// the menu shows its check mark when it opens.
TEST_F(MainWindowTest, ReplyPacedItemTogglesTheOptionAndItsKey) {
    MemoryIniStore ini;
    SetProgramIniStore(&ini);
    c.app.reply_paced_runs = 0;
    for (int expected : {1, 0}) {
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_REPLY_PACED, 0), 0);
        EXPECT_EQ(c.app.reply_paced_runs, expected);
        EXPECT_EQ(ini.writes.back(), "reply_paced=" + std::to_string(expected));
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetMenu(main)), 1);
        const UINT state = GetMenuState(GetMenu(main), IDM_REPLY_PACED, MF_BYCOMMAND);
        EXPECT_EQ((state & MF_CHECKED) != 0, expected == 1);
    }
    SetProgramIniStore(nullptr);
}

TEST_F(MainWindowTest, UnknownCommandIdsAreIgnored) {
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(40999, 0), 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(1, 0), 0);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_FALSE(DrainThreadMessages());
}

TEST_F(MainWindowTest, TenRightClicksInTheCornerOpenTheReadBackDialog) {
    for (int i = 0; i < 9; ++i) SendMessageW(main, WM_CONTEXTMENU, 0, At(2, 3));
    EXPECT_EQ(c.app.corner_click_count, 9);
    std::wstring caption;
    ASSERT_TRUE(DriveModalDialog([&] { SendMessageW(main, WM_CONTEXTMENU, 0, At(2, 3)); },
                                 [&](HWND dialog) { caption = ControlText(dialog, 0); }));
    EXPECT_EQ(caption, L"設定項目の読み込み");
    EXPECT_EQ(c.app.corner_click_count, 0);
}

TEST_F(MainWindowTest, ExitIsRefusedWhileTcpIpIsConnected) {
    c.app.socket_connected = 1;
    c.app.document_modified = 1;
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(prompts.calls,
              std::vector<std::string>{"error(exclamation): TCP/IPを切断してください。"});
    EXPECT_FALSE(DrainThreadMessages());
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(MainWindowTest, ExitWithoutUnsavedTitlesAsksNothingAndQuits) {
    c.app.read_thread_running = 1;
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(c.app.read_thread_running, 0);
    EXPECT_TRUE(DrainThreadMessages());
}

TEST_F(MainWindowTest, ExitWithUnsavedTitlesAnsweredYesQuitsWithoutSaving) {
    c.app.document_modified = 1;
    prompts.yes_no_answers = {true};
    SendMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_NE(prompts.calls[0].find("データを保存せずに終了しますか？"), std::string::npos);
    EXPECT_NE(prompts.calls[0].find("TVX-5870"), std::string::npos);
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(DrainThreadMessages());
}

TEST_F(MainWindowTest, ExitAnsweredNoSavesToTheCurrentFileThenQuits) {
    c.app.document_modified = 1;
    strcpy(c.app.current_file_name, "C:\\data\\show.dat");
    prompts.yes_no_answers = {false};
    SendMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(files.files.count("C:\\data\\show.dat"), 1u);
    EXPECT_EQ(c.app.document_modified, 0);
    EXPECT_TRUE(DrainThreadMessages());
}

TEST_F(MainWindowTest, ExitAnsweredNoWithoutAFileAsksForANameAndAddsDat) {
    c.app.document_modified = 1;
    prompts.yes_no_answers = {false};
    prompts.file_names = {"C:\\data\\new"};
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(files.files.count("C:\\data\\new.dat"), 1u);
    EXPECT_TRUE(DrainThreadMessages());
}

TEST_F(MainWindowTest, ExitStaysWhenTheTitlesCouldNotBeSaved) {
    c.app.document_modified = 1;
    prompts.yes_no_answers = {false, false};
    prompts.file_names = {};  // the user cancels the file dialog
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(DrainThreadMessages());
    EXPECT_EQ(c.app.document_modified, 1);

    strcpy(c.app.current_file_name, "C:\\data\\show.dat");
    files.fail_writes = true;
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(DrainThreadMessages());
    EXPECT_EQ(c.app.document_modified, 1);
    EXPECT_EQ(prompts.calls.back(), "error(exclamation): Can't file open");
}

TEST_F(MainWindowTest, PaintsTheFrontPanel) {
    ShowWindow(main, SW_RESTORE);
    strcpy(c.app.current_file_name, "C:\\data\\show.dat");
    InvalidateRect(main, nullptr, TRUE);
    UpdateWindow(main);
    PumpMessages(200);
    HDC dc = GetDC(main);
    EXPECT_EQ(GetPixel(dc, 300, 70), RGB(255, 255, 204));   // the panel
    EXPECT_EQ(GetPixel(dc, 90, 140), RGB(34, 34, 34));      // left foot
    EXPECT_EQ(GetPixel(dc, 540, 145), RGB(34, 34, 34));     // right foot
    EXPECT_EQ(GetPixel(dc, 100, 24), RGB(80, 80, 80));      // the title line
    EXPECT_EQ(GetPixel(dc, 600, 25), RGB(80, 80, 80));      // right of "POWER"
    EXPECT_EQ(GetPixel(dc, 300, 40), RGB(255, 255, 204));   // below the line
    EXPECT_EQ(GetPixel(dc, 400, 145), RGB(255, 255, 255));  // the white background
    ReleaseDC(main, dc);
    ShowWindow(main, SW_MINIMIZE);
}

// Every menu highlight repaints the window; while the user browses the menus the no-reply
// check must still fire on time.
TEST_F(MainWindowTest, RepaintsDoNotHoldBackTheNoReplyCheck) {
    HWND fresh = CreateMainWindow(ProgramInstance());
    ASSERT_NE(fresh, nullptr);
    ShowWindow(fresh, SW_RESTORE);
    UpdateWindow(fresh);
    c.app.awaiting_reply = 1;
    const DWORD start = GetTickCount();
    while (prompts.calls.empty() && GetTickCount() - start < 8000) {
        SendMessageW(fresh, WM_MENUSELECT, MAKEWPARAM(IDM_FILE_OPEN, MF_HILITE), 0);
        UpdateWindow(fresh);
        PumpMessages(100);
    }
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(prompts.calls, std::vector<std::string>{"error(stop): No Connect"});
    EXPECT_GE(elapsed, 2900u);
    DestroyWindow(fresh);
    SetMainWindow(main);
}

TEST(FrontPanel, FileNameTextOrItsPlaceholder) {
    EXPECT_EQ(FrontPanelFileNameText(""), L"File Name ");
    EXPECT_EQ(FrontPanelFileNameText("C:\\データ\\show.dat"), L"C:\\データ\\show.dat");
}

TEST_F(MainWindowTest, VersionDialogOpensLikeAFeatureDialog) {
    c.app.selected_connection = -1;
    c.app.corner_click_count = 4;
    c.app.address_prefix_on = 0;
    HWND seen = nullptr;
    std::wstring title, text;
    RECT client = {}, expected = {0, 0, 179, 55};
    ASSERT_TRUE(DriveModalDialog([&] { OpenVersionDialog(main); },
                                 [&](HWND dialog) {
                                     seen = dialog;
                                     title = ControlText(dialog, 0);
                                     text = ControlText(dialog, IDC_VERSION_TEXT);
                                     GetClientRect(dialog, &client);
                                     MapDialogRect(dialog, &expected);
                                     ClickButton(dialog, IDOK);
                                 }));
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(title, L"TVX5870のﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(text, L"TVX5870 Version 1.21");
    EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(seen));
    EXPECT_EQ(c.app.corner_click_count, 0);
    EXPECT_EQ(c.app.address_prefix_on, 1);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);
}

TEST_F(MainWindowTest, VersionDialogNamesTheSelectedConnection) {
    c.app.selected_connection = 5;
    c.sockets.client_slots[5].in_use = 1;
    strcpy(c.sockets.client_slots[5].peer_address, "192.168.1.7");
    std::wstring title;
    ASSERT_TRUE(DriveModalDialog([&] { OpenVersionDialog(main); },
                                 [&](HWND dialog) { title = ControlText(dialog, 0); }));
    EXPECT_EQ(title, L"TVX5870のバージョン情報 192.168.1.7");
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

TEST_F(MainWindowTest, GlyphNotesShowFourLinesAndCloseWithEsc) {
    std::vector<std::wstring> lines;
    std::wstring title;
    int buttons = 0;
    LONG font_height = 0, dialog_font_9 = 0;
    bool closed = false;
    RECT client = {}, expected = {0, 0, 220, 98};
    ASSERT_TRUE(DriveModalDialog(
        [&] { OpenAboutGlyphsDialog(main); },
        [&](HWND dialog) {
            title = ControlText(dialog, 0);
            std::vector<HWND> children;
            EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
            int last_top = -1;
            for (HWND child : children) {
                wchar_t class_name[16] = {};
                GetClassNameW(child, class_name, 16);
                if (_wcsicmp(class_name, L"Button") == 0) ++buttons;
                RECT r;
                GetWindowRect(child, &r);
                EXPECT_GT(r.top, last_top) << "lines run from the top down";
                last_top = r.top;
                lines.push_back(WindowTextOf(child));
            }
            LOGFONTW lf = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(lf),
                       &lf);
            font_height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
            HDC dc = GetDC(dialog);
            dialog_font_9 = MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
            ReleaseDC(dialog, dc);
            GetClientRect(dialog, &client);
            MapDialogRect(dialog, &expected);
            PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        },
        10000, &closed));
    EXPECT_EQ(title, L"外字について");
    const std::vector<std::wstring> expected_lines = {
        L"外字ファイルの拡張子は､TLMです。",
        L"マウス左ボタン ダブルクリックで編集画面",
        L"マウス右ボタン ダブルクリックでBMPファイルを作成します。",
        L"※外字操作は､自動切換え時に行わないでください。",
    };
    EXPECT_EQ(lines, expected_lines);
    EXPECT_EQ(buttons, 0);
    EXPECT_GT(font_height, dialog_font_9) << "the notes use a 12 point font";
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);
    EXPECT_TRUE(closed) << "Esc ends the dialog";

    ASSERT_TRUE(DriveModalDialog(
        [&] { OpenAboutGlyphsDialog(main); },
        [&](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }, 10000, &closed));
    EXPECT_TRUE(closed) << "the close box ends the dialog";
}

// The real message boxes, read while they are up.
struct BoxSeen {
    std::wstring caption, text;
    bool has_icon = false;
    bool owner_disabled = false;
    bool has_yes = false;
    HWND owner = nullptr;
};

BoxSeen ShowAndRead(const std::function<void()>& show, HWND other_window, int press) {
    BoxSeen seen;
    DriveModalDialog(show, [&](HWND box) {
        seen.caption = ControlText(box, 0);
        seen.text = WindowTextOf(GetDlgItem(box, 0xFFFF));
        seen.has_icon = GetDlgItem(box, 0x0440) != nullptr &&
                        SendDlgItemMessageW(box, 0x0440, STM_GETICON, 0, 0) != 0;
        seen.owner_disabled = other_window && !IsWindowEnabled(other_window);
        seen.has_yes = GetDlgItem(box, IDYES) != nullptr;
        seen.owner = GetWindow(box, GW_OWNER);
        PressButton(box, press);
    });
    return seen;
}

TEST_F(MainWindowTest, MessageBoxesHaveTheirCaptionsIconsAndTheMainWindowAsOwner) {
    Prompts& boxes = WindowsPrompts();
    BoxSeen error_stop =
        ShowAndRead([&] { boxes.ShowErrorBox("No Connect", BoxIcon::Stop); }, main, IDOK);
    EXPECT_EQ(error_stop.caption, L"Error");
    EXPECT_EQ(error_stop.text, L"No Connect");
    EXPECT_TRUE(error_stop.has_icon);
    EXPECT_TRUE(error_stop.owner_disabled) << "the main window waits";
    EXPECT_EQ(error_stop.owner, main) << "owned, so a click on the program brings it forward";

    BoxSeen error_exclamation = ShowAndRead(
        [&] { boxes.ShowErrorBox("Socket が接続されていません", BoxIcon::Exclamation); }, main,
        IDOK);
    EXPECT_EQ(error_exclamation.caption, L"Error");
    EXPECT_EQ(error_exclamation.text, L"Socket が接続されていません");
    EXPECT_TRUE(error_exclamation.has_icon);

    BoxSeen success = ShowAndRead([&] { boxes.ShowSuccessBox("Socket ＯＫ"); }, main, IDOK);
    EXPECT_EQ(success.caption, L"Success");
    EXPECT_EQ(success.text, L"Socket ＯＫ");
    EXPECT_FALSE(success.has_icon);
    EXPECT_TRUE(success.owner_disabled);

    BoxSeen complete = ShowAndRead([&] { boxes.ShowSetComplete(); }, main, IDOK);
    EXPECT_EQ(complete.caption, L"設定完了");
    EXPECT_EQ(complete.text, L"Success");
    EXPECT_FALSE(complete.has_icon);

    BoxSeen ack = ShowAndRead(
        [&] { boxes.ShowAcknowledgement(reinterpret_cast<WindowHandle>(main)); }, main, IDOK);
    EXPECT_EQ(ack.caption, L"設定完了");
    EXPECT_EQ(ack.text, L"Success");
    EXPECT_TRUE(ack.owner_disabled);

    bool answer = true;
    BoxSeen confirm = ShowAndRead(
        [&] { answer = boxes.ConfirmNotAutoSwitching(reinterpret_cast<WindowHandle>(main)); }, main,
        IDNO);
    EXPECT_EQ(confirm.caption, L"本機の確認");
    EXPECT_EQ(confirm.text, L"本機が自動切換えでない事を確認してください");
    EXPECT_TRUE(confirm.has_icon);
    EXPECT_TRUE(confirm.has_yes);
    EXPECT_FALSE(answer);

    BoxSeen question = ShowAndRead(
        [&] { answer = boxes.AskYesNo("データを保存せずに終了しますか？", "TVX-5870"); }, main,
        IDYES);
    EXPECT_EQ(question.caption, L"TVX-5870");
    EXPECT_EQ(question.text, L"データを保存せずに終了しますか？");
    EXPECT_TRUE(question.has_icon);
    EXPECT_TRUE(answer);
    EXPECT_EQ(question.owner, main);
}

// While a dialog is open every box goes over it (the dialog waits), a box raised over a box
// over that one, and a serial acknowledgement over the dialog, not over its disabled opener.
TEST_F(MainWindowTest, BoxesRaisedWhileADialogIsOpenAreOwnedByTheWindowOnTop) {
    SetProgramPrompts(nullptr);  // the real boxes
    HWND dialog = nullptr;
    BoxSeen error, inner, ack;
    HWND inner_over = nullptr;
    ASSERT_TRUE(DriveModalDialog([&] { RunMenuCommand(main, IDM_CHARACTER_LEVEL); },
                                 [&](HWND d) {
        dialog = d;
        error = ShowAndRead([&] { c.prompts.ShowErrorBox("Command Error", BoxIcon::Exclamation); },
                            d, IDOK);
        DriveModalDialog([&] { c.prompts.ShowErrorBox("E0", BoxIcon::Exclamation); },
                         [&](HWND outer_box) {
            inner_over = outer_box;
            inner = ShowAndRead([&] { c.prompts.ShowSuccessBox("Socket ＯＫ"); }, outer_box, IDOK);
            PressButton(outer_box, IDOK);
        });
        c.app.address_prefix_on = 1;
        ack = ShowAndRead([&] { ParseSerialReply(c, "00GO\r\n"); }, d, IDOK);
    }));
    EXPECT_EQ(error.owner, dialog);
    EXPECT_TRUE(error.owner_disabled) << "the dialog waits for its box";
    EXPECT_EQ(inner.owner, inner_over);
    EXPECT_TRUE(inner.owner_disabled);
    EXPECT_EQ(ack.caption, L"設定完了");
    EXPECT_EQ(ack.owner, dialog) << "not the opener, which the dialog keeps disabled";
    EXPECT_EQ(c.app.reply_owner_window, reinterpret_cast<WindowHandle>(main));
    EXPECT_TRUE(ack.owner_disabled);
}

// The exit question and the save dialog it leads to belong to the main window, which waits
// for them: a second close cannot start the exit procedure again.
TEST_F(MainWindowTest, TheExitQuestionAndItsSaveDialogAreOwnedByTheMainWindow) {
    SetProgramPrompts(nullptr);  // the real box and file dialog
    c.app.document_modified = 1;
    HWND question_owner = nullptr, dialog_owner = nullptr;
    bool main_enabled = true;
    EXPECT_TRUE(DriveSteps([&] { SendMessageW(main, WM_CLOSE, 0, 0); },
                           {[&](HWND box) {
                                if (FileNameBox(box)) return false;
                                question_owner = GetWindow(box, GW_OWNER);
                                PressButton(box, IDNO);  // save first
                                return true;
                            },
                            [&](HWND dialog) {
                                if (!FileNameBox(dialog)) return false;
                                dialog_owner = GetWindow(dialog, GW_OWNER);
                                main_enabled = IsWindowEnabled(main);
                                SendMessageW(main, WM_CLOSE, 0, 0);  // Exit again, from outside
                                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
                                return true;
                            }}));
    EXPECT_EQ(question_owner, main);
    EXPECT_EQ(dialog_owner, main);
    EXPECT_FALSE(main_enabled);
    EXPECT_FALSE(DrainThreadMessages()) << "a cancelled save keeps the program open";
    EXPECT_EQ(c.app.document_modified, 1);
}

// Task Manager, taskkill and the taskbar send WM_CLOSE to the main window: while a dialog or a
// run is on, nothing is asked and nothing ends; the dialog stays.
TEST_F(MainWindowTest, ACloseFromOutsideNeverCutsADialogOrARunShort) {
    c.app.document_modified = 1;
    bool dialog_stayed = false;
    MSG quit = {};
    ASSERT_TRUE(DriveModalDialog([&] { RunMenuCommand(main, IDM_CHARACTER_LEVEL); },
                                 [&](HWND dialog) {
        SendMessageW(main, WM_CLOSE, 0, 0);
        PumpMessages(100);
        dialog_stayed = IsWindow(dialog) && IsWindowVisible(dialog);
        EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    }));
    EXPECT_TRUE(dialog_stayed);
    EXPECT_TRUE(prompts.calls.empty());
    c.app.sequence_running = 3;  // a run whose dialog is not in front
    SendMessageW(main, WM_CLOSE, 0, 0);
    c.app.glyph_bulk_read_running = 1;
    c.app.sequence_running = 0;
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_FALSE(DrainThreadMessages());
    c.app.glyph_bulk_read_running = 0;
    prompts.yes_no_answers = {true};
    SendMessageW(main, WM_CLOSE, 0, 0);  // idle again: the exit procedure runs
    EXPECT_EQ(prompts.calls.size(), 1u);
    EXPECT_TRUE(DrainThreadMessages());
}

// Larger caption or menu text leaves the fixed outer size too little client area: the window
// grows by what the front panel (feet to y 150, the file name line from y 132) lacks.
TEST_F(MainWindowTest, AClientAreaTooSmallForThePanelGrowsByWhatItLacks) {
    WINDOWPLACEMENT before = {};
    before.length = sizeof(before);
    GetWindowPlacement(main, &before);
    ShowWindow(main, SW_RESTORE);
    RECT outer = {}, client = {};
    GetWindowRect(main, &outer);
    GetClientRect(main, &client);
    const LONG frame_height = (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(main, nullptr, 0, 0, 640, frame_height + 100, SWP_NOMOVE | SWP_NOZORDER);
    HDC dc = GetDC(main);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    ReleaseDC(main, dc);
    GetWindowRect(main, &outer);
    GetClientRect(main, &client);
    EXPECT_EQ(client.bottom, std::max<LONG>(150, 132 + metrics.tmHeight));
    EXPECT_EQ(outer.right - outer.left, 640) << "wide enough already: the width stays";
    SetWindowPos(main, nullptr, 0, 0, 640, frame_height + 170, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(main, &client);
    EXPECT_EQ(client.bottom, 170) << "a client area that is large enough is left alone";
    SetWindowPlacement(main, &before);
}

// A filter literal with its embedded NULs, without the literal's own terminator.
template <std::size_t N>
std::wstring Filter(const wchar_t (&text)[N]) {
    return std::wstring(text, N - 1);
}

TEST(FileDialogs, SettingsFilesUseTheirTitlesFiltersAndOptions) {
    const FileDialogSetup open = FileDialogSetupFor(FileDialogKind::OpenSettings, "");
    EXPECT_EQ(open.title, L"ファイルのオープン");
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.flags,
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST));
    const std::wstring filter = Filter(L"データ(*.dat)\0*.dat\0すべて(*.*)\0*.*\0\0");
    EXPECT_EQ(open.filter, filter);

    const FileDialogSetup save = FileDialogSetupFor(FileDialogKind::SaveSettings, "");
    EXPECT_EQ(save.title, L"ファイルの保存");
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(save.filter, filter);
    // The dialog appends it before asking about overwriting; an open dialog has none.
    EXPECT_EQ(save.default_extension, L"dat");
    EXPECT_EQ(open.default_extension, L"");
}

TEST(FileDialogs, GlyphFilesAndTheBitmapExport) {
    EXPECT_EQ(FileDialogSetupFor(FileDialogKind::SaveGlyphs, "").default_extension, L"tlm");
    EXPECT_EQ(FileDialogSetupFor(FileDialogKind::SaveGlyphText, "").default_extension, L"txt");
    EXPECT_EQ(FileDialogSetupFor(FileDialogKind::SaveBitmap, "gm01.bmp").default_extension, L"bmp");
    EXPECT_EQ(FileDialogSetupFor(FileDialogKind::SaveTitlesCsv, "").default_extension, L"csv");
    EXPECT_EQ(FileDialogSetupFor(FileDialogKind::SaveCommLog, "").default_extension, L"log");
    EXPECT_EQ(FileDialogSetupFor(FileDialogKind::OpenGlyphs, "").filter,
              Filter(L"データ(*.tlm)\0*.tlm\0すべて(*.*)\0*.*\0\0"));
    EXPECT_EQ(FileDialogSetupFor(FileDialogKind::SaveGlyphText, "").filter,
              Filter(L"データ(*.txt)\0*.txt\0すべて(*.*)\0*.*\0\0"));
    const FileDialogSetup bitmap = FileDialogSetupFor(FileDialogKind::SaveBitmap, "gm27.bmp");
    EXPECT_EQ(bitmap.title, L"外字登録番号27をbmpファイルで保存");
    EXPECT_TRUE(bitmap.save);
    EXPECT_EQ(bitmap.filter, Filter(L"データ(*.bmp)\0*.bmp\0すべて(*.*)\0*.*\0\0"));
}

TEST(FileDialogs, TitlesCsv) {
    const std::wstring filter =
        Filter(L"CSV (*.csv)\0*.csv\0テキスト (*.txt)\0*.txt\0すべて (*.*)\0*.*\0\0");
    const FileDialogSetup open = FileDialogSetupFor(FileDialogKind::OpenTitlesCsv, "");
    EXPECT_EQ(open.title, L"タイトルをCSVで読み込み");
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.filter, filter);
    const FileDialogSetup save = FileDialogSetupFor(FileDialogKind::SaveTitlesCsv, "");
    EXPECT_EQ(save.title, L"タイトルをCSVで書き出し");
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(save.filter, filter);
}

// The core's own table (used for CSV files and the companion) reads every double-byte code as
// Windows' code page 932 does.
TEST(TextConversion, CoreTableMatchesWindowsCodePage932) {
    int compared = 0;
    std::vector<std::string> mismatches;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            wchar_t wide[2] = {};
            const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in, 2, wide, 2);
            const char32_t windows = n == 1 ? wide[0] : kNoCodePoint;
            const DecodedChar ours = DecodeCp932(std::string_view(in, 2));
            const char32_t core = ours.length == 2 ? ours.code_point : kNoCodePoint;
            ++compared;
            if (core != windows && mismatches.size() < 10) {
                char text[48];
                std::snprintf(text, sizeof text, "%02X%02X core %X windows %X", lead, trail,
                              static_cast<unsigned>(core), static_cast<unsigned>(windows));
                mismatches.push_back(text);
            }
        }
    }
    EXPECT_GT(compared, 10000);
    EXPECT_EQ(mismatches, std::vector<std::string>{});
}

TEST(TextConversion, CodePage932IsExplicitWhateverTheSystemCodePage) {
    const std::string sjis = "\x82\x51\x8f\x64\xb1\xcc\xdf";  // "２重ｱﾌﾟ"
    EXPECT_EQ(Cp932ToWide(sjis), L"２重ｱﾌﾟ");
    std::string back;
    EXPECT_TRUE(WideToCp932(L"２重ｱﾌﾟ", back));
    EXPECT_EQ(back, sjis);
    EXPECT_FALSE(WideToCp932(L"caf\u00e9", back)) << "no look-alike for a missing character";
    EXPECT_FALSE(WideToCp932(L"\U0001F600", back));
    EXPECT_EQ(Utf8ToWide("設定完了"), L"設定完了");
    EXPECT_EQ(WideToUtf8(L"設定完了"), "設定完了");
}

TEST(TextConversion, BoundedCopyAlwaysTerminates) {
    wchar_t buffer[4];
    EXPECT_TRUE(CopyBounded(buffer, 4, L"abc"));
    EXPECT_STREQ(buffer, L"abc");
    EXPECT_FALSE(CopyBounded(buffer, 4, L"abcd"));
    EXPECT_STREQ(buffer, L"abc");
}

}  // namespace
}  // namespace tvx::test
