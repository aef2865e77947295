// The rules of the editor's two small dialogs, "文字から作る..." (a character of an installed
// font) and "画像から読み込む..." (a picture file): what each control does to the glyph they
// make, what the dialog says about it, and which font comes preselected. The procedures show
// the result beside the glyph as it is and hand it to the editor on OK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "glyphs/glyph_sources.h"

namespace tvx {

// "文字から作る...".
struct TextSourceDialog {
    std::vector<std::string> font_names;  // UTF-8, as the system lists them
    int font_index = -1;
    FontFace face;               // the chosen font, when it opened
    std::string character_text;  // UTF-8, as typed
    CharacterOptions options;
    std::string pattern;  // the glyph made (256 characters), empty when there is none
    std::string note;     // why there is none, for the line under the pictures
};

// The font offered first: a Gothic font (named ゴシック or Gothic) of fixed width, else any
// Gothic font, else the first font. -1 for no fonts.
int PreferredFontIndex(const std::vector<std::string>& names);
// The chosen font's bytes as the system gave them (read false: it gave none), opened.
void OnTextFontRead(TextSourceDialog& d, int index, bool read, std::string bytes, int face_index);
// The glyph made from the character, the font and the options, or the note why there is none.
void UpdateTextSource(TextSourceDialog& d);

// "画像から読み込む...".
struct PictureSourceDialog {
    FittedPicture fitted[2];  // the picture fitted: [0] dark parts lit, [1] light parts lit
    bool automatic = true;    // the threshold is the automatic one (and shown)
    int threshold = kDefaultThreshold;
    bool invert = false;
    std::string pattern;
};
// Fits the picture once both ways, so that the threshold and invert follow without delay.
void StartPictureSource(PictureSourceDialog& d, const RgbaImage& picture);
// The threshold (the automatic one while automatic is set) and the glyph made.
void UpdatePictureSource(PictureSourceDialog& d);

// The value shown beside each slider.
std::string SizeText(int percent);     // "100 %"
std::string OffsetText(int dots);      // "+3", "0", "-2"
std::string ThresholdText(int level);  // "128"

inline constexpr std::string_view kTypeOneCharacterText = "文字を 1 文字入れてください。";

}  // namespace tvx
