#include "glyph_commands.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "glyphs/glyph_files.h"
#include "glyphs/glyph_pattern.h"
#include "model/cp932.h"
#include "model/settings_model.h"
#include "model/std_file_system.h"
#include "push_files.h"

namespace tvxctl {

namespace {

GlyphResult Refused(std::string problem) {
    GlyphResult r;
    r.problem = std::move(problem);
    return r;
}

std::string FileName(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// A file read whole unless it is larger than limit; the problem otherwise.
bool ReadBounded(const std::string& path, std::size_t limit, std::string& bytes, bool& too_large,
                 std::string& problem) {
    std::uint64_t size = 0;
    too_large = tvx::StdFileSystem().FileSize(path, size) && size > limit;
    return too_large || ReadFile(path, bytes, problem);
}

// The glyph file's 160 glyphs, or all of them empty when there is no such file yet.
bool LoadGlyphs(const std::string& path, bool create, tvx::SettingsModel& model,
                std::string& problem) {
    if (create && !tvx::StdFileSystem().FileExists(path)) {
        auto app = std::make_unique<tvx::AppState>();
        tvx::ResetToDefaults(model, *app);
        return true;
    }
    return LoadGlyphsForPush(path, model, problem);
}

std::string Dots(const char* pattern) {
    std::string text;
    for (const std::string& row : tvx::PatternDotRows(pattern)) text += row + "\n";
    return text;
}

// The glyph put into its slot of the glyph file, and what was done, with its dots.
GlyphResult StoreGlyph(const GlyphCli& cli, const std::string& pattern, const std::string& what) {
    auto model = std::make_unique<tvx::SettingsModel>();
    std::string problem;
    if (!LoadGlyphs(cli.glyph_file, true, *model, problem)) return Refused(problem);
    std::copy(pattern.begin(), pattern.end(), model->glyph_pattern[cli.number - 1]);
    if (!tvx::StdFileSystem().ReplaceFileContents(cli.glyph_file, tvx::GlyphFileText(*model)))
        return Refused("cannot write " + cli.glyph_file + "; it is left as it was");
    GlyphResult r;
    r.ok = true;
    r.out = cli.glyph_file + ": glyph " + std::to_string(cli.number) + " " + what + "\n" +
            Dots(pattern.c_str());
    return r;
}

// "auto", or a level 1..255.
bool ParseThreshold(const std::string& text, int& threshold) {
    if (text == "auto") {
        threshold = tvx::kAutomaticThreshold;
        return true;
    }
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    threshold = std::stoi(text);
    return threshold >= tvx::kMinThreshold && threshold <= tvx::kMaxThreshold;
}

std::string CodePoint(char32_t ch) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(ch));
    return hex;
}

}  // namespace

void DefineGlyphCommands(CLI::App& app, GlyphCli& cli) {
    cli.command = app.add_subcommand(
        "glyph",
        "make one external character of a glyph file from a font or a picture, or show it");
    cli.command->require_subcommand(1);
    const auto number = [&cli](CLI::App* sub) {
        sub->add_option("N", cli.number, "the glyph number, 1..64")
            ->type_name("")
            ->required()
            ->check(CLI::Range(1, tvx::kRegisterNumbers).description(""));
    };
    const auto file = [&cli](CLI::App* sub, const char* what) {
        sub->add_option("GLYPHS", cli.glyph_file, what)->type_name("")->required();
    };
    tvx::CharacterOptions& o = cli.options;
    cli.from_text = cli.command->add_subcommand("from-text", "glyph N from a character of a font");
    number(cli.from_text);
    cli.from_text->add_option("CHARACTER", cli.character, "one character, e.g. 髙")
        ->type_name("")
        ->required();
    file(cli.from_text, "the glyph file (.tlm), made when it is not there");
    cli.from_text->add_option("--font", cli.font, "a TrueType or OpenType font (.ttf, .otf, .ttc)")
        ->type_name("FILE")
        ->required();
    cli.from_text->add_option("--face", cli.face, "the font's number in a .ttc collection (0)")
        ->type_name("INDEX")
        ->check(CLI::NonNegativeNumber.description(""));
    cli.from_text
        ->add_option("--size", o.size_percent, "the font's em square in % of the cell (100)")
        ->type_name("P")
        ->check(CLI::Range(tvx::kMinSizePercent, tvx::kMaxSizePercent).description(""));
    cli.from_text->add_option("--dx", o.dx, "dots to the right (negative: left)")
        ->type_name("X")
        ->check(CLI::Range(-tvx::kMaxOffsetDots, tvx::kMaxOffsetDots).description(""));
    cli.from_text->add_option("--dy", o.dy, "dots down (negative: up)")
        ->type_name("Y")
        ->check(CLI::Range(-tvx::kMaxOffsetDots, tvx::kMaxOffsetDots).description(""));
    cli.from_text->add_flag("--bold", o.heavier, "a heavier stroke (half a dot more each side)");
    cli.from_text->add_option("--threshold", o.threshold, "ink from which a dot is lit (128)")
        ->type_name("T")
        ->check(CLI::Range(tvx::kMinThreshold, tvx::kMaxThreshold).description(""));

    cli.from_image = cli.command->add_subcommand("from-image", "glyph N from a picture");
    number(cli.from_image);
    cli.from_image->add_option("PICTURE", cli.picture, "a BMP, PNG, JPEG or GIF picture")
        ->type_name("")
        ->required();
    file(cli.from_image, "the glyph file (.tlm), made when it is not there");
    cli.from_image
        ->add_option("--threshold", cli.threshold,
                     "ink from which a dot is lit, or auto (Otsu's method, the default)")
        ->type_name("T|auto");
    cli.from_image->add_flag("--invert", cli.invert, "the light parts are lit (a light logo)");

    cli.show = cli.command->add_subcommand("show", "print glyph N as dots");
    number(cli.show);
    file(cli.show, "the glyph file (.tlm)");
    cli.command->footer(R"(
The glyph is drawn as the program's editor draws it ("文字から作る...", "画像から読み込む..."):
a character of the font in the 32 x 32 cell, or the picture fitted into it keeping its
proportions, its dark parts lit (transparency is background). The glyph file is written through
a new file renamed over it, and made with all other glyphs empty when it is not there; a
damaged one is refused. The dots are printed, "#" lit. A character taken from a font keeps
that font's licence terms: check them before the glyph goes on air.

Examples:
  tvx5870ctl glyph from-text 5 髙 --font /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf glyphs.tlm
  tvx5870ctl glyph from-text 6 﨑 --font gothic.ttc --face 1 --size 90 --bold glyphs.tlm
  tvx5870ctl glyph from-image 7 logo.png --threshold auto glyphs.tlm
  tvx5870ctl glyph show 5 glyphs.tlm)");
}

