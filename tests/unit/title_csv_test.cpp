// Titles as CSV: every encoding and separator a spreadsheet writes, quoting, widening of
// half-width text, external character tokens, each problem with its line and column, nothing
// taken on a problem, the exact bytes written, and export then import giving back every title.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/cp932.h"
#include "model/title_text.h"
#include "protocol/encodings.h"
#include "protocol/title_csv.h"

namespace tvx {
namespace {

using Problems = std::vector<std::string>;

std::string Title(const char (&slot)[kTitleBytes]) {
    return std::string(slot, TitleTextLength(slot));
}

void SetTitle(SettingsModel& m, int t, const std::string& bytes) {
    std::memset(m.title_text[t], 0, kTitleBytes);
    std::memcpy(m.title_text[t], bytes.data(), bytes.size());
}

// UTF-16LE with its byte-order mark, as a spreadsheet's "Unicode text" (BMP only).
std::string Utf16Le(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const DecodedChar ch = DecodeUtf8(utf8.substr(i));
        out += static_cast<char>(ch.code_point & 0xFF);
        out += static_cast<char>(ch.code_point >> 8);
        i += ch.length;
    }
    return out;
}

const std::string kA = "\x82\xA0\x82\xA2\x82\xA4";  // あいう
const std::string kKanji = "\x8A\xBF\x8E\x9A";          // 漢字
const std::string kGlyph63("\x11\x00", 2);  // its zero byte does not end the title

// The same three titles (1 あいう, 3 漢字, 144 glyph 63) as spreadsheets and people write them.
TEST(TitleCsvRead, EveryEncodingSeparatorAndLineEnd) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* encoding;
    };
    const std::vector<Case> cases = {
        {"UTF-8 with BOM, CR LF", "\xEF\xBB\xBF番号,タイトル\r\n1,あいう\r\n3,漢字\r\n144,[外字63]\r\n",
         "UTF-8"},
        {"UTF-8, LF, no last line end", "番号,タイトル\n1,あいう\n3,漢字\n144,[外字63]", "UTF-8"},
        {"code page 932",
         "\x94\xD4\x8D\x86,\x83\x5E\x83\x43\x83\x67\x83\x8B\r\n1,\x82\xA0\x82\xA2\x82\xA4\r\n"
         "3,\x8A\xBF\x8E\x9A\r\n144,[\x8A\x4F\x8E\x9A"
         "63]\r\n",
         "CP932"},
        {"two columns copied: tabs, no header", "1\tあいう\r\n3\t漢字\r\n144\t[外字63]\r\n", "UTF-8"},
        {"UTF-16 text", Utf16Le("番号\tタイトル\r\n1\tあいう\r\n3\t漢字\r\n144\t[外字63]\r\n"),
         "UTF-16"},
        {"any order, quotes, CR line ends, blank rows",
         "番号,タイトル\r144,\"[外字63]\"\r\r,\r  \r3,\"漢字\"\r001,あいう\r\r", "UTF-8"},
        {"a notes column the header names", "番号,タイトル,メモ\n1,あいう,朝\n3,漢字,\n144,[外字63],夜\n",
         "UTF-8"},
        {"full-width number, blanks around it", "番号,タイトル\n １ ,あいう\n3,漢字\n144,[外字63]\n",
         "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TitleCsvRead read;
        ASSERT_TRUE(ReadTitlesCsv(c.bytes, read)) << TitleCsvProblemList(read.problems, 20);
        EXPECT_EQ(read.encoding, c.encoding);
        EXPECT_EQ(read.taken, 3);
        EXPECT_EQ(read.widened, 0);
        for (int t = 0; t < kTitleCount; ++t) EXPECT_EQ(read.given[t], t == 0 || t == 2 || t == 143);
        EXPECT_EQ(Title(read.titles[0]), kA);
        EXPECT_EQ(Title(read.titles[2]), kKanji);
        EXPECT_EQ(Title(read.titles[143]), kGlyph63);
    }
}

