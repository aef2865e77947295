// The driver: opens the serial port, connects to the hosts or waits for devices to connect, and
// runs each device's session over Asio in one event loop. Devices on one line (the serial port,
// or one TCP connection) are served one after the other; the lines run side by side. The pace
// is the device's (the next step as soon as the reply is there) or the program's (its periods).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session.h"

namespace boost::asio {
template <typename Executor>
class basic_serial_port;
class any_io_executor;
using serial_port = basic_serial_port<any_io_executor>;
}  // namespace boost::asio
namespace boost::system {
class error_code;
}

namespace tvxctl {

struct Targets {
    std::string serial_port;        // "COM1", "/dev/ttyUSB0"
    std::vector<int> addresses{0};  // on each line, in this order
    bool broadcast = false;         // one frame for every device of the serial line
    std::vector<std::string> tcp;   // "HOST[:PORT]", each a line of its own
    int listen_port = 0;            // 0 = not listening
    int expect = 0;                 // devices to wait for
    int wait_seconds = 60;          // how long to wait for them
    std::string output_file;        // pull: the file named on the command line
};

// How long a device may take to answer one command before it counts as silent.
constexpr int kSerialReplyLimitMs = 3500;
constexpr int kTcpReplyLimitMs = 5000;
// How long a connection to a device may take to come up.
constexpr int kConnectLimitMs = 5000;

// Called about five times a second while devices run, and once at the end (final).
using ProgressDraw =
    std::function<void(const std::vector<const DeviceSession*>& sessions, bool final)>;

// Runs the job on every device; one result per device in the order of the targets (devices
// that connected themselves in the order they came, those that never came last). Ctrl+C,
// Ctrl+Break, SIGTERM and the console or terminal window's close end each device where it is
// (as failed, "interrupted"); *interrupted then tells so.
// Opens the port at 9600 baud, 8 bits, even parity (a pty that takes none goes on without it),
// one stop bit, XON/XOFF; false with the reason.
bool OpenDeviceSerialPort(boost::asio::serial_port& serial, const std::string& port,
                          std::string& error);
// The system's words for an error of Asio.
std::string ErrorReason(const boost::system::error_code& ec);

std::vector<DeviceResult> RunJob(const Targets& targets, const Job& job, const ProgressDraw& draw,
                                 bool* interrupted = nullptr);

}  // namespace tvxctl
