/*
 * The RS-232C link.
 *
 * Owns: the COM port handle (opened once at start-up, left to the process end), the write
 * record with its event and the copy of the frame being written, the read thread with its own
 * record, event, raw buffer and line assembler, and a fixed queue of complete reply lines.
 *
 * Threads: OpenSerialPort, WriteSerialPort, DrainSerialLines and the start and stop of the read
 * thread run on the user-interface thread. The read thread only reads the port, assembles lines
 * and appends them to the queue (under its critical section), announcing each with a posted
 * message to the notify window; it never touches the model, the program state or a message
 * box. DrainSerialLines, on the user-interface thread, runs ParseSerialReply on each line in
 * order, one line at a time. A full queue makes the read thread wait (the driver keeps the
 * bytes meanwhile) instead of dropping a line.
 *
 * Reception waits with an overlapped ReadFile and a 20 ms interval time-out instead of an event
 * wait: the read blocks until the first byte and returns after a pause in the data, on Windows
 * and under Wine alike.
 */
#include "link/serial_win.h"

#include <cstring>
#include <cwchar>

#include "link/send.h"
#include "protocol/line_assembly.h"
#include "protocol/replies.h"

namespace tvx {

namespace {

constexpr DWORD kQueueBytes = 2000;
constexpr DWORD kWriteTimeoutMs = 1000;
constexpr DWORD kReadIntervalMs = 20;
constexpr DWORD kFailedReadPauseMs = 100;
constexpr int kLineQueueCapacity = 32;

HANDLE g_port = INVALID_HANDLE_VALUE;

// Writes (user-interface thread only).
OVERLAPPED g_write_record = {};
HANDLE g_write_event = nullptr;
char g_write_frame[kLinkBufferBytes];
bool g_write_pending = false;

// The read thread.
OVERLAPPED g_read_record = {};
HANDLE g_read_event = nullptr;
HANDLE g_read_thread = nullptr;
HANDLE g_stop_event = nullptr;
volatile LONG g_stop_requested = 0;
HWND g_notify_window = nullptr;
SerialThreadStarter g_thread_starter = nullptr;
UINT g_notify_message = 0;
LineAssembler g_assembler;
char g_raw[kLinkBufferBytes];

// Complete lines waiting for the user-interface thread.
struct QueuedLine {
    char bytes[kLinkBufferBytes];
    std::size_t length;
};
CRITICAL_SECTION g_queue_lock;
bool g_queue_lock_ready = false;
HANDLE g_queue_space_event = nullptr;  // auto-reset: set when the drain takes a line
QueuedLine g_queue[kLineQueueCapacity];
int g_queue_head = 0;
int g_queue_count = 0;

bool g_draining = false;
QueuedLine g_parse_line;  // the line being parsed; only the outermost drain uses it

void PrepareQueue() {
    if (g_queue_lock_ready) return;
    InitializeCriticalSection(&g_queue_lock);
    g_queue_space_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_queue_lock_ready = true;
}

bool StopRequested() {
    return InterlockedCompareExchange(&g_stop_requested, 0, 0) != 0;
}

// Read thread: appends one line, waiting while the queue is full. False when stopping.
bool QueueLine(std::string_view line) {
    for (;;) {
        EnterCriticalSection(&g_queue_lock);
        if (g_queue_count < kLineQueueCapacity) {
            QueuedLine& slot = g_queue[(g_queue_head + g_queue_count) % kLineQueueCapacity];
            slot.length = line.size() < sizeof slot.bytes ? line.size() : sizeof slot.bytes;
            std::memcpy(slot.bytes, line.data(), slot.length);
            ++g_queue_count;
            LeaveCriticalSection(&g_queue_lock);
            // A lost announcement (full message queue) is caught up by the next one.
            PostMessageW(g_notify_window, g_notify_message, 0, 0);
            return true;
        }
        LeaveCriticalSection(&g_queue_lock);
        HANDLE waits[2] = {g_queue_space_event, g_stop_event};
        WaitForMultipleObjects(2, waits, FALSE, kFailedReadPauseMs);
        if (StopRequested()) return false;
    }
}

bool TakeLine(QueuedLine& out) {
    if (!g_queue_lock_ready) return false;
    EnterCriticalSection(&g_queue_lock);
    bool got = g_queue_count > 0;
    if (got) {
        const QueuedLine& slot = g_queue[g_queue_head];
        out.length = slot.length;
        std::memcpy(out.bytes, slot.bytes, slot.length);
        g_queue_head = (g_queue_head + 1) % kLineQueueCapacity;
        --g_queue_count;
    }
    LeaveCriticalSection(&g_queue_lock);
    if (got) SetEvent(g_queue_space_event);
    return got;
}

DWORD WINAPI SerialReadThread(LPVOID) {
    // Interval time-out only: the read blocks until the first byte and ends after a pause of
    // 20 ms in the data. Writes keep their 1000 ms.
    COMMTIMEOUTS timeouts = {kReadIntervalMs, 0, 0, 0, kWriteTimeoutMs};
    SetCommTimeouts(g_port, &timeouts);
    SetCommMask(g_port, EV_RXCHAR);
    ResetLineAssembler(g_assembler);

    while (!StopRequested()) {
        std::memset(&g_read_record, 0, sizeof g_read_record);
        g_read_record.hEvent = g_read_event;
        DWORD got = 0;
        DWORD error = 0;
        BOOL ok = ReadFile(g_port, g_raw, sizeof g_raw, &got, &g_read_record);
        if (!ok) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                ok = GetOverlappedResult(g_port, &g_read_record, &got, TRUE);
                if (!ok) error = GetLastError();
            }
        }
        // An aborted or timed-out read may still have delivered bytes: they are kept.
        if (got > sizeof g_raw) got = sizeof g_raw;
        bool queued_all = true;
        if (got > 0) {
            FeedLineAssembler(g_assembler, g_raw, got, [&](std::string_view line) {
                if (queued_all) queued_all = QueueLine(line);
            });
        }
        if (!queued_all) break;
        if (!ok) ClearSerialError();
        if (got == 0) {
            // Nothing read: a failing port (or one never opened) must not spin the thread.
            bool expected = error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT || ok;
            WaitForSingleObject(g_stop_event, expected ? 10 : kFailedReadPauseMs);
        }
    }
    PurgeComm(g_port, PURGE_RXCLEAR);
    ResetEvent(g_read_event);
    return 0;
}

