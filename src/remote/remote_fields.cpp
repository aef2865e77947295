#include "remote/remote_fields.h"

#include <cstring>

#include "model/cp932.h"
#include "protocol/title_csv.h"

namespace tvx {

namespace {

std::string ToUtf8(std::string_view cp932) {
    std::string out;
    Cp932ToUtf8(cp932, out);
    return out;
}

// The field's blocks in the table, the repeated copies left out.
bool Listed(const SettingsFileField& f) {
    return !f.repeat;
}

// "page_display_on.ch1-top.3": the parts after the field's name.
std::string ItemSuffix(const SettingsFileField& field, int item) {
    switch (field.shape) {
        case FieldShape::PerPage:
            return "." + RemotePositionKey(item / kPageCount) + "." +
                   std::to_string(item % kPageCount + 1);
        case FieldShape::PerPosition:
            return "." + RemotePositionKey(item);
        case FieldShape::Titles:
            return "." + std::to_string(item + 1);
        case FieldShape::Single:
            break;
    }
    return {};
}

// 1..count from decimal digits without a sign or leading zero; 0 otherwise.
int NumberOfKey(std::string_view text, int count) {
    if (text.empty() || text.size() > 3 || text[0] == '0') return 0;
    int value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return 0;
        value = value * 10 + (ch - '0');
    }
    return value <= count ? value : 0;
}

// A JSON integer within low..high.
bool IntegerIn(const nlohmann::json& value, long long low, long long high, int& out) {
    if (!value.is_number_integer()) return false;
    const long long v = value.get<long long>();
    if (v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

std::string RemotePositionKey(int position) {
    if (position < 0 || position >= kPositionCount) return {};
    std::string key;
    for (char ch : PositionName(position)) {
        if (ch == '.') continue;
        key += ch == ' ' ? '-' : (ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
    }
    return key;
}

int RemotePositionOfKey(std::string_view key) {
    for (int p = 0; p < kPositionCount; ++p) {
        if (key == RemotePositionKey(p)) return p;
    }
    return -1;
}

std::string RemoteFieldKey(const RemoteField& f) {
    return f.field->field + ItemSuffix(*f.field, f.item);
}

bool FindRemoteField(std::string_view key, RemoteField& out) {
    const std::string_view name = key.substr(0, key.find('.'));
    const SettingsFileField* field = FindSettingsField(name);
    if (field == nullptr) return false;
    std::string_view rest = name.size() < key.size() ? key.substr(name.size() + 1) : "";
    int item = -1;
    switch (field->shape) {
        case FieldShape::Single:
            if (name.size() == key.size()) item = 0;
            break;
        case FieldShape::PerPosition:
            if (!rest.empty()) item = RemotePositionOfKey(rest);
            break;
        case FieldShape::Titles:
            item = NumberOfKey(rest, kTitleCount) - 1;
            break;
        case FieldShape::PerPage: {
            const std::size_t dot = rest.find('.');
            if (dot == std::string_view::npos) break;
            const int p = RemotePositionOfKey(rest.substr(0, dot));
            const int page = NumberOfKey(rest.substr(dot + 1), kPageCount);
            if (p >= 0 && page > 0) item = p * kPageCount + page - 1;
            break;
        }
    }
    if (item < 0) return false;
    out = {field, item};
    return true;
}

std::vector<RemoteField> AllRemoteFields() {
    std::vector<RemoteField> all;
    for (const SettingsFileField& f : SettingsFileFields()) {
        if (!Listed(f)) continue;
        for (int item = 0; item < FieldItemCount(f); ++item) all.push_back({&f, item});
    }
    return all;
}

int RemoteFieldPosition(const RemoteField& f) {
    switch (f.field->shape) {
        case FieldShape::PerPage:
            return f.item / kPageCount;
        case FieldShape::PerPosition:
            return f.item;
        default:
            return -1;
    }
}

nlohmann::json RemoteFieldValue(const SettingsModel& model, const RemoteField& f) {
    const SettingsFileField& field = *f.field;
    if (field.shape == FieldShape::Titles)
        return TitleDisplayText(FieldTitle(model, field, f.item), ToUtf8);
    const int value = FieldNumber(model, field, f.item);
    switch (field.value) {
        case FieldValue::OnOff:
            return value != 0;
        case FieldValue::Page:
            if (value == kAutoSwitchPage) return "auto";
            return value + 1;
        case FieldValue::TitleNumber:
            return value + 1;
        default:
            return value;
    }
}

std::string RemoteFieldAllowed(const SettingsFileField& field) {
    const std::string range = std::to_string(field.low) + ".." + std::to_string(field.high);
    switch (field.value) {
        case FieldValue::OnOff:
            return "true or false";
        case FieldValue::Page:
            return "1.." + std::to_string(kPageCount) + " or \"auto\"";
        case FieldValue::TitleNumber:
            return "1.." + std::to_string(field.high + 1);
        case FieldValue::TitleText:
            return "text of up to " + std::to_string(kTitleMaxText / 2) +
                   " full-width characters, external characters as [外字1]..[外字" +
                   std::to_string(kGlyphCount) + "]";
        default:
            return range;
    }
}

bool StoreRemoteFieldValue(SettingsModel& model, const RemoteField& f, const nlohmann::json& value,
                           std::vector<std::string>& problems) {
    const SettingsFileField& field = *f.field;
    if (field.shape == FieldShape::Titles) {
        if (!value.is_string()) return false;
        char title[kTitleBytes];
        int widened = 0;
        if (!ReadTitleText(value.get_ref<const std::string&>(), title, widened, problems))
            return false;
        std::memcpy(*field.title(model, f.item), title, kTitleBytes);
        return true;
    }
    int stored = 0;
    switch (field.value) {
        case FieldValue::OnOff:
            if (value.is_boolean()) {
                stored = value.get<bool>() ? 1 : 0;
            } else if (!IntegerIn(value, 0, 1, stored)) {
                return false;
            }
            break;
        case FieldValue::Page:
            if (value.is_string() && value.get_ref<const std::string&>() == "auto") {
                stored = kAutoSwitchPage;
            } else if (IntegerIn(value, 1, kPageCount, stored)) {
                stored -= 1;
            } else {
                return false;
            }
            break;
        case FieldValue::TitleNumber:
            if (!IntegerIn(value, field.low + 1, field.high + 1, stored)) return false;
            stored -= 1;
            break;
        default:
            if (!IntegerIn(value, field.low, field.high, stored)) return false;
            break;
    }
    *field.number(model, f.item) = stored;
    return true;
}

BulkStep RemoteFieldStep(const RemoteField& f, bool read) {
    const int index = f.field->shape == FieldShape::Titles ? f.item
                      : f.field->shape == FieldShape::Single ? 0
                                                             : RemoteFieldPosition(f);
    const BulkTable table = read ? ReadBackTable(false) : SetAllTable();
    for (const BulkStep& step : table.steps) {
        const char* carried = BulkStepField(step.action);
        if (carried != nullptr && std::strcmp(carried, f.field->field) == 0 &&
            step.index == index)
            return {step.action, index, 0};
    }
    return {};
}

}  // namespace tvx
