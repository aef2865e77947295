// Recording stand-ins for the core's seams: every prompt, every byte given to the link and
// every ini key written is kept in order so that tests can assert exactly what happened.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "model/socket_state.h"
#include "model/context.h"
#include "model/seams.h"
#include "support/memory_stores.h"
#include "model/settings_model.h"

namespace tvx::test {

struct RecordingPrompts : Prompts {
    // Each call as one line, e.g. "error(exclamation): Command Error", "ack", "success: Socket
    // ＯＫ".
    std::vector<std::string> calls;
    std::deque<bool> yes_no_answers;     // answers to AskYesNo / ConfirmNotAutoSwitching
    std::deque<std::string> file_names;  // answers to AskFileName; empty deque = cancel
    std::vector<std::string> offered_names;  // the name each file dialog started on

    void ShowErrorBox(std::string_view text, BoxIcon icon) override;
    void ShowSuccessBox(std::string_view text) override;
    void ShowSetComplete() override;
    void ShowAcknowledgement(WindowHandle owner) override;
    bool ConfirmNotAutoSwitching(WindowHandle owner) override;
    // "ask[caption]: text", or "ask[caption](owner=N): text" for an owned question.
    bool AskYesNo(std::string_view text, std::string_view caption,
                  WindowHandle owner = 0) override;
    void ShowPlainBox(std::string_view text, std::string_view caption, bool icon_stop) override;
    bool AskFileName(FileDialogKind kind, std::string& path_out) override;
    void PaintGlyphGrid(WindowHandle dialog) override;
    void RedrawFileName() override;
};

struct RecordingLink : Link {
    std::vector<std::string> serial_writes;
    struct SocketFrame {
        std::uintptr_t socket;
        std::string bytes;
    };
    std::vector<SocketFrame> socket_frames;
    std::vector<std::uintptr_t> answer_waits;
    bool socket_send_ok = true;
    bool answer_arrives = true;

    void WriteSerial(const char* bytes, std::size_t length) override;
    bool SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) override;
    bool ReceiveAnswer(std::uintptr_t socket) override;
};

// A fresh model (at defaults), state, socket table, recorders and context per test.
struct CoreFixture {
    std::unique_ptr<SettingsModel> model_ptr = std::make_unique<SettingsModel>();
    std::unique_ptr<AppState> app_ptr = std::make_unique<AppState>();
    std::unique_ptr<SocketLinkState> sockets_ptr = std::make_unique<SocketLinkState>();
    RecordingPrompts prompts;
    RecordingLink link;
    SettingsModel& model = *model_ptr;
    AppState& app = *app_ptr;
    SocketLinkState& sockets = *sockets_ptr;
    CoreContext ctx{model, app, sockets, prompts, link};

    CoreFixture();
};

}  // namespace tvx::test
