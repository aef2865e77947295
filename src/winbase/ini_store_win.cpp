// The configuration file through GetPrivateProfileStringW / WritePrivateProfileStringW and the
// section functions. Used on the user-interface thread only; the stores of ConfigurationIniStore()
// are function statics that live until the process ends.
#include "winbase/ini_store_win.h"

#include <windows.h>
#include <shlobj.h>

#include "winbase/text_win.h"
#include "model/config.h"
#include "model/fallback_ini_store.h"

namespace tvx {

namespace {

// Given as the default to tell an absent key from an empty value; no stored value holds it.
constexpr wchar_t kAbsent[] = L"\x01\x02\x03";

// A value that has no code page 932 form keeps the default character in its place.
std::string Narrow(std::wstring_view text) {
    std::string narrow;
    WideToCp932(text, narrow);
    return narrow;
}

// The folder part of a full path, created when missing (one level: %APPDATA% itself exists).
bool EnsureFolderOf(const std::wstring& file) {
    std::size_t slash = file.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return true;
    std::wstring folder = file.substr(0, slash);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

bool FileExistsW(const std::wstring& file) {
    return !file.empty() && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool WinProfileStore::ReadKey(std::string_view section, std::string_view key,
                              std::string& value_out) {
    if (file.empty()) return false;
    std::wstring wide_section = Cp932ToWide(section);
    std::wstring wide_key = Cp932ToWide(key);
    std::wstring buffer(256, L'\0');
    for (;;) {
        DWORD length =
            GetPrivateProfileStringW(wide_section.c_str(), wide_key.c_str(), kAbsent, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), file.c_str());
        // A value that fills the buffer may have been cut: try again with more room.
        if (length + 1 < buffer.size() || buffer.size() >= 65536) {
            buffer.resize(length);
            break;
        }
        buffer.assign(buffer.size() * 4, L'\0');
    }
    if (buffer == kAbsent) return false;
    value_out = Narrow(buffer);
    return true;
}

bool WinProfileStore::WriteKey(std::string_view section, std::string_view key,
                               std::string_view value) {
    if (file.empty()) return false;
    if (create_folder_on_write && !EnsureFolderOf(file)) return false;
    return WritePrivateProfileStringW(Cp932ToWide(section).c_str(), Cp932ToWide(key).c_str(),
                                      Cp932ToWide(value).c_str(), file.c_str()) != FALSE;
}

bool WinProfileStore::ReadSection(std::string_view section, std::vector<IniEntry>& entries_out) {
    entries_out.clear();
    if (file.empty()) return false;
    std::wstring wide_section = Cp932ToWide(section);
    std::wstring buffer(4096, L'\0');
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileSectionW(wide_section.c_str(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()), file.c_str());
        // size - 2 means the list did not fit.
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 20)) break;
        buffer.assign(buffer.size() * 4, L'\0');
    }
    if (length == 0) return false;
    // "key=value" strings, each ended by a NUL.
    std::size_t pos = 0;
    while (pos < length) {
        std::wstring_view line(buffer.data() + pos);
        pos += line.size() + 1;
        std::string text = Narrow(line);
        std::size_t equals = text.find('=');
        std::string_view name = TrimBlanks(std::string_view(text).substr(0, equals));
        if (equals == std::string::npos || name.empty() || name.front() == ';') continue;
        entries_out.push_back({std::string(name),
                               std::string(TrimBlanks(std::string_view(text).substr(equals + 1)))});
    }
    return true;
}

bool WinProfileStore::WriteSection(std::string_view section, const std::vector<IniEntry>& entries) {
    if (file.empty()) return false;
    if (create_folder_on_write && !EnsureFolderOf(file)) return false;
    // "key=value\0key=value\0\0"; the string's own terminator gives the last NUL.
    std::wstring block;
    for (const IniEntry& entry : entries) {
        block += Cp932ToWide(entry.key);
        block += L'=';
        block += Cp932ToWide(entry.value);
        block += L'\0';
    }
    if (entries.empty()) block += L'\0';
    return WritePrivateProfileSectionW(Cp932ToWide(section).c_str(), block.c_str(), file.c_str()) !=
           FALSE;
}

std::wstring UserIniPath() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        folder[0] == L'\0') {
        return {};
    }
    return std::wstring(folder) + L"\\TVX-5870\\" + Cp932ToWide(kConfigFileName);
}

std::wstring WindowsFolderIniPath() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(folder) + L"\\" + Cp932ToWide(kConfigFileName);
}

std::wstring VirtualStoreIniPath() {
    wchar_t local[MAX_PATH] = {};
    std::wstring windows_file = WindowsFolderIniPath();
    // "C:\Windows\tvx5870.ini" is kept as "<local app data>\VirtualStore\Windows\tvx5870.ini".
    if (windows_file.size() < 3 || windows_file[1] != L':' ||
        FAILED(
            SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)) ||
        local[0] == L'\0') {
        return {};
    }
    return std::wstring(local) + L"\\VirtualStore" + windows_file.substr(2);
}

IniStore& ConfigurationIniStore() {
    static WinProfileStore shared(Cp932ToWide(kConfigFileName));
    static WinProfileStore user(UserIniPath(), true);
    static WinProfileStore virtual_store(VirtualStoreIniPath());
    static FallbackIniStore store = [] {
        FallbackIniStore made(shared, user, FileExistsW(user.file));
        if (!made.using_user_file && !FileExistsW(WindowsFolderIniPath()) &&
            FileExistsW(virtual_store.file)) {
            made.ReadFromVirtualStore(virtual_store);
        }
        return made;
    }();
    return store;
}

}  // namespace tvx
