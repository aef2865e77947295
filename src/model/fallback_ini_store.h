// The configuration file in two places. The program keeps "tvx5870.ini" in the Windows
// directory, which a normal user on current Windows may not write to: then no setting would
// ever be kept. So the first write that fails there copies the whole section to the user's own
// copy of the file and writes there, and from then on every read and write uses that copy.
// When the user's copy already exists at start, it alone is used. The two files are never
// mixed: all reads and writes go to one of them at a time, and the switch happens only after
// the section was copied in one write.
//
// A third place is only read: the copy Windows kept in the user's VirtualStore when a program
// without a manifest wrote to the Windows directory. When it is the only one of the three that
// exists at start, the settings are read from it, and the first write copies its section to the
// user's copy and goes there, as above.
#pragma once

#include <string>
#include <string_view>

#include "model/ini_section_store.h"

namespace tvx {

struct FallbackIniStore : IniStore {
    // shared_file: the file in the Windows directory. user_file: the user's copy. user_file_exists:
    // whether the user's copy exists now (asked once, at start).
    FallbackIniStore(IniSectionStore& shared_file, IniSectionStore& user_file,
                     bool user_file_exists)
        : shared(shared_file), user(user_file), using_user_file(user_file_exists) {}

    // Reads come from the VirtualStore copy until the first write; call it at start, when
    // neither the user's copy nor the shared file exists and that copy does.
    void ReadFromVirtualStore(IniSectionStore& virtual_store_file) {
        virtual_store = &virtual_store_file;
    }

    bool ReadKey(std::string_view section, std::string_view key, std::string& value_out) override;
    // A write the shared file refuses copies the section of that key to the user's copy first
    // (the program keeps one section); false when neither file could take the value.
    bool WriteKey(std::string_view section, std::string_view key, std::string_view value) override;

    IniSectionStore& shared;
    IniSectionStore& user;
    bool using_user_file;
    IniSectionStore* virtual_store = nullptr;  // read until the first write, then forgotten
};

}  // namespace tvx
