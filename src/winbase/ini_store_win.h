// The configuration file on the operating system's private-profile functions. Keys and values
// are code page 932 in the core and UTF-16 at the API, converted explicitly with code page 932
// whatever the system code page is.
//
// ConfigurationIniStore() is what the program reads and writes the configuration through: the bare
// name "tvx5870.ini" (the file in the Windows directory) until a write there fails, then the
// user's own copy in %APPDATA%\TVX-5870\tvx5870.ini, which is used alone from then on and at
// every later start (see fallback_ini_store.h). When neither file exists, a VirtualStore copy of
// the Windows directory's file is read until the first write.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/ini_section_store.h"

namespace tvx {

// One profile file: a bare name is the file in the Windows directory, a full path that file.
// An empty name stands for "no such file": every call fails. With create_folder, the folder of
// the file is created before each write (the profile functions do not create folders).
struct WinProfileStore : IniSectionStore {
    explicit WinProfileStore(std::wstring file_name, bool create_folder = false)
        : file(std::move(file_name)), create_folder_on_write(create_folder) {}

    bool ReadKey(std::string_view section, std::string_view key, std::string& value_out) override;
    bool WriteKey(std::string_view section, std::string_view key, std::string_view value) override;
    bool ReadSection(std::string_view section, std::vector<IniEntry>& entries_out) override;
    bool WriteSection(std::string_view section, const std::vector<IniEntry>& entries) override;

    std::wstring file;
    bool create_folder_on_write;
};

// %APPDATA%\TVX-5870\tvx5870.ini of the user running the program (SHGetFolderPathW with
// CSIDL_APPDATA); empty when the folder is unknown.
std::wstring UserIniPath();

// The Windows directory's tvx5870.ini as a full path; empty when the folder is unknown.
std::wstring WindowsFolderIniPath();
// Where Windows kept that file for a program without a manifest: the same path under the
// user's %LOCALAPPDATA%\VirtualStore (drive letter dropped); empty when a folder is unknown.
std::wstring VirtualStoreIniPath();

// The program's configuration store, made at the first call (after which it lives until the
// process ends). Call it on the user-interface thread.
IniStore& ConfigurationIniStore();

}  // namespace tvx
