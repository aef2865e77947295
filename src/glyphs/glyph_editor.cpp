#include "glyphs/glyph_editor.h"

#include <cstring>

#include "dialogs/frame.h"
#include "glyphs/glyph_files.h"
#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_sources.h"
#include "link/send.h"
#include "model/file_commands.h"
#include "protocol/commands.h"
#include "protocol/encodings.h"
#include "protocol/sjis.h"

namespace tvx {

namespace {

constexpr std::uint16_t kIdeographicSpace = 0x2121;

bool ValidSlot(int g) {
    return g >= 0 && g < kGlyphCount;
}

// The model always holds what the grid shows.
void CopyBufferToSlot(SettingsModel& model, const AppState& app) {
    if (!ValidSlot(app.current_glyph_index)) return;
    std::memcpy(model.glyph_pattern[app.current_glyph_index], model.glyph_receive_buffer,
                kGlyphPatternChars);
}

PathField TextFilePath(GlyphState& g) {
    return {g.glyph_text_file_name, sizeof g.glyph_text_file_name};
}

// A stroke is under way while either button is held after a press.
bool Stroking(const GlyphState& g) {
    return g.set_drag_active == 1 || g.clear_drag_active == 1;
}

void KeepStep(CoreContext& c, GlyphState& g) {
    RecordGlyphStep(g.undo, c.app.current_glyph_index, c.model.glyph_receive_buffer);
}

// A change the editor made to the whole grid: the slot follows and the glyph counts as drawn.
void TakeGridChange(CoreContext& c, GlyphState& g) {
    CopyBufferToSlot(c.model, c.app);
    g.glyph_modified = 1;
    KeepStep(c, g);
}

// Both read buttons: refused without a link, ignored while a read waits for its reply.
void SendGlyphRead(CoreContext& c, std::uint16_t code) {
    if (!ReadAddressAllowed(c)) return;
    if (!IsLinkReady(c.app)) {
        c.prompts.ShowErrorBox(kNoSocketText, BoxIcon::Stop);
        return;
    }
    if (c.app.glyph_read_pending == 1) return;
    c.app.glyph_read_pending = 1;
    SendCommand(c, BuildReadGlyphCommand(code));
}

}  // namespace

std::string RegisterNumberItemText(int index) {
    if (index < 0 || index >= kRegisterNumbers) return {};
    char digits[2];
    FormatTwoDigits(index + 1, digits);
    return std::string(digits, 2);
}

int RegisterNumberSelection(const AppState& app) {
    const int g = app.current_glyph_index;
    return g >= 0 && g < kRegisterNumbers ? g : -1;
}

bool OnRegisterNumberSelected(AppState& app, int index) {
    if (index < 0 || index >= kRegisterNumbers) return false;
    app.current_glyph_index = index;
    return true;
}

void LoadEditBuffer(SettingsModel& model, const AppState& app) {
    if (!ValidSlot(app.current_glyph_index)) return;
    std::memcpy(model.glyph_receive_buffer, model.glyph_pattern[app.current_glyph_index],
                kGlyphPatternChars);
}

bool EditDot(SettingsModel& model, const AppState& app, int x, int y, bool set) {
    int column = 0;
    int row = 0;
    if (!GridDotAt(x, y, column, row)) return false;
    const bool changed = SetDot(model.glyph_receive_buffer, column, row, set);
    CopyBufferToSlot(model, app);
    return changed;
}

bool OnEditorButtonDown(CoreContext& c, GlyphState& g, MouseButton button, int x, int y) {
    const bool set = button == MouseButton::Left;
    const bool redraw = EditDot(c.model, c.app, x, y, set);
    (set ? g.set_drag_active : g.clear_drag_active) = 1;
    g.glyph_modified = 1;
    return redraw;
}

void OnEditorButtonUp(CoreContext& c, GlyphState& g, MouseButton button) {
    (button == MouseButton::Left ? g.set_drag_active : g.clear_drag_active) = 0;
    if (!Stroking(g)) KeepStep(c, g);
}

bool OnEditorMouseMove(CoreContext& c, GlyphState& g, int x, int y, bool left_held,
                       bool right_held) {
    const bool stroking = Stroking(g);
    if (!left_held) g.set_drag_active = 0;
    if (!right_held) g.clear_drag_active = 0;
    if (stroking && !Stroking(g)) KeepStep(c, g);
    bool redraw = false;
    if (g.set_drag_active == 1) redraw = EditDot(c.model, c.app, x, y, true) || redraw;
    // With both buttons held the dot ends up clear.
    if (g.clear_drag_active == 1) redraw = EditDot(c.model, c.app, x, y, false) || redraw;
    return redraw;
}

bool ClearEditBuffer(CoreContext& c, GlyphState& g, WindowHandle editor) {
    if (c.app.glyph_read_pending == 1) return false;
    const bool asked = g.glyph_modified == 1;
    if (asked && !c.prompts.AskYesNo(kNewGlyphQuestionText, kNewGlyphCaptionText, editor))
        return false;
    std::memset(c.model.glyph_receive_buffer, '0', kGlyphPatternChars);
    c.model.glyph_receive_buffer[kGlyphPatternChars] = '\0';
    g.glyph_text_file_name[0] = '\0';
    if (asked) g.glyph_modified = 0;
    CopyBufferToSlot(c.model, c.app);
    KeepStep(c, g);
    return true;
}

void RegisterEditBuffer(CoreContext& c, WindowHandle editor) {
    if (!c.prompts.ConfirmNotAutoSwitching(editor)) return;
    // The pattern on the grid goes out, under the number chosen now.
    SendCommand(c,
                BuildGlyphRegisterCommand(c.app.current_glyph_index, c.model.glyph_receive_buffer));
}

void ReadRegisteredGlyph(CoreContext& c) {
    if (!ValidSlot(c.app.current_glyph_index)) return;
    SendGlyphRead(c, glyph_code(c.app.current_glyph_index));
}

void OnSampleTextChanged(GlyphState& g, std::string_view cp932_text) {
    std::memset(g.sample_character, 0, sizeof g.sample_character);
    if (cp932_text.size() < 2) return;
    const std::size_t n = cp932_text.size() < 3 ? cp932_text.size() : 3;
    std::memcpy(g.sample_character, cp932_text.data(), n);
}

std::uint16_t SampleReadCode(const GlyphState& g) {
    std::uint32_t code = 0;
    if (g.sample_character[0] != '\0') {
        code = static_cast<unsigned char>(g.sample_character[0]) << 8 |
               static_cast<unsigned char>(g.sample_character[1]);
    }
    // IBM extension characters are asked for by their NEC-selected equivalents.
    const std::uint16_t jis = SjisToJis(ReplaceIbmExtension(code));
    return jis != 0 ? jis : kIdeographicSpace;
}

void ReadSampleGlyph(CoreContext& c, const GlyphState& g) {
    SendGlyphRead(c, SampleReadCode(g));
}

bool GridChangeAllowed(const CoreContext& c, const GlyphState& g) {
    return c.app.glyph_read_pending == 0 && !Stroking(g) && ValidSlot(c.app.current_glyph_index);
}

void StartEditorSteps(CoreContext& c, GlyphState& g) {
    ForgetGlyphSteps(g.undo);
    FollowGlyph(g.undo, c.app.current_glyph_index, c.model.glyph_receive_buffer);
}

bool OnEditorNumberSelected(CoreContext& c, GlyphState& g, int index) {
    // A change not yet kept (a read-back during a stroke) stays with the number it came under.
    if (!Stroking(g)) KeepStep(c, g);
    if (!OnRegisterNumberSelected(c.app, index)) return false;
    FollowGlyph(g.undo, index, c.model.glyph_receive_buffer);
    return true;
}

void NoteGridReplaced(CoreContext& c, GlyphState& g) {
    if (!Stroking(g)) KeepStep(c, g);
}

namespace {

// Undo or redo: the grid becomes the pattern of the step taken.
bool TakeStep(CoreContext& c, GlyphState& g, bool (*step)(GlyphUndo&, int, char*)) {
    if (!GridChangeAllowed(c, g) ||
        !step(g.undo, c.app.current_glyph_index, c.model.glyph_receive_buffer)) {
        return false;
    }
    TakeGridChange(c, g);
    return true;
}

}  // namespace

bool UndoEdit(CoreContext& c, GlyphState& g) {
    return TakeStep(c, g, UndoGlyphStep);
}

bool RedoEdit(CoreContext& c, GlyphState& g) {
    return TakeStep(c, g, RedoGlyphStep);
}

bool PutPatternInEditor(CoreContext& c, GlyphState& g, std::string_view pattern) {
    if (!GridChangeAllowed(c, g) || pattern.size() != kGlyphPatternChars) return false;
    std::memcpy(c.model.glyph_receive_buffer, pattern.data(), kGlyphPatternChars);
    TakeGridChange(c, g);
    return true;
}

bool InvertEditBuffer(CoreContext& c, GlyphState& g) {
    if (!GridChangeAllowed(c, g)) return false;
    for (int i = 0; i < kGlyphPatternChars; ++i) {
        char& ch = c.model.glyph_receive_buffer[i];
        ch = PatternValueChar(~PatternCharValue(ch));
    }
    TakeGridChange(c, g);
    return true;
}

bool ReadPictureFile(CoreContext& c, FileSystem& fs, RgbaImage& picture_out,
                     std::string& name_out) {
    std::string path;
    if (!c.prompts.AskFileName(FileDialogKind::OpenPicture, path)) return false;
    const std::size_t separator = path.find_last_of("/\\");
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    std::uint64_t size = 0;
    std::string bytes;
    PictureProblem problem = PictureProblem::None;
    if (fs.FileSize(path, size) && size > kMaxPictureFileBytes) {
        problem = PictureProblem::FileTooLarge;
    } else if (!fs.ReadWholeFile(path, bytes)) {
        c.prompts.ShowErrorBox(kCantFileOpenText, BoxIcon::Exclamation);
        return false;
    } else {
        problem = DecodePicture(bytes, picture_out);
    }
    if (problem != PictureProblem::None) {
        c.prompts.ShowErrorBox(PictureProblemText(problem, name), BoxIcon::Exclamation);
        return false;
    }
    name_out = name;
    return true;
}

bool PasteIntoEditor(CoreContext& c, GlyphState& g, std::string_view text_utf8,
                     std::string_view dib) {
    if (!GridChangeAllowed(c, g)) return false;
    std::string pattern;
    if (PatternOfText(text_utf8, pattern)) return PutPatternInEditor(c, g, pattern);
    if (dib.empty()) {
        c.prompts.ShowErrorBox(kNothingToPasteText, BoxIcon::Exclamation);
        return false;
    }
    std::string file;
    RgbaImage picture;
    const PictureProblem problem =
        BitmapFileOfDib(dib, file) ? DecodePicture(file, picture) : PictureProblem::NotAPicture;
    if (problem != PictureProblem::None) {
        c.prompts.ShowErrorBox(PictureProblemText(problem, kClipboardPictureName),
                               BoxIcon::Exclamation);
        return false;
    }
    return PutPatternInEditor(c, g, GlyphOfPicture(picture, kAutomaticThreshold, false).pattern);
}

WindowHandle CloseEditor(AppState& app) {
    app.glyph_read_pending = 0;
    // Socket answers go to the list again.
    app.active_dialog = app.reply_owner_window;
    return app.reply_owner_window;
}

bool OpenGlyphTextFile(CoreContext& c, GlyphState& g, FileSystem& fs) {
    if (c.app.glyph_read_pending == 1 || c.app.sequence_running != 0) return false;
    if (!MayDropChanges(c, kAskOpenText)) return false;
    std::string bytes;
    char chosen[kPathBytes] = {};
    if (!OpenChosenFile(c, fs, FileDialogKind::OpenGlyphText, {chosen, sizeof chosen}, bytes)) {
        return false;
    }
    // A file that is no whole glyph leaves the grid and the name as they are.
    GlyphFileProblem problem;
    if (FindPatternFileProblem(bytes, 1, problem)) {
        c.prompts.ShowErrorBox(GlyphFileProblemText(chosen, problem), BoxIcon::Exclamation);
        return false;
    }
    std::memcpy(g.glyph_text_file_name, chosen, sizeof chosen);
    // The slot follows the grid at the next edit.
    ReadPatternChars(bytes, c.model.glyph_receive_buffer, kGlyphPatternChars);
    return true;
}

void SaveGlyphTextFile(CoreContext& c, GlyphState& g, FileSystem& fs) {
    if (c.app.glyph_read_pending == 1) return;
    SaveToNamedFile(c, fs, TextFilePath(g),
                    PatternLines(c.model.glyph_receive_buffer, kGlyphPatternChars), BoxIcon::Stop);
}

void SaveGlyphTextFileAs(CoreContext& c, GlyphState& g, FileSystem& fs) {
    if (c.app.glyph_read_pending == 1) return;
    SaveToChosenFile(c, fs, FileDialogKind::SaveGlyphText, TextFilePath(g),
                     PatternLines(c.model.glyph_receive_buffer, kGlyphPatternChars), BoxIcon::Stop);
}

}  // namespace tvx
