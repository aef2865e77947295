// The Win32 stores of the model under Wine: the file system seam on CreateFileW / MoveFileExW
// and the profile store on the private-profile functions, with the fallback to the user's copy.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "model/config.h"
#include "model/fallback_ini_store.h"
#include "winbase/file_system_win.h"
#include "winbase/ini_store_win.h"
#include "winbase/text_win.h"

namespace tvx {
namespace {

constexpr std::string_view kSection = "TVX-5870_Section";

std::string Utf8(const std::wstring& wide) {
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

// A fresh folder under the temporary folder, removed with its contents (two levels) at the end.
struct TempFolder {
    std::wstring dir;
    TempFolder() {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        for (int i = 0; i < 1000; ++i) {
            dir = std::wstring(base) + L"tvx-model-" + std::to_wstring(GetCurrentProcessId()) +
                  L"-" + std::to_wstring(i);
            if (CreateDirectoryW(dir.c_str(), nullptr)) return;
        }
        ADD_FAILURE() << "no temporary folder";
    }
    ~TempFolder() { RemoveTree(dir); }
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                std::wstring path = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path);
                } else {
                    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
    std::wstring Wide(const std::wstring& name) const { return dir + L"\\" + name; }
    std::string Path(const std::wstring& name) const { return Utf8(Wide(name)); }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }
};

// "設定" in the file name: the path must survive whatever the system code page is.
const std::wstring kJapaneseName = L"\x8a2d\x5b9a.dat";

TEST(WinFileSystem, ReplacesAndReadsFilesWithJapaneseNames) {
    TempFolder folder;
    WinFileSystem fs;
    const std::string path = folder.Path(kJapaneseName);
    const std::string bytes("1\r\n\x83\x5e\0s\r\n", 8);
    std::string read = "untouched";
    EXPECT_FALSE(fs.FileExists(path));
    EXPECT_FALSE(fs.ReadWholeFile(path, read));
    EXPECT_EQ(read, "untouched");

    ASSERT_TRUE(fs.ReplaceFileContents(path, bytes));
    EXPECT_TRUE(fs.FileExists(path));
    ASSERT_TRUE(fs.ReadWholeFile(path, read));
    EXPECT_EQ(read, bytes);
    ASSERT_TRUE(fs.ReplaceFileContents(path, "second"));
    ASSERT_TRUE(fs.ReadWholeFile(path, read));
    EXPECT_EQ(read, "second");
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{kJapaneseName});
}

TEST(WinFileSystem, FailuresLeaveNothingBehind) {
    TempFolder folder;
    WinFileSystem fs;
    EXPECT_FALSE(fs.ReplaceFileContents(folder.Path(L"missing\\x.dat"), "x"));
    EXPECT_FALSE(fs.ReplaceFileContents("", "x"));
    EXPECT_FALSE(fs.ReplaceFileContents("\xff\xfe invalid utf-8", "x"));
    EXPECT_TRUE(folder.Names().empty());

    // A folder where the file should be: the move fails, the new file is deleted.
    ASSERT_TRUE(CreateDirectoryW(folder.Wide(L"taken.dat").c_str(), nullptr));
    EXPECT_FALSE(fs.ReplaceFileContents(folder.Path(L"taken.dat"), "x"));
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"taken.dat"});
}

