// The CSV reader of titles: any bytes. What it takes must be titles "設定" can send (whole pairs,
// at most 42 bytes, each pair with a wire code), taken only when no problem was found; and those
// titles, written as code page 932 CSV and read again, must come back byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "model/title_text.h"
#include "protocol/encodings.h"
#include "protocol/title_csv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TitleCsvRead read;
    fuzz::Context& c = fuzz::Fresh();
    const bool ok = ImportTitlesCsv(bytes, *c.model, read);
    fuzz::Require(ok == read.problems.empty(), "success means no problem");
    if (!ok) {
        fuzz::Require(std::memcmp(fuzz::Defaults().model->title_text, c.model->title_text,
                                  sizeof c.model->title_text) == 0,
                      "a refused file changes nothing");
        return 0;
    }
    for (int t = 0; t < kTitleCount; ++t) {
        const char* title = c.model->title_text[t];
        const std::size_t length = TitleTextLength(title);
        fuzz::Require(length <= kTitleMaxText && length % 2 == 0, "whole pairs, at most 42 bytes");
        for (std::size_t i = 0; i < length; i += 2) {
            const auto pair = static_cast<std::uint32_t>(static_cast<unsigned char>(title[i]) << 8 |
                                                         static_cast<unsigned char>(title[i + 1]));
            fuzz::Require(title_wire_code(pair) != 0, "every character can be sent");
        }
    }
    std::string csv;
    std::vector<std::string> problems;
    fuzz::Require(WriteTitlesCsv(*c.model, TitleCsvEncoding::Cp932, csv, problems),
                  "taken titles can be written");
    TitleCsvRead again;
    fuzz::Require(ReadTitlesCsv(csv, again), "written titles read back");
    for (int t = 0; t < kTitleCount; ++t) {
        fuzz::Require(std::memcmp(again.titles[t], c.model->title_text[t], kTitleBytes) == 0,
                      "the same bytes come back");
    }
    return 0;
}
