// The title setting dialog: the 144 titles typed in a 42-byte edit, sent one at a time (CT, or
// CN for "Not Memory") or all in a timed run ("全設定" every 1000 ms, "NM全設定" every 600 ms),
// with a preview of the block of eight titles that holds the one being edited.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/frame.h"
#include "model/context.h"
#include "model/settings_model.h"

namespace tvx {

constexpr int kTitleNumberItems = kTitleCount;  // "001".."144", item index = title index
constexpr int kTitleTimerId = 2;                // sequence and preview
constexpr int kTitleSetAllPeriodMs = 1000;
constexpr int kTitleNotMemorySetAllPeriodMs = 600;
constexpr int kTitlePreviewLines = 8;

// What the dialog keeps while it is open.
struct TitleSettingState {
    int title_memory_mode = 1;  // the running sequence sends CT (1) or CN (0)
    char title_staging_buffer[kTitleBytes] = {};
    SendSequence seq;
};

// The title number combo.
std::string TitleNumberItemText(int index);  // "001".."144"; empty outside
// The item to select for selected_title_index, or -1 when it lies outside the titles.
int TitleNumberSelection(const AppState& app);
// A selection change: the edit is to show the new title. False for a missing selection.
bool OnTitleNumberSelected(AppState& app, int index);

// The text of the edit (code page 932) stored as title selected_title_index, at most 43 bytes.
// IBM extension characters are kept in their NEC-selected form, the form the device gives back
// when the title is read, so a typed title and its read-back are the same bytes.
void CopyTitleEditText(CoreContext& c, std::string_view cp932);
// An edit change by the user: the text is copied and the document is modified.
void OnTitleEditChanged(CoreContext& c, std::string_view cp932);
// The dialog put the model's own text into the edit (on opening, on a title number change):
// nothing to copy back (a round trip through the edit could alter bytes it cannot show, such
// as external characters), but it counts as a change of the document.
void OnTitleEditFilled(AppState& app);

// The title edit holds at most 42 bytes of code page 932. A change that would pass the limit
// keeps the text around the change and as much of what was inserted as fits, cut at a
// character boundary. Texts are UTF-16; width gives a character's size in code page 932 bytes
// (1 for a character it cannot hold, which the model keeps as one "?").
struct TitleEditFit {
    bool changed = false;  // text differs from the edit's text: put it back
    std::u16string text;
    std::size_t caret = 0;  // in UTF-16 units, after the kept part of the insertion
};
using Cp932Width = int (*)(char32_t code_point);
constexpr int kTitleEditLimitBytes = kTitleMaxText;
TitleEditFit FitTitleEdit(std::u16string_view before, std::u16string_view after, Cp932Width width,
                          int limit_bytes = kTitleEditLimitBytes);

// "設定" (memory 1, CT) and "Not Memory" (memory 0, CN) for the selected title. Nothing while a
// sequence runs; a title that cannot be sent shows
// "ＪＩＳ第１水準,第２水準以外の字が選択されてます".
void SendSelectedTitle(CoreContext& c, TitleSettingState& s, int memory);

// "全設定" (not_memory false) and "NM全設定" (true): the parameters of the run.
SequenceParams TitleSequenceParams(bool not_memory);
// Call after StartSendSequence said yes: the run sends CT or CN.
void OnTitleSequenceStarted(TitleSettingState& s, const SendSequence& started, bool not_memory);

// One tick of the run. Step k sends title k - 1; a title that cannot be sent shows its box,
// sets error_reply and ends the run in the same tick (error_reply stays set). The percent box
// shows k * 100 / 144 after each step and two blanks once the run has ended by its steps or by
// a title; a tick that finds an error reply ends the run and leaves box and bar as they stood.
struct TitleTickResult {
    TickResult frame;
    bool set_percent = false;
    std::string percent;
};
TitleTickResult OnTitleSequenceTick(CoreContext& c, TitleSettingState& s);

// The preview: eight lines for the block of titles holding selected_title_index. Line i is at
// (20, 10 + 20 i): "T", the number in three digits, two blanks, and the title made 42 bytes
// long with full-width spaces; external characters with first byte 0x10 show as a full-width
// space. Texts are code page 932.
struct TitlePreviewLine {
    int x = 0;
    int y = 0;
    std::string text;
};
std::vector<TitlePreviewLine> TitlePreviewLines(const SettingsModel& model, int selected_title);

}  // namespace tvx