TEST(WinFileSystem, ATargetHeldForAMomentByAnotherProgramIsReplacedOnceItIsFree) {
    TempFolder folder;
    WinFileSystem fs;
    const std::string path = folder.Path(L"show.dat");
    ASSERT_TRUE(fs.ReplaceFileContents(path, "old"));
    // A scanner keeps the file open, without letting it be deleted, for 400 ms.
    HANDLE scanner =
        CreateFileW(folder.Wide(L"show.dat").c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE releaser = CreateThread(
        nullptr, 0, [](LPVOID held) -> DWORD { return Sleep(400), CloseHandle(held), 0; }, scanner,
        0, nullptr);
    EXPECT_TRUE(fs.ReplaceFileContents(path, "new"));
    WaitForSingleObject(releaser, 5000);
    CloseHandle(releaser);
    std::string bytes;
    ASSERT_TRUE(fs.ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "new");
    // The program's own temporary is gone (Wine's replace may leave one of its own).
    for (const std::wstring& name : folder.Names()) EXPECT_NE(name.substr(0, 4), L"~tvx");
}

// The communication log's day files: a folder made with its parents, a file appended to,
// listed without the subfolders, removed.
TEST(WinFileSystem, DayFilesAreAppendedListedAndRemoved) {
    TempFolder folder;
    WinFileSystem fs;
    const std::string logs = Utf8(folder.dir) + "\\TVX-5870\\ログ\\";
    ASSERT_TRUE(fs.MakeFolder(logs));
    ASSERT_TRUE(fs.MakeFolder(logs));
    ASSERT_TRUE(fs.MakeFolder(logs + "sub"));
    ASSERT_TRUE(fs.AppendToFile(logs + "2024-05-01.log", "a\r\n"));
    ASSERT_TRUE(fs.AppendToFile(logs + "2024-05-01.log", "b\r\n"));
    // Kept open for the next entry, readable meanwhile (as an editor opens it), each entry there.
    HANDLE reader = CreateFileW(Utf8ToWide(logs + "2024-05-01.log").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    char bytes[16] = {};
    DWORD got = 0;
    ReadFile(reader, bytes, sizeof bytes, &got, nullptr);
    CloseHandle(reader);
    EXPECT_EQ(std::string(bytes, got), "a\r\nb\r\n");
    std::vector<std::string> names;
    ASSERT_TRUE(fs.ListFolder(logs, names));
    EXPECT_EQ(names, std::vector<std::string>{"2024-05-01.log"});
    EXPECT_TRUE(fs.RemoveFile(logs + "2024-05-01.log"));
    ASSERT_TRUE(fs.ListFolder(logs, names));
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(fs.ListFolder(logs + "missing\\", names));
    EXPECT_FALSE(fs.AppendToFile(logs + "missing\\x.log", "a"));
}

// A recovery is compared with the file it names by their write times.
TEST(WinFileSystem, AFileWrittenLaterHasTheLaterWriteTime) {
    TempFolder folder;
    WinFileSystem fs;
    const std::string first = Utf8(folder.dir) + "\\recovery.dat",
                      later = Utf8(folder.dir) + "\\a.dat";
    std::int64_t first_time = 0, later_time = 0;
    EXPECT_FALSE(fs.FileWriteTime(first, first_time));
    ASSERT_TRUE(fs.ReplaceFileContents(first, "kept"));
    Sleep(50);
    ASSERT_TRUE(fs.ReplaceFileContents(later, "saved"));
    ASSERT_TRUE(fs.FileWriteTime(first, first_time));
    ASSERT_TRUE(fs.FileWriteTime(later, later_time));
    EXPECT_GT(later_time, first_time);
}

TEST(WinProfileStore, KeysAndSectionsOfAFile) {
    TempFolder folder;
    WinProfileStore ini(folder.Wide(L"tvx5870.ini"));
    std::string value = "untouched";
    EXPECT_FALSE(ini.ReadKey(kSection, "Interface", value));
    EXPECT_EQ(value, "untouched");
    ASSERT_TRUE(ini.WriteKey(kSection, "Interface", "1"));
    ASSERT_TRUE(ini.WriteKey(kSection, "port_number", ""));
    ASSERT_TRUE(ini.ReadKey(kSection, "interface", value));
    EXPECT_EQ(value, "1");
    ASSERT_TRUE(ini.ReadKey(kSection, "port_number", value));
    EXPECT_EQ(value, "");

    std::vector<IniEntry> entries;
    ASSERT_TRUE(ini.ReadSection(kSection, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].key, "Interface");
    EXPECT_EQ(entries[0].value, "1");
    EXPECT_FALSE(ini.ReadSection("Missing", entries));

    ASSERT_TRUE(ini.WriteSection(kSection, {{"com_port", "2"}, {"list_count", "0"}}));
    EXPECT_FALSE(ini.ReadKey(kSection, "Interface", value));
    ASSERT_TRUE(ini.ReadKey(kSection, "com_port", value));
    EXPECT_EQ(value, "2");

    std::string text;
    WinFileSystem fs;
    ASSERT_TRUE(fs.ReadWholeFile(folder.Path(L"tvx5870.ini"), text));
    EXPECT_NE(text.find("[TVX-5870_Section]"), std::string::npos);
    EXPECT_NE(text.find("com_port=2"), std::string::npos);

    WinProfileStore none{std::wstring()};
    EXPECT_FALSE(none.WriteKey(kSection, "Interface", "1"));
    EXPECT_FALSE(none.ReadKey(kSection, "Interface", value));
}

TEST(WinProfileStore, Cp932ValuesRoundTripOnAJapaneseSystem) {
    if (GetACP() != 932) GTEST_SKIP() << "the profile file is kept in the system code page";
    TempFolder folder;
    WinProfileStore ini(folder.Wide(L"tvx5870.ini"));
    const std::string port = "\x83\x7c\x81\x5b\x83\x67";  // three double-byte characters
    ASSERT_TRUE(ini.WriteKey(kSection, "port_number", port));
    std::string value;
    ASSERT_TRUE(ini.ReadKey(kSection, "port_number", value));
    EXPECT_EQ(value, port);
}

TEST(WinProfileStore, RefusedSharedFileIsCopiedToTheUserFolder) {
    TempFolder folder;
    const std::wstring shared_path = folder.Wide(L"shared.ini");
    WinProfileStore shared(shared_path);
    ASSERT_TRUE(shared.WriteKey(kSection, "Interface", "1"));
    ASSERT_TRUE(shared.WriteKey(kSection, "port_number", "10001"));
    WinProfileStore user(folder.Wide(L"TVX-5870\\tvx5870.ini"), true);

    // Another handle that allows reading only: the shared file can be read, not written.
    HANDLE lock = CreateFileW(shared_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    if (WritePrivateProfileStringW(L"Probe", L"k", L"v", shared_path.c_str())) {
        CloseHandle(lock);
        GTEST_SKIP() << "this system lets a profile write pass a read-only share";
    }
    FallbackIniStore ini(shared, user, false);
    std::string value;
    ASSERT_TRUE(ini.ReadKey(kSection, "Interface", value));
    EXPECT_EQ(value, "1");
    ASSERT_TRUE(ini.WriteKey(kSection, "Interface", "0"));
    CloseHandle(lock);

    EXPECT_TRUE(ini.using_user_file);
    ASSERT_TRUE(user.ReadKey(kSection, "port_number", value));
    EXPECT_EQ(value, "10001");
    ASSERT_TRUE(user.ReadKey(kSection, "Interface", value));
    EXPECT_EQ(value, "0");
    ASSERT_TRUE(shared.ReadKey(kSection, "Interface", value));
    EXPECT_EQ(value, "1");
}

TEST(ConfigurationIniStore, UsesTheWindowsFolderWhileItCanBeWritten) {
    const std::wstring user_path = UserIniPath();
    ASSERT_FALSE(user_path.empty());
    const std::wstring tail = L"\\TVX-5870\\tvx5870.ini";
    ASSERT_GT(user_path.size(), tail.size());
    EXPECT_EQ(user_path.substr(user_path.size() - tail.size()), tail);

    IniStore& ini = ConfigurationIniStore();
    ASSERT_TRUE(ini.WriteKey(kSection, "com_port", "3"));
    auto app = std::make_unique<AppState>();
    ReadConfiguration(*app, ini);
    EXPECT_EQ(app->com_port_index, 3);

    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"TVX-5870_Section", L"com_port", L"", value, 16,
                             (std::wstring(windows) + L"\\tvx5870.ini").c_str());
    EXPECT_STREQ(value, L"3");
    EXPECT_EQ(GetFileAttributesW(user_path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace tvx
