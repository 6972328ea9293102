#include "datasources/command/scheduler.h"

#include <chrono>

#include "datasources/command/runner.h"
#include "plugin/api/glancer_plugin.hpp"

namespace commands {

Scheduler::Scheduler(std::vector<CommandSpec> specs, datavalues::LatestValues& values,
                     std::function<void(std::size_t, bool)> onStale)
    : specs(std::move(specs)), values(values), onStale(std::move(onStale))
{
}

Scheduler::~Scheduler()
{
    Stop();
}

void Scheduler::Start()
{
    for (std::size_t i = 0; i < specs.size(); ++i)
        threads.emplace_back([this, i] { Run(i); });
}

void Scheduler::Stop()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& thread : threads)
        thread.join();
    threads.clear();
}

// One log line when a command starts failing and one when it works again,
// not one per run.
void Scheduler::Report(std::size_t index, const std::string& problem, bool& failing)
{
    const std::string variable = "Command." + specs[index].id;
    if (problem.empty() == !failing)
        return;
    failing = !problem.empty();
    if (failing) {
        values.MarkStale(index);
        glancer::Log(std::string(kLogPrefix) + ": " + variable + " " + problem + "; keeping its last value");
    } else {
        glancer::Log(std::string(kLogPrefix) + ": " + variable + " works again");
    }
    onStale(index, failing);
}

void Scheduler::Run(std::size_t index)
{
    const CommandSpec& spec = specs[index];
    bool failing = false;
    while (!stopping.load()) {
        const RunResult result = RunCommand(spec.command, std::chrono::milliseconds(spec.timeoutMs), stopping);
        std::string problem;
        switch (result.outcome) {
        case RunResult::Finished:
            if (!values.Store(index, result.output))
                problem = "printed \"" + datavalues::FirstLine(result.output) + "\", not " +
                          (spec.type == "integer" ? "an integer" : "a number");
            break;
        case RunResult::Failed:
            problem = "exited with status " + std::to_string(result.exitStatus);
            break;
        case RunResult::TimedOut:
            problem = "was killed after its timeout of " + std::to_string(spec.timeoutMs) + " ms";
            break;
        case RunResult::NotStarted:
            problem = "could not run: " + result.problem;
            break;
        case RunResult::Stopped:
            return;
        }
        Report(index, problem, failing);
        std::unique_lock lock(mutex);
        wake.wait_for(lock, std::chrono::milliseconds(spec.intervalMs), [this] { return stopping.load(); });
    }
}

} // namespace commands
