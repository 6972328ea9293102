#pragma once

// Runs each configured command every interval on a thread of its own, so a
// hanging command delays nobody else and never runs twice at once, and keeps
// the latest values for the refresh to copy.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "datasources/command/command_list.h"
#include "plugin/api/glancer_kit.hpp"

namespace commands {

class Scheduler {
public:
    // `onStale` hears every change of a command's stale state, from its thread.
    // `variables` are the commands' own, in the same order.
    Scheduler(std::vector<CommandSpec> specs, std::vector<glancer::Variable> variables, glancer::LatestValues& values,
              std::function<void(std::size_t index, bool stale)> onStale);
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Starts one thread per command; each runs its command at once, then
    // an interval after each run ends.
    void Start();
    // Kills running commands and joins every thread.
    void Stop();

private:
    void Run(std::size_t index, glancer::Worker& worker);

    const std::vector<CommandSpec> specs;
    const std::vector<glancer::Variable> variables;
    glancer::LatestValues& values;
    const std::function<void(std::size_t, bool)> onStale;

    std::atomic<bool> stopping{false}; // ends a running command early
    std::vector<std::unique_ptr<glancer::Worker>> workers;
};

} // namespace commands
