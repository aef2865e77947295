// The device's own network settings (dialog "プロトコル"): IP, gateway and active address, subnet
// class, port, keep-alive and time register, each sent with its own "設定", and all nine values
// read back in one run (the sends and the run: runs/network_sends.h).
#pragma once

#include <string>

#include "model/context.h"
#include "runs/network_sends.h"

namespace tvx {

constexpr int kNetworkReadSteps = 9;  // the progress bar's range 0..9

// The list items: "Class A".."Class C", "OFF " / "ON  " (with their blanks), "1".."6".
// (kSubnetItems, kKeepAliveItems and kTimeRegisterItems: runs/network_sends.h)
std::string SubnetItemText(int index);
std::string KeepAliveItemText(int index);
std::string TimeRegisterItemText(int index);
// The item to select for a model value, or -1 when the value is outside the list.
int ListSelection(int value, int item_count);

// Opening: the dialog becomes active, the prefix goes off and stays off until a feature dialog
// opens.
void OpenNetworkSettings(AppState& app, WindowHandle dialog, WindowHandle active_window);

}  // namespace tvx
