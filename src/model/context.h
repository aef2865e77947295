// Everything a core operation may touch, passed by reference so that tests build a fresh set
// per case and the program holds one set for its whole life.
#pragma once

#include <string>

#include "model/comm_log.h"
#include "model/socket_state.h"
#include "model/seams.h"
#include "model/settings_model.h"

namespace tvx {

struct RecoveryFiles;  // model/recovery.h

struct CoreContext {
    SettingsModel& model;
    AppState& app;
    SocketLinkState& sockets;
    Prompts& prompts;
    Link& link;
    // The communication log of every frame, reply and link event; none while null.
    CommLog* comm_log = nullptr;
    // The links' names in the log when the settings do not tell them: the port the program
    // opened ("COM1"; com_port_index may have changed since), the companion's serial port path
    // or TCP peer. Empty: named from the settings.
    std::string log_serial_name = {};
    std::string log_socket_name = {};
    // Where a session end keeps unsaved work (model/recovery.h): a save of that work removes
    // its part. None while null.
    const RecoveryFiles* recovery = nullptr;
};

}  // namespace tvx
