#include "support/memory_stores.h"

namespace tvx::test {

bool MemoryIniStore::ReadKey(std::string_view section, std::string_view key,
                             std::string& value_out) {
    auto it = values.find(std::string(section) + "/" + std::string(key));
    if (it == values.end()) return false;
    value_out = it->second;
    return true;
}
bool MemoryIniStore::WriteKey(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (fail_writes) return false;
    values[std::string(section) + "/" + std::string(key)] = std::string(value);
    writes.push_back(std::string(key) + "=" + std::string(value));
    return true;
}

bool MemoryFileSystem::ReadWholeFile(const std::string& path, std::string& bytes_out) {
    auto it = files.find(path);
    if (it == files.end()) return false;
    bytes_out = it->second;
    return true;
}

bool MemoryFileSystem::ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (fail_writes) return false;
    files[path] = std::string(bytes);
    return true;
}

bool MemoryFileSystem::FileExists(const std::string& path) {
    return files.count(path) != 0;
}

bool MemoryFileSystem::RemoveFile(const std::string& path) {
    return files.erase(path) != 0;
}

}  // namespace tvx::test
