#include "support/memory_stores.h"

namespace tvx::test {

bool MemoryIniStore::ReadKey(std::string_view section, std::string_view key,
                             std::string& value_out) {
    // The configuration reader asks for a thousand keys; one buffer serves every lookup.
    static thread_local std::string name;
    name.assign(section).append(1, '/').append(key);
    auto it = values.find(name);
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
    write_times[path] = ++clock;
    return true;
}

bool MemoryFileSystem::FileExists(const std::string& path) {
    return files.count(path) != 0;
}

bool MemoryFileSystem::FileWriteTime(const std::string& path, std::int64_t& time) {
    if (files.count(path) == 0) return false;
    time = write_times[path];
    return true;
}

bool MemoryFileSystem::FileSize(const std::string& path, std::uint64_t& bytes_out) {
    const auto found = files.find(path);
    if (found == files.end()) return false;
    bytes_out = found->second.size();
    return true;
}

bool MemoryFileSystem::RemoveFile(const std::string& path) {
    write_times.erase(path);
    return files.erase(path) != 0;
}

bool MemoryFileSystem::AppendToFile(const std::string& path, std::string_view bytes) {
    if (fail_writes) return false;
    files[path] += bytes;
    write_times[path] = ++clock;
    return true;
}

bool MemoryFileSystem::ListFolder(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    for (const auto& [path, bytes] : files) {
        if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) continue;
        const std::string name = path.substr(folder.size());
        if (name.find_first_of("/\\") == std::string::npos) names.push_back(name);
    }
    return true;
}

}  // namespace tvx::test
