#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/file_commands.h"
#include "model/settings_file.h"
#include "model/std_file_system.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

constexpr const char* kAskNew = "ask[TVX-5870]: データを保存せずに新規作成しますか？";
constexpr const char* kAskOpen = "ask[TVX-5870]: データを保存せずに別のファイルを開きますか？";
constexpr const char* kCantOpen = "error(exclamation): Can't file open";
constexpr const char* kNoFile = "error(exclamation): Don't file open";
constexpr const char* kAskOpenFile = "ask-file(0)";
constexpr const char* kAskSaveFile = "ask-file(1)";

struct MemoryFileSystem : FileSystem {
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;
    bool fail_replace = false;
    std::vector<std::string> replaced;  // paths in order

    bool ReadWholeFile(const std::string& path, std::string& bytes_out) override {
        auto it = files.find(path);
        if (it == files.end() || unreadable.count(path)) return false;
        bytes_out = it->second;
        return true;
    }
    bool ReplaceFileContents(const std::string& path, std::string_view bytes) override {
        replaced.push_back(path);
        if (fail_replace) return false;
        files[path] = std::string(bytes);
        return true;
    }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
};

struct FileCommands : ::testing::Test, CoreFixture {
    MemoryFileSystem fs;
    // Text of a model that differs from the defaults in a few visible places.
    std::string EditedFile() {
        CoreFixture other;
        other.model.white_level = 3;
        std::strcpy(other.model.title_text[0], "opened");
        other.model.page_title_number[2][10] = 99;
        return WriteSettingsText(other.model);
    }
    void EditModel() {
        model.edge_level = 2;
        std::strcpy(model.title_text[7], "typed");
        app.document_modified = 1;
    }
};

TEST_F(FileCommands, NewResetsTheModelAndBlanksTheFileName) {
    EditModel();
    std::strcpy(app.current_file_name, "/data/show.dat");
    app.interface_type = 1;
    prompts.yes_no_answers = {true};
    FileNew(ctx);
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kAskNew, "redraw-file-name"}));
    EXPECT_EQ(model.edge_level, 1);
    EXPECT_STREQ(model.title_text[7], "");
    EXPECT_STREQ(app.current_file_name, "");
    EXPECT_EQ(app.document_modified, 0);
    EXPECT_EQ(app.interface_type, 1);

    // Nothing unsaved: no question.
    prompts.calls.clear();
    FileNew(ctx);
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{"redraw-file-name"}));

    // After New there is no file to save to.
    prompts.calls.clear();
    EXPECT_FALSE(FileSave(ctx, fs));
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kNoFile}));
    EXPECT_TRUE(fs.replaced.empty());
}

TEST_F(FileCommands, NewAnsweredNoKeepsEverything) {
    EditModel();
    std::strcpy(app.current_file_name, "/data/show.dat");
    prompts.yes_no_answers = {false};
    FileNew(ctx);
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kAskNew}));
    EXPECT_EQ(model.edge_level, 2);
    EXPECT_STREQ(model.title_text[7], "typed");
    EXPECT_STREQ(app.current_file_name, "/data/show.dat");
    EXPECT_EQ(app.document_modified, 1);
}

TEST_F(FileCommands, NewAndOpenDoNothingWhileASequenceRuns) {
    EditModel();
    fs.files["/data/a.dat"] = EditedFile();
    prompts.file_names = {"/data/a.dat"};
    for (int step : {1, 7}) {
        app.sequence_running = step;
        FileNew(ctx);
        FileOpen(ctx, fs);
    }
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(model.edge_level, 2);
    EXPECT_EQ(model.white_level, 1);
    EXPECT_EQ(app.document_modified, 1);
}

