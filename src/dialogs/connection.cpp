#include "dialogs/connection.h"

#include <cstring>

#include "model/config.h"

namespace tvx {

namespace {

ChoiceList LockedWhileConnected(const AppState& app, int value) {
    ChoiceList list;
    list.enabled = app.socket_connected != 1;
    list.selection = list.enabled ? value : -1;
    return list;
}

}  // namespace

ChoiceList InterfaceChoice(const AppState& app) {
    return LockedWhileConnected(app, app.interface_type);
}

ChoiceList RoleChoice(const AppState& app) {
    return LockedWhileConnected(app, app.tcp_role);
}

ChoiceList ComPortChoice(const AppState& app) {
    ChoiceList list;
    list.selection = app.com_port_index;
    return list;
}

bool OnInterfacePicked(AppState& app, IniStore& ini, int index) {
    if (index < 0 || index > 1) return false;
    app.interface_type = index;
    WriteInterfaceKey(app, ini);
    return true;
}

bool OnRolePicked(AppState& app, IniStore& ini, int index) {
    if (index < 0 || index > 1) return false;
    app.tcp_role = index;
    WriteClientServerKey(app, ini);
    return true;
}

bool OnComPortConfirmed(AppState& app, IniStore& ini, int index) {
    if (index < 0 || index > 5) return false;
    app.com_port_index = index;
    WriteComPortKey(app, ini);
    return true;
}

ClientButtons ClientButtonsFor(const AppState& app) {
    ClientButtons b;
    b.connect_enabled = app.socket_connected == 0;
    b.disconnect_enabled = app.socket_connected == 1;
    return b;
}

bool OnAddHostPressed(CoreContext& c, IniStore& ini, const unsigned char address[4],
                      std::string& line_out) {
    if (!AddHost(c.app, ini, address)) {
        c.prompts.ShowErrorBox(kHostListFullText, BoxIcon::Exclamation);
        return false;
    }
    line_out = FormatHostListEntry(address);
    return true;
}

bool OnDeleteHostPressed(AppState& app, IniStore& ini, int list_position) {
    return DeleteHost(app, ini, list_position);
}

bool OnHostDoubleClicked(AppState& app, IniStore& ini, int list_position) {
    return SelectHost(app, ini, list_position);
}

void OnPortTextChanged(AppState& app, std::string_view text) {
    std::size_t n =
        text.size() < sizeof app.tcp_port_text - 1 ? text.size() : sizeof app.tcp_port_text - 1;
    std::memset(app.tcp_port_text, 0, sizeof app.tcp_port_text);
    std::memcpy(app.tcp_port_text, text.data(), n);
}

void OnTcpDialogClosed(const AppState& app, IniStore& ini) {
    WritePortNumberKey(app, ini);
}

bool ClientDisconnectAllowed(const AppState& app) {
    return app.socket_connected == 1;
}

void OnClientDisconnected(CoreContext& c) {
    c.app.socket_connected = 0;
    c.prompts.ShowSuccessBox(kDisconnectedText);
}

void RefreshServerView(const AppState& app, const SocketLinkState& sockets, ServerDialogView& v) {
    v.list_count = ConnectedClientSlots(sockets, v.list_slots);
    v.full_note = ServerFullNote(sockets);
    v.set_place = false;
    v.place_text.clear();
    if (v.list_count > 0) {
        v.connect_enabled = false;
        v.port_enabled = false;
        if (app.selected_connection != -1) {
            v.set_place = true;
            v.place_text = std::string(ClientPeerText(sockets, app.selected_connection));
        }
    } else {
        v.disconnect_enabled = false;
    }
}

void OnServerListening(ServerDialogView& v) {
    v.connect_enabled = false;
    v.disconnect_enabled = true;
}

bool OnServerClientDoubleClicked(AppState& app, const SocketLinkState& sockets, ServerDialogView& v,
                                 int list_position) {
    if (v.list_count == 0) {
        app.selected_connection = -1;
        return false;
    }
    if (list_position < 0 || list_position >= v.list_count) return false;
    int slot = v.list_slots[list_position];
    // The list is refreshed on every close; a slot freed in between is not chosen.
    if (sockets.client_slots[slot].in_use != 1) return false;
    app.selected_connection = slot;
    app.socket_connected = 1;
    v.set_place = true;
    v.place_text = std::string(ClientPeerText(sockets, slot));
    return true;
}

void OnServerStopped(AppState& app, ServerDialogView& v) {
    v.connect_enabled = true;
    v.port_enabled = true;
    v.disconnect_enabled = false;
    v.list_count = 0;
    v.full_note.clear();
    v.set_place = true;
    v.place_text = std::string(kPlaceBlanks);
    app.selected_connection = -1;
    app.socket_connected = 0;
}

}  // namespace tvx
