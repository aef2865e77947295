// Glyphs from the installed fonts and from pictures on the Windows side: the font names and
// bytes GDI gives (a plain font and a face of a collection installed for this process), the
// two dialogs of the editor, its undo keys and the clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "glyphs/glyph_editor_win.h"
#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_sources.h"
#include "glyphs/glyph_window_win.h"
#include "pictures/font_face.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "winbase/font_data_win.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

constexpr const wchar_t* kVlGothicPath = L"Z:\\usr\\share\\fonts\\truetype\\vlgothic\\VL-Gothic-Regular.ttf";
constexpr const wchar_t* kIpaGothicPath = L"Z:\\usr\\share\\fonts\\opentype\\ipafont-gothic\\ipag.ttf";

std::string ReadDiskFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Be16(unsigned v) {
    return {static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string Be32(std::uint32_t v) {
    return Be16(v >> 16) + Be16(v & 0xFFFF);
}
std::uint32_t ReadBe32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// The font with a name table of its own (family, style, full and PostScript name, Windows
// Unicode English), appended at its end.
std::string Renamed(std::string font, const std::string& family) {
    const std::string names[] = {family, "Regular", family, family};
    const unsigned ids[] = {1, 2, 4, 6};
    std::string records;
    std::string strings;
    for (int i = 0; i < 4; ++i) {
        std::string utf16;
        for (char ch : names[i]) utf16 += Be16(static_cast<unsigned char>(ch));
        records += Be16(3) + Be16(1) + Be16(0x409) + Be16(ids[i]) + Be16(utf16.size()) +
                   Be16(strings.size());
        strings += utf16;
    }
    const std::string table = Be16(0) + Be16(4) + Be16(6 + 12 * 4) + records + strings;
    while (font.size() % 4) font += '\0';
    const int tables = (static_cast<unsigned char>(font[4]) << 8) | static_cast<unsigned char>(font[5]);
    for (int t = 0; t < tables; ++t) {
        const std::size_t entry = 12 + 16 * t;
        if (font.compare(entry, 4, "name") != 0) continue;
        font.replace(entry + 8, 8, Be32(font.size()) + Be32(table.size()));
    }
    return font + table;
}

// Fonts placed one after the other behind a collection header, their table offsets moved.
std::string Collection(const std::vector<std::string>& fonts) {
    std::string header = "ttcf" + Be32(0x00010000) + Be32(fonts.size());
    std::uint32_t at = 12 + 4 * fonts.size();
    std::string body;
    for (std::string font : fonts) {
        header += Be32(at);
        const int tables = (static_cast<unsigned char>(font[4]) << 8) | static_cast<unsigned char>(font[5]);
        for (int t = 0; t < tables; ++t) {
            const std::size_t entry = 12 + 16 * t + 8;
            font.replace(entry, 4, Be32(ReadBe32(font, entry) + at));
        }
        while (font.size() % 4) font += '\0';
        body += font;
        at += font.size();
    }
    return header + body;
}

TEST(FontData, InstalledFontsListJapaneseFirstAndGiveTheirFileBytes) {
    const std::vector<std::wstring> names = InstalledFontNames();
    // The family's name in the locale's language, as the font names it.
    auto place = [&](std::initializer_list<const wchar_t*> forms) {
        for (std::size_t i = 0; i < names.size(); ++i)
            for (const wchar_t* form : forms)
                if (names[i] == form) return static_cast<int>(i);
        return -1;
    };
    const int gothic = place({L"VL ゴシック", L"VL Gothic"});
    ASSERT_GE(gothic, 0);
    ASSERT_GE(place({L"DejaVu Sans"}), 0);
    EXPECT_LT(gothic, place({L"DejaVu Sans"}));
    for (const std::wstring& name : names) EXPECT_NE(name[0], L'@') << WideToUtf8(name);

    std::string bytes;
    int face = -1;
    ASSERT_TRUE(ReadInstalledFont(names[gothic], bytes, face));
    EXPECT_EQ(face, 0);
    EXPECT_EQ(bytes, ReadDiskFile(kVlGothicPath));
    EXPECT_FALSE(ReadInstalledFont(L"No Such Font Anywhere", bytes, face));
    EXPECT_FALSE(ReadInstalledFont(L"", bytes, face));
}

TEST(FontData, FaceOfACollectionComesWithTheWholeFileAndItsIndex) {
    const std::string ttc = Collection({Renamed(ReadDiskFile(kVlGothicPath), "TvxTtcFirst"),
                                        Renamed(ReadDiskFile(kIpaGothicPath), "TvxTtcSecond")});
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"tvx_test_faces.ttc";
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out << ttc;
    }
    ASSERT_GT(AddFontResourceExW(path.c_str(), FR_PRIVATE, nullptr), 0);
    std::string bytes;
    int face = -1;
    EXPECT_TRUE(ReadInstalledFont(L"TvxTtcSecond", bytes, face));
    EXPECT_EQ(face, 1);
    EXPECT_EQ(bytes, ttc);
    EXPECT_TRUE(ReadInstalledFont(L"TvxTtcFirst", bytes, face));
    EXPECT_EQ(face, 0);
    FontFace opened;
    EXPECT_EQ(OpenFontFace(bytes, 1, opened), FontProblem::None);
    RemoveFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
    DeleteFileW(path.c_str());
}

class GlyphSourcesTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ProgramGlyphState() = GlyphState{};
        c.app.current_glyph_index = 2;
    }
    std::string Grid() const { return std::string(c.model.glyph_receive_buffer, 256); }
};

