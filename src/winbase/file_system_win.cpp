// Files on the Windows API for the settings, glyph and bitmap files. Used on the user-interface
// thread only. Each call opens and closes its own handles; nothing is kept between calls.
#include "winbase/file_system_win.h"

#include <windows.h>

namespace tvx {

namespace {

// No file this program reads comes anywhere near this; a bigger one is refused, not loaded.
constexpr LONGLONG kMaxReadBytes = 64LL * 1024 * 1024;
constexpr int kTemporaryNameAttempts = 100;

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
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        temporary = target + L".~tvx" + std::to_wstring(attempt) + L".tmp";
        file.h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file.h != INVALID_HANDLE_VALUE) break;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    if (file.h == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file.h, bytes) && FlushFileBuffers(file.h) != FALSE;
    ok = file.Close() && ok;
    if (ok) {
        ok = MoveFileExW(temporary.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    if (!ok) DeleteFileW(temporary.c_str());
    return ok;
}

bool WinFileSystem::FileExists(const std::string& path) {
    std::wstring wide = WidePathFromUtf8(path);
    return !wide.empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace tvx
