#include "model/recovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "glyphs/glyph_list.h"
#include "model/file_commands.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

TEST(Recovery, UnsavedTitlesAreKeptAtTheSessionEndAndOfferedBackOnceAtTheNextStart) {
    const RecoveryFiles where{"L:/TVX-5870/recovery.dat", "L:/TVX-5870/recovery-name.txt",
                              "L:/TVX-5870/recovery-glyphs.tlm",
                              "L:/TVX-5870/recovery-glyphs-name.txt"};
    test::MemoryFileSystem disk;
    CoreFixture ending;
    EXPECT_TRUE(SaveRecovery(ending.ctx, disk, where));  // nothing unsaved: nothing kept
    EXPECT_TRUE(disk.files.empty());
    std::strcpy(ending.model.title_text[0], "OPENING");
    std::strcpy(ending.app.current_file_name, "C:\\data\\show.dat");
    ending.app.document_modified = 1;
    disk.fail_writes = true;
    EXPECT_FALSE(SaveRecovery(ending.ctx, disk, where)) << "the session end must then be held";
    disk.fail_writes = false;
    ASSERT_TRUE(SaveRecovery(ending.ctx, disk, where));
    // The settings file's lines 1166 to 1168: edge level, title 1, title 2.
    EXPECT_NE(disk.files[where.data_path].find("\r\n1\r\nOPENING\r\ns\r\n"), std::string::npos);
    EXPECT_EQ(disk.files[where.name_path], "C:\\data\\show.dat");

    CoreFixture declined;
    declined.prompts.yes_no_answers = {false};
    EXPECT_FALSE(OfferRecovery(declined.ctx, disk, where));
    EXPECT_STREQ(declined.model.title_text[0], "");
    EXPECT_EQ(disk.files.count(where.data_path), 0u);

    ASSERT_TRUE(SaveRecovery(ending.ctx, disk, where));
    CoreFixture next;
    ASSERT_TRUE(OfferRecovery(next.ctx, disk, where));
    EXPECT_EQ(next.prompts.calls,
              std::vector<std::string>{"ask[TVX-5870]: 前回の終了時に保存されていなかった"
                                       "データがあります。\n読み込みますか？"});
    EXPECT_STREQ(next.model.title_text[0], "OPENING");
    EXPECT_STREQ(next.app.current_file_name, "C:\\data\\show.dat");
    EXPECT_EQ(next.app.document_modified, 1);  // still to be saved
    EXPECT_FALSE(OfferRecovery(next.ctx, disk, where));
    EXPECT_EQ(next.prompts.calls.size(), 1u);
}

