// The device's own network settings sent and read: IP, gateway and active address, subnet
// class, port, keep-alive and time register, each with its own command, and all nine values read
// back in one run. Every command goes bare to the serial port (SerialSend, prefix off).
#pragma once

#include <string>
#include <string_view>

#include "model/context.h"
#include "protocol/bulk_run.h"

namespace tvx {

constexpr int kNetworkReadTimerId = 8;

enum class NetworkAddress { Ip, Gateway, Active };

// The values the device takes: subnet class A..C, keep-alive off and on, time register 1..6.
constexpr int kSubnetItems = 3;
constexpr int kKeepAliveItems = 2;
constexpr int kTimeRegisterItems = 6;

// List selection changes; nothing is sent. False for a missing selection.
bool OnSubnetSelected(SettingsModel& model, int index);
bool OnKeepAliveSelected(SettingsModel& model, int index);
bool OnTimeRegisterSelected(SettingsModel& model, int index);

// An address "設定": the four fields of the address control as read (-1 for a blank field). A
// blank field is refused with a message that names the address, and nothing is sent; otherwise
// the octets go into the model and IA, GA or AA goes out.
bool SendNetworkAddress(CoreContext& c, NetworkAddress which, const int (&fields)[4]);
// The message for a blank field, e.g. "IP Address に空欄があります。…".
std::string BlankAddressText(NetworkAddress which);
// The octets the address control shows for the model's address.
const unsigned char* NetworkAddressOctets(const SettingsModel& model, NetworkAddress which);

// Port "設定": up to five characters of the edit box. One to five digits with a value of 1 to
// 65535 go into the model and PN goes out (padded to five digits); anything else is refused with
// its message and nothing changes.
bool SendNetworkPort(CoreContext& c, std::string_view port_text);
inline constexpr std::string_view kBadPortText =
    "Port Number には 1～65535 の数字を入力してください。";

// The list groups' "設定": SM, KA and TR from the model.
void SendSubnetClass(CoreContext& c);
void SendKeepAlive(CoreContext& c);
void SendTimeRegister(CoreContext& c);

// "読み込み": false (nothing happens) while a run goes on; otherwise the caller disables
// "Close" and starts timer 8 with 200 ms.
bool StartNetworkRead(CoreContext& c, BulkRun& run, WindowHandle dialog = 0);
// One tick of timer 8: the read goes out bare by SerialSend.
BulkTick OnNetworkReadTick(CoreContext& c, BulkRun& run);

}  // namespace tvx
