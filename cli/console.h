// What the companion needs of the console beyond standard C++: whether stderr is a terminal that
// takes cursor movement (for the progress lines), and code page 932 text shown as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tvxctl {

// Prepares the console once at start: on Windows, UTF-8 output and escape sequences.
void PrepareConsole();

// True when stderr is a terminal that can show redrawn progress lines.
bool ProgressTerminal();

// Code page 932 bytes (a title) as UTF-8, by the core's table. External characters, control
// bytes and bytes that are not code page 932 show as "〓".
std::string Cp932ToUtf8(std::string_view bytes);

}  // namespace tvxctl
