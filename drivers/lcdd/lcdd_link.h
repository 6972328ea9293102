#pragma once

// The connection to an LCDd server: TCP, the "hello" handshake, what the
// server says (its complaints are logged, the rest is dropped) and sends in
// pieces that LCDd reads whole.
#include <optional>
#include <string>

#include "drivers/charpanel/char_panel.h"
#include "drivers/common/tcp_transport.h"
#include "drivers/lcdd/lcdd_protocol.h"

namespace lcdd {

class LcddLink : public panelcore::TcpTransport {
public:
    LcddLink(std::string host, std::uint16_t port);

    // Before the supervisor starts: connects and reads the greeting, for the
    // panel's size. The supervisor's first Open takes its outcome.
    std::optional<Greeting> Connect();
    bool Open(std::string& reason) override;
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    // The current connection's greeting (the worker's, once it runs).
    const Greeting& Greeted() const { return greeting_; }
    // "the server at 127.0.0.1:13666"
    std::string Where() const { return where_; }

private:
    bool Hello(std::string& reason);
    void Heard(const std::uint8_t* bytes, std::size_t count) override;

    const std::string where_;
    std::optional<std::string> connectFailed_; // Connect's reason, for the first Open
    bool connected_ = false;                   // by Connect, for the first Open
    Greeting greeting_;
    std::optional<charpanel::Geometry> size_; // the first greeting's, which the panel keeps
    LineSplitter lines_;
    Complaints complaints_;
};

} // namespace lcdd
