// The dialog "外字挿入": puts a registered external character into a title on the device.
#pragma once

#include <windows.h>

namespace tvx {

// Opens the dialog modal, owned by owner; returns when it is closed.
void OpenGlyphInsertDialog(HWND owner);

}  // namespace tvx
