// The title setting dialog in-process: the real template and procedure, driven by the messages
// a user causes, with recorders in place of the message boxes and the link. Runs are stepped
// by sending the timer ticks directly.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <imm.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/menu_commands_win.h"
#include "dialogs/title_setting_win.h"
#include "model/settings_file.h"
#include "protocol/replies.h"
#include "model/title_text.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "support/window_driver_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

using Calls = std::vector<std::string>;

const std::string kJisBox = "error(exclamation): ＪＩＳ第１水準,第２水準以外の字が選択されてます";
constexpr UINT_PTR kTimer = 2;

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

class TitleDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        c.app.selected_connection = -1;
    }
    bool Drive(const std::function<void(HWND)>& act) {
        return DriveModalDialog([] { OpenTitleSettingDialog(nullptr); }, act);
    }
    void SetTitle(int t, const std::string& bytes) {
        std::memset(c.model.title_text[t], 0, kTitleBytes);
        std::memcpy(c.model.title_text[t], bytes.data(), bytes.size());
    }
    std::string Title(int t) {
        return std::string(c.model.title_text[t], TitleTextLength(c.model.title_text[t]));
    }
};

// What a user's typing or pasting does: replaces the selection of the edit.
void Paste(HWND dialog, const std::wstring& text, bool replace_all = true) {
    HWND edit = GetDlgItem(dialog, IDC_TITLE_EDIT);
    if (replace_all) SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring EditText(HWND dialog) {
    return ControlText(dialog, IDC_TITLE_EDIT);
}

bool ImeOpen(HWND window) {
    HIMC imc = ImmGetContext(window);
    const bool open = imc && ImmGetOpenStatus(imc);
    if (imc) ImmReleaseContext(window, imc);
    return open;
}

void SetImeOpen(HWND window, bool open) {
    HIMC imc = ImmGetContext(window);
    ASSERT_NE(imc, nullptr);
    ImmSetOpenStatus(imc, open);
    ImmReleaseContext(window, imc);
}

TEST_F(TitleDialogTest, OpensOnTheSelectedTitleInItsTemplateAndLeavesTheModelAlone) {
    c.app.selected_title_index = 9;
    SetTitle(9, "\x93\xFA\x96\x7B");                           // 日本
    SetTitle(10, std::string("\x10\xE0\x81\x40\x11\x39", 6));  // external characters
    HWND owner = CreateWindowW(L"STATIC", L"owner", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(owner);
    SetImeOpen(owner, false);
    bool ime_open_inside = false;
    ASSERT_TRUE(DriveModalDialog(
        [&] { OpenTitleSettingDialog(owner); },
        [&](HWND d) {
            EXPECT_EQ(ControlText(d, 0), L"タイトル設定");
            RECT want = {0, 0, 432, 211}, client;
            MapDialogRect(d, &want);
            GetClientRect(d, &client);
            EXPECT_TRUE(client.right == want.right && client.bottom == want.bottom);
            LOGFONTW lf = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(d, WM_GETFONT, 0, 0)), sizeof lf, &lf);
            EXPECT_STREQ(lf.lfFaceName, L"ＭＳ ゴシック");
            const std::vector<std::wstring> numbers = ComboItems(d, IDC_TITLE_NUMBER);
            ASSERT_EQ(numbers.size(), 144u);
            EXPECT_TRUE(numbers[0] == L"001" && numbers[143] == L"144");
            EXPECT_EQ(SendDlgItemMessageW(d, IDC_TITLE_NUMBER, CB_GETCURSEL, 0, 0), 9);
            EXPECT_EQ(EditText(d), L"日本");
            EXPECT_EQ(SendDlgItemMessageW(d, IDC_TITLE_PROGRESS, PBM_GETRANGE, FALSE, 0), 144);
            EXPECT_EQ(c.app.reply_owner_window, reinterpret_cast<WindowHandle>(owner));
            ime_open_inside = ImeOpen(owner);
            SelectComboItem(d, IDC_TITLE_NUMBER, 10);  // a title the edit cannot show as it is
            EXPECT_EQ(c.app.selected_title_index, 10);
            ClickButton(d, IDCANCEL);
        }));
    EXPECT_TRUE(ime_open_inside) << "the input method is on while the dialog is open";
    EXPECT_FALSE(ImeOpen(owner)) << "and set back to closed";
    EXPECT_EQ(c.app.document_modified, 1);  // opening alone modifies the document
    EXPECT_EQ(Title(9), "\x93\xFA\x96\x7B");
    EXPECT_EQ(Title(10), std::string("\x10\xE0\x81\x40\x11\x39", 6));
    EXPECT_TRUE(link.serial_writes.empty());

    SetImeOpen(owner, true);  // an open input method stays open
    ASSERT_TRUE(DriveModalDialog([&] { OpenTitleSettingDialog(owner); },
                                 [](HWND d) { ClickButton(d, IDCANCEL); }));
    EXPECT_TRUE(ImeOpen(owner));
    DestroyWindow(owner);
}

