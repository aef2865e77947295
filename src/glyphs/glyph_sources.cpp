#include "glyphs/glyph_sources.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "glyphs/glyph_files.h"
#include "glyphs/glyph_pattern.h"
#include "model/cp932.h"
#include "model/settings_model.h"

namespace tvx {

namespace {

// A character is drawn this many times finer than the dots, so that the heavier stroke can add
// less than a dot and each dot gets the share of it that the stroke covers.
constexpr int kFine = 4;
constexpr int kHeavierFine = kFine / 2;  // half a dot

// Every fine pixel takes the most ink within a disc of the given radius around it.
InkImage Thicker(const InkImage& fine, int radius) {
    InkImage out(fine.width, fine.height);
    const int reach = radius * radius + 1;  // a disc that keeps the knight's-move neighbours
    for (int y = 0; y < fine.height; ++y) {
        for (int x = 0; x < fine.width; ++x) {
            std::uint8_t most = 0;
            for (int oy = -radius; oy <= radius; ++oy) {
                for (int ox = -radius; ox <= radius; ++ox) {
                    if (ox * ox + oy * oy <= reach) most = std::max(most, fine.At(x + ox, y + oy));
                }
            }
            out.ink[static_cast<std::size_t>(y) * out.width + x] = most;
        }
    }
    return out;
}

// Each dot the rounded average of the factor x factor fine pixels under it.
InkImage Averaged(const InkImage& fine, int factor) {
    const int side = fine.width / factor;
    InkImage out(side, side);
    const int count = factor * factor;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            int sum = 0;
            for (int fy = 0; fy < factor; ++fy)
                for (int fx = 0; fx < factor; ++fx)
                    sum += fine.At(x * factor + fx, y * factor + fy);
            out.ink[static_cast<std::size_t>(y) * side + x] =
                static_cast<std::uint8_t>((sum + count / 2) / count);
        }
    }
    return out;
}

// For one dot of the fitted picture: the picture's pixels under it, and how much of each (in
// pixel widths) lies under it.
struct Span {
    int first = 0;
    std::vector<double> weights;
};

// The spans of the 32 dots along one side: dot d covers the picture from (d - offset) / scale
// to (d + 1 - offset) / scale; what lies outside the picture counts as no ink.
std::vector<Span> Spans(int length, double scale, double offset) {
    std::vector<Span> spans(kGlyphDots);
    for (int d = 0; d < kGlyphDots; ++d) {
        const double from = std::max(0.0, (d - offset) / scale);
        const double to = std::min(static_cast<double>(length), (d + 1 - offset) / scale);
        if (to <= from) continue;
        Span& span = spans[d];
        span.first = static_cast<int>(std::floor(from));
        const int last = std::min(length - 1, static_cast<int>(std::ceil(to)) - 1);
        for (int p = span.first; p <= last; ++p) {
            const double covered = std::min(to, p + 1.0) - std::max(from, static_cast<double>(p));
            span.weights.push_back(std::max(0.0, covered));
        }
    }
    return spans;
}

}  // namespace

CharacterOptions Bounded(CharacterOptions o) {
    o.size_percent = std::clamp(o.size_percent, kMinSizePercent, kMaxSizePercent);
    o.dx = std::clamp(o.dx, -kMaxOffsetDots, kMaxOffsetDots);
    o.dy = std::clamp(o.dy, -kMaxOffsetDots, kMaxOffsetDots);
    o.threshold = std::clamp(o.threshold, kMinThreshold, kMaxThreshold);
    return o;
}

bool OneCharacter(std::string_view utf8, char32_t& out) {
    if (utf8.empty()) return false;
    const DecodedChar ch = DecodeUtf8(utf8);
    if (ch.code_point == kNoCodePoint || ch.length != utf8.size()) return false;
    if (ch.code_point < 0x20 || (ch.code_point >= 0x7F && ch.code_point < 0xA0)) return false;
    out = ch.code_point;
    return true;
}

InkImage CharacterGrey(const FontFace& face, char32_t character, const CharacterOptions& options) {
    const CharacterOptions o = Bounded(options);
    const int cell = kGlyphDots * kFine;
    const CellPlacement placement{cell, cell * o.size_percent / 100.0,
                                  static_cast<double>(o.dx * kFine),
                                  static_cast<double>(o.dy * kFine)};
    InkImage fine = DrawCharacter(face, character, placement);
    if (o.heavier) fine = Thicker(fine, kHeavierFine);
    return Averaged(fine, kFine);
}

