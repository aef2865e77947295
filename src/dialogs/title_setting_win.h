// The dialog "タイトル設定": type, check, preview and send the 144 titles.
#pragma once

#include <windows.h>

namespace tvx {

// Opens the dialog modal, owned by owner; returns when it is closed.
void OpenTitleSettingDialog(HWND owner);

}  // namespace tvx
