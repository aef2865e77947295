// The rules of the dialog "外字挿入": which registered external character goes into which
// title at which character position, sent as one G command. The title is shared with the title
// dialog (selected_title_index), the glyph with the editor and the list (current_glyph_index).
#pragma once

#include <string>

#include "glyphs/glyph_state.h"
#include "model/context.h"

namespace tvx {

constexpr int kInsertPositions = 21;  // one per double-byte character of a title

// "001".."144" at item index 0..143; empty outside.
std::string TitleNumberItemText(int index);
// "01".."21" at item index 0..20; empty outside.
std::string InsertPositionItemText(int index);
// The items to select when the dialog opens, -1 for none.
int TitleNumberSelection(const AppState& app);
int InsertPositionSelection(const GlyphState& g);

// Selection changes; nothing is sent. False for a missing selection.
bool OnInsertTitleSelected(AppState& app, int index);
bool OnInsertPositionSelected(GlyphState& g, int index);

// "設定": G + register number + T + title number + I + position, at once through SendCommand.
// The model's title text is not changed.
void SendGlyphInsert(CoreContext& c, const GlyphState& g);

}  // namespace tvx
