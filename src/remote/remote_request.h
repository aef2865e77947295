// One HTTP request of the remote interface and its answer, as plain values: what the HTTP server
// hands to the remote piece and takes back. Nothing here knows sockets or the core.
#pragma once

#include <string>

namespace tvx {

struct RemoteRequest {
    std::string method;         // "GET", "PUT", "POST"
    std::string target;         // path and query, "/api/v1/state?address=3"
    std::string authorization;  // the Authorization header as sent, or empty
    std::string body;           // UTF-8 JSON, or empty
    std::string peer;           // the client's address, "192.168.1.5"
};

struct RemoteAnswer {
    int status = 0;
    std::string body;   // UTF-8 JSON
    std::string allow;  // 405: the methods the path takes ("GET, PUT")
};

}  // namespace tvx
