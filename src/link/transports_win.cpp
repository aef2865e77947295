/*
 * The program's real transports behind the Link seam: serial writes go to the COM port of
 * serial_win, socket sends and answer waits to the TCP/IP link of socket_win.
 *
 * Owns one stateless object for the process's life. Runs on the user-interface thread.
 */
#include "link/serial_win.h"
#include "link/socket_win.h"
#include "winbase/program_win.h"

namespace tvx {

namespace {

struct TransportLink : Link {
    void WriteSerial(const char* bytes, std::size_t length) override {
        WriteSerialPort(bytes, length);
    }
    bool SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) override {
        return SendSocketFrame(socket, bytes, length);
    }
    bool ReceiveAnswer(std::uintptr_t socket) override {
        return tvx::ReceiveAnswer(ProgramContext(), socket);
    }
};

}  // namespace

Link& ProgramTransports() {
    static TransportLink transports;
    return transports;
}

}  // namespace tvx
