// What the external character dialogs keep of their own between openings: the list's page,
// the direction of its bulk run, the editor's mouse state, the file names and the insertion
// position; and the editor's undo while it is open. The program holds one for its whole life;
// tests build a fresh one per case.
#pragma once

#include "glyphs/glyph_undo.h"
#include "model/settings_model.h"

namespace tvx {

struct GlyphState {
    int glyph_list_page = 0;        // 0..3: glyphs 16 * page + 1 .. 16 * page + 16
    int glyph_bulk_register = 0;    // direction of the list's bulk run: 1 = register, 0 = read
    int glyph_modified = 0;         // a mouse press in the editor since the last confirmed clear
    int set_drag_active = 0;        // the left button is held after a press in the editor
    int clear_drag_active = 0;      // the right button is held after a press in the editor
    int glyph_insert_position = 0;  // 0..20, shown and sent as 01..21
    char sample_character[4] = {};  // code page 932, at most two bytes, or empty
    char glyph_file_name[kPathBytes] = {};       // UTF-8 path of the glyph file, or empty
    char glyph_text_file_name[kPathBytes] = {};  // UTF-8 path of the single-glyph text file
    char bmp_export_path[kPathBytes] = {};       // UTF-8 path of the last bitmap export
    bool bulk_tick_busy = false;  // a box opened by a tick must not let the next tick run in it
    GlyphUndo undo;               // the editor's steps, while it is open
};

}  // namespace tvx
