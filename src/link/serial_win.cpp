/*
 * The RS-232C link.
 *
 * Owns: the COM port handle (opened at start-up, reopened after it was lost, otherwise left to
 * the process end), a few write records with their events and the copies of the frames being
 * written, the read thread with its own record, event, raw buffer and line assembler, and the
 * queue of complete reply lines (protocol/line_queue.h).
 *
 * Threads: OpenSerialPort, WriteSerialPort, DrainSerialLines and the start and stop of the read
 * thread run on the user-interface thread. The read thread only reads the port, assembles lines
 * and appends them to the queue (under its critical section), announcing them with a posted
 * message to the notify window; it never touches the model, the program state or a message
 * box. DrainSerialLines, on the user-interface thread, first ends the wait for a reply when
 * lines have arrived (also while a box opened by an earlier line is open), then runs the reply
 * handling on each line in order, one line at a time. The queue holds far more than any run
 * sends, so the read thread never waits for room. An announcement that was lost (a full
 * message queue) is made again while lines wait unseen.
 *
 * A lost port: a hard read or write error (the USB adapter unplugged or gone in sleep) marks
 * the port lost, under the port lock, and the user is told once, naming the port. The read
 * thread then parks and looks for the port every second; a send also tries to reopen it at
 * once. Reopening closes the old handle and opens and configures a new one under the same
 * name, without the start-up boxes. A write that can neither finish nor be cancelled marks the
 * port lost too; its record is left to the driver and the next write takes another. The
 * communication log hears of the opening, each loss and each reopening on the user-interface
 * thread (the read thread only sets flags and announces); received lines are logged where they
 * are parsed.
 *
 * Reception waits with an overlapped ReadFile and a 2 ms interval time-out instead of an event
 * wait: the read blocks until the first byte and returns after a pause in the data, on Windows
 * and under Wine alike. The line assembler takes the bytes however the reads cut them, so the
 * short interval costs only more reads, and a reply is parsed about 2 ms after its line feed
 * instead of 20 (a remote page switch answers that much sooner).
 */
#include "link/serial_win.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "link/send.h"
#include "protocol/frame_log.h"
#include "protocol/line_assembly.h"
#include "protocol/line_queue.h"
#include "protocol/replies.h"
#include "winbase/program_win.h"