TEST(Recovery, DrawnGlyphsAreKeptBesideTheTitlesAndComeBackAfterTheSameOneQuestion) {
    const RecoveryFiles where{"L:/r.dat", "L:/r-name.txt", "L:/r-glyphs.tlm",
                              "L:/r-glyphs-name.txt"};
    test::MemoryFileSystem disk;
    CoreFixture ending;
    GlyphState drawn;
    EXPECT_TRUE(SaveGlyphRecovery(ending.ctx, drawn, disk, where));  // nothing drawn
    EXPECT_TRUE(disk.files.empty());
    ending.model.glyph_pattern[0][0] = 'F';
    ending.model.glyph_pattern[kGlyphCount - 1][kGlyphPatternChars - 1] = '8';
    drawn.glyph_modified = 1;
    std::strcpy(drawn.glyph_file_name, "C:\\data\\logo.tlm");
    disk.fail_writes = true;
    EXPECT_FALSE(SaveGlyphRecovery(ending.ctx, drawn, disk, where));
    disk.fail_writes = false;
    // Titles saved, glyphs drawn: only the glyphs are kept, as a whole glyph file (one pattern
    // character a line, 160 x 256 lines).
    ASSERT_TRUE(SaveRecovery(ending.ctx, disk, where));
    ASSERT_TRUE(SaveGlyphRecovery(ending.ctx, drawn, disk, where));
    EXPECT_EQ(disk.files.count(where.data_path), 0u);
    const std::string kept = disk.files[where.glyph_path];
    EXPECT_EQ(kept.size(), 160u * 256u * 3u);
    EXPECT_EQ(kept.substr(0, 6), "F\r\n0\r\n");
    EXPECT_EQ(kept.substr(kept.size() - 6), "0\r\n8\r\n");
    EXPECT_EQ(disk.files[where.glyph_name_path], "C:\\data\\logo.tlm");

    CoreFixture next;
    GlyphState again;
    RecoveredGlyphs taken;
    ASSERT_TRUE(OfferRecovery(next.ctx, disk, where, &taken));
    EXPECT_EQ(next.prompts.calls.size(), 1u);
    ASSERT_TRUE(TakeRecoveredGlyphs(next.ctx, again, disk, where, taken));
    EXPECT_EQ(next.model.glyph_pattern[0][0], 'F');
    EXPECT_EQ(next.model.glyph_pattern[kGlyphCount - 1][kGlyphPatternChars - 1], '8');
    EXPECT_STREQ(again.glyph_file_name, "C:\\data\\logo.tlm");
    EXPECT_EQ(again.glyph_modified, 1);  // still to be saved
    EXPECT_EQ(next.app.document_modified, 0);
    EXPECT_TRUE(disk.files.empty());

    // Kept glyphs that fail the glyph file's check (a character that is no hexadecimal digit):
    // nothing taken, the user told, the file set aside where the next start does not offer it.
    std::string damaged_text = kept;
    damaged_text[3 * 256 * 2 + 3 * 4] = 'G';
    ASSERT_TRUE(
        KeepForRecovery(disk, where.glyph_path, where.glyph_name_path, "x.tlm", damaged_text));
    CoreFixture damaged;
    GlyphState left;
    RecoveredGlyphs offered;
    ASSERT_TRUE(OfferRecovery(damaged.ctx, disk, where, &offered));
    EXPECT_FALSE(TakeRecoveredGlyphs(damaged.ctx, left, disk, where, offered));
    EXPECT_EQ(damaged.model.glyph_pattern[2][4], '0');
    EXPECT_EQ(left.glyph_modified + left.glyph_file_name[0], 0);
    EXPECT_EQ(damaged.prompts.calls.back(),
              "error(exclamation): 前回の終了時に保存されていなかった外字は、壊れているため戻せ"
              "ませんでした。ファイルは残してあります。\n外字ファイルではありません。\n"
              "L:/r-glyphs-damaged.tlm\n外字 3 のパターンの 5 文字目が 16 進数字ではありません。");
    EXPECT_EQ(disk.files,
              (std::map<std::string, std::string>{{"L:/r-glyphs-damaged.tlm", damaged_text}}));
}

// A session end kept the work, but the program ran on (the end was called off unseen, or an
// installer's Restart Manager asked): a save of that work takes its part of the recovery with
// it, and a recovery older than the file it names says so when it is offered.
TEST(Recovery, SavedWorkTakesItsRecoveryAlongAndAnOlderOneIsOfferedWithAWord) {
    const RecoveryFiles where{"L:/r.dat", "L:/r-name.txt", "L:/r-glyphs.tlm",
                              "L:/r-glyphs-name.txt"};
    test::MemoryFileSystem disk;
    CoreFixture running;
    running.ctx.recovery = &where;
    GlyphState g;
    std::strcpy(running.model.title_text[0], "NEWER");
    std::strcpy(running.app.current_file_name, "C:/a.dat");
    running.app.document_modified = 1;
    g.glyph_modified = 1;
    std::strcpy(g.glyph_file_name, "C:/a.tlm");
    ASSERT_TRUE(SaveRecovery(running.ctx, disk, where));
    ASSERT_TRUE(SaveGlyphRecovery(running.ctx, g, disk, where));
    ASSERT_TRUE(FileSave(running.ctx, disk));
    EXPECT_EQ(disk.files.count(where.data_path) + disk.files.count(where.name_path), 0u);
    ASSERT_TRUE(SaveGlyphFile(running.ctx, g, disk));
    EXPECT_EQ(disk.files.size(), 2u);  // a.dat and a.tlm
    CoreFixture next;
    EXPECT_FALSE(OfferRecovery(next.ctx, disk, where));
    EXPECT_TRUE(next.prompts.calls.empty());

    // The file written after the recovery, and not by this save (another copy of the program).
    running.app.document_modified = 1;
    ASSERT_TRUE(SaveRecovery(running.ctx, disk, where));
    ASSERT_TRUE(disk.ReplaceFileContents("C:/a.dat", "written since"));
    CoreFixture later;
    later.prompts.yes_no_answers = {false};
    EXPECT_FALSE(OfferRecovery(later.ctx, disk, where));
    EXPECT_EQ(later.prompts.calls,
              std::vector<std::string>{"ask[TVX-5870]: 前回の終了時に保存されていなかったデータが"
                                       "あります。\nただし、次のファイルはこのデータより後に保存"
                                       "されています。読み込んで保存すると、ファイルの新しい内容"
                                       "は失われます。\nC:/a.dat\n読み込みますか？"});
}

}  // namespace
}  // namespace tvx
