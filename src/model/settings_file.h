// The settings file (".dat"): what the device shows, one value per line, the meaning of a line
// given by its position alone. 1890 lines in code page 932, in the order of the field table
// (settings_fields.h):
//   page_display_on [4][144], page_switch_seconds [4][144], startup_page [4], display_page [4],
//   position_offset [4], white_level, edge_level, title_text [144] ("s" for an empty title),
//   position_offset [4] again, page_title_number [4][144].
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/settings_model.h"

namespace tvx {

constexpr int kSettingsFileLines = 1890;
// Longest title line the reader keeps; one byte more than a title may hold, so that an
// over-long title is kept and refused when it is sent rather than silently shortened.
constexpr int kTitleLineMaxBytes = 43;

// The whole file: 1890 lines, each ended by CR LF, integers in plain decimal.
std::string WriteSettingsText(const SettingsModel& model);

// External characters a title line cannot hold as they are: the line format writes CR and LF
// inside a title as blanks (a line break would move every later line), so glyphs 73 and 76,
// whose pairs end in 0x0A and 0x0D, come back from the file as glyph 95. One entry for each
// such character, in title order.
struct GlyphChangedByFile {
    int title = 0;    // 1..144
    int glyph = 0;    // 1..160, as the title holds it
    int becomes = 0;  // as the file gives it back
};
std::vector<GlyphChangedByFile> GlyphsTheFileChanges(const SettingsModel& model);

// What the reader can tell about a file that may not come from WriteSettingsText: how many of the
// 1890 lines it holds, the first number line that is not a plain decimal number (0 when none
// is), and whether text follows the last line.
struct SettingsFileReport {
    int lines = 0;
    int first_line_not_a_number = 0;
    bool text_after_last_line = false;
};

// Reads the lines of a settings file into the model. Lines may end in CR LF or LF. Line n
// always fills the field of line n: a number line that holds no number leaves its field as it
// was, a title line longer than 43 bytes keeps its first 43. Past the end of a short file the
// integer fields keep their values and the titles become empty. Values are stored as read,
// without range tests (the second copy of the offsets overwrites the first). The report, when
// asked for, lets a caller refuse a short or damaged file.
void ReadSettingsText(std::string_view bytes, SettingsModel& model,
                      SettingsFileReport* report = nullptr);

}  // namespace tvx
