#include "remote/remote_service.h"

#include <utility>

#include "link/send.h"
#include "link/socket_events.h"
#include "model/config.h"
#include "model/remote_hold.h"
#include "protocol/commands.h"
#include "protocol/frame_log.h"
#include "remote/remote_fields.h"
#include "runs/glyph_runs.h"
#include "runs/network_sends.h"
#include "runs/set_all_read_back.h"

namespace tvx {

namespace {

using json = nlohmann::json;

constexpr std::string_view kApi = "/api/v1/";
constexpr int kMaxJsonDepth = 16;
constexpr std::size_t kLogEntriesPerAnswer = 500;
constexpr std::string_view kAllowedAddress = "0..31, or 32 for broadcast";

std::string Dump(const json& body) {
    return body.dump(-1, ' ', false, json::error_handler_t::replace);
}

RemoteAnswer Answer(int status, const json& body) {
    return {status, Dump(body), {}};
}

RemoteAnswer BadRequest(std::string_view field, std::string_view allowed,
                        std::string_view message, const std::vector<std::string>& problems = {}) {
    json body = {{"error", "bad request"}, {"message", message}};
    if (!field.empty()) body["field"] = field;
    if (!allowed.empty()) body["allowed"] = allowed;
    if (!problems.empty()) body["problems"] = problems;
    return Answer(400, body);
}

// ---- The request's parts --------------------------------------------------------------------

// A body nested deeper than any answer of ours is refused before it is parsed: the parser would
// go as deep as the text.
bool NestedTooDeep(std::string_view body) {
    int depth = 0;
    bool in_string = false;
    bool escaped = false;
    for (char ch : body) {
        if (in_string) {
            if (escaped) {
                escaped = false;
            } else if (ch == '\\') {
                escaped = true;
            } else if (ch == '"') {
                in_string = false;
            }
        } else if (ch == '"') {
            in_string = true;
        } else if (ch == '[' || ch == '{') {
            if (++depth > kMaxJsonDepth) return true;
        } else if (ch == ']' || ch == '}') {
            --depth;
        }
    }
    return false;
}

// The body as a JSON object; false with the refusal.
bool ParseBody(std::string_view body, json& out, RemoteAnswer& refusal) {
    const bool deep = NestedTooDeep(body);
    if (!deep) out = json::parse(body, nullptr, false);
    if (deep || out.is_discarded() || !out.is_object()) {
        refusal = BadRequest("body", "a JSON object, UTF-8", "the body is not a JSON object");
        return false;
    }
    return true;
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Query {
    std::vector<std::pair<std::string, std::string>> items;
    const std::string* Find(std::string_view key) const {
        for (const auto& item : items) {
            if (item.first == key) return &item.second;
        }
        return nullptr;
    }
};

Query ParseQuery(std::string_view text) {
    Query q;
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        const std::string_view pair = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view{} : text.substr(amp + 1);
        if (pair.empty()) continue;
        const std::size_t eq = pair.find('=');
        q.items.emplace_back(PercentDecoded(pair.substr(0, eq)),
                             eq == std::string_view::npos ? "" : PercentDecoded(pair.substr(eq + 1)));
    }
    return q;
}

// A query parameter the path does not take is refused, so that a misspelt one ("adress") never
// sends to the default device.
bool OnlyKnownParameters(const Query& q, std::initializer_list<std::string_view> known,
                         RemoteAnswer& refusal) {
    for (const auto& item : q.items) {
        bool found = false;
        for (std::string_view k : known) found = found || item.first == k;
        if (!found) {
            std::string allowed;
            for (std::string_view k : known) allowed += (allowed.empty() ? "" : ", ") + std::string(k);
            refusal = BadRequest(item.first, allowed, "unknown query parameter " + item.first);
            return false;
        }
    }
    return true;
}

// A whole decimal number 0..max without a sign; -1 otherwise.
long long DecimalUpTo(std::string_view text, long long max) {
    if (text.empty() || text.size() > 18) return -1;
    long long value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return -1;
        value = value * 10 + (ch - '0');
    }
    return value <= max ? value : -1;
}

// ---- Where a request's frames go ------------------------------------------------------------

struct LinkTarget {
    int address = 0;
    int slot = 0;  // server role: the slot of ?device=, 0 for the selected connection
};

bool Broadcast(const LinkTarget& t) {
    return t.address >= kBroadcastAddress;
}

// ?address= and ?device=; false with the refusal.
bool ResolveTarget(const RemoteService& s, const Query& q, LinkTarget& t, RemoteAnswer& refusal) {
    const AppState& app = s.c.app;
    t.address = app.slave_address;
    if (const std::string* address = q.Find("address")) {
        const long long value = DecimalUpTo(*address, kBroadcastAddress);
        if (value < 0) {
            refusal = BadRequest("address", kAllowedAddress, "address " + *address + " is not one");
            return false;
        }
        t.address = static_cast<int>(value);
    }
    if (t.address < 0 || t.address > kBroadcastAddress) t.address = kBroadcastAddress;
    const std::string* device = q.Find("device");
    if (device == nullptr) return true;
    if (app.interface_type != 1) {
        refusal = BadRequest("device", "the address of a device on TCP/IP",
                             "device is for the TCP/IP link; this link is RS-232C");
        return false;
    }
    if (app.tcp_role == 1) {
        for (int slot = 1; slot < kClientSlotCount; ++slot) {
            if (s.c.sockets.client_slots[slot].in_use == 1 &&
                ClientPeerText(s.c.sockets, slot) == *device) {
                t.slot = slot;
                return true;
            }
        }
    } else if (const unsigned char* host = SelectedHostAddress(app);
               host != nullptr && app.socket_connected == 1 && DottedAddressText(host) == *device) {
        return true;
    }
    refusal = Answer(404, {{"error", "no such device"},
                           {"message", "no device " + *device + " is connected"}});
    return false;
}

// The request's address (and device) for the remote's own call, the prefix on; the operator's
// choices come back afterwards.
class TargetScope {
public:
    TargetScope(AppState& app, const LinkTarget& t)
        : app_(app),
          address_(app.slave_address),
          prefix_(app.address_prefix_on),
          connection_(app.selected_connection),
          connected_(app.socket_connected) {
        app.slave_address = t.address;
        app.address_prefix_on = 1;
        if (t.slot > 0) {
            app.selected_connection = t.slot;
            app.socket_connected = 1;
        }
        SetRemoteSending(app, true);
    }
    ~TargetScope() {
        SetRemoteSending(app_, false);
        app_.slave_address = address_;
        app_.address_prefix_on = prefix_;
        app_.selected_connection = connection_;
        app_.socket_connected = connected_;
    }
    TargetScope(const TargetScope&) = delete;
    TargetScope& operator=(const TargetScope&) = delete;

private:
    AppState& app_;
    int address_, prefix_, connection_, connected_;
};

// The socket answer pieces an answer wait left for the open dialog: the remote's exchange
// parses them itself (no dialog may be open to take them).
void ParseQueuedAnswers(CoreContext& c) {
    while (c.sockets.reply_queue.count > 0) OnSocketReplyMessage(c);
}

// ---- The log and the status line -------------------------------------------------------------

void AddRemoteEntry(CommLog* log, std::string_view peer, std::string_view text,
                    std::string_view meaning = {}) {
    if (log == nullptr) return;
    LogEntry e;
    e.kind = LogKind::Remote;
    e.link = std::string(peer);
    e.text = OneLineText(text);
    e.meaning = OneLineText(meaning);
    AddLogEntry(*log, std::move(e));
}

// What the log says of an answer: "502 E3 Command Error".
std::string AnswerSummary(const RemoteAnswer& a) {
    std::string text = std::to_string(a.status);
    const json body = json::parse(a.body, nullptr, false);
    if (!body.is_object()) return text;
    for (const char* key : {"code", "message"}) {
        const auto it = body.find(key);
        if (it != body.end() && it->is_string() && !it->get_ref<const std::string&>().empty())
            text += " " + it->get<std::string>();
    }
    return text;
}

// ---- Busy, ready --------------------------------------------------------------------------

// Why the link cannot take a remote request now, or empty.
std::string LinkBusyReason(const RemoteService& s) {
    const AppState& a = s.c.app;
    if (RemoteHoldsLink(a)) {
        return a.remote.run != 0 ? "a remote run goes on"
                                 : "another remote request waits for the device";
    }
    if (a.sequence_running != 0 || a.glyph_bulk_read_running != 0)
        return "a run of the program goes on";
    if (a.awaiting_reply != 0 || a.glyph_read_pending != 0)
        return "the program waits for the device's reply to the operator's command";
    if (s.operator_busy && s.operator_busy()) return "the operator is reading a message of the program";
    return {};
}

// 409 while busy, 503 without a connection; false with that answer.
bool LinkFree(const RemoteService& s, const LinkTarget& t, RemoteAnswer& refusal) {
    const std::string busy = LinkBusyReason(s);
    if (!busy.empty()) {
        refusal = Answer(409, {{"error", "busy"}, {"message", busy}});
        return false;
    }
    const AppState& app = s.c.app;
    const int slot = t.slot > 0 ? t.slot : app.selected_connection;
    const bool slot_up = slot >= 1 && slot < kClientSlotCount &&
                         s.c.sockets.client_slots[slot].in_use == 1;
    const bool connected = t.slot > 0 || (app.socket_connected == 1 &&
                                          (app.tcp_role == 0 || slot_up));
    if (app.interface_type == 1 && !connected) {
        refusal = Answer(503, {{"error", "not connected"}, {"message", kNoSocketText}});
        return false;
    }
    return true;
}

// ---- Sending and the wait for the reply ----------------------------------------------------

// Builds the step as the set-all run builds it (the ranges, the all-zero switching times, the
// title's encoding), sends it through SendCommand and holds the link for the reply. True when
// the answer is there now.
bool SendStep(RemoteService& s, const RemoteRequest& r, const LinkTarget& t, const BulkStep& step,
              std::function<json()> applied, RemoteAnswer& answer) {
    CoreContext& c = s.c;
    BeginRemoteHold(c.app);
    std::string command;
    BuildOutcome built = BuildOutcome::NoCommand;
    bool sent = false;
    {
        TargetScope scope(c.app, t);
        built = BuildBulkStepCommand(c.model, c.prompts, step, command);
        if (built == BuildOutcome::Command) {
            sent = SendCommand(c, command);
            ParseQueuedAnswers(c);
        }
    }
    const std::string message = c.app.remote.message;
    if (built != BuildOutcome::Command) {
        EndRemoteHold(c.app);
        const std::string_view text =
            built == BuildOutcome::TitleNotEncodable ? kTitleNotConvertibleText : message;
        answer = Answer(400, {{"error", "refused"}, {"message", text}});
        return true;
    }
    if (Broadcast(t)) {
        EndRemoteHold(c.app);
        json body = applied();
        body["broadcast"] = true;
        answer = Answer(202, body);
        return true;
    }
    if (!sent && !RemoteWaitOver(c.app)) {
        EndRemoteHold(c.app);
        answer = Answer(503, {{"error", "not sent"}, {"message", message}});
        return true;
    }
    s.waiting = {true, r.peer, r.method + " " + r.target, std::move(applied)};
    if (!RemoteWaitOver(c.app)) return false;
    answer = TakeRemoteAnswer(s);
    return true;
}

// ---- The endpoints ------------------------------------------------------------------------

json ModelValueBody(const RemoteService& s, const RemoteField& f) {
    json body = {{"key", RemoteFieldKey(f)},
                 {"name", FieldItemName(*f.field, f.item)},
                 {"value", RemoteFieldValue(s.c.model, f)}};
    if (f.field->shape != FieldShape::Titles)
        body["shown"] = FieldNumberText(*f.field, FieldNumber(s.c.model, *f.field, f.item));
    return body;
}

// Stores the value of a field as its dialog would, then sends the field's command.
bool PutField(RemoteService& s, const RemoteRequest& r, const Query& q, const RemoteField& f,
              const json& value, std::string_view body_key, RemoteAnswer& answer) {
    if (!OnlyKnownParameters(q, {"address", "device"}, answer)) return true;
    LinkTarget t;
    if (!ResolveTarget(s, q, t, answer) || !LinkFree(s, t, answer)) return true;
    std::vector<std::string> problems;
    if (value.is_null() ||
        !StoreRemoteFieldValue(s.c.model, f, value, problems)) {
        answer = BadRequest(body_key, RemoteFieldAllowed(*f.field),
                            std::string(body_key) + " is not one " + RemoteFieldKey(f) +
                                " takes",
                            problems);
        return true;
    }
    // Only the title dialog marks the document modified; the other dialogs leave it.
    if (f.field->shape == FieldShape::Titles) s.c.app.document_modified = 1;
    return SendStep(s, r, t, RemoteFieldStep(f, false), [&s, f] { return ModelValueBody(s, f); },
                    answer);
}

json LinkState(const RemoteService& s) {
    const CoreContext& c = s.c;
    const AppState& app = c.app;
    if (app.interface_type == 0)
        return {{"interface", "rs232c"}, {"port", LogLinkName(c, LogLinkSide::Serial)}};
    json link = {{"interface", "tcpip"},
                 {"role", app.tcp_role == 1 ? "server" : "client"},
                 {"connected", app.socket_connected == 1}};
    json devices = json::array();
    if (app.tcp_role == 1) {
        int slots[kMaxClients];
        const int n = ConnectedClientSlots(c.sockets, slots);
        for (int i = 0; i < n; ++i) {
            devices.push_back({{"device", ClientPeerText(c.sockets, slots[i])},
                               {"slot", slots[i]},
                               {"selected", app.socket_connected == 1 &&
                                                app.selected_connection == slots[i]}});
        }
    } else if (const unsigned char* host = SelectedHostAddress(app);
               host != nullptr && app.socket_connected == 1) {
        int port = 0;
        LinkPortNumber(app, port);
        devices.push_back({{"device", DottedAddressText(host)}, {"port", port}, {"selected", true}});
    }
    link["devices"] = devices;
    return link;
}

json LogEntryJson(const LogEntry& e, std::uint64_t id) {
    return {{"id", id},
            {"time", FormatLogTime(e.time)},
            {"kind", LogKindName(e.kind)},
            {"link", e.link},
            {"address", e.address},
            {"text", e.text},
            {"meaning", e.meaning}};
}

json RunState(const RemoteService& s) {
    const AppState& app = s.c.app;
    if (s.run.going) {
        const BulkTable& table = s.run.run.table;
        const int done = app.sequence_running > 0 ? app.sequence_running - 1 : 0;
        return {{"name", s.run.name},
                {"by", "remote"},
                {"peer", s.run.peer},
                {"step", done},
                {"steps", table.steps.size()},
                {"percent", table.steps.empty() ? 0 : done * 100 / static_cast<int>(table.steps.size())}};
    }
    if (app.glyph_bulk_read_running != 0) {
        return {{"name", "glyphs"}, {"by", "operator"}, {"step", app.current_glyph_index},
                {"steps", kBulkGlyphs},
                {"percent", app.current_glyph_index * 100 / kBulkGlyphs}};
    }
    if (app.sequence_running == 0) return nullptr;
    const int timer = app.run_pace.timer_id;
    const char* name = timer == kSetAllTimerId      ? "set-all"
                       : timer == kReadBackTimerId  ? "read-back"
                       : timer == kNetworkReadTimerId ? "network-read"
                                                      : "dialog";
    return {{"name", name}, {"by", "operator"}, {"step", app.sequence_running - 1}};
}

RemoteAnswer GetState(const RemoteService& s) {
    const CoreContext& c = s.c;
    const AppState& app = c.app;
    json body = {{"program", s.program}, {"version", s.version}, {"link", LinkState(s)}};
    body["slave_address"] = app.slave_address;
    body["broadcast"] = app.slave_address >= kBroadcastAddress;
    const std::string busy = LinkBusyReason(s);
    body["busy"] = !busy.empty();
    if (!busy.empty()) body["busy_reason"] = busy;
    body["run"] = RunState(s);
    if (!s.run.name.empty() && !s.run.going) {
        body["last_run"] = {{"name", s.run.name}, {"result", s.run.result},
                            {"message", s.run.message}, {"peer", s.run.peer}};
    }
    body["document"] = {{"file", std::string(app.current_file_name)},
                        {"modified", app.document_modified == 1}};
    body["last_reply"] = nullptr;
    if (c.comm_log != nullptr) {
        for (std::size_t i = LogSize(*c.comm_log); i-- > 0;) {
            const LogEntry& e = LogEntryAt(*c.comm_log, i);
            if (e.kind != LogKind::Received) continue;
            body["last_reply"] = LogEntryJson(e, c.comm_log->first + i);
            break;
        }
    }
    return Answer(200, body);
}

RemoteAnswer GetLog(const RemoteService& s, const Query& q) {
    RemoteAnswer refusal;
    if (!OnlyKnownParameters(q, {"after"}, refusal)) return refusal;
    const CommLog* log = s.c.comm_log;
    std::uint64_t first_wanted = 0;
    if (const std::string* after = q.Find("after")) {
        const long long value = DecimalUpTo(*after, 1LL << 53);
        if (value < 0) return BadRequest("after", "an entry's id", "after " + *after + " is no id");
        first_wanted = static_cast<std::uint64_t>(value) + 1;
    }
    json entries = json::array();
    std::uint64_t last = first_wanted > 0 ? first_wanted - 1 : 0;
    bool more = false;
    std::uint64_t missed = 0;
    if (log != nullptr) {
        const std::size_t size = LogSize(*log);
        if (first_wanted < log->first) missed = log->first - first_wanted;
        std::uint64_t id = first_wanted < log->first ? log->first : first_wanted;
        for (; id < log->first + size; ++id) {
            if (entries.size() == kLogEntriesPerAnswer) {
                more = true;
                break;
            }
            entries.push_back(LogEntryJson(LogEntryAt(*log, id - log->first), id));
            last = id;
        }
    }
    json body = {{"entries", entries}, {"last_id", last}, {"more", more}};
    if (missed > 0) body["missed"] = missed;  // entries gone from the log before they were asked for
    return Answer(200, body);
}

RemoteAnswer ListFields() {
    json fields = json::array();
    for (const RemoteField& f : AllRemoteFields()) {
        fields.push_back({{"key", RemoteFieldKey(f)},
                          {"name", FieldItemName(*f.field, f.item)},
                          {"allowed", RemoteFieldAllowed(*f.field)}});
    }
    return Answer(200, {{"fields", fields}});
}

bool GetField(RemoteService& s, const RemoteRequest& r, const Query& q, const RemoteField& f,
              RemoteAnswer& answer) {
    if (!OnlyKnownParameters(q, {"from", "address", "device"}, answer)) return true;
    const std::string* from = q.Find("from");
    if (from == nullptr) {
        answer = Answer(200, ModelValueBody(s, f));
        return true;
    }
    if (*from != "device") {
        answer = BadRequest("from", "device", "from " + *from + " is not a source");
        return true;
    }
    LinkTarget t;
    if (!ResolveTarget(s, q, t, answer) || !LinkFree(s, t, answer)) return true;
    if (Broadcast(t)) {
        answer = BadRequest("address", "0..31", kBroadcastReadText);
        return true;
    }
    return SendStep(s, r, t, RemoteFieldStep(f, true), [&s, f] { return ModelValueBody(s, f); },
                    answer);
}

RemoteAnswer StartRun(RemoteService& s, const RemoteRequest& r, const Query& q,
                      BulkTransfer which) {
    RemoteAnswer answer;
    if (!OnlyKnownParameters(q, {"address", "device"}, answer)) return answer;
    LinkTarget t;
    if (!ResolveTarget(s, q, t, answer) || !LinkFree(s, t, answer)) return answer;
    const std::string name = which == BulkTransfer::SetAll ? "set-all" : "read-back";
    if (which == BulkTransfer::ReadBack && Broadcast(t))
        return BadRequest("address", "0..31", kBroadcastReadText);
    CoreContext& c = s.c;
    c.app.remote.message[0] = '\0';
    c.app.remote.message_is_error = 0;
    bool started = false;
    {
        TargetScope scope(c.app, t);
        started = StartBulkTransfer(c, which, s.run.run, s.run_window);
    }
    if (!started) {
        answer = Answer(409, {{"error", "not started"}, {"message", c.app.remote.message}});
    } else {
        s.run.name = name;
        s.run.going = true;
        s.run.address = t.address;
        s.run.device = t.slot;
        s.run.result.clear();
        s.run.message.clear();
        s.run.peer = r.peer;
        SetRemoteRunHold(c.app, true);
        if (s.arm_run_timer) s.arm_run_timer(s.run.run.table.first_period_ms);
        answer = Answer(202, {{"run", name},
                              {"steps", s.run.run.table.steps.size()},
                              {"address", t.address}});
    }
    return answer;
}

// The path's parts after "/api/v1/".
// "a/b/" gives "a", "b" and an empty part: a path is taken only as written.
std::vector<std::string_view> Segments(std::string_view path) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t slash = path.find('/');
        parts.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos) return parts;
        path.remove_prefix(slash + 1);
    }
}

