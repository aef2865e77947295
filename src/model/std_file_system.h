// The file system seam on top of the C++ library (and POSIX where it is there), for the native
// build: tests and tools. Paths are UTF-8. The Windows program uses file_system_win.h instead.
#pragma once

#include <string>
#include <string_view>

#include "model/seams.h"

namespace tvx {

struct StdFileSystem : FileSystem {
    bool ReadWholeFile(const std::string& path, std::string& bytes_out) override;
    // Writes a new file next to path (same folder, a name no other file has), flushes it to the
    // disk, then renames it over path; on any failure the new file is removed and path is left
    // as it was. An existing file's permission bits are carried over.
    bool ReplaceFileContents(const std::string& path, std::string_view bytes) override;
    bool FileExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool AppendToFile(const std::string& path, std::string_view bytes) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override;
    bool MakeFolder(const std::string& folder) override;
};

}  // namespace tvx
