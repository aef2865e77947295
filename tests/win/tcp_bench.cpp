// Figures of the TCP/IP link: 100 command/answer exchanges in the client role against the
// simulator, as a dialog makes them (send, wait for the answer, parse it on MSG_SOCKET_REPLY),
// with the wall time, the process's CPU time and the CPU time per exchange. Run without a
// reply delay and with one, where the time spent waiting shows what the wait costs. Prints
// figures only; scripts/bench_tcp.sh runs it under Wine.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "winbase/program_win.h"
#include "link/send.h"
#include "link/socket_events.h"
#include "model/socket_state.h"
#include "link/socket_win.h"
#include "support/recorders.h"
#include "tcp_support.h"

namespace {

constexpr int kExchanges = 100;

LRESULT CALLBACK ReplyWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == MSG_SOCKET_REPLY) {
        tvx::OnSocketReplyMessage(ProgramContext());
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

double CpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

bool RunScenario(int reply_delay_ms, HWND reply_window, tvx::test::RecordingPrompts& prompts) {
    tvx::CoreContext& c = ProgramContext();
    tvx::test::SimProcess sim;
    if (!sim.Start("--tcp-listen 0 --reply-delay " + std::to_string(reply_delay_ms))) return false;
    c.app = tvx::AppState{};
    c.sockets = tvx::SocketLinkState{};
    tvx::ResetClientSlots(c.sockets);
    tvx::ResetToDefaults(c.model, c.app);
    c.app.interface_type = 1;
    c.app.read_thread_running = 1;
    c.app.host_list[0][0] = 127;
    c.app.host_list[0][3] = 1;
    c.app.host_list_count = 1;
    std::snprintf(c.app.tcp_port_text, sizeof c.app.tcp_port_text, "%d", sim.ListenPort());
    if (!tvx::ConnectToServer(c) ||
        !tvx::test::PumpUntil([&] { return c.app.socket_connected == 1; }, 10000)) {
        std::fprintf(stderr, "bench_tcp: no connection to the simulator\n");
        return false;
    }
    c.app.active_dialog = reinterpret_cast<tvx::WindowHandle>(reply_window);
    c.app.address_prefix_on = 1;
    prompts.calls.clear();

    ULONGLONG wall_start = GetTickCount64();
    double cpu_start = CpuMilliseconds();
    int answered = 0;
    for (int i = 0; i < kExchanges; ++i) {
        std::size_t before = prompts.calls.size();
        tvx::SendCommand(c, "CWL1\r\n");
        tvx::test::PumpUntil([&] { return prompts.calls.size() > before; }, 10000);
        if (prompts.calls.size() > before && prompts.calls.back() == "success: Socket ＯＫ")
            ++answered;
    }
    double cpu = CpuMilliseconds() - cpu_start;
    double wall = static_cast<double>(GetTickCount64() - wall_start);
    std::printf("tcp_exchanges reply_delay_ms %d exchanges %d answered %d\n", reply_delay_ms,
                kExchanges, answered);
    std::printf("  wall_ms %.0f cpu_ms %.1f cpu_per_exchange_ms %.3f cpu_share_of_wall %.1f%%\n",
                wall, cpu, cpu / kExchanges, wall > 0 ? 100.0 * cpu / wall : 0.0);
    tvx::CloseAllSockets(c);
    return answered == kExchanges;
}

}  // namespace

int main() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    tvx::test::RecordingPrompts prompts;
    SetProgramPrompts(&prompts);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ReplyWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TcpBenchReplyWindow";
    RegisterClassW(&wc);
    HWND reply_window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, wc.hInstance, nullptr);
    bool ok = RunScenario(0, reply_window, prompts);
    ok = RunScenario(20, reply_window, prompts) && ok;
    SetProgramPrompts(nullptr);
    return ok ? 0 : 1;
}
