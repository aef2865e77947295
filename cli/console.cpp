#include "console.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <iconv.h>
#include <unistd.h>
#endif

namespace tvxctl {

namespace {

constexpr std::string_view kUnknownMark = "〓";

// The lead bytes of a code page 932 double-byte character.
bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

#ifdef _WIN32
// One character (one or two bytes) converted by the system; false when it has no mapping.
bool ConvertCharacter(std::string_view ch, std::string& out) {
    wchar_t wide[4];
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, ch.data(), static_cast<int>(ch.size()),
                                wide, 4);
    if (n <= 0) return false;
    char utf8[16];
    int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr);
    if (m <= 0) return false;
    out.append(utf8, static_cast<std::size_t>(m));
    return true;
}
#else
bool ConvertCharacter(std::string_view ch, std::string& out) {
    static iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char in_buf[2];
    ch.copy(in_buf, ch.size());
    char utf8[16];
    char* in = in_buf;
    char* o = utf8;
    std::size_t in_left = ch.size();
    std::size_t out_left = sizeof utf8;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<std::size_t>(-1) || in_left != 0)
        return false;
    out.append(utf8, sizeof utf8 - out_left);
    return true;
}
#endif

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
        auto b = static_cast<unsigned char>(bytes[i]);
        bool pair = i + 1 < bytes.size();
        if (b < 0x20 && pair) {
            // An external character: a pair below every code page 932 lead byte.
            out += kUnknownMark;
            i += 2;
            continue;
        }
        std::size_t width = IsLeadByte(b) && pair ? 2 : 1;
        if (width == 1 && b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else if (!ConvertCharacter(bytes.substr(i, width), out)) {
            out += kUnknownMark;
        }
        i += width;
    }
    return out;
}

}  // namespace tvxctl
