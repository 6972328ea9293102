#include "datasources/demo/flag_blinker.h"

#include <utility>

namespace demo {

FlagBlinker::~FlagBlinker()
{
    Stop();
}

void FlagBlinker::Start(std::chrono::milliseconds period, Change onChange)
{
    if (thread.joinable())
        return;
    change = std::move(onChange);
    set = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = false;
    }
    thread = std::thread(&FlagBlinker::Run, this, period);
}

void FlagBlinker::Stop()
{
    if (!thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
    if (set && change)
        change(false);
    set = false;
}

void FlagBlinker::Run(std::chrono::milliseconds period)
{
    // Deadlines follow from the start, so slow callbacks do not make it drift.
    auto deadline = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        deadline += period;
        if (wake.wait_until(lock, deadline, [this] { return stopping; }))
            return;
        set = !set;
        lock.unlock();
        if (change)
            change(set);
        lock.lock();
    }
}

} // namespace demo
