#pragma once

// FolderWatch is written once for every system (folder_watch.cpp): its
// thread, and the wait for a burst of changes to end. What it watches with
// is the system's FolderEvents.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/platform.h"

namespace platform {

class FolderEvents {
public:
    static constexpr std::uint32_t kForever = 0xFFFFFFFFu;

    virtual ~FolderEvents() = default; // frees what the system gave

    // Starts watching the files of `folder`; false when it cannot be watched.
    virtual bool Open(const std::string& folder) = 0;
    // 1: changes came, 0: timeout, -1: stop or failure.
    virtual int Wait(std::uint32_t timeoutMs) = 0;
    // Takes what came; true when a file `wanted` accepts changed.
    virtual bool Take(const std::function<bool(const std::string&)>& wanted) = 0;
    // Makes Wait return -1 from now on; from any thread.
    virtual void Interrupt() = 0;
    // On the watch's thread, when it ends: nothing of the system's may
    // still be writing into the watch's buffers afterwards.
    virtual void Finish() {}
};

// The system's FolderEvents, not open yet.
std::unique_ptr<FolderEvents> MakeFolderEvents();

struct FolderWatch::State {
    std::unique_ptr<FolderEvents> events; // while watching
    std::uint32_t quietMs = 0;
    std::function<bool(const std::string&)> wanted;
    std::function<void()> changed;
    std::thread thread;

    void Loop();
};

} // namespace platform
