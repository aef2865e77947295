// The remote interface against the recorders: the frames each request puts on the wire, the
// answer each reply (or none) gives, the refusals, and that no box opens for a remote request.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

#include "dialogs/remote_control.h"
#include "link/send.h"
#include "link/socket_events.h"
#include "model/remote_hold.h"
#include "protocol/replies.h"
#include "remote/remote_fields.h"
#include "remote/remote_service.h"
#include "support/expected_text.h"
#include "support/memory_stores.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using json = nlohmann::json;
using test::Repeat;

// The answer wait of the program: the device's answer is queued for the open dialog.
struct AnsweringLink : test::RecordingLink {
    SocketLinkState* sockets = nullptr;
    std::string answer;  // empty: nothing comes in time
    bool ReceiveAnswer(std::uintptr_t socket) override {
        RecordingLink::ReceiveAnswer(socket);
        if (answer.empty()) return false;
        PushReplyPiece(sockets->reply_queue, BeginAnswerExchange(sockets->reply_queue),
                       answer.data(), static_cast<int>(answer.size()));
        return true;
    }
};

struct Remote : test::CoreFixture {
    CommLog log;
    HoldingPrompts holding{prompts, app};
    AnsweringLink wire;
    CoreContext rc{model, app, sockets, holding, wire, &log};
    RemoteService s{rc};
    std::vector<int> timer;  // the run timer's periods, 0 = stopped

    Remote() {
        wire.sockets = &sockets;
        s.version = "1.21";
        s.arm_run_timer = [this](int ms) { timer.push_back(ms); };
    }
    // false: the request waits for the device
    bool Ask(const std::string& method, const std::string& target, const std::string& body,
             RemoteAnswer& a, const std::string& peer = "127.0.0.1",
             const std::string& auth = "") {
        return HandleRemoteRequest(s, {method, target, auth, body, peer}, a);
    }
    RemoteAnswer Now(const std::string& method, const std::string& target,
                     const std::string& body = "", const std::string& peer = "127.0.0.1",
                     const std::string& auth = "") {
        RemoteAnswer a;
        EXPECT_TRUE(Ask(method, target, body, a, peer, auth)) << target;
        return a;
    }
    std::string Wire() const {
        std::string all;
        for (const std::string& w : wire.serial_writes) all += w;
        for (const auto& f : wire.socket_frames) all += f.bytes;
        return all;
    }
    // The device's line, as the serial link hands it on; then the answer if it is there.
    void Reply(const std::string& line) { ParseSerialReply(rc, line); }
    void NoReply() {
        for (int tick = 0; tick < 7; ++tick) CheckReplyTimeout(rc);
    }
};

json Body(const RemoteAnswer& a) {
    return json::parse(a.body);
}

