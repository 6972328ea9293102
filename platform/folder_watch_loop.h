#pragma once

// What FolderWatch does the same on every system: its thread, and the wait
// for a burst of changes to end. The system's part (what is watched and how
// it wakes) is a FolderEvents.
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace platform {

// The system's part of a FolderWatch.
class FolderEvents {
public:
    static constexpr std::uint32_t kForever = 0xFFFFFFFFu;

    virtual ~FolderEvents() = default;

    // 1: changes came, 0: timeout, -1: stop or failure.
    virtual int Wait(std::uint32_t timeoutMs) = 0;
    // Takes what came; true when a file `wanted` accepts changed.
    virtual bool Take(const std::function<bool(const std::string&)>& wanted) = 0;
    // On the watch's thread, when it ends: nothing of the system's may
    // still be writing into the watch's buffers afterwards.
    virtual void Finish() {}
    // Makes Wait return -1 from now on; from any thread.
    virtual void Interrupt() = 0;
    // Frees what the system gave; the thread is not running.
    virtual void CloseAll() = 0;
};

// The thread: `changed` runs once a change `wanted` accepts is followed
// by `quietMs` without any change.
class FolderWatchLoop {
public:
    bool Running() const { return thread_.joinable(); }
    // Runs the thread over `events`, which are set up and outlive Stop.
    // False (and `events` closed) when no thread is to be had.
    bool Start(FolderEvents& events, std::uint32_t quietMs, std::function<bool(const std::string&)> wanted,
               std::function<void()> changed);
    // Returns when `changed` is not running and will not run again; closes `events`.
    void Stop(FolderEvents& events);

private:
    void Run(FolderEvents& events);

    std::uint32_t quietMs_ = 0;
    std::function<bool(const std::string&)> wanted_;
    std::function<void()> changed_;
    std::thread thread_;
};

} // namespace platform
