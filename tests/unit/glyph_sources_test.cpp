// Glyphs made from a font's character and from pictures, checked by properties that hold for any
// Gothic design; the clipboard's two forms of a pattern; the editor's undo and redo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_source_dialogs.h"
#include "glyphs/glyph_sources.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

constexpr const char* kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

FontFace Gothic() {
    std::ifstream in(kGothic, std::ios::binary);
    FontFace face;
    OpenFontFace({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, 0, face);
    return face;
}

std::string FromFont(const FontFace& face, char32_t ch, CharacterOptions o = {}) {
    return PatternOfGrey(CharacterGrey(face, ch, o), o.threshold);
}

using Dots = std::vector<std::vector<bool>>;  // [row][column]
Dots DotsOf(const std::string& pattern) {
    Dots d(32, std::vector<bool>(32));
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 32; ++c) d[r][c] = DotLit(pattern.c_str(), c, r);
    return d;
}
int Count(const std::string& pattern) {
    int n = 0;
    for (const auto& row : DotsOf(pattern))
        n += static_cast<int>(std::count(row.begin(), row.end(), true));
    return n;
}

struct Box {
    int left = 32, top = 32, right = -1, bottom = -1;
};
Box LitBox(const std::string& pattern) {
    Box b;
    const Dots d = DotsOf(pattern);
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 32; ++c)
            if (d[r][c])
                b = {std::min(b.left, c), std::min(b.top, r), std::max(b.right, c),
                     std::max(b.bottom, r)};
    return b;
}

// The background dots a flood from the border reaches (four neighbours).
Dots Outside(const std::string& pattern) {
    const Dots lit = DotsOf(pattern);
    Dots out(32, std::vector<bool>(32));
    std::vector<std::pair<int, int>> todo;
    for (int i = 0; i < 32; ++i) todo.insert(todo.end(), {{i, 0}, {i, 31}, {0, i}, {31, i}});
    while (!todo.empty()) {
        auto [c, r] = todo.back();
        todo.pop_back();
        if (c < 0 || r < 0 || c > 31 || r > 31 || lit[r][c] || out[r][c]) continue;
        out[r][c] = true;
        todo.insert(todo.end(), {{c + 1, r}, {c - 1, r}, {c, r + 1}, {c, r - 1}});
    }
    return out;
}

// Each row of a pattern as 8 characters.
std::string Rows(std::initializer_list<std::pair<int, std::string>> runs) {
    std::string p;
    for (auto [count, row] : runs)
        for (int i = 0; i < count; ++i) p += row;
    return p;
}

