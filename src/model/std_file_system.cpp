#include "model/std_file_system.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#if !defined(_WIN32) && __has_include(<unistd.h>)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#define TVX_POSIX_FILES 1
#endif

namespace tvx {

namespace {

std::filesystem::path PathFromUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// Names for the new file: the target's name with a suffix that no file in the folder has.
std::string TemporaryName(const std::string& path, int attempt) {
    return path + ".~tvx" + std::to_string(attempt) + ".tmp";
}

constexpr int kTemporaryNameAttempts = 100;

}  // namespace

bool StdFileSystem::ReadWholeFile(const std::string& path, std::string& bytes_out) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return false;
    std::string bytes;
    char chunk[8192];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return false;
    bytes_out = std::move(bytes);
    return true;
}

bool StdFileSystem::FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(PathFromUtf8(path), error);
}

bool StdFileSystem::FileWriteTime(const std::string& path, std::int64_t& time) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(PathFromUtf8(path), error);
    if (error) return false;
    time = static_cast<std::int64_t>(written.time_since_epoch().count());
    return true;
}

bool StdFileSystem::FileSize(const std::string& path, std::uint64_t& bytes_out) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), error);
    if (error) return false;
    bytes_out = size;
    return true;
}

StdFileSystem::StdFileSystem() = default;
StdFileSystem::~StdFileSystem() = default;

namespace {

constexpr std::size_t kOpenAppendFiles = 4;

// Forgets (and closes) the open append of a path.
void CloseAppend(std::vector<StdFileSystem::OpenAppend>& appending, const std::string& path) {
    for (std::size_t i = 0; i < appending.size(); ++i) {
        if (appending[i].path == path) {
            appending.erase(appending.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

}  // namespace

bool StdFileSystem::RemoveFile(const std::string& path) {
    CloseAppend(appending, path);
    std::error_code error;
    return std::filesystem::remove(PathFromUtf8(path), error) && !error;
}

bool StdFileSystem::AppendToFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    std::ofstream* out = nullptr;
    for (OpenAppend& open : appending) {
        if (open.path == path) out = open.out.get();
    }
    if (!out) {
        auto opened = std::make_unique<std::ofstream>(PathFromUtf8(path),
                                                      std::ios::binary | std::ios::app);
        if (!*opened) return false;
        if (appending.size() >= kOpenAppendFiles) appending.erase(appending.begin());
        out = opened.get();
        appending.push_back({path, std::move(opened)});
    }
    out->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out->flush();
    if (out->good()) return true;
    CloseAppend(appending, path);  // tried afresh next time
    return false;
}

bool StdFileSystem::ListFolder(const std::string& folder, std::vector<std::string>& names) {
    std::error_code error;
    std::filesystem::directory_iterator it(PathFromUtf8(folder), error);
    if (error) return false;
    names.clear();
    for (const std::filesystem::directory_entry& entry : it) {
        std::error_code type_error;
        if (!entry.is_regular_file(type_error)) continue;
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    return true;
}

bool StdFileSystem::MakeFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(PathFromUtf8(folder), error);
    return std::filesystem::is_directory(PathFromUtf8(folder), error);
}

#if defined(TVX_POSIX_FILES)

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The rename is kept only once the folder's entry is on the disk too; failure here is not
// reported, as the file itself is complete.
void SyncFolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool StdFileSystem::ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = TemporaryName(path, attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    struct stat previous;
    if (::stat(path.c_str(), &previous) == 0 && S_ISREG(previous.st_mode)) {
        ::fchmod(fd, previous.st_mode & 07777);
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

#else

bool StdFileSystem::ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    std::error_code error;
    std::filesystem::path temporary;
    bool created = false;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !created; ++attempt) {
        temporary = PathFromUtf8(TemporaryName(path, attempt));
        created = !std::filesystem::exists(temporary, error);
    }
    if (!created) return false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out.fail()) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, PathFromUtf8(path), error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

#endif

}  // namespace tvx
