// tvx5870ctl: the command-line companion of the control program. It sends what the program's
// dialogs send, from the same core, to one device or to many: every device of a serial line one
// after the other, devices on TCP/IP side by side.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "console.h"
#include "glyph_commands.h"
#include "model/std_file_system.h"
#include "push_files.h"
#include "report.h"
#include "run_log.h"
#include "remote/remote_access.h"
#include "runs/network_sends.h"
#include "runner.h"
#include "serve.h"
#include "targets.h"
#include "render.h"
#include "titles.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tvxctl {
namespace {

constexpr int kUsageError = 2;
constexpr int kFailed = 1;
// A run ended by Ctrl+C, Ctrl+Break or the console's close: the shells' code for SIGINT.
constexpr int kInterrupted = 130;
constexpr int kMaxListenDevices = 96;
// Prefix, command and CR LF within the program's 600-byte frame.
constexpr std::size_t kMaxCommandChars = 595;

constexpr const char* kMainFooter = R"(
Targets (one kind per run):
  --serial PORT [--address LIST | --broadcast]   devices on one RS-232C line, one after the other
  --tcp HOST[:PORT] (repeatable)                  devices that listen (port 9004 unless given)
  --listen PORT --expect N                        devices that connect to this computer
Devices on TCP/IP are served side by side. Each reply must come within 3.5 s on the serial
line and 5 s on TCP/IP; a device that fails is reported and the others go on.

Exit code: 0 when every device succeeded (and, for verify and diff, matched), 1 when one
failed or differed, 2 for a usage error, 130 when the run was interrupted (Ctrl+C, Ctrl+Break,
closing the console window).

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 --address 0-3 pull backup.dat
  tvx5870ctl --tcp 192.168.1.3 --tcp 192.168.1.4:9005 push show.dat
  tvx5870ctl --listen 9004 --expect 96 push show.dat --json
  tvx5870ctl --serial COM1 --address 5 send RCT005
  tvx5870ctl --serial COM1 glyphs pull glyphs.tlm
  tvx5870ctl titles export show.dat titles.csv
  tvx5870ctl render show.dat --glyphs logos.tlm --sheet pages.png
  tvx5870ctl glyph from-text 5 髙 --font ipag.ttf glyphs.tlm
  tvx5870ctl --serial /dev/ttyUSB0 --address 0-3 verify show.dat
  tvx5870ctl --tcp 192.168.1.3 diff - show.dat
  tvx5870ctl diff monday.dat tuesday.dat
  tvx5870ctl --listen 9004 --expect 96 info
  tvx5870ctl --serial COM1 serve --http 127.0.0.1:5870
  tvx5870ctl push --help)";

struct Cli {
    std::string serial;
    std::string address_text;
    bool broadcast = false;
    std::vector<std::string> tcp;
    int listen_port = 0;
    int expect = 0;
    int wait_seconds = 60;
    std::string pace = "ack";
    bool json = false;
    std::string output;  // --output: the report into this file instead of stdout
    std::string log_file;       // --log: every frame, reply and line event as text
    std::string log_json_file;  // --log-json: the same as JSON lines

    std::string send_command;
    bool bare = false;
    std::string file;
    bool overwrite = false;
    std::string net_ip, net_gateway, net_active, net_subnet, net_port, net_keep_alive;
    int net_time_register = 0;

    std::string titles_csv;  // push --titles, and the CSV of titles export / import
    std::string render_source;  // render: a settings file, or - for the devices
    std::string render_glyphs, render_font;
    int render_face = 0;
    int render_page = 0;  // 1..144, 0 when not given
    bool render_sheet = false;
    std::string base_file;   // titles import --into
    std::string encoding = "utf-8";
    bool verify = false;   // push --verify
    bool details = false;  // verify, push --verify: every difference under its device
    std::string diff_a, diff_b;
    bool address_given = false;  // --address was on the command line, possibly empty
    std::string http = "127.0.0.1:5870";  // serve --http
    std::string allow;                    // serve --allow
    std::string token;                    // serve --token
};

// The marker of diff for "the device(s) of the target options".
constexpr const char* kDevices = "-";

// A usage error: one line, exit code 2.
int Usage(const std::string& message) {
    Write(Stream::Err, "tvx5870ctl: " + message + " (see --help)\n");
    return kUsageError;
}

int Failure(const std::string& message) {
    Write(Stream::Err, "tvx5870ctl: " + message + "\n");
    return kFailed;
}

// The report to stdout, or with --output into that file as UTF-8 (whatever the console shows);
// code, or the failure's when the file cannot be written.
int Emit(const Cli& cli, const std::string& report, int code) {
    if (cli.output.empty()) {
        Write(Stream::Out, report);
        return code;
    }
    if (!tvx::StdFileSystem().ReplaceFileContents(cli.output, report))
        return Failure("cannot write the report to " + cli.output);
    return code;
}

// Where a file will go is checked before anything is sent: a missing folder would otherwise
// show only after every device was read. 0, or the failure's exit code.
int CheckFileCanBeCreated(const std::string& what, const std::string& path) {
    std::string reason;
    if (CanCreateFileBeside(path, reason)) return 0;
    return Failure(what + " " + path + ": cannot create a file there: " + reason);
}

