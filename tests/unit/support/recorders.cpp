#include "support/recorders.h"

namespace tvx::test {

void RecordingPrompts::ShowErrorBox(std::string_view text, BoxIcon icon) {
    calls.push_back(std::string(icon == BoxIcon::Stop ? "error(stop): " : "error(exclamation): ") +
                    std::string(text));
}
void RecordingPrompts::ShowSuccessBox(std::string_view text) {
    calls.push_back("success: " + std::string(text));
}
void RecordingPrompts::ShowSetComplete() {
    calls.push_back("set-complete");
}
void RecordingPrompts::ShowAcknowledgement(WindowHandle owner) {
    calls.push_back("ack(owner=" + std::to_string(owner) + ")");
}
bool RecordingPrompts::ConfirmNotAutoSwitching(WindowHandle owner) {
    calls.push_back("confirm-not-auto(owner=" + std::to_string(owner) + ")");
    if (yes_no_answers.empty()) return true;
    bool answer = yes_no_answers.front();
    yes_no_answers.pop_front();
    return answer;
}
bool RecordingPrompts::AskYesNo(std::string_view text, std::string_view caption,
                                WindowHandle owner) {
    const std::string by = owner ? "(owner=" + std::to_string(owner) + ")" : "";
    calls.push_back("ask[" + std::string(caption) + "]" + by + ": " + std::string(text));
    if (yes_no_answers.empty()) return true;
    bool answer = yes_no_answers.front();
    yes_no_answers.pop_front();
    return answer;
}
void RecordingPrompts::ShowPlainBox(std::string_view text, std::string_view caption,
                                    bool icon_stop) {
    calls.push_back(std::string(icon_stop ? "plain(stop)[" : "plain[") + std::string(caption) +
                    "]: " + std::string(text));
}
bool RecordingPrompts::AskFileName(FileDialogKind kind, std::string& path_out) {
    calls.push_back("ask-file(" + std::to_string(static_cast<int>(kind)) + ")");
    if (file_names.empty()) return false;
    path_out = file_names.front();
    file_names.pop_front();
    return true;
}
void RecordingPrompts::PaintGlyphGrid(WindowHandle dialog) {
    calls.push_back("paint-glyph-grid(" + std::to_string(dialog) + ")");
}
void RecordingPrompts::RedrawFileName() {
    calls.push_back("redraw-file-name");
}

void RecordingLink::WriteSerial(const char* bytes, std::size_t length) {
    serial_writes.emplace_back(bytes, length);
}
bool RecordingLink::SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) {
    socket_frames.push_back({socket, std::string(bytes, length)});
    return socket_send_ok;
}
bool RecordingLink::ReceiveAnswer(std::uintptr_t socket) {
    answer_waits.push_back(socket);
    return answer_arrives;
}

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

bool MemoryFileSystem::AppendToFile(const std::string& path, std::string_view bytes) {
    if (fail_writes) return false;
    files[path] += bytes;
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

CoreFixture::CoreFixture() {
    ResetToDefaults(model, app);
    ResetClientSlots(sockets);
}

}  // namespace tvx::test