TEST_F(FileCommands, OpenReadsTheFileAndTakesItsName) {
    EditModel();
    model.net_subnet_class = 0;
    model.glyph_pattern[3][0] = 'F';
    fs.files["/data/a.dat"] = EditedFile();
    prompts.yes_no_answers = {true};
    prompts.file_names = {"/data/a.dat"};
    FileOpen(ctx, fs);
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kAskOpen, kAskOpenFile}));
    EXPECT_STREQ(app.current_file_name, "/data/a.dat");
    EXPECT_EQ(app.document_modified, 0);
    EXPECT_EQ(model.white_level, 3);
    EXPECT_STREQ(model.title_text[0], "opened");
    EXPECT_STREQ(model.title_text[7], "");
    EXPECT_EQ(model.page_title_number[2][10], 99);
    EXPECT_EQ(model.edge_level, 1);
    // Fields outside the file are not touched by Open.
    EXPECT_EQ(model.net_subnet_class, 0);
    EXPECT_EQ(model.glyph_pattern[3][0], 'F');
}

TEST_F(FileCommands, OpenAnsweredNoOrCancelledChangesNothing) {
    EditModel();
    fs.files["/data/a.dat"] = EditedFile();
    prompts.yes_no_answers = {false};
    prompts.file_names = {"/data/a.dat"};
    FileOpen(ctx, fs);
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kAskOpen}));

    prompts.calls.clear();
    app.document_modified = 0;
    prompts.file_names.clear();  // the dialog is cancelled
    FileOpen(ctx, fs);
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kAskOpenFile}));
    EXPECT_EQ(model.white_level, 1);
    EXPECT_STREQ(app.current_file_name, "");
}

TEST_F(FileCommands, OpenOfAnUnreadableFileReportsAndChangesNothing) {
    std::strcpy(app.current_file_name, "/data/old.dat");
    fs.files["/data/locked.dat"] = EditedFile();
    fs.unreadable.insert("/data/locked.dat");
    prompts.file_names = {"/data/missing.dat", "/data/locked.dat"};
    FileOpen(ctx, fs);
    FileOpen(ctx, fs);
    EXPECT_EQ(prompts.calls,
              (std::vector<std::string>{kAskOpenFile, kCantOpen, kAskOpenFile, kCantOpen}));
    EXPECT_STREQ(app.current_file_name, "/data/old.dat");
    EXPECT_EQ(model.white_level, 1);
}

TEST_F(FileCommands, PathsThatDoNotFitTheFileNameAreRefusedNotCut) {
    std::string long_path = "/" + std::string(kPathBytes, 'd') + ".dat";
    fs.files[long_path] = EditedFile();
    prompts.file_names = {long_path, long_path};
    FileOpen(ctx, fs);
    EXPECT_FALSE(FileSaveAs(ctx, fs));
    EXPECT_EQ(prompts.calls,
              (std::vector<std::string>{kAskOpenFile, kCantOpen, kAskSaveFile, kCantOpen}));
    EXPECT_STREQ(app.current_file_name, "");
    EXPECT_EQ(model.white_level, 1);
    EXPECT_TRUE(fs.replaced.empty());
}

TEST_F(FileCommands, SaveWritesTheWholeFileToTheCurrentName) {
    EditModel();
    std::strcpy(app.current_file_name, "/data/show.dat");
    EXPECT_TRUE(FileSave(ctx, fs));
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(fs.files["/data/show.dat"], WriteSettingsText(model));
    EXPECT_EQ(app.document_modified, 0);
}

// Glyphs 73 and 76 end in 0x0A and 0x0D, which a line of the file cannot hold: the file gives
// them back as glyph 95, and the save says which titles and glyphs.
TEST_F(FileCommands, SaveNamesTheGlyphsTheFileCannotHold) {
    std::memcpy(model.title_text[4], "\x82\xA0\x11\x0A", 4);   // あ, glyph 73
    std::memcpy(model.title_text[11], "\x11\x0D\x11\x0B", 4);  // glyph 76, glyph 74
    std::strcpy(app.current_file_name, "/data/show.dat");
    EXPECT_TRUE(FileSave(ctx, fs));
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{
                                 "error(exclamation): 設定ファイルには次の外字をそのまま保存できま"
                                 "せん。ファイルを開くと別の外字になります（タイトルの CSV には正し"
                                 "く書き出せます）。\nタイトル 5: [外字73] → [外字95]\n"
                                 "タイトル 12: [外字76] → [外字95]"}));
    CoreFixture opened;
    ReadSettingsText(fs.files["/data/show.dat"], opened.model);
    EXPECT_STREQ(opened.model.title_text[4], "\x82\xA0\x11 ");
    EXPECT_STREQ(opened.model.title_text[11], "\x11 \x11\x0B");
}

