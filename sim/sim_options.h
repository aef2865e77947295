// Command-line options of tvx5870-sim.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "sim_output.h"

namespace tvxsim {

struct Options {
    std::string serial_path;

    bool tcp_listen = false;
    int listen_port = 9004;
    std::string bind_address = "127.0.0.1";

    bool tcp_connect = false;
    std::string connect_host;
    int connect_port = 0;
    int connect_count = 1;

    int address = 0;  // address of the first device
    int devices = 1;  // devices on the serial line (and on each --tcp-listen connection)
    bool addresses_given = false;

    std::string log_path;
    std::string state_path;
    bool verbose = false;

    ReplyFaults faults;
    bool baud_limit = false;
    std::map<uint64_t, std::string> errors;  // frame number -> E0..E3 or MENU
    int64_t silent_after = -1;               // -1 = never
    int64_t drop_after = -1;
};

// Parses the command line. Returns true when the simulator should run; false
// when it should exit with `exit_code` (0 after --help, non-zero after an
// error, which has then been printed to stderr).
bool ParseOptions(int argc, const char* const* argv, Options& opt, int& exit_code);

// "E3@12" to (12, "E3"); false for anything else.
bool ParseInjectedError(const std::string& text, uint64_t& frame, std::string& code);

// "host:port" to its parts; false when the port is missing or not 1..65535.
bool ParseHostPort(const std::string& text, std::string& host, int& port);

}  // namespace tvxsim
