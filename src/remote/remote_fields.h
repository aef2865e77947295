// Every field of the settings field table reachable by a stable ASCII key, made from the
// table's own names: the model field, the display position as "ch1-top".."ch2-bottom" and the
// page or title number ("white_level", "display_page.ch1-top", "page_switch_seconds.ch2-bottom.10",
// "title_text.5"). A field added to the table has its key at once. The command that sends a
// field or reads it back is the one the set-all and read-back runs use for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/settings_fields.h"
#include "protocol/bulk_run.h"

namespace tvx {

struct RemoteField {
    const SettingsFileField* field = nullptr;
    int item = 0;  // as the table counts the block's items
};

// "ch1-top", "ch1-bottom", "ch2-top", "ch2-bottom" from the positions' names; empty outside.
std::string RemotePositionKey(int position);
// The position of such a key, or -1.
int RemotePositionOfKey(std::string_view key);

std::string RemoteFieldKey(const RemoteField& f);
// False for a key that names no item.
bool FindRemoteField(std::string_view key, RemoteField& out);
// Every item of the table in its order, a repeated block once.
std::vector<RemoteField> AllRemoteFields();

// The display position (-1 for none), the page (1-based, 0 for none) and the title number
// (1-based, 0 for none) an item stands for.
int RemoteFieldPosition(const RemoteField& f);

// The value as JSON: true/false, a number, a page 1..144 or "auto", a title number 1..144, a
// title's text (UTF-8, external characters as [外字N]).
nlohmann::json RemoteFieldValue(const SettingsModel& model, const RemoteField& f);
// What a value may be, for the field list and for a refusal: "0..99", "1..144 or \"auto\"".
std::string RemoteFieldAllowed(const SettingsFileField& field);
// Stores a value given as JSON; false, with the model unchanged, when it is not one the field
// takes (a title's problems are added to problems).
bool StoreRemoteFieldValue(SettingsModel& model, const RemoteField& f, const nlohmann::json& value,
                           std::vector<std::string>& problems);

// The step of the set-all run (send) or of the read-back run (read) that carries the item; its
// action is None for a field that neither run carries.
BulkStep RemoteFieldStep(const RemoteField& f, bool read);

}  // namespace tvx