RemoteAnswer NotFound() {
    return Answer(404, {{"error", "not found"}, {"message", "no such path; see docs/remote.md"}});
}

RemoteAnswer MethodNotAllowed(std::string_view allow) {
    RemoteAnswer a = Answer(405, {{"error", "method not allowed"},
                                  {"message", "this path takes " + std::string(allow)}});
    a.allow = std::string(allow);
    return a;
}

// The value of one key of the body; false with the refusal when the body is no object.
bool BodyValue(const RemoteRequest& r, std::string_view key, json& value, RemoteAnswer& refusal) {
    json body;
    if (!ParseBody(r.body, body, refusal)) return false;
    const auto it = body.find(key);
    value = it == body.end() ? json() : *it;
    return true;
}

bool Route(RemoteService& s, const RemoteRequest& r, RemoteAnswer& answer) {
    const std::string_view target = r.target;
    const std::size_t question = target.find('?');
    const std::string_view path = target.substr(0, question);
    const Query q = ParseQuery(question == std::string_view::npos ? std::string_view{}
                                                                  : target.substr(question + 1));
    if (path.substr(0, kApi.size()) != kApi) {
        answer = NotFound();
        return true;
    }
    const std::vector<std::string_view> p = Segments(path.substr(kApi.size()));
    const std::string& m = r.method;
    const auto only = [&](std::string_view allowed) {
        if (m == allowed) return true;
        answer = MethodNotAllowed(allowed);
        return false;
    };
    json value;
    RemoteField f;
    if (p.size() == 1 && p[0] == "state") {
        if (only("GET") && OnlyKnownParameters(q, {}, answer)) answer = GetState(s);
        return true;
    }
    if (p.size() == 1 && p[0] == "log") {
        if (only("GET")) answer = GetLog(s, q);
        return true;
    }
    // The two shortcuts to one field each: the page a position shows now, and a title.
    const bool page = p.size() == 3 && p[0] == "positions" && p[2] == "page";
    if (page || (p.size() == 2 && p[0] == "titles")) {
        const std::string key = (page ? "display_page." : "title_text.") + std::string(p[1]);
        const std::string_view body_key = page ? "page" : "text";
        if (!FindRemoteField(key, f)) {
            answer = NotFound();
            return true;
        }
        if (!only("PUT") || !BodyValue(r, body_key, value, answer)) return true;
        return PutField(s, r, q, f, value, body_key, answer);
    }
    if (p.size() == 1 && p[0] == "fields") {
        if (only("GET") && OnlyKnownParameters(q, {}, answer)) answer = ListFields();
        return true;
    }
    if (p.size() == 2 && p[0] == "fields") {
        if (!FindRemoteField(p[1], f)) {
            answer = NotFound();
            return true;
        }
        if (m == "GET") return GetField(s, r, q, f, answer);
        if (m != "PUT") {
            answer = MethodNotAllowed("GET, PUT");
            return true;
        }
        if (!BodyValue(r, "value", value, answer)) return true;
        return PutField(s, r, q, f, value, "value", answer);
    }
    if (p.size() == 2 && p[0] == "runs" && (p[1] == "set-all" || p[1] == "read-back")) {
        if (only("POST"))
            answer = StartRun(s, r, q, p[1] == "set-all" ? BulkTransfer::SetAll
                                                         : BulkTransfer::ReadBack);
        return true;
    }
    answer = NotFound();
    return true;
}

