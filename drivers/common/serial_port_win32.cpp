#include <windows.h>

#include <chrono>
#include <thread>

#include "drivers/common/serial_port.h"

namespace panelcore {
namespace {

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

bool SerialPort::Open(std::string& reason)
{
    Close();
    // "COM10" and up only open as "\\.\COM10"; the prefix suits all.
    const std::string device = path_.rfind("\\\\.\\", 0) == 0 ? path_ : "\\\\.\\" + path_;
    HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              overlapped_ ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        reason = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? "does not exist"
                 : error == ERROR_ACCESS_DENIED ? "is busy (another program has it open)"
                                                : "cannot be opened (error " + std::to_string(error) + ")";
        return false;
    }
    DCB mode{};
    mode.DCBlength = sizeof mode;
    if (!GetCommState(port, &mode)) {
        reason = "is not a serial port";
        CloseHandle(port);
        return false;
    }
    mode.BaudRate = baud_;
    mode.ByteSize = 8;
    mode.Parity = NOPARITY;
    mode.StopBits = ONESTOPBIT;
    mode.fBinary = TRUE;
    mode.fParity = FALSE;
    mode.fOutxCtsFlow = handshake_ ? TRUE : FALSE;
    mode.fOutxDsrFlow = FALSE;
    mode.fOutX = FALSE;
    mode.fInX = FALSE;
    mode.fDtrControl = DTR_CONTROL_ENABLE;
    mode.fRtsControl = handshake_ ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    // Reads return at once. A write may take as long as its bytes need at
    // this baud rate: some COM drivers complete it only once they have left.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, WriteMsPerByte(baud_), kWriteMarginMs};
    if (!SetCommState(port, &mode) || !SetCommTimeouts(port, &timeouts)) {
        reason = "cannot be set up (error " + std::to_string(GetLastError()) + ")";
        CloseHandle(port);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(port);
    return true;
}

Transport::Sent SerialPort::Send(const std::uint8_t* bytes, std::size_t count)
{
    if (handle_ == -1)
        return Sent::Lost;
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), bytes, static_cast<DWORD>(count), &written, nullptr))
        return GetLastError() == ERROR_TIMEOUT ? Sent::Stalled : Sent::Lost; // unplugged: access denied, bad command
    return written == count ? Sent::All : Sent::Stalled;
}

std::size_t SerialPort::Receive(std::uint8_t* bytes, std::size_t capacity)
{
    DWORD got = 0;
    if (handle_ == -1 || !ReadFile(AsHandle(handle_), bytes, static_cast<DWORD>(capacity), &got, nullptr))
        return 0;
    return got;
}

void SerialPort::Drain()
{
    if (handle_ == -1)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainTimeoutMs);
    DWORD errors = 0;
    COMSTAT status{};
    while (ClearCommError(AsHandle(handle_), &errors, &status) && status.cbOutQue > 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

std::uint32_t SerialPort::WriteTimeoutFor(std::size_t count) const
{
    COMMTIMEOUTS timeouts{};
    if (handle_ == -1 || !GetCommTimeouts(AsHandle(handle_), &timeouts))
        return 0;
    return timeouts.WriteTotalTimeoutConstant + timeouts.WriteTotalTimeoutMultiplier * static_cast<DWORD>(count);
}

void SerialPort::Close()
{
    if (handle_ != -1)
        CloseHandle(AsHandle(handle_));
    handle_ = -1;
}

std::vector<std::string> ListSerialPorts()
{
    std::vector<std::string> ports;
    char target[512];
    for (int n = 1; n <= 255; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (QueryDosDeviceA(name.c_str(), target, sizeof target) != 0)
            ports.push_back(name);
    }
    return ports;
}

} // namespace panelcore
