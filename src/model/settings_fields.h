// The fields of the settings file (".dat") in the order of its lines: one table that the file's
// reader and writer, the range check, the difference list and the messages about a damaged file
// all walk, so that a field cannot be known to one of them and forgotten by another. Each entry
// is a block of lines for one model field: its shape, the name an operator knows it by ("ページ 3
// ch.1 Top", "自動切換え ch.2 Bottom ページ 10", "文字レベル 白", "T005"), its range and how a
// value is shown ("T001", "5 秒", "AUTO", "ON").
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/settings_model.h"

namespace tvx {

// How many lines a block holds and what an item of it is.
enum class FieldShape {
    PerPage,      // [4][144]: item = position * 144 + page
    PerPosition,  // [4]: item = position
    Single,       // one value: item 0
    Titles,       // [144] title texts: item = title
};

// How a value is shown to an operator.
enum class FieldValue {
    OnOff,        // 1 "ON", 0 "OFF"
    Seconds,      // "5 秒"
    Page,         // "001".."144", 144 "AUTO"
    Number,       // "7"
    TitleNumber,  // "T001".."T144"
    TitleText,    // 「...」, external characters as [外字N]
};

using TitleSlot = char[kTitleBytes];

struct SettingsFileField {
    const char* field;  // the model field, e.g. "page_title_number"
    FieldShape shape;
    FieldValue value;
    // The operator's name; "{pos}" stands for "ch.1 Top".., "{page}" for 1..144, "{title}" for
    // 001..144.
    const char* name;
    int low, high;  // range of a number as the model holds it
    // A second copy of an earlier block (the file repeats the offsets): read over the first,
    // written again, but named, checked and compared once, at the first.
    bool repeat;
    int* (*number)(SettingsModel& model, int item);       // number blocks
    TitleSlot* (*title)(SettingsModel& model, int item);  // the title block
};

// Every block of the file, first line first.
std::span<const SettingsFileField> SettingsFileFields();

// Lines (items) of a block: 576, 4, 1 or 144.
int FieldItemCount(const SettingsFileField& field);
// Line of the file (1-based) of an item.
int FieldLine(const SettingsFileField& field, int item);
// The line a reader takes the item's value from: for a field the file repeats, the last copy.
int FieldValueLine(const SettingsFileField& field, int item);

// The model's value of an item of a number block, and the text of an item of the title block.
int FieldNumber(const SettingsModel& model, const SettingsFileField& field, int item);
const TitleSlot& FieldTitle(const SettingsModel& model, const SettingsFileField& field, int item);

// "ch.1 Top", "ch.1 Bottom", "ch.2 Top", "ch.2 Bottom"; "?" outside 0..3.
std::string_view PositionName(int position);

// The operator's name of an item: "ページ 3 ch.1 Top", "T005".
std::string FieldItemName(const SettingsFileField& field, int item);
// The name of one position's whole row of a per-page block: "自動切換え ch.1 Top ページ 1-144".
std::string FieldRowName(const SettingsFileField& field, int position);
// The name of the item a line of the file (1-based) holds; empty past the last line.
std::string FieldNameOfLine(int line);
// The (first) block of a model field, e.g. "white_level"; null for a field the file lacks.
const SettingsFileField* FindSettingsField(std::string_view model_field);

// A number as the operator sees it: "ON", "5 秒", "AUTO", "T001"; a value outside the field's
// range is shown as stored with a mark, "150 (範囲外)".
std::string FieldNumberText(const SettingsFileField& field, int value);

// Code page 932 text to UTF-8; the caller's converter (text without external characters).
using Cp932ToUtf8Converter = std::string (*)(std::string_view cp932);

// A title's text in UTF-8, external characters as [外字57] (a pair that names no glyph as
// [0x1345]).
std::string TitleDisplayText(const char* title, Cp932ToUtf8Converter to_utf8);
// The same in the brackets a value is shown in: 「朝のニュース」.
std::string TitleValueText(const char* title, Cp932ToUtf8Converter to_utf8);

}  // namespace tvx
