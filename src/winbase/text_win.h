// Text conversions at the edge of the Win32 layer. The core speaks UTF-8 (messages, paths) and
// code page 932 (titles and everything the device, the files and the ini file see); the window
// system speaks UTF-16. Every conversion names its code page, so nothing depends on the system
// code page (the program behaves the same under a Japanese and an English Windows).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tvx {

constexpr UINT kShiftJisCodePage = 932;

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::wstring Cp932ToWide(std::string_view bytes);
// False when a character has no code page 932 form; bytes_out then holds what converted, with
// the default character in place of the rest.
bool WideToCp932(std::wstring_view text, std::string& bytes_out);

// Copies text into a fixed buffer of `size` characters, always terminated, never past the end.
// False when the text had to be cut.
bool CopyBounded(wchar_t* dest, std::size_t size, std::wstring_view text);

// The window's text as UTF-16 (empty for a window without text).
std::wstring WindowTextOf(HWND window);

}  // namespace tvx
