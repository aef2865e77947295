#include "model/ini_text_store.h"

namespace tvx {

namespace {

enum class LineKind { Other, Section, Key };

struct IniLine {
    std::size_t begin = 0;        // offset of the line in the text
    std::size_t content_end = 0;  // offset of its line end (CR LF or LF), or of the text's end
    std::size_t end = 0;          // offset just past its line end
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name without surrounding blanks
    std::string_view value;  // key value without surrounding blanks
    bool blank = false;
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names compare without regard to ASCII case; the trail byte of a double-byte character is
// compared exactly, since it may fall in the range of ASCII letters.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            ++i;
            if (a[i] != b[i]) return false;
        }
    }
    return true;
}

IniLine Classify(std::string_view text, std::size_t begin, std::size_t content_end,
                 std::size_t end) {
    IniLine line;
    line.begin = begin;
    line.content_end = content_end;
    line.end = end;
    std::string_view content = Trim(text.substr(begin, content_end - begin));
    line.blank = content.empty();
    if (content.empty() || content.front() == ';') return line;
    if (content.front() == '[') {
        std::size_t close = content.find(']');
        if (close == std::string_view::npos) return line;
        line.name = Trim(content.substr(1, close - 1));
        // A stray CR inside a line makes it no header (it could never be written back).
        if (line.name.find('\r') == std::string_view::npos) line.kind = LineKind::Section;
        return line;
    }
    std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) return line;
    line.name = Trim(content.substr(0, equals));
    line.value = Trim(content.substr(equals + 1));
    // Nor a key: a name or value with a stray CR could never be written back.
    if (line.name.empty() || line.name.find('\r') != std::string_view::npos ||
        line.value.find('\r') != std::string_view::npos) {
        return line;
    }
    line.kind = LineKind::Key;
    return line;
}

std::vector<IniLine> SplitLines(std::string_view text) {
    std::vector<IniLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        std::size_t content_end = lf == std::string_view::npos ? text.size() : lf;
        std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        if (content_end > pos && text[content_end - 1] == '\r') --content_end;
        lines.push_back(Classify(text, pos, content_end, end));
        pos = end;
    }
    return lines;
}

// The lines of the first section of that name: [first, last) after its header.
struct SectionRange {
    bool found = false;
    std::size_t header = 0;
    std::size_t first = 0;
    std::size_t last = 0;
};

SectionRange FindSection(const std::vector<IniLine>& lines, std::string_view section) {
    SectionRange range;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Section || !SameName(lines[i].name, section)) continue;
        range.found = true;
        range.header = i;
        range.first = i + 1;
        range.last = range.first;
        while (range.last < lines.size() && lines[range.last].kind != LineKind::Section) {
            ++range.last;
        }
        return range;
    }
    return range;
}

// The line after which new keys go: the last line of the section that is not blank.
std::size_t LastFilledLine(const std::vector<IniLine>& lines, const SectionRange& range) {
    std::size_t at = range.header;
    for (std::size_t i = range.first; i < range.last; ++i) {
        if (!lines[i].blank) at = i;
    }
    return at;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool CanHoldSection(std::string_view section) {
    std::string_view name = Trim(section);
    return !name.empty() && name == section && !HasLineBreak(section) &&
           section.find(']') == std::string_view::npos;
}

bool CanHoldEntry(std::string_view key, std::string_view value) {
    std::string_view name = Trim(key);
    return !name.empty() && name == key && !HasLineBreak(key) && !HasLineBreak(value) &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';';
}

std::string EntryLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += value;
    line += "\r\n";
    return line;
}

// Text that starts a new line at the end of the text: a line break when the last line has none,
// or the LF a last line that ends in a bare CR lacks (CR LF after that CR would leave the line
// with a stray CR, and the key on it would be lost).
std::string_view NewLineAt(std::string_view text, std::size_t offset) {
    if (offset == 0 || text[offset - 1] == '\n') return "";
    return text[offset - 1] == '\r' ? "\n" : "\r\n";
}

