#include "model/socket_state.h"

namespace tvx {

void ResetClientSlots(SocketLinkState& state) {
    for (ClientSlot& slot : state.client_slots) slot = ClientSlot{};
    state.client_slots[0].in_use = 1;
    state.refused_for_lack_of_slots = 0;
    for (RepeatedLinkEvent& e : state.repeated) e = RepeatedLinkEvent{};
    for (DroppedBytes& d : state.dropped) d = DroppedBytes{};
}

int FindClientSlot(const SocketLinkState& state, std::uintptr_t socket) {
    for (int i = 0; i < kClientSlotCount; ++i) {
        if (state.client_slots[i].socket == socket) return i;
    }
    return 0;
}

}  // namespace tvx
