// "Commands": each configured command line becomes the variable
// "Command.<Id>", its value the first line the command prints, run every
// interval on a thread of its own. A command that fails, hangs past its
// timeout or prints what is not a number of its type keeps its last good
// value, marked stale: a text gets a trailing "?", and the flag
// "Command.<Id>.Stale" is set for every type until a run succeeds again.
// The list is read once at start; Configure changes it for the next start.
#include <memory>
#include <string>
#include <vector>

#include "datasources/command/command_list.h"
#include "datasources/command/configure.h"
#include "datasources/command/scheduler.h"
#include "plugin/api/glancer_kit.hpp"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "Commands";

class CommandData : public glancer::DataSource {
public:
    ~CommandData() override { Shutdown(); }

    const char* Name() const override { return kName; }

    void Init() override
    {
        if (scheduler != nullptr)
            return;
        std::vector<commands::CommandSpec> specs = commands::ReadCommands();
        std::vector<glancer::Variable> variables;
        for (const commands::CommandSpec& spec : specs) {
            variables.push_back(AddVariable("Command." + spec.id, spec.command, *glancer::TypeNamed(spec.type)));
            values.MarkStale(variables.back()); // a text reads "?" until its first run
            staleFlags.push_back("Command." + spec.id + ".Stale");
        }
        scheduler = std::make_unique<commands::Scheduler>(
            std::move(specs), std::move(variables), values,
            [this](std::size_t i, bool stale) { glancer::SetFlag(staleFlags[i].c_str(), stale); });
        scheduler->Start();
    }

    void Shutdown() override
    {
        if (scheduler != nullptr)
            scheduler->Stop();
    }

    bool Configure() override { return commands::ConfigureCommands(); }

    void GetValue(std::uint32_t index, glancer::Value& out) override { values.Read(index, out); }

private:
    std::vector<std::string> staleFlags; // fixed once Init ends
    glancer::LatestValues values;
    std::unique_ptr<commands::Scheduler> scheduler;
};

const glancer::About kAbout{
    .name = kName,
    .info = {.description = "Data source: the first line a command prints, run every interval",
             .version = GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, CommandData)
