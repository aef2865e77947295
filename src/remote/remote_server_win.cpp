/*
 * The program's remote interface.
 *
 * Owns: the remote service (the program's model and link, through ProgramContext), the HTTP
 * server with its own Asio loop, the thread that runs that loop, the request waiting for the
 * device and its answer function, the timer id of a remote run, and the refused connections not
 * yet logged.
 *
 * Threads: the server thread only reads and writes HTTP. Each request is posted to the main
 * window (MSG_REMOTE_REQUEST, the request on the heap, taken over by the window) and handled on
 * the user-interface thread, where the model and every flag belong; its answer goes back
 * through the server's loop. A request that waits for the device keeps its answer function here
 * until PollRemoteControl finds the reply applied or the wait ended. Connections refused at
 * accept are queued under a lock and announced with one MSG_REMOTE_REFUSED; the window logs
 * them. The server thread is stopped by stopping its loop and waited for with a bound; the
 * answer function of a waiting request is dropped first, so nothing reaches a loop that has
 * gone.
 */
#include "remote/remote_server_win.h"

#include <memory>
#include <utility>
#include <vector>

#include "http/http_server.h"
#include "link/serial_win.h"
#include "link/socket_win.h"
#include "model/remote_hold.h"
#include "remote/remote_service.h"
#include "res/version.h"
#include "winbase/program_win.h"
#include "winbase/prompts_win.h"