RemoteAnswer AccessRefusal(RemoteAccess access) {
    switch (access) {
        case RemoteAccess::NotAllowedHost:
            return Answer(403, {{"error", "forbidden"},
                                {"message", "this host is not among the allowed hosts"}});
        case RemoteAccess::TokenNotSet:
            return Answer(401, {{"error", "unauthorized"},
                                {"message", "requests from other hosts need the access token, "
                                            "and none is set"}});
        case RemoteAccess::TokenMissing:
            return Answer(401, {{"error", "unauthorized"},
                                {"message", "send the access token: Authorization: Bearer ..."}});
        default:
            return Answer(401, {{"error", "unauthorized"}, {"message", "wrong access token"}});
    }
}

void NoteAnswer(RemoteService& s, const RemoteAnswer& a) {
    s.last_status = a.status;
}

// Requests that may reach the link are logged with their answers; the reads of the model and
// of the log are not (a monitor following the log would otherwise read its own requests).
bool Logged(const RemoteRequest& r) {
    return r.method != "GET" || r.target.find("from=") != std::string::npos;
}

// The body as the log shows it: one line, at most 200 bytes.
std::string BodyForLog(std::string_view body) {
    constexpr std::size_t kShown = 200;
    std::string text(body.substr(0, kShown));
    if (body.size() > kShown) text += "...";
    return text;
}

}  // namespace

