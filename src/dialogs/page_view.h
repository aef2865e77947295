// The rules of the window "ページの見え方...": which page it opens on, the line beneath the
// picture for each display position, which installed font it draws in, and the two saves as PNG.
// The window is modal like every dialog of the program and draws from the model each time it
// opens and at each change of page or font, so it shows what the other dialogs changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/context.h"
#include "model/seams.h"
#include "preview/page_picture.h"

namespace tvx {

// The page the window opens on: the one the device shows now.
int PageViewInitialPage(const SettingsModel& model);

// The line beneath the picture for a position of a page (UTF-8): the position, the title's
// number and text, and what the picture cannot say in its cells:
// "ch.1 Top　T012「朝のニュース」　表示中" with "表示中" when the position shows this page now,
// "表示 OFF" when the page does not show its title there, "送れない文字があります" when the
// device would refuse the title.
std::string PageViewPositionText(const SettingsModel& model, int page, int position);

// Of the installed fonts (UTF-8 names, Japanese ones first), the one to draw in: the configured
// one while it is installed, else the first fixed-pitch Gothic, else the first Gothic
// ("ゴシック" or "Gothic" in its name), else the first font; -1 for no font at all.
int PreferredFontIndex(const std::vector<std::string>& names, std::string_view configured);

// "PNG で保存..." (the page, offered as page012.png) and "一覧を PNG で保存..." (the sheet of all
// pages, offered as pages.png): the Save As dialog, ".png" appended by the rule of every save,
// the file replaced through a new one. "Can't file open" when it cannot be written. True when
// the file was written.
bool SavePagePicturePng(CoreContext& c, FileSystem& fs, PagePainter& painter, int page);
bool SaveContactSheetPng(CoreContext& c, FileSystem& fs, PagePainter& painter);

}  // namespace tvx
