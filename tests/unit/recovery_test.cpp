#include "model/recovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

using Disk = test::MemoryFileSystem;

const RecoveryFiles kWhere{"L:/TVX-5870/recovery.dat", "L:/TVX-5870/recovery-name.txt"};
const std::string kQuestion =
    "ask[TVX-5870]: 前回の終了時に保存されていなかったデータがあります。\n読み込みますか？";

// Line n (1-based) of a settings text.
std::string LineOf(const std::string& text, int n) {
    std::size_t at = 0;
    for (int i = 1; i < n; ++i) at = text.find("\r\n", at) + 2;
    return text.substr(at, text.find("\r\n", at) - at);
}

TEST(Recovery, UnsavedTitlesAreKeptAtTheSessionEndAndOfferedBackAtTheNextStart) {
    Disk disk;
    {
        CoreFixture ending;
        std::strcpy(ending.model.title_text[0], "OPENING");
        ending.model.white_level = 3;
        std::strcpy(ending.app.current_file_name, "C:\\data\\show.dat");
        ending.app.document_modified = 1;
        ASSERT_TRUE(SaveRecovery(ending.ctx, disk, kWhere));
    }
    const std::string& data = disk.files[kWhere.data_path];
    EXPECT_EQ(LineOf(data, 1165), "3");
    EXPECT_EQ(LineOf(data, 1167), "OPENING");
    EXPECT_EQ(LineOf(data, 1168), "s");
    EXPECT_EQ(disk.files[kWhere.name_path], "C:\\data\\show.dat");

    CoreFixture next;
    ASSERT_TRUE(OfferRecovery(next.ctx, disk, kWhere));
    EXPECT_EQ(next.prompts.calls, std::vector<std::string>{kQuestion});
    EXPECT_STREQ(next.model.title_text[0], "OPENING");
    EXPECT_EQ(next.model.white_level, 3);
    EXPECT_STREQ(next.app.current_file_name, "C:\\data\\show.dat");
    EXPECT_EQ(next.app.document_modified, 1);  // still to be saved
    EXPECT_TRUE(disk.files.empty());
    // Offered once only.
    EXPECT_FALSE(OfferRecovery(next.ctx, disk, kWhere));
    EXPECT_EQ(next.prompts.calls.size(), 1u);
}

TEST(Recovery, NothingUnsavedWritesNothingAndNoAnswerLeavesTheModelAlone) {
    Disk disk;
    CoreFixture f;
    EXPECT_TRUE(SaveRecovery(f.ctx, disk, kWhere));
    EXPECT_TRUE(disk.files.empty());
    f.app.document_modified = 1;
    disk.fail_writes = true;
    EXPECT_FALSE(SaveRecovery(f.ctx, disk, kWhere)) << "the session end must then be held";

    disk.fail_writes = false;
    std::strcpy(f.model.title_text[0], "OLD");
    ASSERT_TRUE(SaveRecovery(f.ctx, disk, kWhere));
    CoreFixture next;
    next.prompts.yes_no_answers = {false};
    EXPECT_FALSE(OfferRecovery(next.ctx, disk, kWhere));
    EXPECT_STREQ(next.model.title_text[0], "");
    EXPECT_EQ(next.app.document_modified, 0);
    EXPECT_TRUE(disk.files.empty());

    // A session end called off: the program runs on, the recovery goes.
    ASSERT_TRUE(SaveRecovery(f.ctx, disk, kWhere));
    DiscardRecovery(disk, kWhere);
    EXPECT_TRUE(disk.files.empty());
}

}  // namespace
}  // namespace tvx