// Waits for the previous write so that its record and frame can be reused. False when it could
// not be finished in time (the new frame is then not written).
bool FinishPendingWrite() {
    if (!g_write_pending) return true;
    if (WaitForSingleObject(g_write_event, kWriteTimeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(g_port, &g_write_record);
        if (WaitForSingleObject(g_write_event, kWriteTimeoutMs) != WAIT_OBJECT_0) return false;
    }
    DWORD written = 0;
    GetOverlappedResult(g_port, &g_write_record, &written, FALSE);
    g_write_pending = false;
    return true;
}

void ShowStepFailure(CoreContext& c, const char* text) {
    c.prompts.ShowErrorBox(text, BoxIcon::Exclamation);
}

}  // namespace

bool OpenSerialPort(CoreContext& c) {
    // 1. Both records zeroed, their manual-reset events created once.
    std::memset(&g_write_record, 0, sizeof g_write_record);
    std::memset(&g_read_record, 0, sizeof g_read_record);
    if (!g_write_event) g_write_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_read_event) g_read_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_write_pending = false;
    bool all_ok = true;

    // 2. The port, exclusive and overlapped.
    if (g_port != INVALID_HANDLE_VALUE) CloseSerialPort();
    const int index = c.app.com_port_index;
    if (index >= 0 && index <= 5) {
        wchar_t name[8];
        std::swprintf(name, 8, L"COM%d", index + 1);
        g_port = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
    }
    if (g_port == INVALID_HANDLE_VALUE) {
        ShowStepFailure(c, "Miss! File Open");
        all_ok = false;
    }
    // 3. to 6.: each step is tried even when an earlier one failed.
    if (!SetCommMask(g_port, EV_RXCHAR)) {
        ShowStepFailure(c, "Miss! Mask Set");
        all_ok = false;
    }
    if (!SetupComm(g_port, kQueueBytes, kQueueBytes)) {
        ShowStepFailure(c, "Miss! Buffer Set");
        all_ok = false;
    }
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, kWriteTimeoutMs};
    if (!SetCommTimeouts(g_port, &timeouts)) {
        ShowStepFailure(c, "Miss! Time Out Set");
        all_ok = false;
    }
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(g_port, &dcb);  // only the fields below change; a failing read goes unreported
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = EVENPARITY;
    dcb.fParity = FALSE;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 512;
    dcb.XoffLim = 512;
    if (!SetCommState(g_port, &dcb)) {
        ShowStepFailure(c, "Miss! Set Comm State");
        all_ok = false;
    }
    // Bytes left in the driver (or a pty) from an earlier session are not replies to us.
    PurgeComm(g_port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    return all_ok;
}