// An external character shows as one character of its own and keeps its bytes while the text
// around it is typed: glyph 57 (0x10 0xFA) before a kanji, glyph 63 (0x11 0x00) before more text.
TEST_F(TitleDialogTest, ExternalCharactersKeepTheirBytesWhileTheTitleIsTyped) {
    c.app.selected_title_index = 3;
    SetTitle(3, std::string("\x10\xFA\x8A\xBF\x11\x00\x82\xA0", 8));
    ASSERT_TRUE(Drive([&](HWND d) {
        EXPECT_EQ(EditText(d), L"\uF0FA漢\uF100あ");
        HWND edit = GetDlgItem(d, IDC_TITLE_EDIT);
        SendMessageW(edit, EM_SETSEL, 4, 4);  // at the end
        Paste(d, L"い", false);
        Paste(d, std::wstring(20, L'字'), false);  // held to 21 characters in all
        ClickButton(d, IDCANCEL);
    }));
    EXPECT_EQ(Title(3), std::string("\x10\xFA\x8A\xBF\x11\x00\x82\xA0\x82\xA2", 10) +
                            Repeat("\x8E\x9A", 16));
}

TEST_F(TitleDialogTest, TypingStoresTheTextHeldToFortyTwoBytesAndBadCharactersAreRefused) {
    c.app.selected_title_index = 4;
    ASSERT_TRUE(Drive([&](HWND d) {
        Paste(d, L"タイトル");
        EXPECT_EQ(Title(4), "\x83\x5E\x83\x43\x83\x67\x83\x8B");
        Paste(d, std::wstring(25, L'字'));  // cut to 21 characters
        EXPECT_EQ(EditText(d), std::wstring(21, L'字'));
        EXPECT_EQ(Title(4), Repeat("\x8E\x9A", 21));
        Paste(d, L"A" + std::wstring(20, L'字'));
        Paste(d, L"字B", false);  // one byte left: no half of a character
        EXPECT_EQ(EditText(d), L"A" + std::wstring(20, L'字'));
        Paste(d, L"Bあ", false);
        EXPECT_EQ(Title(4), "A" + Repeat("\x8E\x9A", 20) + "B");
        // A character code page 932 cannot hold stays in the edit and is never sent.
        Paste(d, L"あéé");
        EXPECT_EQ(EditText(d), L"あéé");
        EXPECT_EQ(Title(4), "\x82\xA0??");
        ClickButton(d, IDC_TITLE_SET);
        EXPECT_EQ(EditText(d), L"あéé");
        // Pasted control characters U+0010..U+0013 are no external character's lead byte.
        Paste(d, L"あ\u00111\u0010A");
        EXPECT_EQ(Title(4), "\x82\xA0?1?A");
        ClickButton(d, IDC_TITLE_SET);
        ClickButton(d, IDCANCEL);
    }));
    EXPECT_EQ(prompts.calls, (Calls{kJisBox, kJisBox}));
    EXPECT_TRUE(link.serial_writes.empty());
}

