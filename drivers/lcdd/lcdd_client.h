#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "drivers/charpanel/char_panel.h"
#include "drivers/lcdd/lcdd_protocol.h"
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
// again less and less often (Backoff) and then sends the whole screen again.
// Within an outage, a new connection is logged once it has held: a server
// that greets and hangs up at once costs no more log lines. The refresh
// never waits for the network, and while nothing changes the thread sleeps
// until something does or the server goes away.
class LcddClient {
public:
    LcddClient(Endpoint endpoint, CoreServices* services);
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
    // Connects and reads the greeting, at most a couple of seconds or until
    // Stop.
    std::optional<Greeting> Handshake();
    // Adds Glancer's screen and queues the whole picture.
    void TakeScreen(const Greeting& greeting);
    template <typename Draw> void Drawing(Draw draw);
    void Run();
    // False once the thread is done.
    bool Round(LineSocket::Clock::time_point& flushBy);
    bool Exchange(LineSocket::Clock::time_point flushBy);
    bool Hear(std::string& error);
    void Lost(const std::string& why);
    // Closes, and sets when to try again; `problem` is logged if the outage
    // is not logged yet.
    void Retry(const std::string& problem);
    std::string Where() const;
    void Log(const std::string& text) const;

    const Endpoint endpoint_;
    CoreServices* const services_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<LcddScreen> screen_; // guarded by mutex_, as is all the panel does
    std::unique_ptr<charpanel::CharPanel> panel_;
    std::string queued_;     // guarded by mutex_: commands not yet taken by the thread
    bool stopping_ = false;  // guarded by mutex_
    bool cutLogged_ = false; // guarded by mutex_
    std::thread thread_;

    // The thread's own (Start's, before there is a thread).
    LineSocket socket_;
    std::string sending_;
    std::string received_;
    LineSplitter lines_;
    Complaints complaints_;
    Backoff backoff_;
    bool failing_ = false;       // the outage is logged already
    bool announced_ = false;     // the current connection is logged
    charpanel::Geometry logged_; // the server's size last logged
    LineSocket::Clock::time_point retryAt_;
    LineSocket::Clock::time_point lastProgress_;
};

} // namespace lcdd
