#include "console.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "model/cp932.h"

namespace tvxctl {

namespace {

constexpr std::string_view kUnknownMark = "〓";
// Next to the file to be written; removed at once.
constexpr const char* kProbeSuffix = ".~tvxcheck.tmp";

#ifdef _WIN32

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            n);
    }
    return wide;
}

}  // namespace

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                            n, nullptr, nullptr);
    }
    return utf8;
}

namespace {

HANDLE StreamHandle(Stream stream) {
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

// The handler of the console's control events, set while a run is on.
std::mutex g_interrupt_mutex;
std::function<void()> g_on_interrupt;
HANDLE g_run_finished = nullptr;  // manual-reset event

BOOL WINAPI OnConsoleControl(DWORD type) {
    {
        std::lock_guard<std::mutex> lock(g_interrupt_mutex);
        if (!g_on_interrupt) return FALSE;
        g_on_interrupt();
    }
    // After a close, logoff or shutdown the process ends as soon as this returns: the run
    // closes its lines and writes its report first (Windows allows about five seconds).
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        if (g_run_finished) WaitForSingleObject(g_run_finished, 4500);
    }
    return TRUE;
}

#endif

}  // namespace

ConsoleSession::ConsoleSession() {
#ifdef _WIN32
    HANDLE err = StreamHandle(Stream::Err);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0 &&
        SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
        saved_mode_ = mode;
        restore_mode_ = true;
    }
    g_run_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#endif
}

ConsoleSession::~ConsoleSession() {
#ifdef _WIN32
    if (restore_mode_) SetConsoleMode(StreamHandle(Stream::Err), saved_mode_);
#endif
}

void Write(Stream stream, std::string_view utf8) {
    FILE* file = stream == Stream::Out ? stdout : stderr;
#ifdef _WIN32
    HANDLE handle = StreamHandle(stream);
    DWORD mode = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(file);
        const std::wstring wide = Wide(utf8);
        constexpr std::size_t kChunk = 8192;
        for (std::size_t at = 0; at < wide.size();) {
            std::size_t n = std::min(kChunk, wide.size() - at);
            // A surrogate pair stays whole.
            if (at + n < wide.size() && wide[at + n - 1] >= 0xD800 && wide[at + n - 1] < 0xDC00)
                --n;
            DWORD written = 0;
            if (!WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(n), &written,
                               nullptr) ||
                written == 0) {
                break;
            }
            at += written;
        }
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    std::fflush(file);
}

bool ProgressTerminal() {
#ifdef _WIN32
    HANDLE err = StreamHandle(Stream::Err);
    DWORD mode = 0;
    return _isatty(_fileno(stderr)) && GetConsoleMode(err, &mode) &&
           (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
    return isatty(fileno(stderr)) == 1;
#endif
}

std::string SystemErrorText(int code) {
#ifdef _WIN32
    wchar_t text[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, text, 512, nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ')) --n;
    if (n == 0) return "error " + std::to_string(code);
    return Utf8FromWide(std::wstring_view(text, n));
#else
    return std::generic_category().message(code);
#endif
}

bool CanCreateFileBeside(const std::string& path, std::string& reason) {
    const std::string probe = path + kProbeSuffix;
#ifdef _WIN32
    HANDLE file = CreateFileW(Wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS) return true;  // another run's probe: the folder is there
        reason = SystemErrorText(static_cast<int>(error));
        return false;
    }
    CloseHandle(file);
#else
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return true;
        reason = SystemErrorText(errno);
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
#endif
    return true;
}

void SetInterruptHandler(std::function<void()> on_interrupt) {
#ifdef _WIN32
    std::lock_guard<std::mutex> lock(g_interrupt_mutex);
    g_on_interrupt = std::move(on_interrupt);
#else
    (void)on_interrupt;
#endif
}

void ClearInterruptHandler() {
#ifdef _WIN32
    std::lock_guard<std::mutex> lock(g_interrupt_mutex);
    g_on_interrupt = nullptr;
#endif
}

void InterruptedRunFinished() {
#ifdef _WIN32
    if (g_run_finished) SetEvent(g_run_finished);
#endif
}

std::string Cp932ToUtf8(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 || b == 0x7F) {
            // An external character (a pair below every code page 932 lead byte), or a control
            // byte that must not reach the terminal.
            out += kUnknownMark;
            i += b < 0x20 && i + 1 < bytes.size() ? 2 : 1;
            continue;
        }
        const tvx::DecodedChar ch = tvx::DecodeCp932(bytes.substr(i));
        if (ch.code_point == tvx::kNoCodePoint) {
            out += kUnknownMark;
        } else {
            tvx::AppendUtf8(ch.code_point, out);
        }
        i += ch.length;
    }
    return out;
}

}  // namespace tvxctl