namespace tvx {

namespace {

constexpr DWORD kQueueBytes = 2000;
constexpr DWORD kWriteTimeoutMs = 1000;
constexpr DWORD kCancelWaitMs = 500;
constexpr DWORD kReadIntervalMs = 2;
constexpr DWORD kFailedReadPauseMs = 100;
constexpr DWORD kAnnounceCheckMs = 250;  // how soon a lost announcement is made again
constexpr DWORD kReopenPeriodMs = 1000;  // how often a lost port is looked for
constexpr DWORD kParkWaitMs = 300;       // a send waits this long for the reader to let go
constexpr int kWriteSlots = 4;

// The port. g_port_lock guards the handle, its loss and the reader's parking.
CRITICAL_SECTION g_port_lock;
HANDLE g_port = INVALID_HANDLE_VALUE;
int g_port_index = -1;            // the COM port of start-up, reopened under the same name
bool g_port_lost = false;         // no usable handle: reopened by the reader or the next send
bool g_reader_parked = false;     // the read thread waits for the port to come back
HANDLE g_parked_event = nullptr;  // manual-reset: set while the reader is parked
HANDLE g_resume_event = nullptr;  // auto-reset: look for the port now
volatile LONG g_loss_to_report = 0;
// A loss is told once per outage: after a report, the next loss is told only once the device
// has been heard again. A port that opens again but is still dead (a driver on its way out, a
// pty under Wine) then fails without a second box.
volatile LONG g_loss_reportable = 1;
// Every loss, and a port found again (by either thread), for the log on the user-interface
// thread.
volatile LONG g_loss_to_log = 0;
volatile LONG g_reopen_to_report = 0;

// Writes (user-interface thread only): each in flight keeps its record and its frame.
struct WriteSlot {
    OVERLAPPED record;
    HANDLE event;
    HANDLE port;  // the handle the write went to
    char frame[kLinkBufferBytes];
    bool pending;
    unsigned long order;
};
WriteSlot g_writes[kWriteSlots];
unsigned long g_write_order = 0;

// The read thread.
OVERLAPPED g_read_record = {};
HANDLE g_read_event = nullptr;
HANDLE g_read_thread = nullptr;
HANDLE g_stop_event = nullptr;
volatile LONG g_stop_requested = 0;
HWND g_notify_window = nullptr;
SerialThreadStarter g_thread_starter = nullptr;
SerialAnnouncer g_announcer = nullptr;
UINT g_notify_message = 0;
LineAssembler g_assembler;
char g_raw[kLinkBufferBytes];

// Complete lines waiting for the user-interface thread, and the announcements.
CRITICAL_SECTION g_queue_lock;
SerialLineQueue g_lines;
volatile LONG g_drain_calls = 0;              // DrainSerialLines calls: announcements seen
volatile LONG g_drains_at_announcement = -1;  // g_drain_calls when the last one was made

bool g_locks_ready = false;
bool g_draining = false;
char g_parse_line[kLinkBufferBytes];  // the line being parsed; only the outermost drain uses it

constexpr char kLinesDroppedText[] = "応答が多すぎるため、一部の応答を処理できませんでした。";

void PrepareLocks() {
    if (g_locks_ready) return;
    InitializeCriticalSection(&g_port_lock);
    InitializeCriticalSection(&g_queue_lock);
    g_parked_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_resume_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    for (WriteSlot& slot : g_writes) slot.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_locks_ready = true;
}

struct PortLock {
    PortLock() { EnterCriticalSection(&g_port_lock); }
    ~PortLock() { LeaveCriticalSection(&g_port_lock); }
};

bool StopRequested() {
    return InterlockedCompareExchange(&g_stop_requested, 0, 0) != 0;
}

// Errors after which the port is gone: the device was removed or stopped answering the driver.
// (Under Wine a vanished pty reads as a broken pipe and writes as "not ready", and one opened
// again while it vanishes answers "incorrect function".)
bool IsPortGoneError(DWORD error) {
    switch (error) {
        case ERROR_INVALID_FUNCTION:
        case ERROR_ACCESS_DENIED:
        case ERROR_NOT_READY:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BROKEN_PIPE:
        case ERROR_IO_DEVICE:
        case ERROR_DEVICE_NOT_CONNECTED:
            return true;
        default:
            return false;
    }
}

void Announce() {
    InterlockedExchange(&g_drains_at_announcement,
                        InterlockedCompareExchange(&g_drain_calls, 0, 0));
    if (g_announcer) {
        g_announcer(g_notify_window, g_notify_message, 0, 0);
    } else {
        PostMessageW(g_notify_window, g_notify_message, 0, 0);
    }
}

// Read thread, while it waits: lines (or a lost port) that wait although no drain ran since the
// last announcement mean the announcement was lost.
void AnnounceAgainIfUnseen() {
    EnterCriticalSection(&g_queue_lock);
    bool waiting = HasLines(g_lines) || InterlockedCompareExchange(&g_loss_to_report, 0, 0) != 0;
    LeaveCriticalSection(&g_queue_lock);
    if (waiting && InterlockedCompareExchange(&g_drain_calls, 0, 0) ==
                       InterlockedCompareExchange(&g_drains_at_announcement, 0, 0))
        Announce();
}

// Either thread: the handle failed hard. The first failure of a handle is reported once.
void MarkPortLost(HANDLE port) {
    bool newly = false;
    {
        PortLock lock;
        newly = port == g_port && !g_port_lost;
        if (newly) g_port_lost = true;
    }
    if (!newly) return;
    InterlockedExchange(&g_loss_to_log, 1);
    if (InterlockedExchange(&g_loss_reportable, 0)) InterlockedExchange(&g_loss_to_report, 1);
    if (g_notify_window) Announce();
}

void NotePortAlive() {
    InterlockedExchange(&g_loss_reportable, 1);
}

bool PortMarkedLost() {
    PortLock lock;
    return g_port_lost;
}

void ClearErrorsOf(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status;
    ClearCommError(port, &errors, &status);
}

// The read thread's time-outs: interval only, so a read blocks until the first byte and ends
// after a pause of 2 ms in the data. Writes keep their 1000 ms.
void UseReadTimeouts(HANDLE port) {
    COMMTIMEOUTS timeouts = {kReadIntervalMs, 0, 0, 0, kWriteTimeoutMs};
    SetCommTimeouts(port, &timeouts);
    SetCommMask(port, EV_RXCHAR);
}

// Steps 3 to 6 of the opening: mask, queues, time-outs, line settings. With boxes, each failing
// step shows its own and the next still runs. True when every step succeeded.
bool ConfigurePort(HANDLE port, Prompts* boxes) {
    bool all_ok = true;
    auto failed = [&](const char* text) {
        if (boxes) boxes->ShowErrorBox(text, BoxIcon::Exclamation);
        all_ok = false;
    };
    if (!SetCommMask(port, EV_RXCHAR)) failed("Miss! Mask Set");
    if (!SetupComm(port, kQueueBytes, kQueueBytes)) failed("Miss! Buffer Set");
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, kWriteTimeoutMs};
    if (!SetCommTimeouts(port, &timeouts)) failed("Miss! Time Out Set");
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);  // only the fields below change; a failing read goes unreported
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
    if (!SetCommState(port, &dcb)) failed("Miss! Set Comm State");
    // Bytes left in the driver (or a pty) from an earlier session are not replies to us.
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    return all_ok;
}

