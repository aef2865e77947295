// The devices a command reaches: slave addresses on a line, hosts to connect to, and the names
// that tell them apart in the report and in the files a pull writes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tvxctl {

constexpr int kDefaultTcpPort = 9004;
constexpr int kBroadcast = 32;  // the broadcast address, "FF" on the wire

// "0-3,7" to {0, 1, 2, 3, 7}: addresses 0..31, single or as ascending ranges, in the order
// given, each at most once. False with a one-line reason otherwise.
bool ParseAddressList(std::string_view text, std::vector<int>& out, std::string& error);

// "HOST", "HOST:PORT", "[IPV6]" or "[IPV6]:PORT"; the port defaults to 9004 and must be
// 1..65535.
bool ParseHostPort(std::string_view text, std::string& host, int& port, std::string& error);

// "A.B.C.D" to four octets; false unless there are exactly four numbers of 0..255.
bool ParseDottedAddress(std::string_view text, int (&octets)[4]);

// A device's own piece of a file name: "#" (host and address) becomes "-", and characters that
// a file name cannot hold become "_".
std::string FileLabel(std::string_view label);

// The file a pull writes for one device: the file named on the command line itself for a
// single device, otherwise its stem, "-", the device's label and its extension
// ("backup.dat" and "03" give "backup-03.dat").
std::string DeviceFileName(const std::string& file, std::string_view label, bool several);

// Labels of the hosts of several devices that must differ: the host alone while no other
// device has the same host, otherwise "host:port".
std::vector<std::string> HostLabels(const std::vector<std::string>& hosts,
                                    const std::vector<int>& ports);

}  // namespace tvxctl
