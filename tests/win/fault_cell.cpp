// One cell of the fault matrix (scripts/fault_matrix.sh): one sequence of the program, over one
// link, against the device simulator injecting one fault. The program runs in-process as it
// does for a user: its real main window (no-reply timer, serial line drain), its real dialogs
// opened from the menu table, its real transports and its real message boxes. A second thread
// plays the user: it reads every box that comes up and presses its OK (Yes for the
// confirmation) after a moment, as a person would.
//
//   fault_cell.exe SEQUENCE LINK FAULT
//     SEQUENCE  title, title-nm, title-display, page-assignment, auto-switching, set-all,
//               read-back, glyph-register, glyph-read, network-read
//     LINK      serial (COM1, needs the pty pair of wine_run.sh --serial) or tcp (the program
//               as client of the simulator on a free loopback port)
//     FAULT     none, split, merge, garbage, delay-under, delay-over, silent, drop, E0, E1, E2,
//               E3, MENU, auto-switching (see kFaults)
//
// It prints one tab-separated result line (and appends it to the file TVX_FAULT_RESULT names):
// sequence, link, fault, boxes seen during the run, how the run ended, what one more command
// got afterwards, what the model holds, the frames the device received, seconds, verdict. The
// exit code is 0 when the verdict is "ok". TVX_SIM_EXECUTABLE names the simulator.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/menu_commands_win.h"
#include "link/serial_win.h"
#include "link/socket_win.h"
#include "res/resource.h"
#include "support/dialog_driver_win.h"
#include "support/window_driver_win.h"
#include "tcp_support.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx::test {
namespace {

// ---------------------------------------------------------------------------------------------
// The user: reads each message box of the user-interface thread and answers it.

struct SeenBox {
    ULONGLONG at_ms;
    std::string caption, text;
};

class BoxReader {
  public:
    void Start(DWORD ui_thread, DWORD reading_ms) {
        ui_thread_ = ui_thread;
        reading_ms_ = reading_ms;
        InitializeCriticalSection(&lock_);
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    void Stop() {
        InterlockedExchange(&stop_, 1);
        if (thread_) WaitForSingleObject(thread_, 5000);
    }
    size_t Count() {
        EnterCriticalSection(&lock_);
        size_t n = seen_.size();
        LeaveCriticalSection(&lock_);
        return n;
    }
    std::vector<SeenBox> Since(size_t mark) {
        EnterCriticalSection(&lock_);
        std::vector<SeenBox> out(seen_.begin() + std::min(mark, seen_.size()), seen_.end());
        LeaveCriticalSection(&lock_);
        return out;
    }
    int OpenNow() const { return open_now_; }
    int MostOpenAtOnce() const { return most_open_; }

  private:
    struct Open {
        ULONGLONG since;
        bool answered;
    };
    static bool IsMessageBox(HWND window, std::wstring& caption) {
        wchar_t class_name[16] = {};
        GetClassNameW(window, class_name, 16);
        if (wcscmp(class_name, L"#32770") != 0 || !IsWindowVisible(window)) return false;
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        caption = title;
        static const wchar_t* const kCaptions[] = {L"Error",      L"Success",  L"設定完了",
                                                   L"本機の確認", L"TVX-5870", L"新規作成"};
        for (const wchar_t* c : kCaptions)
            if (caption == c) return HasControl(window, 0xFFFF);
        return false;
    }
    static BOOL CALLBACK Collect(HWND window, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }
    static DWORD WINAPI Run(void* self_pointer) {
        auto* self = static_cast<BoxReader*>(self_pointer);
        std::map<HWND, Open> open;
        while (!self->stop_) {
            std::vector<HWND> windows;
            EnumThreadWindows(self->ui_thread_, Collect, reinterpret_cast<LPARAM>(&windows));
            const ULONGLONG now = GetTickCount64();
            std::map<HWND, Open> still;
            for (HWND w : windows) {
                std::wstring caption;
                if (!IsMessageBox(w, caption)) continue;
                auto it = open.find(w);
                Open state = it == open.end() ? Open{now, false} : it->second;
                if (it == open.end()) {
                    EnterCriticalSection(&self->lock_);
                    self->seen_.push_back(
                        {now, WideToUtf8(caption), WideToUtf8(MessageBoxText(w))});
                    LeaveCriticalSection(&self->lock_);
                }
                if (!state.answered && now - state.since >= self->reading_ms_) {
                    PressButton(w, HasControl(w, IDYES) ? IDYES : IDOK);
                    state.answered = true;
                }
                still[w] = state;
            }
            open.swap(still);
            self->open_now_ = static_cast<int>(open.size());
            self->most_open_ = std::max(self->most_open_, self->open_now_);
            Sleep(20);
        }
        return 0;
    }

    DWORD ui_thread_ = 0;
    DWORD reading_ms_ = 500;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    volatile int open_now_ = 0;
    volatile int most_open_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<SeenBox> seen_;
};

// ---------------------------------------------------------------------------------------------
// Faults, sequences and what each cell must show.

enum class Expect {
    Clean,    // the run goes through; no error box; everything read or sent
    Error,    // one error reply mid-run: its one box, the run ends (glyph runs go on)
    NoReply,  // the device stops answering (or answers too late): one no-reply box, the run ends
    Dropped,  // the device closes the connection: one box, the run ends; a reconnect works
    Merged,   // each odd reply held back until the next frame: a run paced by time goes through
              // (the last reply may wait for a frame that never comes); a run that waits for
              // each answer does not get the first one in time, as NoReply
    Refused,  // a position of the device switches automatically: it refuses glyph reads (GN)
};

struct Fault {
    const char* name;
    const char* serial_args;  // nullptr: not on this link
    const char* tcp_args;
    Expect expect;
    const char* serial_text;  // the box an error reply shows on each link
    const char* tcp_text;
};

// The frame a fault hits is the third of the run: mid-run for the four-step runs, early in the
// long ones. The delays straddle each link's reply limit: 3.0 to 3.5 s until "No Connect" on
// RS-232C, 5 s of answer wait on TCP/IP.
const Fault kFaults[] = {
    {"none", "", "", Expect::Clean, nullptr, nullptr},
    {"split", "--split", "--split", Expect::Clean, nullptr, nullptr},
    {"merge", "--merge", "--merge", Expect::Merged, nullptr, nullptr},
    {"garbage", "--garbage", "--garbage", Expect::Clean, nullptr, nullptr},
    {"delay-under", "--reply-delay 2800", "--reply-delay 4500", Expect::Clean, nullptr, nullptr},
    {"delay-over", "--reply-delay 3800", "--reply-delay 5500", Expect::NoReply, nullptr, nullptr},
    {"silent", "--silent-after 3", "--silent-after 3", Expect::NoReply, nullptr, nullptr},
    {"drop", nullptr, "--drop-after 3", Expect::Dropped, nullptr, nullptr},
    {"E0", "--error E0@3", "--error E0@3", Expect::Error, "Framing Error", "Socket Framing"},
    {"E1", "--error E1@3", "--error E1@3", Expect::Error, "Parity Error", "Socket Parity"},
    {"E2", "--error E2@3", "--error E2@3", Expect::Error, "Over run Error", "Socket Over run"},
    {"E3", "--error E3@3", "--error E3@3", Expect::Error, "Command Error", "Socket Command"},
    {"MENU", "--error MENU@3", "--error MENU@3", Expect::Error, "Menu Display",
     "Socket Menu Display"},
    // Glyph reads only: the device's state has a position on automatic switching.
    {"auto-switching", "", "", Expect::Refused, "自動切換え中！", "Socket 自動切換え中！"},
};

enum class Scope { Titles, DisplayFlags, PageTitles, SwitchTimes, Everything, Glyphs, Network };

struct Sequence {
    const char* name;
    int menu;
    int start_button;
    bool reads;  // the device's values come into the model
    bool serial_only;
    bool glyph_run;    // the external character list's bulk run (timer 14)
    double nominal_s;  // at the program's periods, with prompt answers
    Scope scope;       // the model fields the run reads (read runs) or sends (send runs)
    int period_ms;     // the run's shortest period between two frames
};

const Sequence kSequences[] = {
    {"title", IDM_TITLE_SETTING, IDC_TITLE_SET_ALL, false, false, false, 144, Scope::Titles, 1000},
    {"title-nm", IDM_TITLE_SETTING, IDC_TITLE_NM_SET_ALL, false, false, false, 87, Scope::Titles,
     600},
    {"title-display", IDM_TITLE_DISPLAY, IDC_TITLE_DISPLAY_SET_ALL, false, false, false, 2,
     Scope::DisplayFlags, 500},
    {"page-assignment", IDM_PAGE_ASSIGNMENT, IDC_ASSIGNMENT_SET_ALL, false, false, false, 14,
     Scope::PageTitles, 2600},
    {"auto-switching", IDM_AUTO_SWITCHING, IDC_AUTO_SWITCHING_SET_ALL, false, false, false, 5,
     Scope::SwitchTimes, 1200},
    {"set-all", IDM_SET_ALL_ITEMS, IDC_BULK_START, false, false, false, 220, Scope::Everything,
     1200},
    {"read-back", IDM_READ_BACK, IDC_BULK_START, true, false, false, 112, Scope::Everything, 600},
    {"glyph-register", IDM_GLYPH_LIST, IDC_GLYPH_REGISTER, false, false, true, 129, Scope::Glyphs,
     2000},
    {"glyph-read", IDM_GLYPH_LIST, IDC_GLYPH_READ, true, false, true, 21, Scope::Glyphs, 300},
    {"network-read", IDM_PROTOCOL_SETTING, IDC_NET_READ, true, true, false, 2, Scope::Network, 200},
};

// ---------------------------------------------------------------------------------------------
// The two models: what the device holds (written to the simulator's state file, read runs bring
// it in) and what the program holds before a send run. Texts are written here by hand, as JIS
// codes for the device and Shift_JIS bytes for the program, so that no code of the program's
// encoders decides what is expected.

std::string ThreeDigits(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%03d", n);
    return b;
}

// "天気予報" and the title number in full-width digits: JIS for the device, Shift_JIS for the
// program ("予" is 0x97 0x5C: its second byte is a backslash).
std::string DeviceTitleJisHex(int t) {
    std::string hex =
        "4537"
        "3524"
        "4D3D"
        "4A73";
    for (char d : ThreeDigits(t + 1)) hex += "233" + std::string(1, d);
    while (hex.size() < 84) hex += "2121";
    return hex;
}
std::string DeviceTitleSjis(int t) {
    std::string text = "\x93\x56\x8b\x43\x97\x5c\x95\xf1";
    for (char d : ThreeDigits(t + 1))
        text += std::string("\x82") + static_cast<char>(0x4f + d - '0');
    return text;
}
// The program's titles for the send runs: "番組" and the number.
std::string ProgramTitleSjis(int t) {
    std::string text = "\x94\xd4\x91\x67";
    for (char d : ThreeDigits(t + 1))
        text += std::string("\x82") + static_cast<char>(0x4f + d - '0');
    return text;
}

char HexDigit(int v) {
    return "0123456789ABCDEF"[v & 15];
}

std::string DeviceGlyph(int g) {
    std::string p;
    for (int k = 0; k < kGlyphPatternChars; ++k) p += HexDigit((k * 7 + g) % 15 + 1);
    return p;
}

void FillDeviceModel(SettingsModel& d) {
    for (int p = 0; p < kPositionCount; ++p) {
        for (int k = 0; k < kPageCount; ++k) {
            d.page_display_on[p][k] = (k + p) % 2;
            d.page_switch_seconds[p][k] = (k + 3 * p) % 90 + 10;
            d.page_title_number[p][k] = (k + 7 + p) % kTitleCount;
        }
    }
    // No position shows automatic switching now: the device would refuse glyph reads (GN).
    const int display[] = {9, 19, 29, 143}, startup[] = {kAutoSwitchPage, 100, 101, 102},
              offset[] = {0, 3, 12, 15};
    for (int p = 0; p < kPositionCount; ++p) {
        d.display_page[p] = display[p];
        d.startup_page[p] = startup[p];
        d.position_offset[p] = offset[p];
    }
    d.white_level = 3;
    d.edge_level = 0;
    for (int t = 0; t < kTitleCount; ++t) std::strcpy(d.title_text[t], DeviceTitleSjis(t).c_str());
    for (int g = 0; g < 64; ++g) std::memcpy(d.glyph_pattern[g], DeviceGlyph(g).data(), 256);
    const unsigned char ip[] = {192, 168, 10, 20}, gw[] = {192, 168, 10, 1}, aa[] = {10, 1, 2, 3};
    std::memcpy(d.net_ip_address, ip, 4);
    std::memcpy(d.net_gateway_address, gw, 4);
    std::memcpy(d.net_active_address, aa, 4);
    d.net_subnet_class = 0;
    std::strcpy(d.net_port_number, "10001");
    d.net_keep_alive = 1;
    d.net_time_register = 2;
    std::strcpy(d.net_mac_address, "02-11-22-33-44-55");
    std::strcpy(d.net_version, "2.34");
}

std::string PageText(int page) {
    return page == kAutoSwitchPage ? "AS" : ThreeDigits(page + 1);
}

std::string Octets(const unsigned char* o) {
    char b[20];
    std::snprintf(b, sizeof b, "%u.%u.%u.%u", o[0], o[1], o[2], o[3]);
    return b;
}

std::string DeviceStateJson(const SettingsModel& d) {
    auto quoted = [](const std::string& s) { return "\"" + s + "\""; };
    std::string j = "{\"format\": \"tvx5870-sim state\", \"version\": 1, \"devices\": [{";
    j += "\"address\": 0, \"page_display_on\": [";
    for (int p = 0; p < kPositionCount; ++p) {
        std::string letters;
        for (int k = 0; k < kPageCount; ++k) letters += d.page_display_on[p][k] ? 'N' : 'F';
        j += (p ? ", " : "") + quoted(letters);
    }
    auto table = [&](const char* key, const int(&t)[kPositionCount][kPageCount], int add) {
        j += std::string("], \"") + key + "\": [";
        for (int p = 0; p < kPositionCount; ++p) {
            j += p ? ", [" : "[";
            for (int k = 0; k < kPageCount; ++k)
                j += (k ? "," : "") + std::to_string(t[p][k] + add);
            j += "]";
        }
    };
    table("page_switch_seconds", d.page_switch_seconds, 0);
    table("page_title_number", d.page_title_number, 1);
    j += "], \"display_page\": [";
    for (int p = 0; p < kPositionCount; ++p)
        j += (p ? ", " : "") + quoted(PageText(d.display_page[p]));
    j += "], \"startup_page\": [";
    for (int p = 0; p < kPositionCount; ++p)
        j += (p ? ", " : "") + quoted(PageText(d.startup_page[p]));
    j += "], \"position_offset\": [";
    for (int p = 0; p < kPositionCount; ++p)
        j += (p ? ", " : "") + std::to_string(d.position_offset[p]);
    j += "], \"white_level\": " + std::to_string(d.white_level) +
         ", \"edge_level\": " + std::to_string(d.edge_level) + ", \"titles\": [";
    for (int t = 0; t < kTitleCount; ++t) j += (t ? ", " : "") + quoted(DeviceTitleJisHex(t));
    j += "], \"glyphs\": {";
    for (int g = 0; g < 64; ++g)
        j += (g ? ", " : "") + quoted(ThreeDigits(g + 1).substr(1)) + ": " +
             quoted(std::string(d.glyph_pattern[g], kGlyphPatternChars));
    j += "}, \"net\": {\"ip\": " + quoted(Octets(d.net_ip_address)) +
         ", \"gateway\": " + quoted(Octets(d.net_gateway_address)) +
         ", \"active\": " + quoted(Octets(d.net_active_address)) + ", \"subnet_class\": " +
         quoted(std::string(1, static_cast<char>('A' + d.net_subnet_class))) +
         ", \"port\": " + quoted(d.net_port_number) +
         ", \"keep_alive\": " + (d.net_keep_alive ? "true" : "false") + ", \"time_register\": " +
         quoted(std::string(1, static_cast<char>('1' + d.net_time_register))) +
         ", \"mac\": " + quoted(d.net_mac_address) + ", \"version\": " + quoted(d.net_version) +
         "}}]}\n";
    return j;
}

void FillProgramModel(SettingsModel& m) {
    for (int p = 0; p < kPositionCount; ++p) {
        for (int k = 0; k < kPageCount; ++k) {
            m.page_display_on[p][k] = (k + p) % 3 == 0 ? 0 : 1;
            m.page_switch_seconds[p][k] = (k * 7 + p) % 99 + 1;
            m.page_title_number[p][k] = (143 - k + p * 5) % kTitleCount;
        }
        m.display_page[p] = p == 3 ? kAutoSwitchPage : 10 + p * 30;
        m.startup_page[p] = p == 0 ? kAutoSwitchPage : 143 - p;
        m.position_offset[p] = 12 + p;
    }
    m.white_level = 2;
    m.edge_level = 3;
    for (int t = 0; t < kTitleCount; ++t) std::strcpy(m.title_text[t], ProgramTitleSjis(t).c_str());
    for (int g = 0; g < 64; ++g)
        for (int k = 0; k < kGlyphPatternChars; ++k) m.glyph_pattern[g][k] = HexDigit(k + 3 * g);
}

// The frames of a whole run, in order: each received frame must begin with its entry.
std::vector<std::string> ExpectedHeads(const Sequence& s) {
    std::vector<std::string> h;
    const char* const pos[] = {"01T", "01B", "02T", "02B"};
    const char* const bottom_first[] = {"01B", "01T", "02B", "02T"};
    auto each_position = [&](const std::string& command, const char* const(&order)[4]) {
        for (const char* p : order) h.push_back(command + p);
    };
    const std::string name = s.name;
    if (name == "title" || name == "title-nm") {
        for (int t = 1; t <= kTitleCount; ++t)
            h.push_back((name == "title" ? "CT" : "CN") + ThreeDigits(t));
    } else if (name == "title-display") {
        each_position("CTD", pos);
    } else if (name == "page-assignment") {
        each_position("PP", pos);
    } else if (name == "auto-switching") {
        each_position("AST", pos);
    } else if (name == "set-all") {
        for (int t = 1; t <= kTitleCount; ++t) h.push_back("CT" + ThreeDigits(t));
        each_position("CTD", pos);
        h.push_back("CWL");
        h.push_back("CEL");
        each_position("SUS", pos);
        each_position("CTDPO", pos);
        each_position("P", pos);
        each_position("AST", pos);
        each_position("PP", pos);
    } else if (name == "read-back") {
        each_position("RAST", bottom_first);
        each_position("RCTD", bottom_first);
        each_position("RCTDPO", bottom_first);
        h.push_back("RCEL\r\n");
        h.push_back("RCWL\r\n");
        each_position("RSUS", bottom_first);
        each_position("RP", bottom_first);
        each_position("RPP", pos);
        for (int t = 1; t <= kTitleCount; ++t) h.push_back("RCT" + ThreeDigits(t) + "\r\n");
    } else if (name == "glyph-register") {
        for (int g = 1; g <= 64; ++g) h.push_back("GR" + ThreeDigits(g).substr(1));
    } else if (name == "glyph-read") {
        // Register 01 is A365 .. 26 is A37E, then 27 is A421 .. 64 is A446.
        for (int g = 0; g < 64; ++g) {
            const int code = g < 26 ? 0xA365 + g : 0xA421 + (g - 26);
            char b[16];
            std::snprintf(b, sizeof b, "RFBM%04X\r\n", code);
            h.push_back(b);
        }
    } else if (name == "network-read") {
        for (const char* r : {"RAA", "RGA", "RIA", "RMA", "RPN", "RSM", "RKA", "RTR", "RVN"})
            h.push_back(std::string(r) + "\r\n");
        return h;  // bare: the device network settings go out without the address prefix
    }
    for (std::string& head : h) {
        if (head.compare(0, 1, "R") == 0 && head.find('\r') == std::string::npos) head += "\r\n";
        head = "00" + head;
    }
    return h;
}

// Checks the frames the device received against the run's heads: the same order, no frame
// skipped; a glyph read may ask for the same glyph again (after an error reply). Returns "n/N",
// or "WRONG ..." at the first frame out of place.
std::string CheckFrames(const std::vector<std::string>& frames,
                        const std::vector<std::string>& heads, bool repeats_allowed,
                        size_t& matched) {
    size_t next = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::string& f = frames[i];
        auto begins = [&](size_t at) {
            return at < heads.size() && f.compare(0, heads[at].size(), heads[at]) == 0;
        };
        if (begins(next)) {
            ++next;
        } else if (!(repeats_allowed && next > 0 && begins(next - 1))) {
            std::string shown = f.substr(0, 16);
            for (char& ch : shown)
                if (ch == '\r' || ch == '\n') ch = ' ';
            matched = next;
            return "WRONG frame " + std::to_string(i + 1) + " '" + shown + "'";
        }
    }
    matched = next;
    return std::to_string(frames.size()) + "/" + std::to_string(heads.size());
}

// ---------------------------------------------------------------------------------------------
// The model after the run. Each field either kept its value from before the run or, for the
// fields a read run reads, took the device's value; anything else is corruption.

struct ModelCheck {
    int from_device = 0;  // fields (of those that differ) now holding the device's value
    int differing = 0;    // fields in scope whose device value differs from the value before
    std::string wrong;    // the first field holding neither value, or changed outside the scope
    std::string unread;   // the first field in scope that kept its value instead of the device's
};

struct FieldWalker {
    bool read_scope;  // true: the fields of the run's scope may take the device's value
    ModelCheck result;

