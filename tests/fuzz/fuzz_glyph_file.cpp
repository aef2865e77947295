// The glyph file reader: any bytes read as a glyph file over a model at its defaults. The
// 4 bytes after each pattern stay "0", and whatever was read, the glyph file written from it
// reads back as the same patterns (a damaged file the user saves again opens as saved).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "glyphs/glyph_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    fuzz::Context first;
    ReadGlyphFile(file, *first.model);
    const std::string written = GlyphFileText(*first.model);
    fuzz::Require(written.size() == static_cast<std::size_t>(kGlyphCount) * kGlyphPatternChars * 3,
                  "one line of three bytes per pattern character");
    fuzz::Context second;
    ReadGlyphFile(written, *second.model);
    for (int g = 0; g < kGlyphCount; ++g) {
        fuzz::Require(std::memcmp(first.model->glyph_pattern[g], second.model->glyph_pattern[g],
                                  kGlyphSlotBytes) == 0,
                      "a written glyph file reads back as written");
        for (int i = kGlyphPatternChars; i < kGlyphSlotBytes; ++i) {
            fuzz::Require(first.model->glyph_pattern[g][i] == '0', "glyph slot tail");
        }
    }
    // The single-glyph file: the same rule over one pattern, never past it.
    char one[kGlyphPatternChars + 1];
    std::memset(one, '#', sizeof one);
    const std::size_t filled = ReadPatternChars(file, one, kGlyphPatternChars);
    fuzz::Require(filled <= kGlyphPatternChars && one[kGlyphPatternChars] == '#',
                  "a pattern read stays within its glyph");
    return 0;
}
