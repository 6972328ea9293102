#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace demo {

// A thread of its own that calls `change(true)` one period after Start,
// `change(false)` a period later, and so on. Stop wakes it at once, joins
// it and, if the last call was `change(true)`, calls `change(false)` so
// nothing stays set after the owner is gone.
class FlagBlinker {
public:
    using Change = std::function<void(bool set)>;

    FlagBlinker() = default;
    ~FlagBlinker();
    FlagBlinker(const FlagBlinker&) = delete;
    FlagBlinker& operator=(const FlagBlinker&) = delete;

    // Starts the thread; ignored while it runs. May throw std::system_error.
    void Start(std::chrono::milliseconds period, Change change);
    void Stop();

private:
    void Run(std::chrono::milliseconds period);

    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false; // guarded by mutex
    bool set = false;      // the thread's own until it is joined
    Change change;
    std::thread thread;
};

} // namespace demo