TEST(GlyphSources, FontCharactersKeepTheirShapeWhateverTheDesign) {
    const FontFace face = Gothic();
    ASSERT_TRUE(face.data) << kGothic;

    // "一": one band of whole rows, nothing above or below it.
    const std::string one = FromFont(face, U'一');
    const Box band = LitBox(one);
    EXPECT_LE(band.bottom - band.top, 3);
    EXPECT_GE(band.right - band.left, 24);
    for (int r = band.top; r <= band.bottom; ++r)
        for (int c = band.left + 1; c < band.right; ++c)
            EXPECT_TRUE(DotLit(one.c_str(), c, r)) << c << "," << r;

    // "口": a closed outline, its inside not reached from the border.
    const std::string mouth = FromFont(face, U'口');
    EXPECT_FALSE(DotLit(mouth.c_str(), 16, 16));
    EXPECT_FALSE(Outside(mouth)[16][16]);

    // Size and offsets move the box as asked; the cell cuts what leaves it.
    const Box full = LitBox(FromFont(face, U'口'));
    const Box half = LitBox(FromFont(face, U'口', {50}));
    EXPECT_NEAR(half.right - half.left, (full.right - full.left) / 2.0, 1.5);
    EXPECT_NEAR(half.left + half.right, full.left + full.right, 2);
    const Box moved = LitBox(FromFont(face, U'口', {50, 3, -2}));
    EXPECT_EQ(moved.left, half.left + 3);
    EXPECT_EQ(moved.right, half.right + 3);
    EXPECT_EQ(moved.top, half.top - 2);
    EXPECT_EQ(LitBox(FromFont(face, U'口', {100, 16})).right, 31);

    // A heavier stroke adds dots and removes none; a higher threshold only removes.
    for (char32_t ch : {U'一', U'口', U'髙'}) {
        const std::string plain = FromFont(face, ch);
        CharacterOptions heavy;
        heavy.heavier = true;
        const std::string heavier = FromFont(face, ch, heavy);
        EXPECT_GT(Count(heavier), Count(plain));
        for (int k = 0; k < 256; ++k)
            EXPECT_EQ(PatternCharValue(heavier[k]) & PatternCharValue(plain[k]),
                      PatternCharValue(plain[k]));
        CharacterOptions light;
        light.threshold = 220;
        const std::string lighter = FromFont(face, ch, light);
        EXPECT_LT(Count(lighter), Count(plain));
        for (int k = 0; k < 256; ++k)
            EXPECT_EQ(PatternCharValue(lighter[k]) & PatternCharValue(plain[k]),
                      PatternCharValue(lighter[k]));
    }
    // 髙 fills most of its cell; a character the font lacks draws nothing.
    const Box tall = LitBox(FromFont(face, U'髙'));
    EXPECT_GE(tall.right - tall.left, 24);
    EXPECT_GE(tall.bottom - tall.top, 24);
    EXPECT_EQ(FromFont(face, U'\U0001F600'), std::string(256, '0'));
}

TEST(GlyphSources, OneCharacterIsOneCodePoint) {
    char32_t ch = 0;
    EXPECT_TRUE(OneCharacter("髙", ch) && ch == U'髙');
    EXPECT_TRUE(OneCharacter("\xF0\xA0\xAE\xB7", ch) && ch == U'\U00020BB7');  // beyond 16 bits
    EXPECT_TRUE(OneCharacter("A", ch) && ch == U'A');
    for (const char* refused : {"", "あい", "\x01", "\xC2\x85", "\xFF", "\xE9\xAB"})
        EXPECT_FALSE(OneCharacter(refused, ch)) << refused;
}

// A picture of w x h where ink(x, y) gives each pixel's grey (0 white .. 255 black) and opaque
// says which are not transparent.
RgbaImage Picture(
    int w, int h, const std::function<int(int, int)>& ink,
    const std::function<bool(int, int)>& opaque = [](int, int) { return true; }) {
    RgbaImage p{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 4)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = &p.rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            px[0] = px[1] = px[2] = static_cast<std::uint8_t>(255 - ink(x, y));
            px[3] = opaque(x, y) ? 255 : 0;
        }
    return p;
}

TEST(GlyphSources, PicturesFitCentredWithTheirProportions) {
    // A 64 x 64 PNG with a black block at x 8..39, y 16..31: dots 4..19 of rows 8..15.
    RgbImage png(64, 64, 255);
    for (int y = 16; y < 32; ++y)
        for (int x = 8; x < 40; ++x) std::fill_n(&png.rgb[(y * 64 + x) * 3], 3, 0);
    RgbaImage decoded;
    ASSERT_EQ(DecodePicture(EncodePng(png), decoded), PictureProblem::None);
    EXPECT_EQ(GlyphOfPicture(decoded, kAutomaticThreshold, false).pattern,
              Rows({{8, "00000000"}, {8, "0FFFF000"}, {16, "00000000"}}));
    // Inverted: the rest of the picture is lit.
    EXPECT_EQ(GlyphOfPicture(decoded, kAutomaticThreshold, true).pattern,
              Rows({{8, "FFFFFFFF"}, {8, "F0000FFF"}, {16, "FFFFFFFF"}}));

    // Twice as wide as high, all black: 32 x 16 in the middle rows. Three wide and one high:
    // a band of 10 2/3 rows centred, the half-covered rows at its edges at half ink.
    const auto black = [](int, int) { return 255; };
    EXPECT_EQ(GlyphOfPicture(Picture(64, 32, black), kAutomaticThreshold, false).pattern,
              Rows({{8, "00000000"}, {16, "FFFFFFFF"}, {8, "00000000"}}));
    const FittedPicture band = FitPicture(InkOfPicture(Picture(96, 32, black)));
    EXPECT_EQ(band.top, 10);
    EXPECT_EQ(band.bottom, 22);
    EXPECT_EQ(band.grey.At(5, 10), 85);  // a third of the row
    EXPECT_EQ(band.grey.At(5, 15), 255);
    // Smaller than the cell: enlarged.
    EXPECT_EQ(GlyphOfPicture(Picture(2, 2, [](int x, int) { return x == 0 ? 255 : 0; }), 128, false)
                  .pattern,
              Rows({{32, "FFFF0000"}}));
    // Transparent parts stay background, also inverted.
    const RgbaImage half_clear = Picture(
        32, 32, [](int, int) { return 0; }, [](int x, int) { return x >= 16; });
    EXPECT_EQ(GlyphOfPicture(half_clear, kAutomaticThreshold, true).pattern,
              Rows({{32, "0000FFFF"}}));
    EXPECT_EQ(GlyphOfPicture(half_clear, kAutomaticThreshold, false).pattern,
              std::string(256, '0'));
}

