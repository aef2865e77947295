// One communication line (a serial port or one TCP connection) with the
// simulated devices that listen on it: cutting the received byte stream into
// frames, and deciding which device carries a frame out and who answers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sim_device.h"

namespace tvxsim {

constexpr size_t kMaxLineBytes = 4096;

// Collects received bytes into lines ending in LF. A line that grows past
// kMaxLineBytes without a line feed is thrown away up to the next LF, so a
// peer that never ends its line cannot make the buffer grow.
struct LineAssembler {
    std::string pending;
    bool discarding = false;
};

struct AssembledInput {
    std::vector<std::string> frames;  // complete lines, each with its LF
    std::vector<std::string> events;  // e.g. "line too long"
};

// `drop_flow_control` removes XON (0x11) and XOFF (0x13): on the serial line
// they belong to the flow control, not to the data.
void FeedBytes(LineAssembler& line, const char* data, size_t size, bool drop_flow_control,
               AssembledInput& out);

enum class FrameKind { kAddressed, kBroadcast, kBare, kEmpty };

struct FrameView {
    FrameKind kind = FrameKind::kEmpty;
    int address = -1;          // for kAddressed
    std::string prefix;        // "00".."31", "FF" or "" (bare)
    std::string_view command;  // the text after the prefix, without CR LF
    bool has_cr = false;       // the line ended in CR LF, not in a lone LF
};

// A frame is addressed when its first two characters are a two-digit decimal
// address 00..31, broadcast when they are "FF", and bare otherwise ("CWL1" is
// bare, "00CWL1" is addressed to 00). A line holding nothing but its line end
// is kEmpty.
FrameView ClassifyFrame(std::string_view frame);

// What a line does with one frame. `injected` replaces the reply of the
// device that would answer (E0..E3, MENU) and keeps that device from carrying
// the command out; `silent` means the devices have stopped responding: nothing
// is carried out and nothing is answered.
struct FrameResult {
    FrameView view;
    std::string reply;          // complete reply bytes (prefix, text, CR LF) or empty
    std::string reply_address;  // log address of the reply: prefix or "" when bare
    std::vector<std::string> events;
    bool injected_used = false;
};

// Devices on the line, in line order; the first is the one that answers bare
// frames. Several devices may share an address (after SA): all of them carry
// the frame out and only the first of them answers.
FrameResult HandleFrame(std::vector<SimDevice*>& devices, std::string_view frame,
                        const char* injected, bool silent);

// Two-digit text of an address 0..31.
std::string AddressText(int address);

}  // namespace tvxsim