// A word CLI11 could not place, named: an option that took the next word for its value because
// its own was left out ("--address %LIST% pull" with LIST unset), an option without a value at
// all, or a word that is no subcommand. Empty when there is nothing to add to CLI11's message.
std::string UnplacedWord(CLI::App& app, const std::vector<std::string>& args,
                         bool subcommand_missing) {
    auto is_subcommand = [&app](const std::string& word) {
        return !app.get_subcommands([&word](const CLI::App* sub) {
                       return sub->get_name() == word;
                   }).empty();
    };
    std::string names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.size() > 1 && word[0] == '-') {
            const CLI::Option* opt = app.get_option_no_throw(word);
            if (opt == nullptr || opt->get_items_expected_min() == 0) continue;  // a flag
            if (i + 1 == args.size()) return word + " has no value at the end of the command";
            const std::string& next = args[i + 1];
            const bool option = next.size() > 1 && next[0] == '-' &&
                                !std::isdigit(static_cast<unsigned char>(next[1]));
            if (option)
                return word + " has no value (" + next + " follows it)";
            if (is_subcommand(next))
                return word + " took the subcommand \"" + next +
                       "\" for its value: its own value is missing (an unset variable?)";
            ++i;
            continue;
        }
        if (is_subcommand(word)) return "";
        return "\"" + word + "\" is no subcommand (" + names + ")";
    }
    return subcommand_missing ? "give a subcommand: " + names : "";
}

// The settings "net set" sends, in the order of the dialog's groups, each through the core
// operation of its "設定" button. Checked on a scratch device first, so that a value the
// program would refuse is a usage error before anything is sent.
bool NetSettings(const Cli& cli, std::vector<NetSetting>& out, std::string& error) {
    struct Address {
        const std::string& text;
        const char* name;
        tvx::NetworkAddress which;
    };
    for (const Address& a : {Address{cli.net_ip, "ip", tvx::NetworkAddress::Ip},
                             Address{cli.net_gateway, "gateway", tvx::NetworkAddress::Gateway},
                             Address{cli.net_active, "active", tvx::NetworkAddress::Active}}) {
        if (a.text.empty()) continue;
        int octets[4];
        if (!ParseDottedAddress(a.text, octets)) {
            error = "--" + std::string(a.name) + " " + a.text +
                    ": an address is four numbers 0..255 (192.168.1.3)";
            return false;
        }
        tvx::NetworkAddress which = a.which;
        out.push_back({a.name, [which, octets](tvx::CoreContext& c) {
                           const int(&fields)[4] = octets;
                           return tvx::SendNetworkAddress(c, which, fields);
                       }});
    }
    if (!cli.net_subnet.empty()) {
        int index = cli.net_subnet[0] - 'A';
        out.push_back({"subnet", [index](tvx::CoreContext& c) {
                           if (!tvx::OnSubnetSelected(c.model, index)) return false;
                           tvx::SendSubnetClass(c);
                           return true;
                       }});
    }
    if (!cli.net_port.empty()) {
        std::string text = cli.net_port;
        if (text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
            error = "--port " + text + ": " + std::string(tvx::kBadPortText);
            return false;
        }
        out.push_back(
            {"port", [text](tvx::CoreContext& c) { return tvx::SendNetworkPort(c, text); }});
    }
    if (!cli.net_keep_alive.empty()) {
        int index = cli.net_keep_alive == "on" ? 1 : 0;
        out.push_back({"keep-alive", [index](tvx::CoreContext& c) {
                           if (!tvx::OnKeepAliveSelected(c.model, index)) return false;
                           tvx::SendKeepAlive(c);
                           return true;
                       }});
    }
    if (cli.net_time_register != 0) {
        int index = cli.net_time_register - 1;
        out.push_back({"time-register", [index](tvx::CoreContext& c) {
                           if (!tvx::OnTimeRegisterSelected(c.model, index)) return false;
                           tvx::SendTimeRegister(c);
                           return true;
                       }});
    }
    if (out.empty()) {
        error =
            "net set: nothing to set (give --ip, --gateway, --active, --subnet, --port, "
            "--keep-alive or --time-register)";
        return false;
    }
    // The core's own checks, on a device of paper.
    Job scratch_job;
    DeviceSession scratch("check", Transport::Serial, 0, scratch_job);
    StartSession(scratch);
    for (const NetSetting& setting : out) {
        if (!setting.send(scratch.c)) {
            error =
                "--" + setting.name + ": " +
                (scratch.prompts.messages.empty() ? "refused" : scratch.prompts.messages.back());
            return false;
        }
    }
    return true;
}

// The subcommands, to see which one was given.
struct Subcommands {
    CLI::App* send;
    CLI::App* push;
    CLI::App* pull;
    CLI::App* verify;
    CLI::App* diff;
    CLI::App* info;
    CLI::App* glyphs_push;
    CLI::App* glyphs_pull;
    CLI::App* net;
    CLI::App* net_show;
    CLI::App* net_set;
    CLI::App* titles;
    CLI::App* titles_export;
    CLI::App* titles_import;
    CLI::App* serve;
    CLI::App* render;
};