HANDLE OpenPortHandle(int index) {
    if (index < 0 || index > 5) return INVALID_HANDLE_VALUE;
    wchar_t name[8];
    std::swprintf(name, 8, L"COM%d", index + 1);
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
}

// Either thread: a lost port opened again, once the reader has let go of the old handle.
// True when the port is usable.
bool TryReopenPort() {
    {
        PortLock lock;
        if (!g_port_lost) return true;
        if (g_read_thread && !g_reader_parked) return false;
        if (g_port != INVALID_HANDLE_VALUE) CloseHandle(g_port);
        g_port = OpenPortHandle(g_port_index);
        if (g_port == INVALID_HANDLE_VALUE) return false;
        // The start-up boxes were shown once; a port that came back is used as it configures.
        ConfigurePort(g_port, nullptr);
        UseReadTimeouts(g_port);
        g_port_lost = false;
        g_reader_parked = false;
        ResetEvent(g_parked_event);
    }
    InterlockedExchange(&g_reopen_to_report, 1);
    if (g_notify_window) Announce();
    return true;
}

std::string PortName(int index) {
    return "COM" + std::to_string(index + 1);
}

// Read thread: the handle to read, or none while the port is lost (the reader parks then).
HANDLE PortForReading() {
    PortLock lock;
    if (!g_port_lost && g_port != INVALID_HANDLE_VALUE) return g_port;
    g_port_lost = true;
    g_reader_parked = true;
    SetEvent(g_parked_event);
    return INVALID_HANDLE_VALUE;
}

// Read thread: appends one line and announces it. The queue never makes the thread wait.
void QueueLine(std::string_view line) {
    EnterCriticalSection(&g_queue_lock);
    PutLine(g_lines, line);
    LeaveCriticalSection(&g_queue_lock);
    Announce();
}

// Read thread: waits for the pending read, announcing again meanwhile when needed; cancels it
// on stop or when the port was found lost by a write.
void WaitForRead(HANDLE port) {
    HANDLE waits[2] = {g_read_event, g_stop_event};
    for (;;) {
        DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kAnnounceCheckMs);
        if (woke == WAIT_OBJECT_0) return;
        if (woke == WAIT_TIMEOUT) {
            AnnounceAgainIfUnseen();
            if (!PortMarkedLost()) continue;
        }
        CancelIoEx(port, &g_read_record);
        return;
    }
}

DWORD WINAPI SerialReadThread(LPVOID) {
    ResetLineAssembler(g_assembler);
    {
        PortLock lock;
        if (!g_port_lost) UseReadTimeouts(g_port);
    }
    while (!StopRequested()) {
        HANDLE port = PortForReading();
        if (port == INVALID_HANDLE_VALUE) {
            // Half a line from before the loss is not the start of the next one.
            ResetLineAssembler(g_assembler);
            HANDLE waits[2] = {g_stop_event, g_resume_event};
            WaitForMultipleObjects(2, waits, FALSE, kReopenPeriodMs);
            AnnounceAgainIfUnseen();
            if (!StopRequested()) TryReopenPort();
            continue;
        }
        std::memset(&g_read_record, 0, sizeof g_read_record);
        g_read_record.hEvent = g_read_event;
        DWORD got = 0;
        DWORD error = 0;
        BOOL ok = ReadFile(port, g_raw, sizeof g_raw, &got, &g_read_record);
        if (!ok) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                WaitForRead(port);
                ok = GetOverlappedResult(port, &g_read_record, &got, TRUE);
                if (!ok) error = GetLastError();
            }
        }
        // An aborted or timed-out read may still have delivered bytes: they are kept.
        if (got > sizeof g_raw) got = sizeof g_raw;
        if (got > 0) {
            NotePortAlive();
            FeedLineAssembler(g_assembler, g_raw, got,
                              [](std::string_view line) { QueueLine(line); });
        }
        if (!ok && IsPortGoneError(error)) {
            MarkPortLost(port);
            continue;
        }
        if (!ok) ClearErrorsOf(port);
        if (got == 0) {
            // Nothing read: a failing port must not spin the thread.
            bool expected = error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT || ok;
            WaitForSingleObject(g_stop_event, expected ? 10 : kFailedReadPauseMs);
        }
    }
    {
        PortLock lock;
        if (!g_port_lost) PurgeComm(g_port, PURGE_RXCLEAR);
        g_reader_parked = false;
        ResetEvent(g_parked_event);
    }
    ResetEvent(g_read_event);
    return 0;
}