TEST(GlyphSources, AutomaticThresholdPartsTwoGreyLevels) {
    for (int share : {8, 16, 24}) {  // columns of the lighter grey, of 32
        const RgbaImage p = Picture(32, 32, [share](int x, int) { return x < share ? 60 : 200; });
        const PictureGlyph g = GlyphOfPicture(p, kAutomaticThreshold, false);
        EXPECT_GT(g.threshold, 60) << share;
        EXPECT_LE(g.threshold, 200) << share;
        EXPECT_EQ(LitBox(g.pattern).left, share);
        EXPECT_EQ(Count(g.pattern), (32 - share) * 32);
        EXPECT_EQ(GlyphOfPicture(p, 61, false).pattern, g.pattern);  // by hand
        EXPECT_EQ(Count(GlyphOfPicture(p, 60, false).pattern), 1024);
    }
    // One grey only: the default level decides.
    EXPECT_EQ(GlyphOfPicture(Picture(8, 8, [](int, int) { return 200; }), 0, false).threshold,
              kDefaultThreshold);
}

TEST(GlyphSources, RefusalsNameTheFile) {
    test::CoreFixture f;
    test::MemoryFileSystem fs;
    fs.files["C:\\pics\\big.png"] = std::string(kMaxPictureFileBytes + 1, '\0');
    fs.files["C:\\pics\\wide.png"] = EncodePng(RgbImage(kMaxPictureSide + 1, 1, 0));
    fs.files["bad.gif"] = "GIF89a";
    fs.files["ok.png"] = EncodePng(RgbImage(3, 5, 0));
    f.prompts.file_names = {"C:\\pics\\big.png", "C:\\pics\\wide.png", "bad.gif", "gone.png",
                            "ok.png"};
    RgbaImage picture;
    std::string name;
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(ReadPictureFile(f.ctx, fs, picture, name));
    EXPECT_TRUE(ReadPictureFile(f.ctx, fs, picture, name));
    EXPECT_EQ(name, "ok.png");
    EXPECT_EQ(picture.width * 10 + picture.height, 35);
    EXPECT_FALSE(ReadPictureFile(f.ctx, fs, picture, name));  // cancelled
    const std::string file =
        "ask-file(" + std::to_string(static_cast<int>(FileDialogKind::OpenPicture)) + ")";
    EXPECT_EQ(
        f.prompts.calls,
        (std::vector<std::string>{
            file, "error(exclamation): 「big.png」は大きすぎます（画像は 20 MB まで）。", file,
            "error(exclamation): 「wide.png」は大きすぎます（画像は 4096 × 4096 ドットまで）。",
            file, "error(exclamation): 「bad.gif」は BMP、PNG、JPEG、GIF の画像として読めません。",
            file, "error(exclamation): Can't file open", file, file}));
    EXPECT_EQ(FontProblemText(FontProblem::FileTooLarge, "x.ttc"),
              "「x.ttc」は大きすぎます（フォントは 64 MB まで）。");
    EXPECT_EQ(FontProblemText(FontProblem::NotAFont, "x.ttf"),
              "「x.ttf」は TrueType、OpenType のフォントとして読めません。");
}

