#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace lcdd {

// A TCP connection that never blocks, and a way for another thread to cut
// the owner's wait short. Errors come back as text for the log.
class LineSocket {
public:
    using Clock = std::chrono::steady_clock;

    LineSocket();
    ~LineSocket();
    LineSocket(const LineSocket&) = delete;
    LineSocket& operator=(const LineSocket&) = delete;

    // Resolves `host` and connects, giving up at `deadline` or on Interrupt.
    bool Connect(const std::string& host, std::uint16_t port, Clock::time_point deadline, std::string& error);
    void Close();
    bool IsOpen() const { return fd_ != kNone; }

    // Sends what the socket takes now: the number of bytes taken, or -1.
    long Send(const char* data, std::size_t size, std::string& error);
    // Appends what has arrived to `in`, at most kMostRead bytes, so that a
    // server that never stops sending cannot keep the caller here; false
    // when the server closed or failed (what came before is appended).
    static constexpr std::size_t kMostRead = 64 * 1024;
    bool Receive(std::string& in, std::string& error);
    // What a Wait waits for, besides a hang-up or an error, Wake and its
    // deadline. Hangup alone lets answers the caller has no use for yet stay
    // unread without waking it; where poll cannot tell (Winsock), they wake.
    enum class Event { Data, Room, Hangup };
    // Deadline Clock::time_point::max() for none. True when the connection
    // is ready.
    bool Wait(Event event, Clock::time_point deadline);
    // Ends the current or next Wait early; safe from any thread.
    void Wake();
    // Wakes, and makes Connect give up until Resume; safe from any thread.
    void Interrupt();
    void Resume() { interrupted_ = false; }
    bool Interrupted() const { return interrupted_; }

private:
#ifdef _WIN32
    using Handle = std::uintptr_t; // SOCKET
    static constexpr Handle kNone = ~Handle{0};
#else
    using Handle = int;
    static constexpr Handle kNone = -1;
#endif
    void OpenWaker();

    Handle fd_ = kNone;
    Handle waker_ = kNone; // set once, before any other thread can call Wake
    std::atomic<bool> interrupted_{false};
};

} // namespace lcdd
