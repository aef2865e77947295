// The dialogs "タイトル表示の設定", "表示ページ割り付け" and "自動切換えの設定".
#pragma once

#include <windows.h>

namespace tvx {

// Each opens its dialog modal, owned by owner, and returns when it is closed.
void OpenTitleDisplayDialog(HWND owner);
void OpenPageAssignmentDialog(HWND owner);
void OpenAutoSwitchingDialog(HWND owner);

}  // namespace tvx
