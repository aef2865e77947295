// The settings file reader: any bytes read over a model at its defaults. Whatever was read,
// writing the model and reading that text again must give the same text once more (the file a
// user saves after opening a damaged one opens as what was saved), with every title terminated.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    fuzz::Context first;
    ReadSettingsText(std::string_view(reinterpret_cast<const char*>(data), size), *first.model);
    for (int t = 0; t < kTitleCount; ++t) {
        fuzz::Require(fuzz::Terminated(first.model->title_text[t], kTitleBytes),
                      "title terminated");
    }
    const std::string written = WriteSettingsText(*first.model);
    fuzz::Context second;
    ReadSettingsText(written, *second.model);
    const std::string again = WriteSettingsText(*second.model);
    fuzz::Require(written == again, "a written file reads back as written");
    return 0;
}
