#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drivers/charpanel/panel_link.h"

namespace seriallcd {

// A serial port (COM3 on Windows; /dev/ttyUSB0, /dev/ttyACM0,
// /dev/serial/by-id/... elsewhere) opened 8N1 without flow control,
// exclusively. Writes wait at most kWriteTimeoutMs for a device that stops
// reading, then report it stalled.
class SerialPort : public charpanel::Transport {
public:
    static constexpr std::uint32_t kWriteTimeoutMs = 100;
    static constexpr std::uint32_t kDrainTimeoutMs = 1000;

    SerialPort(std::string path, std::uint32_t baud) : path_(std::move(path)), baud_(baud) {}
    ~SerialPort() override { Close(); }

    bool Open(std::string& reason) override;
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    void Drain() override;
    void Close() override;

private:
    std::string path_;
    std::uint32_t baud_;
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
};

// The serial ports present, most recognisable names first.
std::vector<std::string> ListSerialPorts();

} // namespace seriallcd