// A request that sends on the serial line, answered by the device's line or by none.
TEST(RemoteSerial, EachReplyGivesItsAnswer) {
    const std::string title5 = "00CT005442B244E254B2565213C2539" + Repeat("2121", 15) + "\r\n";
    struct Case {
        std::string method, target, body, wire, reply;  // reply "" = silence
        int status;
        std::string code, message;
    } cases[] = {
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"page": 3})", "00P01T003\r\n", "00GO\r\n",
         200, "GO", ""},
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"page": 3})", "00P01T003\r\n", "00E3\r\n",
         502, "E3", "Command Error"},
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"page": 3})", "00P01T003\r\n", "", 504, "",
         "No Connect"},
        {"PUT", "/api/v1/positions/ch2-bottom/page?address=7", R"({"page": "auto"})",
         "07P02BAS\r\n", "07GN\r\n", 502, "GN", "Mode difference"},
        {"PUT", "/api/v1/titles/5", R"({"text": "朝のニュース"})", title5, "00GO\r\n", 200, "GO", ""},
        {"PUT", "/api/v1/fields/white_level", R"({"value": 2})", "00CWL2\r\n", "00MENU\r\n", 502,
         "MENU", "Menu Display"},
        {"PUT", "/api/v1/fields/page_switch_seconds.ch1-top.1", R"({"value": 5})",
         "00AST01T05" + Repeat("02", 143) + "\r\n", "00GO\r\n", 200, "GO", ""},
        {"PUT", "/api/v1/fields/page_display_on.ch2-top.2", R"({"value": false})",
         "00CTD02TNF" + Repeat("N", 142) + "\r\n", "00GO\r\n", 200, "GO", ""},
        {"GET", "/api/v1/fields/edge_level?from=device&address=3", "", "03RCEL\r\n",
         "03CEL2\r\n", 200, "CEL", ""},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.target);
        Remote f;
        RemoteAnswer a;
        ASSERT_FALSE(f.Ask(t.method, t.target, t.body, a));
        EXPECT_EQ(f.Wire(), t.wire);
        EXPECT_FALSE(RemoteAnswerReady(f.s));
        t.reply.empty() ? f.NoReply() : f.Reply(t.reply);
        ASSERT_TRUE(RemoteAnswerReady(f.s));
        a = TakeRemoteAnswer(f.s);
        EXPECT_EQ(a.status, t.status) << a.body;
        const json body = Body(a);
        if (t.status == 200) {
            EXPECT_EQ(body["reply"], t.code);
        } else {
            EXPECT_EQ(body.value("code", ""), t.code);
            EXPECT_EQ(body["message"], t.message);
        }
        EXPECT_TRUE(f.prompts.calls.empty());  // no box for a remote request
        EXPECT_FALSE(RemoteHoldsLink(f.app));
        EXPECT_EQ(f.app.slave_address, 0);  // the operator's choice stays
    }
}

TEST(RemoteSerial, AppliedValuesAndBroadcast) {
    Remote f;
    RemoteAnswer a;
    ASSERT_FALSE(f.Ask("PUT", "/api/v1/titles/5", R"({"text": "朝のニュース"})", a));
    EXPECT_EQ(std::string(f.model.title_text[4]), "\x92\xa9\x82\xcc\x83\x6a\x83\x85\x81\x5b\x83\x58");
    EXPECT_EQ(f.app.document_modified, 1);
    f.Reply("00GO\r\n");
    EXPECT_EQ(Body(TakeRemoteAnswer(f.s)),
              json::parse(R"({"key":"title_text.5","name":"T005","value":"朝のニュース",)"
                          R"("reply":"GO"})"));
    // The broadcast address: no device answers, so the answer comes at once.
    a = f.Now("PUT", "/api/v1/positions/ch2-bottom/page?address=32", R"({"page": "auto"})");
    EXPECT_EQ(a.status, 202);
    EXPECT_EQ(f.wire.serial_writes.back(), "FFP02BAS\r\n");
    EXPECT_EQ(f.model.display_page[3], kAutoSwitchPage);
    EXPECT_EQ(f.app.awaiting_reply, 0);
    EXPECT_TRUE(f.prompts.calls.empty());
}

