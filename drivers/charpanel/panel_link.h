#pragma once

// A character panel reached through a transport that can fail: a serial
// port, an I2C bus. Keeps the panel's picture whatever happens to the
// device and serialises the driver's calls with its own retry thread.
//
//  - Every call sends its bytes at once, through Transport::Send, which
//    gives up after a short bounded time, so a refresh never waits longer.
//  - Lost (unplugged, I/O error): one log line, the device is closed, and a
//    thread tries to open it again every few seconds; once it is back it is
//    initialised and shown the whole picture. While the device is well, that
//    thread sleeps until a send fails.
//  - Stalled (the device stopped reading): one log line, output is dropped
//    until a full redraw goes through again, tried by the same thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "drivers/charpanel/char_panel.h"
#include "drivers/charpanel/device.h"

namespace charpanel {

class Transport {
public:
    enum class Sent { All, Stalled, Lost };
    virtual ~Transport() = default;
    // False with a reason for the log ("is busy", "is not a serial port").
    virtual bool Open(std::string& reason) = 0;
    virtual Sent Send(const std::uint8_t* bytes, std::size_t count) = 0;
    // Waits a bounded time for what was sent to leave (before closing).
    virtual void Drain() {}
    virtual void Close() = 0;
};

class PanelLink : public ByteSink {
public:
    // `name` starts every log line ("Serial LCD"); `where` names the device
    // in them ("/dev/ttyUSB0").
    PanelLink(Transport& transport, std::string name, std::string where,
              std::chrono::milliseconds retryPeriod = std::chrono::seconds(2));
    ~PanelLink() override;
    PanelLink(const PanelLink&) = delete;
    PanelLink& operator=(const PanelLink&) = delete;

    // Opens the device and shows a blank panel (or logs and retries later).
    void Start(Geometry geometry, Device& device);
    // Sends what is pending, waits for it to leave, closes. Idempotent.
    void Stop();

    DisplayInfo Info() const;
    void Clear();
    void WriteText(const char* text, std::uint32_t column, std::uint32_t row);
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height);

    // ByteSink, for the device.
    void Put(const std::uint8_t* bytes, std::size_t count) override;
    void Wait(std::uint32_t microseconds) override;

private:
    enum class State { Closed, Open, Stalled, Lost };

    void Flush();             // with the lock held
    bool TryOpen(bool quiet); // with the lock held
    void Retry();

    Transport& transport_;
    const std::string name_;
    const std::string where_;
    const std::chrono::milliseconds retryPeriod_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<CharPanel> panel_;
    std::vector<std::uint8_t> pending_;
    State state_ = State::Closed;
    bool stopping_ = false;
    bool toldWide_ = false;
    bool retrying_ = false;
    std::thread retry_;
};

} // namespace charpanel
