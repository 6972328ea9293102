#include "drivers/lcdd/lcdd_link.h"

#include <chrono>

#include "plugin/api/glancer_plugin.hpp"

namespace lcdd {

namespace {

constexpr std::chrono::seconds kHandshakeWait{2};
constexpr std::chrono::seconds kStallLimit{10}; // a server that takes nothing this long is gone

std::string SizeText(const charpanel::Geometry& size)
{
    return std::to_string(size.columns) + " x " + std::to_string(size.rows);
}

} // namespace

LcddLink::LcddLink(std::string host, std::uint16_t port)
    : TcpTransport(host, port, kHandshakeWait, kStallLimit),
      where_("the server at " + host + ":" + std::to_string(port))
{
}

std::optional<Greeting> LcddLink::Connect()
{
    std::string reason;
    connected_ = TcpTransport::Open(reason) && Hello(reason);
    if (!connected_) {
        connectFailed_ = reason;
        return std::nullopt;
    }
    glancer::Log("LCDd: connected to " + where_ + ", showing " + SizeText(*size_));
    return greeting_;
}

bool LcddLink::Open(std::string& reason)
{
    if (std::exchange(connected_, false))
        return true;
    if (connectFailed_) {
        reason = *std::exchange(connectFailed_, std::nullopt);
        return false;
    }
    if (!TcpTransport::Open(reason))
        return false;
    if (Hello(reason))
        return true;
    Close();
    return false;
}

// Within the connect timeout: says hello and reads the greeting. What
// follows it in the same read is heard as usual.
bool LcddLink::Hello(std::string& reason)
{
    const auto deadline = Clock::now() + ConnectTimeout();
    static const char kHello[] = "hello\n";
    lines_.Clear();
    std::optional<std::string> first;
    bool asked = SendAll(reinterpret_cast<const std::uint8_t*>(kHello), sizeof kHello - 1) == Sent::All;
    std::uint8_t buffer[4096];
    // A server that sends without end is cut off at the deadline too.
    while (asked && !first && !Interrupted() && Clock::now() < deadline) {
        const std::size_t got = Receive(buffer, sizeof buffer);
        if (got == 0) {
            asked = LostWhy().empty() && AwaitData(deadline);
            continue;
        }
        lines_.Feed(std::string_view(reinterpret_cast<const char*>(buffer), got), [&](std::string_view line) {
            if (!first)
                first.emplace(line);
            else if (auto complaint = complaints_.Take(line))
                glancer::Log(*complaint);
        });
    }
    if (!first) {
        const std::string why = !LostWhy().empty() ? LostWhy() : Interrupted() ? "stopped" : "timed out";
        reason = "sent no greeting (" + why + ")";
        return false;
    }
    const std::optional<Greeting> greeting = ParseGreeting(*first);
    if (!greeting) {
        reason = "answered \"" + Printable(*first) + "\" to hello";
        return false;
    }
    greeting_ = *greeting;
    const charpanel::Geometry size{greeting->columns, greeting->rows};
    if (!size_)
        size_ = size;
    else if (size.columns != size_->columns || size.rows != size_->rows)
        glancer::Log("LCDd: the server's panel is now " + SizeText(size) + "; Glancer keeps " + SizeText(*size_) +
                     " until it starts again");
    return true;
}

// LCDd reads a client in blocks and drops a command line split across two
// of them: the batch goes in pieces of whole lines (see NextPiece).
LcddLink::Sent LcddLink::Send(const std::uint8_t* bytes, std::size_t count)
{
    Read();
    std::string_view rest(reinterpret_cast<const char*>(bytes), count);
    if (rest.empty())
        return SendAll(bytes, 0); // tells whether the server is still there
    while (!rest.empty()) {
        const std::size_t piece = NextPiece(rest);
        const Sent sent = SendAll(reinterpret_cast<const std::uint8_t*>(rest.data()), piece);
        if (sent != Sent::All)
            return sent;
        rest.remove_prefix(piece);
    }
    return Sent::All;
}

// success, listen, ignore, key and menu events need nothing from us.
void LcddLink::Heard(const std::uint8_t* bytes, std::size_t count)
{
    lines_.Feed(std::string_view(reinterpret_cast<const char*>(bytes), count), [this](std::string_view line) {
        if (auto complaint = complaints_.Take(line))
            glancer::Log(*complaint);
    });
}

} // namespace lcdd
