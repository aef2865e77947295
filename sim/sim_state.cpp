#include "sim_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

namespace tvxsim {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kFormatName = "tvx5870-sim state";
constexpr int kFormatVersion = 1;
constexpr char kHex[] = "0123456789ABCDEF";

std::string PageText(int page) {
    if (page == kAutoPage) return "AS";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", page + 1);
    return buf;
}

std::string OctetsText(const Octets& o) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", o[0], o[1], o[2], o[3]);
    return buf;
}

std::string TitleText(const Title& t) {
    std::string s;
    for (uint16_t c : t)
        for (int shift = 12; shift >= 0; shift -= 4) s += kHex[(c >> shift) & 0xF];
    return s;
}

Json DeviceToJson(const SimDevice& d) {
    Json j;
    j["address"] = d.address;
    Json on = Json::array(), secs = Json::array(), titles_of_pages = Json::array();
    for (int p = 0; p < kPositions; ++p) {
        std::string flags;
        Json s = Json::array(), t = Json::array();
        for (int k = 0; k < kPages; ++k) {
            flags += d.page_display_on[p][k] ? 'N' : 'F';
            s.push_back(d.page_switch_seconds[p][k]);
            t.push_back(d.page_title_number[p][k] + 1);
        }
        on.push_back(flags);
        secs.push_back(s);
        titles_of_pages.push_back(t);
    }
    j["page_display_on"] = on;
    j["page_switch_seconds"] = secs;
    j["page_title_number"] = titles_of_pages;
    Json dp = Json::array(), sp = Json::array(), off = Json::array();
    for (int p = 0; p < kPositions; ++p) {
        dp.push_back(PageText(d.display_page[p]));
        sp.push_back(PageText(d.startup_page[p]));
        off.push_back(d.position_offset[p]);
    }
    j["display_page"] = dp;
    j["startup_page"] = sp;
    j["position_offset"] = off;
    j["white_level"] = d.white_level;
    j["edge_level"] = d.edge_level;
    Json titles = Json::array();
    for (const Title& t : d.title_stored) titles.push_back(TitleText(t));
    j["titles"] = titles;
    Json glyphs = Json::object();
    for (int g = 0; g < kGlyphs; ++g) {
        const Pattern& pat = d.glyph[g];
        bool empty = true;
        for (char c : pat) empty = empty && c == '0';
        if (empty) continue;
        char key[4];
        std::snprintf(key, sizeof key, "%02d", g + 1);
        glyphs[key] = std::string(pat.data(), pat.size());
    }
    j["glyphs"] = glyphs;
    Json net;
    net["ip"] = OctetsText(d.net_ip);
    net["gateway"] = OctetsText(d.net_gateway);
    net["active"] = OctetsText(d.net_active);
    net["subnet_class"] = std::string(1, d.net_subnet_class);
    net["port"] = std::string(d.net_port.data());
    net["keep_alive"] = d.net_keep_alive;
    net["time_register"] = std::string(1, d.net_time_register);
    net["mac"] = std::string(d.net_mac.data());
    net["version"] = std::string(d.net_version.data());
    j["net"] = net;
    return j;
}

// --- reading, field by field, with a path in every error ---

struct Reader {
    std::string error;
    bool Fail(const std::string& where, const std::string& what) {
        if (error.empty()) error = where + ": " + what;
        return false;
    }
};

bool GetInt(Reader& r, const Json& j, const std::string& where, int lo, int hi, int& out) {
    if (!j.is_number_integer()) return r.Fail(where, "expected a whole number");
    long long v = j.get<long long>();
    if (v < lo || v > hi)
        return r.Fail(where, "out of range " + std::to_string(lo) + ".." + std::to_string(hi));
    out = static_cast<int>(v);
    return true;
}

bool GetString(Reader& r, const Json& j, const std::string& where, std::string& out) {
    if (!j.is_string()) return r.Fail(where, "expected a string");
    out = j.get<std::string>();
    return true;
}

