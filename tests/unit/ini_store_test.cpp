#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/config.h"
#include "model/fallback_ini_store.h"
#include "model/ini_text_store.h"
#include "model/std_file_system.h"

namespace tvx {
namespace {

constexpr std::string_view kSection = "TVX-5870_Section";

// ---- The text format ----

TEST(IniText, NewFileAndNewKeysAreWrittenWithCrLf) {
    std::string text;
    ASSERT_TRUE(SetIniValue(text, kSection, "Interface", "1"));
    EXPECT_EQ(text, "[TVX-5870_Section]\r\nInterface=1\r\n");
    ASSERT_TRUE(SetIniValue(text, kSection, "com_port", "2"));
    ASSERT_TRUE(SetIniValue(text, kSection, "Interface", "0"));
    EXPECT_EQ(text, "[TVX-5870_Section]\r\nInterface=0\r\ncom_port=2\r\n");
    ASSERT_TRUE(SetIniValue(text, "Other", "a", ""));
    EXPECT_EQ(text, "[TVX-5870_Section]\r\nInterface=0\r\ncom_port=2\r\n\r\n[Other]\r\na=\r\n");
}

TEST(IniText, ChangesKeepEveryOtherLineByteForByte) {
    const std::string before =
        "; kept comment\n"
        "[Other]\n"
        "Interface=9\n"
        "\n"
        "[tvx-5870_section]\r\n"
        "  interface = 0 \r\n"
        "com_port=1\r\n"
        "\r\n"
        "[Last]\n"
        "x=y";
    std::string text = before;
    ASSERT_TRUE(SetIniValue(text, kSection, "Interface", "1"));
    ASSERT_TRUE(SetIniValue(text, kSection, "list_count", "2"));
    ASSERT_TRUE(SetIniValue(text, "last", "z", "1"));
    EXPECT_EQ(text,
              "; kept comment\n"
              "[Other]\n"
              "Interface=9\n"
              "\n"
              "[tvx-5870_section]\r\n"
              "interface=1\r\n"
              "com_port=1\r\n"
              "list_count=2\r\n"
              "\r\n"
              "[Last]\n"
              "x=y\r\n"
              "z=1\r\n");
}

TEST(IniText, LookupFollowsTheProfileFunctions) {
    const std::string text =
        "Interface=5\n"  // before any section: belongs to none
        "[Other]\n"
        "select_number=8\n"
        "[TVX-5870_SECTION]\n"
        ";Interface=7\n"
        "  INTERFACE\t=  1 2 \n"
        "Interface=3\n"
        "port_number=\"09004\"\n"
        "quoted='x\n"
        "\x83\x61=sjis lower trail\n"
        "[TVX-5870_Section]\n"
        "com_port=4\n";
    std::string value;
    ASSERT_TRUE(FindIniValue(text, kSection, "interface", value));
    EXPECT_EQ(value, "1 2");
    ASSERT_TRUE(FindIniValue(text, kSection, "port_number", value));
    EXPECT_EQ(value, "09004");
    ASSERT_TRUE(FindIniValue(text, kSection, "quoted", value));
    EXPECT_EQ(value, "'x");
    EXPECT_FALSE(FindIniValue(text, kSection, "select_number", value));
    EXPECT_FALSE(FindIniValue(text, kSection, "com_port", value));  // second copy of the section
    EXPECT_FALSE(FindIniValue(text, "Missing", "Interface", value));
    // The trail byte of a double-byte character is not a letter to fold.
    EXPECT_FALSE(FindIniValue(text, kSection, "\x83\x41", value));
    ASSERT_TRUE(FindIniValue(text, kSection, "\x83\x61", value));
    EXPECT_EQ(value, "sjis lower trail");
}

TEST(IniText, NamesAndValuesTheFormatCannotHoldAreRefused) {
    const std::string before = "[S]\r\na=1\r\n";
    std::string text = before;
    EXPECT_FALSE(SetIniValue(text, "S", "a", "1\r\nInterface=1"));
    EXPECT_FALSE(SetIniValue(text, "S", "b=c", "1"));
    EXPECT_FALSE(SetIniValue(text, "S", "", "1"));
    EXPECT_FALSE(SetIniValue(text, "S", " a", "1"));
    EXPECT_FALSE(SetIniValue(text, "S", "[a", "1"));
    EXPECT_FALSE(SetIniValue(text, "S", ";a", "1"));
    EXPECT_FALSE(SetIniValue(text, "S]", "a", "1"));
    EXPECT_FALSE(SetIniValue(text, "", "a", "1"));
    EXPECT_FALSE(ReplaceIniSection(text, "S", {{"a", "1\n"}}));
    EXPECT_EQ(text, before);
}

TEST(IniText, WholeSectionsAreReadAndReplaced) {
    std::string text =
        "[A]\r\nk=1\r\n\r\n"
        "[TVX-5870_Section]\r\n"
        "Interface=1\r\n"
        "; note\r\n"
        "port_number = \"123\" \r\n"
        "\r\n"
        "[B]\r\nk=2\r\n";
    std::vector<IniEntry> entries;
    ASSERT_TRUE(ReadIniSection(text, kSection, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].key, "Interface");
    EXPECT_EQ(entries[1].key, "port_number");
    EXPECT_EQ(entries[1].value, "\"123\"");  // as it stands, so a copy reads the same
    EXPECT_FALSE(ReadIniSection(text, "Missing", entries));
    EXPECT_TRUE(entries.empty());

    ASSERT_TRUE(ReplaceIniSection(text, kSection, {{"com_port", "3"}, {"list_count", "0"}}));
    EXPECT_EQ(text,
              "[A]\r\nk=1\r\n\r\n"
              "[TVX-5870_Section]\r\n"
              "com_port=3\r\n"
              "list_count=0\r\n"
              "\r\n"
              "[B]\r\nk=2\r\n");
    std::string empty;
    ASSERT_TRUE(ReplaceIniSection(empty, kSection, {}));
    EXPECT_EQ(empty, "[TVX-5870_Section]\r\n");
}

// ---- Files on disk ----

struct DiskFolder {
    std::filesystem::path dir;
    DiskFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tvx-ini-XXXXXX").string();
        dir = mkdtemp(pattern.data());
    }
    ~DiskFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (auto& entry : std::filesystem::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::string ReadDisk(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteDisk(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(IniText, LinesWithAStrayCrAreNoKeysSoACopiedSectionCanAlwaysBeWritten) {
    // LF CR instead of CR LF leaves a CR at the start of the next line.
    const std::string text =
        "[TVX-5870_Section]\r\nClientServer=1\n\rselect_number=1\r\nlist_count=a\rb\r\n"
        "com_port=2\r\n";
    std::vector<IniEntry> entries;
    ASSERT_TRUE(ReadIniSection(text, kSection, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].key, "ClientServer");
    EXPECT_EQ(entries[1].key, "com_port");
    std::string copy;
    EXPECT_TRUE(ReplaceIniSection(copy, kSection, entries));
    std::string value;
    EXPECT_FALSE(FindIniValue(text, kSection, "select_number", value));
}

TEST(IniText, AFileEndingInABareCrKeepsItsLastLineWhenAKeyIsAdded) {
    std::string text = "[TVX-5870_Section]\r\nport_number=09004\r";
    ASSERT_TRUE(SetIniValue(text, kSection, "list_count", "7"));
    EXPECT_EQ(text, "[TVX-5870_Section]\r\nport_number=09004\r\nlist_count=7\r\n");
    std::string value;
    EXPECT_TRUE(FindIniValue(text, kSection, "port_number", value));
    EXPECT_EQ(value, "09004");

    std::string header_only = "[TVX-5870_Section]\r";
    ASSERT_TRUE(ReplaceIniSection(header_only, kSection, {{"com_port", "3"}}));
    EXPECT_EQ(header_only, "[TVX-5870_Section]\r\ncom_port=3\r\n");
}

TEST(StdFileSystem, ReplacesWholeFilesWithoutLeavingTemporaryFiles) {
    DiskFolder folder;
    StdFileSystem fs;
    const std::string path = folder.Path("show.dat");
    const std::string bytes("a\r\nb\0c\n", 7);
    EXPECT_FALSE(fs.FileExists(path));
    std::string read = "untouched";
    EXPECT_FALSE(fs.ReadWholeFile(path, read));
    EXPECT_EQ(read, "untouched");

    ASSERT_TRUE(fs.ReplaceFileContents(path, bytes));
    EXPECT_TRUE(fs.FileExists(path));
    ASSERT_TRUE(fs.ReadWholeFile(path, read));
    EXPECT_EQ(read, bytes);

    chmod(path.c_str(), 0640);
    ASSERT_TRUE(fs.ReplaceFileContents(path, "second"));
    EXPECT_EQ(ReadDisk(path), "second");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"show.dat"}));

    ASSERT_TRUE(fs.ReplaceFileContents(path, ""));
    EXPECT_EQ(ReadDisk(path), "");
}

TEST(StdFileSystem, AnotherFileWithTheTemporaryNameIsNeverOverwritten) {
    DiskFolder folder;
    StdFileSystem fs;
    const std::string path = folder.Path("show.dat");
    WriteDisk(path + ".~tvx0.tmp", "someone else's");
    ASSERT_TRUE(fs.ReplaceFileContents(path, "mine"));
    EXPECT_EQ(ReadDisk(path), "mine");
    EXPECT_EQ(ReadDisk(path + ".~tvx0.tmp"), "someone else's");
}

TEST(StdFileSystem, MissingFolderOrEmptyPathFails) {
    DiskFolder folder;
    StdFileSystem fs;
    EXPECT_FALSE(fs.ReplaceFileContents(folder.Path("no/such/folder.dat"), "x"));
    EXPECT_FALSE(fs.ReplaceFileContents("", "x"));
    EXPECT_TRUE(folder.Names().empty());
}

TEST(IniTextStore, WritesAndReadsKeysOfARealFile) {
    DiskFolder folder;
    StdFileSystem fs;
    IniTextStore ini(folder.Path("tvx5870.ini"), fs);
    std::string value = "untouched";
    EXPECT_FALSE(ini.ReadKey(kSection, "Interface", value));
    EXPECT_EQ(value, "untouched");
    ASSERT_TRUE(ini.WriteKey(kSection, "Interface", "1"));
    ASSERT_TRUE(ini.WriteKey(kSection, "port_number", "09004"));
    ASSERT_TRUE(ini.ReadKey(kSection, "INTERFACE", value));
    EXPECT_EQ(value, "1");
    EXPECT_EQ(ReadDisk(folder.Path("tvx5870.ini")),
              "[TVX-5870_Section]\r\nInterface=1\r\nport_number=09004\r\n");
    EXPECT_FALSE(ini.WriteKey(kSection, "bad\nkey", "1"));
}

TEST(IniTextStore, AFileThatExistsButCannotBeReadIsNeverReplaced) {
    DiskFolder folder;
    StdFileSystem fs;
    // A folder in place of the file: it exists, but reading it fails.
    std::filesystem::create_directory(folder.Path("tvx5870.ini"));
    IniTextStore ini(folder.Path("tvx5870.ini"), fs);
    EXPECT_FALSE(ini.WriteKey(kSection, "Interface", "1"));
    EXPECT_FALSE(ini.WriteSection(kSection, {}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path("tvx5870.ini")));
}

// ---- The shared file and the user's copy ----

// Files in memory; writes to the paths in read_only fail, as in a folder the user may not
// write to.
struct MemoryFileSystem : FileSystem {
    std::map<std::string, std::string> files;
    std::set<std::string> read_only;
    bool ReadWholeFile(const std::string& path, std::string& bytes_out) override {
        auto it = files.find(path);
        if (it == files.end()) return false;
        bytes_out = it->second;
        return true;
    }
    bool ReplaceFileContents(const std::string& path, std::string_view bytes) override {
        if (read_only.count(path)) return false;
        files[path] = std::string(bytes);
        return true;
    }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
};

struct TwoFiles : ::testing::Test {
    MemoryFileSystem fs;
    IniTextStore shared{"C:/Windows/tvx5870.ini", fs};
    IniTextStore user{"C:/Users/u/AppData/Roaming/TVX-5870/tvx5870.ini", fs};

