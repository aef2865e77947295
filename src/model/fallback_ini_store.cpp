#include "model/fallback_ini_store.h"

#include <vector>

namespace tvx {

bool FallbackIniStore::ReadKey(std::string_view section, std::string_view key,
                               std::string& value_out) {
    IniSectionStore& store = using_user_file ? user : shared;
    return store.ReadKey(section, key, value_out);
}

bool FallbackIniStore::WriteKey(std::string_view section, std::string_view key,
                                std::string_view value) {
    if (using_user_file) return user.WriteKey(section, key, value);
    if (shared.WriteKey(section, key, value)) return true;
    // An absent section or file copies as an empty section.
    std::vector<IniEntry> entries;
    if (!shared.ReadSection(section, entries)) entries.clear();
    // The copy is one write: until it succeeds the shared file stays the only one in use.
    if (!user.WriteSection(section, entries)) return false;
    using_user_file = true;
    return user.WriteKey(section, key, value);
}

}  // namespace tvx