Subcommands DefineCommandLine(CLI::App& app, Cli& cli) {
    app.require_subcommand(1);
    app.fallthrough();

    auto* serial = app.add_option("--serial", cli.serial, "RS-232C port: COM1, /dev/ttyUSB0")
                       ->type_name("PORT");
    app.add_option("--address", cli.address_text,
                   "slave addresses on the line, e.g. 0-3,7 (default 0)")
        ->type_name("LIST");
    app.add_flag("--broadcast", cli.broadcast,
                 "one frame for every device of the serial line (FF)");
    auto* tcp = app.add_option("--tcp", cli.tcp, "a device that listens: HOST[:PORT], repeatable")
                    ->type_name("HOST[:PORT]")
                    ->allow_extra_args(false);
    auto* listen =
        app.add_option("--listen", cli.listen_port, "wait on this port for devices that connect")
            ->type_name("PORT")
            ->check(CLI::Range(1, 65535).description(""));
    app.add_option("--expect", cli.expect, "how many devices --listen waits for, 1..96")
        ->type_name("N")
        ->check(CLI::Range(1, kMaxListenDevices).description(""));
    app.add_option("--wait", cli.wait_seconds, "seconds --listen waits for them (default 60)")
        ->type_name("SECONDS")
        ->check(CLI::Range(1, 86400).description(""));
    app.add_option("--pace", cli.pace,
                   "ack: the next command as soon as the reply is there (default);\n"
                   "spec: the program's own periods")
        ->type_name("ack|spec")
        ->check(CLI::IsMember({"ack", "spec"}).description(""));
    app.add_flag("--json", cli.json, "print the report as JSON");
    app.add_option("--output", cli.output,
                   "write the report (table or JSON) into this file, UTF-8, instead of stdout")
        ->type_name("FILE");
    app.add_option("--log", cli.log_file,
                   "append every frame, reply and line event of every device to FILE (text)")
        ->type_name("FILE");
    app.add_option("--log-json", cli.log_json_file, "the same log as JSON lines")
        ->type_name("FILE");
    serial->excludes(tcp)->excludes(listen);
    tcp->excludes(listen);
    app.footer(kMainFooter);

    auto* send = app.add_subcommand("send", "send one command and show the reply");
    send->add_option("CMD", cli.send_command,
                     "the command as the catalogue writes it, without address and CR LF")
        ->type_name("")
        ->required();
    send->add_flag("--bare", cli.bare, "without the address prefix (serial line only)");
    send->footer(R"(
The reply is shown as it came, and decoded when it answers a read.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 --address 3 send CWL3
  tvx5870ctl --serial COM1 --address 0-3 send RCT005
  tvx5870ctl --tcp 192.168.1.3 send RP01T
  tvx5870ctl --serial COM1 --broadcast send P01T001)");

    auto* push = app.add_subcommand("push", "send a settings file to each device (全項目の設定)");
    push->add_option("FILE", cli.file, "the settings file (.dat)")->type_name("")->required();
    push->add_option("--titles", cli.titles_csv,
                     "a CSV of titles (see titles --help) that replaces the file's titles")
        ->type_name("FILE.csv");
    push->add_flag("--verify", cli.verify,
                   "read each device back afterwards and compare it with the file");
    push->add_flag("--details", cli.details, "with --verify: list every difference");
    push->footer(R"(
Every setting of the file goes out as the program's set-all sends it: the 144 titles, then the
page tables, levels, offsets and pages. The whole file is checked first: a damaged file, a
value out of range or a title that cannot be encoded is reported and nothing is sent. With
--titles the titles the CSV names replace the file's before the check (the file itself is not
changed). An error reply (E0..E3, MENU) stops that device; the report names the step and the
code. With --broadcast no device answers, so the steps keep the program's periods. With
--verify each device is read back right after its push and compared with the file, as verify
does.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 --address 0-31 push show.dat
  tvx5870ctl --listen 9004 --expect 96 push show.dat
  tvx5870ctl --tcp 192.168.1.3 push show.dat --titles today.csv
  tvx5870ctl --serial COM1 --address 0-3 push --verify show.dat
  tvx5870ctl --serial COM1 --address 2 --pace spec push show.dat)");

    auto* verify =
        app.add_subcommand("verify", "read each device back and compare it with a settings file");
    verify->add_option("FILE", cli.file, "the settings file (.dat)")->type_name("")->required();
    verify->add_flag("--details", cli.details, "list every difference under its device");
    verify->footer(R"(
Each device is read as pull reads it (nothing is written to disk) and compared with the file,
field by field. The table says "same" or "DIFFERS" with the number of differences and the
first of them by name ("ページ 3 ch.1 Top", "T005"); --details lists each with both values,
the file's first. Titles count as the same when the device shows them the same (trailing
full-width blanks are padding). The file is checked as push checks it.
Exit code 1 when a device differs or fails.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 --address 0-3 verify show.dat
  tvx5870ctl --tcp 192.168.1.3 verify --details show.dat
  tvx5870ctl --listen 9004 --expect 96 --json verify show.dat)");

    auto* diff = app.add_subcommand("diff", "the differences of two settings files or devices");
    diff->add_option("A", cli.diff_a, "a settings file, or - for the device(s)")
        ->type_name("")
        ->required();
    diff->add_option("B", cli.diff_b, "a settings file, or - for the device(s)")
        ->type_name("")
        ->required();
    diff->footer(R"(
One line per difference, in the order of the settings file, in the names of the program's
dialogs: "T005: 「朝のニュース」 ≠ 「夜のニュース」", "ページ 3 ch.1 Top: T001 ≠ T002",
"自動切換え ch.2 Bottom ページ 10: 5 秒 ≠ 8 秒", "文字レベル 白: 2 ≠ 3". External
characters show as [外字N]. A - stands for the devices of the target options, read as pull
reads them (nothing written); each device gets a block "== DEVICE: ...". --json gives the
differences as a list of {field, a, b, line}. Exit code 0 when nothing differs, 1 when
something does (or a device fails), 2 for a usage error.

Examples:
  tvx5870ctl diff monday.dat tuesday.dat
  tvx5870ctl --serial /dev/ttyUSB0 --address 0-3 diff - show.dat
  tvx5870ctl --tcp 192.168.1.3 --json diff show.dat -)");

    auto* info = app.add_subcommand("info", "what each device tells about itself");
    info->footer(R"(
Nothing is changed. On the serial line the nine values of the network settings dialog are read
(version, MAC address, IP, gateway and active address, subnet mask, port, keep-alive, time
register): bare, as the program reads them from the one device connected, or behind each
address of --address. On TCP/IP the device's address as connected and one read of its white
level. For every device the shortest round trip of a command and its reply. A table, or --json.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 info
  tvx5870ctl --serial COM1 --address 0-31 info
  tvx5870ctl --listen 9004 --expect 96 --json info)");

    auto* pull = app.add_subcommand("pull", "read each device back into a settings file");
    pull->add_option("FILE", cli.file, "the settings file to write (.dat)")
        ->type_name("")
        ->required();
    pull->add_flag("--overwrite", cli.overwrite, "replace a file that exists");
    pull->footer(R"(
The device's settings are read as the program's maintenance read-back reads them. The file is
written only when every reply came and was understood; an existing file is never replaced
unless --overwrite is given. With several devices each gets its own file, named by its address
or host: backup.dat becomes backup-00.dat, backup-01.dat, ... or backup-192.168.1.3.dat.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 --address 0-3 pull backup.dat
  tvx5870ctl --tcp 192.168.1.3 --tcp 192.168.1.4 pull before-show.dat)");

    auto* glyphs = app.add_subcommand("glyphs", "the external characters 1..64 (外字一覧)");
    glyphs->require_subcommand(1);
    auto* glyphs_push =
        glyphs->add_subcommand("push", "register glyphs 1..64 of a glyph file in each device");
    glyphs_push->add_option("FILE", cli.file, "the glyph file (.tlm)")->type_name("")->required();
    auto* glyphs_pull =
        glyphs->add_subcommand("pull", "read glyphs 1..64 of each device into a glyph file");
    glyphs_pull->add_option("FILE", cli.file, "the glyph file to write (.tlm)")
        ->type_name("")
        ->required();
    glyphs_pull->add_flag("--overwrite", cli.overwrite, "replace a file that exists");
    const char* glyphs_footer = R"(
