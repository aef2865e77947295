// The dialog "外字一覧（中文字）": the external character list, its glyph files and transfers.
#pragma once

#include <windows.h>

namespace tvx {

// Opens the list modal, owned by owner; returns when it is closed.
void OpenGlyphListDialog(HWND owner);

}  // namespace tvx
