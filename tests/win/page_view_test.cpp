// The window "ページの見え方..." in-process, opened from the menu: it opens on the page shown
// now with a Gothic of the installed fonts, draws the picture on its control, follows the page
// list, keeps the chosen font in the configuration file, and saves the page and the sheet.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "app/menu_commands_win.h"
#include "model/cp932.h"
#include "pictures/images.h"
#include "preview/page_picture.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/memory_stores.h"
#include "support/program_fixture_win.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

class PageViewTest : public ProgramTest {
  protected:
    MemoryIniStore ini;
    void SetUp() override {
        ProgramTest::SetUp();
        SetProgramIniStore(&ini);
    }
    void TearDown() override {
        SetProgramIniStore(nullptr);
        ProgramTest::TearDown();
    }
};

// How many pixels of the control, as it shows on screen, have the screens' dark blue.
int ScreenPixels(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    HDC screen = GetDC(control);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    int count = 0;
    for (int y = 0; y < r.bottom; y += 2) {
        for (int x = 0; x < r.right; x += 2) {
            const COLORREF px = GetPixel(memory, x, y);
            count += GetRValue(px) == kScreenColour.r && GetGValue(px) == kScreenColour.g &&
                     GetBValue(px) == kScreenColour.b;
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(control, screen);
    return count;
}

TEST_F(PageViewTest, OpensOnTheShownPageAndWiresItsListsPictureAndSaves) {
    std::strcpy(c.model.title_text[11], "\x93\x8c\x8b\x9e\x10\x20");  // 東京, glyph 1
    c.model.display_page[0] = 11;
    bool opened = DriveModalDialog(
        [] { RunMenuCommand(nullptr, IDM_PAGE_VIEW); },
        [&](HWND dialog) {
            EXPECT_EQ(c.app.active_dialog, reinterpret_cast<WindowHandle>(dialog));
            EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PAGE_VIEW_PAGE, CB_GETCURSEL, 0, 0), 11);
            EXPECT_EQ(ControlText(dialog, IDC_PAGE_VIEW_LINE_0),
                      L"ch.1 Top　T012「東京[外字1]」　表示中");
            EXPECT_EQ(ControlText(dialog, IDC_PAGE_VIEW_LINE_3),
                      L"ch.2 Bottom　T012「東京[外字1]」");
            const std::wstring font = ControlText(dialog, IDC_PAGE_VIEW_FONT);
            EXPECT_TRUE(font.find(L"Gothic") != std::wstring::npos ||
                        font.find(L"ゴシック") != std::wstring::npos)
                << WideToUtf8(font);
            UpdateWindow(dialog);
            EXPECT_GT(ScreenPixels(GetDlgItem(dialog, IDC_PAGE_VIEW_PICTURE)), 1000);

            SelectComboItem(dialog, IDC_PAGE_VIEW_PAGE, 0);
            EXPECT_EQ(ControlText(dialog, IDC_PAGE_VIEW_LINE_0), L"ch.1 Top　T001「」");

            const int fonts = static_cast<int>(
                SendDlgItemMessageW(dialog, IDC_PAGE_VIEW_FONT, CB_GETCOUNT, 0, 0));
            ASSERT_GT(fonts, 1);
            SelectComboItem(dialog, IDC_PAGE_VIEW_FONT, 0);
            std::string name;
            ASSERT_TRUE(WideToCp932(ControlText(dialog, IDC_PAGE_VIEW_FONT), name));
            EXPECT_EQ(ini.writes, (std::vector<std::string>{"preview_font=" + name}));

            prompts.file_names = {"C:\\out\\first"};
            ClickButton(dialog, IDC_PAGE_VIEW_SAVE);
            prompts.file_names = {"C:\\out\\all"};
            ClickButton(dialog, IDC_PAGE_VIEW_SAVE_SHEET);
        });
    ASSERT_TRUE(opened);
    EXPECT_EQ(prompts.offered_names, (std::vector<std::string>{"page001.png", "pages.png"}));
    RgbaImage page, sheet;
    ASSERT_EQ(DecodePicture(files.files["C:\\out\\first.png"], page), PictureProblem::None);
    EXPECT_EQ(page.width, kPictureWidth);
    ASSERT_EQ(DecodePicture(files.files["C:\\out\\all.png"], sheet), PictureProblem::None);
    EXPECT_EQ(sheet.width, kSheetWidth);
}

}  // namespace
}  // namespace tvx::test
