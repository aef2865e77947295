#include "model/remote_hold.h"

#include <cstring>

namespace tvx {

namespace {

template <std::size_t N>
void CopyText(char (&field)[N], std::string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    if (n > 0) std::memcpy(field, text.data(), n);  // an empty view may hold no pointer
    field[n] = '\0';
}

// The remote's own call: nothing the operator does can run in it (one thread).
bool HoldsPrompts(const AppState& app) {
    return app.remote.sending != 0;
}

void KeepMessage(RemoteHold& h, std::string_view text, bool error) {
    if (h.message[0] == '\0' || (error && h.message_is_error == 0)) {
        CopyText(h.message, text);
        h.message_is_error = error ? 1 : 0;
    }
}

}  // namespace

void BeginRemoteHold(AppState& app) {
    RemoteHold& h = app.remote;
    h.held = 1;
    h.end = RemoteWaitEnd::None;
    h.code[0] = '\0';
    h.message[0] = '\0';
    h.message_is_error = 0;
}

void EndRemoteHold(AppState& app) {
    app.remote.held = 0;
}

void SetRemoteRunHold(AppState& app, bool on) {
    app.remote.run = on ? 1 : 0;
}

void SetRemoteSending(AppState& app, bool on) {
    app.remote.sending = on ? 1 : 0;
}

bool RemoteHoldsLink(const AppState& app) {
    return app.remote.held != 0 || app.remote.run != 0;
}

bool RemoteHoldBlocksSend(const AppState& app) {
    return RemoteHoldsLink(app) && app.remote.sending == 0;
}

void RemoteReplyArrived(AppState& app, RemoteWaitEnd how, std::string_view code) {
    if (app.remote.held == 0 || app.remote.end != RemoteWaitEnd::None) return;
    app.remote.end = how;
    CopyText(app.remote.code, code);
}

void RemoteWaitEnded(AppState& app, RemoteWaitEnd how) {
    RemoteReplyArrived(app, how, {});
}

bool RemoteWaitOver(const AppState& app) {
    return app.remote.end != RemoteWaitEnd::None;
}

bool TakeBoxForRemote(AppState& app, std::string_view text, bool error) {
    if (!HoldsPrompts(app)) return false;
    KeepMessage(app.remote, text, error);
    return true;
}

bool TakeReplyBoxForRemote(AppState& app, std::string_view text, bool error) {
    if (!RemoteHoldsLink(app) && !HoldsPrompts(app)) return false;
    KeepMessage(app.remote, text, error);
    return true;
}

void HoldingPrompts::ShowErrorBox(std::string_view text, BoxIcon icon) {
    if (!TakeBoxForRemote(app, text, true)) inner.ShowErrorBox(text, icon);
}

void HoldingPrompts::ShowSuccessBox(std::string_view text) {
    if (!TakeBoxForRemote(app, text, false)) inner.ShowSuccessBox(text);
}

void HoldingPrompts::ShowSetComplete() {
    if (!TakeBoxForRemote(app, "Success", false)) inner.ShowSetComplete();
}

void HoldingPrompts::ShowAcknowledgement(WindowHandle owner) {
    if (!TakeBoxForRemote(app, "Success", false)) inner.ShowAcknowledgement(owner);
}

bool HoldingPrompts::ConfirmNotAutoSwitching(WindowHandle owner) {
    return HoldsPrompts(app) || inner.ConfirmNotAutoSwitching(owner);
}

bool HoldingPrompts::AskYesNo(std::string_view text, std::string_view caption,
                              WindowHandle owner) {
    return !HoldsPrompts(app) && inner.AskYesNo(text, caption, owner);
}

void HoldingPrompts::ShowPlainBox(std::string_view text, std::string_view caption,
                                  bool icon_stop) {
    if (!TakeBoxForRemote(app, text, true)) inner.ShowPlainBox(text, caption, icon_stop);
}

bool HoldingPrompts::AskFileName(FileDialogKind kind, std::string& path_out) {
    return !HoldsPrompts(app) && inner.AskFileName(kind, path_out);
}

}  // namespace tvx
