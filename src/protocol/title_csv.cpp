#include "protocol/title_csv.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "model/cp932.h"
#include "model/title_text.h"
#include "protocol/encodings.h"
#include "protocol/sjis.h"

namespace tvx {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kHeader = "番号,タイトル";
constexpr int kMaxTitleChars = kTitleMaxText / 2;
// Every glyph a title can hold: a device's titles may hold glyphs the dialogs do not offer, and
// the CSV is where they survive whole (the settings file cannot hold glyphs 73 and 76).
constexpr int kCsvGlyphs = kGlyphCount;
constexpr char32_t kIdeographicSpace = 0x3000;
// 144 titles take a few kilobytes; a file far larger is not a list of titles (and would cost
// memory out of proportion, every character being kept with its line).
constexpr std::size_t kMaxCsvBytes = 1 << 20;

// One character of the file: its code point (kNoCodePoint for bytes that are none, then raw
// holds the first of them), its code page 932 code when the file is code page 932, its line.
struct Ch {
    char32_t cp = 0;
    int sjis = -1;
    unsigned raw = 0;
    int line = 0;
};
using Text = std::vector<Ch>;

struct Field {
    Text chars;
    int line = 0;
};
struct Record {
    std::vector<Field> fields;
    int line = 0;
    int unclosed_quote_line = 0;  // a quote opened on this line runs to the end of the file
};

std::string Utf8Of(char32_t cp) {
    std::string s;
    AppendUtf8(cp, s);
    return s;
}

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

// "「Ω」(U+03A9)": the character and its code, for characters that may not show.
std::string Quoted(char32_t cp) {
    return "「" + Utf8Of(cp) + "」(U+" + Hex(cp, 4) + ")";
}

// ---- Encodings ---------------------------------------------------------------------------

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const DecodedChar ch = DecodeUtf8(bytes.substr(i));
        if (ch.code_point == kNoCodePoint) return false;
        i += ch.length;
    }
    return true;
}

void DecodeUtf8Text(std::string_view bytes, Text& text) {
    for (std::size_t i = 0; i < bytes.size();) {
        const DecodedChar ch = DecodeUtf8(bytes.substr(i));
        text.push_back({ch.code_point, -1, static_cast<unsigned char>(bytes[i]), 0});
        i += ch.length;
    }
}

void DecodeUtf16Text(std::string_view bytes, bool big_endian, Text& text) {
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return big_endian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text.push_back({0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), -1, 0, 0});
                i += 2;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            text.push_back({kNoCodePoint, -1, static_cast<unsigned>(u), 0});
        } else {
            text.push_back({u, -1, 0, 0});
        }
    }
    if (i < bytes.size())
        text.push_back({kNoCodePoint, -1, static_cast<unsigned char>(bytes[i]), 0});
}

void DecodeCp932Text(std::string_view bytes, Text& text) {
    for (std::size_t i = 0; i < bytes.size();) {
        const DecodedChar ch = DecodeCp932(bytes.substr(i));
        int code = static_cast<unsigned char>(bytes[i]);
        if (ch.length == 2) code = code << 8 | static_cast<unsigned char>(bytes[i + 1]);
        text.push_back({ch.code_point, code, static_cast<unsigned char>(bytes[i]), 0});
        i += ch.length;
    }
}

// The file's characters, by its byte-order mark or, without one, by whether it is UTF-8.
Text DecodeFile(std::string_view bytes, std::string& encoding) {
    Text text;
    if (bytes.substr(0, 3) == kUtf8Bom) {
        encoding = "UTF-8";
        DecodeUtf8Text(bytes.substr(3), text);
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        encoding = "UTF-16";
        DecodeUtf16Text(bytes.substr(2), bytes[0] == '\xFE', text);
    } else if (IsValidUtf8(bytes)) {
        encoding = "UTF-8";
        DecodeUtf8Text(bytes, text);
    } else {
        encoding = "CP932";
        DecodeCp932Text(bytes, text);
    }
    return text;
}

// ---- CSV ---------------------------------------------------------------------------------

bool IsLineEnd(char32_t cp) {
    return cp == '\r' || cp == '\n';
}