// Ctrl and a letter, as the dialog's own loop gets them: the key goes to the focused control
// and the dialog manager (IsDialogMessage) sees it first.
void PressCtrl(HWND dialog, HWND control, char letter) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(control, WM_KEYDOWN, letter, 1);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

// The colour the screen shows at the centre of dot (column, row) of a live picture.
COLORREF PreviewDot(HWND picture, int column, int row) {
    RECT r;
    GetClientRect(picture, &r);
    const int dot = (r.right < r.bottom ? r.right : r.bottom) / 32;
    const int left = (r.right - 32 * dot) / 2;
    const int top = (r.bottom - 32 * dot) / 2;
    HDC dc = GetDC(picture);
    const COLORREF colour = GetPixel(dc, left + column * dot + dot / 2, top + row * dot + dot / 2);
    ReleaseDC(picture, dc);
    return colour;
}

TEST_F(GlyphSourcesTest, TextDialogPutsTheFontsCharacterOnTheGridAndTheKeysTakeItBack) {
    const std::string before(256, '1');
    std::memcpy(c.model.glyph_pattern[2], before.data(), 256);
    FontFace gothic;
    ASSERT_EQ(OpenFontFace(ReadDiskFile(kIpaGothicPath), 0, gothic), FontProblem::None);
    CharacterOptions options;
    options.size_percent = 90;
    const std::string made =
        PatternOfGrey(CharacterGrey(gothic, U'髙', options), options.threshold);
    ASSERT_TRUE(DriveModalDialog(
        [] { OpenGlyphEditorDialog(nullptr); },
        [&](HWND editor) {
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editor, IDC_GLYPH_UNDO)));
            ASSERT_TRUE(DriveModalDialog(
                [&] { ClickButton(editor, IDC_GLYPH_FROM_TEXT); },
                [&](HWND d) {
                    const std::vector<std::wstring> fonts = ComboItems(d, IDC_SOURCE_FONT);
                    const auto ipa = std::find(fonts.begin(), fonts.end(), L"IPAゴシック");
                    ASSERT_NE(ipa, fonts.end());
                    SelectComboItem(d, IDC_SOURCE_FONT, static_cast<int>(ipa - fonts.begin()));
                    SetDlgItemTextW(d, IDC_SOURCE_CHARACTER, L"髙");
                    HWND size = GetDlgItem(d, IDC_SOURCE_SIZE);
                    SendMessageW(size, TBM_SETPOS, TRUE, 90);
                    SendMessageW(d, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 90),
                                 reinterpret_cast<LPARAM>(size));
                    EXPECT_EQ(ControlText(d, IDC_SOURCE_SIZE_VALUE), L"90 %");
                    EXPECT_EQ(ControlText(d, IDC_SOURCE_NOTE), L"");
                    UpdateWindow(d);
                    HWND after = GetDlgItem(d, IDC_SOURCE_AFTER);
                    for (auto [column, row] : {std::pair{16, 1}, {0, 0}, {16, 16}, {3, 30}})
                        EXPECT_EQ(PreviewDot(after, column, row), DotLit(made.c_str(), column, row)
                                                                      ? RGB(255, 255, 255)
                                                                      : RGB(0, 0, 255))
                            << column << "," << row;
                    HWND now = GetDlgItem(d, IDC_SOURCE_BEFORE);  // "1": the last of each four dots
                    EXPECT_EQ(PreviewDot(now, 3, 5), RGB(255, 255, 255));
                    EXPECT_EQ(PreviewDot(now, 4, 5), RGB(0, 0, 255));
                    ClickButton(d, IDOK);
                }));
            EXPECT_EQ(Grid(), made);
            EXPECT_EQ(std::string(c.model.glyph_pattern[2], 256), made);
            EXPECT_EQ(ProgramGlyphState().glyph_modified, 1);
            HWND button = GetDlgItem(editor, IDC_GLYPH_REGISTER);
            PressCtrl(editor, button, 'Z');
            EXPECT_EQ(Grid(), before);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, IDC_GLYPH_REDO)));
            PressCtrl(editor, GetDlgItem(editor, IDC_GLYPH_SAMPLE), 'Y');  // the box's own key
            EXPECT_EQ(Grid(), before);
            PressCtrl(editor, button, 'Y');
            EXPECT_EQ(Grid(), made);
        }));
}

