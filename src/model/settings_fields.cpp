#include "model/settings_fields.h"

#include <cstdio>
#include <cstring>

#include "model/settings_file.h"
#include "model/title_text.h"

namespace tvx {

namespace {

constexpr int kMaxSeconds = 99;
constexpr int kMaxOffset = 15;
constexpr int kMaxLevel = 3;

// Item accessors: per page ([p][k] from item p * 144 + k), per position, single.
template <auto Member>
int* PerPage(SettingsModel& m, int item) {
    return &(m.*Member)[item / kPageCount][item % kPageCount];
}
template <auto Member>
int* PerPosition(SettingsModel& m, int item) {
    return &(m.*Member)[item];
}
template <auto Member>
int* Single(SettingsModel& m, int) {
    return &(m.*Member);
}
TitleSlot* Title(SettingsModel& m, int item) {
    return &m.title_text[item];
}

constexpr SettingsFileField kFields[] = {
    {"page_display_on", FieldShape::PerPage, FieldValue::OnOff, "タイトル表示 {pos} ページ {page}",
     0, 1, false, PerPage<&SettingsModel::page_display_on>, nullptr},
    {"page_switch_seconds", FieldShape::PerPage, FieldValue::Seconds,
     "自動切換え {pos} ページ {page}", 0, kMaxSeconds, false,
     PerPage<&SettingsModel::page_switch_seconds>, nullptr},
    {"startup_page", FieldShape::PerPosition, FieldValue::Page, "スタートアップ {pos}", 0,
     kAutoSwitchPage, false, PerPosition<&SettingsModel::startup_page>, nullptr},
    {"display_page", FieldShape::PerPosition, FieldValue::Page, "表示ページ {pos}", 0,
     kAutoSwitchPage, false, PerPosition<&SettingsModel::display_page>, nullptr},
    {"position_offset", FieldShape::PerPosition, FieldValue::Number, "表示位置の微調整 {pos}", 0,
     kMaxOffset, false, PerPosition<&SettingsModel::position_offset>, nullptr},
    {"white_level", FieldShape::Single, FieldValue::Number, "文字レベル 白", 0, kMaxLevel, false,
     Single<&SettingsModel::white_level>, nullptr},
    {"edge_level", FieldShape::Single, FieldValue::Number, "文字レベル エッジ", 0, kMaxLevel, false,
     Single<&SettingsModel::edge_level>, nullptr},
    {"title_text", FieldShape::Titles, FieldValue::TitleText, "T{title}", 0, 0, false, nullptr,
     Title},
    {"position_offset", FieldShape::PerPosition, FieldValue::Number, "表示位置の微調整 {pos}", 0,
     kMaxOffset, true, PerPosition<&SettingsModel::position_offset>, nullptr},
    {"page_title_number", FieldShape::PerPage, FieldValue::TitleNumber, "ページ {page} {pos}", 0,
     kTitleCount - 1, false, PerPage<&SettingsModel::page_title_number>, nullptr},
};

constexpr int ItemCount(FieldShape shape) {
    switch (shape) {
        case FieldShape::PerPage:
            return kPositionCount * kPageCount;
        case FieldShape::PerPosition:
            return kPositionCount;
        case FieldShape::Single:
            return 1;
        case FieldShape::Titles:
            return kTitleCount;
    }
    return 0;
}

constexpr int TotalLines() {
    int lines = 0;
    for (const SettingsFileField& f : kFields) lines += ItemCount(f.shape);
    return lines;
}
static_assert(TotalLines() == kSettingsFileLines, "one line per item of the table");

int Position(const SettingsFileField& field, int item) {
    switch (field.shape) {
        case FieldShape::PerPage:
            return item / kPageCount;
        case FieldShape::PerPosition:
            return item;
        default:
            return -1;
    }
}

std::string ThreeDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", number);
    return text;
}

// The pieces of a title: code page 932 runs converted, external characters as tokens.
std::string TitlePiecesText(std::string_view title, Cp932ToUtf8Converter to_utf8) {
    std::string out;
    ForEachTitlePiece(title, [&](bool external, std::string_view bytes) {
        if (!external) {
            out += to_utf8(bytes);
            return;
        }
        const auto lead = static_cast<unsigned char>(bytes[0]);
        const auto second = static_cast<unsigned char>(bytes[1]);
        const int glyph = TitleGlyphNumber(lead, second);
        char token[32];
        if (glyph > 0) {
            std::snprintf(token, sizeof token, "[外字%d]", glyph);
        } else {
            std::snprintf(token, sizeof token, "[0x%02X%02X]", lead, second);
        }
        out += token;
    });
    return out;
}

}  // namespace

