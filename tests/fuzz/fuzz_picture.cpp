// The picture path of the glyph tools: any bytes as a picture file (BMP, PNG, JPEG, GIF), as the
// clipboard's bitmap and as its text, each made a glyph the way the editor and tvx5870ctl make
// it. A picture is refused or decodes within the size bounds; a glyph made from it is 256
// upper-case hexadecimal digits with its lit dots inside the part of the cell the picture
// covers, and a higher threshold lights no dot a lower one leaves dark.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.h"
#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_sources.h"

namespace {

using namespace tvx;

// Fitting costs in proportion to the picture, and a few header bytes can ask for 4096 x 4096
// pixels of nothing; the fitting is the same loop for every size, so larger ones are decoded
// and checked but not fitted.
constexpr long long kMostPixelsFitted = 1 << 20;

TVX_FUZZ_CHECK void CheckPattern(const std::string& pattern) {
    fuzz::Require(pattern.size() == 256, "a pattern is 256 characters");
    for (char c : pattern)
        fuzz::Require((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'),
                      "upper-case hexadecimal digits");
}

TVX_FUZZ_CHECK void CheckFitted(const FittedPicture& f) {
    fuzz::Require(0 <= f.left && f.left <= f.right && f.right <= 32 && 0 <= f.top &&
                      f.top <= f.bottom && f.bottom <= 32,
                  "the covered part lies in the cell");
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (x < f.left || x >= f.right || y < f.top || y >= f.bottom)
                fuzz::Require(f.grey.At(x, y) == 0, "no ink where the picture is not");
}

// Dots lit at the higher threshold are lit at the lower one too.
TVX_FUZZ_CHECK void CheckThresholdOrder(const std::string& higher, const std::string& lower) {
    for (int k = 0; k < 256; ++k) {
        const int h = PatternCharValue(higher[k]);
        fuzz::Require((h & PatternCharValue(lower[k])) == h,
                      "a higher threshold lights fewer dots");
    }
}

void Glyphs(const RgbaImage& picture, int level) {
    fuzz::Require(
        picture.width >= 1 && picture.height >= 1 && picture.width <= kMaxPictureSide &&
            picture.height <= kMaxPictureSide &&
            picture.rgba.size() == static_cast<std::size_t>(picture.width) * picture.height * 4,
        "a decoded picture within the bounds");
    if (static_cast<long long>(picture.width) * picture.height > kMostPixelsFitted) return;
    for (bool invert : {false, true}) {
        const FittedPicture fitted = FitPicture(InkOfPicture(picture, invert));
        CheckFitted(fitted);
        const int automatic = AutomaticThreshold(fitted);
        fuzz::Require(automatic >= kMinThreshold && automatic <= kMaxThreshold,
                      "threshold in range");
        const PictureGlyph glyph = GlyphOfPicture(picture, kAutomaticThreshold, invert);
        fuzz::Require(glyph.threshold == automatic, "the glyph uses the automatic threshold");
        CheckPattern(glyph.pattern);
        const std::string by_hand = PatternOfGrey(fitted.grey, level);
        CheckPattern(by_hand);
        CheckThresholdOrder(PatternOfGrey(fitted.grey, level < 255 ? level + 1 : 255), by_hand);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int level = size > 0 ? 1 + data[size - 1] % 255 : kDefaultThreshold;

    RgbaImage picture;
    const PictureProblem problem = DecodePicture(bytes, picture);
    if (problem == PictureProblem::None) {
        Glyphs(picture, level);
    } else {
        fuzz::Require(picture.rgba.empty() && picture.width == 0, "a refused picture is empty");
        fuzz::Require(!PictureProblemText(problem, "x").empty(), "a refusal is named");
    }

    std::string file;
    if (BitmapFileOfDib(bytes, file)) {
        fuzz::Require(file.size() == size + 14 && file.compare(14, std::string::npos, bytes) == 0,
                      "the clipboard's bitmap behind its file header");
        if (DecodePicture(file, picture) == PictureProblem::None) Glyphs(picture, level);
    }

    std::string pattern;
    if (PatternOfText(bytes, pattern)) CheckPattern(pattern);
    return 0;
}