RemoteAnswer RemoteError(int status, std::string_view error, std::string_view message) {
    return Answer(status, {{"error", error}, {"message", message}});
}

bool HandleRemoteRequest(RemoteService& s, const RemoteRequest& r, RemoteAnswer& answer) {
    CoreContext& c = s.c;
    s.last_request = r.method + " " + r.target.substr(0, r.target.find('?'));
    s.last_peer = r.peer;
    s.last_status = 0;
    if (c.comm_log != nullptr && c.comm_log->clock != nullptr) s.last_time = c.comm_log->clock();
    const RemoteAccess access = CheckRemoteAccess(s.allowed_hosts, s.token, r.peer, r.authorization);
    if (access != RemoteAccess::Granted) {
        answer = AccessRefusal(access);
        AddRemoteEntry(c.comm_log, r.peer, "refused " + r.method + " " + s.last_request,
                       AnswerSummary(answer));
        NoteAnswer(s, answer);
        return true;
    }
    const bool logged = Logged(r);
    if (logged) AddRemoteEntry(c.comm_log, r.peer, r.method + " " + r.target, BodyForLog(r.body));
    bool now = true;
    try {
        now = Route(s, r, answer);
    } catch (const std::exception& e) {
        // Nothing may leave the core by an exception; the link is given back.
        if (RemoteHoldsLink(c.app) && c.app.remote.run == 0) DropRemoteRequest(s);
        answer = RemoteError(500, "internal", e.what());
        now = true;
    }
    if (now) {
        if (logged) AddRemoteEntry(c.comm_log, r.peer, "answer", AnswerSummary(answer));
        NoteAnswer(s, answer);
    }
    return now;
}

