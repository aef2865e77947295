// The configuration file's text store: any ini text, then the program's own keys written and
// read back. A key written must read back as written, the keys the program did not write must
// read as before, and the program's configuration reader must take whatever the file holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/config.h"
#include "model/ini_text_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string_view section = "TVX-5870_Section";

    std::string before;
    const bool had_port = FindIniValue(text, section, "port_number", before);
    std::string value = std::to_string(size % 100000);
    if (SetIniValue(text, section, "list_count", value)) {
        std::string read;
        fuzz::Require(FindIniValue(text, section, "list_count", read) && read == value,
                      "a written key reads back");
        std::string after;
        const bool has_port = FindIniValue(text, section, "port_number", after);
        fuzz::Require(had_port == has_port && before == after, "other keys keep their values");
    }

    std::vector<IniEntry> entries;
    if (ReadIniSection(text, section, entries)) {
        std::string copy = text;
        fuzz::Require(ReplaceIniSection(copy, section, entries), "a section read can be written");
        std::vector<IniEntry> again;
        fuzz::Require(ReadIniSection(copy, section, again), "the section is still there");
        fuzz::Require(again.size() == entries.size(), "the section keeps its entries");
    }

    // The program's reader over the same text.
    struct TextIni : IniStore {
        const std::string& text;
        explicit TextIni(const std::string& t) : text(t) {}
        bool ReadKey(std::string_view sec, std::string_view key, std::string& out) override {
            return FindIniValue(text, sec, key, out);
        }
        bool WriteKey(std::string_view, std::string_view, std::string_view) override {
            return false;
        }
    } ini(text);
    AppState app;
    ReadConfiguration(app, ini);
    fuzz::Require(app.host_list_count >= 0 && app.host_list_count <= kHostListCapacity,
                  "host list count");
    fuzz::Require(fuzz::Terminated(app.tcp_port_text, sizeof app.tcp_port_text), "port text");
    return 0;
}
