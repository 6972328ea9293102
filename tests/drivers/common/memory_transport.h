#pragma once

// A transport in memory for the drivers' tests: what is sent goes to an
// emulated module (anything with Write(bytes, count)); the test unplugs the
// module, makes it stop reading, or swaps in a fresh one. All under a lock:
// the supervisor's worker sends while the test looks.
#include <mutex>
#include <string>

#include "drivers/common/transport.h"

template <class Module> class MemoryTransport : public panelcore::Transport {
public:
    explicit MemoryTransport(Module module) : module_(std::move(module)) {}

    bool Open(std::string& reason) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++opens_;
        reason = "does not exist";
        return present_;
    }
    Sent Send(const std::uint8_t* bytes, std::size_t count) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!present_)
            return Sent::Lost;
        if (stalled_)
            return Sent::Stalled;
        module_.Write(bytes, count);
        sent_ += count;
        return Sent::All;
    }
    void Close() override {}

    // Runs `look(module)` under the lock.
    template <class Look> auto With(Look look)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return look(module_);
    }
    void Plug(bool present, Module fresh)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = present;
        module_ = std::move(fresh);
    }
    void Unplug()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = false;
    }
    void Stall(bool stalled)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stalled_ = stalled;
    }
    int Opens()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return opens_;
    }
    std::size_t Sent()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return sent_;
    }

private:
    std::mutex mutex_;
    Module module_;
    bool present_ = true;
    bool stalled_ = false;
    int opens_ = 0;
    std::size_t sent_ = 0;
};
