// The private-profile (ini) text format, read and written without the operating system, for the
// native tests and the tools. It follows what the Windows profile functions do: "[section]"
// headers, "key=value" lines, section and key names matched without regard to ASCII case,
// blanks around names and values ignored, a value in matching quotes read without them, the
// first of duplicate sections or keys used. Lines the store does not change are kept byte for
// byte, comments, order and foreign sections included; the lines it writes end in CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/ini_section_store.h"
#include "model/seams.h"

namespace tvx {

// The value of the key in the section of the ini text; false when absent.
bool FindIniValue(std::string_view text, std::string_view section, std::string_view key,
                  std::string& value_out);

// Sets the key in the ini text: an existing key keeps its place and its spelling, a new key
// follows the last key of its section, a new section is appended at the end. False, with the
// text unchanged, for a name or value the format cannot hold (line breaks; "=" or a leading
// "[" or ";" in a key; "]" in a section name; an empty key or section name).
bool SetIniValue(std::string& text, std::string_view section, std::string_view key,
                 std::string_view value);

// Every "key=value" of the section, in order; false when the section is absent.
bool ReadIniSection(std::string_view text, std::string_view section,
                    std::vector<IniEntry>& entries_out);

// Replaces all lines of the section by the entries (appending the section when absent). False,
// with the text unchanged, when a name or value cannot be held.
bool ReplaceIniSection(std::string& text, std::string_view section,
                       const std::vector<IniEntry>& entries);

// One ini file on disk. Every call reads the file afresh; every write replaces the whole file
// through the FileSystem seam, so a failed write leaves the previous file as it was. A file
// that exists but cannot be read is never overwritten.
struct IniTextStore : IniSectionStore {
    IniTextStore(std::string file_path, FileSystem& file_system)
        : path(std::move(file_path)), fs(file_system) {}

    bool ReadKey(std::string_view section, std::string_view key, std::string& value_out) override;
    bool WriteKey(std::string_view section, std::string_view key, std::string_view value) override;
    bool ReadSection(std::string_view section, std::vector<IniEntry>& entries_out) override;
    bool WriteSection(std::string_view section, const std::vector<IniEntry>& entries) override;

    std::string path;
    FileSystem& fs;
};

}  // namespace tvx