// A tab before any comma (outside quotes) makes the file tab-separated.
char32_t Separator(const Text& text) {
    bool quoted = false;
    for (const Ch& c : text) {
        if (c.cp == '"') quoted = !quoted;
        if (!quoted && (c.cp == ',' || c.cp == '\t')) return c.cp;
    }
    return ',';
}

// Splits the text into records of fields, numbering lines as it goes (CR LF, LF and a lone CR
// each end a line, also inside quotes).
std::vector<Record> SplitRecords(const Text& text) {
    const char32_t sep = Separator(text);
    std::vector<Record> records;
    int line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto take = [&](Field& f) {
        Ch c = text[i];
        c.line = line;
        f.chars.push_back(c);
        if (c.cp == '\n' || (c.cp == '\r' && !(i + 1 < n && text[i + 1].cp == '\n'))) ++line;
        ++i;
    };
    Record record{{}, line};
    while (true) {
        Field field{{}, line};
        if (i < n && text[i].cp == '"') {
            const int opened = line;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i].cp == '"') {
                    if (i + 1 < n && text[i + 1].cp == '"') {
                        ++i;
                        take(field);
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                take(field);
            }
            if (!closed) record.unclosed_quote_line = opened;
        }
        // Unquoted text, or what follows a closing quote, up to the separator or line end.
        while (i < n && text[i].cp != sep && !IsLineEnd(text[i].cp)) take(field);
        record.fields.push_back(std::move(field));
        if (i < n && text[i].cp == sep) {
            ++i;
            continue;
        }
        records.push_back(std::move(record));
        if (i >= n) break;
        if (text[i].cp == '\r' && i + 1 < n && text[i + 1].cp == '\n') ++i;
        ++i;
        ++line;
        record = Record{{}, line};
        if (i >= n) break;
    }
    return records;
}

bool IsBlank(char32_t cp) {
    return cp == ' ' || cp == kIdeographicSpace;
}

bool FieldIsEmpty(const Field& f) {
    for (const Ch& c : f.chars) {
        if (!IsBlank(c.cp)) return false;
    }
    return true;
}

bool RecordIsEmpty(const Record& r) {
    for (const Field& f : r.fields) {
        if (!FieldIsEmpty(f)) return false;
    }
    return true;
}

// A digit, half or full width: its value, or -1.
int DigitOf(char32_t cp) {
    if (cp >= '0' && cp <= '9') return static_cast<int>(cp - '0');
    if (cp >= 0xFF10 && cp <= 0xFF19) return static_cast<int>(cp - 0xFF10);
    return -1;
}

bool HasDigit(const Field& f) {
    for (const Ch& c : f.chars) {
        if (DigitOf(c.cp) >= 0) return true;
    }
    return false;
}

bool IsControl(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}

// The file's text for a message, control characters spelled out (\x1B) so that none reaches a
// terminal.
std::string TextOf(const Text& chars) {
    std::string s;
    for (const Ch& c : chars) {
        if (c.cp != kNoCodePoint && IsControl(c.cp)) {
            s += "\\x" + Hex(c.cp, 2);
        } else {
            AppendUtf8(c.cp == kNoCodePoint ? 0xFFFD : c.cp, s);
        }
    }
    return s;
}

// ---- Titles ------------------------------------------------------------------------------

// Line 0: a title given on its own, outside any file.
std::string Where(int line, int column) {
    if (line == 0) return {};
    return std::to_string(line) + "行目 " + std::to_string(column) + "列目: ";
}

std::string WhereChar(int line, int character) {
    if (line == 0) return std::to_string(character) + "文字目: ";
    return std::to_string(line) + "行目 2列目 (" + std::to_string(character) + "文字目): ";
}

