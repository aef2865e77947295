#include "preview/page_layout.h"

#include <algorithm>
#include <string_view>

#include "model/cp932.h"
#include "model/title_text.h"
#include "protocol/commands.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

constexpr std::uint32_t kFullWidthSpace = 0x8140;

// One pair of a title, taken as the title command takes it.
PageCell CellOfPair(unsigned char high, unsigned char low) {
    PageCell cell;
    const std::uint32_t pair = std::uint32_t{high} << 8 | low;
    if (title_wire_code(pair) == 0) {
        cell.kind = CellKind::Refused;
    } else if (IsExternalLeadByte(high)) {
        cell.glyph = GlyphOfTitlePair(pair);
        cell.kind = cell.glyph >= 0 ? CellKind::Glyph : CellKind::UnknownGlyph;
    } else if (pair != kFullWidthSpace) {
        const char bytes[2] = {static_cast<char>(high), static_cast<char>(low)};
        const DecodedChar decoded = DecodeCp932(std::string_view(bytes, 2));
        cell.kind = CellKind::Character;
        cell.code_point = decoded.length == 2 && decoded.code_point != kNoCodePoint
                              ? decoded.code_point
                              : 0;  // a code the device has and the code page leaves empty
    }
    return cell;
}

}  // namespace

bool LayOutTitle(const SettingsModel& model, int title, PageCell (&cells)[kLineCells]) {
    for (PageCell& cell : cells) cell = PageCell{};
    if (title < 0 || title >= kTitleCount) return false;
    char staging[kTitleBytes];
    // Staged, the title is padded with full-width spaces to 42 bytes; refused, it holds the
    // text as it stands (up to 43 bytes) and zeros after it.
    const bool staged = StageTitleText(model, title, staging);
    const std::size_t length =
        staged ? std::size_t{kTitleMaxText} : TitleTextLength(model.title_text[title], kTitleBytes);
    bool sendable = staged;
    for (int i = 0; i < kLineCells; ++i) {
        const std::size_t at = 2 * static_cast<std::size_t>(i);
        if (at >= length) break;
        if (at + 1 >= length) {
            cells[i].kind = CellKind::Refused;  // a lone byte at the end
        } else {
            cells[i] = CellOfPair(static_cast<unsigned char>(staging[at]),
                                  static_cast<unsigned char>(staging[at + 1]));
        }
        if (cells[i].kind == CellKind::Refused) sendable = false;
    }
    return sendable;
}

PageLayout LayOutPage(const SettingsModel& model, int page) {
    PageLayout layout;
    layout.page = page >= 0 && page < kPageCount ? page : 0;
    for (int p = 0; p < kPositionCount; ++p) {
        PositionLine& line = layout.lines[p];
        const int title = model.page_title_number[p][layout.page];
        line.title = title >= 0 && title < kTitleCount ? title : -1;
        line.shown = model.page_display_on[p][layout.page] != 0;
        line.offset = std::clamp(model.position_offset[p], 0, kOffsetMax);
        line.sendable = LayOutTitle(model, line.title, line.cells);
    }
    return layout;
}

int PageShownNow(const SettingsModel& model) {
    for (int p = 0; p < kPositionCount; ++p) {
        const int page = model.display_page[p];
        if (page >= 0 && page < kPageCount) return page;
    }
    return 0;
}

}  // namespace tvx
