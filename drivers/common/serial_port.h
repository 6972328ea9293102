#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drivers/common/transport.h"

namespace panelcore {

// A serial port (COM3 on Windows; /dev/ttyUSB0, /dev/ttyACM0,
// /dev/serial/by-id/... elsewhere) opened 8N1 without flow control,
// exclusively. A write waits for a device that stops reading only as long
// as its bytes take at the baud rate, with margin (WriteTimeoutMs), then
// reports it stalled.
class SerialPort : public Transport {
public:
    static constexpr std::uint32_t kDrainTimeoutMs = 1000;

    // `handshake`: RTS/CTS flow control, for devices that pace the host with it.
    SerialPort(std::string path, std::uint32_t baud, bool handshake = false)
        : path_(std::move(path)), baud_(baud), handshake_(handshake)
    {
    }
    ~SerialPort() override { Close(); }

    bool Open(std::string& reason) override;
    Sent Send(const std::uint8_t* bytes, std::size_t count) override;
    std::size_t Receive(std::uint8_t* bytes, std::size_t capacity) override;
    void Drain() override;
    void Close() override;
    // How long a write of `count` bytes may take on the open port, as the
    // system was told (0 when closed).
    std::uint32_t WriteTimeoutFor(std::size_t count) const;

protected:
    std::intptr_t Handle() const { return handle_; }
    // Windows: open for overlapped I/O, for a subclass that does its own
    // reads and writes (SerialPort's own Send and Receive then do not work).
    bool overlapped_ = false;

private:
    std::string path_;
    std::uint32_t baud_;
    bool handshake_;
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
};

// A byte is ten bits on the wire (8N1). Backpacks are given three times
// that, since many pass bytes on to the panel more slowly than they take
// them, plus a fixed margin for the USB round trip.
constexpr std::uint32_t kWriteMarginMs = 100;
constexpr std::uint32_t WriteMsPerByte(std::uint32_t baud)
{
    return (3 * 10 * 1000 + baud - 1) / baud;
}
constexpr std::uint32_t WriteTimeoutMs(std::uint32_t baud, std::size_t count)
{
    return kWriteMarginMs + static_cast<std::uint32_t>(count) * WriteMsPerByte(baud);
}

// The serial ports present, most recognisable names first.
std::vector<std::string> ListSerialPorts();

} // namespace panelcore
