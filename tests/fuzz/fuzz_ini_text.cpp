// The configuration file: any text as "tvx5870.ini" in memory, read and changed through the
// program's ini file store. A key written must read back as written and the keys the program
// did not write must keep their values; a section read can be written back and reads the same;
// the program's configuration reader must take whatever values the file holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "model/config.h"
#include "model/ini_text_store.h"
#include "support/memory_stores.h"

namespace {

TVX_FUZZ_CHECK bool SameEntries(const std::vector<tvx::IniEntry>& a,
                                const std::vector<tvx::IniEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].key != b[i].key || a[i].value != b[i].value) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    const std::string path = "tvx5870.ini";
    const std::string_view section = "TVX-5870_Section";
    static test::MemoryFileSystem fs;
    fs.files[path].assign(reinterpret_cast<const char*>(data), size);
    IniTextStore store(path, fs);

    // The program's reader over the values of the section. They come from one read of the
    // section rather than one parse of the file per key: the reader asks for up to a thousand
    // keys, and what it must survive is their values.
    std::vector<IniEntry> entries;
    store.ReadSection(section, entries);
    test::MemoryIniStore values;
    for (const IniEntry& e : entries) {
        values.values.emplace(std::string(section) + "/" + e.key, e.value);
    }
    AppState& app = *fuzz::Fresh().app;
    ReadConfiguration(app, values);
    fuzz::Require(app.host_list_count >= 0 && app.host_list_count <= kHostListCapacity,
                  "host list count");
    fuzz::Require(fuzz::Terminated(app.tcp_port_text, sizeof app.tcp_port_text), "port text");

    // One key written through the store.
    std::string port_before, port_after, read;
    const bool had_port = store.ReadKey(section, "port_number", port_before);
    const std::string value = std::to_string(size % 100000);
    fuzz::Require(store.WriteKey(section, "list_count", value), "a key is written");
    fuzz::Require(store.ReadKey(section, "list_count", read) && read == value,
                  "a written key reads back");
    const bool has_port = store.ReadKey(section, "port_number", port_after);
    fuzz::Require(had_port == has_port && port_before == port_after,
                  "other keys keep their values");
    std::vector<IniEntry> after_key;
    fuzz::Require(store.ReadSection(section, after_key), "the section is there");
    fuzz::Require(after_key.size() == entries.size() || after_key.size() == entries.size() + 1,
                  "a key is replaced or added once");

    // The whole section written back as read.
    fuzz::Require(store.WriteSection(section, after_key), "a section read can be written");
    std::vector<IniEntry> again;
    fuzz::Require(store.ReadSection(section, again), "the section is still there");
    fuzz::Require(SameEntries(again, after_key), "the section reads back as written");
    fs.files.clear();  // nothing held from one input to the next, or libFuzzer suspects a leak
    return 0;
}
