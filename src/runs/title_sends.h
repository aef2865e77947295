// One title sent: staged (padded to 42 bytes with full-width spaces), encoded and handed to
// SendCommand as CT (kept in the device's memory) or CN ("Not Memory"). What "設定" and
// "Not Memory" of the title dialog send, and each step of its "全設定" runs.
#pragma once

#include "model/context.h"
#include "model/settings_model.h"

namespace tvx {

// False, with nothing sent, when the title cannot be sent (odd length, over 42 bytes, or a
// character without a JIS X 0208 code); the caller shows kTitleNotConvertibleText. staging
// is the dialog's staging buffer, left holding the staged title.
bool SendTitle(CoreContext& c, int title_index, int memory, char (&staging)[kTitleBytes]);

}  // namespace tvx
