// tvx5870ctl serve: the program's remote interface without the program. One model and one link
// (the serial port, or TCP/IP connections to devices that listen, each kept up and taken again
// when it drops) on one event loop, with the HTTP server of the program in front: the same
// endpoints from the same core (remote/remote_service.h), headless, until Ctrl+C or SIGTERM.
#pragma once

#include <string>
#include <vector>

#include "model/comm_log.h"

namespace tvxctl {

struct ServeOptions {
    std::string http = "127.0.0.1:5870";  // ADDR:PORT to listen on
    std::string allow;                    // allowed hosts: addresses and a.b.c.d/n subnets
    std::string token;                    // the access token, empty for none
    std::string serial_port;              // or
    std::vector<std::string> tcp;         // HOST[:PORT] of each device
    int address = 0;                      // the slave address when a request names none
    tvx::CommLog* file_log = nullptr;     // --log, --log-json: where entries go besides the ring
};

// "ADDR:PORT" with an IPv4 address and a port 0..65535; false with a one-line reason.
bool ParseHttpAddress(const std::string& text, std::string& address, int& port,
                      std::string& error);

// Serves until interrupted; 0, or 1 when it could not start (the reason on stderr).
int Serve(const ServeOptions& options);

}  // namespace tvxctl
