// The dialog "リモート制御".
#pragma once

#include <windows.h>

namespace tvx {

// Opens the dialog modal, owned by owner, and returns when it is closed.
void OpenRemoteControlDialog(HWND owner);

}  // namespace tvx
