#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "drivers/charpanel/char_panel.h"
#include "drivers/lcdd/lcdd_screen.h"
#include "drivers/lcdd/line_socket.h"
#include "plugin/api/glancer_plugin.h"

namespace lcdd {

struct Endpoint {
    std::string host = "127.0.0.1";
    std::uint16_t port = 13666;
};

// Glancer as a client of an LCDd server. The drawing calls change the
// character panel under a lock and queue the widget commands it makes; a
// thread of the client's own sends them, reads and discards what the server
// says, and when the server is not there or goes away logs one line, tries
// again every `retry` and then sends the whole screen again. The refresh
// never waits for the network, and while nothing changes the thread sleeps
// until something does or the server goes away.
class LcddClient {
public:
    LcddClient(Endpoint endpoint, CoreServices* services, std::chrono::milliseconds retry = std::chrono::seconds(3));
    ~LcddClient(); // Stop
    LcddClient(const LcddClient&) = delete;
    LcddClient& operator=(const LcddClient&) = delete;

    // Connects and takes the panel's size from the server's greeting, waiting
    // at most a couple of seconds; 20 x 4 when there is no server. Then
    // starts the thread, which keeps the connection.
    void Start();
    // Sends what is queued if the server takes it soon, then disconnects.
    void Stop();
    DisplayInfo Info() const;

    // Drawing calls, safe from any thread.
    void Clear();
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y);
    void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height);

private:
    // Connects and reads the greeting, at most a couple of seconds.
    bool Handshake(charpanel::Geometry& size, std::uint32_t& cellHeight);
    // Adds Glancer's screen and queues the whole picture.
    void TakeScreen(std::uint32_t cellHeight);
    template <typename Draw> void Drawing(Draw draw);
    void Run();
    bool Exchange(LineSocket::Clock::time_point flushBy);
    void Heard(const std::string& line);
    void Lost(const std::string& why);
    std::string Where() const;
    std::string Every() const;
    void Log(const std::string& text) const;

    const Endpoint endpoint_;
    CoreServices* const services_;
    const std::chrono::milliseconds retry_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<LcddScreen> screen_; // guarded by mutex_, as is all the panel does
    std::unique_ptr<charpanel::CharPanel> panel_;
    std::string queued_;     // guarded by mutex_: commands not yet taken by the thread
    bool stopping_ = false;  // guarded by mutex_
    bool cutLogged_ = false; // guarded by mutex_
    std::thread thread_;

    // The thread's own.
    LineSocket socket_;
    std::string sending_;
    std::string heard_;
    std::set<std::string> huhs_; // server complaints logged already
    bool failing_ = false;       // the outage is logged already
    LineSocket::Clock::time_point lastProgress_;
};

} // namespace lcdd