void AppendSection(std::string& text, std::string_view section, const std::string& body) {
    std::string tail(NewLineAt(text, text.size()));
    if (!text.empty()) tail += "\r\n";  // a blank line between sections
    tail += '[';
    tail += section;
    tail += "]\r\n";
    tail += body;
    text += tail;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

bool FindIniValue(std::string_view text, std::string_view section, std::string_view key,
                  std::string& value_out) {
    std::vector<IniLine> lines = SplitLines(text);
    SectionRange range = FindSection(lines, section);
    if (!range.found) return false;
    for (std::size_t i = range.first; i < range.last; ++i) {
        if (lines[i].kind == LineKind::Key && SameName(lines[i].name, key)) {
            value_out = std::string(Unquote(lines[i].value));
            return true;
        }
    }
    return false;
}

bool SetIniValue(std::string& text, std::string_view section, std::string_view key,
                 std::string_view value) {
    if (!CanHoldSection(section) || !CanHoldEntry(key, value)) return false;
    std::vector<IniLine> lines = SplitLines(text);
    SectionRange range = FindSection(lines, section);
    if (!range.found) {
        AppendSection(text, section, EntryLine(key, value));
        return true;
    }
    for (std::size_t i = range.first; i < range.last; ++i) {
        const IniLine& line = lines[i];
        if (line.kind != LineKind::Key || !SameName(line.name, key)) continue;
        std::string replacement(line.name);
        replacement += '=';
        replacement += value;
        text.replace(line.begin, line.content_end - line.begin, replacement);
        return true;
    }
    const IniLine& after = lines[LastFilledLine(lines, range)];
    std::string insert(NewLineAt(text, after.end));
    insert += EntryLine(key, value);
    text.insert(after.end, insert);
    return true;
}

bool ReadIniSection(std::string_view text, std::string_view section,
                    std::vector<IniEntry>& entries_out) {
    entries_out.clear();
    std::vector<IniLine> lines = SplitLines(text);
    SectionRange range = FindSection(lines, section);
    if (!range.found) return false;
    for (std::size_t i = range.first; i < range.last; ++i) {
        if (lines[i].kind != LineKind::Key) continue;
        // Values as they stand, quotes included, so that a copy keeps them.
        entries_out.push_back({std::string(lines[i].name), std::string(lines[i].value)});
    }
    return true;
}

bool ReplaceIniSection(std::string& text, std::string_view section,
                       const std::vector<IniEntry>& entries) {
    if (!CanHoldSection(section)) return false;
    std::string body;
    for (const IniEntry& entry : entries) {
        if (!CanHoldEntry(entry.key, entry.value)) return false;
        body += EntryLine(entry.key, entry.value);
    }
    std::vector<IniLine> lines = SplitLines(text);
    SectionRange range = FindSection(lines, section);
    if (!range.found) {
        AppendSection(text, section, body);
        return true;
    }
    // Blank lines after the last filled line stay, so the gap before the next section remains.
    std::size_t from = lines[range.header].end;
    std::size_t to = lines[LastFilledLine(lines, range)].end;
    std::string insert(NewLineAt(text, from));
    insert += body;
    text.replace(from, to - from, insert);
    return true;
}

namespace {

// The current text of the file for a change: empty when there is no file yet, false when a file
// exists that cannot be read (writing would destroy it).
bool LoadForChange(IniTextStore& store, std::string& text) {
    text.clear();
    if (store.fs.ReadWholeFile(store.path, text)) return true;
    text.clear();
    return !store.fs.FileExists(store.path);
}

}  // namespace

bool IniTextStore::ReadKey(std::string_view section, std::string_view key, std::string& value_out) {
    std::string text;
    if (!fs.ReadWholeFile(path, text)) return false;
    return FindIniValue(text, section, key, value_out);
}

bool IniTextStore::WriteKey(std::string_view section, std::string_view key,
                            std::string_view value) {
    std::string text;
    if (!LoadForChange(*this, text)) return false;
    if (!SetIniValue(text, section, key, value)) return false;
    return fs.ReplaceFileContents(path, text);
}

bool IniTextStore::ReadSection(std::string_view section, std::vector<IniEntry>& entries_out) {
    entries_out.clear();
    std::string text;
    if (!fs.ReadWholeFile(path, text)) return false;
    return ReadIniSection(text, section, entries_out);
}

bool IniTextStore::WriteSection(std::string_view section, const std::vector<IniEntry>& entries) {
    std::string text;
    if (!LoadForChange(*this, text)) return false;
    if (!ReplaceIniSection(text, section, entries)) return false;
    return fs.ReplaceFileContents(path, text);
}

}  // namespace tvx