TEST(TitleCsvRead, QuotingWideningAndTokens) {
    struct Case {
        std::string field;  // as it stands in the file after "1,"
        std::string title;
        int widened;
    };
    const std::vector<Case> cases = {
        {"\"カンマ,入り\"", "\x83\x4A\x83\x93\x83\x7D\x81\x43\x93\xFC\x82\xE8", 1},
        {"\"a \"\"b\"\" c\"", "\x82\x81\x81\x40\xEE\xFC\x82\x82\xEE\xFC\x81\x40\x82\x83", 7},
        {"\"\"", "", 0},
        {"", "", 0},
        {"ABC 123", "\x82\x60\x82\x61\x82\x62\x81\x40\x82\x50\x82\x51\x82\x52", 7},
        {"ｶﾞﾝﾊﾞﾚ", "\x83\x4B\x83\x93\x83\x6F\x83\x8C", 4},
        {"ﾊﾟﾋﾟｳﾞｰ", "\x83\x70\x83\x73\x83\x94\x81\x5B", 4},
        {"ﾞｱﾞ", "\x81\x4A\x83\x41\x81\x4A", 3},
        {"｢ｶﾅ｣､｡", "\x81\x75\x83\x4A\x83\x69\x81\x76\x81\x41\x81\x42", 6},
        {"~\\¥", "\x81\x60\x81\x5F\x81\x8F", 3},
        {"全角はそのまま", "\x91\x53\x8A\x70\x82\xCD\x82\xBB\x82\xCC\x82\xDC\x82\xDC", 0},
        {"〜∥", "\x81\x60\x81\x61", 0},                  // JIS forms of ～ and ∥
        {"ⅰ纊", "\xEE\xEF\xED\x40", 0},                  // NEC-selected IBM extensions
        {"[外字1][外字57]", "\x10\x20\x10\xFA", 0},
        {"[外字064]A", "\x11\x01\x82\x60", 1},
        {"[外字63]", std::string("\x11\x00", 2), 0},
        {"\uF020\uF0FAA", "\x10\x20\x10\xFA\x82\x60", 1},  // copied from the title edit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        TitleCsvRead read;
        ASSERT_TRUE(ReadTitlesCsv("1," + c.field + "\r\n", read))
            << TitleCsvProblemList(read.problems, 20);
        EXPECT_EQ(Title(read.titles[0]), c.title);
        EXPECT_EQ(read.widened, c.widened);
    }
}

TEST(TitleCsvRead, EveryProblemWithItsLineAndColumnAtOnce) {
    const std::string csv =
        "番号,タイトル\r\n"                                       // 1
        "1,あいう\r\n"                                            // 2
        "a\x1B" "c,x\r\n"                                          // 3
        "145,x\r\n"                                               // 4
        ",x\r\n"                                                  // 5
        "1,重複\r\n"                                              // 6
        "7\r\n"                                                   // 7
        "8,a,b\r\n"                                               // 8
        "9,あいうえおかきくけこさしすせそたちつてとなに\r\n"      // 9
        "10,€\r\n"                                                // 10
        "11,ab\uE000\r\n"                                         // 11
        "12,\"a\tb\"\r\n"                                         // 12
        "13,[外字165]\r\n"                                        // 13
        "14,x[外字]\uF3FF\r\n"                                    // 14
        "15,\"two\r\nlines\"\r\n"                                 // 15, 16
        "17,\"open\r\n";                                          // 17
    const Problems expected = {
        "3行目 1列目: 番号「a\\x1Bc」は数ではありません",
        "4行目 1列目: 番号 145 は 1〜144 にありません",
        "5行目 1列目: 番号がありません",
        "6行目 1列目: 番号 1 は 2行目にもあります",
        "7行目 2列目: タイトルの列がありません",
        "8行目 3列目: 列が多すぎます (「,」を含むタイトルは「\"」で囲みます)",
        "9行目 2列目: タイトルが 22 文字あります (全角 21 文字まで)",
        "10行目 2列目 (1文字目): 「€」(U+20AC) はコードページ932にない文字です",
        "11行目 2列目 (3文字目): 「\uE000」(U+E000) は本機で表示できない文字です",
        "12行目 2列目 (2文字目): 制御文字 (タブ) は使えません",
        "13行目 2列目 (1文字目): 外字の番号 165 は 1〜160 にありません",
        "14行目 2列目 (2文字目): 外字は [外字1]〜[外字160] の形で書きます",
        "14行目 2列目 (3文字目): 「\uF3FF」(U+F3FF) は [外字1]〜[外字160] のどれでもありません",
        "15行目 2列目 (4文字目): 制御文字 (改行) は使えません",
        "17行目: 「\"」で始まったフィールドが閉じていません",
        "17行目 2列目 (5文字目): 制御文字 (改行) は使えません",
    };
    auto model = std::make_unique<SettingsModel>();
    SetTitle(*model, 0, "\x82\xA9");  // か
    SetTitle(*model, 8, kKanji);
    const auto before = std::make_unique<SettingsModel>(*model);
    TitleCsvRead read;
    EXPECT_FALSE(ImportTitlesCsv(csv, *model, read));
    EXPECT_EQ(read.problems, expected);
    EXPECT_EQ(std::memcmp(model->title_text, before->title_text, sizeof model->title_text), 0);

    EXPECT_EQ(TitleCsvProblemList(read.problems, 2),
              "3行目 1列目: 番号「a\\x1Bc」は数ではありません\n"
              "4行目 1列目: 番号 145 は 1〜144 にありません\nほか 14 件");
}

