#include "http/http_server.h"

#include <array>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/version.hpp>

namespace tvx {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using error_code = boost::system::error_code;

namespace {

constexpr std::chrono::milliseconds kLingerTime{2000};

// The answer to a connection that is turned away before its request is read.
std::string CannedAnswer(int status, std::string_view reason, std::string_view message) {
    const std::string body = "{\"error\":\"" + std::string(reason) + "\",\"message\":\"" +
                             std::string(message) + "\"}";
    return "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) +
           "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

struct HttpServer::Impl : std::enable_shared_from_this<HttpServer::Impl> {
    Impl(asio::io_context& io_in, HttpServerOptions options_in, HttpDispatch dispatch_in,
         HttpRefusal refused_in)
        : io(io_in),
          acceptor(io_in),
          options(std::move(options_in)),
          dispatch(std::move(dispatch_in)),
          refused(std::move(refused_in)) {}

    struct Connection;

    asio::io_context& io;
    tcp::acceptor acceptor;
    HttpServerOptions options;
    HttpDispatch dispatch;
    HttpRefusal refused;
    std::vector<std::weak_ptr<Connection>> connections;
    bool closed = false;

    std::size_t Live() {
        std::erase_if(connections, [](const std::weak_ptr<Connection>& c) { return c.expired(); });
        return connections.size();
    }

    void Accept();
    void TurnAway(tcp::socket socket, const std::string& peer, const std::string& why,
                  std::string answer);
};

struct HttpServer::Impl::Connection : std::enable_shared_from_this<Connection> {
    Connection(std::shared_ptr<Impl> server_in, tcp::socket socket, std::string peer_in)
        : server(std::move(server_in)),
          stream(std::move(socket)),
          peer(std::move(peer_in)),
          answer_timer(server->io) {}

    std::shared_ptr<Impl> server;
    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
    std::string peer;
    asio::steady_timer answer_timer;
    bool awaiting_answer = false;
    bool keep_alive = false;
    std::shared_ptr<http::response<http::string_body>> response;

    void ReadHeader() {
        parser.emplace();
        parser->header_limit(static_cast<std::uint32_t>(server->options.max_header_bytes));
        parser->body_limit(server->options.max_body_bytes);
        stream.expires_after(server->options.header_time);
        http::async_read_header(stream, buffer, *parser,
                                [self = shared_from_this()](error_code ec, std::size_t) {
                                    self->OnHeader(ec);
                                });
    }

    void OnHeader(error_code ec) {
        if (ec) return Fail(ec);
        stream.expires_after(server->options.body_time);
        http::async_read(stream, buffer, *parser,
                         [self = shared_from_this()](error_code ec2, std::size_t) {
                             self->OnBody(ec2);
                         });
    }

    // A request too large gets its answer; anything else that breaks the read (time-outs, a
    // peer that left, bytes that are no HTTP) just ends the connection.
    void Fail(error_code ec) {
        if (ec == http::error::header_limit) {
            return WriteClosing(CannedAnswer(431, "Request Header Fields Too Large",
                                             "the request's header is too large"));
        }
        if (ec == http::error::body_limit) {
            return WriteClosing(CannedAnswer(413, "Payload Too Large",
                                             "the request's body is over 64 KB"));
        }
        if (ec == http::error::bad_method || ec == http::error::bad_target ||
            ec == http::error::bad_version || ec == http::error::bad_field) {
            return WriteClosing(CannedAnswer(400, "Bad Request", "this is no HTTP request"));
        }
        Shut();
    }

    void OnBody(error_code ec) {
        if (ec) return Fail(ec);
        const http::request<http::string_body>& req = parser->get();
        keep_alive = req.keep_alive();
        RemoteRequest request;
        request.method = std::string(req.method_string());
        request.target = std::string(req.target());
        if (auto it = req.find(http::field::authorization); it != req.end())
            request.authorization = std::string(it->value());
        request.body = req.body();
        request.peer = peer;
        stream.expires_never();
        awaiting_answer = true;
        answer_timer.expires_after(server->options.answer_time);
        answer_timer.async_wait([self = shared_from_this()](error_code wait_ec) {
            if (wait_ec || !self->awaiting_answer) return;
            self->keep_alive = false;
            self->Answer({504,
                          R"({"error":"no answer","message":"the program did not answer in time"})",
                          {}});
        });
        // The answer comes back through the loop, from whichever thread gives it.
        std::weak_ptr<Connection> weak = shared_from_this();
        asio::io_context& io = server->io;
        server->dispatch(std::move(request), [weak, &io](RemoteAnswer a) {
            asio::post(io, [weak, a = std::move(a)]() mutable {
                if (auto self = weak.lock()) self->Answer(std::move(a));
            });
        });
    }

    void Answer(RemoteAnswer a) {
        if (!awaiting_answer) return;  // the answer came after the time-out's
        awaiting_answer = false;
        answer_timer.cancel();
        response = std::make_shared<http::response<http::string_body>>();
        response->version(11);
        response->result(static_cast<unsigned>(a.status));
        response->set(http::field::server, "tvx5870");
        response->set(http::field::content_type, "application/json; charset=utf-8");
        response->set(http::field::cache_control, "no-store");
        if (!a.allow.empty()) response->set(http::field::allow, a.allow);
        if (a.status == 401) response->set(http::field::www_authenticate, "Bearer");
        response->keep_alive(keep_alive && !server->closed);
        response->body() = std::move(a.body);
        response->prepare_payload();
        stream.expires_after(server->options.body_time);
        http::async_write(stream, *response,
                          [self = shared_from_this()](error_code ec, std::size_t) {
                              if (ec) return self->Shut();
                              if (!self->response->keep_alive()) return self->CloseAfterPeer();
                              self->ReadHeader();
                          });
    }

    // After an answer that ends the connection the peer closes first, as it does at once on
    // reading it: the port's lingering state stays with the peer, and a server started again
    // right away can listen on its port again.
    void CloseAfterPeer() {
        stream.expires_after(kLingerTime);
        Drain();
    }
    void Drain() {
        auto bytes = std::make_shared<std::array<char, 512>>();
        stream.async_read_some(asio::buffer(*bytes),
                               [self = shared_from_this(), bytes](error_code ec, std::size_t) {
                                   if (ec) return self->Shut();
                                   self->Drain();
                               });
    }

    void WriteClosing(std::string text) {
        auto bytes = std::make_shared<std::string>(std::move(text));
        stream.expires_after(server->options.body_time);
        asio::async_write(stream, asio::buffer(*bytes),
                          [self = shared_from_this(), bytes](error_code ec, std::size_t) {
                              if (ec) return self->Shut();
                              self->CloseAfterPeer();
                          });
    }

    void Shut() {
        error_code ignored;
        stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream.socket().close(ignored);
        answer_timer.cancel();
    }
};

void HttpServer::Impl::TurnAway(tcp::socket socket, const std::string& peer,
                                const std::string& why, std::string answer) {
    if (refused) refused(peer, why);
    auto conn = std::make_shared<Connection>(shared_from_this(), std::move(socket), peer);
    conn->WriteClosing(std::move(answer));
}

void HttpServer::Impl::Accept() {
    acceptor.async_accept([self = shared_from_this()](error_code ec, tcp::socket socket) {
        if (self->closed) return;
        if (ec == asio::error::operation_aborted) return;
        if (!ec) {
            error_code peer_ec;
            const tcp::endpoint remote = socket.remote_endpoint(peer_ec);
            const std::string peer = peer_ec ? std::string("?") : remote.address().to_string();
            if (!HostAllowed(self->options.allowed_hosts, peer)) {
                self->TurnAway(std::move(socket), peer, "not an allowed host",
                               CannedAnswer(403, "Forbidden",
                                            "this host is not among the allowed hosts"));
            } else if (self->Live() >= self->options.max_connections) {
                self->TurnAway(std::move(socket), peer, "too many connections",
                               CannedAnswer(503, "Service Unavailable", "too many connections"));
            } else {
                auto conn = std::make_shared<Connection>(self, std::move(socket), peer);
                self->connections.push_back(conn);
                conn->ReadHeader();
            }
        }
        self->Accept();
    });
}

HttpServer::HttpServer(asio::io_context& io, HttpServerOptions options, HttpDispatch dispatch,
                       HttpRefusal refused)
    : impl_(std::make_shared<Impl>(io, std::move(options), std::move(dispatch),
                                   std::move(refused))) {}

HttpServer::HttpServer(HttpServerOptions options, HttpDispatch dispatch, HttpRefusal refused)
    : own_io_(std::make_unique<asio::io_context>(1)),
      impl_(std::make_shared<Impl>(*own_io_, std::move(options), std::move(dispatch),
                                   std::move(refused))) {}

HttpServer::~HttpServer() {
    Close();
    // The loop's handlers hold the connections; they go with the loop (or with the caller's).
    if (own_io_) {
        own_io_->stop();
        own_io_->restart();
        own_io_->poll();  // closed sockets hand back their handlers, which let go of everything
    }
}

bool HttpServer::Listen(std::string& error) {
    Impl& s = *impl_;
    error_code ec;
    const asio::ip::address address = asio::ip::make_address_v4(s.options.address, ec);
    if (ec) {
        error = "no IPv4 address: " + s.options.address;
        return false;
    }
    const tcp::endpoint endpoint(address, s.options.port);
    s.acceptor.open(endpoint.protocol(), ec);
    // Windows would let another program bind the same port with SO_REUSEADDR: only exclusively.
#ifndef _WIN32
    if (!ec) s.acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
#endif
    if (!ec) s.acceptor.bind(endpoint, ec);
    if (!ec) s.acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = ec.message();
        error_code ignored;
        s.acceptor.close(ignored);
        return false;
    }
    s.Accept();
    return true;
}

unsigned short HttpServer::Port() const {
    error_code ec;
    const tcp::endpoint endpoint = impl_->acceptor.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

std::string HttpServer::Where() const {
    return impl_->options.address + ":" + std::to_string(Port());
}

void HttpServer::RunOwnLoop() {
    if (!own_io_) return;
    auto guard = asio::make_work_guard(*own_io_);
    own_io_->run();
}

void HttpServer::StopOwnLoop() {
    if (own_io_) own_io_->stop();
}

void HttpServer::Close() {
    Impl& s = *impl_;
    s.closed = true;
    error_code ignored;
    s.acceptor.close(ignored);
    for (auto& weak : s.connections) {
        if (auto conn = weak.lock()) conn->Shut();
    }
    s.connections.clear();
}

}  // namespace tvx