// A finished write: a hard error means the port is gone.
void FinishWrite(WriteSlot& slot) {
    DWORD written = 0;
    if (!GetOverlappedResult(slot.port, &slot.record, &written, FALSE) &&
        IsPortGoneError(GetLastError())) {
        MarkPortLost(slot.port);
    }
    slot.pending = false;
}

void ReapWrites() {
    for (WriteSlot& slot : g_writes) {
        if (slot.pending && WaitForSingleObject(slot.event, 0) == WAIT_OBJECT_0) FinishWrite(slot);
    }
}

// A record for the next write. When all are in flight (a device holding the line with XOFF or
// CTS), the oldest is waited for, at most its write time-out, and then cancelled. One that
// cannot be cancelled is left to the driver (its frame stays valid) and the port counts as lost.
WriteSlot* FreeWriteSlot() {
    WriteSlot* oldest = nullptr;
    for (WriteSlot& slot : g_writes) {
        if (!slot.pending) return &slot;
        if (!oldest || slot.order < oldest->order) oldest = &slot;
    }
    if (WaitForSingleObject(oldest->event, kWriteTimeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(oldest->port, &oldest->record);
        if (WaitForSingleObject(oldest->event, kCancelWaitMs) != WAIT_OBJECT_0) {
            oldest->order = ++g_write_order;  // waited for last from now on
            MarkPortLost(oldest->port);
            return nullptr;
        }
    }
    FinishWrite(*oldest);
    return oldest;
}

// User-interface thread: a port lost earlier is tried again now, after the reader let go.
bool PortUsableForWriting() {
    if (!PortMarkedLost()) return true;
    HANDLE reading = INVALID_HANDLE_VALUE;
    bool parked = true;
    {
        PortLock lock;
        reading = g_port;
        parked = g_reader_parked || !g_read_thread;
    }
    if (!parked) {
        CancelIoEx(reading, &g_read_record);
        WaitForSingleObject(g_parked_event, kParkWaitMs);
    }
    if (!TryReopenPort()) return false;
    SetEvent(g_resume_event);  // the parked reader takes the new handle now
    return true;
}

void FinishAllWrites() {
    for (WriteSlot& slot : g_writes) {
        if (!slot.pending) continue;
        if (WaitForSingleObject(slot.event, kWriteTimeoutMs) != WAIT_OBJECT_0) {
            CancelIoEx(slot.port, &slot.record);
            if (WaitForSingleObject(slot.event, kCancelWaitMs) != WAIT_OBJECT_0) continue;
        }
        FinishWrite(slot);
    }
}

}  // namespace

bool OpenSerialPort(CoreContext& c) {
    PrepareLocks();
    std::memset(&g_read_record, 0, sizeof g_read_record);
    if (!g_read_event) g_read_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_port != INVALID_HANDLE_VALUE) CloseSerialPort();

    // The port, exclusive and overlapped; steps 3 to 6 are tried even when it failed.
    const HANDLE port = OpenPortHandle(c.app.com_port_index);
    bool all_ok = port != INVALID_HANDLE_VALUE;
    if (!all_ok) c.prompts.ShowErrorBox("Miss! File Open", BoxIcon::Exclamation);
    all_ok = ConfigurePort(port, &c.prompts) && all_ok;
    {
        PortLock lock;
        g_port = port;
        g_port_index = c.app.com_port_index;
        // A port missing at start (the adapter not plugged in yet) is looked for like a lost one.
        g_port_lost = port == INVALID_HANDLE_VALUE;
        InterlockedExchange(&g_loss_to_report, 0);
        InterlockedExchange(&g_loss_reportable, 1);
        InterlockedExchange(&g_loss_to_log, 0);
        InterlockedExchange(&g_reopen_to_report, 0);
    }
    // Frames name the port they go to, also after the COM port setting changed for the next start.
    c.log_serial_name = PortName(g_port_index);
    LogLinkEvent(c, c.log_serial_name,
                 port == INVALID_HANDLE_VALUE ? "port cannot be opened"
                 : all_ok                     ? "port opened"
                                              : "port opened, not every setting was taken");
    return all_ok;
}

void CloseSerialPort() {
    PrepareLocks();
    FinishAllWrites();
    PortLock lock;
    if (g_port != INVALID_HANDLE_VALUE) CloseHandle(g_port);
    g_port = INVALID_HANDLE_VALUE;
    g_port_lost = false;
}

