// The device slave address dialog: gives the connected device its slave address with the SA
// command, written bare (no address prefix) to the COM port whatever interface is chosen.
#pragma once

#include "model/context.h"

namespace tvx {

// The state part of opening: the prefix goes off and stays off until a feature dialog opens.
void OpenDeviceSlaveAddress(AppState& app, WindowHandle dialog, WindowHandle active_window);
// "設定": SA with slave_address as two digits ("SA32" when the broadcast was chosen elsewhere).
void SendDeviceSlaveAddress(CoreContext& c);

}  // namespace tvx
