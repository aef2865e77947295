// The remote interface (HTTP with JSON, version 1): a request becomes an action on the model and
// the link through the same functions the dialogs' "設定" and the runs use, and its answer says
// what the device said. It knows nothing of sockets: the program and tvx5870ctl serve it, each
// on the thread that owns the model (the program's user-interface thread, the companion's event
// loop), one request at a time.
//
// A request that sends waits for the device: HandleRemoteRequest answers at once when it can,
// or holds the link (model/remote_hold.h) until the reply has been applied or the usual wait has
// ended; the host asks RemoteAnswerReady after each reply and each tick of its no-reply check,
// and then takes the answer. A remote run (set all, read back) goes on after its 202 on a timer
// the host keeps (arm_run_timer), one tick at a time through OnRemoteRunTick.
//
// Answers: 200 with what was applied; 202 for a broadcast (no device answers) and for a run
// started; 400 naming the field and what it takes; 401 without the token; 403 from a host that
// is not allowed; 404 for a path or key that does not exist; 405 for another method; 409 while
// the operator or another remote request uses the link; 502 with the device's error code and
// the program's message text; 503 without a connection to a device; 504 when the device did
// not answer. No message box opens for a remote request; the communication log records each
// request that reaches the link, and each refusal, with its peer (kind "remote").
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/comm_log.h"
#include "model/context.h"
#include "protocol/bulk_run.h"
#include "remote/remote_access.h"
#include "remote/remote_request.h"

namespace tvx {

// A remote run and where it stands.
struct RemoteRunState {
    std::string name;  // "set-all", "read-back"; empty until one has run
    BulkRun run;
    bool going = false;
    int address = 0;     // the slave address of its frames
    int device = 0;      // the server role's slot it talks to (0: the selected one)
    std::string result;  // once it has ended: "done" or "stopped"
    std::string message;  // why it stopped: the box the program would have shown
    std::string peer;     // who started it
};

// The request that waits for the device.
struct RemoteWaiting {
    bool active = false;
    std::string peer;
    std::string request;  // "PUT /api/v1/positions/ch1-top/page", for the log
    std::function<nlohmann::json()> applied;  // the 200 answer, made once the reply is in
};

struct RemoteService {
    explicit RemoteService(CoreContext& context) : c(context) {}

    // The context's prompts must be HoldingPrompts over the host's own: no box opens for a
    // remote request.
    CoreContext& c;
    std::string program = "tvx5870";
    std::string version;
    std::vector<HostRule> allowed_hosts;
    std::string token;  // empty: none set
    // The host's own reason to refuse a request that sends: the operator is reading a box that
    // a reply opened, and the next reply waits behind it.
    std::function<bool()> operator_busy;
    // The host's timer for a remote run: the period in ms, 0 to stop it.
    std::function<void(int period_ms)> arm_run_timer;
    // The window whose timer a run paced by replies is stepped through (the program's main
    // window; 0 for a host that steps it itself).
    WindowHandle run_window = 0;

    RemoteWaiting waiting;
    RemoteRunState run;

    // The status line: the last request, its peer, its answer and when.
    std::string last_request;
    std::string last_peer;
    int last_status = 0;
    LogTime last_time;
};

// What a host tells of its server, for the program's status line.
struct RemoteServerStatus {
    bool enabled = false;
    bool listening = false;
    std::string where;  // "127.0.0.1:5870"
    std::string error;  // why it does not listen
    std::string last_request;
    std::string last_peer;
    int last_status = 0;
    LogTime last_time;
};

// Every request: true, with the answer, when it is answered now; false when it waits for the
// device (then RemoteAnswerReady / TakeRemoteAnswer).
bool HandleRemoteRequest(RemoteService& s, const RemoteRequest& request, RemoteAnswer& answer);
// The waiting request's reply has been applied, or its wait has ended.
bool RemoteAnswerReady(const RemoteService& s);
// Its answer; the link is free again.
RemoteAnswer TakeRemoteAnswer(RemoteService& s);
// The host gives the waiting request up (it stops serving): the link is free again.
void DropRemoteRequest(RemoteService& s);

// One tick of the remote run's timer.
void OnRemoteRunTick(RemoteService& s);
// The run's timer id on run_window (the id its dialog uses), 0 when none goes on.
int RemoteRunTimerId(const RemoteService& s);

// A connection the host refused before reading it (a host that is not allowed, too many
// connections): logged with its peer.
void LogRemoteRefusal(RemoteService& s, std::string_view peer, std::string_view why);
// A line of the log for the remote interface itself (started, stopped, cannot listen).
void LogRemoteEvent(RemoteService& s, std::string_view text);

// The JSON of an error answer: {"error": error, "message": message}.
RemoteAnswer RemoteError(int status, std::string_view error, std::string_view message);

}  // namespace tvx