// Bad input names the field and what it takes; nothing is stored or sent.
TEST(RemoteRequests, BadInputIsRefused) {
    struct Case {
        std::string method, target, body;
        int status;
        std::string field, allowed;
    } cases[] = {
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"page": 0})", 400, "page",
         R"(1..144 or "auto")"},
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"page": 145})", 400, "page", ""},
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"page": 3.0})", 400, "page", ""},
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"page": "AUTO"})", 400, "page", ""},
        {"PUT", "/api/v1/positions/ch1-top/page", R"({"pages": 3})", 400, "page", ""},
        {"PUT", "/api/v1/positions/ch1-top/page", "page=3", 400, "body", ""},
        {"PUT", "/api/v1/positions/ch1-top/page", std::string(40, '[') + std::string(40, ']'),
         400, "body", ""},
        {"PUT", "/api/v1/positions/ch1-top/page?address=33", R"({"page": 3})", 400, "address",
         "0..31, or 32 for broadcast"},
        {"PUT", "/api/v1/positions/ch1-top/page?adress=3", R"({"page": 3})", 400, "adress", ""},
        {"PUT", "/api/v1/positions/ch1-top/page?device=10.0.0.1", R"({"page": 3})", 400,
         "device", ""},
        {"PUT", "/api/v1/titles/5", R"({"text": "😀"})", 400, "text", ""},
        {"PUT", "/api/v1/titles/5", R"({"text": "[外字161]"})", 400, "text", ""},
        {"PUT", "/api/v1/titles/5", R"({"text": "一二三四五六七八九十一二三四五六七八九十一二"})",
         400, "text", ""},
        {"PUT", "/api/v1/fields/position_offset.ch1-top", R"({"value": 16})", 400, "value",
         "0..15"},
        {"PUT", "/api/v1/fields/page_display_on.ch1-top.1", R"({"value": "on"})", 400, "value",
         "true or false"},
        {"GET", "/api/v1/fields/edge_level?from=device&address=32", "", 400, "address", "0..31"},
        {"GET", "/api/v1/fields/edge_level?from=file", "", 400, "from", "device"},
        {"PUT", "/api/v1/titles/145", R"({"text": ""})", 404, "", ""},
        {"PUT", "/api/v1/titles/05", R"({"text": ""})", 404, "", ""},
        {"PUT", "/api/v1/positions/ch3-top/page", R"({"page": 3})", 404, "", ""},
        {"GET", "/api/v1/fields/display_page", "", 404, "", ""},
        {"GET", "/api/v1/state/", "", 404, "", ""},
        {"GET", "/api/v1/positions/ch1-top/page", "", 405, "", ""},
        {"DELETE", "/api/v1/fields/white_level", "", 405, "", ""},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.target + " " + t.body);
        Remote f;
        const RemoteAnswer a = f.Now(t.method, t.target, t.body);
        EXPECT_EQ(a.status, t.status) << a.body;
        const json body = Body(a);
        if (!t.field.empty()) {
            EXPECT_EQ(body.value("field", ""), t.field);
        }
        if (!t.allowed.empty()) {
            EXPECT_EQ(body.value("allowed", ""), t.allowed);
        }
        EXPECT_EQ(a.allow.empty(), t.status != 405);
        EXPECT_EQ(f.Wire(), "");
        EXPECT_EQ(f.model.display_page[0], 0);
        EXPECT_EQ(f.model.title_text[4][0], '\0');
        EXPECT_TRUE(f.prompts.calls.empty());
    }
}

TEST(RemoteRequests, TitleProblemsNameTheCharacter) {
    Remote f;
    const json body = Body(f.Now("PUT", "/api/v1/titles/1", R"({"text": "ab😀"})"));
    EXPECT_EQ(body["problems"], json::array({"3文字目: 「😀」(U+1F600) はコードページ932にない文字です"}));
    // Half-width letters are widened as in the titles' CSV.
    RemoteAnswer a;
    ASSERT_FALSE(f.Ask("PUT", "/api/v1/titles/1", R"({"text": "ab"})", a));
    EXPECT_EQ(f.Wire(), "00CT00123612362" + Repeat("2121", 19) + "\r\n");
}

// While the operator or another request uses the link, a request that sends gets 409 and sends
// nothing; without a connection, 503.
TEST(RemoteRequests, BusyAndNotConnected) {
    const std::string put = "/api/v1/positions/ch1-top/page";
    const std::string page = R"({"page": 3})";
    struct Case {
        void (*set)(Remote&);
        int status;
    } cases[] = {
        {[](Remote& f) { f.app.awaiting_reply = 1; }, 409},
        {[](Remote& f) { f.app.sequence_running = 5; }, 409},
        {[](Remote& f) { f.app.glyph_bulk_read_running = 1; }, 409},
        {[](Remote& f) { f.s.operator_busy = [] { return true; }; }, 409},
        {[](Remote& f) {
             f.app.interface_type = 1;
             f.app.socket_connected = 0;
         },
         503},
    };
    for (const Case& t : cases) {
        Remote f;
        t.set(f);
        const RemoteAnswer a = f.Now("PUT", put, page);
        EXPECT_EQ(a.status, t.status) << a.body;
        EXPECT_EQ(f.Wire(), "");
        EXPECT_EQ(f.Now("GET", "/api/v1/state").status, 200);  // reads are always served
    }
    // A second request while the first waits; and the operator's own send meanwhile.
    Remote f;
    RemoteAnswer a;
    ASSERT_FALSE(f.Ask("PUT", put, page, a));
    EXPECT_EQ(f.Now("PUT", put, page).status, 409);
    EXPECT_FALSE(SendCommand(f.ctx, "CWL1\r\n"));
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"error(exclamation): " +
                                                        std::string(kRemoteHoldText)});
    EXPECT_EQ(f.Wire(), "00P01T003\r\n");
}

