// The dialog "文字レベルの設定": white and edge level of the characters.
#pragma once

#include <windows.h>

namespace tvx {

// Opens the dialog modal, owned by owner; returns when it is closed.
void OpenCharLevelDialog(HWND owner);

}  // namespace tvx
