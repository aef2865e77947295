// The File menu's CSV items over recorders: what the user is asked and shown, what reaches the
// model and the disk, and that a refused or failed import changes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/title_csv_menu.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using Calls = std::vector<std::string>;

struct TitleCsvMenu : testing::Test, test::CoreFixture {
    test::MemoryFileSystem fs;
};

TEST_F(TitleCsvMenu, ImportTakesTheTitlesAndMarksTheDocument) {
    fs.files["C:\\t.csv"] = "\xEF\xBB\xBF番号,タイトル\r\n2,ABC\r\n";
    std::strcpy(model.title_text[0], "\x82\xA0");
    prompts.file_names = {"C:\\t.csv"};
    FileImportTitlesCsv(ctx, fs);
    EXPECT_EQ(prompts.calls, (Calls{"ask-file(7)",
                                    "plain[TVX-5870]: 1 件のタイトルを読み込みました "
                                    "(半角を全角にした文字: 3)"}));
    EXPECT_STREQ(model.title_text[0], "\x82\xA0");
    EXPECT_STREQ(model.title_text[1], "\x82\x60\x82\x61\x82\x62");
    EXPECT_EQ(app.document_modified, 1);
}

TEST_F(TitleCsvMenu, ImportThatCannotGoOnChangesNothing) {
    std::string problems = "番号,タイトル\n";
    for (int n = 1; n <= 22; ++n) problems += std::to_string(n) + ",€\n";
    fs.files["p.csv"] = problems;
    std::strcpy(model.title_text[0], "\x82\xA0");
    struct Case {
        std::deque<std::string> names;
        Calls calls;
    };
    std::string shown = "error(exclamation): CSV のタイトルを読み込めません。タイトルは変わっていません。\n\n";
    for (int n = 2; n <= 21; ++n) {
        shown += std::to_string(n) + "行目 2列目 (1文字目): 「€」(U+20AC) はコードページ932にない文字です";
        shown += n < 21 ? "\n" : "\nほか 2 件";
    }
    const Case cases[] = {
        {{}, {"ask-file(7)"}},                                           // cancelled
        {{"none.csv"}, {"ask-file(7)", "error(exclamation): Can't file open"}},
        {{"p.csv"}, {"ask-file(7)", shown}},
    };
    for (const Case& c : cases) {
        prompts.calls.clear();
        prompts.file_names = c.names;
        FileImportTitlesCsv(ctx, fs);
        EXPECT_EQ(prompts.calls, c.calls);
        EXPECT_STREQ(model.title_text[0], "\x82\xA0");
        EXPECT_EQ(app.document_modified, 0);
    }
    // While a run sends the titles the menu item does nothing.
    prompts.calls.clear();
    app.sequence_running = 3;
    fs.files["t.csv"] = "1,x\n";
    prompts.file_names = {"t.csv"};
    FileImportTitlesCsv(ctx, fs);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_STREQ(model.title_text[0], "\x82\xA0");
}

TEST_F(TitleCsvMenu, ExportWritesUtf8AndAddsCsvToANameWithoutExtension) {
    std::strcpy(model.title_text[143], "\x10\xFA");
    for (const auto& [chosen, written] : std::vector<std::pair<std::string, std::string>>{
             {"C:\\v1.2\\titles", "C:\\v1.2\\titles.csv"},
             {"titles.txt", "titles.txt"},
             {"/home/op/.titles", "/home/op/.titles.csv"}}) {
        prompts.file_names = {chosen};
        EXPECT_TRUE(FileExportTitlesCsv(ctx, fs));
        ASSERT_EQ(fs.files.count(written), 1u) << written;
        const std::string& bytes = fs.files[written];
        EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF番号,タイトル\r\n1,\r\n2,\r\n")) << bytes;
        EXPECT_TRUE(bytes.ends_with("\r\n143,\r\n144,[外字57]\r\n")) << bytes;
    }
    prompts.file_names = {"C:\\shows\\"};  // a dialog ended without a name writes nothing
    const std::size_t files_before = fs.files.size();
    EXPECT_FALSE(FileExportTitlesCsv(ctx, fs));
    EXPECT_EQ(fs.files.size(), files_before);
    EXPECT_EQ(prompts.calls, Calls(4, "ask-file(8)"));
    EXPECT_EQ(app.document_modified, 0);

    prompts.calls.clear();
    fs.fail_writes = true;
    prompts.file_names = {"x.csv"};
    EXPECT_FALSE(FileExportTitlesCsv(ctx, fs));
    EXPECT_EQ(prompts.calls, (Calls{"ask-file(8)", "error(exclamation): Can't file open"}));

    // A title a CSV cannot give back is named before any file is asked for.
    prompts.calls.clear();
    std::strcpy(model.title_text[1], "\x85\x40");
    EXPECT_FALSE(FileExportTitlesCsv(ctx, fs));
    EXPECT_EQ(prompts.calls,
              (Calls{"error(exclamation): CSV に書き出せないタイトルがあります。\n\n"
                     "タイトル 2 の 1 文字目: 0x85 はコードページ932の文字ではありません"}));
}

}  // namespace
}  // namespace tvx