// Sends ticks until the link has `writes` frames (a paint may take a tick for the preview).
void TickUntil(HWND d, const RecordingLink& link, std::size_t writes) {
    for (int guard = 0; link.serial_writes.size() < writes && guard < 400; ++guard) {
        SendMessageW(d, WM_TIMER, kTimer, 0);
    }
}

TEST_F(TitleDialogTest, RunShowsItsProgressIgnoresCloseAndEndsAtAFailingTitle) {
    SetTitle(69, "AB");
    prompts.yes_no_answers = {false};
    ASSERT_TRUE(Drive([&](HWND d) {
        PumpMessages(300);                     // the first preview
        ClickButton(d, IDC_TITLE_NM_SET_ALL);  // "No" to the confirmation: nothing starts
        EXPECT_EQ(c.app.sequence_running, 0);
        ClickButton(d, IDC_TITLE_SET_ALL);
        KillTimer(d, kTimer);  // the test gives the ticks
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDCANCEL)));
        TickUntil(d, link, 2);
        EXPECT_EQ(ControlText(d, IDC_TITLE_PERCENT), L"1");
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_TITLE_PROGRESS, PBM_GETPOS, 0, 0), 2);
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // Esc: ignored
        EXPECT_TRUE(IsWindowVisible(d));
        TickUntil(d, link, 69);
        SendMessageW(d, WM_TIMER, kTimer, 0);  // title 70 fails
        EXPECT_EQ(ControlText(d, IDC_TITLE_PERCENT), L"  ");
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_TITLE_PROGRESS, PBM_GETPOS, 0, 0), 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDCANCEL)));
        ClickButton(d, IDCANCEL);
    }));
    EXPECT_EQ(link.serial_writes.size(), 69u);
    EXPECT_EQ(
        prompts.calls,
        (Calls{"confirm-not-auto(owner=" + std::to_string(c.app.active_dialog) + ")", kJisBox}));
}

// Rows of the preview control that hold dark pixels.
std::vector<bool> DarkRows(HWND control) {
    RECT rc;
    GetClientRect(control, &rc);
    std::vector<bool> rows(rc.bottom, false);
    HDC dc = GetDC(control);
    for (int y = 0; y < rc.bottom; ++y) {
        for (int x = 0; x < rc.right && !rows[y]; x += 2) {
            COLORREF p = GetPixel(dc, x, y);
            if (GetRValue(p) < 128 && GetGValue(p) < 128 && GetBValue(p) < 128) rows[y] = true;
        }
    }
    ReleaseDC(control, dc);
    return rows;
}