TEST(TitleCsvRead, BytesThatAreNoTextAndFilesWithoutTitles) {
    struct Case {
        std::string bytes;
        Problems problems;
    };
    const std::vector<Case> cases = {
        // A byte-order mark promises UTF-8.
        {"\xEF\xBB\xBF" "1,a\xFF" "b\r\n",
         {"1行目 2列目 (2文字目): 文字ではないバイト 0xFF があります"}},
        // Without one, bytes that are not UTF-8 are code page 932: 0x85 is no character there.
        {"1,\x85\x40\r\n", {"1行目 2列目 (1文字目): 文字ではないバイト 0x85 があります"}},
        {"1,\xA0\r\n", {"1行目 2列目 (1文字目): 「\uF8F0」(U+F8F0) は本機で表示できない文字です"}},
        {"", {"タイトルの行がありません"}},
        {"番号,タイトル\r\n\r\n", {"タイトルの行がありません"}},
        {"1,a\r\n" + std::string(1 << 20, ' '), {"ファイルが大きすぎます (1 MB まで)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        TitleCsvRead read;
        EXPECT_FALSE(ReadTitlesCsv(c.bytes, read));
        EXPECT_EQ(read.problems, c.problems);
    }
}

TEST(TitleCsvImport, TakesOnlyTheTitlesTheFileNames) {
    auto model = std::make_unique<SettingsModel>();
    SetTitle(*model, 0, "\x82\xA9");
    SetTitle(*model, 1, kKanji);
    TitleCsvRead read;
    ASSERT_TRUE(ImportTitlesCsv("番号,タイトル\n2,あいう\n3,\"\"\n", *model, read));
    EXPECT_EQ(Title(model->title_text[0]), "\x82\xA9");
    EXPECT_EQ(Title(model->title_text[1]), kA);
    EXPECT_EQ(Title(model->title_text[2]), "");
    EXPECT_EQ(TitleCsvSummary(read), "2 件のタイトルを読み込みました (半角を全角にした文字: 0)");
}

TEST(TitleCsvWrite, ExactBytesInBothEncodings) {
    auto model = std::make_unique<SettingsModel>();
    SetTitle(*model, 0, "\x82\xA0");                 // あ
    SetTitle(*model, 1, "\x10\xFA\x82\xA2");         // glyph 57, い
    SetTitle(*model, 2, "a,b");                      // half-width, as the edit may hold it
    SetTitle(*model, 3, "\"");
    SetTitle(*model, 4, std::string("\x11\x00\x81\x40", 4));  // glyph 63, a full-width blank
    std::string rest;
    for (int n = 6; n <= 144; ++n) rest += std::to_string(n) + ",\r\n";

    std::string bytes;
    Problems problems;
    ASSERT_TRUE(WriteTitlesCsv(*model, TitleCsvEncoding::Utf8, bytes, problems));
    EXPECT_EQ(bytes, "\xEF\xBB\xBF番号,タイトル\r\n1,あ\r\n2,[外字57]い\r\n3,\"a,b\"\r\n4,\"\"\"\"\r\n"
                     "5,[外字63]　\r\n" + rest);
    ASSERT_TRUE(WriteTitlesCsv(*model, TitleCsvEncoding::Cp932, bytes, problems));
    EXPECT_EQ(bytes,
              "\x94\xD4\x8D\x86,\x83\x5E\x83\x43\x83\x67\x83\x8B\r\n1,\x82\xA0\r\n"
              "2,[\x8A\x4F\x8E\x9A" "57]\x82\xA2\r\n3,\"a,b\"\r\n4,\"\"\"\"\r\n"
              "5,[\x8A\x4F\x8E\x9A" "63]\x81\x40\r\n" + rest);
    EXPECT_TRUE(problems.empty());
}

TEST(TitleCsvWrite, RefusesWhatACsvCannotGiveBack) {
    auto model = std::make_unique<SettingsModel>();
    SetTitle(*model, 4, "\x85\x40");                 // no character
    SetTitle(*model, 5, "\x12\x04");                 // the pair after glyph 160's
    SetTitle(*model, 6, "\x82\xA0\x10\x7F");         // あ, then a pair that is no glyph
    std::string bytes = "old";
    Problems problems;
    EXPECT_FALSE(WriteTitlesCsv(*model, TitleCsvEncoding::Utf8, bytes, problems));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(problems, (Problems{
                            "タイトル 5 の 1 文字目: 0x85 はコードページ932の文字ではありません",
                            "タイトル 6 の 1 文字目: 外字ではない符号 0x1204 は [外字1]〜[外字160] "
                            "のどれでもありません",
                            "タイトル 7 の 2 文字目: 外字ではない符号 0x107F は [外字1]〜[外字160] "
                            "のどれでもありません",
                        }));
}

// Every character a title can be sent with, 21 to a title, and every glyph 1..160: written and
// read back, in both encodings. Through Unicode the NEC row 13 copies of row 2 symbols come back
// as row 2 (the same character); code page 932 keeps every byte. Imported over the titles they
// came from, both change no byte.
TEST(TitleCsvRoundTrip, EverySendableCharacterAndEveryGlyph) {
    std::vector<std::string> chars;
    for (int g = 0; g < kGlyphCount; ++g) {
        const std::uint16_t pair = GlyphTitlePair(g);
        chars.push_back({static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)});
    }
    for (int code = 0x8140; code < 0xF000; ++code) {
        const std::string c{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        if (DecodeCp932(c).length == 2 && title_wire_code(static_cast<std::uint32_t>(code)) != 0)
            chars.push_back(c);
    }
    ASSERT_GT(chars.size(), 7300u);
    const std::vector<std::pair<std::string, std::string>> unicode_same = {
        {"\x87\x90", "\x81\xE0"}, {"\x87\x91", "\x81\xDF"}, {"\x87\x92", "\x81\xE7"},
        {"\x87\x95", "\x81\xE3"}, {"\x87\x96", "\x81\xDB"}, {"\x87\x97", "\x81\xDA"},
        {"\x87\x9A", "\x81\xE6"}, {"\x87\x9B", "\x81\xBF"}, {"\x87\x9C", "\x81\xBE"},
        {"\xEE\xF9", "\x81\xCA"},
    };
    auto through_unicode = [&](std::string c) {
        for (const auto& [from, to] : unicode_same) {
            if (c == from) return to;
        }
        return c;
    };
    const std::size_t per_model = std::size_t{kTitleCount} * 21;
    for (std::size_t first = 0; first < chars.size(); first += per_model) {
        auto model = std::make_unique<SettingsModel>();
        std::string expected_utf8[kTitleCount];
        for (std::size_t k = first; k < chars.size() && k < first + per_model; ++k) {
            const int t = static_cast<int>((k - first) / 21);
            const std::size_t at = (k - first) % 21 * 2;
            std::memcpy(model->title_text[t] + at, chars[k].data(), 2);
            expected_utf8[t] += through_unicode(chars[k]);
        }
        for (TitleCsvEncoding encoding : {TitleCsvEncoding::Utf8, TitleCsvEncoding::Cp932}) {
            std::string bytes;
            Problems problems;
            ASSERT_TRUE(WriteTitlesCsv(*model, encoding, bytes, problems)) << problems.front();
            TitleCsvRead read;
            ASSERT_TRUE(ReadTitlesCsv(bytes, read)) << TitleCsvProblemList(read.problems, 5);
            EXPECT_EQ(read.taken, kTitleCount);
            EXPECT_EQ(read.widened, 0);
            for (int t = 0; t < kTitleCount; ++t) {
                const std::string want = encoding == TitleCsvEncoding::Cp932
                                             ? Title(model->title_text[t])
                                             : expected_utf8[t];
                EXPECT_EQ(Title(read.titles[t]), want) << "title " << t + 1;
            }
            const auto again = std::make_unique<SettingsModel>(*model);
            ASSERT_TRUE(ImportTitlesCsv(bytes, *again, read));
            EXPECT_EQ(std::memcmp(again->title_text, model->title_text, sizeof model->title_text),
                      0);
        }
    }
}

}  // namespace
}  // namespace tvx