TEST(RemoteAccessRules, HostsTokensAndTheirAnswers) {
    std::vector<HostRule> rules;
    std::string problem;
    ASSERT_TRUE(ParseAllowedHosts(" 192.168.1.5,10.1.2.3/8 ,, ", rules, problem));
    EXPECT_EQ(AllowedHostsText(rules), "192.168.1.5, 10.0.0.0/8");
    for (const char* bad : {"192.168.1", "192.168.1.256", "10.0.0.0/33", "host", "1.2.3.4/"}) {
        EXPECT_FALSE(ParseAllowedHosts(bad, rules, problem)) << bad;
    }
    ParseAllowedHosts("192.168.1.5, 10.0.0.0/8", rules, problem);
    for (const char* yes : {"127.0.0.1", "127.9.9.9", "192.168.1.5", "10.200.0.1",
                            "::ffff:10.0.0.7", "::1"})
        EXPECT_TRUE(HostAllowed(rules, yes)) << yes;
    for (const char* no : {"192.168.1.6", "11.0.0.1", "", "::ffff:11.0.0.1", "fe80::1"})
        EXPECT_FALSE(HostAllowed(rules, no)) << no;

    EXPECT_EQ(NewAccessToken([](unsigned char* b, std::size_t n) {
                  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 9);
                  return true;
              }),
              "0009121b242d363f48515a636c757e879099a2abb4bdc6cfd8e1eaf3fc050e17");
    EXPECT_EQ(NewAccessToken([](unsigned char*, std::size_t) { return false; }), "");
    EXPECT_NE(NewAccessToken(), NewAccessToken());
    EXPECT_EQ(BearerToken("bearer  abc "), "abc");
    EXPECT_EQ(BearerToken("Basic abc"), "");
    EXPECT_EQ(BearerToken("Bearerabc"), "");
    EXPECT_TRUE(SameSecret("abc", "abc"));
    EXPECT_FALSE(SameSecret("abc", "abd"));
    EXPECT_FALSE(SameSecret("abc", "abcd"));

    const std::string token(64, 'a');
    struct Case {
        std::string token, peer, auth;
        int status;
    } cases[] = {
        {"", "127.0.0.1", "", 200},
        {"", "192.168.1.5", "", 401},  // another host needs a token, and none is set
        {"", "192.168.1.9", "", 403},
        {token, "127.0.0.1", "", 401},  // once set, this PC's requests carry it too
        {token, "127.0.0.1", "Bearer " + std::string(63, 'a') + "b", 401},
        {token, "192.168.1.5", "Bearer " + token, 200},
        {token, "192.168.1.9", "Bearer " + token, 403},
    };
    for (const Case& t : cases) {
        Remote f;
        f.s.allowed_hosts = rules;
        f.s.token = t.token;
        EXPECT_EQ(f.Now("GET", "/api/v1/state", "", t.peer, t.auth).status, t.status) << t.peer;
        RemoteAnswer a;
        if (t.status != 200) {
            EXPECT_TRUE(f.Ask("PUT", "/api/v1/fields/white_level", R"({"value": 1})", a, t.peer,
                              t.auth));
            EXPECT_EQ(f.Wire(), "");  // nothing of a refused request reaches the device
            EXPECT_EQ(f.log.ring.back().kind, LogKind::Remote);
            EXPECT_EQ(f.log.ring.back().link, t.peer);
        }
        for (const LogEntry& e : f.log.ring) EXPECT_EQ(e.text.find(token), std::string::npos);
    }
}