TEST_F(TitleDialogTest, PreviewDrawsEightLinesShortlyAfterOpeningAndAfterAPaint) {
    ASSERT_TRUE(Drive([&](HWND d) {
        HWND preview = GetDlgItem(d, IDC_TITLE_PREVIEW);
        PumpMessages(400);
        std::vector<bool> rows = DarkRows(preview);
        auto dark = [&](int from, int to) {
            return std::find(rows.begin() + from, rows.begin() + to, true) != rows.begin() + to;
        };
        for (int i = 0; i < 8; ++i) EXPECT_TRUE(dark(10 + 20 * i, 26 + 20 * i)) << "line " << i;
        EXPECT_FALSE(dark(0, 9) || dark(175, static_cast<int>(rows.size())));
        // The static paints itself white; the preview comes back 20 ms later.
        RedrawWindow(d, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(300);
        EXPECT_EQ(DarkRows(preview), rows);
        ClickButton(d, IDCANCEL);
    }));
}

// Every character code page 932 holds: typed into the edit, stored, sent, read back, saved and
// loaded, 21 at a time, always the same bytes. Device-refused ones (half-width, user-defined)
// round-trip through the file and are refused when sent.
TEST_F(TitleDialogTest, EveryCodePage932CharacterRoundTrips) {
    std::vector<std::wstring> accepted, refused;
    std::wstring dbcs = L"\u3000", user_defined, half;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            wchar_t w = 0;
            if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pair, 2, &w, 1) != 1) continue;
            std::string back;
            if (!WideToCp932(std::wstring(1, w), back) || back.size() != 2) continue;
            if (back != std::string(pair, 2)) continue;  // a duplicate: its own pair comes too
            if (w == L'\u3000') continue;
            (lead >= 0xF0 && lead <= 0xF9 ? user_defined : dbcs) += w;
        }
    }
    for (int b = 0x21; b <= 0xDF; ++b) {
        if (b >= 0x7F && b <= 0xA0) continue;
        const char one = static_cast<char>(b);
        wchar_t w = 0;
        if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, &one, 1, &w, 1) == 1) half += w;
    }
    EXPECT_GT(dbcs.size(), 7000u);
    EXPECT_EQ(user_defined.size(), 1880u);
    EXPECT_EQ(half.size(), 157u);
    for (std::size_t i = 0; i < dbcs.size(); i += 21) accepted.push_back(dbcs.substr(i, 21));
    for (std::size_t i = 0; i < user_defined.size(); i += 21)
        refused.push_back(user_defined.substr(i, 21));
    for (std::size_t i = 0; i < half.size(); i += 42) refused.push_back(half.substr(i, 42));

    auto loaded = std::make_unique<SettingsModel>();
    int mismatches = 0;
    ASSERT_TRUE(Drive([&](HWND d) {
        int t = 0;
        for (const auto* group : {&accepted, &refused}) {
            for (const std::wstring& chunk : *group) {
                SelectComboItem(d, IDC_TITLE_NUMBER, t);
                Paste(d, chunk);
                const std::string typed = Title(t);
                const std::size_t writes = link.serial_writes.size();
                ClickButton(d, IDC_TITLE_SET);
                const bool sent = link.serial_writes.size() == writes + 1;
                if (sent) ParseSerialReply(c, link.serial_writes.back());  // the read-back
                ReadSettingsText(WriteSettingsText(c.model), *loaded);
                const char* file = loaded->title_text[t];
                if (sent != (group == &accepted) || Title(t) != typed ||
                    std::string(file, strnlen(file, kTitleBytes)) != typed ||
                    Cp932ToWide(typed) != chunk) {
                    if (++mismatches <= 5) ADD_FAILURE() << t << ": " << WideToUtf8(chunk);
                }
                t = (t + 1) % kTitleCount;
            }
        }
        ClickButton(d, IDCANCEL);
    }));
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(prompts.calls, Calls(refused.size(), kJisBox));
}

// The File menu keeps what was typed: save, change a title, open the file, the title is back.
TEST_F(TitleDialogTest, SavedTitlesComeBackWhenTheFileIsOpened) {
    SetProgramFileSystem(nullptr);  // the disk itself
    const std::string folder = WideToUtf8(WinePathFromEnv("TVX_WORK_DIR"));
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "\\タイトル.dat";
    c.app.selected_title_index = 3;
    auto type = [&](const wchar_t* text) {
        ASSERT_TRUE(Drive([&](HWND d) {
            Paste(d, text);
            ClickButton(d, IDCANCEL);
        }));
    };
    type(L"保存するタイトル");
    prompts.file_names = {folder + "\\タイトル"};
    RunMenuCommand(nullptr, IDM_FILE_SAVE_AS);
    EXPECT_EQ(c.app.current_file_name, path);
    EXPECT_EQ(c.app.document_modified, 0);
    std::string bytes;
    ASSERT_TRUE(ProgramFileSystem().ReadWholeFile(path, bytes));
    EXPECT_NE(bytes.find("\r\ns\r\ns\r\ns\r\n\x95\xDB\x91\xB6\x82\xB7\x82\xE9\x83\x5E\x83\x43"
                         "\x83\x67\x83\x8B\r\ns\r\n"),
              std::string::npos);

    type(L"変更");
    EXPECT_EQ(c.app.document_modified, 1);
    prompts.yes_no_answers = {true};
    prompts.file_names = {path};
    RunMenuCommand(nullptr, IDM_FILE_OPEN);
    EXPECT_EQ(prompts.calls.back(), "ask-file(0)");
    EXPECT_EQ(prompts.calls[prompts.calls.size() - 2],
              "ask[TVX-5870]: データを保存せずに別のファイルを開きますか？");
    std::wstring shown;
    ASSERT_TRUE(Drive([&](HWND d) {
        shown = EditText(d);
        ClickButton(d, IDCANCEL);
    }));
    EXPECT_EQ(shown, L"保存するタイトル");
    DeleteFileW(Utf8ToWide(path).c_str());
}

