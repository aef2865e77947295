// The file system seam on top of the C++ library (and POSIX where it is there), for the native
// build: tests and tools. Paths are UTF-8. The Windows program uses file_system_win.h instead.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/seams.h"

namespace tvx {

struct StdFileSystem : FileSystem {
    StdFileSystem();
    ~StdFileSystem() override;
    bool ReadWholeFile(const std::string& path, std::string& bytes_out) override;
    // Writes a new file next to path (same folder, a name no other file has), flushes it to the
    // disk, then renames it over path; on any failure the new file is removed and path is left
    // as it was. An existing file's permission bits are carried over.
    bool ReplaceFileContents(const std::string& path, std::string_view bytes) override;
    bool FileExists(const std::string& path) override;
    // The file system's own clock (std::filesystem::file_time_type), as a count of its ticks.
    bool FileWriteTime(const std::string& path, std::int64_t& time) override;
    bool FileSize(const std::string& path, std::uint64_t& bytes_out) override;
    bool RemoveFile(const std::string& path) override;
    // Each append reaches the operating system before it returns (a log survives a crash of the
    // program); the last few files appended to stay open, so that an entry costs one write.
    bool AppendToFile(const std::string& path, std::string_view bytes) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override;
    bool MakeFolder(const std::string& folder) override;

    struct OpenAppend {
        std::string path;
        std::unique_ptr<std::ofstream> out;
    };
    std::vector<OpenAppend> appending;  // newest last
};

}  // namespace tvx