    std::string& SharedText() { return fs.files[shared.path]; }
    bool UserFileExists() { return fs.files.count(user.path) != 0; }
    std::string Read(IniStore& store, std::string_view key) {
        std::string value = "<absent>";
        store.ReadKey(kSection, key, value);
        return value;
    }
};

TEST_F(TwoFiles, WithoutAUserCopyTheSharedFileIsReadAndWritten) {
    SharedText() = "[TVX-5870_Section]\r\nInterface=1\r\n";
    FallbackIniStore ini(shared, user, false);
    EXPECT_EQ(Read(ini, "Interface"), "1");
    ASSERT_TRUE(ini.WriteKey(kSection, "com_port", "2"));
    EXPECT_EQ(SharedText(), "[TVX-5870_Section]\r\nInterface=1\r\ncom_port=2\r\n");
    EXPECT_FALSE(UserFileExists());
    EXPECT_FALSE(ini.using_user_file);
}

TEST_F(TwoFiles, AnExistingUserCopyIsTheOnlyFileUsed) {
    SharedText() = "[TVX-5870_Section]\r\nInterface=1\r\ncom_port=5\r\n";
    fs.files[user.path] = "[TVX-5870_Section]\r\nInterface=0\r\n";
    FallbackIniStore ini(shared, user, true);
    EXPECT_EQ(Read(ini, "Interface"), "0");
    EXPECT_EQ(Read(ini, "com_port"), "<absent>");  // never taken from the shared file
    ASSERT_TRUE(ini.WriteKey(kSection, "ClientServer", "1"));
    EXPECT_EQ(fs.files[user.path], "[TVX-5870_Section]\r\nInterface=0\r\nClientServer=1\r\n");
    EXPECT_EQ(SharedText(), "[TVX-5870_Section]\r\nInterface=1\r\ncom_port=5\r\n");
}

TEST_F(TwoFiles, FirstRefusedWriteCopiesTheSectionAndSwitchesForGood) {
    SharedText() =
        "[Foreign]\r\nx=1\r\n\r\n"
        "[TVX-5870_Section]\r\nInterface=1\r\nport_number=10001\r\nlist_count=0\r\n";
    const std::string shared_before = SharedText();
    fs.read_only.insert(shared.path);
    FallbackIniStore ini(shared, user, false);

    ASSERT_TRUE(ini.WriteKey(kSection, "list_count", "1"));
    EXPECT_TRUE(ini.using_user_file);
    EXPECT_EQ(fs.files[user.path],
              "[TVX-5870_Section]\r\nInterface=1\r\nport_number=10001\r\nlist_count=1\r\n");
    EXPECT_EQ(SharedText(), shared_before);

    // From now on only the user's copy, even once the shared file could be written again.
    fs.read_only.clear();
    ASSERT_TRUE(ini.WriteKey(kSection, "Interface", "0"));
    EXPECT_EQ(SharedText(), shared_before);
    EXPECT_EQ(Read(ini, "Interface"), "0");
    EXPECT_EQ(Read(ini, "port_number"), "10001");

    // The next start finds the user's copy and reads it alone.
    auto app = std::make_unique<AppState>();
    FallbackIniStore next(shared, user, UserFileExists());
    ReadConfiguration(*app, next);
    EXPECT_EQ(app->interface_type, 0);
    EXPECT_EQ(app->host_list_count, 1);
    EXPECT_STREQ(app->tcp_port_text, "10001");
}

TEST_F(TwoFiles, NoSharedFileAndNoRightToCreateOne) {
    fs.read_only.insert(shared.path);
    FallbackIniStore ini(shared, user, false);
    EXPECT_EQ(Read(ini, "Interface"), "<absent>");
    auto app = std::make_unique<AppState>();
    const unsigned char host[4] = {192, 168, 1, 3};
    ASSERT_TRUE(AddHost(*app, ini, host));
    EXPECT_FALSE(fs.files.count(shared.path));
    EXPECT_EQ(fs.files[user.path],
              "[TVX-5870_Section]\r\nlist_count=1\r\nip00_0=192\r\nip00_1=168\r\nip00_2=1\r\n"
              "ip00_3=3\r\n");
}

TEST_F(TwoFiles, WhenNeitherFileTakesTheValueNothingIsMixed) {
    SharedText() = "[TVX-5870_Section]\r\nInterface=1\r\n";
    fs.read_only = {shared.path, user.path};
    FallbackIniStore ini(shared, user, false);
    EXPECT_FALSE(ini.WriteKey(kSection, "Interface", "0"));
    EXPECT_FALSE(ini.using_user_file);
    EXPECT_FALSE(UserFileExists());
    EXPECT_EQ(Read(ini, "Interface"), "1");
}

// A settings file that Windows redirected to the VirtualStore is read when it is the only one,
// and the first write takes it to the user's copy, not to a new file in the Windows folder.
TEST_F(TwoFiles, VirtualStoreCopyIsReadAloneAndMovedToTheUserCopyOnTheFirstWrite) {
    IniTextStore virtual_copy{"C:/Users/u/AppData/Local/VirtualStore/Windows/tvx5870.ini", fs};
    fs.files[virtual_copy.path] =
        "[TVX-5870_Section]\r\nInterface=1\r\nClientServer=1\r\nlist_count=1\r\n"
        "ip00_0=10\r\nip00_1=0\r\nip00_2=0\r\nip00_3=9\r\n";
    FallbackIniStore ini(shared, user, false);
    ini.ReadFromVirtualStore(virtual_copy);
    auto app = std::make_unique<AppState>();
    ReadConfiguration(*app, ini);
    EXPECT_EQ(app->interface_type, 1);
    EXPECT_EQ(app->tcp_role, 1);
    ASSERT_EQ(app->host_list_count, 1);
    EXPECT_EQ(app->host_list[0][3], 9);

    ASSERT_TRUE(ini.WriteKey(kSection, "com_port", "2"));
    EXPECT_TRUE(ini.using_user_file);
    EXPECT_FALSE(fs.files.count(shared.path));
    EXPECT_EQ(fs.files[user.path],
              "[TVX-5870_Section]\r\nInterface=1\r\nClientServer=1\r\nlist_count=1\r\n"
              "ip00_0=10\r\nip00_1=0\r\nip00_2=0\r\nip00_3=9\r\ncom_port=2\r\n");

    // A user copy that cannot be written keeps the VirtualStore copy in use, unchanged.
    FallbackIniStore refused(shared, user, false);
    refused.ReadFromVirtualStore(virtual_copy);
    fs.read_only.insert(user.path);
    EXPECT_FALSE(refused.WriteKey(kSection, "Interface", "0"));
    EXPECT_EQ(Read(refused, "Interface"), "1");
    EXPECT_FALSE(fs.files.count(shared.path));
}

}  // namespace
}  // namespace tvx
