#include "console.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "model/cp932.h"

namespace tvxctl {

namespace {

constexpr std::string_view kUnknownMark = "〓";

}  // namespace

void PrepareConsole() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode)) SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#endif
}

bool ProgressTerminal() {
#ifdef _WIN32
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return _isatty(_fileno(stderr)) && GetConsoleMode(err, &mode) &&
           (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
    return isatty(fileno(stderr)) == 1;
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
