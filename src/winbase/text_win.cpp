// Code page conversions for the Win32 layer: MultiByteToWideChar / WideCharToMultiByte with an
// explicit code page on every call. Pure functions, callable from any thread.
#include "winbase/text_win.h"

namespace tvx {

namespace {

std::wstring ToWide(UINT code_page, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), needed);
    return wide;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) {
    return ToWide(CP_UTF8, text);
}

std::wstring Cp932ToWide(std::string_view bytes) {
    return ToWide(kShiftJisCodePage, bytes);
}

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), needed, nullptr, nullptr);
    return bytes;
}

bool WideToCp932(std::wstring_view text, std::string& bytes_out) {
    bytes_out.clear();
    if (text.empty()) return true;
    const int length = static_cast<int>(text.size());
    // No best fit: a character without a code page 932 form must not turn into a look-alike.
    BOOL used_default = FALSE;
    const int needed = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                           length, nullptr, 0, nullptr, &used_default);
    if (needed <= 0) return false;
    bytes_out.assign(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length,
                        bytes_out.data(), needed, nullptr, &used_default);
    return used_default == FALSE;
}

bool CopyBounded(wchar_t* dest, std::size_t size, std::wstring_view text) {
    if (size == 0) return text.empty();
    const std::size_t count = text.size() < size ? text.size() : size - 1;
    text.copy(dest, count);
    dest[count] = L'\0';
    return count == text.size();
}

std::wstring WindowTextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

}  // namespace tvx