The glyph list's runs: "登録" registers glyphs 1..64 (GR01..GR64), "リード" reads them back
(RFBM). A push checks the whole file first; a pull writes all 160 glyphs of a glyph file (65..160
empty) only when every glyph came, one file per device as for pull.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 --address 0-3 glyphs push logos.tlm
  tvx5870ctl --tcp 192.168.1.3 glyphs pull device-glyphs.tlm)";
    glyphs->footer(glyphs_footer);
    glyphs_push->footer(glyphs_footer);
    glyphs_pull->footer(glyphs_footer);

    auto* net = app.add_subcommand("net", "the device's own network settings (serial line only)");
    net->require_subcommand(1);
    auto* net_show = net->add_subcommand("show", "read the nine network values");
    auto* net_set = net->add_subcommand("set", "set network values, each answered by GO");
    net_set->add_option("--ip", cli.net_ip, "IP address, e.g. 192.168.1.3")->type_name("A.B.C.D");
    net_set->add_option("--gateway", cli.net_gateway, "gateway address")->type_name("A.B.C.D");
    net_set->add_option("--active", cli.net_active, "active address")->type_name("A.B.C.D");
    net_set->add_option("--subnet", cli.net_subnet, "subnet mask class")
        ->type_name("A|B|C")
        ->check(CLI::IsMember({"A", "B", "C"}).description(""));
    net_set->add_option("--port", cli.net_port, "TCP port of the device, 1..65535")
        ->type_name("PORT");
    net_set->add_option("--keep-alive", cli.net_keep_alive, "keep-alive")
        ->type_name("on|off")
        ->check(CLI::IsMember({"on", "off"}).description(""));
    net_set->add_option("--time-register", cli.net_time_register, "time register")
        ->type_name("1..6")
        ->check(CLI::Range(1, 6).description(""));
    const char* net_footer = R"(
The network settings go out bare (without an address prefix) on the serial line, as the
program sends them: connect one device at a time.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 net show
  tvx5870ctl --serial COM1 net set --ip 192.168.1.3 --gateway 192.168.1.1 --subnet C
  tvx5870ctl --serial COM1 net set --port 9004 --keep-alive on --time-register 6)";
    net->footer(net_footer);
    net_show->footer(net_footer);
    net_set->footer(net_footer);
    auto* render = app.add_subcommand(
        "render", "pictures of pages as PNG, with the external characters drawn (no device, or -)");
    render->add_option("SETTINGS", cli.render_source,
                       "the settings file (.dat), or - for the devices of the target options")
        ->type_name("")
        ->required();
    render->add_option("OUT", cli.file, "the PNG file to write")->type_name("")->required();
    render->add_option("--page", cli.render_page, "the page to draw, 1..144")
        ->type_name("N")
        ->check(CLI::Range(1, tvx::kPageCount).description(""));
    render->add_flag("--sheet", cli.render_sheet, "all 144 pages as small numbered tiles");
    render->add_option("--glyphs", cli.render_glyphs,
                       "the glyph file (.tlm) whose patterns the external characters show")
        ->type_name("FILE");
    render->add_option("--font", cli.render_font,
                       "a Japanese TrueType or OpenType font (.ttf, .otf, .ttc)")
        ->type_name("FILE");
    render->add_option("--face", cli.render_face, "the face of a .ttc collection, from 0")
        ->type_name("N")
        ->check(CLI::Range(0, 255).description(""));
    render->add_flag("--overwrite", cli.overwrite, "replace a file that exists");
    std::string render_footer = R"(
A page: both channels' screens with the Top and Bottom lines the page shows, each title in 21
cells of 32 x 32 dots beside its number, moved by the position's fine offset. The sheet: all
144 pages, small, numbered. The device draws text in its own font, which is not ours to have:
the text is drawn in a Japanese Gothic font and the picture says "レイアウトの目安" (a layout
guide). External characters are drawn dot for dot from the patterns of --glyphs; without it
they show as dashed boxes. A cell the device would refuse (half-width text, a user-defined
character) shows as a red crossed box, and its title is marked "送れない文字".

