// The glyph files, opened and saved with the program's own commands over one file in memory.
// Any bytes opened as a glyph file over a model at its defaults: a file that is no whole glyph
// file is refused with one box and changes nothing; a file that opens gives 160 patterns of
// hexadecimal digits with the 4 bytes after each still "0", and only then is it saved, the saved
// file being three bytes a character and opening again as the same patterns (a file the user
// saves opens as saved). The same bytes opened as a single-glyph file either fill one pattern
// of hexadecimal digits as the reading rule says, never more, or are refused with one box and
// change nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_files.h"
#include "glyphs/glyph_list.h"
#include "model/glyph_state.h"
#include "support/memory_stores.h"

namespace {

using namespace tvx;

TVX_FUZZ_CHECK bool SamePatterns(const SettingsModel& a, const SettingsModel& b) {
    return std::memcmp(a.glyph_pattern, b.glyph_pattern, sizeof a.glyph_pattern) == 0;
}

TVX_FUZZ_CHECK bool HexDigits(const char* chars, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const char c = chars[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

TVX_FUZZ_CHECK void CheckOpened(const SettingsModel& m) {
    for (int g = 0; g < kGlyphCount; ++g) {
        fuzz::Require(HexDigits(m.glyph_pattern[g], kGlyphPatternChars),
                      "an opened glyph file holds hexadecimal digits");
        for (int i = kGlyphPatternChars; i < kGlyphSlotBytes; ++i) {
            fuzz::Require(m.glyph_pattern[g][i] == '0', "glyph slot tail");
        }
    }
}

// One line of CR LF per pattern character, glyph after glyph.
TVX_FUZZ_CHECK void CheckSaved(const SettingsModel& m, const std::string& saved) {
    fuzz::Require(saved.size() == kGlyphFileChars * 3, "three bytes a character");
    for (std::size_t i = 0; i < kGlyphFileChars; ++i) {
        fuzz::Require(saved[3 * i] == m.glyph_pattern[i / kGlyphPatternChars][i % kGlyphPatternChars] &&
                          saved[3 * i + 1] == '\r' && saved[3 * i + 2] == '\n',
                      "a saved character and its line end");
    }
}

// The single-glyph file holds the first characters of the reading rule, and nothing past them.
TVX_FUZZ_CHECK void CheckSingleGlyph(const SettingsModel& m, const SettingsModel& defaults,
                                     const char* read, std::size_t filled) {
    for (std::size_t i = 0; i < sizeof m.glyph_receive_buffer; ++i) {
        const char expected = i < filled ? read[i] : defaults.glyph_receive_buffer[i];
        fuzz::Require(m.glyph_receive_buffer[i] == expected,
                      "a single-glyph file fills one pattern, never more");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::string path = "glyphs.tlm";
    static test::MemoryFileSystem fs;
    fs.files[path].assign(file);
    static GlyphState g;
    g = GlyphState{};
    fuzz::Context& f = fuzz::Fresh(0);
    const SettingsModel& defaults = *fuzz::Defaults().model;
    f.prompts.file_name = path;

    if (!OpenGlyphFile(f.c, g, fs)) {
        fuzz::Require(f.prompts.boxes == 1, "a refused file is named in one box");
        fuzz::Require(SamePatterns(*f.model, defaults) && g.glyph_file_name[0] == '\0',
                      "a refused file changes nothing");
    } else {
        fuzz::Require(f.prompts.boxes == 0 && path == g.glyph_file_name, "an opened file is named");
        CheckOpened(*f.model);
        fuzz::Require(SaveGlyphFile(f.c, g, fs), "a glyph file in memory saves");
        CheckSaved(*f.model, fs.files[path]);
        fuzz::Context& again = fuzz::Fresh(1);
        again.prompts.file_name = path;
        static GlyphState g_again;
        g_again = GlyphState{};
        fuzz::Require(OpenGlyphFile(again.c, g_again, fs) && SamePatterns(*again.model, *f.model),
                      "a saved glyph file opens as saved");
    }

    fs.files[path].assign(file);
    fuzz::Context& single = fuzz::Fresh(1);
    single.prompts.file_name = path;
    const bool opened = OpenGlyphTextFile(single.c, g, fs);
    fuzz::Require(single.prompts.boxes == (opened ? 0 : 1), "a refused single glyph, one box");
    char read[kGlyphPatternChars];
    const std::size_t filled = opened ? ReadPatternChars(file, read, kGlyphPatternChars) : 0;
    fuzz::Require(!opened || (filled == kGlyphPatternChars && HexDigits(read, filled)),
                  "an opened single-glyph file is one whole pattern of hexadecimal digits");
    CheckSingleGlyph(*single.model, defaults, read, filled);
    fs.files.clear();  // nothing held from one input to the next, or libFuzzer suspects a leak
    return 0;
}