namespace tvx {

namespace {

constexpr DWORD kStopWaitMs = 2000;
constexpr std::size_t kRefusalsKept = 100;

struct PendingRequest {
    RemoteRequest request;
    HttpAnswerFn answer;
};

RemoteService& Service() {
    static RemoteService service(ProgramContext());
    return service;
}

std::unique_ptr<HttpServer> g_server;
HANDLE g_thread = nullptr;
HWND g_window = nullptr;
RemoteConfig g_config;
std::string g_where;
std::string g_error;
HttpAnswerFn g_waiting;
UINT_PTR g_run_timer = 0;

CRITICAL_SECTION g_refusals_lock;
bool g_lock_ready = false;
std::vector<std::pair<std::string, std::string>> g_refusals;
int g_refusals_dropped = 0;
bool g_refusals_announced = false;

void PrepareLock() {
    if (g_lock_ready) return;
    InitializeCriticalSection(&g_refusals_lock);
    g_lock_ready = true;
}

DWORD WINAPI ServerThread(void* server) {
    static_cast<HttpServer*>(server)->RunOwnLoop();
    return 0;
}

// On the server thread.
void Dispatch(RemoteRequest request, HttpAnswerFn answer) {
    auto* pending = new PendingRequest{std::move(request), std::move(answer)};
    if (!g_window || !PostMessageW(g_window, MSG_REMOTE_REQUEST, 0,
                                   reinterpret_cast<LPARAM>(pending))) {
        pending->answer(RemoteError(503, "unavailable", "the program cannot take requests now"));
        delete pending;
    }
}

// On the server thread.
void Refused(const std::string& peer, const std::string& why) {
    EnterCriticalSection(&g_refusals_lock);
    if (g_refusals.size() < kRefusalsKept) {
        g_refusals.emplace_back(peer, why);
    } else {
        ++g_refusals_dropped;
    }
    const bool announce = !g_refusals_announced;
    g_refusals_announced = true;
    LeaveCriticalSection(&g_refusals_lock);
    if (announce && g_window) PostMessageW(g_window, MSG_REMOTE_REFUSED, 0, 0);
}

void LogRefusals() {
    EnterCriticalSection(&g_refusals_lock);
    std::vector<std::pair<std::string, std::string>> refusals = std::move(g_refusals);
    g_refusals.clear();
    const int dropped = g_refusals_dropped;
    g_refusals_dropped = 0;
    g_refusals_announced = false;
    LeaveCriticalSection(&g_refusals_lock);
    for (const auto& [peer, why] : refusals) LogRemoteRefusal(Service(), peer, why);
    if (dropped > 0)
        LogRemoteEvent(Service(), std::to_string(dropped) + " more connections refused");
}

void ArmRunTimer(int period_ms) {
    if (g_run_timer != 0 && (period_ms == 0 || !g_window)) {
        KillTimer(g_window, g_run_timer);
        g_run_timer = 0;
    }
    const int id = RemoteRunTimerId(Service());
    if (period_ms == 0 || id == 0 || !g_window) return;
    g_run_timer = static_cast<UINT_PTR>(id);
    SetTimer(g_window, g_run_timer, static_cast<UINT>(period_ms), nullptr);
}

void Serve(HWND window) {
    RemoteService& s = Service();
    g_window = window;
    s.version = TVX_VERSION_TEXT;
    s.token = g_config.token;
    s.run_window = reinterpret_cast<WindowHandle>(window);
    // A reply parsed behind an open box would come only when the operator closes it.
    s.operator_busy = [] { return SerialRepliesHeldBack(); };
    s.arm_run_timer = ArmRunTimer;
    g_error.clear();
    g_where.clear();
    if (!g_config.enabled) return;
    HttpServerOptions options;
    options.address = std::string(g_config.every_address ? kListenEveryAddress : kListenThisPc);
    options.port = static_cast<unsigned short>(g_config.port);
    std::string problem;
    if (!ParseAllowedHosts(g_config.allowed_hosts, options.allowed_hosts, problem)) {
        g_error = problem;
        return;
    }
    s.allowed_hosts = options.allowed_hosts;
    PrepareLock();
    auto server = std::make_unique<HttpServer>(options, Dispatch, Refused);
    if (!server->Listen(g_error)) {
        g_error = options.address + ":" + std::to_string(g_config.port) + ": " + g_error;
        LogRemoteEvent(s, "cannot listen on " + g_error);
        return;
    }
    g_thread = CreateThread(nullptr, 0, ServerThread, server.get(), 0, nullptr);
    if (!g_thread) {
        g_error = "the server's thread could not be started";
        return;
    }
    g_where = server->Where();
    g_server = std::move(server);
    LogRemoteEvent(s, "listening on " + g_where);
}

}  // namespace

void StartRemoteControl(HWND main) {
    g_config = ReadRemoteConfig(ProgramIniStore());
    Serve(main);
    if (!g_error.empty()) {
        ProgramContext().prompts.ShowErrorBox("リモート制御を開始できません。\n" + g_error,
                                              BoxIcon::Exclamation);
    }
}

bool ApplyRemoteControl(const RemoteConfig& config, std::string& error) {
    StopRemoteControl();
    g_config = config;
    WriteRemoteConfig(ProgramIniStore(), config);
    LoadServerHostGuard(ProgramIniStore());  // the server role's guard takes the same list
    Serve(g_window ? g_window : MainWindow());
    error = g_error;
    return g_error.empty();
}

void StopRemoteControl() {
    // The answer of a waiting request would go to a loop that is about to end.
    g_waiting = nullptr;
    if (Service().waiting.active) DropRemoteRequest(Service());
    if (!g_server) return;
    g_server->StopOwnLoop();
    const bool ended = !g_thread || WaitForSingleObject(g_thread, kStopWaitMs) == WAIT_OBJECT_0;
    if (g_thread) CloseHandle(g_thread);
    g_thread = nullptr;
    LogRemoteEvent(Service(), "stopped");
    if (ended) {
        g_server.reset();
    } else {
        g_server.release();  // still in use by a thread that did not end: left to the process end
    }
    g_where.clear();
}

RemoteServerStatus CurrentRemoteControlStatus() {
    const RemoteService& s = Service();
    RemoteServerStatus status;
    status.enabled = g_config.enabled;
    status.listening = g_server != nullptr;
    status.where = g_where;
    status.error = g_error;
    status.last_request = s.last_request;
    status.last_peer = s.last_peer;
    status.last_status = s.last_status;
    status.last_time = s.last_time;
    return status;
}

bool OnRemoteControlMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == MSG_REMOTE_REQUEST) {
        std::unique_ptr<PendingRequest> pending(reinterpret_cast<PendingRequest*>(lparam));
        if (!g_server) {
            pending->answer(RemoteError(503, "unavailable", "the remote interface is stopped"));
            return true;
        }
        RemoteAnswer answer;
        if (HandleRemoteRequest(Service(), pending->request, answer)) {
            pending->answer(std::move(answer));
        } else {
            g_waiting = std::move(pending->answer);
        }
        PostRunPaceTick(ProgramContext().app);
        return true;
    }
    if (message == MSG_REMOTE_REFUSED) {
        LogRefusals();
        return true;
    }
    if (message == WM_TIMER && g_run_timer != 0 && wparam == g_run_timer) {
        OnRemoteRunTick(Service());
        PostRunPaceTick(ProgramContext().app);
        return true;
    }
    return false;
}

void PollRemoteControl() {
    if (!g_waiting || !RemoteAnswerReady(Service())) return;
    HttpAnswerFn answer = std::move(g_waiting);
    g_waiting = nullptr;
    answer(TakeRemoteAnswer(Service()));
}

}  // namespace tvx
