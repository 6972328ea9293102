#pragma once

// How a panel's bytes travel: a serial port, an I2C bus, a TCP connection,
// or memory in tests. Open and Close may be called again and again as the
// device comes and goes; only the supervisor's worker thread calls these.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace panelcore {

class Transport {
public:
    enum class Sent { All, Stalled, Lost };
    virtual ~Transport() = default;
    // False with a reason for the log ("does not exist", "is busy").
    virtual bool Open(std::string& reason) = 0;
    // Gives up after a bounded time: Stalled when the device stopped
    // reading, Lost when it went away (and must be opened again).
    virtual Sent Send(const std::uint8_t* bytes, std::size_t count) = 0;
    // What the device sent, without waiting: the count read, 0 when none.
    virtual std::size_t Receive(std::uint8_t* /*bytes*/, std::size_t /*capacity*/) { return 0; }
    // Waits a bounded time for what was sent to leave (before closing).
    virtual void Drain() {}
    virtual void Close() = 0;
    // Why the device was Lost, for the log; empty when there is nothing to add.
    virtual std::string LostWhy() const { return {}; }

    // A transport that can tell when an idle device needs attention (a
    // connection that hangs up) lets the worker wait in WaitForDevice rather
    // than on its own: true when the device did something, false at `until`
    // or on Wake. Wake is safe from any thread; a Wake before the wait ends
    // the next one.
    virtual bool Watches() const { return false; }
    virtual bool WaitForDevice(std::chrono::steady_clock::time_point /*until*/) { return false; }
    virtual void Wake() {}
    // After WaitForDevice said the device did something: takes in what it
    // sent; Lost when it went away.
    virtual Sent Attend() { return Sent::All; }
    // From Stop, on any thread: Open gives up and waits end soon, for good.
    virtual void Interrupt() {}
};

} // namespace panelcore