TEST(RemoteFields, KeysComeFromTheFieldTable) {
    const std::vector<RemoteField> all = AllRemoteFields();
    EXPECT_EQ(all.size(), 3u * 576 + 3u * 4 + 2 + 144);
    std::set<std::string> keys;
    for (const RemoteField& f : all) {
        const std::string key = RemoteFieldKey(f);
        EXPECT_TRUE(keys.insert(key).second) << key;
        RemoteField found;
        ASSERT_TRUE(FindRemoteField(key, found)) << key;
        EXPECT_EQ(found.field, f.field);
        EXPECT_EQ(found.item, f.item);
        // Every field is sent and read back by the runs' own steps.
        EXPECT_NE(RemoteFieldStep(f, false).action, BulkAction::None) << key;
        EXPECT_NE(RemoteFieldStep(f, true).action, BulkAction::None) << key;
    }
    // Keys users' scripts rely on; they must not change.
    for (const char* pinned :
         {"white_level", "edge_level", "display_page.ch1-top", "startup_page.ch2-bottom",
          "position_offset.ch1-bottom", "page_switch_seconds.ch2-bottom.10",
          "page_display_on.ch2-top.1", "page_title_number.ch1-bottom.144", "title_text.5"})
        EXPECT_EQ(keys.count(pinned), 1u) << pinned;
    for (const char* bad : {"white_level.ch1-top", "display_page.ch1-Top", "page_display_on.ch1-top",
                            "page_display_on.ch1-top.0", "title_text.145", "title_text.+5"}) {
        RemoteField f;
        EXPECT_FALSE(FindRemoteField(bad, f)) << bad;
    }
    Remote f;
    const json list = Body(f.Now("GET", "/api/v1/fields"));
    EXPECT_EQ(list["fields"].size(), all.size());
    EXPECT_EQ(list["fields"][0], json::parse(R"({"key":"page_display_on.ch1-top.1",)"
                                             R"("name":"タイトル表示 ch.1 Top ページ 1",)"
                                             R"("allowed":"true or false"})"));
    f.model.page_switch_seconds[3][9] = 7;
    EXPECT_EQ(Body(f.Now("GET", "/api/v1/fields/page_switch_seconds.ch2-bottom.10")),
              json::parse(R"({"key":"page_switch_seconds.ch2-bottom.10",)"
                          R"("name":"自動切換え ch.2 Bottom ページ 10","value":7,"shown":"7 秒"})"));
}

// TCP/IP: the program's answer wait is over when the send returns; ?device= picks the server
// role's client, and the operator's selection stays.
TEST(RemoteTcp, DeviceAnswersWithinTheSend) {
    Remote f;
    f.app.interface_type = 1;
    f.app.tcp_role = 1;
    f.app.selected_connection = -1;
    StoreClient(f.sockets, 2, 77, "192.168.1.7");
    f.wire.answer = "03GO\r\n";
    RemoteAnswer a = f.Now("PUT", "/api/v1/positions/ch1-bottom/page?device=192.168.1.7&address=3",
                           R"({"page": 144})");
    EXPECT_EQ(a.status, 200) << a.body;
    ASSERT_EQ(f.wire.socket_frames.size(), 1u);
    EXPECT_EQ(f.wire.socket_frames[0].socket, 77u);
    EXPECT_EQ(f.wire.socket_frames[0].bytes, "03P01B144\r\n");
    EXPECT_EQ(f.app.selected_connection, -1);
    EXPECT_EQ(f.app.socket_connected, 0);
    f.wire.answer.clear();  // no answer in time
    a = f.Now("PUT", "/api/v1/fields/edge_level?device=192.168.1.7", R"({"value": 3})");
    EXPECT_EQ(a.status, 504);
    EXPECT_EQ(Body(a)["message"], "Answer が､きません");
    EXPECT_EQ(f.Now("PUT", "/api/v1/fields/edge_level?device=192.168.1.8", R"({"value": 3})").status,
              404);
    EXPECT_EQ(f.Now("PUT", "/api/v1/fields/edge_level", R"({"value": 3})").status, 503);
    EXPECT_TRUE(f.prompts.calls.empty());
}