TEST(GlyphSources, ClipboardFormsGiveTheSamePatternBack) {
    std::string checker, strokes(256, '0');
    for (int k = 0; k < 256; ++k) checker += (k / 8) % 2 ? 'A' : '5';
    strokes.replace(8 * 5, 8, "0FF00FF0");
    for (const std::string& p : {std::string(256, '0'), std::string(256, 'F'), checker, strokes}) {
        const std::string dib = PatternDib(p.c_str());
        ASSERT_EQ(dib.size(), 40u + 256 * 256 * 3);
        EXPECT_EQ(dib.substr(0, 16), std::string("\x28\0\0\0\0\x01\0\0\0\x01\0\0\x01\0\x18\0", 16));
        std::string file;
        RgbaImage back;
        ASSERT_TRUE(BitmapFileOfDib(dib, file));
        ASSERT_EQ(DecodePicture(file, back), PictureProblem::None);
        EXPECT_EQ(GlyphOfPicture(back, kAutomaticThreshold, false).pattern, p);
    }
    // A 32-bit DIB with its three masks after the header, and a two-colour one with its table.
    std::string masked("\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x20\0\x03\0\0\0", 20);
    masked += std::string(20, '\0') + std::string("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0", 12) +
              std::string("\x10\x20\x30\x00", 4);
    std::string two_colour("\x28\0\0\0\x02\0\0\0\x01\0\0\0\x01\0\x01\0\0\0\0\0", 20);
    two_colour += std::string(12, '\0') + std::string("\x02\0\0\0", 4) + std::string(4, '\0') +
                  std::string("\0\0\0\0\xFF\xFF\xFF\0", 8) + std::string("\x40\0\0\0", 4);
    std::string file;
    RgbaImage back;
    ASSERT_TRUE(BitmapFileOfDib(masked, file));
    ASSERT_EQ(DecodePicture(file, back), PictureProblem::None);
    EXPECT_EQ(std::vector<int>(back.rgba.begin(), back.rgba.begin() + 3),
              (std::vector<int>{0x30, 0x20, 0x10}));
    ASSERT_TRUE(BitmapFileOfDib(two_colour, file));
    ASSERT_EQ(DecodePicture(file, back), PictureProblem::None);
    EXPECT_EQ(std::vector<int>({back.rgba[0], back.rgba[4]}), (std::vector<int>{0, 255}));
    std::string lying = two_colour;
    lying[32] = '\x7F';  // 127 colours that are not there
    EXPECT_FALSE(BitmapFileOfDib(lying, file));
    EXPECT_FALSE(BitmapFileOfDib(std::string("\x28\0\0\0", 4), file));

    std::string pattern;
    std::string lines;
    for (int r = 0; r < 32; ++r) lines += checker.substr(r * 8, 8) + "\r\n";
    EXPECT_TRUE(PatternOfText(lines, pattern) && pattern == checker);
    std::string lower = checker;
    lower[3] = 'a';
    EXPECT_TRUE(PatternOfText(lower, pattern) && pattern[3] == 'A');
    for (const std::string& refused :
         {checker.substr(1), checker + "0", checker.substr(1) + "G", std::string()})
        EXPECT_FALSE(PatternOfText(refused, pattern));
}

struct EditorCase : test::CoreFixture {
    GlyphState g;
    EditorCase() {
        app.address_prefix_on = 1;
        app.current_glyph_index = 4;
        LoadEditBuffer(model, app);
        StartEditorSteps(ctx, g);
    }
    std::string Grid() const { return std::string(model.glyph_receive_buffer, 256); }
    void Stroke(int x, int y) {
        OnEditorButtonDown(ctx, g, MouseButton::Left, x, y);
        OnEditorMouseMove(ctx, g, x + 15, y, true, false);  // the next dot to the right
        OnEditorButtonUp(ctx, g, MouseButton::Left);
    }
};