// The File menu's CSV items against files on the disk: the titles go out as a spreadsheet's CSV,
// and come back from one a spreadsheet changed and saved in code page 932.
TEST_F(TitleDialogTest, TitlesGoOutToACsvAndComeBackFromOne) {
    SetProgramFileSystem(nullptr);  // the disk itself
    const std::string folder = WideToUtf8(WinePathFromEnv("TVX_WORK_DIR"));
    ASSERT_FALSE(folder.empty());
    SetTitle(0, "\x94\xD4\x91\x67");  // 番組
    SetTitle(1, "\x10\xFA");          // glyph 57
    prompts.file_names = {folder + "\\タイトル"};
    RunMenuCommand(nullptr, IDM_TITLES_CSV_EXPORT);
    EXPECT_EQ(prompts.calls, Calls{"ask-file(8)"});
    const std::string exported = folder + "\\タイトル.csv";
    std::string bytes;
    ASSERT_TRUE(ProgramFileSystem().ReadWholeFile(exported, bytes));
    EXPECT_EQ(bytes.substr(0, 52), "\xEF\xBB\xBF番号,タイトル\r\n1,番組\r\n2,[外字57]\r\n3,\r\n");
    EXPECT_EQ(bytes.size(), 52 + 6 * 4 + 90 * 5 + 45 * 6u);  // "4,\r\n" .. "144,\r\n"

    const std::string edited = folder + "\\edit.csv";
    ASSERT_TRUE(ProgramFileSystem().ReplaceFileContents(
        edited, "\x94\xD4\x8D\x86\t\x83\x5E\x83\x43\x83\x67\x83\x8B\r\n3\t\xC3\xBD\xC4 ABC\r\n"));
    c.app.document_modified = 0;
    prompts.calls.clear();
    prompts.file_names = {edited};
    RunMenuCommand(nullptr, IDM_TITLES_CSV_IMPORT);
    EXPECT_EQ(prompts.calls,
              (Calls{"ask-file(7)",
                     "plain[TVX-5870]: 1 件のタイトルを読み込みました (半角を全角にした文字: 7)"}));
    EXPECT_EQ(Title(2), "\x83\x65\x83\x58\x83\x67\x81\x40\x82\x60\x82\x61\x82\x62");
    EXPECT_EQ(Title(0), "\x94\xD4\x91\x67");
    EXPECT_EQ(c.app.document_modified, 1);
    c.app.selected_title_index = 2;
    std::wstring shown;
    ASSERT_TRUE(Drive([&](HWND d) {
        shown = EditText(d);
        ClickButton(d, IDCANCEL);
    }));
    EXPECT_EQ(shown, L"テスト　ＡＢＣ");

    // The exported file puts the titles back as they were.
    prompts.file_names = {exported};
    RunMenuCommand(nullptr, IDM_TITLES_CSV_IMPORT);
    EXPECT_EQ(Title(1), "\x10\xFA");
    EXPECT_EQ(Title(2), "");
    DeleteFileW(Utf8ToWide(exported).c_str());
    DeleteFileW(Utf8ToWide(edited).c_str());
}

}  // namespace
}  // namespace tvx::test
