// What a real Windows PC does to the program beyond a clean run, reproduced in-process under
// Wine: a first copy that runs as administrator, file dialogs that move the current folder,
// files held for a moment by another program, the DPI setting, socket answers that reach any
// dialog, stale socket notifications, dead devices and a full server, and the session ending
// with unsaved titles.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/about_win.h"
#include "dialogs/char_level_win.h"
#include "dialogs/connection_win.h"
#include "dialogs/slave_address_win.h"
#include "link/socket_events.h"
#include "winbase/file_system_win.h"
#include "winbase/program_win.h"
#include "winbase/prompts_win.h"
#include "winbase/single_instance_win.h"
#include "winbase/text_win.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"

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

// ---- DPI ------------------------------------------------------------------------------------

// Wine treats every program as DPI-aware, so the manifest itself is read: the front panel and
// the glyph editor draw and hit-test in fixed pixels, and Windows is to scale them.
TEST(Resources, ManifestLeavesTheScalingToWindows) {
    HRSRC found = FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(ProgramInstance(), found)));
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
        ASSERT_TRUE(DriveModalDialog([&] { d.open(nullptr); },
                                     [&](HWND dialog) {
                                         // Half off the screen, where DM_REPOSITION would move it.
                                         SetWindowPos(dialog, nullptr, -50, -40, 0, 0,
                                                      SWP_NOSIZE | SWP_NOZORDER);
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

}  // namespace
}  // namespace tvx::test