TEST(GlyphEditorSteps, EachStepUndoesAndRedoesToTheExactPattern) {
    EditorCase f;
    std::vector<std::string> seen{f.Grid()};
    f.Stroke(27, 24);  // one stroke of two dots: one step
    seen.push_back(f.Grid());
    EXPECT_TRUE(PutPatternInEditor(f.ctx, f.g, std::string(256, 'a')));  // kept as given
    seen.push_back(f.Grid());
    EXPECT_TRUE(InvertEditBuffer(f.ctx, f.g));
    seen.push_back(f.Grid());
    ParseSerialReply(f.ctx, "00FBMA369" + std::string(255, '0') + "1\r\n");  // a read-back
    NoteGridReplaced(f.ctx, f.g);
    EXPECT_EQ(f.Grid(), std::string(255, '0') + "1");
    seen.push_back(f.Grid());
    EXPECT_TRUE(ClearEditBuffer(f.ctx, f.g, 77));
    seen.push_back(f.Grid());
    EXPECT_EQ(seen[2], std::string(256, 'a'));
    EXPECT_EQ(seen[3], std::string(256, '5'));
    for (int i = static_cast<int>(seen.size()) - 2; i >= 0; --i) {
        EXPECT_TRUE(UndoEdit(f.ctx, f.g));
        EXPECT_EQ(f.Grid(), seen[i]) << i;
        EXPECT_EQ(std::string(f.model.glyph_pattern[4], 256), seen[i]);  // the slot follows
    }
    EXPECT_FALSE(UndoEdit(f.ctx, f.g));
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_TRUE(RedoEdit(f.ctx, f.g));
        EXPECT_EQ(f.Grid(), seen[i]) << i;
    }
    EXPECT_FALSE(RedoEdit(f.ctx, f.g));
    // A new step after an undo leaves nothing to redo; a stroke that changes nothing is no step.
    EXPECT_TRUE(UndoEdit(f.ctx, f.g));
    f.Stroke(27, 100);
    EXPECT_FALSE(RedoEdit(f.ctx, f.g));
    f.Stroke(27, 100);
    EXPECT_TRUE(UndoEdit(f.ctx, f.g));
    EXPECT_EQ(f.Grid(), seen[4]);
    EXPECT_EQ(f.g.glyph_modified, 1);
}

TEST(GlyphEditorSteps, HundredStepsForEachNumberAndNothingWhileAReadWaits) {
    EditorCase f;
    for (int i = 0; i < kUndoSteps + 5; ++i) {
        std::string p(256, '0');
        p[i % 256] = '1' + i / 256;
        p[255] = static_cast<char>('0' + i % 10);
        ASSERT_TRUE(PutPatternInEditor(f.ctx, f.g, p));
    }
    int undone = 0;
    while (UndoEdit(f.ctx, f.g)) ++undone;
    EXPECT_EQ(undone, kUndoSteps);
    EXPECT_EQ(f.Grid()[4], '1');  // the pattern after the fifth step

    // Another number keeps its own steps; coming back finds the first number's again.
    ASSERT_TRUE(OnEditorNumberSelected(f.ctx, f.g, 9));
    EXPECT_FALSE(UndoEdit(f.ctx, f.g));
    EXPECT_TRUE(InvertEditBuffer(f.ctx, f.g));
    ASSERT_TRUE(OnEditorNumberSelected(f.ctx, f.g, 4));
    EXPECT_TRUE(RedoEdit(f.ctx, f.g));
    ASSERT_TRUE(OnEditorNumberSelected(f.ctx, f.g, 9));
    EXPECT_TRUE(UndoEdit(f.ctx, f.g));

    f.app.glyph_read_pending = 1;
    const std::string before = f.Grid();
    EXPECT_FALSE(UndoEdit(f.ctx, f.g));
    EXPECT_FALSE(InvertEditBuffer(f.ctx, f.g));
    EXPECT_FALSE(PutPatternInEditor(f.ctx, f.g, std::string(256, 'F')));
    EXPECT_FALSE(PasteIntoEditor(f.ctx, f.g, std::string(256, 'F'), ""));
    EXPECT_EQ(f.Grid(), before);
}