GlyphResult GlyphFromText(const GlyphCli& cli) {
    char32_t character = 0;
    if (!tvx::OneCharacter(cli.character, character))
        return Refused("\"" + cli.character + "\" is not one character");
    std::string bytes;
    std::string problem;
    bool too_large = false;
    if (!ReadBounded(cli.font, tvx::kMaxFontFileBytes, bytes, too_large, problem))
        return Refused(problem);
    tvx::FontFace face;
    const tvx::FontProblem opened = too_large ? tvx::FontProblem::FileTooLarge
                                              : tvx::OpenFontFace(std::move(bytes), cli.face, face);
    if (opened != tvx::FontProblem::None) return Refused(tvx::FontProblemText(opened, cli.font));
    if (!tvx::FontHasCharacter(face, character))
        return Refused(cli.font + " has no 「" + cli.character + "」 (" + CodePoint(character) +
                       ")");
    const tvx::CharacterOptions o = tvx::Bounded(cli.options);
    const std::string pattern =
        tvx::PatternOfGrey(tvx::CharacterGrey(face, character, o), o.threshold);
    return StoreGlyph(cli, pattern,
                      "from 「" + cli.character + "」 of " + FileName(cli.font) + " (size " +
                          std::to_string(o.size_percent) + " %, threshold " +
                          std::to_string(o.threshold) + (o.heavier ? ", bold" : "") + ")");
}

GlyphResult GlyphFromImage(const GlyphCli& cli) {
    int threshold = 0;
    if (!ParseThreshold(cli.threshold, threshold))
        return Refused("--threshold " + cli.threshold + ": give auto or a level 1..255");
    std::string bytes;
    std::string problem;
    bool too_large = false;
    if (!ReadBounded(cli.picture, tvx::kMaxPictureFileBytes, bytes, too_large, problem))
        return Refused(problem);
    tvx::RgbaImage picture;
    const tvx::PictureProblem decoded =
        too_large ? tvx::PictureProblem::FileTooLarge : tvx::DecodePicture(bytes, picture);
    if (decoded != tvx::PictureProblem::None)
        return Refused(tvx::PictureProblemText(decoded, cli.picture));
    const tvx::PictureGlyph glyph = tvx::GlyphOfPicture(picture, threshold, cli.invert);
    return StoreGlyph(cli, glyph.pattern,
                      "from " + FileName(cli.picture) + " (" + std::to_string(picture.width) +
                          " x " + std::to_string(picture.height) + ", threshold " +
                          std::to_string(glyph.threshold) +
                          (threshold == tvx::kAutomaticThreshold ? " automatic" : "") +
                          (cli.invert ? ", inverted" : "") + ")");
}

GlyphResult ShowGlyph(const GlyphCli& cli) {
    auto model = std::make_unique<tvx::SettingsModel>();
    std::string problem;
    if (!LoadGlyphs(cli.glyph_file, false, *model, problem)) return Refused(problem);
    GlyphResult r;
    r.ok = true;
    r.out = cli.glyph_file + ": glyph " + std::to_string(cli.number) + "\n" +
            Dots(model->glyph_pattern[cli.number - 1]);
    return r;
}

GlyphResult RunGlyphCommand(const GlyphCli& cli) {
    if (cli.from_text && cli.from_text->parsed()) return GlyphFromText(cli);
    if (cli.from_image && cli.from_image->parsed()) return GlyphFromImage(cli);
    return ShowGlyph(cli);
}

}  // namespace tvxctl
