// What one page puts on the device's four display positions, cell by cell, as far as the
// settings say: whether the page shows its title at each position, which title, the position's
// fine offset, and for each of the 21 full-width cells of the line what stands there. The device
// takes a title as 21 JIS X 0208 codes, so every cell is one full-width character, an external
// character, or a blank; a title it would refuse keeps its cells, and the refused ones are
// marked. No drawing here: page_picture.h draws a layout.
#pragma once

#include "model/settings_model.h"

namespace tvx {

constexpr int kLineCells = kTitleMaxText / 2;  // 21 full-width cells a line
constexpr int kOffsetHome = 7;                 // the offset at which a line sits in its place
constexpr int kOffsetMax = 15;

enum class CellKind {
    Blank,         // a full-width space, or past the end of the title
    Character,     // a character of code page 932 that the device takes (code_point)
    Glyph,         // an external character with a pattern in the model (glyph index)
    UnknownGlyph,  // an external character's code that names none of the 160 glyphs
    Refused,       // bytes the device does not take: half-width, user-defined, cut or damaged
};

struct PageCell {
    CellKind kind = CellKind::Blank;
    char32_t code_point = 0;  // Character: the Unicode character (0 when none maps to it)
    int glyph = -1;           // Glyph: 0..159
};

struct PositionLine {
    bool shown = false;        // the page shows its title at this position
    int title = -1;            // title index 0..143; -1 when the page's entry names no title
    bool sendable = false;     // the device would take the title as it stands
    int offset = kOffsetHome;  // position_offset, kept within 0..15
    PageCell cells[kLineCells];
};

struct PageLayout {
    int page = 0;  // 0..143
    PositionLine lines[kPositionCount];
};

// The cells of title t as the device would lay them out. False when the device would refuse
// the title (odd length, too long, or a cell it does not take).
bool LayOutTitle(const SettingsModel& model, int title, PageCell (&cells)[kLineCells]);

// Page 0..143 at the four positions; a page outside that range lays out page 0. Values a
// damaged file may hold are taken as the device would, never trusted for indexing: a title
// number outside 0..143 names no title, an offset outside 0..15 is kept at its nearest end.
PageLayout LayOutPage(const SettingsModel& model, int page);

// The page the device shows now: that of the first position not switching automatically, page 0
// when every position switches.
int PageShownNow(const SettingsModel& model);

}  // namespace tvx
