// One external character of a glyph file, without a device: "glyph from-text" draws a character
// of a font file into it, "glyph from-image" fits a picture into it, "glyph show" prints its
// dots. The drawing is the core's (glyphs/glyph_sources.h), so a font or a picture gives the
// program's dots. The glyph file is written through a new file renamed over it, and made (all
// glyphs empty) when it is not there; a damaged one is refused and left as it is.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "glyphs/glyph_sources.h"

namespace tvxctl {

struct GlyphCli {
    int number = 0;
    std::string character;
    std::string font;
    int face = 0;
    tvx::CharacterOptions options;
    std::string picture;
    std::string threshold = "auto";  // from-image: "auto" or 1..255
    bool invert = false;
    std::string glyph_file;
    CLI::App* command = nullptr;
    CLI::App* from_text = nullptr;
    CLI::App* from_image = nullptr;
    CLI::App* show = nullptr;
};

// The "glyph" subcommand and its three, filling cli.
void DefineGlyphCommands(CLI::App& app, GlyphCli& cli);

// What a glyph command did: the text for stdout, or the problem for stderr.
struct GlyphResult {
    bool ok = false;
    std::string out;
    std::string problem;
};

GlyphResult GlyphFromText(const GlyphCli& cli);
GlyphResult GlyphFromImage(const GlyphCli& cli);
GlyphResult ShowGlyph(const GlyphCli& cli);
// The one the command line chose.
GlyphResult RunGlyphCommand(const GlyphCli& cli);

}  // namespace tvxctl
