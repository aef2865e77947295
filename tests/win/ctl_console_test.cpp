// tvx5870ctl.exe in a Japanese console (the test makes one of its own and runs the companion on
// it): the system's reason for a port that cannot be opened reads correctly in the console and
// in --json through a pipe, and the console's code pages and mode are what they were before
// each run.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "winbase/text_win.h"
#include "support/window_driver_win.h"

namespace tvx::test {
namespace {

// What Windows says for an error, as the console and the report should show it.
std::wstring SystemText(DWORD code) {
    wchar_t text[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, 512, nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ')) --n;
    return std::wstring(text, n);
}

HANDLE OpenConsoleHandle(const wchar_t* name) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, OPEN_EXISTING, 0, nullptr);
}

struct CtlRun {
    DWORD exit_code = STILL_ACTIVE;
    std::string out;  // stdout's bytes when it went into a pipe
};

// Runs tvx5870ctl.exe on this process's console: stderr to the console, stdout to the console
// or into a pipe.
CtlRun RunCtl(const std::wstring& arguments, bool stdout_to_pipe) {
    CtlRun run;
    const std::wstring exe = WinePathFromEnv("TVX_CTL");
    HANDLE console_out = OpenConsoleHandle(L"CONOUT$");
    HANDLE console_in = OpenConsoleHandle(L"CONIN$");
    HANDLE read_end = nullptr, write_end = nullptr;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    if (stdout_to_pipe) {
        CreatePipe(&read_end, &write_end, &inherit, 0);
        SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = console_in;
    startup.hStdOutput = stdout_to_pipe ? write_end : console_out;
    startup.hStdError = console_out;
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    if (write_end) CloseHandle(write_end);
    if (started) {
        char chunk[4096];
        DWORD got = 0;
        while (read_end && ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0)
            run.out.append(chunk, got);
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &run.exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (read_end) CloseHandle(read_end);
    CloseHandle(console_in);
    CloseHandle(console_out);
    return run;
}

// Everything on the console's screen, row after row (a line the console wrapped reads on).
std::wstring ConsoleScreen() {
    HANDLE console_out = OpenConsoleHandle(L"CONOUT$");
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(console_out, &info);
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    std::wstring screen(cells, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console_out, screen.data(), cells, COORD{0, 0}, &read);
    screen.resize(read);
    CloseHandle(console_out);
    return screen;
}

bool IsValidUtf8(const std::string& bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

class CtlConsole : public ::testing::Test {
  protected:
    void SetUp() override {
        // A console of the test's own, as a command prompt gives the companion.
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        HANDLE console_out = OpenConsoleHandle(L"CONOUT$");
        GetConsoleMode(console_out, &mode_before);
        CloseHandle(console_out);
        output_cp = GetConsoleOutputCP();
        input_cp = GetConsoleCP();
        ASSERT_EQ(output_cp, 932u) << "a Japanese console (run under ja_JP.UTF-8)";
        reason = SystemText(ERROR_FILE_NOT_FOUND);
        ASSERT_NE(reason.find_first_not_of(
                      L" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                      L"abcdefghijklmnopqrstuvwxyz{|}~"),
                  std::wstring::npos)
            << "the system gives its reasons in Japanese here";
    }
    void TearDown() override { FreeConsole(); }

    // The console as the run found it.
    void ExpectConsoleAsBefore() {
        EXPECT_EQ(GetConsoleOutputCP(), output_cp);
        EXPECT_EQ(GetConsoleCP(), input_cp);
        HANDLE console_out = OpenConsoleHandle(L"CONOUT$");
        DWORD mode = 0;
        GetConsoleMode(console_out, &mode);
        CloseHandle(console_out);
        EXPECT_EQ(mode, mode_before);
    }

    DWORD mode_before = 0;
    UINT output_cp = 0, input_cp = 0;
    std::wstring reason;
};

TEST_F(CtlConsole, AMissingPortsReasonIsValidUtf8InJsonAndTheCodePageStays) {
    const CtlRun run = RunCtl(L"--serial COM9 --json send CWL1", true);
    EXPECT_EQ(run.exit_code, 1u);
    ASSERT_TRUE(IsValidUtf8(run.out)) << run.out;
    const std::wstring report = Utf8ToWide(run.out);
    EXPECT_EQ(report.find(L'\uFFFD'), std::wstring::npos) << run.out;
    EXPECT_NE(report.find(L"\"message\": \"cannot open serial port COM9: " + reason + L"\""),
              std::wstring::npos)
        << run.out;
    ExpectConsoleAsBefore();
}

TEST_F(CtlConsole, TheTableOnTheConsoleShowsTheReasonAsWindowsWordsIt) {
    const CtlRun run = RunCtl(L"--serial COM9 send CWL1", false);
    EXPECT_EQ(run.exit_code, 1u);
    const std::wstring screen = ConsoleScreen();
    EXPECT_NE(screen.find(L"cannot open serial port COM9: " + reason), std::wstring::npos)
        << WideToUtf8(screen);
    ExpectConsoleAsBefore();
}

}  // namespace
}  // namespace tvx::test
