#include "dialogs/network_settings.h"

#include "dialogs/frame.h"

namespace tvx {

std::string SubnetItemText(int index) {
    if (index < 0 || index >= kSubnetItems) return {};
    return std::string("Class ") + static_cast<char>('A' + index);
}

std::string KeepAliveItemText(int index) {
    if (index < 0 || index >= kKeepAliveItems) return {};
    return index == 0 ? "OFF " : "ON  ";
}

std::string TimeRegisterItemText(int index) {
    if (index < 0 || index >= kTimeRegisterItems) return {};
    return std::string(1, static_cast<char>('1' + index));
}

int ListSelection(int value, int item_count) {
    return value >= 0 && value < item_count ? value : -1;
}

void OpenNetworkSettings(AppState& app, WindowHandle dialog, WindowHandle active_window) {
    BeginDialogFrame(app, dialog);
    SettleDialogFrame(app, active_window, AddressPrefix::Off);
}

}  // namespace tvx
