// The settings file, opened and saved with the File menu's own commands over one file in memory.
// Any bytes opened over a model at its defaults leave every title terminated. A file that held
// every line is then saved, and the saved file opened again and saved once more must give the
// same bytes (the file a user saves after opening a damaged one opens as what was saved). A
// short file puts no value into the model that a whole one cannot, so saving only whole files
// loses nothing and keeps an input's cost to what it holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/file_commands.h"
#include "model/settings_file.h"
#include "support/memory_stores.h"

namespace {

TVX_FUZZ_CHECK void CheckTitles(const tvx::SettingsModel& m) {
    for (int t = 0; t < tvx::kTitleCount; ++t) {
        tvx::fuzz::Require(tvx::fuzz::Terminated(m.title_text[t], tvx::kTitleBytes),
                           "title terminated");
    }
}

// Lines as the reader counts them: each line feed ends one, and text after the last counts.
TVX_FUZZ_CHECK int CountLines(const std::string& bytes) {
    int lines = 0;
    for (char c : bytes) lines += c == '\n';
    return lines + (!bytes.empty() && bytes.back() != '\n');
}

void Open(tvx::fuzz::Context& f, tvx::test::MemoryFileSystem& fs, const std::string& path) {
    f.prompts.file_name = path;
    tvx::FileOpen(f.c, fs);
    tvx::fuzz::Require(f.app->current_file_name == path, "the opened file is the current one");
    CheckTitles(*f.model);
}

const std::string& Save(tvx::fuzz::Context& f, tvx::test::MemoryFileSystem& fs,
                        const std::string& path) {
    const int boxes_after_open = f.prompts.boxes;  // a damaged file or a value out of range
    tvx::fuzz::Require(tvx::FileSave(f.c, fs), "a file in memory saves");
    tvx::fuzz::Require(f.prompts.boxes == boxes_after_open, "no message for a save");
    return fs.files[path];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    static test::MemoryFileSystem fs;
    std::string& input = fs.files["show.dat"];
    input.assign(reinterpret_cast<const char*>(data), size);
    fuzz::Context& first = fuzz::Fresh(0);
    Open(first, fs, "show.dat");
    if (CountLines(input) >= kSettingsFileLines) {
        const std::string written = Save(first, fs, "show.dat");
        fs.files["again.dat"] = written;
        fuzz::Context& second = fuzz::Fresh(1);
        Open(second, fs, "again.dat");
        fuzz::Require(Save(second, fs, "again.dat") == written, "a saved file reads back as saved");
    }
    fs.files.clear();  // nothing held from one input to the next, or libFuzzer suspects a leak
    return 0;
}
