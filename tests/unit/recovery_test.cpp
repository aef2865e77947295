#include "model/recovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

TEST(Recovery, UnsavedTitlesAreKeptAtTheSessionEndAndOfferedBackOnceAtTheNextStart) {
    const RecoveryFiles where{"L:/TVX-5870/recovery.dat", "L:/TVX-5870/recovery-name.txt"};
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

}  // namespace
}  // namespace tvx
