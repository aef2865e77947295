#include "glyphs/glyph_files.h"

#include <algorithm>

#include "protocol/encodings.h"

namespace tvx {

namespace {

bool IsFileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void PutLittleEndian(std::string& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;

}  // namespace

std::string PatternLines(const char* chars, std::size_t count) {
    std::string text;
    text.reserve(3 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += chars[i];
        text += "\r\n";
    }
    return text;
}

std::string GlyphFileText(const SettingsModel& model) {
    std::string text;
    text.reserve(3 * kGlyphCount * kGlyphPatternChars);
    for (const auto& slot : model.glyph_pattern) text += PatternLines(slot, kGlyphPatternChars);
    return text;
}

std::size_t ReadPatternChars(std::string_view file, char* dest, std::size_t count) {
    std::size_t at = file.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    std::size_t filled = 0;
    while (filled < count && at < file.size()) {
        dest[filled++] = file[at++];
        while (at < file.size() && IsFileSpace(file[at])) ++at;
    }
    return filled;
}

void ReadGlyphFile(std::string_view file, SettingsModel& model) {
    // One pass over the file: each slot continues where the one before stopped.
    char all[kGlyphCount * kGlyphPatternChars];
    for (int g = 0; g < kGlyphCount; ++g) {
        std::copy_n(model.glyph_pattern[g], kGlyphPatternChars, all + g * kGlyphPatternChars);
    }
    ReadPatternChars(file, all, sizeof all);
    for (int g = 0; g < kGlyphCount; ++g) {
        std::copy_n(all + g * kGlyphPatternChars, kGlyphPatternChars, model.glyph_pattern[g]);
    }
}

bool FindPatternFileProblem(std::string_view file, int glyphs, GlyphFileProblem& problem) {
    std::string chars(std::size_t(glyphs) * kGlyphPatternChars, '0');
    problem = {};
    problem.glyphs = glyphs;
    problem.characters_read = ReadPatternChars(file, chars.data(), chars.size());
    if (problem.characters_read < chars.size()) return true;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (IsPatternChar(chars[i])) continue;
        problem.glyph = static_cast<int>(i / kGlyphPatternChars) + 1;
        problem.character = static_cast<int>(i % kGlyphPatternChars) + 1;
        return true;
    }
    return false;
}

bool FindGlyphFileProblem(std::string_view file, GlyphFileProblem& problem) {
    return FindPatternFileProblem(file, kGlyphCount, problem);
}

std::string GlyphFileProblemText(std::string_view path, const GlyphFileProblem& p) {
    std::string text = "外字ファイルではありません。\n" + std::string(path) + "\n";
    if (p.glyph == 0) {
        return text + "外字 " + std::to_string(p.glyphs) + " 文字分のパターン（" +
               std::to_string(std::size_t(p.glyphs) * kGlyphPatternChars) + " 文字）のうち " +
               std::to_string(p.characters_read) + " 文字しかありません。";
    }
    return text + "外字 " + std::to_string(p.glyph) + " のパターンの " +
           std::to_string(p.character) + " 文字目が 16 進数字ではありません。";
}

std::size_t BitmapRowSize(int width) {
    return (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
}

std::string BitmapFile(const std::uint32_t* pixels, int width, int height, int stride) {
    if (width < 1 || height < 1) return {};
    const std::size_t row_size = BitmapRowSize(width);
    const std::size_t image_size = row_size * static_cast<std::size_t>(height);
    const std::size_t offset = kFileHeaderBytes + kInfoHeaderBytes;
    std::string file(offset + image_size, '\0');
    file[0] = 'B';
    file[1] = 'M';
    PutLittleEndian(file, 2, static_cast<std::uint32_t>(offset + image_size), 4);
    PutLittleEndian(file, 10, static_cast<std::uint32_t>(offset), 4);
    PutLittleEndian(file, 14, kInfoHeaderBytes, 4);
    PutLittleEndian(file, 18, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(file, 22, static_cast<std::uint32_t>(height), 4);  // positive: bottom up
    PutLittleEndian(file, 26, 1, 2);
    PutLittleEndian(file, 28, 24, 2);
    PutLittleEndian(file, 34, static_cast<std::uint32_t>(image_size), 4);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* source = pixels + static_cast<std::size_t>(height - 1 - y) * stride;
        char* row = file.data() + offset + static_cast<std::size_t>(y) * row_size;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<char>(source[x] & 0xFF);              // blue
            row[3 * x + 1] = static_cast<char>((source[x] >> 8) & 0xFF);   // green
            row[3 * x + 2] = static_cast<char>((source[x] >> 16) & 0xFF);  // red
        }
    }
    return file;
}

}  // namespace tvx