TEST_F(FileCommands, FailedSaveKeepsTheOldFileNameAndModifiedFlag) {
    EditModel();
    std::strcpy(app.current_file_name, "/data/show.dat");
    fs.files["/data/show.dat"] = "previous";
    fs.fail_replace = true;
    EXPECT_FALSE(FileSave(ctx, fs));
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kCantOpen}));
    EXPECT_EQ(fs.files["/data/show.dat"], "previous");
    EXPECT_EQ(app.document_modified, 1);

    prompts.calls.clear();
    prompts.file_names = {"/data/other"};
    EXPECT_FALSE(FileSaveAs(ctx, fs));
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kAskSaveFile, kCantOpen}));
    EXPECT_EQ(fs.replaced.back(), "/data/other.dat");
    EXPECT_STREQ(app.current_file_name, "/data/show.dat");
    EXPECT_EQ(app.document_modified, 1);
}

TEST_F(FileCommands, SaveAsAppliesTheExtensionRuleAndTakesTheName) {
    struct Case {
        const char* chosen;
        const char* written;
    };
    const Case cases[] = {
        {"C:\\shows\\monday", "C:\\shows\\monday.dat"},
        {"C:\\shows\\monday.dat", "C:\\shows\\monday.dat"},
        {"C:\\shows\\FOO.DAT", "C:\\shows\\FOO.DAT"},  // any case
        {"C:\\shows\\monday.Dat", "C:\\shows\\monday.Dat"},
        {"C:\\shows\\monday.data", "C:\\shows\\monday.data"},
        {"C:\\shows\\title.v2", "C:\\shows\\title.v2.dat"},
        // Only the file name counts, not a folder that holds the letters.
        {"C:\\a.dat\\monday", "C:\\a.dat\\monday.dat"},
        {"C:/a.DAT/monday", "C:/a.DAT/monday.dat"},
        {"C:\\shows\\.dat", "C:\\shows\\.dat.dat"},  // not at the name's first character
        {".dat", ".dat.dat"},
        {"x.dat", "x.dat"},
    };
    for (const Case& c : cases) {
        EditModel();
        prompts.file_names = {c.chosen};
        EXPECT_TRUE(FileSaveAs(ctx, fs)) << c.chosen;
        EXPECT_EQ(fs.replaced.back(), c.written);
        EXPECT_STREQ(app.current_file_name, c.written);
        EXPECT_EQ(app.document_modified, 0);
        EXPECT_EQ(fs.files[c.written], WriteSettingsText(model));
    }
    prompts.calls.clear();
    EXPECT_FALSE(FileSaveAs(ctx, fs));  // cancelled
    EXPECT_EQ(prompts.calls, (std::vector<std::string>{kAskSaveFile}));
    // A dialog that comes back with no file name writes nothing, not ".dat".
    const std::size_t writes = fs.replaced.size();
    for (const char* empty : {"", "C:\\shows\\"}) {
        prompts.file_names = {empty};
        EXPECT_FALSE(FileSaveAs(ctx, fs)) << empty;
    }
    EXPECT_EQ(fs.replaced.size(), writes);
}

