// Files and ini keys in memory, for the unit tests, the Windows tests and the fuzz targets: no
// test input ever touches the disk.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/seams.h"

namespace tvx::test {

// Ini keys in memory, each write recorded; every write fails while fail_writes is set.
struct MemoryIniStore : IniStore {
    std::map<std::string, std::string> values;  // "section/key" -> value
    std::vector<std::string> writes;            // "key=value" in order
    bool fail_writes = false;

    bool ReadKey(std::string_view section, std::string_view key, std::string& value_out) override;
    bool WriteKey(std::string_view section, std::string_view key, std::string_view value) override;
};

// Files in memory; every write fails while fail_writes is set. A folder is the part of a path
// up to its last "/" or backslash; every folder exists. Each write stamps its file with the next
// tick of a clock of its own.
struct MemoryFileSystem : FileSystem {
    std::map<std::string, std::string> files;
    std::map<std::string, std::int64_t> write_times;
    std::int64_t clock = 0;
    bool fail_writes = false;
    bool ReadWholeFile(const std::string& path, std::string& bytes_out) override;
    bool ReplaceFileContents(const std::string& path, std::string_view bytes) override;
    bool FileExists(const std::string& path) override;
    bool FileWriteTime(const std::string& path, std::int64_t& time) override;
    bool FileSize(const std::string& path, std::uint64_t& bytes_out) override;
    bool RemoveFile(const std::string& path) override;
    bool AppendToFile(const std::string& path, std::string_view bytes) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>& names) override;
    bool MakeFolder(const std::string&) override { return true; }
};

}  // namespace tvx::test
