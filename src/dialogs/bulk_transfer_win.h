// The dialogs "全項目の設定" (set all items) and "設定項目の読み込み" (maintenance read-back).
#pragma once

#include <windows.h>

namespace tvx {

// Each opens modal, owned by owner, and returns when it is closed (by the user, or by itself
// at the end of its run).
void OpenSetAllDialog(HWND owner);
void OpenReadBackDialog(HWND owner);

}  // namespace tvx
