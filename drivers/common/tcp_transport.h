#pragma once

// A TCP connection to a server as a transport (POSIX sockets and Winsock).
// Nothing here blocks for long: connecting gives up after a timeout, a send
// after the server has taken nothing for a while, and Interrupt cuts either
// short. Errors come back as text for the log.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "drivers/common/transport.h"

namespace panelcore {

class TcpTransport : public Transport {
public:
    using Clock = std::chrono::steady_clock;

    TcpTransport(std::string host, std::uint16_t port, std::chrono::milliseconds connectTimeout,
                 std::chrono::milliseconds stallLimit);
    ~TcpTransport() override;
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;

    // Resolves the host and connects, within the connect timeout.
    bool Open(std::string& reason) override;
    // Reads what arrived (see Heard), then sends all.
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    // What has arrived, without waiting; at the end of the connection 0, and
    // the next Send tells it is lost.
    std::size_t Receive(std::uint8_t* bytes, std::size_t capacity) override;
    void Close() override;
    std::string LostWhy() const override { return lostWhy_; }

    // While idle, the worker waits for a hang-up (where poll cannot tell it
    // from data, as on Winsock, for anything that arrives).
    bool Watches() const override { return true; }
    bool WaitForDevice(Clock::time_point until) override { return Wait(Event::Hangup, until); }
    void Wake() override;
    void Interrupt() override;
    // Reads what arrived; Lost at the end of the connection.
    Sent Attend() override;

protected:
    // What the server sent, read before each send and when it wakes the
    // worker: at most kMostRead bytes a time, so that a server that never
    // stops sending cannot hold the worker. Dropped unless overridden.
    static constexpr std::size_t kMostRead = 64 * 1024;
    virtual void Heard(const std::uint8_t* /*bytes*/, std::size_t /*count*/) {}
    void Read();
    // Sends all, waiting for room; Lost once the server has taken nothing
    // for the stall limit (or a second once interrupted), or when a read
    // met the end of the connection.
    Sent SendAll(const std::uint8_t* bytes, std::size_t count);
    // For a protocol's handshake: true once something arrived, false at
    // `deadline` or on Interrupt.
    bool AwaitData(Clock::time_point deadline);
    bool Interrupted() const { return interrupted_; }
    std::chrono::milliseconds ConnectTimeout() const { return connectTimeout_; }

private:
#ifdef _WIN32
    using Handle = std::uintptr_t; // SOCKET
    static constexpr Handle kNone = ~Handle{0};
#else
    using Handle = int;
    static constexpr Handle kNone = -1;
#endif
    enum class Event { Data, Room, Hangup };
    // Besides the event, a hang-up, an error, Wake and the deadline
    // (max(): none) end it; true when the connection is ready.
    bool Wait(Event event, Clock::time_point deadline);
    bool Connect(Clock::time_point deadline, std::string& error);
    void OpenWaker();
    Sent Lost(std::string why);

    const std::string host_;
    const std::uint16_t port_;
    const std::chrono::milliseconds connectTimeout_;
    const std::chrono::milliseconds stallLimit_;
    Handle fd_ = kNone;
    Handle waker_ = kNone; // set once, before any other thread can call Wake
    std::atomic<bool> interrupted_{false};
    std::string lostWhy_;
};

} // namespace panelcore
