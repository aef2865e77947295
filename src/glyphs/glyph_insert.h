// The rules of the dialog "外字挿入": which registered external character goes into which
// title at which character position, sent as one G command. The title is shared with the title
// dialog (selected_title_index), the glyph with the editor and the list (current_glyph_index).
#pragma once

#include <string>

#include "model/glyph_state.h"
#include "model/context.h"

namespace tvx {

constexpr int kInsertPositions = 21;  // one per double-byte character of a title

// The title list is the title dialog's (TitleNumberItemText, TitleNumberSelection,
// OnTitleNumberSelected in dialogs/title_setting.h), the register number list the editor's.
//
// "01".."21" at item index 0..20; empty outside.
std::string InsertPositionItemText(int index);
// The item to select when the dialog opens, -1 for none.
int InsertPositionSelection(const GlyphState& g);
// A selection change; nothing is sent. False for a missing selection.
bool OnInsertPositionSelected(GlyphState& g, int index);

// "設定": G + register number + T + title number + I + position, at once through SendCommand.
// The model's title text is not changed.
void SendGlyphInsert(CoreContext& c, const GlyphState& g);

}  // namespace tvx
