// The configuration file "tvx5870.ini": the link configuration kept between runs, in the one
// section "TVX-5870_Section". It is read once at start-up and written key by key at the moment
// the user changes a value in a connection dialog. Keys and values are code page 932 text.
#pragma once

#include <string>
#include <string_view>

#include "model/decimal_text.h"
#include "model/seams.h"
#include "model/settings_model.h"

namespace tvx {

constexpr std::string_view kConfigFileName = "tvx5870.ini";
constexpr std::string_view kConfigSection = "TVX-5870_Section";

// The host list keys run from ip00_N to ip99_N: the file holds at most 100 entries.
constexpr int kHostListFileCapacity = 100;

// Reads com_port, Interface, port_number, ClientServer, select_number and list_count in this
// order, then the octets of entries 0 .. list_count - 1. An absent key gives its default;
// numbers are read like the runtime's decimal conversion (0 without a number), port_number is
// taken as text cut to 5 characters. list_count is kept within 0 .. 256 so that the host list
// is never indexed outside its memory; nothing else is validated.
void ReadConfiguration(AppState& app, IniStore& ini);

// One key each, written from the value in app; false when the store could not keep it.
bool WriteInterfaceKey(const AppState& app, IniStore& ini);     // Interface = interface_type
bool WriteComPortKey(const AppState& app, IniStore& ini);       // com_port = com_port_index
bool WritePortNumberKey(const AppState& app, IniStore& ini);    // port_number = tcp_port_text
bool WriteClientServerKey(const AppState& app, IniStore& ini);  // ClientServer = tcp_role
bool WriteSelectNumberKey(const AppState& app, IniStore& ini);  // select_number
// reply_paced = reply_paced_runs: runs step on the device's replies ("応答を待って送る（高速）").
// Read last; only "1" turns it on.
bool WriteReplyPacedKey(const AppState& app, IniStore& ini);

// The communication log window's place and size in screen pixels: log_window_left,
// log_window_top, log_window_width and log_window_height.
struct LogWindowPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
// False, with placement untouched, unless all four keys hold numbers and the size is positive.
bool ReadLogWindowPlacement(IniStore& ini, LogWindowPlacement& placement);
bool WriteLogWindowPlacement(IniStore& ini, const LogWindowPlacement& placement);
// log_to_files: the log's day files, on unless the key holds the number 0.
bool ReadLogToFiles(IniStore& ini);
bool WriteLogToFiles(IniStore& ini, bool on);

// The remote interface: remote_enabled (1 on, anything else off), remote_port (1..65535; 5870
// when absent or no port), remote_listen ("0.0.0.0" every address; anything else this PC only,
// "127.0.0.1"), remote_allowed_hosts (as the user wrote it) and remote_token (empty: none set).
constexpr int kDefaultRemotePort = 5870;
inline constexpr std::string_view kListenThisPc = "127.0.0.1";
inline constexpr std::string_view kListenEveryAddress = "0.0.0.0";
struct RemoteConfig {
    bool enabled = false;
    int port = kDefaultRemotePort;
    bool every_address = false;
    std::string allowed_hosts;
    std::string token;
};
RemoteConfig ReadRemoteConfig(IniStore& ini);
// All five keys; false when any could not be kept.
bool WriteRemoteConfig(IniStore& ini, const RemoteConfig& config);
// server_allowed_hosts_only (1 on): the TCP/IP server role takes devices only from this PC and
// the remote interface's allowed hosts, an option of the server dialog.
bool ReadServerHostsOnly(IniStore& ini);
bool WriteServerHostsOnly(IniStore& ini, bool on);

// preview_font: the face name of the font "ページの見え方..." draws text in (UTF-8 here, code page
// 932 in the file). Empty when the key is absent or not code page 932 text; the write is
// refused (false) for a name the code page cannot hold.
std::string ReadPreviewFontName(IniStore& ini);
bool WritePreviewFontName(IniStore& ini, std::string_view utf8_name);

// "ipNN_O": entry index in two digits (more when beyond 99), octet 0 most significant.
std::string HostKeyName(int entry, int octet);

// Add in the client dialog: the address becomes the last entry, then list_count and the four
// octet keys of the new entry are written. False, with nothing changed, when the list already
// holds as many entries as the file can keep (100).
bool AddHost(AppState& app, IniStore& ini, const unsigned char address[4]);

// Delete in the client dialog: removes the entry at list_position, moves the later entries one
// place down and rewrites list_count and the octet keys of every entry from list_position on.
// The keys of the former last entry stay in the file; selected_connection is left alone. False
// when list_position is not an entry of the list.
bool DeleteHost(AppState& app, IniStore& ini, int list_position);

// Double-click in the client dialog: selected_connection becomes list_position and
// select_number is written. False, with nothing changed, when it is not an entry of the list.
bool SelectHost(AppState& app, IniStore& ini, int list_position);

// The host to connect to in the client role: host_list [selected_connection], or nullptr when
// selected_connection is not an entry of the list (it is read from the file unchecked).
const unsigned char* SelectedHostAddress(const AppState& app);

// The TCP port of the link from tcp_port_text ("09004" gives 9004); false unless 1..65535.
bool LinkPortNumber(const AppState& app, int& port_out);
// Dotted decimal text without leading zeros ("192.168.1.3").
std::string DottedAddressText(const unsigned char address[4]);

// The host list line of an address: each octet in three digits, "ddd .ddd .ddd .ddd".
std::string FormatHostListEntry(const unsigned char address[4]);

}  // namespace tvx
