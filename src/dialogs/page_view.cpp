#include "dialogs/page_view.h"

#include <vector>

#include "dialogs/frame.h"
#include "model/cp932.h"
#include "model/file_commands.h"
#include "model/settings_fields.h"

namespace tvx {

namespace {

constexpr std::string_view kCantWrite = "Can't file open";

std::string Cp932Text(std::string_view bytes) {
    std::string out;
    Cp932ToUtf8(bytes, out, "〓");
    return out;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A proportional Gothic: a "P" before the word ("Ｐゴシック", "PGothic", "P Gothic"), or a UI face.
bool ProportionalGothic(std::string_view name) {
    for (std::string_view word : {std::string_view("ゴシック"), std::string_view("Gothic")}) {
        std::size_t at = name.find(word);
        if (at == std::string_view::npos) continue;
        std::string_view before = name.substr(0, at);
        if (!before.empty() && before.back() == ' ') before.remove_suffix(1);
        if (before.ends_with("P") || before.ends_with("Ｐ") || before.ends_with("UI")) return true;
    }
    return false;
}

bool SavePng(CoreContext& c, FileSystem& fs, FileDialogKind kind, const RgbImage& picture,
             std::string_view initial_name) {
    const std::string png = EncodePng(picture);
    std::vector<char> path(kPathBytes, '\0');
    if (png.empty()) {
        c.prompts.ShowErrorBox(kCantWrite, BoxIcon::Stop);
        return false;
    }
    return SaveToChosenFile(c, fs, kind, PathField{path.data(), path.size()}, png, BoxIcon::Stop,
                            initial_name);
}

}  // namespace

int PageViewInitialPage(const SettingsModel& model) {
    return PageShownNow(model);
}

std::string PageViewPositionText(const SettingsModel& model, int page, int position) {
    const PageLayout layout = LayOutPage(model, page);
    const PositionLine& line = layout.lines[position];
    std::string text = PositionItemText(position) + "　";
    if (line.title < 0) return text + "T---";
    text +=
        "T" + NumberItemText(line.title) + TitleValueText(model.title_text[line.title], Cp932Text);
    if (!line.shown) text += "　表示 OFF";
    if (!line.sendable) text += "　送れない文字があります";
    if (line.shown && model.display_page[position] == layout.page) text += "　表示中";
    return text;
}

int PreferredFontIndex(const std::vector<std::string>& names, std::string_view configured) {
    if (names.empty()) return -1;
    int gothic = -1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!configured.empty() && names[i] == configured) return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!Contains(names[i], "ゴシック") && !Contains(names[i], "Gothic")) continue;
        if (!ProportionalGothic(names[i])) return static_cast<int>(i);
        if (gothic < 0) gothic = static_cast<int>(i);
    }
    return gothic >= 0 ? gothic : 0;
}

bool SavePagePicturePng(CoreContext& c, FileSystem& fs, PagePainter& painter, int page) {
    const PageLayout layout = LayOutPage(c.model, page);
    return SavePng(c, fs, FileDialogKind::SavePagePicture, DrawPagePicture(painter, layout),
                   "page" + NumberItemText(layout.page) + ".png");
}

bool SaveContactSheetPng(CoreContext& c, FileSystem& fs, PagePainter& painter) {
    return SavePng(c, fs, FileDialogKind::SaveContactSheet, DrawContactSheet(painter, c.model),
                   "pages.png");
}

}  // namespace tvx
