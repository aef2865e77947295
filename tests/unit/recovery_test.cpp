#include "model/recovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "glyphs/glyph_list.h"
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
    ASSERT_TRUE(TakeRecoveredGlyphs(next.ctx, again, taken));
    EXPECT_EQ(next.model.glyph_pattern[0][0], 'F');
    EXPECT_EQ(next.model.glyph_pattern[kGlyphCount - 1][kGlyphPatternChars - 1], '8');
    EXPECT_STREQ(again.glyph_file_name, "C:\\data\\logo.tlm");
    EXPECT_EQ(again.glyph_modified, 1);  // still to be saved
    EXPECT_EQ(next.app.document_modified, 0);
    EXPECT_TRUE(disk.files.empty());

    // Kept glyphs damaged since: nothing taken.
    CoreFixture damaged;
    GlyphState left;
    EXPECT_FALSE(TakeRecoveredGlyphs(damaged.ctx, left, {true, kept.substr(0, 100), "x.tlm"}));
    EXPECT_EQ(damaged.model.glyph_pattern[0][0], '0');
    EXPECT_EQ(left.glyph_modified + left.glyph_file_name[0], 0);
}

}  // namespace
}  // namespace tvx
