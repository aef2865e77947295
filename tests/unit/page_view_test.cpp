// The window "ページの見え方...": the lines beneath the picture, the font it picks, the saves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/page_view.h"
#include "support/memory_stores.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using namespace std::string_literals;

TEST(PageView, EachPositionsLineSaysWhatThePictureCannot) {
    test::CoreFixture f;
    std::strcpy(f.model.title_text[0], "\x93\x8c\x8b\x9e\x10\x20");  // 東京, glyph 1
    std::strcpy(f.model.title_text[1], "AB");
    f.model.page_title_number[1][0] = 1;
    f.model.page_display_on[2][0] = 0;
    f.model.page_title_number[3][0] = 300;
    f.model.display_page[0] = kAutoSwitchPage;
    EXPECT_EQ(PageViewPositionText(f.model, 0, 0), "ch.1 Top　T001「東京[外字1]」");
    EXPECT_EQ(PageViewPositionText(f.model, 0, 1),
              "ch.1 Bottom　T002「AB」　送れない文字があります　表示中");
    EXPECT_EQ(PageViewPositionText(f.model, 0, 2), "ch.2 Top　T001「東京[外字1]」　表示 OFF");
    EXPECT_EQ(PageViewPositionText(f.model, 0, 3), "ch.2 Bottom　T---");
    EXPECT_EQ(PageViewInitialPage(f.model), 0);  // ch.1 Top switches, ch.1 Bottom shows page 1
    f.model.display_page[1] = 41;
    EXPECT_EQ(PageViewInitialPage(f.model), 41);
}

TEST(PageView, PicksTheConfiguredFontThenAFixedPitchGothic) {
    struct Case {
        std::vector<std::string> names;
        const char* configured;
        int index;
    };
    const Case cases[] = {
        {{"Arial", "ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ 明朝"}, "", 2},
        {{"Arial", "ＭＳ Ｐゴシック", "ＭＳ ゴシック"}, "ＭＳ Ｐゴシック", 1},
        {{"Arial", "ＭＳ Ｐゴシック", "ＭＳ ゴシック"}, "gone", 2},
        {{"VL PGothic", "MS UI Gothic", "VL Gothic"}, "", 2},
        {{"IPAPGothic", "IPAGothic"}, "", 1},
        {{"Tahoma", "VL PGothic"}, "", 1},  // only a proportional Gothic
        {{"Tahoma", "ＭＳ 明朝"}, "", 0},
        {{}, "", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreferredFontIndex(c.names, c.configured), c.index)
            << testing::PrintToString(c.names) << " / " << c.configured;
    }
}

TEST(PageView, SavesThePageAndTheSheetAsPngWithTheirExtension) {
    test::CoreFixture f;
    test::MemoryFileSystem fs;
    PagePainter painter;
    RgbaImage back;

    f.prompts.file_names = {"C:\\shots\\today"};
    ASSERT_TRUE(SavePagePicturePng(f.ctx, fs, painter, 11));
    ASSERT_EQ(fs.files.count("C:\\shots\\today.png"), 1u);
    ASSERT_EQ(DecodePicture(fs.files["C:\\shots\\today.png"], back), PictureProblem::None);
    EXPECT_EQ(back.width, kPictureWidth);
    EXPECT_EQ(back.height, kPictureHeight);

    f.prompts.file_names = {"C:\\shots\\all.PNG"};
    ASSERT_TRUE(SaveContactSheetPng(f.ctx, fs, painter));
    ASSERT_EQ(DecodePicture(fs.files["C:\\shots\\all.PNG"], back), PictureProblem::None);
    EXPECT_EQ(back.width, kSheetWidth);
    EXPECT_EQ(f.prompts.offered_names, (std::vector<std::string>{"page012.png", "pages.png"}));
    EXPECT_EQ(f.prompts.calls,
              (std::vector<std::string>{
                  "ask-file(" + std::to_string(int(FileDialogKind::SavePagePicture)) + ")",
                  "ask-file(" + std::to_string(int(FileDialogKind::SaveContactSheet)) + ")"}));

    // Cancelled: nothing; a file that cannot be written: the box, and the old file stays.
    f.prompts.calls.clear();
    EXPECT_FALSE(SavePagePicturePng(f.ctx, fs, painter, 0));
    fs.fail_writes = true;
    f.prompts.file_names = {"C:\\shots\\today.png"};
    EXPECT_FALSE(SavePagePicturePng(f.ctx, fs, painter, 0));
    EXPECT_EQ(f.prompts.calls.back(), "error(stop): Can't file open");
    EXPECT_EQ(fs.files.size(), 2u);
}

}  // namespace
}  // namespace tvx