void CloseSerialPort() {
    FinishPendingWrite();
    g_write_pending = false;
    if (g_port != INVALID_HANDLE_VALUE) CloseHandle(g_port);
    g_port = INVALID_HANDLE_VALUE;
}

void WriteSerialPort(const char* bytes, std::size_t length) {
    if (length == 0) return;
    if (length > sizeof g_write_frame) length = sizeof g_write_frame;
    if (!FinishPendingWrite()) return;  // the no-reply check reports the lost command
    std::memcpy(g_write_frame, bytes, length);
    std::memset(&g_write_record, 0, sizeof g_write_record);
    g_write_record.hEvent = g_write_event;
    DWORD written = 0;
    if (WriteFile(g_port, g_write_frame, static_cast<DWORD>(length), &written, &g_write_record)) {
        return;
    }
    g_write_pending = GetLastError() == ERROR_IO_PENDING;
}

bool StartSerialReadThread(HWND notify_window, UINT message) {
    PrepareQueue();
    if (g_read_thread) return true;
    if (!g_read_event) g_read_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_stop_event) g_stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_read_event || !g_stop_event || !g_queue_space_event) return false;
    ResetEvent(g_stop_event);
    InterlockedExchange(&g_stop_requested, 0);
    g_notify_window = notify_window;
    g_notify_message = message;
    g_read_thread = g_thread_starter
                        ? g_thread_starter(SerialReadThread)
                        : CreateThread(nullptr, 0, SerialReadThread, nullptr, 0, nullptr);
    return g_read_thread != nullptr;
}

void SetSerialThreadStarterForTests(SerialThreadStarter starter) {
    g_thread_starter = starter;
}

bool StopSerialReadThread(DWORD timeout_ms) {
    if (!g_read_thread) return true;
    InterlockedExchange(&g_stop_requested, 1);
    SetEvent(g_stop_event);
    const DWORD start = GetTickCount();
    // The thread may be between its check and the next read: cancel until it has ended.
    for (;;) {
        CancelIoEx(g_port, &g_read_record);
        if (WaitForSingleObject(g_read_thread, 20) == WAIT_OBJECT_0) break;
        if (GetTickCount() - start >= timeout_ms) return false;
    }
    CloseHandle(g_read_thread);
    g_read_thread = nullptr;
    return true;
}

void StartSerialLink(CoreContext& c, HWND notify_window, UINT message) {
    OpenSerialPort(c);
    if (!StartSerialReadThread(notify_window, message)) {
        c.prompts.ShowErrorBox("error creating read thread", BoxIcon::Exclamation);
    }
}

void StopSerialLink() {
    StopSerialReadThread();
}

void DrainSerialLines(CoreContext& c) {
    // Inside a box opened by a parse of this drain: the outer loop takes the line afterwards.
    if (g_draining) return;
    g_draining = true;
    while (TakeLine(g_parse_line)) {
        ParseSerialReply(c, std::string_view(g_parse_line.bytes, g_parse_line.length));
    }
    g_draining = false;
}

void CheckSerialReplyTimeout(CoreContext& c) {
    const bool draining = g_draining;
    g_draining = true;
    CheckReplyTimeout(c);
    g_draining = draining;
    if (!draining) DrainSerialLines(c);
}

void ClearSerialError() {
    DWORD errors = 0;
    COMSTAT status;
    ClearCommError(g_port, &errors, &status);
}

}  // namespace tvx