Without --font the first of these that exists is used:
)";
    for (const std::string& font : DefaultFontFiles()) render_footer += "  " + font + "\n";
    render_footer += R"(
With - the settings are read from each device as pull reads them (the external characters
are not: read them with glyphs pull and give that file to --glyphs); with several devices each
gets its own file, as for pull. An existing file is replaced only with --overwrite.

Examples:
  tvx5870ctl render show.dat --glyphs logos.tlm --page 12 page12.png
  tvx5870ctl render show.dat --sheet pages.png --font /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf
  tvx5870ctl --serial /dev/ttyUSB0 --address 3 render - --page 1 now.png)";
    render->footer(render_footer);

    auto* titles =
        app.add_subcommand("titles", "the 144 titles of a settings file as CSV (no device)");
    titles->require_subcommand(1);
    auto* titles_export =
        titles->add_subcommand("export", "write the titles of a settings file as CSV");
    titles_export->add_option("FILE", cli.file, "the settings file (.dat)")
        ->type_name("")
        ->required();
    titles_export->add_option("CSV", cli.titles_csv, "the CSV to write")->type_name("")->required();
    titles_export->add_option("--encoding", cli.encoding,
                              "utf-8 (with a byte-order mark, the default) or cp932")
        ->type_name("utf-8|cp932")
        ->check(CLI::IsMember({"utf-8", "cp932"}).description(""));
    titles_export->add_flag("--overwrite", cli.overwrite, "replace a CSV that exists");
    auto* titles_import =
        titles->add_subcommand("import", "read a CSV of titles into a settings file");
    titles_import->add_option("CSV", cli.titles_csv, "the CSV to read")->type_name("")->required();
    titles_import->add_option("FILE", cli.file, "the settings file to write (.dat)")
        ->type_name("")
        ->required();
    titles_import->add_option("--into", cli.base_file,
                              "take the other settings from this file (default: FILE itself "
                              "when it exists, otherwise a new settings file)")
        ->type_name("BASE.dat");
    const char* titles_footer = R"(
The CSV has a header row and two columns: the title number (1..144) and the title, one row per
title. Rows may come in any order and leave titles out (those stay as they are). External
characters are written [外字1] .. [外字160]. Export writes UTF-8 with a byte-order mark (or code
page 932 with --encoding cp932); import reads either, and tab-separated text copied from a
spreadsheet. Half-width letters, digits, symbols and katakana become full width. Every problem
is reported with its line and column (a title longer than 21 characters, a character the
device cannot show, a number given twice ...) and then nothing is written. The files are
replaced through a new file, so a failed write leaves them as they were.

Exit code: 0 when the file was written, 1 when not, 2 for a usage error.

Examples:
  tvx5870ctl titles export show.dat titles.csv
  tvx5870ctl titles export show.dat titles.csv --encoding cp932 --overwrite
  tvx5870ctl titles import titles.csv show.dat
  tvx5870ctl titles import titles.csv today.dat --into show.dat)";
    titles->footer(titles_footer);
    titles_export->footer(titles_footer);
    titles_import->footer(titles_footer);

    auto* serve = app.add_subcommand("serve", "the program's remote control over HTTP, headless");
    serve->add_option("--http", cli.http, "listen on ADDR:PORT (default 127.0.0.1:5870)")
        ->type_name("ADDR:PORT");
    serve->add_option("--allow", cli.allow,
                      "other hosts that may send requests: addresses and a.b.c.d/n subnets, "
                      "comma-separated")
        ->type_name("HOSTS");
    serve->add_option("--token", cli.token,
                      "the access token every request must carry (Authorization: Bearer)")
        ->type_name("TOKEN");
    serve->footer(R"(
The endpoints of the program's "リモート制御" (docs/remote.md) from the same core, until Ctrl+C
or SIGTERM: the page shown now, titles, every field of the settings file, set all and read
back, the state and the communication log (also into --log / --log-json). One device link:
--serial PORT, or --tcp HOST[:PORT] (repeatable; each connection is taken up again when it
drops, and ?device= picks one). --address N is the slave address of requests that name none.
Only this computer is served unless --allow names more hosts, and they need --token.

Examples:
  tvx5870ctl --serial /dev/ttyUSB0 serve
  tvx5870ctl --tcp 192.168.1.3 --tcp 192.168.1.4 serve --http 0.0.0.0:5870 \\
      --allow 192.168.1.0/24 --token 3f9c...e1 --log remote.log)");
    return {send,        push, pull,     verify,  diff,   info,          glyphs_push,
            glyphs_pull, net,  net_show, net_set, titles, titles_export, titles_import,
            serve,       render};
}

// serve: the remote interface until interrupted.
int RunServe(const Cli& cli) {
    if (cli.listen_port != 0) return Usage("serve: give --serial PORT or --tcp HOST[:PORT]");
    if (cli.serial.empty() && cli.tcp.empty())
        return Usage("serve: say where the devices are: --serial or --tcp");
    ServeOptions o;
    o.serial_port = cli.serial;
    o.tcp = cli.tcp;
    o.http = cli.http;
    o.allow = cli.allow;
    o.token = cli.token;
    std::string error, address;
    int port = 0;
    if (!ParseHttpAddress(cli.http, address, port, error)) return Usage(error);
    std::vector<tvx::HostRule> rules;
    if (!tvx::ParseAllowedHosts(cli.allow, rules, error)) return Usage("--allow: " + error);
    if (!cli.token.empty() && !tvx::TokenWellFormed(cli.token))
        return Usage("--token: 16 to 128 visible ASCII characters");
    for (const std::string& text : cli.tcp) {
        std::string host;
        int tcp_port = 0;
        if (!ParseHostPort(text, host, tcp_port, error)) return Usage(error);
    }
    std::vector<int> addresses{0};
    if (!cli.address_text.empty() && !ParseAddressList(cli.address_text, addresses, error))
        return Usage(error);
    if (addresses.size() != 1) return Usage("serve: --address takes one address");
    o.address = cli.broadcast ? kBroadcast : addresses[0];
    RunLog run_log;
    if (!OpenRunLog(run_log, cli.log_file, cli.log_json_file, error)) return Failure(error);
    o.file_log = &run_log.log;
    const int code = Serve(o);
    if (const std::string failed = RunLogFailure(run_log); !failed.empty())
        Write(Stream::Err, "tvx5870ctl: " + failed + "\n");
    return code == 0 ? 0 : kFailed;
}

