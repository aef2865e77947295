// Files on the Windows API for the settings, glyph and bitmap files. Used on the user-interface
// thread only. Each call opens and closes its own handles; nothing is kept between calls.
#include "winbase/file_system_win.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

#include "winbase/text_win.h"

namespace tvx {

namespace {

// No file this program reads comes anywhere near this; a bigger one is refused, not loaded.
constexpr LONGLONG kMaxReadBytes = 64LL * 1024 * 1024;
constexpr int kTemporaryNameAttempts = 100;
constexpr int kReplaceAttempts = 11;  // ten pauses: about a second
constexpr DWORD kReplacePauseMs = 100;
constexpr int kAppendAttempts = 3;
constexpr DWORD kAppendPauseMs = 10;

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    // Closes now and tells whether the close succeeded (the last data may be written here).
    bool Close() {
        BOOL ok = CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }
};

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > 1u << 20 ? 1u << 20 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written != chunk) {
            return false;
        }
        bytes.remove_prefix(chunk);
    }
    return true;
}

// A new file in the target's folder, under a short name of its own ("~tvx1a2b.tmp"): a target
// whose path is near the length limit must not fail for its temporary's longer name.
bool CreateTemporaryBeside(const std::wstring& target, std::wstring& temporary, Handle& file) {
    std::size_t slash = target.find_last_of(L"\\/");
    std::wstring folder =
        slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        wchar_t name[16];
        swprintf(name, 16, L"~tvx%04lx.tmp", static_cast<unsigned long>((seed + attempt) & 0xFFFF));
        temporary = folder + name;
        file.h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file.h != INVALID_HANDLE_VALUE) return true;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// A virus scanner, the search indexer or a sync client may hold the new file or the old one
// for a moment after it was written: these refusals pass.
bool MayPassSoon(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_ACCESS_DENIED:
        case ERROR_USER_MAPPED_FILE:
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
            return true;
        default:
            return false;
    }
}

// Puts the written file in the target's place. An existing target is replaced with ReplaceFileW,
// which keeps its security, attributes and streams; a new one is moved there. Refusals that
// may pass soon are tried again for about a second.
bool MoveIntoPlace(const std::wstring& temporary, const std::wstring& target) {
    for (int attempt = 1;; ++attempt) {
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return false;
        }
        // After a replace that could not finish, the target may be gone while the new file
        // still has its own name: the next round moves it.
        const BOOL done = attributes != INVALID_FILE_ATTRIBUTES
                              ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                              : MoveFileExW(temporary.c_str(), target.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (done) return true;
        if (!MayPassSoon(GetLastError()) || attempt >= kReplaceAttempts) return false;
        Sleep(kReplacePauseMs);
    }
}

}  // namespace

std::wstring WidePathFromUtf8(const std::string& path) {
    if (path.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                     static_cast<int>(path.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                        wide.data(), length);
    return wide;
}

std::wstring UserDataFolder() {
    wchar_t local[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)) ||
        local[0] == L'\0') {
        return {};
    }
    return std::wstring(local) + L"\\TVX-5870";
}

bool WinFileSystem::ReadWholeFile(const std::string& path, std::string& bytes_out) {
    std::wstring wide = WidePathFromUtf8(path);
    if (wide.empty()) return false;
    Handle file;
    file.h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file.h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.h, &size) || size.QuadPart < 0 || size.QuadPart > kMaxReadBytes) {
        return false;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(bytes.size() - done);
        if (!ReadFile(file.h, bytes.data() + done, want, &got, nullptr)) return false;
        if (got == 0) break;  // the file became shorter while being read
        done += got;
    }
    bytes.resize(done);
    bytes_out = std::move(bytes);
    return true;
}