bool GetPage(Reader& r, const Json& j, const std::string& where, int& out) {
    std::string s;
    if (!GetString(r, j, where, s)) return false;
    if (s == "AS") {
        out = kAutoPage;
        return true;
    }
    if (s.size() != 3 || s.find_first_not_of("0123456789") != std::string::npos)
        return r.Fail(where, "expected \"001\"..\"144\" or \"AS\"");
    int v = std::stoi(s);
    if (v < 1 || v > kPages) return r.Fail(where, "expected \"001\"..\"144\" or \"AS\"");
    out = v - 1;
    return true;
}

bool GetOctets(Reader& r, const Json& j, const std::string& where, Octets& out) {
    std::string s;
    if (!GetString(r, j, where, s)) return false;
    unsigned a[4];
    char tail = 0;
    if (std::sscanf(s.c_str(), "%3u.%3u.%3u.%3u%c", &a[0], &a[1], &a[2], &a[3], &tail) != 4 ||
        a[0] > 255 || a[1] > 255 || a[2] > 255 || a[3] > 255)
        return r.Fail(where, "expected a dotted IPv4 address");
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(a[i]);
    return true;
}

bool GetArray(Reader& r, const Json& j, const std::string& where, size_t n) {
    if (!j.is_array() || j.size() != n)
        return r.Fail(where, "expected an array of " + std::to_string(n));
    return true;
}

