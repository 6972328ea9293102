#include "datasources/demo/flag_blinker.h"

#include <utility>

namespace demo {

void FlagBlinker::Start(std::chrono::milliseconds period, Change onChange)
{
    if (worker.Running())
        return;
    change = std::move(onChange);
    set = false;
    worker.Start("Demo", [this, period](glancer::Worker& self) {
        // Deadlines follow from the start, so slow callbacks do not make it drift.
        auto deadline = std::chrono::steady_clock::now();
        while (self.SleepUntil(deadline += period)) {
            set = !set;
            if (change)
                change(set);
        }
    });
}

void FlagBlinker::Stop()
{
    if (!worker.Running())
        return;
    worker.Stop();
    worker.Join();
    if (set && change)
        change(false);
    set = false;
}

} // namespace demo
