/*
 * The installed fonts and their bytes, through GDI.
 *
 * Owns no state: each call makes its own memory device context and font and frees them before
 * it returns. Any thread may call it (the dialogs call it on the user-interface thread). The
 * bytes come from GetFontData, so a font the user installed only for themselves, or one Windows
 * keeps in a collection (.ttc), is read like any other; the portable pieces parse them.
 */
#include "winbase/font_data_win.h"

#include <windows.h>

#include <algorithm>

#include "pictures/font_face.h"

namespace tvx {

namespace {

// GetFontData names a table by its four letters, the first in the lowest byte.
constexpr DWORD TableTag(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<unsigned char>(a)) |
           static_cast<DWORD>(static_cast<unsigned char>(b)) << 8 |
           static_cast<DWORD>(static_cast<unsigned char>(c)) << 16 |
           static_cast<DWORD>(static_cast<unsigned char>(d)) << 24;
}
constexpr DWORD kCollectionTag = TableTag('t', 't', 'c', 'f');
constexpr DWORD kWholeFace = 0;
constexpr int kFaceNameChars = LF_FACESIZE;

struct FontList {
    std::vector<std::wstring> names;
    std::size_t first_new = 0;  // the names this pass added start here
};

// Outline fonts only: GetFontData has nothing to give for bitmap and vector fonts.
int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type,
                         LPARAM param) {
    auto* list = reinterpret_cast<FontList*>(param);
    const auto* ntm = reinterpret_cast<const NEWTEXTMETRICW*>(metrics);
    const bool outline = (type & TRUETYPE_FONTTYPE) != 0 ||
                         (ntm->ntmFlags & (NTM_PS_OPENTYPE | NTM_TT_OPENTYPE)) != 0;
    const std::wstring name = font->lfFaceName;
    if (!outline || name.empty() || name[0] == L'@') return TRUE;
    if (std::find(list->names.begin(), list->names.end(), name) == list->names.end()) {
        list->names.push_back(name);
    }
    return TRUE;
}

void EnumerateCharset(HDC dc, BYTE charset, FontList& list) {
    LOGFONTW wanted = {};
    wanted.lfCharSet = charset;
    list.first_new = list.names.size();
    EnumFontFamiliesExW(dc, &wanted, CollectFace, reinterpret_cast<LPARAM>(&list), 0);
    std::sort(list.names.begin() + static_cast<std::ptrdiff_t>(list.first_new), list.names.end());
}

struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    ~MemoryDc() {
        if (dc) DeleteDC(dc);
    }
};

// The font selected into a device context for as long as this lives.
struct SelectedFont {
    HDC dc;
    HFONT font;
    HGDIOBJ previous = nullptr;
    SelectedFont(HDC d, HFONT f) : dc(d), font(f) {
        if (font) previous = SelectObject(dc, font);
    }
    ~SelectedFont() {
        if (previous) SelectObject(dc, previous);
        if (font) DeleteObject(font);
    }
};

// size bytes of a table (or of the whole file) from the selected font; false when GDI has none.
bool ReadFontData(HDC dc, DWORD table, DWORD size, std::string& out) {
    out.assign(size, '\0');
    return size > 0 && GetFontData(dc, table, 0, out.data(), size) == size;
}

}  // namespace

std::vector<std::wstring> InstalledFontNames() {
    FontList list;
    MemoryDc memory;
    if (!memory.dc) return list.names;
    EnumerateCharset(memory.dc, SHIFTJIS_CHARSET, list);
    EnumerateCharset(memory.dc, DEFAULT_CHARSET, list);
    return list.names;
}

bool ReadInstalledFont(const std::wstring& face_name, std::string& bytes_out, int& face_index_out) {
    if (face_name.empty() || face_name.size() >= kFaceNameChars) return false;
    MemoryDc memory;
    if (!memory.dc) return false;
    LOGFONTW wanted = {};
    wanted.lfHeight = -64;
    wanted.lfCharSet = DEFAULT_CHARSET;
    wanted.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    face_name.copy(wanted.lfFaceName, face_name.size());
    SelectedFont selected(memory.dc, CreateFontIndirectW(&wanted));
    if (!selected.previous) return false;
    // Another font stands in for a name that is no longer installed: its bytes are not wanted.
    wchar_t chosen[kFaceNameChars] = {};
    GetTextFaceW(memory.dc, kFaceNameChars, chosen);
    if (lstrcmpiW(chosen, face_name.c_str()) != 0) return false;

    const DWORD collection_size = GetFontData(memory.dc, kCollectionTag, 0, nullptr, 0);
    const bool collection = collection_size != GDI_ERROR && collection_size > 0;
    const DWORD size = collection ? collection_size : GetFontData(memory.dc, kWholeFace, 0, nullptr, 0);
    if (size == GDI_ERROR || size > kMaxFontFileBytes) return false;
    std::string bytes;
    if (!ReadFontData(memory.dc, collection ? kCollectionTag : kWholeFace, size, bytes)) return false;
    int index = 0;
    if (collection) {
        // The face's own table directory, read from its start, names it among the collection's.
        const DWORD directory_size = 12 + 16 * 0xFFFFu;
        const DWORD face_size = GetFontData(memory.dc, kWholeFace, 0, nullptr, 0);
        std::string directory;
        if (face_size == GDI_ERROR ||
            !ReadFontData(memory.dc, kWholeFace, std::min(face_size, directory_size), directory)) {
            return false;
        }
        index = FindCollectionFace(bytes, directory);
        if (index < 0) return false;
    }
    bytes_out = std::move(bytes);
    face_index_out = index;
    return true;
}

}  // namespace tvx
