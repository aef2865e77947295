#include "dialogs/title_csv_menu.h"

#include <memory>
#include <string>
#include <vector>

#include "model/file_commands.h"
#include "protocol/title_csv.h"

namespace tvx {

namespace {

constexpr std::string_view kCaption = "TVX-5870";
constexpr std::string_view kCantOpen = "Can't file open";

}  // namespace

void FileImportTitlesCsv(CoreContext& c, FileSystem& fs) {
    if (c.app.sequence_running != 0) return;
    std::string path(kPathBytes, '\0');
    std::string bytes;
    if (!OpenChosenFile(c, fs, FileDialogKind::OpenTitlesCsv, {path.data(), path.size()}, bytes))
        return;
    auto read = std::make_unique<TitleCsvRead>();
    if (!ImportTitlesCsv(bytes, c.model, *read)) {
        c.prompts.ShowErrorBox("CSV のタイトルを読み込めません。タイトルは変わっていません。\n\n" +
                                   TitleCsvProblemList(read->problems, kCsvProblemsShown),
                               BoxIcon::Exclamation);
        return;
    }
    c.app.document_modified = 1;
    c.prompts.ShowPlainBox(TitleCsvSummary(*read), kCaption, false);
}

bool FileExportTitlesCsv(CoreContext& c, FileSystem& fs) {
    std::string bytes;
    std::vector<std::string> problems;
    if (!WriteTitlesCsv(c.model, TitleCsvEncoding::Utf8, bytes, problems)) {
        c.prompts.ShowErrorBox("CSV に書き出せないタイトルがあります。\n\n" +
                                   TitleCsvProblemList(problems, kCsvProblemsShown),
                               BoxIcon::Exclamation);
        return false;
    }
    std::string path;
    if (!c.prompts.AskFileName(FileDialogKind::SaveTitlesCsv, path)) return false;
    path = SavePathFor(FileDialogKind::SaveTitlesCsv, std::move(path));
    if (path.empty()) return false;
    if (!fs.ReplaceFileContents(path, bytes)) {
        c.prompts.ShowErrorBox(kCantOpen, BoxIcon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace tvx
