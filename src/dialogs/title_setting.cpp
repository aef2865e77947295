#include "dialogs/title_setting.h"

#include <cstring>

#include "model/title_text.h"
#include "protocol/commands.h"
#include "protocol/sjis.h"
#include "runs/title_sends.h"

namespace tvx {

namespace {

constexpr char kFullWidthSpace[] = "\x81\x40";

bool ValidTitleIndex(int t) {
    return t >= 0 && t < kTitleCount;
}

std::string ThreeDigits(int value) {
    return {static_cast<char>('0' + value / 100), static_cast<char>('0' + value / 10 % 10),
            static_cast<char>('0' + value % 10)};
}

void ShowNotConvertible(CoreContext& c) {
    c.prompts.ShowErrorBox(kTitleNotConvertibleText, BoxIcon::Exclamation);
}

// UTF-16 helpers: a surrogate pair is one character.
bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The character starting at text[i] and its length in units.
char32_t CodePointAt(std::u16string_view text, std::size_t i, std::size_t& units) {
    char16_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        units = 2;
        return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
               (static_cast<char32_t>(text[i + 1]) - 0xDC00);
    }
    units = 1;
    return u;
}

int BytesOf(std::u16string_view text, Cp932Width width) {
    int bytes = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t units = 1;
        bytes += width(CodePointAt(text, i, units));
        i += units;
    }
    return bytes;
}

}  // namespace

std::string TitleNumberItemText(int index) {
    if (!ValidTitleIndex(index)) return {};
    return ThreeDigits(index + 1);
}

int TitleNumberSelection(const AppState& app) {
    return ValidTitleIndex(app.selected_title_index) ? app.selected_title_index : -1;
}

bool OnTitleNumberSelected(AppState& app, int index) {
    if (!ValidTitleIndex(index)) return false;
    app.selected_title_index = index;
    return true;
}

void CopyTitleEditText(CoreContext& c, std::string_view cp932) {
    const int t = c.app.selected_title_index;
    if (!ValidTitleIndex(t)) return;
    char* title = c.model.title_text[t];
    const std::size_t length = cp932.size() < kTitleBytes - 1 ? cp932.size() : kTitleBytes - 1;
    // The whole slot is rewritten: a title ending in glyph 63 (0x11 0x00) must not reach into
    // bytes of an earlier, longer title.
    std::memset(title, 0, kTitleBytes);
    std::memcpy(title, cp932.data(), length);
    // By pairs: the second byte of an external character (0xFA for glyph 57) is no lead byte.
    ForEachTitlePiece(std::string_view(title, length), [&](bool external, std::string_view text) {
        if (external) return;
        char* at = title + (text.data() - title);
        for (std::size_t i = 0; i + 1 < text.size(); ++i) {
            const auto lead = static_cast<unsigned char>(at[i]);
            if (!IsCp932LeadByte(lead)) continue;
            const std::uint32_t pair = lead << 8 | static_cast<unsigned char>(at[i + 1]);
            const std::uint32_t nec = NecSelectedForm(pair);
            if (nec != pair) {
                at[i] = static_cast<char>(nec >> 8);
                at[i + 1] = static_cast<char>(nec & 0xFF);
            }
            ++i;
        }
    });
}

void OnTitleEditChanged(CoreContext& c, std::string_view cp932) {
    CopyTitleEditText(c, cp932);
    c.app.document_modified = 1;
}

void OnTitleEditFilled(AppState& app) {
    app.document_modified = 1;
}