// A run started remotely: 202 at once, its ticks on the host's timer, its end in the state.
TEST(RemoteRuns, SetAllRunsToItsEndOrToAnError) {
    for (const bool fail : {false, true}) {
        Remote f;
        RemoteAnswer a = f.Now("POST", "/api/v1/runs/set-all?address=4");
        ASSERT_EQ(a.status, 202) << a.body;
        EXPECT_EQ(Body(a)["steps"], 172);
        EXPECT_EQ(f.timer, std::vector<int>{1200});
        EXPECT_EQ(f.Now("PUT", "/api/v1/fields/white_level", R"({"value": 1})").status, 409);
        EXPECT_EQ(Body(f.Now("GET", "/api/v1/state"))["run"]["name"], "set-all");
        for (int tick = 0; tick < 200 && f.s.run.going; ++tick) {
            const std::size_t before = f.wire.serial_writes.size();
            OnRemoteRunTick(f.s);
            if (f.wire.serial_writes.size() > before)
                f.Reply(fail && tick == 2 ? "04E3\r\n" : "04GO\r\n");
        }
        EXPECT_EQ(f.wire.serial_writes[0], "04CT001" + Repeat("2121", 21) + "\r\n");
        EXPECT_EQ(f.wire.serial_writes.size(), fail ? 3u : 170u);
        EXPECT_EQ(f.timer.back(), 0);
        const json state = Body(f.Now("GET", "/api/v1/state"));
        EXPECT_EQ(state["run"], nullptr);
        EXPECT_EQ(state["last_run"]["result"], fail ? "stopped" : "done");
        EXPECT_EQ(state["last_run"]["message"], fail ? "Command Error" : "");
        EXPECT_EQ(state["last_reply"]["text"], fail ? "04E3\\r\\n" : "04GO\\r\\n");
        EXPECT_TRUE(f.prompts.calls.empty());
        EXPECT_EQ(f.app.sequence_running, 0);
        EXPECT_FALSE(RemoteHoldsLink(f.app));
    }
}

TEST(RemoteLog, FollowsTheLogAfterAnId) {
    Remote f;
    f.Now("PUT", "/api/v1/positions/ch1-top/page?address=32", R"({"page": 2})", "127.0.0.1");
    const json all = Body(f.Now("GET", "/api/v1/log"));
    ASSERT_EQ(all["entries"].size(), 3u);  // the request, the frame, the answer
    EXPECT_EQ(all["entries"][0]["kind"], "remote");
    EXPECT_EQ(all["entries"][0]["link"], "127.0.0.1");
    EXPECT_EQ(all["entries"][0]["text"], "PUT /api/v1/positions/ch1-top/page?address=32");
    EXPECT_EQ(all["entries"][1]["text"], "FFP01T002\\r\\n");
    EXPECT_EQ(all["entries"][2]["text"], "answer");
    EXPECT_EQ(all["entries"][2]["meaning"], "202");
    const json after = Body(f.Now("GET", "/api/v1/log?after=1"));
    ASSERT_EQ(after["entries"].size(), 1u);
    EXPECT_EQ(after["entries"][0]["id"], 2);
    EXPECT_EQ(after["last_id"], 2);
    EXPECT_EQ(Body(f.Now("GET", "/api/v1/log?after=2"))["entries"].size(), 0u);
    EXPECT_EQ(f.Now("GET", "/api/v1/log?after=-1").status, 400);
}

}  // namespace
}  // namespace tvx

