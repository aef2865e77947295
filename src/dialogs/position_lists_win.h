// The dialogs "表示ページ切換え", "スタートアップの設定" and "表示位置微調整".
#pragma once

#include <windows.h>

namespace tvx {

// Each opens its dialog modal, owned by owner, and returns when it is closed.
void OpenPageSwitchingDialog(HWND owner);
void OpenStartupDialog(HWND owner);
void OpenPositionAdjustDialog(HWND owner);

}  // namespace tvx
