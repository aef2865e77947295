// A remote request that holds the link: from its send until the device's reply has been applied
// or the program's usual wait has ended (no reply after the no-reply ticks on RS-232C, the
// socket's answer wait on TCP/IP), and a remote run for its whole length. While the link is held
// the boxes the reply handling would show are kept as the request's answer instead, and the
// operator's sends are refused with kRemoteHoldText, so that a reply always belongs to the one
// who sent. The reply handling and the no-reply checks end the wait through the functions below.
#pragma once

#include <string_view>

#include "model/seams.h"
#include "model/settings_model.h"

namespace tvx {

inline constexpr std::string_view kRemoteHoldText =
    "リモート制御の送信が機器の応答を待っています。\n少し待ってからもう一度送ってください。";

// Remote requests hold the link from the user-interface thread only, where the operator's
// dialogs run too.
void BeginRemoteHold(AppState& app);
// The request's answer has been given (or it never waited): the operator may send again.
void EndRemoteHold(AppState& app);
// A remote run (set all, read back) holds the link from its start to its end.
void SetRemoteRunHold(AppState& app, bool on);
// The remote's own call is on: its frames go out, its boxes become its answer.
void SetRemoteSending(AppState& app, bool on);

// True while the link is held by a request or a run.
bool RemoteHoldsLink(const AppState& app);
// True when a send must be refused: the link is held and the sender is not the remote.
bool RemoteHoldBlocksSend(const AppState& app);

// The reply handling and the waits: each ends a held request's wait (the first one counts).
// code: the error code ("E3", "MENU") or the reply's name ("GO", "CWL", "GN").
void RemoteReplyArrived(AppState& app, RemoteWaitEnd how, std::string_view code);
void RemoteWaitEnded(AppState& app, RemoteWaitEnd how);
bool RemoteWaitOver(const AppState& app);

// A box shown during the remote's own call becomes its answer: its text is kept (the first error
// box wins over later ones; a success box is kept only while no error was). True when so.
bool TakeBoxForRemote(AppState& app, std::string_view text, bool error);
// The same for the boxes of the reply handling and the no-reply checks, which belong to the
// remote whenever it holds the link (the operator's sends are refused meanwhile).
bool TakeReplyBoxForRemote(AppState& app, std::string_view text, bool error);

// The program's prompts with the remote in front: during the remote's own call, boxes become its
// answer and the questions answer themselves (the confirmation yes: the caller asked for the
// run; any other question no); otherwise every call goes to the program's own prompts.
struct HoldingPrompts : Prompts {
    HoldingPrompts(Prompts& inner_in, AppState& app_in) : inner(inner_in), app(app_in) {}
    void ShowErrorBox(std::string_view text, BoxIcon icon) override;
    void ShowSuccessBox(std::string_view text) override;
    void ShowSetComplete() override;
    void ShowAcknowledgement(WindowHandle owner) override;
    bool ConfirmNotAutoSwitching(WindowHandle owner) override;
    bool AskYesNo(std::string_view text, std::string_view caption, WindowHandle owner) override;
    void ShowPlainBox(std::string_view text, std::string_view caption, bool icon_stop) override;
    bool AskFileName(FileDialogKind kind, std::string& path_out) override;
    void PaintGlyphGrid(WindowHandle dialog) override { inner.PaintGlyphGrid(dialog); }
    void RedrawFileName() override { inner.RedrawFileName(); }

    Prompts& inner;
    AppState& app;
};

}  // namespace tvx