// titles export / import: files only. 0 when the file was written.
int RunTitles(const Cli& cli, const Subcommands& sub) {
    if (!cli.serial.empty() || !cli.tcp.empty() || cli.listen_port != 0)
        return Usage("titles works on files only; no --serial, --tcp or --listen");
    const TitlesResult r =
        sub.titles_export->parsed()
            ? ExportTitles(cli.file, cli.titles_csv,
                           cli.encoding == "cp932" ? tvx::TitleCsvEncoding::Cp932
                                                   : tvx::TitleCsvEncoding::Utf8,
                           cli.overwrite)
            : ImportTitles(cli.titles_csv, cli.file, cli.base_file);
    for (const std::string& problem : r.problems)
        Write(Stream::Err, "tvx5870ctl: " + problem + "\n");
    if (!r.ok) return kFailed;
    return Emit(cli, r.message + "\n", 0);
}

// What render draws with; 0, or the exit code of a usage error or of a font or glyph file
// refused.
int PrepareRender(const Cli& cli, RenderSetup& setup) {
    if (cli.render_sheet == (cli.render_page != 0))
        return Usage(cli.render_sheet ? "render: --page and --sheet exclude each other"
                                      : "render: give --page N or --sheet");
    setup.page = cli.render_sheet ? -1 : cli.render_page - 1;
    std::string error;
    if (!LoadRenderFont(cli.render_font, cli.render_face, setup, error)) return Failure(error);
    if (!cli.render_glyphs.empty() && !LoadRenderGlyphs(cli.render_glyphs, setup, error))
        return Failure(error);
    return 0;
}

// render of a settings file: no device is asked.
int RenderFile(const Cli& cli) {
    if (!cli.serial.empty() || !cli.tcp.empty() || cli.listen_port != 0 || cli.broadcast ||
        !cli.address_text.empty())
        return Usage("render of a file asks no device; the target options go with - for SETTINGS");
    RenderSetup setup;
    if (int code = PrepareRender(cli, setup); code != 0) return code;
    auto model = std::make_unique<tvx::SettingsModel>();
    std::string error;
    if (!ReadSettingsFile(cli.render_source, *model, error)) return Failure(error);
    tvx::StdFileSystem files;
    if (!cli.overwrite && files.FileExists(cli.file))
        return Failure(cli.file + " exists; nothing written (--overwrite replaces it)");
    if (!files.ReplaceFileContents(cli.file, RenderPng(setup, *model)))
        return Failure("cannot write " + cli.file);
    const std::string what =
        setup.page < 0 ? "the 144 pages" : "page " + std::to_string(setup.page + 1);
    return Emit(cli, cli.file + ": " + what + " of " + cli.render_source + ", drawn in " +
                         setup.font_file + "\n",
                0);
}

// glyph from-text / from-image / show: one glyph of a glyph file, no device.
int RunGlyph(const Cli& cli, const GlyphCli& glyph) {
    if (!cli.serial.empty() || !cli.tcp.empty() || cli.listen_port != 0)
        return Usage("glyph works on files only; no --serial, --tcp or --listen");
    const GlyphResult r = RunGlyphCommand(glyph);
    if (!r.ok) return Failure(r.problem);
    return Emit(cli, r.out, 0);
}

// push --titles: the settings file with the CSV's titles, checked whole before anything goes.
bool LoadSettingsWithTitles(const std::string& path, const std::string& csv,
                            tvx::SettingsModel& model, std::string& error) {
    if (!ReadSettingsFile(path, model, error)) return false;
    TitlesResult titles;
    if (!ApplyTitlesFile(csv, model, titles)) {
        error.clear();
        for (const std::string& problem : titles.problems)
            error += (error.empty() ? "" : "\ntvx5870ctl: ") + problem;
        return false;
    }
    return CheckSettingsForPush(path + " with " + csv, model, error);
}

// Where the devices are; 0, or the usage error's exit code.
int TargetsOf(const Cli& cli, Targets& targets) {
    targets.serial_port = cli.serial;
    targets.broadcast = cli.broadcast;
    targets.tcp = cli.tcp;
    targets.listen_port = cli.listen_port;
    targets.expect = cli.expect;
    targets.wait_seconds = cli.wait_seconds;
    targets.output_file = cli.file;

    if (cli.serial.empty() && cli.tcp.empty() && cli.listen_port == 0)
        return Usage("say where the devices are: --serial, --tcp or --listen");
    if (cli.listen_port != 0 && cli.expect == 0)
        return Usage("--listen needs --expect N, the number of devices to wait for");
    if (cli.listen_port == 0 && cli.expect != 0) return Usage("--expect goes with --listen");
    for (const std::string& text : cli.tcp) {
        std::string host, error;
        int port = 0;
        if (!ParseHostPort(text, host, port, error)) return Usage(error);
    }
    if (cli.address_given && cli.address_text.find_first_not_of(" \t") == std::string::npos) {
        // An unset batch variable must not quietly mean device 00.
        return Usage("--address is empty: give the slave addresses (e.g. --address 0-3), or "
                     "leave the option out for device 00");
    }
    if (!cli.address_text.empty()) {
        std::string error;
        if (!ParseAddressList(cli.address_text, targets.addresses, error)) return Usage(error);
        if (cli.broadcast) return Usage("--broadcast and --address exclude each other");
    }
    if (cli.broadcast && cli.serial.empty()) return Usage("--broadcast goes with --serial");
    return 0;
}