std::span<const SettingsFileField> SettingsFileFields() {
    return kFields;
}

int FieldItemCount(const SettingsFileField& field) {
    return ItemCount(field.shape);
}

int FieldLine(const SettingsFileField& field, int item) {
    int line = 1;
    for (const SettingsFileField& f : kFields) {
        if (&f == &field) return line + item;
        line += ItemCount(f.shape);
    }
    return 0;
}

int FieldValueLine(const SettingsFileField& field, int item) {
    const SettingsFileField* last = &field;
    for (const SettingsFileField& f : kFields) {
        if (std::strcmp(f.field, field.field) == 0) last = &f;
    }
    return FieldLine(*last, item);
}

int FieldNumber(const SettingsModel& model, const SettingsFileField& field, int item) {
    // The accessor only finds the field; nothing is written through it here.
    return *field.number(const_cast<SettingsModel&>(model), item);
}

const TitleSlot& FieldTitle(const SettingsModel& model, const SettingsFileField& field, int item) {
    return *field.title(const_cast<SettingsModel&>(model), item);
}

std::string_view PositionName(int position) {
    constexpr std::string_view kNames[kPositionCount] = {"ch.1 Top", "ch.1 Bottom", "ch.2 Top",
                                                         "ch.2 Bottom"};
    return position >= 0 && position < kPositionCount ? kNames[position] : "?";
}

namespace {

// The field's name with its placeholders filled in.
std::string RenderName(const SettingsFileField& field, int position, const std::string& page,
                       const std::string& title) {
    std::string name = field.name;
    auto replace = [&name](std::string_view key, const std::string& with) {
        std::size_t at = name.find(key);
        if (at != std::string::npos) name.replace(at, key.size(), with);
    };
    replace("{pos}", std::string(PositionName(position)));
    replace("{page}", page);
    replace("{title}", title);
    return name;
}

}  // namespace

std::string FieldItemName(const SettingsFileField& field, int item) {
    return RenderName(field, Position(field, item), std::to_string(item % kPageCount + 1),
                      ThreeDigits(item + 1));
}

std::string FieldRowName(const SettingsFileField& field, int position) {
    return RenderName(field, position, "1-" + std::to_string(kPageCount), "");
}

std::string FieldNameOfLine(int line) {
    int first = 1;
    for (const SettingsFileField& f : kFields) {
        const int count = ItemCount(f.shape);
        if (line >= first && line < first + count) return FieldItemName(f, line - first);
        first += count;
    }
    return {};
}

const SettingsFileField* FindSettingsField(std::string_view model_field) {
    for (const SettingsFileField& f : kFields) {
        if (model_field == f.field) return &f;
    }
    return nullptr;
}

std::string FieldNumberText(const SettingsFileField& field, int value) {
    if (value < field.low || value > field.high) return std::to_string(value) + " (範囲外)";
    switch (field.value) {
        case FieldValue::OnOff:
            return value != 0 ? "ON" : "OFF";
        case FieldValue::Seconds:
            return std::to_string(value) + " 秒";
        case FieldValue::Page:
            return value == kAutoSwitchPage ? "AUTO" : ThreeDigits(value + 1);
        case FieldValue::TitleNumber:
            return "T" + ThreeDigits(value + 1);
        case FieldValue::Number:
        case FieldValue::TitleText:
            break;
    }
    return std::to_string(value);
}

std::string TitleDisplayText(const char* title, Cp932ToUtf8Converter to_utf8) {
    return TitlePiecesText(std::string_view(title, TitleTextLength(title)), to_utf8);
}

std::string TitleValueText(const char* title, Cp932ToUtf8Converter to_utf8) {
    return "「" + TitleDisplayText(title, to_utf8) + "」";
}

}  // namespace tvx