// The title number of a field: 1..144, or 0 with a problem.
int TitleNumber(const Field& f, std::vector<std::string>& problems) {
    std::size_t begin = 0, end = f.chars.size();
    while (begin < end && IsBlank(f.chars[begin].cp)) ++begin;
    while (end > begin && IsBlank(f.chars[end - 1].cp)) --end;
    const std::string where = Where(f.line, 1);
    if (begin == end) {
        problems.push_back(where + "番号がありません");
        return 0;
    }
    int value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const int digit = DigitOf(f.chars[i].cp);
        if (digit < 0) {
            const Text shown(f.chars.begin() + static_cast<std::ptrdiff_t>(begin),
                             f.chars.begin() + static_cast<std::ptrdiff_t>(end));
            problems.push_back(where + "番号「" + TextOf(shown) + "」は数ではありません");
            return 0;
        }
        if (value <= kTitleCount) value = value * 10 + digit;
    }
    if (value < 1 || value > kTitleCount) {
        problems.push_back(where + "番号 " + std::to_string(value) + " は 1〜144 にありません");
        return 0;
    }
    return value;
}

// Full-width forms of the half-width katakana block U+FF61..U+FF9F.
constexpr char16_t kWideKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
    u"マミムメモヤユヨラリルレロワン゛゜";
constexpr char32_t kVoicedMark = 0xFF9E;
constexpr char32_t kSemiVoicedMark = 0xFF9F;

// The voiced (or semi-voiced) form of a full-width katakana, 0 when it has none.
char32_t Voiced(char32_t kana, bool semi) {
    if (semi) return (kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0) ? kana + 2 : 0;
    if (kana == 0x30A6) return 0x30F4;  // ウ -> ヴ
    if ((kana >= 0x30AB && kana <= 0x30C1 && (kana - 0x30AB) % 2 == 0) ||
        (kana >= 0x30C4 && kana <= 0x30C8 && (kana - 0x30C4) % 2 == 0) ||
        (kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0))
        return kana + 1;
    return 0;
}

// The full-width form of a half-width character at chars[i] (a katakana takes a following
// voiced mark with it); 0 when it is not half-width. used tells how many characters it took.
char32_t Widen(const Text& chars, std::size_t i, std::size_t& used) {
    used = 1;
    const char32_t cp = chars[i].cp;
    if (cp == ' ') return kIdeographicSpace;
    if (cp > ' ' && cp < 0x7F) return cp - 0x21 + 0xFF01;
    switch (cp) {
        case 0xA2: return 0xFFE0;  // ¢
        case 0xA3: return 0xFFE1;  // £
        case 0xA5: return 0xFFE5;  // ¥
        case 0xA6: return 0xFFE4;  // ¦
        case 0xAC: return 0xFFE2;  // ¬
        case 0xAF: return 0xFFE3;  // ¯
        default: break;
    }
    if (cp < 0xFF61 || cp > 0xFF9F) return 0;
    const char32_t wide = kWideKana[cp - 0xFF61];
    if (i + 1 < chars.size()) {
        const char32_t mark = chars[i + 1].cp;
        if (mark == kVoicedMark || mark == kSemiVoicedMark) {
            const char32_t voiced = Voiced(wide, mark == kSemiVoicedMark);
            if (voiced != 0) {
                used = 2;
                return voiced;
            }
        }
    }
    return wide;
}

std::string ControlName(char32_t cp) {
    if (cp == '\n' || cp == '\r') return "改行";
    if (cp == '\t') return "タブ";
    return "U+" + Hex(cp, 4);
}

bool Sendable(int code) {
    return code > 0xFF && title_wire_code(NecSelectedForm(static_cast<std::uint32_t>(code))) != 0;
}

