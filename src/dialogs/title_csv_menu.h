// The File menu's items for the titles as a spreadsheet's CSV (rules in protocol/title_csv.h):
// "タイトルをCSVで読み込み..." takes the titles a CSV names, all of them or none, and
// "タイトルをCSVで書き出し..." writes the 144 titles through the same safe replacement as the
// settings file. The file dialogs are reached through the prompts, the disk through the
// FileSystem seam.
#pragma once

#include <cstddef>

#include "model/context.h"
#include "model/seams.h"

namespace tvx {

// A failed import shows this many problems and then how many more there are.
constexpr std::size_t kCsvProblemsShown = 20;

// Import. Nothing while a send sequence runs. Asks for a file (cancel: nothing). A file that
// cannot be read shows "Can't file open"; a file with problems shows them and changes nothing.
// Otherwise the titles are taken, the document counts as modified (the exit question applies)
// and a box says how many titles were taken and how many characters were made full width.
void FileImportTitlesCsv(CoreContext& c, FileSystem& fs);

// Export. Asks for a path (cancel: false), adds ".csv" to a name without an extension and writes
// UTF-8 with a byte-order mark through a new file renamed over the old. "Can't file open" when
// the write fails; a title a CSV cannot hold (bytes that are no character, an external
// pair that names no glyph) is named in a box and nothing is written.
bool FileExportTitlesCsv(CoreContext& c, FileSystem& fs);

}  // namespace tvx
