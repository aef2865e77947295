// The narrow seams through which the portable core reaches the outside world. The Win32 layer
// implements them with the real API (message boxes, file dialogs, the COM port, Winsock, the
// private-profile functions); tests implement them as recorders. Texts are UTF-8 here; the
// Win32 layer converts them to UTF-16 for display. Model text (titles) stays code page 932.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/settings_model.h"

namespace tvx {

enum class BoxIcon { Stop, Exclamation };

// What the user can be asked for a path.
enum class FileDialogKind {
    OpenSettings,  // "ファイルのオープン", *.dat
    SaveSettings,  // "ファイルの保存", *.dat
    OpenGlyphs,    // glyph list file, *.tlm
    SaveGlyphs,
    OpenGlyphText,  // single glyph, *.txt
    SaveGlyphText,
    SaveBitmap,  // *.bmp
    OpenTitlesCsv,  // "タイトルをCSVで読み込み", *.csv, *.txt
    SaveTitlesCsv,  // "タイトルをCSVで書き出し"
    SaveCommLog,    // the communication log, *.log, *.txt
    SavePagePicture,   // "PNG で保存", a page's picture, *.png
    SaveContactSheet,  // "一覧を PNG で保存", the pictures of all pages, *.png
    OpenPicture,    // "画像ファイルを開く", *.bmp, *.png, *.jpg, *.jpeg, *.gif
};

// Every box and file dialog is owned by the program's topmost enabled window (the dialog on
// screen, a box already open over it, else the main window), or by the owner given when that
// one is still on screen: it comes up over its dialog and takes the activation back there.
struct Prompts {
    virtual ~Prompts() = default;
    // Question sound, caption "Error", stop or exclamation icon.
    virtual void ShowErrorBox(std::string_view text, BoxIcon icon) = 0;
    // Question sound, caption "Success", no icon.
    virtual void ShowSuccessBox(std::string_view text) = 0;
    // Simple beep, caption "設定完了", text "Success".
    virtual void ShowSetComplete() = 0;
    // The acknowledgement of a serial "GO": simple beep, text "Success", caption "設定完了",
    // owned by the dialog on screen (active_dialog).
    virtual void ShowAcknowledgement(WindowHandle owner) = 0;
    // "本機が自動切換えでない事を確認してください" / "本機の確認", Yes and No, modal to owner.
    virtual bool ConfirmNotAutoSwitching(WindowHandle owner) = 0;
    // Yes/No question with the question icon; true for Yes. owner: a dialog asking about its
    // own data.
    virtual bool AskYesNo(std::string_view text, std::string_view caption,
                          WindowHandle owner = 0) = 0;
    // A box with the given caption and OK, no beep; stop icon when icon_stop, otherwise none
    // (the socket link's own boxes, caption "TVX-5870").
    virtual void ShowPlainBox(std::string_view text, std::string_view caption, bool icon_stop) = 0;
    // File name dialogs; false when the user cancels. Paths are UTF-8. A save dialog has its
    // kind's default extension, and the path it returns is the one the save writes
    // (SavePathFor): a name the program had to change is checked for overwriting as well.
    virtual bool AskFileName(FileDialogKind kind, std::string& path_out) = 0;
    // Redraw requests.
    virtual void PaintGlyphGrid(WindowHandle /*dialog*/) {}
    virtual void RedrawFileName() {}
};

// Bytes to the device. The core builds every frame; the transports only move it.
struct Link {
    virtual ~Link() = default;
    // One overlapped write on the COM port; not awaited, result not reported.
    virtual void WriteSerial(const char* bytes, std::size_t length) = 0;
    // One send on a socket; false when the send fails.
    virtual bool SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) = 0;
    // Waits for the answer on the socket, handing every piece received to the open dialog as
    // MSG_SOCKET_REPLY, until a piece ends with a line feed; false when no answer came in time.
    virtual bool ReceiveAnswer(std::uintptr_t socket) = 0;
};

// One key of the configuration file (section "TVX-5870_Section" of "tvx5870.ini"). Sections,
// keys and values are code page 932 text, as in the file.
struct IniStore {
    virtual ~IniStore() = default;
    // False when the key is absent; value_out then is untouched.
    virtual bool ReadKey(std::string_view section, std::string_view key,
                         std::string& value_out) = 0;
    // False when the value could not be stored.
    virtual bool WriteKey(std::string_view section, std::string_view key,
                          std::string_view value) = 0;
};

// Whole-file reads and safe replacement; paths are UTF-8.
struct FileSystem {
    virtual ~FileSystem() = default;
    virtual bool ReadWholeFile(const std::string& path, std::string& bytes_out) = 0;
    // Writes all bytes to a temporary file in the same folder and then replaces path with it;
    // on any failure the previous file at path is left as it was.
    virtual bool ReplaceFileContents(const std::string& path, std::string_view bytes) = 0;
    // True when a file exists at path, readable or not (so that an unreadable file is never
    // taken for a missing one and overwritten).
    virtual bool FileExists(const std::string& /*path*/) { return false; }
    // When the file was last written, in the file system's own units: comparable only with
    // another time of the same file system. False when the file is not there or cannot tell.
    virtual bool FileWriteTime(const std::string& /*path*/, std::int64_t& /*time*/) {
        return false;
    }
    // The size of the file in bytes; false when it cannot be told (so that a file too large to
    // take is refused before it is read).
    virtual bool FileSize(const std::string& /*path*/, std::uint64_t& /*bytes_out*/) {
        return false;
    }
    // Deletes the file; false when it could not be (or was not there).
    virtual bool RemoveFile(const std::string& /*path*/) { return false; }
    // Adds bytes at the end of the file, creating it when it is not there; false when any byte
    // could not be written.
    virtual bool AppendToFile(const std::string& /*path*/, std::string_view /*bytes*/) {
        return false;
    }
    // The names of the files (not folders) in a folder, in no particular order; false when the
    // folder cannot be read.
    virtual bool ListFolder(const std::string& /*folder*/, std::vector<std::string>& /*names*/) {
        return false;
    }
    // Makes the folder and any missing folders above it; true when it is there afterwards.
    virtual bool MakeFolder(const std::string& /*folder*/) { return false; }
};

}  // namespace tvx