// "[外字57]" at chars[i]: the glyph index, with used the characters it takes. -1 when chars[i]
// starts no token; -2 (and a problem, placed by where) when it starts one that is not well
// formed.
template <typename Where>
int GlyphToken(const Text& chars, std::size_t i, std::size_t& used, const Where& where,
               std::vector<std::string>& problems) {
    constexpr char32_t kOpen[] = {'[', U'外', U'字'};
    for (std::size_t k = 0; k < 3; ++k) {
        if (i + k >= chars.size() || chars[i + k].cp != kOpen[k]) return -1;
    }
    std::size_t j = i + 3;
    int number = 0;
    int digits = 0;
    while (j < chars.size() && DigitOf(chars[j].cp) >= 0) {
        if (digits++ < 4) number = number * 10 + DigitOf(chars[j].cp);
        ++j;
    }
    if (digits == 0 || j >= chars.size() || chars[j].cp != ']') {
        problems.push_back(where() + "外字は [外字1]〜[外字" + std::to_string(kCsvGlyphs) +
                           "] の形で書きます");
        used = j - i + (j < chars.size() && chars[j].cp == ']' ? 1 : 0);
        return -2;
    }
    used = j + 1 - i;
    if (number < 1 || number > kCsvGlyphs || digits > 4) {
        problems.push_back(where() + "外字の番号 " + std::to_string(number) + " は 1〜" +
                           std::to_string(kCsvGlyphs) + " にありません");
        return -2;
    }
    return number - 1;
}

void AppendPair(std::uint32_t pair, std::string& bytes) {
    bytes += static_cast<char>(pair >> 8);
    bytes += static_cast<char>(pair & 0xFF);
}

// The title of a field as it is to be held; problems get a line for each character that cannot
// be one and for a title that is too long.
std::string ConvertTitle(const Field& f, int& widened, std::vector<std::string>& problems) {
    std::string bytes;
    int count = 0;
    const Text& chars = f.chars;
    for (std::size_t i = 0; i < chars.size();) {
        const Ch& c = chars[i];
        // The place of a problem, made only when there is one (most characters have none).
        const int at = count + 1;
        const auto where = [&c, at] { return WhereChar(c.line, at); };
        std::size_t used = 1;
        const int glyph = GlyphToken(chars, i, used, where, problems);
        if (glyph != -1) {
            if (glyph >= 0) AppendPair(GlyphTitlePair(glyph), bytes);
            ++count;
            i += used;
            continue;
        }
        i += 1;
        // The title edit's form of an external character, as a copy from it brings it.
        if (const unsigned pair = ExternalPairOfEditChar(c.cp); pair != 0) {
            const int g = GlyphOfTitlePair(pair);
            if (g >= 0 && g < kCsvGlyphs) {
                AppendPair(pair, bytes);
            } else {
                problems.push_back(where() + Quoted(c.cp) + " は [外字1]〜[外字" +
                                   std::to_string(kCsvGlyphs) + "] のどれでもありません");
            }
            ++count;
            continue;
        }
        if (c.cp == kNoCodePoint) {
            problems.push_back(where() + "文字ではないバイト 0x" + Hex(c.raw, 2) + " があります");
            ++count;
            continue;
        }
        if (IsControl(c.cp)) {
            problems.push_back(where() + "制御文字 (" + ControlName(c.cp) + ") は使えません");
            if (c.cp == '\r' && i < chars.size() && chars[i].cp == '\n') ++i;  // one line end
            ++count;
            continue;
        }
        const char32_t wide = Widen(chars, i - 1, used);
        i += used - 1;
        const char32_t cp = wide != 0 ? wide : c.cp;
        int code = wide == 0 && c.sjis > 0xFF ? c.sjis : -1;
        if (!Sendable(code)) code = EncodeCp932(cp);
        ++count;
        if (code < 0) {
            problems.push_back(where() + Quoted(cp) + " はコードページ932にない文字です");
            continue;
        }
        if (!Sendable(code)) {
            problems.push_back(where() + Quoted(cp) + " は本機で表示できない文字です");
            continue;
        }
        if (wide != 0) ++widened;
        AppendPair(NecSelectedForm(static_cast<std::uint32_t>(code)), bytes);
    }
    if (count > kMaxTitleChars) {
        problems.push_back(Where(f.line, 2) + "タイトルが " + std::to_string(count) +
                           " 文字あります (全角 " + std::to_string(kMaxTitleChars) +
                           " 文字まで)");
    }
    return bytes;
}

