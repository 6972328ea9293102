// "Template": a data source that reads on a thread of its own. Every few
// seconds (setting Interval) it reads a number from a file (setting File,
// say a temperature under /sys) and offers it with the time of the last
// reading. Screens show them with <varid>Template.Reading</varid> in a
// plugintext item. docs/plugins.md walks through it.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include <glancer_kit.hpp>
#include <glancer_plugin.hpp>

namespace {

#ifdef _WIN32
const char kDefaultFile[] = "C:\\reading.txt";
#else
const char kDefaultFile[] = "/sys/class/thermal/thermal_zone0/temp";
#endif

// Listed once: read and checked by Read(), asked by Configure() on the
// Linux terminal and in a dialog on Windows.
const glancer::DeclaredSettings kSettings("Template", "Template", {
    glancer::setting::Path("File", "File holding the number to show", kDefaultFile),
    glancer::setting::Number("Interval", "Seconds between readings", 5, 1, 3600),
    glancer::setting::Number("Divisor", "Divide the number by", 1000, 1, 1000000),
});

class TemplateSource : public glancer::DataSource {
public:
    const char* Name() const override { return "Template"; }

    void Init() override
    {
        const glancer::SettingValues settings = kSettings.Read();
        file = settings.Text("File");
        divisor = static_cast<double>(settings.Number("Divisor"));
        const std::chrono::seconds interval(settings.Number("Interval"));
        worker.Start("Template", [this, interval](glancer::Worker& self) {
            do
                Measure();
            while (self.Sleep(interval));
        });
    }

    void Shutdown() override
    {
        worker.Stop();
        worker.Join();
    }

    bool Configure() override { return kSettings.Configure("Template"); }

    // Called from the refresh thread: only copies what the worker stored.
    void GetValue(std::uint32_t index, glancer::Value& out) override { values.Read(index, out); }

private:
    // [worker] One reading; a file that cannot be read logs once until it can again.
    void Measure()
    {
        double number = 0;
        std::FILE* input = std::fopen(file.c_str(), "r");
        const bool read = input != nullptr && std::fscanf(input, "%lf", &number) == 1;
        if (input != nullptr)
            std::fclose(input);
        if (!read) {
            trouble.Fail("cannot read a number from " + file + "; keeping the last one");
            return;
        }
        trouble.Recover();
        values.SetDouble(reading, number / divisor);
        const std::time_t now = std::time(nullptr);
        char text[16] = "";
        if (const std::tm* local = std::localtime(&now))
            std::strftime(text, sizeof text, "%H:%M:%S", local);
        values.SetText(readAt, text);
    }

    const glancer::Variable reading = AddVariable("Template.Reading", "The number read", GLANCER_VAR_DOUBLE);
    const glancer::Variable readAt = AddVariable("Template.ReadAt", "When it was read", GLANCER_VAR_TEXT);
    std::string file;    // set in Init, before the worker starts
    double divisor = 1;  // likewise
    glancer::LatestValues values;
    glancer::Trouble trouble{"Template:"};
    glancer::Worker worker; // last: stopped and joined first when destroyed
};

const glancer::About kAbout{"Template", {"Data source: a number read from a file every few seconds", "Version 0.1"}};

} // namespace

GLANCER_PLUGIN(kAbout, TemplateSource)
