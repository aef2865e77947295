#include "glyphs/glyph_source_dialogs.h"

#include <utility>

namespace tvx {

namespace {

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

bool IsGothic(const std::string& name) {
    return Contains(name, "ゴシック") || Contains(name, "Gothic") || Contains(name, "GOTHIC");
}

// Proportional and interface variants space their letters by width; a glyph wants the full
// cell's design.
bool IsProportional(const std::string& name) {
    return Contains(name, "Ｐゴシック") || Contains(name, "Pゴシック") ||
           Contains(name, "PGothic") || Contains(name, "UI ");
}

std::string Quoted(const std::string& text) {
    return "「" + text + "」";
}

}  // namespace

int PreferredFontIndex(const std::vector<std::string>& names) {
    int any_gothic = -1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!IsGothic(names[i])) continue;
        if (!IsProportional(names[i])) return static_cast<int>(i);
        if (any_gothic < 0) any_gothic = static_cast<int>(i);
    }
    if (any_gothic >= 0) return any_gothic;
    return names.empty() ? -1 : 0;
}

void OnTextFontRead(TextSourceDialog& d, int index, bool read, std::string bytes, int face_index) {
    d.font_index = index;
    d.face = FontFace{};
    if (read) OpenFontFace(std::move(bytes), face_index, d.face);
}

void UpdateTextSource(TextSourceDialog& d) {
    d.pattern.clear();
    d.note.clear();
    const bool font_chosen =
        d.font_index >= 0 && d.font_index < static_cast<int>(d.font_names.size());
    char32_t character = 0;
    if (d.character_text.empty()) {
        d.note = kTypeOneCharacterText;
    } else if (!OneCharacter(d.character_text, character)) {
        d.note = "1 文字だけ入れてください。";
    } else if (!font_chosen) {
        d.note = "フォントを選んでください。";
    } else if (!d.face.data) {
        d.note = "フォント" + Quoted(d.font_names[d.font_index]) + "を読めません。";
    } else if (!FontHasCharacter(d.face, character)) {
        d.note = Quoted(d.character_text) + "はこのフォントにありません。";
    } else {
        d.pattern = PatternOfGrey(CharacterGrey(d.face, character, d.options), d.options.threshold);
    }
}

void StartPictureSource(PictureSourceDialog& d, const RgbaImage& picture) {
    d.fitted[0] = FitPicture(InkOfPicture(picture, false));
    d.fitted[1] = FitPicture(InkOfPicture(picture, true));
}

void UpdatePictureSource(PictureSourceDialog& d) {
    const FittedPicture& fitted = d.fitted[d.invert ? 1 : 0];
    if (d.automatic) d.threshold = AutomaticThreshold(fitted);
    d.pattern = PatternOfGrey(fitted.grey, d.threshold);
}

std::string SizeText(int percent) {
    return std::to_string(percent) + " %";
}

std::string OffsetText(int dots) {
    return (dots > 0 ? "+" : "") + std::to_string(dots);
}

std::string ThresholdText(int level) {
    return std::to_string(level);
}

}  // namespace tvx