// The characters of a title: each external character as its edit character, each byte that is
// no character as a value above Unicode's, so that only the same text compares equal.
std::u32string TitleCharacters(const char* title) {
    std::u32string chars;
    ForEachTitlePiece(std::string_view(title, TitleTextLength(title)),
                      [&chars](bool external, std::string_view bytes) {
                          const auto byte = [&bytes](std::size_t i) {
                              return static_cast<unsigned char>(bytes[i]);
                          };
                          if (external) {
                              chars += ExternalEditChar(byte(0) << 8 | byte(1));
                              return;
                          }
                          for (std::size_t i = 0; i < bytes.size();) {
                              const DecodedChar ch = DecodeCp932(bytes.substr(i));
                              chars += ch.code_point != kNoCodePoint ? ch.code_point
                                                                     : 0x110000 + byte(i);
                              i += ch.length;
                          }
                      });
    return chars;
}

// ---- Writing -----------------------------------------------------------------------------

bool NeedsQuotes(std::string_view text) {
    if (text.empty()) return false;
    if (text.front() == ' ' || text.back() == ' ') return true;
    return text.find_first_of(",\"\r\n\t") != std::string_view::npos;
}

void AppendField(std::string_view text, std::string& out) {
    if (!NeedsQuotes(text)) {
        out += text;
        return;
    }
    out += '"';
    for (char ch : text) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
}

// Title t as text of the file's encoding; false (with problems) when it cannot be written.
bool TitleText(const char* title, int t, TitleCsvEncoding encoding, std::string& out,
               std::vector<std::string>& problems) {
    const std::size_t length = TitleTextLength(title);
    const std::string_view bytes(title, length);
    bool ok = true;
    int character = 0;
    for (std::size_t i = 0; i < length;) {
        ++character;
        const std::string where = "タイトル " + std::to_string(t + 1) + " の " +
                                  std::to_string(character) + " 文字目: ";
        const auto lead = static_cast<unsigned char>(title[i]);
        if (IsExternalLeadByte(lead) && i + 1 < length) {
            const auto pair = static_cast<std::uint32_t>(lead << 8 |
                                                         static_cast<unsigned char>(title[i + 1]));
            const int glyph = GlyphOfTitlePair(pair);
            if (glyph < 0 || glyph >= kCsvGlyphs) {
                problems.push_back(where +
                                   (glyph < 0 ? "外字ではない符号 0x" + Hex(pair, 4)
                                              : "外字 " + std::to_string(glyph + 1)) +
                                   " は [外字1]〜[外字" + std::to_string(kCsvGlyphs) +
                                   "] のどれでもありません");
                ok = false;
            }
            std::string token = "[外字" + std::to_string(glyph + 1) + "]";
            if (encoding == TitleCsvEncoding::Cp932) Utf8ToCp932(std::string(token), token);
            out += token;
            i += 2;
            continue;
        }
        const DecodedChar ch = DecodeCp932(bytes.substr(i));
        if (ch.code_point == kNoCodePoint) {
            problems.push_back(where + "0x" + Hex(lead, 2) + " はコードページ932の文字ではありません");
            ok = false;
        } else if (encoding == TitleCsvEncoding::Utf8) {
            AppendUtf8(ch.code_point, out);
        } else {
            out.append(bytes.substr(i, ch.length));
        }
        i += ch.length;
    }
    return ok;
}

}  // namespace

bool WriteTitlesCsv(const SettingsModel& model, TitleCsvEncoding encoding, std::string& bytes,
                    std::vector<std::string>& problems) {
    std::string out;
    if (encoding == TitleCsvEncoding::Utf8) {
        out += kUtf8Bom;
        out += kHeader;
    } else {
        Utf8ToCp932(kHeader, out);
    }
    out += "\r\n";
    const std::size_t problems_before = problems.size();
    for (int t = 0; t < kTitleCount; ++t) {
        std::string title;
        TitleText(model.title_text[t], t, encoding, title, problems);
        out += std::to_string(t + 1);
        out += ',';
        AppendField(title, out);
        out += "\r\n";
    }
    if (problems.size() != problems_before) {
        bytes.clear();
        return false;
    }
    bytes = std::move(out);
    return true;
}