bool RemoteAnswerReady(const RemoteService& s) {
    return s.waiting.active && RemoteWaitOver(s.c.app);
}

RemoteAnswer TakeRemoteAnswer(RemoteService& s) {
    AppState& app = s.c.app;
    const RemoteHold& h = app.remote;
    const std::string code = h.code;
    const std::string message = h.message;
    RemoteAnswer answer;
    switch (h.end) {
        case RemoteWaitEnd::Reply: {
            json body = s.waiting.applied ? s.waiting.applied() : json::object();
            body["reply"] = code;
            answer = Answer(200, body);
            break;
        }
        case RemoteWaitEnd::ErrorReply:
            answer = Answer(502, {{"error", "device error"}, {"code", code}, {"message", message}});
            break;
        case RemoteWaitEnd::OtherReply:
            answer = Answer(502, {{"error", "unexpected reply"},
                                  {"code", code},
                                  {"message", message.empty() ? "the device's reply was not "
                                                                "the one expected"
                                                              : message}});
            break;
        case RemoteWaitEnd::LinkFailed:
            answer = Answer(502, {{"error", "link failed"}, {"message", message}});
            break;
        case RemoteWaitEnd::NoReply:
        case RemoteWaitEnd::None:
            answer = Answer(504, {{"error", "no reply"},
                                  {"message", message.empty() ? kNoConnectText : message}});
            break;
    }
    AddRemoteEntry(s.c.comm_log, s.waiting.peer, "answer", AnswerSummary(answer));
    EndRemoteHold(app);
    s.waiting = {};
    NoteAnswer(s, answer);
    return answer;
}

