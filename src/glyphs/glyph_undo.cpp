#include "glyphs/glyph_undo.h"

#include <cstring>

namespace tvx {

namespace {

GlyphHistory* HistoryOf(GlyphUndo& undo, int glyph) {
    return glyph >= 0 && glyph < kGlyphCount ? &undo.glyphs[glyph] : nullptr;
}

std::string PatternOf(const char* pattern) {
    return std::string(pattern, kGlyphPatternChars);
}

void Push(std::vector<std::string>& steps, std::string pattern) {
    steps.push_back(std::move(pattern));
    if (steps.size() > static_cast<std::size_t>(kUndoSteps)) steps.erase(steps.begin());
}

// Moves the latest pattern of from onto the grid, and the grid's pattern onto to.
bool Step(GlyphHistory& h, std::vector<std::string>& from, std::vector<std::string>& to,
          char* pattern) {
    if (from.empty()) return false;
    Push(to, PatternOf(pattern));
    h.shown = std::move(from.back());
    from.pop_back();
    std::memcpy(pattern, h.shown.data(), kGlyphPatternChars);
    return true;
}

}  // namespace

void ForgetGlyphSteps(GlyphUndo& undo) {
    for (GlyphHistory& h : undo.glyphs) h = GlyphHistory{};
}

void FollowGlyph(GlyphUndo& undo, int glyph, const char* pattern) {
    if (GlyphHistory* h = HistoryOf(undo, glyph)) h->shown = PatternOf(pattern);
}

bool RecordGlyphStep(GlyphUndo& undo, int glyph, const char* pattern) {
    GlyphHistory* h = HistoryOf(undo, glyph);
    if (!h) return false;
    std::string now = PatternOf(pattern);
    if (now == h->shown) return false;
    if (!h->shown.empty()) Push(h->undo, std::move(h->shown));
    h->shown = std::move(now);
    h->redo.clear();
    return true;
}

bool UndoGlyphStep(GlyphUndo& undo, int glyph, char* pattern) {
    GlyphHistory* h = HistoryOf(undo, glyph);
    if (!h) return false;
    RecordGlyphStep(undo, glyph, pattern);
    return Step(*h, h->undo, h->redo, pattern);
}

bool RedoGlyphStep(GlyphUndo& undo, int glyph, char* pattern) {
    GlyphHistory* h = HistoryOf(undo, glyph);
    if (!h) return false;
    // A change made since the undo starts a new line of steps: there is nothing to redo.
    RecordGlyphStep(undo, glyph, pattern);
    return Step(*h, h->redo, h->undo, pattern);
}

bool CanUndoGlyph(const GlyphUndo& undo, int glyph) {
    return glyph >= 0 && glyph < kGlyphCount && !undo.glyphs[glyph].undo.empty();
}

bool CanRedoGlyph(const GlyphUndo& undo, int glyph) {
    return glyph >= 0 && glyph < kGlyphCount && !undo.glyphs[glyph].redo.empty();
}

}  // namespace tvx