bool ReadTitlesCsv(std::string_view bytes, TitleCsvRead& read) {
    read = TitleCsvRead{};
    if (bytes.size() > kMaxCsvBytes) {
        read.problems.push_back("ファイルが大きすぎます (1 MB まで)");
        return false;
    }
    Text text = DecodeFile(bytes, read.encoding);
    std::vector<Record> records = SplitRecords(text);
    bool header_checked = false;
    bool notes_allowed = false;
    int line_of[kTitleCount] = {};
    for (const Record& r : records) {
        if (r.unclosed_quote_line != 0) {
            read.problems.push_back(std::to_string(r.unclosed_quote_line) +
                                    "行目: 「\"」で始まったフィールドが閉じていません");
        }
        if (RecordIsEmpty(r)) continue;
        if (!header_checked) {
            header_checked = true;
            // A first row whose number is text without digits names the columns.
            if (!FieldIsEmpty(r.fields[0]) && !HasDigit(r.fields[0])) {
                for (std::size_t k = 2; k < r.fields.size(); ++k)
                    notes_allowed = notes_allowed || !FieldIsEmpty(r.fields[k]);
                continue;
            }
        }
        const int number = TitleNumber(r.fields[0], read.problems);
        if (number > 0 && line_of[number - 1] != 0) {
            read.problems.push_back(Where(r.line, 1) + "番号 " + std::to_string(number) + " は " +
                                    std::to_string(line_of[number - 1]) + "行目にもあります");
        } else if (number > 0) {
            line_of[number - 1] = r.line;
        }
        if (r.fields.size() < 2) {
            read.problems.push_back(Where(r.line, 2) + "タイトルの列がありません");
            continue;
        }
        for (std::size_t k = 2; k < r.fields.size() && !notes_allowed; ++k) {
            if (FieldIsEmpty(r.fields[k])) continue;
            read.problems.push_back(Where(r.fields[k].line, static_cast<int>(k + 1)) +
                                    "列が多すぎます (「,」を含むタイトルは「\"」で囲みます)");
            break;
        }
        const std::string title = ConvertTitle(r.fields[1], read.widened, read.problems);
        if (number > 0 && title.size() <= static_cast<std::size_t>(kTitleMaxText)) {
            std::memcpy(read.titles[number - 1], title.data(), title.size());
            read.given[number - 1] = true;
        }
        ++read.taken;
    }
    if (read.taken == 0 && read.problems.empty()) read.problems.push_back("タイトルの行がありません");
    return read.problems.empty();
}

bool ImportTitlesCsv(std::string_view bytes, SettingsModel& model, TitleCsvRead& read) {
    if (!ReadTitlesCsv(bytes, read)) return false;
    for (int t = 0; t < kTitleCount; ++t) {
        // A title that reads as the same characters keeps its own bytes: through Unicode the
        // NEC row 13 copies of row 2 symbols (0x8790..0x879C) and 0xEEF9 come back as their
        // twins, and a title nobody edited must not change.
        if (read.given[t] &&
            TitleCharacters(model.title_text[t]) != TitleCharacters(read.titles[t]))
            std::memcpy(model.title_text[t], read.titles[t], kTitleBytes);
    }
    return true;
}

bool ReadTitleText(std::string_view utf8, char (&title)[kTitleBytes], int& widened,
                   std::vector<std::string>& problems) {
    Field f;
    DecodeUtf8Text(utf8, f.chars);
    const std::size_t problems_before = problems.size();
    const std::string bytes = ConvertTitle(f, widened, problems);
    if (problems.size() != problems_before || bytes.size() > kTitleMaxText) return false;
    std::memset(title, 0, kTitleBytes);
    std::memcpy(title, bytes.data(), bytes.size());
    return true;
}

std::string TitleCsvSummary(const TitleCsvRead& read) {
    return std::to_string(read.taken) + " 件のタイトルを読み込みました (半角を全角にした文字: " +
           std::to_string(read.widened) + ")";
}

std::string TitleCsvProblemList(const std::vector<std::string>& problems, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < problems.size() && i < limit; ++i) {
        if (i > 0) text += '\n';
        text += problems[i];
    }
    if (problems.size() > limit)
        text += "\nほか " + std::to_string(problems.size() - limit) + " 件";
    return text;
}

}  // namespace tvx