TEST(GlyphEditorSteps, PasteTakesTheTextFirstThenThePicture) {
    EditorCase f;
    std::string strokes(256, '0');
    strokes.replace(8 * 7, 8, "00FFFF00");
    EXPECT_TRUE(PasteIntoEditor(f.ctx, f.g, strokes, PatternDib(std::string(256, 'F').c_str())));
    EXPECT_EQ(f.Grid(), strokes);
    EXPECT_TRUE(
        PasteIntoEditor(f.ctx, f.g, "not a pattern", PatternDib(std::string(256, 'F').c_str())));
    EXPECT_EQ(f.Grid(), std::string(256, 'F'));
    EXPECT_FALSE(PasteIntoEditor(f.ctx, f.g, "not a pattern", ""));
    EXPECT_FALSE(PasteIntoEditor(f.ctx, f.g, "", std::string("\x28\0\0\0", 4)));
    EXPECT_EQ(f.prompts.calls,
              (std::vector<std::string>{"error(exclamation): " + std::string(kNothingToPasteText),
                                        "error(exclamation): 「クリップボードの画像」は "
                                        "BMP、PNG、JPEG、GIF の画像として読めません。"}));
    EXPECT_TRUE(UndoEdit(f.ctx, f.g));
    EXPECT_EQ(f.Grid(), strokes);
}

TEST(GlyphSourceDialogs, GothicPreselectedAndNotesWhenThereIsNoGlyph) {
    EXPECT_EQ(PreferredFontIndex({"Arial", "IPA Pゴシック", "IPAゴシック", "VL Gothic"}), 2);
    EXPECT_EQ(PreferredFontIndex({"Arial", "MS UI Gothic", "VL PGothic"}), 1);
    EXPECT_EQ(PreferredFontIndex({"Arial", "明朝"}), 0);
    EXPECT_EQ(PreferredFontIndex({}), -1);

    TextSourceDialog d;
    d.font_names = {"IPAゴシック", "Broken"};
    std::ifstream in(kGothic, std::ios::binary);
    OnTextFontRead(d, 0, true,
                   {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, 0);
    const std::pair<const char*, std::string> cases[] = {
        {"", "文字を 1 文字入れてください。"},
        {"あい", "1 文字だけ入れてください。"},
        {"\xF0\x9F\x98\x80", "「\xF0\x9F\x98\x80」はこのフォントにありません。"},
        {"髙", ""},
    };
    for (const auto& [text, note] : cases) {
        d.character_text = text;
        UpdateTextSource(d);
        EXPECT_EQ(d.note, note);
        EXPECT_EQ(d.pattern.size(), note.empty() ? 256u : 0u);
    }
    OnTextFontRead(d, 1, true, "not a font", 0);
    UpdateTextSource(d);
    EXPECT_EQ(d.note, "フォント「Broken」を読めません。");

    PictureSourceDialog p;
    StartPictureSource(p, Picture(32, 32, [](int x, int) { return x < 8 ? 60 : 200; }));
    UpdatePictureSource(p);
    EXPECT_GT(p.threshold, 60);
    EXPECT_EQ(Count(p.pattern), 24 * 32);
    p.invert = true;  // light is ink now: 195 and 55
    UpdatePictureSource(p);
    EXPECT_EQ(Count(p.pattern), 8 * 32);
    p.automatic = false;
    p.threshold = 50;
    UpdatePictureSource(p);
    EXPECT_EQ(Count(p.pattern), 1024);
    EXPECT_EQ(OffsetText(3) + OffsetText(0) + OffsetText(-2) + SizeText(100), "+30-2100 %");
}

}  // namespace
}  // namespace tvx
