// The glyph files, opened and saved with the program's own commands over one file in memory.
// Any bytes opened as a glyph file over a model at its defaults: the pattern characters the file
// holds fill the glyphs in order and the rest keep theirs, the 4 bytes after each pattern stay
// "0", and the glyphs the file reached read back from their written lines as they stand (a
// damaged file the user saves again opens as saved). Only a file that reached every glyph is
// saved back whole, so an input costs what it holds. The same bytes opened as a single-glyph
// file fill one pattern, never more.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_files.h"
#include "glyphs/glyph_list.h"
#include "glyphs/glyph_state.h"
#include "support/memory_stores.h"

namespace {

using namespace tvx;
constexpr std::size_t kAllChars = std::size_t{kGlyphCount} * kGlyphPatternChars;

// The model holds the first `filled` characters as read (`read`), the defaults after them, and
// "0" in every slot's tail.
TVX_FUZZ_CHECK void CheckOpened(const SettingsModel& m, const SettingsModel& defaults,
                                const char* read, std::size_t filled) {
    for (std::size_t g = 0; g < kGlyphCount; ++g) {
        const std::size_t first = g * kGlyphPatternChars;
        const std::size_t from_file =
            filled <= first ? 0 : std::min<std::size_t>(filled - first, kGlyphPatternChars);
        fuzz::Require(std::memcmp(m.glyph_pattern[g], read + first, from_file) == 0 &&
                          std::memcmp(m.glyph_pattern[g] + from_file,
                                      defaults.glyph_pattern[g] + from_file,
                                      kGlyphPatternChars - from_file) == 0,
                      "the file fills the glyphs in order, the rest keep theirs");
        for (int i = kGlyphPatternChars; i < kGlyphSlotBytes; ++i) {
            fuzz::Require(m.glyph_pattern[g][i] == '0', "glyph slot tail");
        }
    }
}

TVX_FUZZ_CHECK void CheckSameGlyphs(const SettingsModel& m, const char* back, std::size_t glyphs) {
    for (std::size_t g = 0; g < glyphs; ++g) {
        fuzz::Require(std::memcmp(m.glyph_pattern[g], back + g * kGlyphPatternChars,
                                  kGlyphPatternChars) == 0,
                      "a written glyph reads back as written");
    }
}

// The single-glyph file holds the first pattern of the same reading, and nothing past it.
TVX_FUZZ_CHECK void CheckSingleGlyph(const SettingsModel& m, const SettingsModel& defaults,
                                     const char* read, std::size_t filled) {
    for (std::size_t i = 0; i < sizeof m.glyph_receive_buffer; ++i) {
        const bool from_file = i < kGlyphPatternChars && i < filled;
        fuzz::Require(m.glyph_receive_buffer[i] ==
                          (from_file ? read[i] : defaults.glyph_receive_buffer[i]),
                      "a single-glyph file fills one pattern, never more");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::string path = "glyphs.tlm";
    fuzz::Context& f = fuzz::Fresh();
    static test::MemoryFileSystem fs;
    fs.files.clear();
    fs.files[path] = std::string(file);
    f.prompts.file_name = path;
    static GlyphState g;
    g = GlyphState{};

    fuzz::Require(OpenGlyphFile(f.c, g, fs), "a glyph file in memory opens");
    // How far the file reached, by the reading rule over a buffer with a guard after it.
    static char read[kAllChars + 1];
    read[kAllChars] = '#';
    const std::size_t filled = ReadPatternChars(file, read, kAllChars);
    fuzz::Require(filled <= kAllChars && read[kAllChars] == '#', "a read stays within its buffer");
    CheckOpened(*f.model, *fuzz::Defaults().model, read, filled);

    const std::size_t reached = (filled + kGlyphPatternChars - 1) / kGlyphPatternChars;
    std::string lines;
    for (std::size_t k = 0; k < reached; ++k) {
        lines += PatternLines(f.model->glyph_pattern[k], kGlyphPatternChars);
    }
    static char back[kAllChars];
    fuzz::Require(ReadPatternChars(lines, back, reached * kGlyphPatternChars) ==
                      reached * kGlyphPatternChars,
                  "every written character reads back");
    CheckSameGlyphs(*f.model, back, reached);
    if (reached == static_cast<std::size_t>(kGlyphCount)) {
        SaveGlyphFile(f.c, g, fs);
        fuzz::Require(fs.files[path] == lines, "the saved file is the lines of the patterns");
    }

    fuzz::Require(OpenGlyphTextFile(f.c, g, fs), "a single-glyph file in memory opens");
    CheckSingleGlyph(*f.model, *fuzz::Defaults().model, read, filled);
    fuzz::Require(f.prompts.boxes == 0, "no message for a file that opens");
    return 0;
}
