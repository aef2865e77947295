// The file system seam on the Windows file API, for the program: UTF-8 paths are turned into
// UTF-16, so every Windows path round-trips whatever the system code page.
#pragma once

#include <string>
#include <string_view>

#include "model/seams.h"

namespace tvx {

struct WinFileSystem : FileSystem {
    WinFileSystem() = default;
    WinFileSystem(const WinFileSystem&) = delete;
    WinFileSystem& operator=(const WinFileSystem&) = delete;
    ~WinFileSystem() override;
    bool ReadWholeFile(const std::string& path, std::string& bytes_out) override;
    // Writes a new file next to path under a short name of its own (CreateFileW with
    // CREATE_NEW, so no other file is ever overwritten), flushes it (FlushFileBuffers) and puts
    // it in place: ReplaceFileW over an existing file (its security and attributes stay), else
    // MoveFileExW. A file held for a moment by another program is tried again for about a
    // second. On failure the new file is deleted and path is left as it was.
    bool ReplaceFileContents(const std::string& path, std::string_view bytes) override;
    bool FileExists(const std::string& path) override;
    // The last write time Windows keeps (FILETIME, 100-nanosecond ticks since 1601).
    bool FileWriteTime(const std::string& path, std::int64_t& time) override;
    bool FileSize(const std::string& path, std::uint64_t& bytes_out) override;
    bool RemoveFile(const std::string& path) override;
    // Writes at the end of the file, which is opened shared (an editor may read it meanwhile);
    // each append reaches the system before it returns. The last few files appended to stay
    // open, so that an entry of the log costs one write; RemoveFile closes its file first. A
    // file held by another program is tried again for a few milliseconds only.
    bool AppendToFile(const std::string& path, std::string_view bytes) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override;
    bool MakeFolder(const std::string& folder) override;

    struct OpenAppend {
        std::wstring path;
        void* handle;  // HANDLE
    };
    std::vector<OpenAppend> appending;  // newest last
};

// UTF-8 to UTF-16; empty for text that is not valid UTF-8.
std::wstring WidePathFromUtf8(const std::string& path);

// The program's folder in the user's local application data: %LOCALAPPDATA%\TVX-5870 (not
// made here); empty when Windows does not name that folder.
std::wstring UserDataFolder();

}  // namespace tvx
