#include "datasources/command/scheduler.h"

#include <chrono>

#include "datasources/command/runner.h"

namespace commands {

Scheduler::Scheduler(std::vector<CommandSpec> specs, std::vector<glancer::Variable> variables,
                     glancer::LatestValues& values, std::function<void(std::size_t, bool)> onStale)
    : specs(std::move(specs)), variables(std::move(variables)), values(values), onStale(std::move(onStale))
{
}

Scheduler::~Scheduler()
{
    Stop();
}

void Scheduler::Start()
{
    stopping = false;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        workers.push_back(std::make_unique<glancer::Worker>());
        workers.back()->Start(kLogPrefix, [this, i](glancer::Worker& worker) { Run(i, worker); });
    }
}

void Scheduler::Stop()
{
    stopping = true;
    for (const auto& worker : workers)
        worker->Stop();
    workers.clear(); // joins each
}

void Scheduler::Run(std::size_t index, glancer::Worker& worker)
{
    const CommandSpec& spec = specs[index];
    // One log line when a command starts failing and one when it works again, not one per run.
    glancer::Trouble trouble(std::string(kLogPrefix) + ": Command." + spec.id);
    do {
        const RunResult result = RunCommand(spec.command, std::chrono::milliseconds(spec.timeoutMs), stopping);
        std::string problem;
        switch (result.outcome) {
        case RunResult::Finished:
            if (!values.SetFromText(variables[index], result.output))
                problem = "printed \"" + glancer::LatestValues::FirstLine(result.output) + "\", not " +
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
        if (!problem.empty() && trouble.Fail(problem + "; keeping its last value")) {
            values.MarkStale(variables[index]);
            onStale(index, true);
        } else if (problem.empty() && trouble.Recover()) {
            onStale(index, false);
        }
    } while (worker.Sleep(std::chrono::milliseconds(spec.intervalMs)));
}

} // namespace commands