TitleEditFit FitTitleEdit(std::u16string_view before, std::u16string_view after, Cp932Width width,
                          int limit_bytes) {
    TitleEditFit fit;
    fit.text.assign(after);
    fit.caret = after.size();
    if (BytesOf(after, width) <= limit_bytes) return fit;

    // What the change kept: the common start and end, never splitting a surrogate pair.
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
    }
    if (prefix > 0 && prefix < after.size() && IsLowSurrogate(after[prefix])) --prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    std::size_t suffix_start = after.size() - suffix;
    if (suffix > 0 && suffix_start > prefix && IsLowSurrogate(after[suffix_start])) {
        --suffix;
        ++suffix_start;
    }

    const std::u16string_view head = after.substr(0, prefix);
    const std::u16string_view inserted = after.substr(prefix, suffix_start - prefix);
    const std::u16string_view tail = after.substr(suffix_start);
    int room = limit_bytes - BytesOf(head, width) - BytesOf(tail, width);
    std::size_t kept = 0;
    while (kept < inserted.size()) {
        std::size_t units = 1;
        const int w = width(CodePointAt(inserted, kept, units));
        if (w > room) break;
        room -= w;
        kept += units;
    }
    fit.text.assign(head);
    fit.text.append(inserted.substr(0, kept));
    fit.text.append(tail);
    fit.caret = prefix + kept;
    fit.changed = true;
    return fit;
}

void SendSelectedTitle(CoreContext& c, TitleSettingState& s, int memory) {
    if (c.app.sequence_running != 0) return;
    if (!SendTitle(c, c.app.selected_title_index, memory, s.title_staging_buffer)) ShowNotConvertible(c);
}

SequenceParams TitleSequenceParams(bool not_memory) {
    SequenceParams p;
    p.steps = kTitleCount;
    p.timer_id = kTitleTimerId;
    p.period_ms = not_memory ? kTitleNotMemorySetAllPeriodMs : kTitleSetAllPeriodMs;
    p.confirm = not_memory;
    return p;
}

void OnTitleSequenceStarted(TitleSettingState& s, const SendSequence& started, bool not_memory) {
    s.seq = started;
    s.title_memory_mode = not_memory ? 0 : 1;
}

TitleTickResult OnTitleSequenceTick(CoreContext& c, TitleSettingState& s) {
    TitleTickResult r;
    int stepped = 0;
    r.frame = OnSequenceTick(c, s.seq, [&](CoreContext& cc, int k) {
        stepped = k;
        if (!SendTitle(cc, k - 1, s.title_memory_mode, s.title_staging_buffer)) {
            cc.app.error_reply = 1;
            ShowNotConvertible(cc);
        }
        return true;
    });
    if (stepped == 0) return r;
    r.set_percent = true;
    r.percent = std::to_string(stepped * 100 / kTitleCount);
    // A title that failed (or a send that failed and set error_reply) ends the run here; the
    // flag stays for the next run to see.
    if (c.app.sequence_running != 0 && c.app.error_reply == 1) {
        c.app.sequence_running = 0;
        r.frame.stop_timer = true;
        r.frame.enable_close = true;
        r.frame.set_progress = true;
        r.frame.progress_position = 0;
    }
    if (c.app.sequence_running == 0) r.percent = "  ";
    return r;
}

std::vector<TitlePreviewLine> TitlePreviewLines(const SettingsModel& model, int selected_title) {
    std::vector<TitlePreviewLine> lines;
    if (!ValidTitleIndex(selected_title)) return lines;
    const int first = selected_title / kTitlePreviewLines * kTitlePreviewLines;
    for (int i = 0; i < kTitlePreviewLines; ++i) {
        const char* title = model.title_text[first + i];
        std::string part;
        ForEachTitlePiece(
            std::string_view(title, TitleTextLength(title)),
            [&](bool external, std::string_view text) {
                // Glyphs 1..63 (lead 0x10) show as a blank; other pairs as they are.
                part += external && text[0] == 0x10 ? std::string_view(kFullWidthSpace) : text;
            });
        // An odd title is evened with a half-width blank: the second byte of a full-width space
        // on its own would show as "@".
        if (part.size() < kTitleMaxText && part.size() % 2 != 0) part += ' ';
        while (part.size() < kTitleMaxText) part += kFullWidthSpace;
        lines.push_back({20, 10 + 20 * i, "T" + ThreeDigits(first + i + 1) + "  " + part});
    }
    return lines;
}

}  // namespace tvx
