// What the five connection dialogs do to the program state and the configuration file: the
// interface, COM port and role lists, the host list and port of the client dialog, the buttons
// and client list of the server dialog. Socket work (connect, listen, close) is the transport's;
// the Win32 procedures call it and then these functions.
#pragma once

#include <string>
#include <string_view>

#include "link/socket_events.h"
#include "model/socket_state.h"
#include "model/context.h"
#include "model/seams.h"
#include "model/settings_model.h"

namespace tvx {

// Entries of the drop-down lists; the index is the stored value.
inline constexpr std::string_view kInterfaceItems[] = {"RS-232C", "TCP/IP"};
inline constexpr std::string_view kComPortItems[] = {"COM 1", "COM 2", "COM 3",
                                                     "COM 4", "COM 5", "COM 6"};
inline constexpr std::string_view kRoleItems[] = {"Client", "Server"};

// A list whose choice must not change while a TCP/IP link is up.
struct ChoiceList {
    bool enabled = true;
    int selection = -1;  // -1 = nothing shown
};
ChoiceList InterfaceChoice(const AppState& app);
ChoiceList RoleChoice(const AppState& app);
ChoiceList ComPortChoice(const AppState& app);

// A pick in the interface list: interface_type and the key Interface at once. False (nothing
// changed) for an index that is not an entry.
bool OnInterfacePicked(AppState& app, IniStore& ini, int index);
// A pick in the client/server list: tcp_role and the key ClientServer at once.
bool OnRolePicked(AppState& app, IniStore& ini, int index);
// "OK" of the COM port dialog: com_port_index and the key com_port.
bool OnComPortConfirmed(AppState& app, IniStore& ini, int index);

// Client dialog.
struct ClientButtons {
    bool connect_enabled = true;
    bool disconnect_enabled = false;
};
ClientButtons ClientButtonsFor(const AppState& app);

inline constexpr std::string_view kHostListFullText =
    "ホストリストがいっぱいです。100件を超えて追加できません。";
// "追加": the address becomes the last host list entry and its keys are written; the line to
// append to the list box is returned in line_out. Beyond the 100 entries the file can keep,
// nothing changes and the user is told why.
bool OnAddHostPressed(CoreContext& c, IniStore& ini, const unsigned char address[4],
                      std::string& line_out);
// "削除" of list position i; false when i is not an entry (no selection, empty list).
bool OnDeleteHostPressed(AppState& app, IniStore& ini, int list_position);
// Double-click on list position i; false when i is not an entry.
bool OnHostDoubleClicked(AppState& app, IniStore& ini, int list_position);
// A change in a port field: its text, cut to 5 characters, becomes tcp_port_text.
void OnPortTextChanged(AppState& app, std::string_view text);
// Either TCP/IP dialog closes: port_number is written, changed or not.
void OnTcpDialogClosed(const AppState& app, IniStore& ini);
// The client dialog's "切断" after the sockets are closed; false when no link was up (then the
// button does nothing).
bool ClientDisconnectAllowed(const AppState& app);
void OnClientDisconnected(CoreContext& c);

// Server dialog: its three switchable controls, its list and the "Transmission place " field.
struct ServerDialogView {
    bool connect_enabled = true;
    bool port_enabled = true;
    bool disconnect_enabled = true;
    int list_slots[kMaxClients] = {};  // the slot shown at each list position
    int list_count = 0;
    bool set_place = false;  // the field is to show place_text
    std::string place_text;
    std::string full_note;  // why a device is missing from the list: all 96 slots were taken
};
inline constexpr std::string_view kPlaceBlanks = "                ";  // 16 blanks

// The refresh on opening and after every accept and close: the list shows exactly the
// connected clients in slot order. Clients there: "接続" and the port field off. None: "切断"
// off. Nothing is switched on here. The note tells of devices refused for lack of slots.
void RefreshServerView(const AppState& app, const SocketLinkState& sockets, ServerDialogView& v);
// "接続" found a listening socket.
void OnServerListening(ServerDialogView& v);
// Double-click on list position i: the client shown there becomes the connection commands go
// to. With no clients, selected_connection becomes -1. False when nothing was chosen.
bool OnServerClientDoubleClicked(AppState& app, const SocketLinkState& sockets, ServerDialogView& v,
                                 int list_position);
// "切断" after the sockets are closed.
void OnServerStopped(AppState& app, ServerDialogView& v);

}  // namespace tvx