// Texts the device sends back as they are: printable ASCII only, so that a
// hand-edited file cannot put flow-control or line-end bytes on the line.
bool IsPrintable(const std::string& s) {
    for (char c : s)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

bool IsUpperHex(const std::string& s) {
    return s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

bool DeviceFromJson(Reader& r, const Json& j, const std::string& at, SimDevice& d) {
    if (!j.is_object()) return r.Fail(at, "expected an object");
    auto has = [&j](const char* key) { return j.contains(key); };
    if (has("address") && !GetInt(r, j["address"], at + ".address", 0, kMaxAddress, d.address))
        return false;
    if (has("page_display_on")) {
        const Json& a = j["page_display_on"];
        if (!GetArray(r, a, at + ".page_display_on", kPositions)) return false;
        for (int p = 0; p < kPositions; ++p) {
            std::string s, where = at + ".page_display_on[" + std::to_string(p) + "]";
            if (!GetString(r, a[p], where, s)) return false;
            if (s.size() != kPages || s.find_first_not_of("NF") != std::string::npos)
                return r.Fail(where, "expected 144 letters N or F");
            for (int k = 0; k < kPages; ++k) d.page_display_on[p][k] = s[k] == 'N';
        }
    }
    struct TableKey {
        const char* key;
        PageTable* table;
        int lo, hi, bias;
    } tables[] = {{"page_switch_seconds", &d.page_switch_seconds, 0, 99, 0},
                  {"page_title_number", &d.page_title_number, 1, kTitles, -1}};
    for (const TableKey& t : tables) {
        if (!has(t.key)) continue;
        const Json& a = j[t.key];
        std::string where = at + "." + t.key;
        if (!GetArray(r, a, where, kPositions)) return false;
        for (int p = 0; p < kPositions; ++p) {
            std::string w = where + "[" + std::to_string(p) + "]";
            if (!GetArray(r, a[p], w, kPages)) return false;
            for (int k = 0; k < kPages; ++k) {
                int v = 0;
                if (!GetInt(r, a[p][k], w + "[" + std::to_string(k) + "]", t.lo, t.hi, v))
                    return false;
                (*t.table)[p][k] = static_cast<uint8_t>(v + t.bias);
            }
        }
    }
    for (auto [key, table] :
         {std::pair{"display_page", &d.display_page}, std::pair{"startup_page", &d.startup_page}}) {
        if (!has(key)) continue;
        std::string where = at + "." + key;
        if (!GetArray(r, j[key], where, kPositions)) return false;
        for (int p = 0; p < kPositions; ++p)
            if (!GetPage(r, j[key][p], where + "[" + std::to_string(p) + "]", (*table)[p]))
                return false;
    }
    if (has("position_offset")) {
        std::string where = at + ".position_offset";
        if (!GetArray(r, j["position_offset"], where, kPositions)) return false;
        for (int p = 0; p < kPositions; ++p)
            if (!GetInt(r, j["position_offset"][p], where + "[" + std::to_string(p) + "]", 0, 15,
                        d.position_offset[p]))
                return false;
    }
    if (has("white_level") &&
        !GetInt(r, j["white_level"], at + ".white_level", 0, 3, d.white_level))
        return false;
    if (has("edge_level") && !GetInt(r, j["edge_level"], at + ".edge_level", 0, 3, d.edge_level))
        return false;
    if (has("titles")) {
        std::string where = at + ".titles";
        if (!GetArray(r, j["titles"], where, kTitles)) return false;
        for (int t = 0; t < kTitles; ++t) {
            std::string s, w = where + "[" + std::to_string(t) + "]";
            if (!GetString(r, j["titles"][t], w, s)) return false;
            if (s.size() != 4 * kTitleCodes || !IsUpperHex(s))
                return r.Fail(w, "expected 84 upper-case hexadecimal digits");
            for (int i = 0; i < kTitleCodes; ++i)
                d.title_stored[t][i] =
                    static_cast<uint16_t>(std::stoul(s.substr(4 * i, 4), nullptr, 16));
        }
        d.title_shown = d.title_stored;
    }
    if (has("glyphs")) {
        const Json& g = j["glyphs"];
        if (!g.is_object()) return r.Fail(at + ".glyphs", "expected an object");
        for (auto it = g.begin(); it != g.end(); ++it) {
            const std::string& key = it.key();
            std::string w = at + ".glyphs." + key;
            if (key.size() != 2 || key.find_first_not_of("0123456789") != std::string::npos ||
                key == "00")
                return r.Fail(w, "expected a register number \"01\"..\"99\"");
            std::string s;
            if (!GetString(r, it.value(), w, s)) return false;
            if (s.size() != kPatternChars || !IsUpperHex(s))
                return r.Fail(w, "expected 256 upper-case hexadecimal digits");
            std::memcpy(d.glyph[std::stoi(key) - 1].data(), s.data(), kPatternChars);
        }
    }
    if (has("net")) {
        const Json& n = j["net"];
        std::string w = at + ".net";
        if (!n.is_object()) return r.Fail(w, "expected an object");
        if (n.contains("ip") && !GetOctets(r, n["ip"], w + ".ip", d.net_ip)) return false;
        if (n.contains("gateway") && !GetOctets(r, n["gateway"], w + ".gateway", d.net_gateway))
            return false;
        if (n.contains("active") && !GetOctets(r, n["active"], w + ".active", d.net_active))
            return false;
        std::string s;
        if (n.contains("subnet_class")) {
            if (!GetString(r, n["subnet_class"], w + ".subnet_class", s)) return false;
            if (s != "A" && s != "B" && s != "C")
                return r.Fail(w + ".subnet_class", "expected \"A\", \"B\" or \"C\"");
            d.net_subnet_class = s[0];
        }
        if (n.contains("port")) {
            if (!GetString(r, n["port"], w + ".port", s)) return false;
            if (s.size() != 5 || s.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(s) > 65535)
                return r.Fail(w + ".port", "expected five digits 00000..65535");
            std::memcpy(d.net_port.data(), s.c_str(), 6);
        }
        if (n.contains("keep_alive")) {
            if (!n["keep_alive"].is_boolean())
                return r.Fail(w + ".keep_alive", "expected true or false");
            d.net_keep_alive = n["keep_alive"].get<bool>();
        }
        if (n.contains("time_register")) {
            if (!GetString(r, n["time_register"], w + ".time_register", s)) return false;
            if (s.size() != 1 || s[0] < '1' || s[0] > '6')
                return r.Fail(w + ".time_register", "expected \"1\"..\"6\"");
            d.net_time_register = s[0];
        }
        if (n.contains("mac")) {
            if (!GetString(r, n["mac"], w + ".mac", s)) return false;
            if (s.size() != 17 || !IsPrintable(s))
                return r.Fail(w + ".mac", "expected 17 printable characters");
            std::memcpy(d.net_mac.data(), s.c_str(), 18);
        }
        if (n.contains("version")) {
            if (!GetString(r, n["version"], w + ".version", s)) return false;
            if (s.size() != 4 || !IsPrintable(s))
                return r.Fail(w + ".version", "expected 4 printable characters");
            std::memcpy(d.net_version.data(), s.c_str(), 5);
        }
    }
    return true;
}

bool DevicesFromJson(Reader& r, const Json& j, const char* key, std::vector<SimDevice>& devs) {
    if (!j.contains(key)) return true;
    const Json& a = j[key];
    if (!a.is_array()) return r.Fail(key, "expected an array");
    if (a.size() > 256) return r.Fail(key, "more than 256 devices");
    const bool connect_pool = std::string(key) == "connect_devices";
    while (devs.size() < a.size()) devs.push_back(FactoryDevice(connect_pool, devs.size(), 0));
    for (size_t i = 0; i < a.size(); ++i)
        if (!DeviceFromJson(r, a[i], std::string(key) + "[" + std::to_string(i) + "]", devs[i]))
            return false;
    return true;
}

}  // namespace

SimDevice FactoryDevice(bool connect_pool, size_t index, int address) {
    SimDevice d;
    ResetDevice(d, address, (connect_pool ? 0x100 : 0) + static_cast<int>(index) + 1);
    return d;
}

std::string StateToJson(const StateFile& state) {
    Json j;
    j["format"] = kFormatName;
    j["version"] = kFormatVersion;
    Json a = Json::array(), b = Json::array();
    for (const SimDevice& d : state.devices) a.push_back(DeviceToJson(d));
    for (const SimDevice& d : state.connect_devices) b.push_back(DeviceToJson(d));
    j["devices"] = a;
    j["connect_devices"] = b;
    return j.dump(1) + "\n";
}

bool StateFromJson(const std::string& text, StateFile& state, std::string& error) {
    Json j = Json::parse(text, nullptr, false);
    if (j.is_discarded()) {
        error = "not valid JSON";
        return false;
    }
    if (!j.is_object() || !j.contains("format") || j["format"] != kFormatName) {
        error =
            "not a simulator state file (\"format\" is not \"" + std::string(kFormatName) + "\")";
        return false;
    }
    if (!j.contains("version") || j["version"] != kFormatVersion) {
        error = "unsupported state file version";
        return false;
    }
    StateFile copy = state;
    Reader r;
    try {
        if (!DevicesFromJson(r, j, "devices", copy.devices) ||
            !DevicesFromJson(r, j, "connect_devices", copy.connect_devices)) {
            error = r.error;
            return false;
        }
    } catch (const std::exception& e) {
        // The checks above should leave nothing for the library to object to;
        // this keeps a surprise from ending the program.
        error = e.what();
        return false;
    }
    state = std::move(copy);
    return true;
}

bool LoadStateFile(const std::string& path, StateFile& state, bool& existed, std::string& error) {
    existed = false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT) return true;
        error = "cannot read state file " + path + ": " + std::strerror(errno);
        return false;
    }
    existed = true;
    std::string text;
    char buf[65536];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        text.append(buf, n);
        if (text.size() > (64u << 20)) break;  // far larger than any state file
    }
    bool read_error = std::ferror(f) != 0;
    std::fclose(f);
    if (read_error) {
        error = "cannot read state file " + path;
        return false;
    }
    if (!StateFromJson(text, state, error)) {
        error = "state file " + path + ": " + error;
        return false;
    }
    return true;
}

bool SaveStateFile(const std::string& path, const StateFile& state, std::string& error) {
    std::string tmp = path + ".tmp";
    std::string text = StateToJson(state);
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        error = "cannot write state file " + tmp + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = "cannot write state file " + path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace tvxsim
