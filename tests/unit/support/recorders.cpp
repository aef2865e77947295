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
    offered_names.push_back(path_out);
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

CoreFixture::CoreFixture() {
    ResetToDefaults(model, app);
    ResetClientSlots(sockets);
}

}  // namespace tvx::test
