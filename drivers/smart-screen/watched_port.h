#pragma once

// The smart screen's serial port. It notices a hang-up (the screen
// unplugged, the machine resumed without it) while nothing is being
// written: a thread waits on the port and wakes only when it goes (POSIX:
// poll() for a hang-up; Windows: a read that fails), then asks for a
// round, whose empty send reports the port lost. While all is well it
// costs no wake-ups.
//
// A screen that takes nothing for kStallMs is stalled; what it did not take
// of the last write is kept and goes first once it reads again, so that a
// command cut off in the middle is finished and the screen stays in step.
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "drivers/common/serial_port.h"

namespace smartscreen {

class WatchedPort : public panelcore::SerialPort {
public:
    static constexpr int kStallMs = 1000;

    WatchedPort(std::string path, std::uint32_t baud, bool handshake);
    ~WatchedPort() override;

    // How to ask for a round: true once asked, false when it cannot be
    // asked just now (it is asked again shortly).
    void SetWake(std::function<bool()> wake);

    bool Open(std::string& reason) override;
    // An empty send only tells whether the port hung up.
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    // Writes what the port takes at once (Windows: nothing) and keeps the
    // rest for the next Send; true when all went.
    bool SendNow(const std::uint8_t* bytes, std::size_t count);
    std::size_t Receive(std::uint8_t* bytes, std::size_t capacity) override;
    void Close() override;

private:
    // Per system: writes until all is taken, nothing is taken for kStallMs,
    // or the port goes; `written` counts what was taken.
    Sent Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written);
    // Per system: what the port takes of `bytes` without waiting.
    std::size_t WriteNow(const std::uint8_t* bytes, std::size_t count);
    bool HungUp();
    void StartWatch();
    void StopWatch();
    void Watch(std::intptr_t port, std::intptr_t stop);
    // From the watcher once the port went: asks for a round until it is
    // asked or the watcher is told to stop.
    void WakeUntilAsked(std::intptr_t stop);
    // Per system: waits up to `ms` for the watcher's stop; true when told.
    static bool StopWaiting(std::intptr_t stop, int ms);

    std::mutex mutex_;
    std::function<bool()> wake_; // guarded by mutex_
    std::thread watcher_;
    std::vector<std::uint8_t> rest_; // the worker's own: what a stalled screen did not take
#ifdef _WIN32
    std::intptr_t stop_ = 0;            // an event that ends the watcher
    std::intptr_t written_ = 0;         // the writes' event
    std::vector<std::uint8_t> received_; // guarded by mutex_: what the watcher read
    bool lost_ = false;                  // guarded by mutex_
#else
    int stop_[2] = {-1, -1}; // a pipe; writing to it ends the watcher
#endif
};

} // namespace smartscreen
