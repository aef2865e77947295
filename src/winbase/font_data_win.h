// The installed fonts, by name, and the bytes of one of them: GDI hands a font file's bytes to the
// portable font pieces (pictures/font_face.h), so that a font chosen by name in a dialog draws
// exactly as the same file does in tvx5870ctl and the tests.
#pragma once

#include <string>
#include <vector>

namespace tvx {

// The installed fonts' face names, Japanese ones (SHIFTJIS_CHARSET) first, no '@' vertical faces.
std::vector<std::wstring> InstalledFontNames();

// The bytes of the installed font with this face name, and the face's index in them: a face of a
// .ttc collection comes with the whole collection (GetFontData with 'ttcf') and its index, found by
// matching the face's own table directory (GetFontData with table 0) against the collection's.
bool ReadInstalledFont(const std::wstring& face_name, std::string& bytes_out, int& face_index_out);

}  // namespace tvx