// The subcommands that send a file (with the loader that checks it) or write one.
struct FileCommand {
    const char* verb;
    JobKind kind;
    bool (*load)(const std::string& path, tvx::SettingsModel& model, std::string& error);
};

const FileCommand* GivenFileCommand(const Subcommands& sub) {
    static const FileCommand kPush{"push", JobKind::Push, LoadSettingsForPush};
    static const FileCommand kPull{"pull", JobKind::Pull, nullptr};
    static const FileCommand kGlyphsPush{"glyphs push", JobKind::GlyphPush, LoadGlyphsForPush};
    static const FileCommand kGlyphsPull{"glyphs pull", JobKind::GlyphPull, nullptr};
    if (sub.push->parsed()) return &kPush;
    if (sub.pull->parsed()) return &kPull;
    if (sub.glyphs_push->parsed()) return &kGlyphsPush;
    if (sub.glyphs_pull->parsed()) return &kGlyphsPull;
    return nullptr;
}

// What each device is to do; 0, or the exit code of a usage error or of a file refused.
int JobOf(const Cli& cli, const Subcommands& sub, Job& job, std::string& verb) {
    job.pace = cli.pace == "spec" ? Pace::Spec : Pace::Ack;
    if (sub.send->parsed()) {
        verb = "send";
        job.kind = JobKind::Send;
        job.command = cli.send_command;
        job.bare = cli.bare;
        const bool printable = std::all_of(job.command.begin(), job.command.end(),
                                           [](char ch) { return ch >= 0x20 && ch < 0x7F; });
        if (job.command.empty() || job.command.size() > kMaxCommandChars || !printable)
            return Usage(
                "send: the command is printable ASCII text of at most 595 characters, "
                "without CR LF");
        if (cli.bare && cli.serial.empty()) return Usage("--bare goes with --serial");
        if (cli.bare && (cli.broadcast || !cli.address_text.empty()))
            return Usage("--bare sends without an address: no --address or --broadcast");
    } else if (sub.diff->parsed()) {
        verb = "diff";
        const bool devices_a = cli.diff_a == kDevices;
        if (devices_a && cli.diff_b == kDevices)
            return Usage(
                "diff: - stands for the devices on one side only; give a file for the other");
        if (cli.broadcast) return Usage("diff: a broadcast gets no reply; name the addresses");
        job.kind = JobKind::Compare;
        job.device_first = devices_a;
        auto settings = std::make_shared<tvx::SettingsModel>();
        std::string error;
        if (!ReadSettingsFile(devices_a ? cli.diff_b : cli.diff_a, *settings, error))
            return Failure(error);
        job.settings = settings;
    } else if (sub.verify->parsed() || sub.info->parsed()) {
        verb = sub.verify->parsed() ? "verify" : "info";
        if (cli.broadcast) return Usage(verb + ": a broadcast gets no reply; name the addresses");
        if (sub.verify->parsed()) {
            job.kind = JobKind::Compare;
            auto settings = std::make_shared<tvx::SettingsModel>();
            std::string error;
            if (!LoadSettingsForPush(cli.file, *settings, error)) return Failure(error);
            job.settings = settings;
        } else {
            job.kind = JobKind::Info;
            // Without addresses the reads go bare, to the one device on the line.
            job.bare = !cli.serial.empty() && cli.address_text.empty();
        }
    } else if (const FileCommand* f = GivenFileCommand(sub)) {
        verb = f->verb;
        job.kind = f->kind;
        job.overwrite = cli.overwrite;
        if (cli.details && !cli.verify) return Usage("--details goes with --verify");
        if (cli.verify) {
            if (cli.broadcast)
                return Usage("push --verify reads each device back; a broadcast gets no reply");
            job.verify = true;
            verb = "push --verify";
        }
        if (f->load != nullptr) {
            auto settings = std::make_shared<tvx::SettingsModel>();
            std::string error;
            const bool loaded = cli.titles_csv.empty()
                                    ? f->load(cli.file, *settings, error)
                                    : LoadSettingsWithTitles(cli.file, cli.titles_csv, *settings,
                                                             error);
            if (!loaded) return Failure(error);
            job.settings = settings;
        } else if (cli.broadcast) {
            return Usage(verb + ": a broadcast gets no reply; name the addresses");
        }
    } else if (sub.render->parsed()) {
        verb = "render";
        if (cli.broadcast) return Usage("render: a broadcast gets no reply; name the addresses");
        auto setup = std::make_shared<RenderSetup>();
        if (int code = PrepareRender(cli, *setup); code != 0) return code;
        job.kind = JobKind::Render;
        job.overwrite = cli.overwrite;
        job.render = [setup](const tvx::SettingsModel& model) { return RenderPng(*setup, model); };
    } else if (sub.net->parsed()) {
        verb = sub.net_show->parsed() ? "net show" : "net set";
        if (cli.serial.empty())
            return Usage("net: the network settings are set over --serial only");
        if (cli.broadcast || !cli.address_text.empty())
            return Usage(
                "net: the network settings go out without an address; no --address or "
                "--broadcast");
        if (sub.net_show->parsed()) {
            job.kind = JobKind::NetShow;
        } else {
            job.kind = JobKind::NetSet;
            std::string error;
            if (!NetSettings(cli, job.net_settings, error)) return Usage(error);
        }
    }
    return 0;
}

