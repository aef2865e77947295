// The dialog "プロトコル": the device's own network settings.
#pragma once

#include <windows.h>

namespace tvx {

// Opens the dialog modal, owned by owner; returns when it is closed.
void OpenNetworkSettingsDialog(HWND owner);

}  // namespace tvx