FittedPicture FitPicture(const InkImage& ink) {
    FittedPicture fitted;
    fitted.grey = InkImage(kGlyphDots, kGlyphDots);
    if (ink.width <= 0 || ink.height <= 0) return fitted;
    const double scale = static_cast<double>(kGlyphDots) / std::max(ink.width, ink.height);
    const double placed_w = ink.width * scale;
    const double placed_h = ink.height * scale;
    const double left = (kGlyphDots - placed_w) / 2;
    const double top = (kGlyphDots - placed_h) / 2;
    constexpr double kSlack = 1e-9;  // a side that ends on a dot's edge does not reach the next
    fitted.left = std::max(0, static_cast<int>(std::floor(left + kSlack)));
    fitted.right = std::min(kGlyphDots, static_cast<int>(std::ceil(left + placed_w - kSlack)));
    fitted.top = std::max(0, static_cast<int>(std::floor(top + kSlack)));
    fitted.bottom = std::min(kGlyphDots, static_cast<int>(std::ceil(top + placed_h - kSlack)));

    const std::vector<Span> columns = Spans(ink.width, scale, left);
    const std::vector<Span> rows = Spans(ink.height, scale, top);
    // Each picture row summed under each dot column, then those sums under each dot row.
    std::vector<double> row_sums(static_cast<std::size_t>(ink.height) * kGlyphDots, 0.0);
    for (int y = 0; y < ink.height; ++y) {
        const std::uint8_t* line = &ink.ink[static_cast<std::size_t>(y) * ink.width];
        for (int x = 0; x < kGlyphDots; ++x) {
            const Span& span = columns[x];
            double sum = 0.0;
            for (std::size_t i = 0; i < span.weights.size(); ++i)
                sum += span.weights[i] * line[span.first + i];
            row_sums[static_cast<std::size_t>(y) * kGlyphDots + x] = sum;
        }
    }
    const double dot_area = scale * scale;  // a dot is 1 / scale pixels wide and high
    for (int y = 0; y < kGlyphDots; ++y) {
        const Span& span = rows[y];
        for (int x = 0; x < kGlyphDots; ++x) {
            double sum = 0.0;
            for (std::size_t i = 0; i < span.weights.size(); ++i)
                sum += span.weights[i] * row_sums[(span.first + i) * kGlyphDots + x];
            const double level = std::round(sum * dot_area);
            fitted.grey.ink[static_cast<std::size_t>(y) * kGlyphDots + x] =
                static_cast<std::uint8_t>(std::clamp(level, 0.0, 255.0));
        }
    }
    return fitted;
}

int AutomaticThreshold(const FittedPicture& fitted) {
    std::int64_t histogram[256] = {};
    std::int64_t count = 0;
    std::int64_t total = 0;
    for (int y = fitted.top; y < fitted.bottom; ++y) {
        for (int x = fitted.left; x < fitted.right; ++x) {
            const int level = fitted.grey.At(x, y);
            ++histogram[level];
            ++count;
            total += level;
        }
    }
    // Between-class variance times count squared, for the classes below t and from t up:
    // (count * sum_below - below * total)^2 / (below * above).
    double best = 0.0;
    int best_from = 0;
    int best_to = 0;
    std::int64_t below = 0;
    std::int64_t sum_below = 0;
    for (int t = kMinThreshold; t <= kMaxThreshold; ++t) {
        below += histogram[t - 1];
        sum_below += static_cast<std::int64_t>(t - 1) * histogram[t - 1];
        const std::int64_t above = count - below;
        if (below == 0 || above == 0) continue;
        const double d = static_cast<double>(count * sum_below - below * total);
        const double between = d * d / (static_cast<double>(below) * static_cast<double>(above));
        if (between > best) {
            best = between;
            best_from = best_to = t;
        } else if (between == best && best_to == t - 1) {
            best_to = t;  // the same parting: the levels between them are empty
        }
    }
    return best_from == 0 ? kDefaultThreshold : (best_from + best_to) / 2;
}

std::string PatternOfGrey(const InkImage& grey, int threshold) {
    std::string pattern(kGlyphPatternChars, '0');
    const int t = std::clamp(threshold, kMinThreshold, kMaxThreshold);
    for (int y = 0; y < kGlyphDots; ++y)
        for (int x = 0; x < kGlyphDots; ++x)
            if (grey.At(x, y) >= t) SetDot(pattern.data(), x, y, true);
    return pattern;
}

PictureGlyph GlyphOfPicture(const RgbaImage& picture, int threshold, bool invert) {
    const FittedPicture fitted = FitPicture(InkOfPicture(picture, invert));
    PictureGlyph glyph;
    glyph.threshold = threshold == kAutomaticThreshold
                          ? AutomaticThreshold(fitted)
                          : std::clamp(threshold, kMinThreshold, kMaxThreshold);
    glyph.pattern = PatternOfGrey(fitted.grey, glyph.threshold);
    return glyph;
}

bool PatternOfText(std::string_view text, std::string& pattern) {
    std::string digits;
    for (char ch : text) {
        if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') continue;
        const bool hex =
            (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
        if (!hex || digits.size() == kGlyphPatternChars) return false;
        digits += static_cast<char>(ch >= 'a' ? ch - 'a' + 'A' : ch);
    }
    if (digits.size() != kGlyphPatternChars) return false;
    pattern = std::move(digits);
    return true;
}

std::string PatternDib(const char* pattern) {
    constexpr int kSide = kGlyphDots * kClipboardDot;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kSide) * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            pixels[static_cast<std::size_t>(y) * kSide + x] =
                DotLit(pattern, x / kClipboardDot, y / kClipboardDot) ? 0x000000u : 0xFFFFFFu;
    constexpr std::size_t kFileHeaderBytes = 14;
    return BitmapFile(pixels.data(), kSide, kSide, kSide).substr(kFileHeaderBytes);
}

std::string PictureProblemText(PictureProblem problem, std::string_view file_name) {
    const std::string name = "「" + std::string(file_name) + "」";
    switch (problem) {
        case PictureProblem::None:
            return {};
        case PictureProblem::FileTooLarge:
            return name + "は大きすぎます（画像は 20 MB まで）。";
        case PictureProblem::ImageTooLarge:
            return name + "は大きすぎます（画像は 4096 × 4096 ドットまで）。";
        case PictureProblem::NotAPicture:
            break;
    }
    return name + "は BMP、PNG、JPEG、GIF の画像として読めません。";
}

std::string FontProblemText(FontProblem problem, std::string_view file_name) {
    const std::string name = "「" + std::string(file_name) + "」";
    switch (problem) {
        case FontProblem::None:
            return {};
        case FontProblem::FileTooLarge:
            return name + "は大きすぎます（フォントは 64 MB まで）。";
        case FontProblem::NoSuchFace:
            return name + "にはその番号のフォントがありません。";
        case FontProblem::NotAFont:
            break;
    }
    return name + "は TrueType、OpenType のフォントとして読めません。";
}

}  // namespace tvx
