#include "model/settings_file.h"

#include <charconv>
#include <cstring>

#include "model/decimal_text.h"
#include "model/settings_fields.h"
#include "model/title_text.h"

namespace tvx {

namespace {

void AppendNumberLine(std::string& out, int value) {
    char line[16];
    char* end = std::to_chars(line, line + sizeof line - 2, value).ptr;
    *end++ = '\r';
    *end++ = '\n';
    out.append(line, static_cast<std::size_t>(end - line));
}

// A line break inside a title would move every later line; a blank keeps the places.
char TitleLineByte(char c) {
    return c == '\r' || c == '\n' ? ' ' : c;
}

void AppendTitleLine(std::string& out, const char (&title)[kTitleBytes]) {
    // Walked by pairs: glyph 63 (0x11 0x00) is written with its zero byte and the rest after it.
    const std::size_t length = TitleTextLength(title, kTitleBytes);
    if (length == 0) {
        out += "s\r\n";
        return;
    }
    char line[kTitleBytes + 2];
    for (std::size_t i = 0; i < length; ++i) line[i] = TitleLineByte(title[i]);
    line[length] = '\r';
    line[length + 1] = '\n';
    out.append(line, length + 2);
}

// Hands out the lines of the file one by one, without their line ends.
struct LineReader {
    std::string_view rest;
    bool checking;  // whether the caller wants the report on damaged lines
    SettingsFileReport report;

    // False past the last line. A final line without a line end still counts.
    bool Next(std::string_view& line) {
        if (rest.empty()) return false;
        ++report.lines;
        std::size_t lf = rest.find('\n');
        if (lf == std::string_view::npos) {
            line = rest;
            rest = {};
        } else {
            line = rest.substr(0, lf);
            rest.remove_prefix(lf + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        }
        return true;
    }
};

// Blanks around an optional minus sign and at least one digit, nothing else.
bool IsPlainNumber(std::string_view line) {
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    std::size_t last = line.find_last_not_of(" \t");
    std::string_view number = line.substr(first, last - first + 1);
    if (number.front() == '-') number.remove_prefix(1);
    return !number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos;
}

void ReadNumber(LineReader& lines, int& field) {
    std::string_view line;
    if (!lines.Next(line)) return;
    ParseLeadingInt(line, field);
    if (lines.checking && lines.report.first_line_not_a_number == 0 && !IsPlainNumber(line))
        lines.report.first_line_not_a_number = lines.report.lines;
}

void ReadTitle(LineReader& lines, char (&title)[kTitleBytes]) {
    std::string_view line;
    if (!lines.Next(line) || line == "s") {
        title[0] = '\0';
        return;
    }
    std::size_t length =
        line.size() < std::size_t{kTitleLineMaxBytes} ? line.size() : kTitleLineMaxBytes;
    std::memset(title, 0, kTitleBytes);
    std::memcpy(title, line.data(), length);
}

}  // namespace

std::vector<GlyphChangedByFile> GlyphsTheFileChanges(const SettingsModel& model) {
    std::vector<GlyphChangedByFile> changed;
    for (int t = 0; t < kTitleCount; ++t) {
        const char* title = model.title_text[t];
        ForEachTitlePiece(std::string_view(title, TitleTextLength(title)),
                          [&](bool external, std::string_view pair) {
                              if (!external || TitleLineByte(pair[1]) == pair[1]) return;
                              const auto lead = static_cast<unsigned char>(pair[0]);
                              const int glyph =
                                  TitleGlyphNumber(lead, static_cast<unsigned char>(pair[1]));
                              const int becomes = TitleGlyphNumber(
                                  lead, static_cast<unsigned char>(TitleLineByte(pair[1])));
                              if (glyph != 0) changed.push_back({t + 1, glyph, becomes});
                          });
    }
    return changed;
}

std::string WriteSettingsText(const SettingsModel& model) {
    std::string out;
    out.reserve(8192);
    for (const SettingsFileField& f : SettingsFileFields()) {
        for (int item = 0; item < FieldItemCount(f); ++item) {
            if (f.title != nullptr) {
                AppendTitleLine(out, FieldTitle(model, f, item));
            } else {
                AppendNumberLine(out, FieldNumber(model, f, item));
            }
        }
    }
    return out;
}

void ReadSettingsText(std::string_view bytes, SettingsModel& model, SettingsFileReport* report) {
    LineReader lines{bytes, report != nullptr, {}};
    for (const SettingsFileField& f : SettingsFileFields()) {
        for (int item = 0; item < FieldItemCount(f); ++item) {
            if (f.title != nullptr) {
                ReadTitle(lines, *f.title(model, item));
            } else {
                ReadNumber(lines, *f.number(model, item));
            }
        }
    }
    if (report == nullptr) return;
    *report = lines.report;
    std::string_view rest;
    while (lines.Next(rest)) {
        if (rest.find_first_not_of(" \t") != std::string_view::npos)
            report->text_after_last_line = true;
    }
}

}  // namespace tvx
