#include "sim_line.h"

namespace tvxsim {

void FeedBytes(LineAssembler& line, const char* data, size_t size, bool drop_flow_control,
               AssembledInput& out) {
    for (size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (drop_flow_control && (c == 0x11 || c == 0x13)) continue;
        if (line.discarding) {
            if (c == '\n') line.discarding = false;
            continue;
        }
        line.pending += c;
        if (c == '\n') {
            out.frames.push_back(std::move(line.pending));
            line.pending.clear();
        } else if (line.pending.size() >= kMaxLineBytes) {
            line.pending.clear();
            line.pending.shrink_to_fit();
            line.discarding = true;
            out.events.push_back("line too long: discarded up to the next line feed");
        }
    }
}

FrameView ClassifyFrame(std::string_view frame) {
    FrameView v;
    std::string_view text = frame;
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
        v.has_cr = true;
    }
    if (text.empty()) return v;  // kEmpty
    if (text.size() >= 2 && text[0] == 'F' && text[1] == 'F') {
        v.kind = FrameKind::kBroadcast;
        v.prefix = "FF";
        v.command = text.substr(2);
        return v;
    }
    if (text.size() >= 2 && text[0] >= '0' && text[0] <= '9' && text[1] >= '0' && text[1] <= '9') {
        int a = (text[0] - '0') * 10 + (text[1] - '0');
        if (a <= kMaxAddress) {
            v.kind = FrameKind::kAddressed;
            v.address = a;
            v.prefix = std::string(text.substr(0, 2));
            v.command = text.substr(2);
            return v;
        }
    }
    v.kind = FrameKind::kBare;
    v.command = text;
    return v;
}

std::string AddressText(int address) {
    std::string s(2, '0');
    s[0] = static_cast<char>('0' + (address / 10) % 10);
    s[1] = static_cast<char>('0' + address % 10);
    return s;
}

namespace {

// Runs the command on one device; notes an address change as an event.
std::string Carry(SimDevice& dev, const FrameView& v, std::vector<std::string>& events) {
    if (!v.has_cr) return "E3";  // every command ends in CR LF
    int before = dev.address;
    std::string reply = ExecuteCommand(dev, v.command);
    if (dev.address != before)
        events.push_back("slave address " + AddressText(before) + " -> " +
                         AddressText(dev.address));
    return reply;
}

}  // namespace

FrameResult HandleFrame(std::vector<SimDevice*>& devices, std::string_view frame,
                        const char* injected, bool silent) {
    FrameResult r;
    r.view = ClassifyFrame(frame);
    const FrameView& v = r.view;
    if (v.kind == FrameKind::kEmpty) {
        r.events.push_back("empty line ignored");
        return r;
    }
    if (silent) {
        r.events.push_back("silent: frame not answered");
        return r;
    }

    if (v.kind == FrameKind::kBroadcast) {
        // Carried out by every device, answered by none. A broadcast without
        // its CR is malformed and changes nothing.
        if (v.has_cr)
            for (SimDevice* d : devices) Carry(*d, v, r.events);
        return r;
    }

    // The devices that take this frame: every device with the address, or the
    // first device of the line for a bare frame.
    std::vector<SimDevice*> targets;
    if (v.kind == FrameKind::kBare) {
        if (!devices.empty()) targets.push_back(devices.front());
    } else {
        for (SimDevice* d : devices)
            if (d->address == v.address) targets.push_back(d);
    }
    if (targets.empty()) return r;  // not for us

    std::string text;
    if (injected) {
        text = injected;
        r.injected_used = true;
        // The answering device did not understand the frame; the others sharing
        // its address carried it out.
        for (size_t i = 1; i < targets.size(); ++i) Carry(*targets[i], v, r.events);
    } else {
        // Addresses may change during Carry (SA), so every target is collected
        // first; the first of them answers.
        text = Carry(*targets[0], v, r.events);
        for (size_t i = 1; i < targets.size(); ++i) Carry(*targets[i], v, r.events);
    }
    r.reply = v.prefix + text + "\r\n";
    r.reply_address = v.prefix;
    return r;
}

}  // namespace tvxsim