void DropRemoteRequest(RemoteService& s) {
    if (s.waiting.active) AddRemoteEntry(s.c.comm_log, s.waiting.peer, "answer", "dropped");
    EndRemoteHold(s.c.app);
    s.waiting = {};
}

int RemoteRunTimerId(const RemoteService& s) {
    if (!s.run.going) return 0;
    return BulkTransferTimerId(s.run.name == "set-all" ? BulkTransfer::SetAll
                                                       : BulkTransfer::ReadBack);
}

void OnRemoteRunTick(RemoteService& s) {
    CoreContext& c = s.c;
    if (!s.run.going) {
        if (s.arm_run_timer) s.arm_run_timer(0);
        return;
    }
    BulkTick tick;
    {
        LinkTarget t{s.run.address, s.run.device};
        TargetScope scope(c.app, t);
        tick = OnBulkTransferTick(c, s.run.run);
        ParseQueuedAnswers(c);
    }
    if (tick.new_period_ms != 0 && !tick.ended && s.arm_run_timer)
        s.arm_run_timer(tick.new_period_ms);
    if (!tick.ended) return;
    s.run.going = false;
    SetRemoteRunHold(c.app, false);
    if (s.arm_run_timer) s.arm_run_timer(0);
    s.run.result = tick.clear_percent ? "done" : "stopped";
    s.run.message = c.app.remote.message;
    AddRemoteEntry(c.comm_log, s.run.peer, "run " + s.run.name + " " + s.run.result,
                   s.run.message);
}

void LogRemoteRefusal(RemoteService& s, std::string_view peer, std::string_view why) {
    AddRemoteEntry(s.c.comm_log, peer, "refused connection", why);
}

void LogRemoteEvent(RemoteService& s, std::string_view text) {
    AddRemoteEntry(s.c.comm_log, "", text);
}

}  // namespace tvx
