// The dialog "外字登録": the external character editor, opened from the list only.
#pragma once

#include <windows.h>

namespace tvx {

// Opens the editor modal, owned by owner (the list), on the glyph of current_glyph_index;
// returns when it is closed.
void OpenGlyphEditorDialog(HWND owner);

}  // namespace tvx
