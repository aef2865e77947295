// The 144 titles as a spreadsheet's CSV: two columns, the title number (1..144) and the title,
// under a header row "番号,タイトル", one row per title.
//
// Writing: UTF-8 with a byte-order mark (what every spreadsheet opens as Unicode) or code page
// 932, CR LF line ends, a title quoted when it holds a comma, a quote, a line end, a tab or
// blanks at either end. External characters are written as tokens such as "[外字57]", for every
// glyph 1..160 a title can hold.
//
// Reading: a byte-order mark (UTF-8 or UTF-16) names the encoding; without one the text is
// UTF-8 when its bytes are valid UTF-8, otherwise code page 932. Commas or tabs (a copy of two
// spreadsheet columns), quoted fields with doubled quotes, CR LF, LF or CR line ends, blank rows,
// a header row or none, rows in any order; titles the file leaves out stay as they are. Further
// columns are notes and ignored when the header names them. Half-width letters, digits,
// symbols and katakana become full width. Each title is checked as "設定" checks it (at most 21
// full-width characters the device can show) and every problem is reported at once with its
// line and column; a read with any problem takes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/settings_model.h"

namespace tvx {

enum class TitleCsvEncoding { Utf8, Cp932 };

// The CSV of the model's 144 titles. False, with bytes empty, when a title holds what a CSV
// cannot give back: bytes that are no code page 932 character, a pair that names no glyph.
// problems then names each ("タイトル 5 の 3 文字目: ...").
bool WriteTitlesCsv(const SettingsModel& model, TitleCsvEncoding encoding, std::string& bytes,
                    std::vector<std::string>& problems);

// What a CSV gives: the titles it names, converted, and the count of characters widened.
struct TitleCsvRead {
    char titles[kTitleCount][kTitleBytes] = {};
    bool given[kTitleCount] = {};
    int taken = 0;    // titles the file names
    int widened = 0;  // half-width characters made full width
    std::string encoding;  // "UTF-8", "UTF-16", "CP932": what the file was read as
    std::vector<std::string> problems;  // "5行目 2列目: ...", in file order
};

// Reads a CSV; true when it holds at least one title row and no problem.
bool ReadTitlesCsv(std::string_view bytes, TitleCsvRead& read);

// Reads a CSV and, only when it has no problem, puts its titles into the model. A title that
// reads as the same characters as the model's keeps the model's bytes (a character with two
// codes, such as the NEC and the JIS "≒", comes back through Unicode with the lower one), so a
// CSV exported and imported again changes no byte. Leaves the document's modified flag to the
// caller.
bool ImportTitlesCsv(std::string_view bytes, SettingsModel& model, TitleCsvRead& read);

// One title given as UTF-8 text, read as a title cell of a CSV is: [外字N] tokens, half-width
// characters widened, at most 21 characters the device can show. False, with title untouched,
// when it cannot be a title; problems then names each character ("3文字目: ...").
bool ReadTitleText(std::string_view utf8, char (&title)[kTitleBytes], int& widened,
                   std::vector<std::string>& problems);

// What the user is told: "144 件のタイトルを読み込みました（半角を全角にした文字: 12）".
std::string TitleCsvSummary(const TitleCsvRead& read);
// The problems, one a line: the first `limit` and then "ほか N 件".
std::string TitleCsvProblemList(const std::vector<std::string>& problems, std::size_t limit);

}  // namespace tvx