TEST(SavePathFor, EachSaveKindItsExtensionTheCsvAnyOfItsOwn) {
    struct Case {
        FileDialogKind kind;
        const char* chosen;
        const char* written;
    };
    const Case cases[] = {
        {FileDialogKind::SaveGlyphs, "glyphs", "glyphs.tlm"},
        {FileDialogKind::SaveGlyphs, "A.TLM", "A.TLM"},
        {FileDialogKind::SaveGlyphText, "one", "one.txt"},
        {FileDialogKind::SaveBitmap, "pic.BMP", "pic.BMP"},
        {FileDialogKind::SaveBitmap, "D:\\x.bmp\\gm01", "D:\\x.bmp\\gm01.bmp"},
        {FileDialogKind::SaveTitlesCsv, "titles", "titles.csv"},
        {FileDialogKind::SaveTitlesCsv, "titles.txt", "titles.txt"},
        {FileDialogKind::SaveTitlesCsv, "C:\\v1.2\\titles", "C:\\v1.2\\titles.csv"},
        {FileDialogKind::SaveTitlesCsv, "C:\\x\\.csv", "C:\\x\\.csv.csv"},
        {FileDialogKind::SavePagePicture, "page012", "page012.png"},
        {FileDialogKind::SaveContactSheet, "pages.PNG", "pages.PNG"},
        {FileDialogKind::SaveContactSheet, "v2.png.old", "v2.png.old"},
        {FileDialogKind::SaveTitlesCsv, "C:\\shows\\", ""},  // no name: nothing written
        {FileDialogKind::SaveCommLog, "today", "today.log"},
        {FileDialogKind::SaveCommLog, "today.txt", "today.txt"},
        {FileDialogKind::OpenSettings, "show", "show"},  // an open dialog's name is not changed
    };
    for (const Case& c : cases) EXPECT_EQ(SavePathFor(c.kind, c.chosen), c.written) << c.chosen;
    EXPECT_EQ(SaveExtension(FileDialogKind::SaveSettings), ".dat");
    EXPECT_EQ(SaveExtension(FileDialogKind::OpenGlyphs), "");
}

// On a real disk: a save that fails part-way leaves the previous file byte for byte.
struct DiskFolder {
    std::filesystem::path dir;
    DiskFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tvx-file-commands-XXXXXX").string();
        dir = mkdtemp(pattern.data());
    }
    ~DiskFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    std::size_t EntryCount() const {
        std::size_t n = 0;
        for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir)) ++n;
        return n;
    }
};

std::string ReadDisk(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(FileCommands, OnDiskSaveAsThenFailedSaveLeavesTheFileAsItWas) {
    DiskFolder folder;
    StdFileSystem disk;
    std::strcpy(model.title_text[0], "\x83\x5e\x83\x43\x83\x67\x83\x8b");  // "タイトル"
    prompts.file_names = {folder.Path("show")};
    ASSERT_TRUE(FileSaveAs(ctx, disk));
    std::string saved = ReadDisk(folder.Path("show.dat"));
    EXPECT_EQ(saved, WriteSettingsText(model));
    EXPECT_EQ(folder.EntryCount(), 1u);

    // Let the next write stop after 100 bytes: the file size limit makes write() fail.
    std::strcpy(model.title_text[0], "changed");
    app.document_modified = 1;
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = FileSave(ctx, disk);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(written);
    EXPECT_EQ(prompts.calls.back(), kCantOpen);
    EXPECT_EQ(ReadDisk(folder.Path("show.dat")), saved);
    EXPECT_EQ(folder.EntryCount(), 1u);  // the partial new file is gone
    EXPECT_EQ(app.document_modified, 1);
    EXPECT_EQ(std::string(app.current_file_name), folder.Path("show.dat"));

    // Reading it back gives the saved title.
    prompts.file_names = {folder.Path("show.dat")};
    app.document_modified = 0;
    FileOpen(ctx, disk);
    EXPECT_STREQ(model.title_text[0], "\x83\x5e\x83\x43\x83\x67\x83\x8b");
}

}  // namespace
}  // namespace tvx
