// What the TCP/IP link tests share: the device simulator started as a Unix process from the
// test (Wine runs Unix programs given by a Z: path), free loopback ports, waiting while the
// thread's messages are dispatched, and a Winsock table whose functions can be made to fail.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "link/socket_win.h"
#include "support/serial_support_win.h"  // PumpUntil
#include "support/sim_log.h"

namespace tvx::test {

// One tvx5870-sim process with its own log and output files in the test's work folder.
class SimProcess {
  public:
    ~SimProcess() { Stop(); }
    // Starts the simulator with these arguments (--log is added) and waits for "ready".
    bool Start(const std::string& args);
    // Ends it (SIGTERM by process id) and waits until it is gone.
    void Stop();
    // The port printed for --tcp-listen 0, or 0.
    int ListenPort() const;
    std::vector<SimLogEntry> Log() const { return ReadSimLog(log_win_); }
    const std::wstring& LogPath() const { return log_win_; }
    std::string Output() const;

  private:
    std::string unix_dir_;
    std::wstring log_win_;
    std::wstring out_win_;
    int pid_ = 0;
    int serial_ = 0;
};

// A Windows path for a Unix one (Z: is /).
std::wstring WinPathOf(const std::string& unix_path);
// The whole file, also while another process writes it; false when it cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string& out);
// Runs a Unix command line through /bin/sh, without waiting for it (Wine gives no handle to
// wait on): callers wait for a file the command writes. False when it could not be started.
bool RunShell(const std::string& script);
// A plain client of the test itself, connected to the loopback port; INVALID_SOCKET on failure.
SOCKET RawConnect(int port);
// A loopback port nobody listens on right now.
int FreeTcpPort();
// The log entries of one direction ("rx", "tx", "event").
std::vector<SimLogEntry> EntriesOf(const std::vector<SimLogEntry>& log, const std::string& dir);

// The real Winsock table with single functions replaced by failing stand-ins; the stand-ins
// set the error code they were given and count their calls.
struct FailingWinsock {
    static int startup_calls, cleanup_calls, close_calls;
    static int fail_error;  // what WSAGetLastError reports after a stand-in failed
    static int WSAAPI StartupFails(WORD, LPWSADATA);
    static int WSAAPI StartupGivesVersion2(WORD, LPWSADATA data);
    static int WSAAPI CountingCleanup();
    static SOCKET WSAAPI SocketFails(int, int, int);
    static int WSAAPI AsyncSelectFails(SOCKET, HWND, u_int, long);
    static int WSAAPI ConnectFails(SOCKET, const sockaddr*, int);
    static int WSAAPI ListenFails(SOCKET, int);
    static SOCKET WSAAPI AcceptFails(SOCKET, sockaddr*, int*);
    static int WSAAPI SendFails(SOCKET, const char*, int, int);
    static int WSAAPI SendWouldBlockOnce(SOCKET s, const char* buf, int len, int flags);
    static int WSAAPI SendOneByteAtATime(SOCKET s, const char* buf, int len, int flags);
    static int WSAAPI CountingClose(SOCKET s);
    static int WSAAPI LastError();
    static void Reset();
    static int send_calls;
    static bool would_block_pending;
    static bool stand_in_failed;  // the next WSAGetLastError is fail_error
};

// A device that takes one frame and then sends bytes without a line feed, from its own thread.
class FloodingPeer {
  public:
    ~FloodingPeer() { Stop(); }
    // Listens on a free loopback port; false when it cannot.
    bool Start(int flood_bytes);
    void Stop();
    int port() const { return port_; }
    int received_frames() const { return frames_; }

  private:
    static DWORD WINAPI Run(void* self);
    SOCKET listener_ = INVALID_SOCKET;
    volatile SOCKET accepted_ = INVALID_SOCKET;
    HANDLE thread_ = nullptr;
    int port_ = 0;
    int flood_bytes_ = 0;
    volatile LONG frames_ = 0;
};

// A device of the server role in a thread of the test: connects, answers every frame with
// "00GO" CR LF and closes the connection after its drop_after-th frame.
class AnsweringDevice {
  public:
    ~AnsweringDevice() { Stop(); }
    bool Start(int port, int drop_after);
    void Stop();
    int frames() const { return frames_; }

  private:
    static DWORD WINAPI Run(void* self);
    SOCKET socket_ = INVALID_SOCKET;
    HANDLE thread_ = nullptr;
    int drop_after_ = 0;
    volatile LONG frames_ = 0;
};

}  // namespace tvx::test