// diff of two files: no device is asked.
int DiffFiles(const Cli& cli) {
    if (!cli.serial.empty() || !cli.tcp.empty() || cli.listen_port != 0 || cli.broadcast ||
        !cli.address_text.empty())
        return Usage("diff of two files asks no device; the target options go with - for a side");
    auto a = std::make_unique<tvx::SettingsModel>();
    auto b = std::make_unique<tvx::SettingsModel>();
    std::string error;
    if (!ReadSettingsFile(cli.diff_a, *a, error) || !ReadSettingsFile(cli.diff_b, *b, error))
        return Failure(error);
    const std::vector<tvx::SettingDifference> differences =
        tvx::ListSettingDifferences(*a, *b, Cp932ToUtf8);
    const std::string out =
        cli.json ? FileDiffJson(cli.diff_a, cli.diff_b, differences) : DifferenceLines(differences);
    return Emit(cli, out, differences.empty() ? 0 : kFailed);
}

int Run(int argc, char** argv) {
    Cli cli;
    CLI::App app{"tvx5870ctl: set up and back up TVX-5870 title generators from the command line"};
    Subcommands sub = DefineCommandLine(app, cli);
    GlyphCli glyph;
    DefineGlyphCommands(app, glyph);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --help
            std::ostringstream out, err;
            const int code = app.exit(e, out, err);
            Write(Stream::Out, out.str());
            Write(Stream::Err, err.str());
            return code;
        }
        const std::string unplaced =
            UnplacedWord(app, std::vector<std::string>(argv + 1, argv + argc),
                         std::string(e.what()) == "A subcommand is required");
        return Usage(unplaced.empty() ? e.what() : unplaced);
    }
    // CLI11 takes a word that looks like an option for the value of one left without it
    // ("--tcp --json info" would look for the host "--json").
    if (const std::string unplaced =
            UnplacedWord(app, std::vector<std::string>(argv + 1, argv + argc), false);
        !unplaced.empty()) {
        return Usage(unplaced);
    }
    cli.address_given = app.get_option("--address")->count() > 0;
    if (app.get_option("--output")->count() > 0) {
        if (cli.output.empty()) return Usage("--output is empty: give the report's file");
        if (int code = CheckFileCanBeCreated("--output", cli.output); code != 0) return code;
    }
    if (sub.titles->parsed()) return RunTitles(cli, sub);
    if (sub.serve->parsed()) return RunServe(cli);
    if (sub.render->parsed() && cli.render_source != kDevices) return RenderFile(cli);
    if (glyph.command->parsed()) return RunGlyph(cli, glyph);
    Targets targets;
    Job job;
    std::string verb;
    if (sub.diff->parsed() && cli.diff_a != kDevices && cli.diff_b != kDevices)
        return DiffFiles(cli);
    if (int code = TargetsOf(cli, targets); code != 0) return code;
    if (int code = JobOf(cli, sub, job, verb); code != 0) return code;
    if (job.kind == JobKind::Pull || job.kind == JobKind::GlyphPull ||
        job.kind == JobKind::Render) {
        if (int code = CheckFileCanBeCreated(verb + ":", cli.file); code != 0) return code;
    }

    RunLog run_log;
    if (std::string error; !OpenRunLog(run_log, cli.log_file, cli.log_json_file, error))
        return Failure(error);
    if (run_log.text || run_log.json) job.comm_log = &run_log.log;

    ProgressLines progress;
    progress.enabled = ProgressTerminal();
    progress.plain = !progress.enabled;
    progress.verb = verb;
    if (progress.enabled && targets.listen_port != 0) {
        Write(Stream::Err, "tvx5870ctl: waiting up to " + std::to_string(targets.wait_seconds) +
                               " s for " + std::to_string(targets.expect) + " devices on port " +
                               std::to_string(targets.listen_port) + "\n");
    }
    std::vector<DeviceResult> results;
    bool interrupted = false;
    try {
        results = RunJob(
            targets, job,
            [&progress](const std::vector<const DeviceSession*>& sessions, bool final) {
                DrawProgress(progress, sessions, final);
            },
            &interrupted);
    } catch (const std::exception& e) {
        return Failure(std::string("stopped: ") + e.what());
    }
    std::string out;
    if (cli.json) {
        JsonFields extra;
        if (sub.diff->parsed()) extra = {{"a", cli.diff_a}, {"b", cli.diff_b}};
        out = JsonReport(verb, job.pace, results, extra);
    } else if (sub.diff->parsed()) {
        out = DeviceDiffText(results);
    } else if (sub.info->parsed()) {
        out = InfoTable(results);
    } else {
        out = SummaryTable(results, cli.details);
    }
    if (const std::string failed = RunLogFailure(run_log); !failed.empty())
        Write(Stream::Err, "tvx5870ctl: " + failed + "\n");
    return Emit(cli, out, interrupted ? kInterrupted : ExitCode(results));
}

}  // namespace
}  // namespace tvxctl

#ifdef _WIN32
// Arguments come as UTF-16 and are handed on as UTF-8, so that any file name works.
int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(tvxctl::Utf8FromWide(wargv[i]));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const tvxctl::ConsoleSession console;
    const int code = tvxctl::Run(argc, argv.data());
    // A close of the console window waits for this: the report is out.
    tvxctl::InterruptedRunFinished();
    return code;
}
#else
int main(int argc, char** argv) {
    const tvxctl::ConsoleSession console;
    return tvxctl::Run(argc, argv);
}
#endif
