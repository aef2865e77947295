#include "sim_options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace tvxsim {

bool ParseInjectedError(const std::string& text, uint64_t& frame, std::string& code) {
    size_t at = text.find('@');
    if (at == std::string::npos) return false;
    std::string c = text.substr(0, at);
    std::string n = text.substr(at + 1);
    if (c != "E0" && c != "E1" && c != "E2" && c != "E3" && c != "MENU") return false;
    if (n.empty() || n.size() > 18 || n.find_first_not_of("0123456789") != std::string::npos)
        return false;
    uint64_t v = std::stoull(n);
    if (v == 0) return false;
    frame = v;
    code = c;
    return true;
}

bool ParseHostPort(const std::string& text, std::string& host, int& port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    std::string h = text.substr(0, colon);
    std::string p = text.substr(colon + 1);
    if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos)
        return false;
    int v = std::stoi(p);
    if (v < 1 || v > 65535) return false;
    host = h;
    port = v;
    return true;
}

namespace {

const char* kDescription =
    "tvx5870-sim: a stand-in for TVX-5870 title generators, for trying the control\n"
    "program, training and tests without a device. It keeps every setting, title and\n"
    "external character per device, answers each command of the catalogue as a device\n"
    "would, and logs the exact bytes it receives and sends.";

const char* kFooter =
    "\nFrames and addressing:\n"
    "  A line ending in LF is a frame: an address prefix, the command, CR LF.\n"
    "  The first two characters decide who takes a frame:\n"
    "    \"00\"..\"31\"  addressed: the device with that address carries it out and\n"
    "                answers one line with the same prefix; others stay silent.\n"
    "    \"FF\"        broadcast: every device carries it out, none answers.\n"
    "    anything else (\"CWL1\", \"32CWL1\", \"ffCWL1\"): a bare frame, as the program\n"
    "                sends while its address prefix is off. The first device of the\n"
    "                line carries it out and answers bare; the other devices ignore it.\n"
    "  Commands start with letters, so \"CWL1\" is bare and \"00CWL1\" goes to 00.\n"
    "  Replies: GO for an accepted setting, the read-back line for a read, E3 for an\n"
    "  unknown or malformed command (nothing changes), GN for RFBM while a display\n"
    "  position is switching automatically. SA nn gives the device a new address.\n"
    "  A line without its CR is malformed (E3). Lines over 4096 bytes are discarded.\n"
    "  XON (0x11) and XOFF (0x13) received on the serial line are ignored; the\n"
    "  simulator never sends them.\n"
    "\nLines and devices:\n"
    "  The serial line and every --tcp-listen connection reach the same devices\n"
    "  (--devices of them, from --address on): one device seen through both ports.\n"
    "  Each --tcp-connect connection is a device of its own (address --address),\n"
    "  which keeps its state when it reconnects.\n"
    "\nFault injection:\n"
    "  Frames are counted from 1 over the whole run, all lines together, every\n"
    "  complete line received. --error and --silent-after use that count; a frame\n"
    "  answered with an injected error, and every frame after --silent-after, is not\n"
    "  carried out. --drop-after counts the frames of each TCP connection.\n"
    "  --split sends the prefix and first letter (\"01G\") and then the rest, 50 ms\n"
    "  apart (long replies in three pieces). --merge holds every other reply back\n"
    "  until the next one. --garbage sends 3 to 6 noise bytes (never NUL, CR, LF,\n"
    "  XON, XOFF) and a LF before each reply.\n"
    "\nOutput:\n"
    "  When all transports are up it prints \"tvx5870-sim: ready\" (after\n"
    "  \"tvx5870-sim: listening on ADDR:PORT\" for --tcp-listen). It runs until\n"
    "  SIGINT, SIGTERM or SIGHUP, then saves --state and exits 0. Errors go to stderr\n"
    "  with a non-zero exit status.\n"
    "  --log writes one JSON object per line: {\"time\", \"transport\": \"serial\"|\"tcp\",\n"
    "  \"conn\" (0 = serial), \"direction\": \"rx\"|\"tx\"|\"event\", \"address\", \"bytes\"},\n"
    "  where each byte b of \"bytes\" is the character U+00bb.\n"
    "\nExamples:\n"
    "  socat pty,raw,echo=0,ignoreeof,link=/tmp/ttyA pty,raw,echo=0,ignoreeof,link=/tmp/ttyB &\n"
    "  tvx5870-sim --serial /tmp/ttyB --log sim.jsonl\n"
    "  tvx5870-sim --tcp-listen 9004 --devices 4 --state devices.json\n"
    "  tvx5870-sim --tcp-connect 127.0.0.1:9004 --count 3 --reply-delay 200\n";

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options& opt, int& exit_code) {
    CLI::App app{kDescription, "tvx5870-sim"};
    app.footer(kFooter);
    app.get_formatter()->column_width(26);

    app.add_option("--serial", opt.serial_path,
                   "Be the device on this tty (e.g. a socat pty end), 9600 baud 8E1")
        ->type_name("PATH");
    auto* listen = app.add_option("--tcp-listen", opt.listen_port,
                                  "Be the device the program's client connects to (0 = free port)")
                       ->expected(0, 1)
                       ->default_str("9004")
                       ->type_name("[PORT]")
                       ->check(CLI::Range(0, 65535).description(""));
    app.add_option("--bind", opt.bind_address,
                   "Address to listen on (default 127.0.0.1; 0.0.0.0 = all)")
        ->type_name("ADDR");
    std::string connect_text;
    auto* connect = app.add_option("--tcp-connect", connect_text,
                                   "Be --count devices that connect to the program's server")
                        ->type_name("HOST:PORT");
    auto* count = app.add_option("--count", opt.connect_count,
                                 "Devices (connections) for --tcp-connect, 1..128 (default 1)")
                      ->type_name("N")
                      ->check(CLI::Range(1, 128).description(""));
    auto* address = app.add_option("--address", opt.address,
                                   "Slave address of the (first) device, 0..31 (default 0)")
                        ->type_name("N")
                        ->check(CLI::Range(0, 31).description(""));
    auto* devices = app.add_option("--devices", opt.devices,
                                   "Devices on the serial line, 1..32, addresses from --address")
                        ->type_name("N")
                        ->check(CLI::Range(1, 32).description(""));
    app.add_option("--log", opt.log_path, "Log every frame, reply and event to FILE (JSON Lines)")
        ->type_name("FILE");
    app.add_option("--state", opt.state_path,
                   "Load the devices from FILE (if it exists), save them on exit")
        ->type_name("FILE");
    app.add_flag("-v,--verbose", opt.verbose, "Show every frame, reply and event on stderr");

    app.add_option("--reply-delay", opt.faults.reply_delay_ms, "Answer each frame MS ms late")
        ->type_name("MS")
        ->check(CLI::Range(0, 600000).description(""));
    std::vector<std::string> error_options;
    app.add_option("--error", error_options,
                   "Answer frame N with CODE: E0..E3 or MENU (repeatable)")
        ->type_name("CODE@N")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--silent-after", opt.silent_after, "Answer nothing after the first N frames")
        ->type_name("N")
        ->check(CLI::Range(int64_t{0}, INT64_MAX).description(""));
    app.add_flag("--split", opt.faults.split, "Send each reply in pieces, 50 ms apart");
    app.add_flag("--merge", opt.faults.merge, "Hold a reply back and send it with the next one");
    app.add_flag("--garbage", opt.faults.garbage,
                 "Send a few noise bytes and a LF before each reply");
    app.add_flag("--baud-limit", opt.baud_limit,
                 "Read and write at 9600-baud 8E1 speed (872 bytes/s)");
    app.add_option("--drop-after", opt.drop_after, "Close each TCP connection after its Nth frame")
        ->type_name("N")
        ->check(CLI::Range(int64_t{1}, INT64_MAX).description(""));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        exit_code = app.exit(e);
        return false;
    }

    opt.tcp_listen = listen->count() > 0;
    opt.addresses_given = address->count() > 0 || devices->count() > 0;
    for (const std::string& text : error_options) {
        uint64_t n = 0;
        std::string code;
        if (!ParseInjectedError(text, n, code)) {
            std::fprintf(stderr,
                         "tvx5870-sim: --error %s: expected CODE@N with CODE one of E0, E1, E2, "
                         "E3, MENU and N a frame number from 1\n",
                         text.c_str());
            exit_code = 2;
            return false;
        }
        opt.errors[n] = code;
    }
    if (connect->count() > 0) {
        if (!ParseHostPort(connect_text, opt.connect_host, opt.connect_port)) {
            std::fprintf(stderr, "tvx5870-sim: --tcp-connect %s: expected HOST:PORT\n",
                         connect_text.c_str());
            exit_code = 2;
            return false;
        }
        opt.tcp_connect = true;
    } else if (count->count() > 0) {
        std::fprintf(stderr, "tvx5870-sim: --count goes with --tcp-connect\n");
        exit_code = 2;
        return false;
    }
    if (opt.address + opt.devices - 1 > 31) {
        std::fprintf(stderr,
                     "tvx5870-sim: --address %d with --devices %d would go past address 31\n",
                     opt.address, opt.devices);
        exit_code = 2;
        return false;
    }
    if (opt.serial_path.empty() && !opt.tcp_listen && !opt.tcp_connect) {
        std::fprintf(stderr,
                     "tvx5870-sim: nothing to do: give --serial PATH, --tcp-listen [PORT] or "
                     "--tcp-connect HOST:PORT (see --help)\n");
        exit_code = 2;
        return false;
    }
    return true;
}

}  // namespace tvxsim