bool WinFileSystem::ReplaceFileContents(const std::string& path, std::string_view bytes) {
    std::wstring target = WidePathFromUtf8(path);
    if (target.empty()) return false;
    std::wstring temporary;
    Handle file;
    if (!CreateTemporaryBeside(target, temporary, file)) return false;
    const bool existed = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    bool ok = WriteAll(file.h, bytes) && FlushFileBuffers(file.h) != FALSE;
    ok = file.Close() && ok;
    if (ok) ok = MoveIntoPlace(temporary, target);
    // A replace that removed the old file but could not finish leaves the new one as the only
    // copy: it stays under its temporary name rather than be deleted.
    const bool only_copy =
        ok || (existed && GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES);
    if (!ok && !only_copy) DeleteFileW(temporary.c_str());
    return ok;
}

namespace {

constexpr std::size_t kOpenAppendFiles = 4;

void CloseAppend(std::vector<WinFileSystem::OpenAppend>& appending, const std::wstring& path) {
    for (std::size_t i = 0; i < appending.size(); ++i) {
        if (appending[i].path == path) {
            CloseHandle(appending[i].handle);
            appending.erase(appending.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

HANDLE OpenForAppending(const std::wstring& path) {
    // A program holding the file without sharing it is waited for only briefly: appends come
    // from the user-interface thread, which must not stall.
    for (int attempt = 1;; ++attempt) {
        HANDLE file =
            CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (!held || attempt >= kAppendAttempts) return INVALID_HANDLE_VALUE;
        Sleep(kAppendPauseMs);
    }
}

}  // namespace

bool WinFileSystem::RemoveFile(const std::string& path) {
    std::wstring wide = WidePathFromUtf8(path);
    CloseAppend(appending, wide);
    return !wide.empty() && DeleteFileW(wide.c_str()) != FALSE;
}


WinFileSystem::~WinFileSystem() {
    for (OpenAppend& open : appending) CloseHandle(open.handle);
}

bool WinFileSystem::AppendToFile(const std::string& path, std::string_view bytes) {
    std::wstring wide = WidePathFromUtf8(path);
    if (wide.empty()) return false;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (OpenAppend& open : appending) {
        if (open.path == wide) file = open.handle;
    }
    if (file == INVALID_HANDLE_VALUE) {
        file = OpenForAppending(wide);
        if (file == INVALID_HANDLE_VALUE) return false;
        if (appending.size() >= kOpenAppendFiles) {
            CloseHandle(appending.front().handle);
            appending.erase(appending.begin());
        }
        appending.push_back({wide, file});
    }
    if (WriteAll(file, bytes)) return true;
    CloseAppend(appending, wide);  // opened afresh next time
    return false;
}

bool WinFileSystem::ListFolder(const std::string& folder, std::vector<std::string>& names) {
    std::wstring wide = WidePathFromUtf8(folder);
    if (wide.empty()) return false;
    if (wide.back() != L'\\' && wide.back() != L'/') wide += L'\\';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((wide + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    names.clear();
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(WideToUtf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

bool WinFileSystem::MakeFolder(const std::string& folder) {
    std::wstring wide = WidePathFromUtf8(folder);
    while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
    if (wide.empty()) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // The folder above first ("C:" and "\\\\server\\share" are there or not, never made).
    const std::size_t slash = wide.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0 && wide[slash - 1] != L':' &&
        wide[slash - 1] != L'\\') {
        MakeFolder(WideToUtf8(wide.substr(0, slash)));
    }
    return CreateDirectoryW(wide.c_str(), nullptr) != FALSE ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WinFileSystem::FileExists(const std::string& path) {
    std::wstring wide = WidePathFromUtf8(path);
    return !wide.empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WinFileSystem::FileWriteTime(const std::string& path, std::int64_t& time) {
    std::wstring wide = WidePathFromUtf8(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return false;
    time = static_cast<std::int64_t>(static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime)
                                         << 32 |
                                     data.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool WinFileSystem::FileSize(const std::string& path, std::uint64_t& bytes_out) {
    std::wstring wide = WidePathFromUtf8(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    bytes_out = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return true;
}

}  // namespace tvx
