#include "glyphs/glyph_insert.h"

#include "dialogs/title_setting.h"
#include "glyphs/glyph_editor.h"
#include "link/send.h"
#include "protocol/commands.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

int InRange(int index, int count) {
    return index >= 0 && index < count ? index : -1;
}

}  // namespace

std::string InsertPositionItemText(int index) {
    if (InRange(index, kInsertPositions) < 0) return {};
    char digits[2];
    FormatTwoDigits(index + 1, digits);
    return std::string(digits, 2);
}

int InsertPositionSelection(const GlyphState& g) {
    return InRange(g.glyph_insert_position, kInsertPositions);
}

bool OnInsertPositionSelected(GlyphState& g, int index) {
    if (InRange(index, kInsertPositions) < 0) return false;
    g.glyph_insert_position = index;
    return true;
}

void SendGlyphInsert(CoreContext& c, const GlyphState& g) {
    // A selection kept from elsewhere that this dialog cannot express sends nothing.
    if (RegisterNumberSelection(c.app) < 0 || TitleNumberSelection(c.app) < 0 ||
        InsertPositionSelection(g) < 0) {
        return;
    }
    SendCommand(c, BuildGlyphInsertCommand(c.app.current_glyph_index, c.app.selected_title_index,
                                           g.glyph_insert_position + 1));
}

}  // namespace tvx
