// The rules of the external character editor "外字登録": the edit buffer (the first 256 bytes of
// glyph_receive_buffer) shown as a dot grid, mouse edits copied into the slot of
// current_glyph_index, registration (GR), the read-back of a registered glyph and of a sample
// character (RFBM), the single-glyph text file, patterns put in from a font, a picture or the
// clipboard, and undo and redo. Each operation returns what the window must do; the Win32 side
// draws, captures the mouse and reaches the clipboard.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/glyph_state.h"
#include "model/context.h"
#include "model/seams.h"
#include "pictures/images.h"

namespace tvx {

// "01".."64" at item index 0..63; empty outside.
std::string RegisterNumberItemText(int index);
// The register number combo's item for current_glyph_index, or -1 (none selected).
int RegisterNumberSelection(const AppState& app);
// A selection change: current_glyph_index follows; the edit buffer is not reloaded.
bool OnRegisterNumberSelected(AppState& app, int index);

// Opening: the edit buffer takes the pattern of the slot of current_glyph_index.
void LoadEditBuffer(SettingsModel& model, const AppState& app);

// The mouse rule: at a point of the dialog's client area, set or clear the dot the grid shows
// there (inner 30 x 30 dots only), then copy the edit buffer into the slot of
// current_glyph_index (also when nothing changed). True when the grid must be redrawn.
bool EditDot(SettingsModel& model, const AppState& app, int x, int y, bool set);

enum class MouseButton { Left, Right };
// A press anywhere in the dialog: marks the glyph modified and starts the drag of that button;
// the window captures the mouse. True when the grid must be redrawn.
bool OnEditorButtonDown(CoreContext& c, GlyphState& g, MouseButton button, int x, int y);
// The release of a button ends its drag; the window releases the capture. The stroke, from the
// first press to the last release, is one step.
void OnEditorButtonUp(CoreContext& c, GlyphState& g, MouseButton button);
// A move edits under every dragging button, the clearing one last. True when the grid must be
// redrawn. A drag whose button is no longer held (its release went to another window, as when
// a box took the mouse) ends here instead of drawing on without a button.
bool OnEditorMouseMove(CoreContext& c, GlyphState& g, int x, int y, bool left_held,
                       bool right_held);

// "バッファクリア": asks (owned by the editor) when the glyph was modified, then empties the edit
// buffer and its slot and forgets the text file. True when the grid must be redrawn.
bool ClearEditBuffer(CoreContext& c, GlyphState& g, WindowHandle editor);
// "登録": after ConfirmNotAutoSwitching, GR with the register number and the edit buffer.
void RegisterEditBuffer(CoreContext& c, WindowHandle editor);
// "リード" (1069): RFBM with the glyph code of the register number.
void ReadRegisteredGlyph(CoreContext& c);

// The sample box holds one double-byte character.
constexpr int kSampleBytes = 2;
// The sample box's text changed (code page 932): two bytes or more are the sample character.
void OnSampleTextChanged(GlyphState& g, std::string_view cp932_text);
// The JIS X 0208 code of the sample character, 0x2121 when it is empty or does not convert.
std::uint16_t SampleReadCode(const GlyphState& g);
// "リード" (1075): RFBM with that code.
void ReadSampleGlyph(CoreContext& c, const GlyphState& g);

// Undo and redo. Every stroke, clear, pattern put in, invert and read-back is one step; each
// register number has its own steps, kept while the editor is open. The opening starts them
// (after LoadEditBuffer); a number chosen in the combo takes the grid as it is.
void StartEditorSteps(CoreContext& c, GlyphState& g);
bool OnEditorNumberSelected(CoreContext& c, GlyphState& g, int index);
// A read-back put the device's glyph on the grid: one step, unless a stroke is under way (its
// release then keeps it with the stroke).
void NoteGridReplaced(CoreContext& c, GlyphState& g);
// Whether the grid may be changed as a whole now: not while a glyph read waits for its reply,
// which would overwrite the change, nor during a stroke. The changes below do nothing
// otherwise; they change the grid as a drawn glyph does (glyph_modified, the slot follows) and
// return true when the grid must be redrawn.
bool GridChangeAllowed(const CoreContext& c, const GlyphState& g);
bool UndoEdit(CoreContext& c, GlyphState& g);
bool RedoEdit(CoreContext& c, GlyphState& g);
// A pattern from a font's character, a picture or the clipboard (256 characters).
bool PutPatternInEditor(CoreContext& c, GlyphState& g, std::string_view pattern);
// Every dot the other way round.
bool InvertEditBuffer(CoreContext& c, GlyphState& g);

// "画像から読み込む...": asks for a picture file and decodes it. A file too large or not a
// picture is named in a box, one that cannot be read gives "Can't file open"; false then, and on
// cancel. name_out is the file's name without its folder.
bool ReadPictureFile(CoreContext& c, FileSystem& fs, RgbaImage& picture_out, std::string& name_out);

// Ctrl+V with what the clipboard holds (either may be empty): a pattern text first, else the
// picture through the picture path with the automatic threshold. Nothing usable, or a picture
// that does not decode, is said in a box. True when the grid must be redrawn.
bool PasteIntoEditor(CoreContext& c, GlyphState& g, std::string_view text_utf8,
                     std::string_view dib);
inline constexpr std::string_view kNothingToPasteText =
    "クリップボードには外字にできるもの（256 桁の外字パターン、画像）がありません。";
inline constexpr std::string_view kClipboardPictureName = "クリップボードの画像";

// "Close": the pending read is forgotten and the list becomes active_dialog again. Returns the
// window to repaint (the list).
WindowHandle CloseEditor(AppState& app);

// The single-glyph text file (".txt"). The buttons are in the template but hidden; these are
// what they do when enabled. Open returns true when the grid must be redrawn.
bool OpenGlyphTextFile(CoreContext& c, GlyphState& g, FileSystem& fs);
void SaveGlyphTextFile(CoreContext& c, GlyphState& g, FileSystem& fs);
void SaveGlyphTextFileAs(CoreContext& c, GlyphState& g, FileSystem& fs);

inline constexpr std::string_view kNewGlyphQuestionText = "データを保存せずに新規作成しますか？";
inline constexpr std::string_view kNewGlyphCaptionText = "新規作成";

}  // namespace tvx