void WriteSerialPort(const char* bytes, std::size_t length) {
    if (length == 0) return;
    if (length > kLinkBufferBytes) length = kLinkBufferBytes;
    PrepareLocks();
    ReapWrites();
    // A port that cannot be had drops the frame; the no-reply check reports the command.
    if (!PortUsableForWriting()) return;
    WriteSlot* slot = FreeWriteSlot();
    if (!slot) return;
    std::memcpy(slot->frame, bytes, length);
    std::memset(&slot->record, 0, sizeof slot->record);
    slot->record.hEvent = slot->event;
    slot->order = ++g_write_order;
    DWORD error = 0;
    {
        // Under the lock, so that the reader cannot close the handle in between.
        PortLock lock;
        if (g_port_lost) return;
        slot->port = g_port;
        DWORD written = 0;
        // Done at once or pending, its event tells when it is over and a later call reaps it.
        if (WriteFile(g_port, slot->frame, static_cast<DWORD>(length), &written, &slot->record)) {
            slot->pending = true;
            return;
        }
        error = GetLastError();
        slot->pending = error == ERROR_IO_PENDING;
    }
    if (IsPortGoneError(error)) MarkPortLost(slot->port);
}

bool StartSerialReadThread(HWND notify_window, UINT message) {
    PrepareLocks();
    if (g_read_thread) return true;
    if (!g_read_event) g_read_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_stop_event) g_stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_read_event || !g_stop_event || !g_parked_event || !g_resume_event) return false;
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

void SetSerialAnnouncerForTests(SerialAnnouncer announcer) {
    g_announcer = announcer;
}

bool StopSerialReadThread(DWORD timeout_ms) {
    if (!g_read_thread) return true;
    InterlockedExchange(&g_stop_requested, 1);
    SetEvent(g_stop_event);
    const DWORD start = GetTickCount();
    // The thread may be between its check and the next read: cancel until it has ended.
    for (;;) {
        HANDLE port;
        {
            PortLock lock;
            port = g_port;
        }
        CancelIoEx(port, &g_read_record);
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

std::string SerialPortLostText(int com_port_index) {
    return PortName(com_port_index) +
           " との通信ができなくなりました。\nケーブルとUSBアダプタを確認してください。"
           "つなぎ直せば、そのまま通信を再開します。";
}

void DrainSerialLines(CoreContext& c) {
    PrepareLocks();
    InterlockedIncrement(&g_drain_calls);
    // Every line that arrived ends the wait for a reply now, also one that waits behind a box.
    auto take = [&](bool line_too, std::size_t& length) {
        EnterCriticalSection(&g_queue_lock);
        const bool arrived = TakeArrivals(g_lines) != 0;
        const bool got = line_too && TakeLine(g_lines, g_parse_line, length);
        LeaveCriticalSection(&g_queue_lock);
        if (arrived) {
            c.app.awaiting_reply = 0;
            c.app.no_reply_ticks = 0;
        }
        return got;
    };
    std::size_t length = 0;
    // Inside a box opened by a parse of this drain: the outer loop takes the line afterwards.
    if (g_draining) {
        take(false, length);
        return;
    }
    g_draining = true;
    while (take(true, length)) ApplySerialReply(c, std::string_view(g_parse_line, length));
    PostRunPaceTick(c.app);
    EnterCriticalSection(&g_queue_lock);
    const bool dropped = TakeDropped(g_lines) != 0;
    LeaveCriticalSection(&g_queue_lock);
    if (dropped) c.prompts.ShowErrorBox(kLinesDroppedText, BoxIcon::Exclamation);
    if (InterlockedExchange(&g_loss_to_log, 0))
        LogLinkEvent(c, PortName(g_port_index), "port lost");
    if (InterlockedExchange(&g_loss_to_report, 0)) {
        c.prompts.ShowErrorBox(SerialPortLostText(g_port_index), BoxIcon::Exclamation);
    }
    if (InterlockedExchange(&g_reopen_to_report, 0))
        LogLinkEvent(c, PortName(g_port_index), "port reopened");
    g_draining = false;
}

bool SerialRepliesHeldBack() {
    return g_draining;
}

void CheckSerialReplyTimeout(CoreContext& c) {
    const bool draining = g_draining;
    g_draining = true;
    CheckReplyTimeout(c);
    g_draining = draining;
    if (!draining) DrainSerialLines(c);
}

void ClearSerialError() {
    PortLock lock;
    ClearErrorsOf(g_port);
}

}  // namespace tvx
