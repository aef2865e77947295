// What the companion needs of the console and the system beyond standard C++: writing UTF-8
// text so that a Windows console shows it whatever its code page (which is left alone), whether
// stderr takes redrawn progress lines, the system's own words for an error, whether files can
// be created in a folder, and Ctrl+C, Ctrl+Break and the console window's close.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tvxctl {

// For the whole run, from the start of main: on Windows, escape sequences for the progress
// lines on stderr's console and the handler of the console's control events; the console's
// mode is put back at the end. The console's code pages are never changed.
class ConsoleSession {
  public:
    ConsoleSession();
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

  private:
    unsigned long saved_mode_ = 0;
    bool restore_mode_ = false;
};

enum class Stream { Out, Err };
// Writes UTF-8 text: to a Windows console as UTF-16 text (WriteConsoleW), anywhere else (a file,
// a pipe, a terminal) as the UTF-8 bytes.
void Write(Stream stream, std::string_view utf8);

// True when stderr is a terminal that can show redrawn progress lines.
bool ProgressTerminal();

// The system's text for an error code (GetLastError or a Winsock code on Windows, errno
// elsewhere) as UTF-8 without its line end. Windows is asked for it as UTF-16, so that it reads
// correctly whatever the system's code page.
std::string SystemErrorText(int code);

// Whether a new file can be created next to path (in its folder): a probe file is created and
// removed at once. False with the system's reason (a missing folder, no right to write).
bool CanCreateFileBeside(const std::string& path, std::string& reason);

// While a run is on, Ctrl+C, Ctrl+Break and the console window's close (Windows) call
// on_interrupt, from the thread the system calls the handler on; the close then waits (a few
// seconds at most) for InterruptedRunFinished, so that the run ends cleanly. Outside a run they
// end the program as usual. Windows only; elsewhere the runner watches the signals itself.
void SetInterruptHandler(std::function<void()> on_interrupt);
void ClearInterruptHandler();
void InterruptedRunFinished();

#ifdef _WIN32
// UTF-16 text from Windows (arguments, system messages) as UTF-8.
std::string Utf8FromWide(std::wstring_view wide);
#endif

// Code page 932 bytes (a title) as UTF-8, by the core's table. External characters, control
// bytes and bytes that are not code page 932 show as "〓".
std::string Cp932ToUtf8(std::string_view bytes);

}  // namespace tvxctl
