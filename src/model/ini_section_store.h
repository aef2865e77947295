// An ini store that can also hand out and replace a whole section, which copying the
// configuration from one file to another needs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/seams.h"

namespace tvx {

struct IniEntry {
    std::string key;
    std::string value;
};

struct IniSectionStore : IniStore {
    // Every key of the section with its value, in file order; false when the section or the
    // file is absent (entries_out is then empty).
    virtual bool ReadSection(std::string_view section, std::vector<IniEntry>& entries_out) = 0;
    // Replaces every key of the section by these entries in one write, creating the file and
    // the section when missing; false when nothing could be written.
    virtual bool WriteSection(std::string_view section, const std::vector<IniEntry>& entries) = 0;
};

}  // namespace tvx
