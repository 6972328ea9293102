#pragma once

#include <chrono>
#include <functional>

#include "plugin/api/glancer_kit.hpp"

namespace demo {

// A thread of its own that calls `change(true)` one period after Start,
// `change(false)` a period later, and so on. Stop wakes it at once, joins
// it and, if the last call was `change(true)`, calls `change(false)` so
// nothing stays set after the owner is gone.
class FlagBlinker {
public:
    using Change = std::function<void(bool set)>;

    ~FlagBlinker() { Stop(); }

    // Starts the thread; ignored while it runs.
    void Start(std::chrono::milliseconds period, Change change);
    void Stop();

private:
    Change change;
    bool set = false; // the thread's own until it is joined
    glancer::Worker worker;
};

} // namespace demo
