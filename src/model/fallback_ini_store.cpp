#include "model/fallback_ini_store.h"

#include <vector>

namespace tvx {

namespace {

// Copies the section from one file to the user's copy in one write, then writes the key there.
// False when the copy failed (nothing has switched then).
bool MoveToUserFile(FallbackIniStore& s, IniSectionStore& from, std::string_view section,
                    std::string_view key, std::string_view value) {
    // An absent section or file copies as an empty section.
    std::vector<IniEntry> entries;
    if (!from.ReadSection(section, entries)) entries.clear();
    if (!s.user.WriteSection(section, entries)) return false;
    s.using_user_file = true;
    s.virtual_store = nullptr;
    return s.user.WriteKey(section, key, value);
}

}  // namespace

bool FallbackIniStore::ReadKey(std::string_view section, std::string_view key,
                               std::string& value_out) {
    if (virtual_store) return virtual_store->ReadKey(section, key, value_out);
    IniSectionStore& store = using_user_file ? user : shared;
    return store.ReadKey(section, key, value_out);
}

bool FallbackIniStore::WriteKey(std::string_view section, std::string_view key,
                                std::string_view value) {
    // The VirtualStore copy is what this user had: it goes to the user's copy, never to a new
    // file in the Windows directory, which every later start would prefer to it.
    if (virtual_store) return MoveToUserFile(*this, *virtual_store, section, key, value);
    if (using_user_file) return user.WriteKey(section, key, value);
    if (shared.WriteKey(section, key, value)) return true;
    // The copy is one write: until it succeeds the shared file stays the only one in use.
    return MoveToUserFile(*this, shared, section, key, value);
}

}  // namespace tvx
