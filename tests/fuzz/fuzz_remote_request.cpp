// Remote requests: the input is a mode byte, then the method, the target, the Authorization
// header, the body and the device's reply line, separated by NUL bytes. Every request gets an
// answer that is a JSON object with a status of the interface's table; one that waits for the
// device gets its answer after the reply (or after the no-reply ticks) and gives the link back;
// no box opens, nothing of a refused request reaches the link, and the model stays in range.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz_support.h"
#include "link/send.h"
#include "link/socket_events.h"
#include "model/remote_hold.h"
#include "protocol/replies.h"
#include "remote/remote_service.h"

namespace {

using namespace tvx;

// The answer wait of the program: an answer with its line feed within one reception is queued
// as it would be for the dialog; anything else is no answer in time.
struct FuzzLink : Link {
    SocketLinkState* sockets = nullptr;
    std::string_view answer;
    int frames = 0;
    void WriteSerial(const char*, std::size_t) override { ++frames; }
    bool SocketSendFrame(std::uintptr_t, const char*, std::size_t) override {
        ++frames;
        return true;
    }
    bool ReceiveAnswer(std::uintptr_t) override {
        const std::string_view piece = answer.substr(0, kLinkBufferBytes);
        if (piece.find('\n') == std::string_view::npos) return false;
        const int n = static_cast<int>(piece.size());
        PushReplyPiece(sockets->reply_queue, BeginAnswerExchange(sockets->reply_queue),
                       answer.data(), n);
        return true;
    }
};

std::string_view Part(std::string_view& rest) {
    const std::size_t end = rest.find('\0');
    const std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    return part;
}

TVX_FUZZ_CHECK void CheckAnswer(const RemoteAnswer& a, bool refused) {
    constexpr int kStatuses[] = {200, 202, 400, 401, 403, 404, 405, 409, 502, 503, 504};
    bool known = false;
    for (int s : kStatuses) known = known || a.status == s;
    fuzz::Require(known, "a status of the interface's table");
    const nlohmann::json body = nlohmann::json::parse(a.body, nullptr, false);
    fuzz::Require(body.is_object(), "the answer is a JSON object");
    fuzz::Require(a.status < 400 || body.contains("error"), "an error answer names its error");
    fuzz::Require(!refused || a.status == 401 || a.status == 403, "a refusal is 401 or 403");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzz::Context& f = fuzz::Fresh();
    const std::uint8_t mode = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    RemoteRequest r;
    r.method = Part(rest);
    r.target = Part(rest);
    r.authorization = Part(rest);
    r.body = Part(rest);
    const std::string_view reply = Part(rest);

    FuzzLink link;
    link.sockets = f.sockets.get();
    link.answer = reply;
    HoldingPrompts holding{f.prompts, *f.app};
    CommLog log;
    CoreContext c{*f.model, *f.app, *f.sockets, holding, link, &log};
    RemoteService s(c);
    s.allowed_hosts = {{0x0A000000u, 8}};  // 10.0.0.0/8
    if (mode & 1) s.token = "0123456789abcdef";
    r.peer = (mode & 2) ? ((mode & 4) ? "10.1.2.3" : "192.168.9.9") : "127.0.0.1";
    const bool tcp = (mode & 8) != 0;
    if (tcp) {
        f.app->interface_type = 1;
        f.app->socket_connected = 1;
        f.sockets->link_socket = 1;
        f.app->host_list_count = 1;
        f.app->host_list[0][0] = 127;
        f.app->host_list[0][3] = 1;
    }
    f.app->awaiting_reply = (mode >> 4) & 1;
    f.app->slave_address = (mode >> 5) * 5;  // 0..35: broadcast and beyond included

    RemoteAnswer a;
    const bool now = HandleRemoteRequest(s, r, a);
    const bool refused = CheckRemoteAccess(s.allowed_hosts, s.token, r.peer, r.authorization) !=
                         RemoteAccess::Granted;
    fuzz::Require(!refused || (now && link.frames == 0), "a refused request sends nothing");
    fuzz::Require(now || !tcp, "the answer wait on TCP/IP ends within the request");
    if (!now) {
        if (!reply.empty()) {
            ParseSerialReply(c, reply);
        }
        for (int tick = 0; tick < 7 && !RemoteAnswerReady(s); ++tick) CheckReplyTimeout(c);
        fuzz::Require(RemoteAnswerReady(s), "the wait ends");
        a = TakeRemoteAnswer(s);
    }
    CheckAnswer(a, refused);
    fuzz::Require(f.app->remote.held == 0, "the link is given back");
    fuzz::Require(f.prompts.boxes == 0, "no box for a remote request");
    if (s.run.going) OnRemoteRunTick(s);
    f.app->awaiting_reply = 0;  // the operator's wait the mode may have set, or the run's frame
    fuzz::CheckRepliedModel(*f.model, *f.app);
    return 0;
}
