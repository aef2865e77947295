// How long a glyph takes to make: one character of a font and one picture into 32 x 32, as the
// editor's dialogs make them while a slider moves (the font or picture already read) and as
// they start (the file read, the font opened, the picture decoded and fitted). Prints the
// median and the slowest of many runs, in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "glyphs/glyph_source_dialogs.h"
#include "glyphs/glyph_sources.h"

namespace {

using Clock = std::chrono::steady_clock;

void Measure(const char* what, int runs, const std::function<std::size_t()>& work) {
    std::vector<double> ms;
    std::size_t keep = 0;  // the results are used, so that nothing is optimized away
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        keep += work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %8.3f ms   slowest %8.3f ms   (%d runs%s)\n", what, ms[ms.size() / 2],
                ms.back(), runs, keep == 0 ? ", nothing made" : "");
}

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A photograph-like picture: a shaded disc on a gradient.
tvx::RgbImage Picture(int side) {
    tvx::RgbImage p(side, side, 255);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int dx = x - side / 2, dy = y - side / 2;
            const bool disc = 4LL * (dx * dx + dy * dy) < 1LL * side * side / 2;
            const auto level =
                static_cast<std::uint8_t>(disc ? (x * 97 / side) : 160 + y * 90 / side);
            std::fill_n(&p.rgb[(static_cast<std::size_t>(y) * side + x) * 3], 3, level);
        }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    const char* font_path =
        argc > 1 ? argv[1] : "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
    const std::string font_bytes = ReadFile(font_path);
    tvx::FontFace face;
    if (tvx::OpenFontFace(font_bytes, 0, face) != tvx::FontProblem::None) {
        std::fprintf(stderr, "glyph_sources_bench: cannot open %s\n", font_path);
        return 1;
    }
    std::printf("font %s (%zu bytes)\n", font_path, font_bytes.size());
    Measure("font opened (the font chosen)", 20, [&] {
        tvx::FontFace opened;
        tvx::OpenFontFace(font_bytes, 0, opened);
        return static_cast<std::size_t>(opened.data != nullptr);
    });
    for (bool heavier : {false, true}) {
        tvx::CharacterOptions o;
        o.heavier = heavier;
        Measure(
            heavier ? "character U+9AD9, heavier (a slider moves)"
                    : "character U+9AD9 (a slider moves)",
            200, [&] {
                return tvx::PatternOfGrey(tvx::CharacterGrey(face, U'髙', o), o.threshold).size();
            });
    }
    for (int side : {64, 640, 4096}) {
        const std::string png = tvx::EncodePng(Picture(side));
        const std::string name = "picture " + std::to_string(side) + " x " + std::to_string(side);
        tvx::PictureSourceDialog dialog;
        tvx::RgbaImage decoded;
        tvx::DecodePicture(png, decoded);
        const int runs = side > 1000 ? 5 : 50;
        Measure((name + " PNG decoded and fitted").c_str(), runs, [&] {
            tvx::RgbaImage picture;
            tvx::DecodePicture(png, picture);
            return tvx::GlyphOfPicture(picture, tvx::kAutomaticThreshold, false).pattern.size();
        });
        Measure((name + " dialog opened (both ways)").c_str(), runs, [&] {
            tvx::StartPictureSource(dialog, decoded);
            tvx::UpdatePictureSource(dialog);
            return dialog.pattern.size();
        });
        Measure((name + " threshold moved").c_str(), 200, [&] {
            dialog.automatic = false;
            dialog.threshold = 1 + (dialog.threshold + 37) % 255;
            tvx::UpdatePictureSource(dialog);
            return dialog.pattern.size();
        });
    }
    return 0;
}
