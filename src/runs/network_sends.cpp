#include "runs/network_sends.h"

#include "link/send.h"
#include "model/run_pace.h"
#include "protocol/commands.h"

namespace tvx {

namespace {

unsigned char* AddressOf(SettingsModel& model, NetworkAddress which) {
    return const_cast<unsigned char*>(NetworkAddressOctets(model, which));
}

std::string_view AddressName(NetworkAddress which) {
    switch (which) {
        case NetworkAddress::Gateway:
            return "Gateway Address";
        case NetworkAddress::Active:
            return "Active Address";
        case NetworkAddress::Ip:
            break;
    }
    return "IP Address";
}

// The device settings go out without the address prefix, to whichever device is on the line.
void SendBare(CoreContext& c, std::string_view command) {
    c.app.address_prefix_on = 0;
    SerialSend(c, command);
}

bool SelectInto(int& field, int index, int item_count) {
    if (index < 0 || index >= item_count) return false;
    field = index;
    return true;
}

}  // namespace

bool OnSubnetSelected(SettingsModel& model, int index) {
    return SelectInto(model.net_subnet_class, index, kSubnetItems);
}

bool OnKeepAliveSelected(SettingsModel& model, int index) {
    return SelectInto(model.net_keep_alive, index, kKeepAliveItems);
}

bool OnTimeRegisterSelected(SettingsModel& model, int index) {
    return SelectInto(model.net_time_register, index, kTimeRegisterItems);
}

std::string BlankAddressText(NetworkAddress which) {
    return std::string(AddressName(which)) +
           " に空欄があります。4つの数字をすべて入力してください。";
}

const unsigned char* NetworkAddressOctets(const SettingsModel& model, NetworkAddress which) {
    switch (which) {
        case NetworkAddress::Gateway:
            return model.net_gateway_address;
        case NetworkAddress::Active:
            return model.net_active_address;
        case NetworkAddress::Ip:
            break;
    }
    return model.net_ip_address;
}

bool SendNetworkAddress(CoreContext& c, NetworkAddress which, const int (&fields)[4]) {
    for (int value : fields) {
        // A guessed octet would quietly give the device an address nobody chose.
        if (value < 0 || value > 255) {
            c.prompts.ShowErrorBox(BlankAddressText(which), BoxIcon::Exclamation);
            return false;
        }
    }
    unsigned char* octets = AddressOf(c.model, which);
    for (int i = 0; i < 4; ++i) octets[i] = static_cast<unsigned char>(fields[i]);
    switch (which) {
        case NetworkAddress::Ip:
            SendBare(c, BuildIpAddressCommand(c.model));
            break;
        case NetworkAddress::Gateway:
            SendBare(c, BuildGatewayAddressCommand(c.model));
            break;
        case NetworkAddress::Active:
            SendBare(c, BuildActiveAddressCommand(c.model));
            break;
    }
    return true;
}

bool SendNetworkPort(CoreContext& c, std::string_view port_text) {
    port_text = port_text.substr(0, 5);
    long value = 0;
    for (char ch : port_text) {
        if (ch < '0' || ch > '9') {
            value = -1;
            break;
        }
        value = value * 10 + (ch - '0');
    }
    if (port_text.empty() || value < 1 || value > 65535) {
        c.prompts.ShowErrorBox(kBadPortText, BoxIcon::Exclamation);
        return false;
    }
    char* field = c.model.net_port_number;
    std::size_t n = port_text.size();
    for (std::size_t i = 0; i < n; ++i) field[i] = port_text[i];
    field[n] = '\0';
    SendBare(c, BuildPortNumberCommand(c.model));
    return true;
}

void SendSubnetClass(CoreContext& c) {
    SendBare(c, BuildSubnetClassCommand(c.model));
}

void SendKeepAlive(CoreContext& c) {
    SendBare(c, BuildKeepAliveCommand(c.model));
}

void SendTimeRegister(CoreContext& c) {
    SendBare(c, BuildTimeRegisterCommand(c.model));
}

bool StartNetworkRead(CoreContext& c, BulkRun& run, WindowHandle dialog) {
    // Its reads go bare on the serial line: no address, so the broadcast entry does not matter.
    if (c.app.sequence_running != 0) return false;
    run = BulkRun{NetworkReadTable()};
    // Bare on the serial line: every frame is answered.
    BeginRunPace(c.app, true, dialog, kNetworkReadTimerId);
    c.app.error_reply = 0;
    c.app.sequence_running = 1;
    return true;
}

BulkTick OnNetworkReadTick(CoreContext& c, BulkRun& run) {
    return OnBulkTick(c, run,
                      [](CoreContext& cc, std::string_view command) { SerialSend(cc, command); });
}

}  // namespace tvx
