// The HTTP server of the remote interface, on Boost.Beast: it accepts connections, refuses hosts
// that are not allowed and connections beyond the bound before reading anything, reads one
// request at a time within the size and time bounds, hands it on and writes the answer. What a
// request means is the remote piece's (remote/remote_service.h); this knows only HTTP.
//
// It runs on an io_context: the caller's (tvx5870ctl, which serves its device lines on the same
// loop) or one of its own, run by RunOwnLoop on a thread the caller starts (the program). All of
// its work happens on that loop's thread; the answer to a request may be given from any thread.
// Beast is compiled in this one file.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "remote/remote_access.h"
#include "remote/remote_request.h"

namespace boost::asio {
class io_context;
}

namespace tvx {

struct HttpServerOptions {
    std::string address{kListenThisPc};  // "127.0.0.1" or "0.0.0.0"
    unsigned short port = kDefaultRemotePort;  // 0: any free port (tests)
    std::vector<HostRule> allowed_hosts;       // this PC is always allowed
    std::size_t max_connections = 16;
    std::size_t max_header_bytes = 8 * 1024;
    std::size_t max_body_bytes = 64 * 1024;
    // To read a request's header (and the quiet time allowed between requests of a connection),
    // to read its body, and to wait for the answer.
    std::chrono::milliseconds header_time{5000};
    std::chrono::milliseconds body_time{10000};
    std::chrono::milliseconds answer_time{15000};
};

// Called on the loop's thread for every request; answer must be called once, from any thread.
using HttpAnswerFn = std::function<void(RemoteAnswer)>;
using HttpDispatch = std::function<void(RemoteRequest request, HttpAnswerFn answer)>;
// A connection refused before anything was read: the peer and why. On the loop's thread.
using HttpRefusal = std::function<void(const std::string& peer, const std::string& why)>;

class HttpServer {
public:
    // On the caller's loop.
    HttpServer(boost::asio::io_context& io, HttpServerOptions options, HttpDispatch dispatch,
               HttpRefusal refused);
    // On a loop of its own, for RunOwnLoop.
    HttpServer(HttpServerOptions options, HttpDispatch dispatch, HttpRefusal refused);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds, listens and starts accepting; false with the system's reason.
    bool Listen(std::string& error);
    // The port listened on.
    unsigned short Port() const;
    // "127.0.0.1:5870".
    std::string Where() const;

    // The own loop: runs until StopOwnLoop (from any thread).
    void RunOwnLoop();
    void StopOwnLoop();
    // Stops accepting and closes every connection (on the loop's thread, or before it runs).
    void Close();

private:
    struct Impl;
    std::unique_ptr<boost::asio::io_context> own_io_;
    std::shared_ptr<Impl> impl_;
};

}  // namespace tvx
