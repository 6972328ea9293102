// "Template": a data source with a text and an integer variable. Screens
// show them with <varid>Template.Greeting</varid> in a plugintext item.
#include <chrono>
#include <string>

#include <glancer_plugin.hpp>

namespace {

class TemplateSource : public glancer::DataSource {
public:
    TemplateSource()
    {
        AddVariable("Template.Greeting", "A greeting, setting Greeting", GLANCER_VAR_TEXT);
        AddVariable("Template.Seconds", "Seconds since start", GLANCER_VAR_INT);
    }

    const char* Name() const override { return "Template"; }

    void Init() override
    {
        greeting = glancer::Settings("Template").Text("Greeting", "Hello from a plugin");
        start = std::chrono::steady_clock::now();
    }

    // Called from the refresh thread: keep it quick and never block.
    void GetValue(std::uint32_t index, glancer::Value& out) override
    {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
        if (index == 0)
            out.Text(greeting);
        else
            out.Integer(static_cast<std::int32_t>(seconds.count()));
    }

private:
    std::string greeting;
    std::chrono::steady_clock::time_point start;
};

const glancer::About kAbout{"Template", {"Data source: a greeting and a seconds counter", "Version 0.1"}};

} // namespace

GLANCER_PLUGIN(kAbout, TemplateSource)
