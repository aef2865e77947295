// The simulator's side of the line: any bytes cut into frames, each classified and carried out
// by two devices on the line. Replies must be whole lines, and the devices' state must stay
// what a device can hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_checks.h"
#include "sim_device.h"
#include "sim_line.h"

namespace {

using tvx::fuzz::Require;

TVX_FUZZ_CHECK void CheckDevice(const tvxsim::SimDevice& d) {
    for (int p = 0; p < tvxsim::kPositions; ++p) {
        for (int k = 0; k < tvxsim::kPages; ++k) {
            Require(d.page_display_on[p][k] <= 1, "display flag");
            Require(d.page_switch_seconds[p][k] <= 99, "switch seconds");
            Require(d.page_title_number[p][k] < tvxsim::kTitles, "title number");
        }
        Require(d.display_page[p] >= 0 && d.display_page[p] <= tvxsim::kAutoPage, "page");
        Require(d.startup_page[p] >= 0 && d.startup_page[p] <= tvxsim::kAutoPage, "startup");
        Require(d.position_offset[p] >= 0 && d.position_offset[p] <= 15, "offset");
    }
    Require(d.white_level >= 0 && d.white_level <= 3, "white level");
    Require(d.edge_level >= 0 && d.edge_level <= 3, "edge level");
    Require(d.address >= 0 && d.address <= tvxsim::kMaxAddress, "address");
    Require(d.net_subnet_class >= 'A' && d.net_subnet_class <= 'C', "subnet");
    Require(d.net_time_register >= '1' && d.net_time_register <= '6', "time register");
    Require(d.net_port[5] == '\0' && d.net_mac[17] == '\0' && d.net_version[4] == '\0',
            "texts terminated");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two devices at their factory state, copied from a pair made once (a reset costs more
    // than most inputs).
    static const std::vector<tvxsim::SimDevice> pristine = [] {
        std::vector<tvxsim::SimDevice> d(2);
        tvxsim::ResetDevice(d[0], 0, 0);
        tvxsim::ResetDevice(d[1], 3, 1);
        return d;
    }();
    static tvxsim::SimDevice first, second;
    first = pristine[0];
    second = pristine[1];
    std::vector<tvxsim::SimDevice*> devices = {&first, &second};
    tvxsim::LineAssembler line;
    tvxsim::AssembledInput input;
    tvxsim::FeedBytes(line, reinterpret_cast<const char*>(data), size, size % 2 == 0, input);
    Require(line.pending.size() <= tvxsim::kMaxLineBytes, "pending line bounded");
    for (const std::string& frame : input.frames) {
        Require(!frame.empty() && frame.back() == '\n', "a frame ends with its line feed");
        tvxsim::FrameResult r = tvxsim::HandleFrame(devices, frame, nullptr, false);
        if (!r.reply.empty()) {
            Require(r.reply.size() >= 2 && r.reply.compare(r.reply.size() - 2, 2, "\r\n") == 0,
                    "a reply is a whole line");
        }
        CheckDevice(first);
        CheckDevice(second);
    }
    return 0;
}
