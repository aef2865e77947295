#include "render.h"

#include <cstdlib>

#include "model/std_file_system.h"
#include "preview/page_picture.h"
#include "push_files.h"

namespace tvxctl {

std::vector<std::string> DefaultFontFiles() {
#ifdef _WIN32
    const char* windir = std::getenv("WINDIR");
    const std::string fonts = std::string(windir && *windir ? windir : "C:\\Windows") + "\\Fonts\\";
    return {fonts + "msgothic.ttc", fonts + "YuGothR.ttc", fonts + "meiryo.ttc"};
#else
    return {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
            "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf",
            "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"};
#endif
}

namespace {

std::string FontProblemText(tvx::FontProblem problem) {
    switch (problem) {
        case tvx::FontProblem::FileTooLarge:
            return "the file is larger than a font may be (64 MB)";
        case tvx::FontProblem::NoSuchFace:
            return "the collection has no such face (--face counts from 0)";
        default:
            return "not a TrueType or OpenType font, or damaged";
    }
}

}  // namespace

bool LoadRenderFont(const std::string& font_file, int face, RenderSetup& setup,
                    std::string& error) {
    std::string path = font_file;
    std::string bytes;
    if (path.empty()) {
        const std::vector<std::string> candidates = DefaultFontFiles();
        tvx::StdFileSystem files;
        for (const std::string& candidate : candidates) {
            if (files.ReadWholeFile(candidate, bytes)) {
                path = candidate;
                break;
            }
        }
        if (path.empty()) {
            error = "no Japanese font found (looked for";
            for (const std::string& candidate : candidates) error += " " + candidate;
            error += "); give one with --font FILE";
            return false;
        }
    } else if (!ReadFile(path, bytes, error)) {
        return false;
    }
    auto opened = std::make_shared<tvx::FontFace>();
    const tvx::FontProblem problem = tvx::OpenFontFace(std::move(bytes), face, *opened);
    if (problem != tvx::FontProblem::None) {
        error = "font " + path + ": " + FontProblemText(problem);
        return false;
    }
    if (!tvx::FontHasCharacter(*opened, U'あ') || !tvx::FontHasCharacter(*opened, U'漢')) {
        error = "font " + path + ": it has no Japanese characters; give a Japanese Gothic";
        return false;
    }
    setup.font = std::move(opened);
    setup.font_file = path;
    return true;
}

bool LoadRenderGlyphs(const std::string& glyph_file, RenderSetup& setup, std::string& error) {
    auto glyphs = std::make_shared<tvx::SettingsModel>();
    if (!LoadGlyphsForPush(glyph_file, *glyphs, error)) return false;
    setup.glyphs = std::move(glyphs);
    return true;
}

std::string RenderPng(const RenderSetup& setup, const tvx::SettingsModel& model) {
    tvx::PagePainter painter;
    painter.font = setup.font.get();
    painter.patterns = setup.glyphs ? setup.glyphs->glyph_pattern : nullptr;
    return tvx::EncodePng(setup.page < 0
                              ? tvx::DrawContactSheet(painter, model)
                              : tvx::DrawPagePicture(painter, tvx::LayOutPage(model, setup.page)));
}

}  // namespace tvxctl