namespace tvx {
namespace {

bool Zeros(unsigned char* b, std::size_t n) {
    std::fill(b, b + n, 0);
    return true;
}

TEST(RemoteDialog, FormRulesAndStatusLines) {
    RemoteControlForm form{true, "80", false, " 10.0.0.5 ,192.168.1.0/24", ""};
    RemoteConfig config;
    std::string problem;
    ASSERT_TRUE(RemoteConfigOf(form, config, problem));
    EXPECT_EQ(config.port, 80);
    EXPECT_EQ(config.allowed_hosts, "10.0.0.5, 192.168.1.0/24");
    for (const char* port : {"0", "65536", "", "8o", "-1"}) {
        form.port = port;
        EXPECT_FALSE(RemoteConfigOf(form, config, problem)) << port;
        EXPECT_EQ(problem, kRemotePortText);
    }
    form.port = "5870";
    form.allowed_hosts = "10.0.0.5, PC-2";
    EXPECT_FALSE(RemoteConfigOf(form, config, problem));
    EXPECT_EQ(problem, "許可するホスト: 「PC-2」はアドレス (192.168.1.5) でもサブネット "
                       "(192.168.1.0/24) でもありません。");
    // Every address wants a token: one is made when none is set, an existing one stays.
    ASSERT_TRUE(OnEveryAddressChosen(form, Zeros));
    EXPECT_EQ(form.token, std::string(64, '0'));
    form.token = "kept-token-kept-token";
    ASSERT_TRUE(OnEveryAddressChosen(form, Zeros));
    EXPECT_EQ(form.token, "kept-token-kept-token");
    EXPECT_FALSE(RenewToken(form, [](unsigned char*, std::size_t) { return false; }));
    EXPECT_EQ(form.token, "kept-token-kept-token");

    RemoteServerStatus s;
    EXPECT_EQ(RemoteStateLine(s), "停止しています");
    EXPECT_EQ(RemoteLastRequestLine(s), "最後の要求: まだありません");
    s.enabled = true;
    s.error = "0.0.0.0:80: Permission denied";
    EXPECT_EQ(RemoteStateLine(s), "開始できません: 0.0.0.0:80: Permission denied");
    s.listening = true;
    s.where = "127.0.0.1:5870";
    EXPECT_EQ(RemoteStateLine(s), "待ち受け中: http://127.0.0.1:5870/api/v1/");
    s.last_request = "PUT /api/v1/titles/5";
    s.last_peer = "192.168.1.5";
    s.last_status = 502;
    s.last_time = {2024, 5, 1, 9, 5, 7, 0};
    EXPECT_EQ(RemoteLastRequestLine(s),
              "最後の要求: 09:05:07 PUT /api/v1/titles/5 (192.168.1.5) → 502");
}

TEST(RemoteConfigKeys, ReadBackAsWritten) {
    test::MemoryIniStore ini;
    EXPECT_EQ(ReadRemoteConfig(ini).port, 5870);
    EXPECT_FALSE(ReadRemoteConfig(ini).enabled);
    const RemoteConfig written{true, 8080, true, "10.0.0.0/8", "abcdefabcdefabcdef"};
    ASSERT_TRUE(WriteRemoteConfig(ini, written));
    EXPECT_EQ(ini.writes, (std::vector<std::string>{
                              "remote_enabled=1", "remote_port=8080", "remote_listen=0.0.0.0",
                              "remote_allowed_hosts=10.0.0.0/8",
                              "remote_token=abcdefabcdefabcdef"}));
    const RemoteConfig read = ReadRemoteConfig(ini);
    EXPECT_TRUE(read.enabled && read.every_address);
    EXPECT_EQ(read.port, 8080);
    EXPECT_EQ(read.allowed_hosts, "10.0.0.0/8");
    EXPECT_EQ(read.token, "abcdefabcdefabcdef");
    EXPECT_FALSE(ReadServerHostsOnly(ini));
    ASSERT_TRUE(WriteServerHostsOnly(ini, true));
    EXPECT_EQ(ini.writes.back(), "server_allowed_hosts_only=1");
    EXPECT_TRUE(ReadServerHostsOnly(ini));
    ini.WriteKey(kConfigSection, "server_allowed_hosts_only", "yes");
    EXPECT_FALSE(ReadServerHostsOnly(ini));
    ini.WriteKey(kConfigSection, "remote_port", "99999");
    ini.WriteKey(kConfigSection, "remote_listen", "10.0.0.1");
    EXPECT_EQ(ReadRemoteConfig(ini).port, 5870);
    EXPECT_FALSE(ReadRemoteConfig(ini).every_address);
}

}  // namespace
}  // namespace tvx
