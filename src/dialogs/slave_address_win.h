// The dialog "機器のスレーブアドレス": gives the connected device its slave address.
#pragma once

#include <windows.h>

namespace tvx {

// Opens the dialog modal, owned by owner; returns when it is closed.
void OpenDeviceSlaveAddressDialog(HWND owner);

}  // namespace tvx
