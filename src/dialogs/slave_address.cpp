#include "dialogs/slave_address.h"

#include "dialogs/frame.h"
#include "link/send.h"
#include "protocol/commands.h"

namespace tvx {

void OpenDeviceSlaveAddress(AppState& app, WindowHandle dialog, WindowHandle active_window) {
    BeginDialogFrame(app, dialog);
    SettleDialogFrame(app, active_window, AddressPrefix::Off);
}

void SendDeviceSlaveAddress(CoreContext& c) {
    SerialSend(c, BuildSlaveAddressCommand(c.app.slave_address));
}

}  // namespace tvx
