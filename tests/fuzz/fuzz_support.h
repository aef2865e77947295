// What every fuzz target shares: a model and state at their defaults per input, seams that record
// nothing and answer "no" (or name the one file in memory), and the checks that must hold
// whatever the input was. The context is one static object copied back from a pristine one per input rather than
// allocated afresh (a target has to get through ten million inputs).
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "fuzz_checks.h"
#include "model/context.h"
#include "model/seams.h"
#include "model/settings_model.h"
#include "model/socket_state.h"

namespace tvx::fuzz {

// The socket table keeps the log's repeated events in strings: it is copied by assignment.
static_assert(std::is_trivially_copyable_v<SettingsModel> &&
                  std::is_trivially_copyable_v<AppState> &&
                  std::is_copy_assignable_v<SocketLinkState>,
              "the context is reset by copying");

struct SilentPrompts : Prompts {
    std::string file_name;  // what the file dialogs answer; empty = cancel
    int boxes = 0;
    void ShowErrorBox(std::string_view, BoxIcon) override { ++boxes; }
    void ShowSuccessBox(std::string_view) override { ++boxes; }
    void ShowSetComplete() override { ++boxes; }
    void ShowAcknowledgement(WindowHandle) override { ++boxes; }
    bool ConfirmNotAutoSwitching(WindowHandle) override { return false; }
    bool AskYesNo(std::string_view, std::string_view, WindowHandle) override { return false; }
    void ShowPlainBox(std::string_view, std::string_view, bool) override { ++boxes; }
    bool AskFileName(FileDialogKind, std::string& path) override {
        if (file_name.empty()) return false;
        path = file_name;
        return true;
    }
};

struct NullLink : Link {
    void WriteSerial(const char*, std::size_t) override {}
    bool SocketSendFrame(std::uintptr_t, const char*, std::size_t) override { return false; }
    bool ReceiveAnswer(std::uintptr_t) override { return false; }
};

// A model at its defaults with the program state of a running program.
struct Context {
    std::unique_ptr<SettingsModel> model = std::make_unique<SettingsModel>();
    std::unique_ptr<AppState> app = std::make_unique<AppState>();
    std::unique_ptr<SocketLinkState> sockets = std::make_unique<SocketLinkState>();
    SilentPrompts prompts;
    NullLink link;
    CoreContext c{*model, *app, *sockets, prompts, link};
    Context() {
        ResetToDefaults(*model, *app);
        ResetClientSlots(*sockets);
    }
    // Back at the state of a fresh Context.
    void Reset(const Context& pristine) {
        *model = *pristine.model;
        *app = *pristine.app;
        *sockets = *pristine.sockets;
        prompts = SilentPrompts{};
    }
};

// The defaults, to reset to and compare with.
inline const Context& Defaults() {
    static const Context pristine;
    return pristine;
}

// The context of one input: the same object every time, reset to the defaults (slots 0 and 1
// for a target that needs two at once).
inline Context& Fresh(int slot = 0) {
    static Context contexts[2];
    contexts[slot].Reset(Defaults());
    return contexts[slot];
}

TVX_FUZZ_CHECK inline bool Terminated(const char* text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] == '\0') return true;
    }
    return false;
}

// What a reply may leave in the model and the state: every bounded field within its range,
// every text field terminated inside its buffer.
TVX_FUZZ_CHECK inline void CheckRepliedModel(const SettingsModel& m, const AppState& app) {
    for (int p = 0; p < kPositionCount; ++p) {
        for (int k = 0; k < kPageCount; ++k) {
            Require(m.page_display_on[p][k] == 0 || m.page_display_on[p][k] == 1, "display flag");
            Require(m.page_switch_seconds[p][k] >= 0 && m.page_switch_seconds[p][k] <= 99,
                    "switch seconds");
            Require(m.page_title_number[p][k] >= 0 && m.page_title_number[p][k] < kTitleCount,
                    "page title number");
        }
        Require(m.display_page[p] >= 0 && m.display_page[p] <= kAutoSwitchPage, "display page");
        Require(m.startup_page[p] >= 0 && m.startup_page[p] <= kAutoSwitchPage, "startup page");
        Require(m.position_offset[p] >= 0 && m.position_offset[p] <= 15, "position offset");
    }
    Require(m.white_level >= 0 && m.white_level <= 3, "white level");
    Require(m.edge_level >= 0 && m.edge_level <= 3, "edge level");
    for (int t = 0; t < kTitleCount; ++t) {
        Require(Terminated(m.title_text[t], kTitleMaxText + 1), "title terminated within 42");
    }
    Require(m.net_subnet_class >= 0 && m.net_subnet_class <= 2, "subnet class");
    Require(m.net_keep_alive == 0 || m.net_keep_alive == 1, "keep alive");
    Require(m.net_time_register >= 0 && m.net_time_register <= 5, "time register");
    Require(Terminated(m.net_port_number, sizeof m.net_port_number), "port text");
    Require(Terminated(m.net_mac_address, sizeof m.net_mac_address), "mac text");
    Require(Terminated(m.net_version, sizeof m.net_version), "version text");
    for (int g = 0; g < kGlyphCount; ++g) {
        for (int i = kGlyphPatternChars; i < kGlyphSlotBytes; ++i) {
            Require(m.glyph_pattern[g][i] == '0', "glyph slot tail");
        }
    }
    Require(app.current_glyph_index >= 0 && app.current_glyph_index < kGlyphCount,
            "current glyph index");
    Require(app.error_reply == 0 || app.error_reply == 1, "error flag");
    Require(app.awaiting_reply == 0, "a parsed line ends the reply wait");
}

}  // namespace tvx::fuzz
