// "render": pictures of pages as PNG, from a settings file or from the devices (read as pull
// reads them). The drawing is the core's (preview/page_picture.h), the one the program's window
// "ページの見え方..." shows; this piece finds the font, reads the glyph file and writes the file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/settings_model.h"
#include "pictures/font_face.h"

namespace tvxctl {

// The fonts tried, in this order, when --font is not given: Debian's IPA and VL Gothic, and
// under Windows the Gothic in %WINDIR%\Fonts.
std::vector<std::string> DefaultFontFiles();

// What a render draws with and what it draws.
struct RenderSetup {
    std::shared_ptr<const tvx::FontFace> font;
    std::string font_file;  // the file the font came from, for the message
    // The glyphs' patterns from --glyphs; null without it (external characters are marked).
    std::shared_ptr<const tvx::SettingsModel> glyphs;
    int page = -1;  // 0..143, or -1 for the sheet of all pages
};

// The font of --font (face index face of a collection), or the first default font that is
// there. The font must hold Japanese text. False with one line in error.
bool LoadRenderFont(const std::string& font_file, int face, RenderSetup& setup, std::string& error);
// The glyph file of --glyphs, checked whole. False with one line in error.
bool LoadRenderGlyphs(const std::string& glyph_file, RenderSetup& setup, std::string& error);

// The PNG of the page or of the sheet.
std::string RenderPng(const RenderSetup& setup, const tvx::SettingsModel& model);

}  // namespace tvxctl
