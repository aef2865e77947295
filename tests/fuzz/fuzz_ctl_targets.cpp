// The companion's own text parsing: the address list, HOST[:PORT], dotted addresses and the
// per-device file names a pull writes. Whatever the text, what is accepted is in range, each
// address comes once, and a device's label cannot reach outside the folder of the file named.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_checks.h"
#include "targets.h"

using tvx::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;

    std::vector<int> addresses;
    if (tvxctl::ParseAddressList(text, addresses, error)) {
        std::set<int> seen;
        for (int a : addresses) {
            Require(a >= 0 && a <= 31, "address in 0..31");
            Require(seen.insert(a).second, "each address once");
        }
    } else {
        Require(!error.empty() && error.find('\n') == std::string::npos, "one-line reason");
    }

    std::string host;
    int port = 0;
    if (tvxctl::ParseHostPort(text, host, port, error)) {
        Require(port >= 1 && port <= 65535, "port in 1..65535");
        Require(!host.empty(), "a host");
    }

    int octets[4];
    if (tvxctl::ParseDottedAddress(text, octets)) {
        for (int o : octets) Require(o >= 0 && o <= 255, "octet in 0..255");
    }

    const std::string label = tvxctl::FileLabel(text);
    Require(label.find('/') == std::string::npos && label.find('\\') == std::string::npos,
            "a label holds no folder separator");
    const std::string name = tvxctl::DeviceFileName("backup/show.dat", text, true);
    Require(name.rfind("backup/", 0) == 0 &&
                name.find('/', 7) == std::string::npos && name.find('\\') == std::string::npos,
            "a device's file stays in the folder of the file named");
    return 0;
}
