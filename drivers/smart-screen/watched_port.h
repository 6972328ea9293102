#pragma once

// A serial port that notices a hang-up (the screen unplugged, the machine
// resumed without it) while nothing is being written: a thread sleeps in
// poll() on the port and wakes only when it hangs up, then asks for a
// round, whose empty send reports the port lost. While all is well it
// costs no wake-ups.
#include <functional>
#include <mutex>
#include <thread>

#include "drivers/common/serial_port.h"

namespace smartscreen {

class WatchedPort : public panelcore::SerialPort {
public:
    using SerialPort::SerialPort;
    ~WatchedPort() override;

    // How to ask for a round: true once asked, false when it cannot be
    // asked just now (it is asked again shortly).
    void SetWake(std::function<bool()> wake);

    bool Open(std::string& reason) override;
    // An empty send only tells whether the port hung up.
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    void Close() override;

private:
    void StopWatch();
    void Watch(int port, int stop);

    std::mutex mutex_;
    std::function<bool()> wake_; // guarded by mutex_
    std::thread watcher_;
    int stop_[2] = {-1, -1}; // a pipe; writing to it ends the watcher
};

} // namespace smartscreen
