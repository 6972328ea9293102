#pragma once

// Keeps a panel showing the latest picture whatever happens to the device.
//
// The driver's drawing calls change the model under a short lock and wake
// the worker thread; nothing there waits for the device. The worker takes
// what changed (the latest picture wins: a slow device never makes a queue
// grow) and sends it. When the device cannot be opened, goes away or stops
// reading, one line is logged, the worker tries again every `retry`, and
// once the device takes data again one more line is logged and the whole
// picture is sent. A healthy panel with nothing new costs no wake-ups.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "drivers/common/transport.h"
#include "plugin/api/glancer_plugin.h"

namespace panelcore {

// A panel's picture and how it turns into bytes.
class Model {
public:
    virtual ~Model() = default;
    // The drawing calls, under the supervisor's lock.
    virtual void Clear() = 0;
    virtual void WriteText(const char* text, std::uint32_t column, std::uint32_t row) = 0;
    virtual void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                              std::uint32_t height) = 0;
    // On the worker, under the lock, without I/O: takes what changed since
    // the last Take, or with `everything` the device's set-up and the whole
    // picture (after an open, after trouble).
    virtual void Take(bool everything) = 0;
    // On the worker, without the lock: sends what Take took.
    virtual Transport::Sent Send(Transport& transport) = 0;
    // At Stop, once the last picture went out.
    virtual void Farewell(Transport& /*transport*/) {}
    // Optional, from a drawing call under the lock while the worker sleeps
    // with the device well: sends what changed at once if the device takes
    // it without waiting, which spares the worker a wake-up. False hands
    // what is left to the worker (the transport keeps it for its next Send).
    virtual bool SendAtOnce(Transport& /*transport*/) { return false; }
};

struct SupervisorOptions {
    std::string name;  // starts every log line ("Serial LCD")
    std::string where; // names the device in them ("/dev/ttyUSB0")
    std::chrono::milliseconds retry = std::chrono::seconds(2);
    // Sends the whole picture again this long after each open (0: never),
    // for devices that ignore what arrives while they start up.
    std::chrono::milliseconds resendAfterOpen{0};
};

class Supervisor {
public:
    Supervisor(Transport& transport, Model& model, SupervisorOptions options);
    ~Supervisor(); // Stop
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    void Start();
    // Sends the latest picture and the farewell if the device takes them,
    // ends the worker, closes the device. Idempotent.
    void Stop();

    // Runs `change(model)` under the lock and wakes the worker.
    template <class Change> void Draw(Change&& change)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            change(model_);
            if (idle_ && model_.SendAtOnce(transport_))
                return;
            dirty_ = true;
        }
        wake_.notify_one();
    }

    // Wakes the worker for a round as a drawing call would, unless the lock
    // is busy: then false at once, for threads that must never wait on it
    // (a transport's own watcher, which the worker may be closing).
    bool TryWake()
    {
        {
            std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
            if (!lock.owns_lock())
                return false;
            dirty_ = true;
        }
        wake_.notify_one();
        return true;
    }

private:
    void Run();
    bool Open(std::unique_lock<std::mutex>& lock);
    enum class Trouble { None, Away, Stalled };
    void Troubled(Trouble trouble, const std::string& line);

    Transport& transport_;
    Model& model_;
    const SupervisorOptions options_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool dirty_ = false;    // guarded by mutex_
    bool stopping_ = false; // guarded by mutex_
    bool idle_ = false;     // guarded by mutex_: the worker waits, the device open and well
    std::thread worker_;

    // The worker's own.
    bool open_ = false;
    Trouble trouble_ = Trouble::None; // logged when it started
    std::optional<std::chrono::steady_clock::time_point> resendAt_;
};

} // namespace panelcore
