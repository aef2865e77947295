// The editor's undo and redo: for each glyph, the patterns the grid showed before each step (a
// stroke from a press to the release, a clear, an import, a paste, an invert, a read-back), so
// that the steps can be taken back and done again. Kept while the editor is open.
#pragma once

#include <string>
#include <vector>

#include "model/settings_model.h"

namespace tvx {

// Steps kept for each glyph; the oldest goes when a step is added beyond them.
constexpr int kUndoSteps = 100;

struct GlyphHistory {
    std::vector<std::string> undo;  // the patterns before each step, the latest at the back
    std::vector<std::string> redo;  // the patterns of steps taken back, the latest at the back
    std::string shown;              // the pattern after the last step; empty before the first
};

struct GlyphUndo {
    GlyphHistory glyphs[kGlyphCount];
};

// Forgets every step (the editor opens).
void ForgetGlyphSteps(GlyphUndo& undo);
// The grid shows pattern for glyph (the editor opens on it, its number was chosen): the next
// step starts from there.
void FollowGlyph(GlyphUndo& undo, int glyph, const char* pattern);
// A step ended with pattern on the grid: when it differs from the pattern before, that one can
// be taken back, and nothing is left to redo. True when a step was kept.
bool RecordGlyphStep(GlyphUndo& undo, int glyph, const char* pattern);
// Takes the last step back: pattern (the grid, with any change not yet kept as a step kept
// first) becomes the one before it. False when there is nothing to take back.
bool UndoGlyphStep(GlyphUndo& undo, int glyph, char* pattern);
// Does the last step taken back again. False when there is none.
bool RedoGlyphStep(GlyphUndo& undo, int glyph, char* pattern);
bool CanUndoGlyph(const GlyphUndo& undo, int glyph);
bool CanRedoGlyph(const GlyphUndo& undo, int glyph);

}  // namespace tvx
