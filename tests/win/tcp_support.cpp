#include "tcp_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "winbase/text_win.h"

namespace tvx::test {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

bool RunShell(const std::string& script) {
    std::wstring command = L"Z:\\bin\\sh -c \"" + Utf8ToWide(script) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring buffer = command;
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    // For a Unix program Wine gives no process handle and leaves the thread handle undefined:
    // closing it could close some other handle of ours.
    if (pi.hProcess) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& out) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    out.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    CloseHandle(file);
    return true;
}

std::wstring WinPathOf(const std::string& unix_path) {
    std::wstring path = L"Z:" + Utf8ToWide(unix_path);
    for (wchar_t& ch : path)
        if (ch == L'/') ch = L'\\';
    return path;
}

bool SimProcess::Start(const std::string& args) {
    static int counter = 0;
    serial_ = ++counter;
    std::string dir = Env("TVX_WORK_DIR");
    std::string sim = Env("TVX_SIM_EXECUTABLE");
    if (dir.empty() || sim.empty()) return false;
    unix_dir_ = dir;
    std::string base = dir + "/tcp-sim" + std::to_string(serial_);
    log_win_ = WinPathOf(base + ".log");
    out_win_ = WinPathOf(base + ".out");
    std::string pid_file = base + ".pid";
    std::string script = "'" + sim + "' " + args + " --log '" + base + ".log' > '" + base +
                         ".out' 2>&1 & echo $! > '" + pid_file + "'";
    if (!RunShell(script)) return false;
    std::string text;
    bool ok = PumpUntil(
        [&] {
            std::string pid_text;
            if (ReadWholeFile(WinPathOf(pid_file), pid_text)) pid_ = std::atoi(pid_text.c_str());
            return pid_ != 0 && ReadWholeFile(out_win_, text) &&
                   text.find("tvx5870-sim: ready") != std::string::npos;
        },
        15000);
    if (!ok) std::fprintf(stderr, "simulator did not start: %s\n", text.c_str());
    return ok;
}

void SimProcess::Stop() {
    if (pid_ == 0) return;
    RunShell("kill " + std::to_string(pid_));
    // The simulator logs "stopped" as it ends.
    PumpUntil(
        [&] {
            for (const SimLogEntry& e : Log())
                if (e.direction == "event" && e.bytes == "stopped") return true;
            return false;
        },
        10000);
    pid_ = 0;
}

int SimProcess::ListenPort() const {
    std::string text = Output();
    const std::string marker = "listening on ";
    std::size_t at = text.find(marker);
    if (at == std::string::npos) return 0;
    std::size_t colon = text.find(':', at + marker.size());
    return colon == std::string::npos ? 0 : std::atoi(text.c_str() + colon + 1);
}

std::string SimProcess::Output() const {
    std::string text;
    ReadWholeFile(out_win_, text);
    return text;
}

SOCKET RawConnect(int port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

int FreeTcpPort() {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        int length = sizeof a;
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
        port = ntohs(a.sin_port);
    }
    ::closesocket(s);
    return port;
}

std::vector<SimLogEntry> EntriesOf(const std::vector<SimLogEntry>& log, const std::string& dir) {
    std::vector<SimLogEntry> out;
    for (const SimLogEntry& e : log)
        if (e.direction == dir) out.push_back(e);
    return out;
}

int FailingWinsock::startup_calls = 0;
int FailingWinsock::cleanup_calls = 0;
int FailingWinsock::close_calls = 0;
int FailingWinsock::fail_error = WSAENETDOWN;
int FailingWinsock::send_calls = 0;
bool FailingWinsock::would_block_pending = false;
bool FailingWinsock::stand_in_failed = false;

void FailingWinsock::Reset() {
    startup_calls = cleanup_calls = close_calls = send_calls = 0;
    fail_error = WSAENETDOWN;
    would_block_pending = true;
    stand_in_failed = false;
}

int WSAAPI FailingWinsock::StartupFails(WORD, LPWSADATA) {
    ++startup_calls;
    return WSASYSNOTREADY;
}

int WSAAPI FailingWinsock::StartupGivesVersion2(WORD, LPWSADATA data) {
    ++startup_calls;
    int r = ::WSAStartup(MAKEWORD(2, 2), data);
    data->wVersion = MAKEWORD(2, 2);
    return r;
}

int WSAAPI FailingWinsock::CountingCleanup() {
    ++cleanup_calls;
    return ::WSACleanup();
}

SOCKET WSAAPI FailingWinsock::SocketFails(int, int, int) {
    ::WSASetLastError(fail_error);
    return INVALID_SOCKET;
}

