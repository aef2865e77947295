// The allowed hosts of the remote interface, which may also guard the TCP/IP server role:
// addresses and a.b.c.d/n subnets. This PC (127.0.0.0/8) is always an allowed host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tvx {

// One entry of the allowed hosts: an address and the length of its network part (32 for one
// host).
struct HostRule {
    std::uint32_t address = 0;
    int prefix = 32;
};

// A dotted IPv4 address ("192.168.1.5", each part 0..255 without a sign); false otherwise.
bool ParseIpv4(std::string_view text, std::uint32_t& address);
// "192.168.1.5, 10.0.0.0/8": entries separated by commas (blanks around them ignored, empty
// entries skipped). False with problem naming the first entry that is no address or subnet.
bool ParseAllowedHosts(std::string_view text, std::vector<HostRule>& rules, std::string& problem);
// The list written back in its usual form: "192.168.1.5, 10.0.0.0/8".
std::string AllowedHostsText(const std::vector<HostRule>& rules);
// True for this PC (127.0.0.0/8) and for an address inside one of the rules; an IPv4 address
// given in IPv6 form ("::ffff:192.168.1.5") counts as itself. Anything else is refused.
bool HostAllowed(const std::vector<HostRule>& rules, std::string_view peer);
bool IsLoopbackPeer(std::string_view peer);
// The text without the blanks (spaces, tabs) around it.
std::string_view TrimBlanks(std::string_view text);

}  // namespace tvx