TEST_F(GlyphSourcesTest, PictureDialogTakesTheFileWithItsThresholdAndInvert) {
    RgbImage png(64, 64, 255);  // a black block at x 8..39, y 16..31
    for (int y = 16; y < 32; ++y)
        for (int x = 8; x < 40; ++x) std::fill_n(&png.rgb[(y * 64 + x) * 3], 3, 0);
    files.files["C:\\art\\logo.png"] = EncodePng(png);
    prompts.file_names = {"C:\\art\\logo.png"};
    ASSERT_TRUE(DriveModalDialog(
        [] { OpenGlyphEditorDialog(nullptr); },
        [&](HWND editor) {
            ASSERT_TRUE(DriveModalDialog(
                [&] { ClickButton(editor, IDC_GLYPH_FROM_PICTURE); },
                [&](HWND d) {
                    EXPECT_EQ(ControlText(d, IDC_SOURCE_NAME), L"logo.png");
                    EXPECT_EQ(IsDlgButtonChecked(d, IDC_SOURCE_AUTOMATIC), BST_CHECKED);
                    EXPECT_EQ(ControlText(d, IDC_SOURCE_THRESHOLD_VALUE),
                              L"128");  // black and white
                    CheckDlgButton(d, IDC_SOURCE_INVERT, BST_CHECKED);
                    ClickButton(d, IDC_SOURCE_INVERT);
                    ClickButton(d, IDOK);
                }));
        }));
    std::string inverted;
    for (int r = 0; r < 32; ++r) inverted += r >= 8 && r < 16 ? "F0000FFF" : "FFFFFFFF";
    EXPECT_EQ(Grid(), inverted);
}

TEST_F(GlyphSourcesTest, ClipboardCarriesThePatternAsTextAndAsAPicture) {
    std::string drawn(256, '0');
    drawn.replace(8 * 3, 8, "00FF0F00");
    std::memcpy(c.model.glyph_pattern[2], drawn.data(), 256);
    std::string other(256, '0');
    other.replace(8 * 20, 16, "F00000000000000F");
    ASSERT_TRUE(DriveModalDialog([] { OpenGlyphEditorDialog(nullptr); },
                                 [&](HWND editor) {
                                     HWND button = GetDlgItem(editor, IDC_GLYPH_READ);
                                     PressCtrl(editor, button, 'C');
                                     ASSERT_TRUE(OpenClipboard(editor));
                                     auto* text = static_cast<const wchar_t*>(
                                         GlobalLock(GetClipboardData(CF_UNICODETEXT)));
                                     EXPECT_EQ(text ? WideToUtf8(text) : "", drawn);
                                     GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
                                     EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
                                     CloseClipboard();
                                     ClickButton(editor, IDC_GLYPH_CLEAR);
                                     PressCtrl(editor, button, 'V');
                                     EXPECT_EQ(Grid(), drawn);

                                     // A picture alone, as another program puts it there.
                                     const std::string dib = PatternDib(other.c_str());
                                     ASSERT_TRUE(OpenClipboard(editor));
                                     EmptyClipboard();
                                     HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, dib.size());
                                     std::memcpy(GlobalLock(memory), dib.data(), dib.size());
                                     GlobalUnlock(memory);
                                     SetClipboardData(CF_DIB, memory);
                                     CloseClipboard();
                                     ClickButton(editor, IDC_GLYPH_PASTE);
                                     EXPECT_EQ(Grid(), other);
                                     ClickButton(editor, IDC_GLYPH_UNDO);
                                     EXPECT_EQ(Grid(), drawn);
                                 }));
}

}  // namespace
}  // namespace tvx::test