int WSAAPI FailingWinsock::AsyncSelectFails(SOCKET s, HWND window, u_int message, long events) {
    // Turning notifications off (when closing) still works.
    if (events == 0) return ::WSAAsyncSelect(s, window, message, events);
    ::WSASetLastError(fail_error);
    return SOCKET_ERROR;
}

int WSAAPI FailingWinsock::ConnectFails(SOCKET, const sockaddr*, int) {
    ::WSASetLastError(fail_error);
    return SOCKET_ERROR;
}

int WSAAPI FailingWinsock::ListenFails(SOCKET, int) {
    ::WSASetLastError(fail_error);
    return SOCKET_ERROR;
}

SOCKET WSAAPI FailingWinsock::AcceptFails(SOCKET, sockaddr*, int*) {
    ::WSASetLastError(fail_error);
    return INVALID_SOCKET;
}

int WSAAPI FailingWinsock::SendFails(SOCKET, const char*, int, int) {
    ++send_calls;
    ::WSASetLastError(fail_error);
    return SOCKET_ERROR;
}

int WSAAPI FailingWinsock::SendWouldBlockOnce(SOCKET s, const char* buf, int len, int flags) {
    ++send_calls;
    if (would_block_pending) {
        would_block_pending = false;
        ::WSASetLastError(WSAEWOULDBLOCK);
        return SOCKET_ERROR;
    }
    return ::send(s, buf, len, flags);
}

int WSAAPI FailingWinsock::SendOneByteAtATime(SOCKET s, const char* buf, int len, int flags) {
    ++send_calls;
    return ::send(s, buf, len > 0 ? 1 : 0, flags);
}

int WSAAPI FailingWinsock::CountingClose(SOCKET s) {
    ++close_calls;
    return ::closesocket(s);
}

int WSAAPI FailingWinsock::LastError() {
    return ::WSAGetLastError();
}

bool FloodingPeer::Start(int flood_bytes) {
    flood_bytes_ = flood_bytes;
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
    int length = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    if (::listen(listener_, 1) != 0) return false;
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    return thread_ != nullptr;
}

DWORD WINAPI FloodingPeer::Run(void* self_pointer) {
    auto* self = static_cast<FloodingPeer*>(self_pointer);
    SOCKET s = ::accept(self->listener_, nullptr, nullptr);
    if (s == INVALID_SOCKET) return 0;
    self->accepted_ = s;
    char buffer[256];
    int n;
    // Take one frame, then answer it with bytes that never end a line.
    while ((n = ::recv(s, buffer, sizeof buffer, 0)) > 0) {
        if (std::memchr(buffer, '\n', n)) {
            InterlockedIncrement(&self->frames_);
            std::string flood(self->flood_bytes_, 'A');
            ::send(s, flood.data(), static_cast<int>(flood.size()), 0);
        }
    }
    return 0;
}

void FloodingPeer::Stop() {
    if (listener_ != INVALID_SOCKET) {
        ::closesocket(listener_);  // ends an accept still waiting
        listener_ = INVALID_SOCKET;
    }
    if (accepted_ != INVALID_SOCKET) ::shutdown(accepted_, SD_BOTH);  // ends a waiting recv
    if (thread_) {
        if (WaitForSingleObject(thread_, 10000) != WAIT_OBJECT_0)
            std::fprintf(stderr, "the flooding peer's thread did not end\n");
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (accepted_ != INVALID_SOCKET) ::closesocket(accepted_);
    accepted_ = INVALID_SOCKET;
}

bool AnsweringDevice::Start(int port, int drop_after) {
    drop_after_ = drop_after;
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    return thread_ != nullptr;
}

DWORD WINAPI AnsweringDevice::Run(void* self_pointer) {
    auto* self = static_cast<AnsweringDevice*>(self_pointer);
    char buffer[256];
    int n;
    while ((n = ::recv(self->socket_, buffer, sizeof buffer, 0)) > 0) {
        for (int i = 0; i < n; ++i) {
            if (buffer[i] != '\n') continue;
            ::send(self->socket_, "00GO\r\n", 6, 0);
            if (InterlockedIncrement(&self->frames_) == self->drop_after_) {
                ::shutdown(self->socket_, SD_BOTH);
                return 0;
            }
        }
    }
    return 0;
}

void AnsweringDevice::Stop() {
    if (socket_ != INVALID_SOCKET) ::shutdown(socket_, SD_BOTH);
    if (thread_) {
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

}  // namespace tvx::test
