// Glyphs made from a font's character or from a picture: both become a grey 32 x 32 (one byte of
// ink a dot) and then a pattern by a threshold. The editor's two dialogs, tvx5870ctl and the
// tests all come here, so the same font or picture gives the same dots everywhere.
#pragma once

#include <string>
#include <string_view>

#include "pictures/font_face.h"
#include "pictures/images.h"

namespace tvx {

// A dot is lit when its ink is at least the threshold.
constexpr int kMinThreshold = 1;
constexpr int kMaxThreshold = 255;
constexpr int kDefaultThreshold = 128;

// A character of a font in the 32 x 32 cell.
constexpr int kMinSizePercent = 30;
constexpr int kMaxSizePercent = 150;
constexpr int kMaxOffsetDots = 16;
struct CharacterOptions {
    int size_percent = 100;  // the font's em square as a share of the cell's side
    int dx = 0;              // dots to the right (negative: to the left)
    int dy = 0;              // dots down (negative: up)
    bool heavier = false;    // a heavier stroke: half a dot more on every side of each stroke
    int threshold = kDefaultThreshold;
};
// The options brought into their ranges.
CharacterOptions Bounded(CharacterOptions options);

// The one character a text holds (UTF-8), or false: empty, more than one character, not UTF-8,
// or a control character.
bool OneCharacter(std::string_view utf8, char32_t& out);

// The character's ink per dot, drawn four times finer and averaged, so that a stroke that covers
// half a dot gives half the ink.
InkImage CharacterGrey(const FontFace& face, char32_t character, const CharacterOptions& options);

// A picture fitted into 32 x 32 keeping its proportions, centred, each dot the average of the
// picture's ink under it (outside the picture: no ink). The dots the picture covers at all are
// the area the automatic threshold looks at.
struct FittedPicture {
    InkImage grey;  // 32 x 32
    // The dots covered: [left, right) x [top, bottom).
    int left = 0, top = 0, right = 0, bottom = 0;
};
FittedPicture FitPicture(const InkImage& ink);

// Otsu's threshold of the dots in the fitted area: the level that parts their ink into the two
// classes of the largest between-class variance (the middle of the levels that do it equally
// well). kDefaultThreshold when every dot has the same ink.
int AutomaticThreshold(const FittedPicture& fitted);

// The 256 pattern characters of a grey 32 x 32: a dot is lit when its ink is at least threshold.
std::string PatternOfGrey(const InkImage& grey, int threshold);

// A picture as a glyph: threshold 0 asks for the automatic one; invert makes the light parts
// the lit dots (transparency stays background).
constexpr int kAutomaticThreshold = 0;
struct PictureGlyph {
    std::string pattern;  // 256 characters
    int threshold = 0;    // the threshold used
};
PictureGlyph GlyphOfPicture(const RgbaImage& picture, int threshold, bool invert);

// The clipboard's forms of a pattern. Text: the 256 characters; a text is taken as a pattern
// when it holds 256 hexadecimal digits and white space only (lines of 8 or 32 are fine); the
// digits are taken in upper case. Picture: a 24-bit device-independent bitmap (the clipboard's
// own form, without the file header), the lit dots black on white, kClipboardDot pixels a dot,
// which the picture path reads back as the same dots.
constexpr int kClipboardDot = 8;
bool PatternOfText(std::string_view text, std::string& pattern);
std::string PatternDib(const char* pattern);

// Why a picture or a font file is refused, as the user reads it, naming the file; empty for
// none.
std::string PictureProblemText(PictureProblem problem, std::string_view file_name);
std::string FontProblemText(FontProblem problem, std::string_view file_name);

}  // namespace tvx
