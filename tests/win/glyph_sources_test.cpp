// Glyphs from the installed fonts and from pictures on the Windows side: the font names and
// bytes GDI gives (a plain font and a face of a collection installed for this process), the
// two dialogs of the editor, its undo keys and the clipboard.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "pictures/font_face.h"
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

}  // namespace
}  // namespace tvx::test