    // One field: kept = after equals before, device = after equals the device's value, differs =
    // the device's value is not the value before.
    void Field(const char* name, int index, bool kept, bool device, bool differs, bool in_scope) {
        const bool may_read = in_scope && read_scope;
        if (may_read && differs) {
            ++result.differing;
            result.from_device += device;
            if (!device && result.unread.empty())
                result.unread =
                    std::string(name) + (index >= 0 ? "[" + std::to_string(index) + "]" : "");
        }
        if (kept || (may_read && device) || !result.wrong.empty()) return;
        result.wrong = std::string(name) + (index >= 0 ? "[" + std::to_string(index) + "]" : "");
    }
    template <typename T>
    void Value(const char* name, int index, const T& b, const T& a, const T& d, bool in_scope) {
        Field(name, index, std::memcmp(&b, &a, sizeof(T)) == 0, std::memcmp(&d, &a, sizeof(T)) == 0,
              std::memcmp(&b, &d, sizeof(T)) != 0, in_scope);
    }
    // NUL-terminated text: what follows the terminator is not part of the value.
    void Text(const char* name, int index, const char* b, const char* a, const char* d,
              bool in_scope) {
        Field(name, index, std::strcmp(b, a) == 0, std::strcmp(d, a) == 0, std::strcmp(b, d) != 0,
              in_scope);
    }
};

ModelCheck CheckModel(const SettingsModel& before, const SettingsModel& after,
                      const SettingsModel& device, const Sequence& s) {
    FieldWalker w{s.reads, {}};
    const bool all = s.scope == Scope::Everything;
    for (int p = 0; p < kPositionCount; ++p) {
        for (int k = 0; k < kPageCount; ++k) {
            const int i = p * kPageCount + k;
            w.Value("page_display_on", i, before.page_display_on[p][k], after.page_display_on[p][k],
                    device.page_display_on[p][k], all || s.scope == Scope::DisplayFlags);
            w.Value("page_switch_seconds", i, before.page_switch_seconds[p][k],
                    after.page_switch_seconds[p][k], device.page_switch_seconds[p][k],
                    all || s.scope == Scope::SwitchTimes);
            w.Value("page_title_number", i, before.page_title_number[p][k],
                    after.page_title_number[p][k], device.page_title_number[p][k],
                    all || s.scope == Scope::PageTitles);
        }
        w.Value("display_page", p, before.display_page[p], after.display_page[p],
                device.display_page[p], all);
        w.Value("startup_page", p, before.startup_page[p], after.startup_page[p],
                device.startup_page[p], all);
        w.Value("position_offset", p, before.position_offset[p], after.position_offset[p],
                device.position_offset[p], all);
    }
    w.Value("white_level", -1, before.white_level, after.white_level, device.white_level, all);
    w.Value("edge_level", -1, before.edge_level, after.edge_level, device.edge_level, all);
    for (int t = 0; t < kTitleCount; ++t)
        w.Text("title_text", t, before.title_text[t], after.title_text[t], device.title_text[t],
               all || s.scope == Scope::Titles);
    for (int g = 0; g < kGlyphCount; ++g) {
        auto same = [](const char* x, const char* y) {
            return std::memcmp(x, y, kGlyphPatternChars) == 0;
        };
        w.Field("glyph_pattern", g, same(before.glyph_pattern[g], after.glyph_pattern[g]),
                same(device.glyph_pattern[g], after.glyph_pattern[g]),
                !same(before.glyph_pattern[g], device.glyph_pattern[g]),
                s.scope == Scope::Glyphs && g < 64);
    }
    const bool net = s.scope == Scope::Network;
#define TVX_VALUE(field) w.Value(#field, -1, before.field, after.field, device.field, net)
#define TVX_TEXT(field) w.Text(#field, -1, before.field, after.field, device.field, net)
    TVX_VALUE(net_ip_address);
    TVX_VALUE(net_gateway_address);
    TVX_VALUE(net_active_address);
    TVX_VALUE(net_subnet_class);
    TVX_TEXT(net_port_number);
    TVX_VALUE(net_keep_alive);
    TVX_VALUE(net_time_register);
    TVX_TEXT(net_mac_address);
    TVX_TEXT(net_version);
#undef TVX_VALUE
#undef TVX_TEXT
    return w.result;
}

// ---------------------------------------------------------------------------------------------
// The cell.

constexpr DWORD kReadingMs = 500;  // how long the user looks at a box before pressing its button

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool RunActive(const AppState& app) {
    return app.sequence_running != 0 || app.glyph_bulk_read_running != 0;
}

bool IsAcknowledgement(const SeenBox& b) {
    return (b.caption == "設定完了" && b.text == "Success") ||
           (b.caption == "Success" && b.text == "Socket ＯＫ");
}
bool IsErrorBox(const SeenBox& b) {
    return b.caption == "Error" || b.caption == "TVX-5870";
}

// "Command Error ×1, 本機の確認 ×1": error boxes by their text, the others by caption and text.
std::string Summary(const std::vector<SeenBox>& boxes) {
    std::vector<std::pair<std::string, int>> counted;
    for (const SeenBox& b : boxes) {
        std::string name = IsErrorBox(b)               ? b.text
                           : b.caption == "本機の確認" ? b.caption
                                                       : b.caption + ": " + b.text;
        auto it = std::find_if(counted.begin(), counted.end(),
                               [&](const auto& e) { return e.first == name; });
        if (it == counted.end()) {
            counted.push_back({name, 1});
        } else {
            ++it->second;
        }
    }
    std::string out;
    for (const auto& [name, n] : counted)
        out += (out.empty() ? "" : ", ") + name + " ×" + std::to_string(n);
    return out.empty() ? "-" : out;
}

std::vector<std::string> RunFrames(const SimProcess& sim) {
    std::vector<std::string> frames;
    for (const SimLogEntry& e : sim.Log())
        if (e.direction == "rx") frames.push_back(e.bytes);
    return frames;
}

struct Outcome {
    std::string boxes = "-", ended, after = "-", model, frames, verdict = "ok";
    double seconds = 0;
    void Fail(const std::string& why) {
        if (verdict == "ok") verdict = "FAIL: " + why;
    }
};

int CellMain(const Sequence& s, bool tcp, const Fault& f) {
    CoreContext& c = ProgramContext();
    Outcome out;
    const auto finish = [&](int code) {
        char seconds[16];
        std::snprintf(seconds, sizeof seconds, "%.1f", out.seconds);
        const std::string line = std::string(s.name) + "\t" + (tcp ? "TCP/IP" : "RS-232C") + "\t" +
                                 f.name + "\t" + out.boxes + "\t" + out.ended + "\t" + out.after +
                                 "\t" + out.model + "\t" + out.frames + "\t" + seconds + "\t" +
                                 out.verdict + "\n";
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
        const std::wstring result_file = WinePathFromEnv("TVX_FAULT_RESULT");
        if (!result_file.empty()) {
            std::ofstream(std::filesystem::path(result_file), std::ios::app | std::ios::binary)
                << line;
        }
        return code;
    };
    const char* sim_fault = tcp ? f.tcp_args : f.serial_args;
    if (!sim_fault || (tcp && s.serial_only)) {
        out.verdict = "not applicable";
        return finish(2);
    }

    // The program starts as wWinMain starts it, without a configuration file.
    InitProgramControls();
    RegisterMainWindowClass(ProgramInstance());
    HWND main = CreateMainWindow(ProgramInstance());
    ResetClientSlots(c.sockets);
    ResetToDefaults(c.model, c.app);
    BoxReader user;
    user.Start(GetCurrentThreadId(), kReadingMs);

    // The device holds its own values; the simulator starts from them.
    auto device = std::make_unique<SettingsModel>();
    auto scratch = std::make_unique<AppState>();
    ResetToDefaults(*device, *scratch);
    FillDeviceModel(*device);
    if (f.expect == Expect::Refused) device->display_page[3] = kAutoSwitchPage;
    const std::string work = Env("TVX_WORK_DIR");
    const std::string state = work + "/device-state.json";
    std::ofstream(std::filesystem::path(WinPathOf(state)), std::ios::binary)
        << DeviceStateJson(*device);
    std::string args = tcp ? "--tcp-listen 0" : "--serial '" + Env("TVX_SIM_PTY") + "'";
    args += " --state '" + state + "' " + sim_fault;
    SimProcess sim;
    if (work.empty() || (!tcp && Env("TVX_SIM_PTY").empty()) || !sim.Start(args)) {
        out.verdict = "FAIL: the simulator did not start";
        return finish(3);
    }

    // The link, as the user sets it up: the COM port opened at start, or "接続" to the device.
    if (tcp) {
        c.app.interface_type = 1;
        c.app.tcp_role = 0;
        const unsigned char loopback[4] = {127, 0, 0, 1};
        std::memcpy(c.app.host_list[0], loopback, 4);
        c.app.host_list_count = 1;
        c.app.selected_connection = 0;
        std::snprintf(c.app.tcp_port_text, sizeof c.app.tcp_port_text, "%05d", sim.ListenPort());
        if (!ConnectToServer(c) || !PumpUntil([&] { return c.app.socket_connected == 1; }, 10000)) {
            out.verdict = "FAIL: no connection to the simulator";
            return finish(3);
        }
    } else {
        c.app.interface_type = 0;
        c.app.com_port_index = 0;
        StartSerialLink(c, main, MSG_SERIAL_LINE);
    }
    PumpUntil([&] { return user.OpenNow() == 0; }, 5000);  // "Socket 接続 OK" and the like
    // Boxes of the start-up other than the connection's: shown in the table ("Miss! Set Comm
    // State" on a pty is harmless).
    std::vector<SeenBox> setup_boxes;
    bool port_opened = true;
    for (const SeenBox& b : user.Since(0)) {
        if (b.text != "Socket 接続 OK") setup_boxes.push_back(b);
        port_opened = port_opened && b.text != "Miss! File Open";
    }

    if (!s.reads) FillProgramModel(c.model);
    // The list keeps the address prefix as the dialog before it left it: a user has opened
    // some other dialog of the "設定" menu first.
    if (s.glyph_run) c.app.address_prefix_on = 1;
    auto before = std::make_unique<SettingsModel>(c.model);

    // The run, at the program's own periods, with the user answering every box.
    const size_t mark = user.Count();
    const std::vector<std::string> heads = ExpectedHeads(s);
    const double delay_s =
        std::strstr(sim_fault, "--reply-delay") ? std::atoi(sim_fault + 14) / 1000.0 : 0;
    const DWORD bound_ms = static_cast<DWORD>(
        (s.nominal_s * 1.3 + 30 + (tcp || s.glyph_run ? heads.size() * delay_s : delay_s)) * 1000);
    bool hang = false;
    ULONGLONG started = 0, ended = 0;
    DriveModalDialog(
        [&] { RunMenuCommand(main, s.menu); },
        [&](HWND dialog) {
            started = GetTickCount64();
            ClickButton(dialog, s.start_button);
            if (!PumpUntil([&] { return !RunActive(c.app) || !IsWindow(dialog); }, bound_ms)) {
                hang = true;
                // The harness's rescue, not the user's: a glyph run ends with "Close", any other
                // run at its next tick once it sees an error.
                if (s.glyph_run) {
                    ClickButton(dialog, IDCANCEL);
                } else {
                    c.app.error_reply = 1;
                }
                PumpUntil([&] { return !RunActive(c.app) || !IsWindow(dialog); }, 10000);
            }
            ended = GetTickCount64();
            // Socket answers of the last step reach the dialog as posted messages.
            if (IsWindow(dialog)) PumpMessages(1000);
        },
        15000);
    out.seconds = (ended - started) / 1000.0;
    // Late replies and the no-reply check (3 to 3.5 s after the last unanswered send).
    PumpMessages(static_cast<DWORD>(tcp ? 1500 : 4000 + delay_s * 1000));
    PumpUntil([&] { return user.OpenNow() == 0; }, 10000);
    const std::vector<SeenBox> boxes = user.Since(mark);
    out.boxes = Summary(boxes);
    if (!setup_boxes.empty()) out.boxes = "(at start: " + Summary(setup_boxes) + ") " + out.boxes;
    // A COM port that could not be opened is the test machine's trouble, not the program's: the
    // script runs such a cell once more.
    if (!port_opened) out.Fail("setup: COM1 did not open");

    size_t matched = 0;
    out.frames = CheckFrames(RunFrames(sim), heads, s.name == std::string("glyph-read"), matched);
    const bool finished = matched == heads.size();
    out.ended = hang ? "hang"
                : finished
                    ? "finished"
                    : "stopped at " + std::to_string(matched) + "/" + std::to_string(heads.size());

    const ModelCheck m = CheckModel(*before, c.model, *device, s);
    if (!m.wrong.empty()) {
        out.model = (s.reads ? "WRONG " : "CHANGED ") + m.wrong;
    } else if (!s.reads) {
        out.model = "unchanged";
    } else {
        out.model = m.from_device == m.differing
                        ? "device"
                        : "device " + std::to_string(m.from_device) + "/" +
                              std::to_string(m.differing) + " (not " + m.unread + ")";
    }

    // One more command: "設定" of "文字レベルの設定" (after reconnecting, as a user would, when
    // the device dropped the link).
    if (tcp && c.app.socket_connected == 0) {
        if (ConnectToServer(c)) PumpUntil([&] { return c.app.socket_connected == 1; }, 10000);
        PumpUntil([&] { return user.OpenNow() == 0; }, 5000);
    }
    const size_t after_mark = user.Count();
    DriveModalDialog([&] { RunMenuCommand(main, IDM_CHARACTER_LEVEL); },
                     [&](HWND dialog) {
                         ClickButton(dialog, IDC_WHITE_LEVEL_SET);
                         // The reply's box, or the no-reply box (serial 3.5 s, socket 5 s), and a
                         // late reply.
                         PumpUntil([&] { return user.Count() > after_mark && user.OpenNow() == 0; },
                                   9000);
                         PumpMessages(1500);
                         PumpUntil([&] { return user.OpenNow() == 0; }, 5000);
                     },
                     15000);
    std::vector<SeenBox> after = user.Since(after_mark);
    std::string after_text;
    for (const SeenBox& b : after)
        after_text += (after_text.empty() ? "" : " + ") +
                      (IsAcknowledgement(b) ? std::string("reply") : b.text);
    out.after = after_text.empty() ? "nothing" : after_text;

    // The verdict. Besides the error and the confirmation, a run may show the read-all's
    // "設定完了" and acknowledgements: of the last command of a run that ends with its last
    // send, and over RS-232C of every command whose late reply comes after the run's end (a
    // reply delayed by d after a run of period p: 1 + d / p of them).
    const int serial_delay_ms = tcp ? 0 : static_cast<int>(delay_s * 1000);
    const int acknowledgements_allowed =
        (!tcp && f.expect == Expect::Merged) ? 2 : 1 + serial_delay_ms / s.period_ms;
    int errors = 0, unexpected = 0, acknowledgements = 0;
    std::string error_text;
    for (const SeenBox& b : boxes) {
        if (IsErrorBox(b)) {
            ++errors;
            error_text = b.text;
        } else if (IsAcknowledgement(b)) {
            unexpected += ++acknowledgements > acknowledgements_allowed;
        } else if (b.caption != "本機の確認" &&
                   !(s.scope == Scope::Network && b.caption == "設定完了")) {
            ++unexpected;
        }
    }
    if (hang) out.Fail("the run did not end");
    if (user.MostOpenAtOnce() > 1) out.Fail("boxes on top of each other");
    if (out.frames.compare(0, 5, "WRONG") == 0) out.Fail("frames out of order");
    if (!m.wrong.empty()) out.Fail("model");
    const std::string no_reply = tcp ? "Answer が､きません" : "No Connect";
    Expect expect = f.expect;
    // A run that waits for each answer (every run over TCP/IP, the glyph read over RS-232C)
    // waits for a reply the device holds back: as if it did not answer.
    if (expect == Expect::Merged && (tcp || s.name == std::string("glyph-read")))
        expect = Expect::NoReply;
    switch (expect) {
        case Expect::Clean:
            if (errors || unexpected) out.Fail("boxes");
            if (!finished) out.Fail("not every step went out");
            // Over TCP/IP a noise line ends the answer wait like an answer: each reply is then
            // taken with the next command, and the last one (or one split over two answers) is
            // missed. The table shows which field; nothing may be wrong.
            if (s.reads && m.from_device != m.differing &&
                !(tcp && std::string(f.name) == "garbage"))
                out.Fail("not everything read");
            if (out.after != "reply") out.Fail("no reply afterwards");
            break;
        case Expect::Error:
            if (errors != 1 || error_text != (tcp ? f.tcp_text : f.serial_text) || unexpected)
                out.Fail("boxes");
            // A register run goes on after an error reply; a read run asks for that glyph again.
            if (finished != s.glyph_run)
                out.Fail(s.glyph_run ? "the run stopped" : "the run went on");
            if (out.after != "reply") out.Fail("no reply afterwards");
            break;
        case Expect::NoReply:
            // A run shorter than the no-reply limit may finish before the one box comes.
            if (errors != 1 || error_text != no_reply || unexpected) out.Fail("boxes");
            if (std::string(f.name) == "silent"
                    ? out.after.compare(0, no_reply.size(), no_reply) != 0
                    : after.empty())
                out.Fail("nothing afterwards");
            break;
        case Expect::Dropped:
            if (errors != 1 || unexpected ||
                (error_text != "Socket が接続されていません" && error_text != no_reply &&
                 error_text != "Socket 送信"))
                out.Fail("boxes");
            if (finished) out.Fail("the run went on");
            if (out.after != "reply") out.Fail("no reply afterwards");
            break;
        case Expect::Merged:
            // The reply held back last waits for the next frame: "No Connect" at most once.
            if (errors > 1 || (errors == 1 && error_text != no_reply) || unexpected)
                out.Fail("boxes");
            if (!finished) out.Fail("not every step went out");
            if (after.empty()) out.Fail("nothing afterwards");
            break;
        case Expect::Refused:
            if (errors != 1 || error_text != (tcp ? f.tcp_text : f.serial_text) || unexpected)
                out.Fail("boxes");
            if (finished) out.Fail("the run went on");
            if (out.after != "reply") out.Fail("no reply afterwards");
            break;
    }

    if (tcp) CloseAllSockets(c);
    c.app.read_thread_running = 0;
    if (!tcp) StopSerialLink();
    user.Stop();
    sim.Stop();
    return finish(out.verdict == "ok" ? 0 : 1);
}

}  // namespace
}  // namespace tvx::test

int main(int argc, char** argv) {
    using namespace tvx::test;
    if (argc != 4) {
        std::fprintf(stderr, "usage: fault_cell.exe SEQUENCE serial|tcp FAULT\n");
        return 2;
    }
    const Sequence* s = nullptr;
    for (const Sequence& candidate : kSequences)
        if (candidate.name == std::string(argv[1])) s = &candidate;
    const Fault* f = nullptr;
    for (const Fault& candidate : kFaults)
        if (candidate.name == std::string(argv[3])) f = &candidate;
    const std::string link = argv[2];
    if (!s || !f || (link != "serial" && link != "tcp")) {
        std::fprintf(stderr, "fault_cell.exe: unknown sequence, link or fault\n");
        return 2;
    }
    return CellMain(*s, link == "tcp", *f);
}
