// The data-source kit: values written on one thread and read on another,
// the worker's wake and stop, the trouble reporter, and the checking level
// catching misuse with a message while taking the safe way out.
#include "plugin/api/glancer_kit.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "tests/common/fake_settings.h"
#include "tests/common/test_env.h"

namespace {

std::vector<std::string> misuses;
void Record(const char* message)
{
    misuses.push_back(message);
}

struct CatchMisuse {
    CatchMisuse()
    {
        misuses.clear();
        glancer::detail::MisuseSlot() = Record;
    }
    ~CatchMisuse() { glancer::detail::MisuseSlot() = nullptr; }
};

class Probe : public glancer::DataSource {
public:
    const char* Name() const override { return "Probe"; }
    glancer::Variable Late() { return AddVariable("Probe.Late", "added too late", GLANCER_VAR_INT); }
    const glancer::Variable text = AddVariable("Probe.Text", "a text", GLANCER_VAR_TEXT);
    const glancer::Variable number = AddVariable("Probe.Number", "an integer", GLANCER_VAR_INT);
    const glancer::Variable decimal = AddVariable("Probe.Decimal", "a double", GLANCER_VAR_DOUBLE);
};

const glancer::About kAbout{"Probe", {"test"}};

TEST(Kit, LatestValuesKeepTheirTypeAndRefuseOthers)
{
    const CatchMisuse catcher;
    const Probe probe;
    glancer::LatestValues values;
    char text[GLANCER_TEXT_SIZE] = "";
    glancer::Value textOut(text, sizeof text, GLANCER_VAR_TEXT);
    values.Read(probe.text.Index(), textOut); // nothing yet: untouched
    EXPECT_STREQ(text, "");

    values.SetText(probe.text, std::string(300, 'x'));
    values.SetInteger(probe.decimal, 3); // an integer fits a double
    values.SetInteger(probe.text, 4);    // misuse: dropped
    values.SetDouble(probe.number, 1.5); // misuse: dropped
    values.SetInteger(glancer::Variable(), 5);
    values.Read(probe.text.Index(), textOut);
    EXPECT_EQ(std::strlen(text), 255u);
    double decimal = 0;
    glancer::Value decimalOut(&decimal, sizeof decimal, GLANCER_VAR_DOUBLE);
    values.Read(probe.decimal.Index(), decimalOut);
    EXPECT_EQ(decimal, 3.0);
    std::int32_t number = -1;
    glancer::Value numberOut(&number, sizeof number, GLANCER_VAR_INT);
    values.Read(probe.number.Index(), numberOut);
    EXPECT_EQ(number, -1);
    if (GLANCER_CHECKS) {
        EXPECT_EQ(misuses, (std::vector<std::string>{
                               "variable 0 is a text variable; LatestValues got an integer for it",
                               "variable 1 is an integer variable; LatestValues got a double for it"}));
    }
}

std::string TextOf(const glancer::LatestValues& values, glancer::Variable variable)
{
    char area[GLANCER_TEXT_SIZE] = "";
    glancer::Value out(area, sizeof area, variable.Type());
    values.Read(variable.Index(), out);
    return area;
}

template <class Number> Number NumberOf(const glancer::LatestValues& values, glancer::Variable variable)
{
    Number number{};
    glancer::Value out(&number, sizeof number, variable.Type());
    values.Read(variable.Index(), out);
    return number;
}

// What a source makes of received text (a message, a command's output).
TEST(Kit, TextReceivedIsConvertedAndABadOneKeepsTheLastValueMarkedStale)
{
    const Probe probe;
    glancer::LatestValues values;
    values.MarkStale(probe.text);
    EXPECT_EQ(TextOf(values, probe.text), "?"); // nothing yet
    EXPECT_TRUE(values.SetFromText(probe.text, std::string("a\tb\0c\r\nnext", 11)));
    EXPECT_EQ(TextOf(values, probe.text), "a?b?c");
    values.MarkStale(probe.text);
    values.MarkStale(probe.text);
    EXPECT_EQ(TextOf(values, probe.text), "a?b?c?");
    EXPECT_TRUE(values.SetFromText(probe.text, std::string(300, 'y')));
    values.MarkStale(probe.text);
    EXPECT_EQ(TextOf(values, probe.text), std::string(254, 'y') + "?");

    EXPECT_TRUE(values.SetFromText(probe.number, std::string(250, ' ') + "12345678\n"));
    EXPECT_EQ(NumberOf<std::int32_t>(values, probe.number), 12345678); // converted before the text is cut
    EXPECT_TRUE(values.SetFromText(probe.decimal, std::string(300, ' ') + "0.25"));
    EXPECT_EQ(NumberOf<double>(values, probe.decimal), 0.25);
    EXPECT_TRUE(values.SetFromText(probe.number, " +42 \n"));
    EXPECT_FALSE(values.SetFromText(probe.number, "2147483648"));
    EXPECT_FALSE(values.SetFromText(probe.number, "4.5"));
    EXPECT_FALSE(values.SetFromText(probe.number, "+-4"));
    EXPECT_EQ(NumberOf<std::int32_t>(values, probe.number), 42);
    EXPECT_TRUE(values.SetFromText(probe.decimal, "-1.5e3"));
    EXPECT_FALSE(values.SetFromText(probe.decimal, "nan"));
    EXPECT_FALSE(values.SetFromText(probe.decimal, ""));
    EXPECT_EQ(NumberOf<double>(values, probe.decimal), -1500.0);
}

TEST(Kit, EntriesListedInSettingsNeedAUsableIdAndType)
{
    const std::vector<std::string> taken{"Temp"};
    EXPECT_EQ(glancer::EntryProblem("Fan", "double", taken), "");
    EXPECT_EQ(glancer::EntryProblem("", "text", taken), "has no Id");
    EXPECT_EQ(glancer::EntryProblem("a.b", "text", taken), "Id \"a.b\" has a space, dot or backslash");
    EXPECT_EQ(glancer::EntryProblem("Temp", "text", taken), "Id \"Temp\" is used twice");
    EXPECT_EQ(glancer::EntryProblem("Fan", "Text", taken), "Type \"Text\" is not text, integer or double");
}

TEST(Kit, ValuesWrittenOnAWorkerReachTheReader)
{
    const Probe probe;
    glancer::LatestValues values;
    glancer::Worker worker;
    std::atomic<int> rounds{0};
    ASSERT_TRUE(worker.Start("Probe", [&](glancer::Worker& self) {
        do
            values.SetInteger(probe.number, ++rounds);
        while (self.Sleep(std::chrono::hours(1)));
    }));
    EXPECT_FALSE(worker.Start("Probe", [](glancer::Worker&) {})); // one at a time
    // Each Wake ends one hour-long sleep: the value moves on without waiting.
    for (int wanted = 2; wanted <= 4; ++wanted) {
        worker.Wake();
        ASSERT_TRUE(testenv::WaitFor([&] {
            std::int32_t seen = 0;
            glancer::Value out(&seen, sizeof seen, GLANCER_VAR_INT);
            values.Read(probe.number.Index(), out);
            return seen >= wanted;
        }));
    }
    worker.Stop(); // ends the sleep at once
    worker.Join();
    EXPECT_FALSE(worker.Running());
    // Restarted after Join, it runs again.
    std::atomic<bool> ran{false};
    ASSERT_TRUE(worker.Start("Probe", [&](glancer::Worker&) { ran = true; }));
    worker.Join();
    EXPECT_TRUE(ran);
}

TEST(Kit, TroubleLogsWhenAFaultStartsAndWhenItEnds)
{
    fakesettings::Reset();
    glancer::detail::ServicesSlot() = &fakesettings::services;
    glancer::Trouble trouble("Probe: sensor");
    EXPECT_FALSE(trouble.Recover());
    EXPECT_TRUE(trouble.Fail("is gone"));
    EXPECT_FALSE(trouble.Fail("is still gone"));
    EXPECT_TRUE(trouble.Failing());
    EXPECT_TRUE(trouble.Recover());
    EXPECT_TRUE(trouble.Fail("is gone again"));

    glancer::Worker worker;
    worker.Start("Probe", [](glancer::Worker&) { throw std::runtime_error("bus error"); });
    worker.Join();
    glancer::detail::ServicesSlot() = nullptr;
    EXPECT_EQ(fakesettings::Logged(),
              (std::vector<std::string>{"Probe: sensor is gone", "Probe: sensor works again",
                                        "Probe: sensor is gone again", "Probe: thread failed: bus error"}));
}

TEST(Kit, MisuseIsCaughtAndTakesTheSafeWayOut)
{
    const CatchMisuse catcher;
    IModule* module = glancer::detail::Module<Probe>::Export(nullptr, kAbout);
    IComponentFactory* factory = module->vtbl->getFirstFactory(module)->next;
    auto* data = static_cast<IData*>(factory->vtbl->create(factory));
    auto& probe = *static_cast<glancer::detail::Object<IData, Probe>*>(data)->impl;
    EXPECT_EQ(data->vtbl->getVariableCount(data), 3);

    // After the program read the list: refused, and writes to it go nowhere.
    const glancer::Variable late = probe.Late();
    EXPECT_FALSE(late.Valid());
    EXPECT_EQ(data->vtbl->getVariableCount(data), 3);

    // GetValue writing a text to an integer variable writes nothing.
    glancer::LatestValues values;
    std::int32_t number = 0;
    glancer::Value out(&number, sizeof number, GLANCER_VAR_INT, "Probe.Number");
    out.Text("12");
    EXPECT_EQ(number, 0);
    data->vtbl->release(data);

    // Settings of the program's read before getInterface: missing, not a crash.
    EXPECT_EQ(glancer::Settings("Probe").Text("Name", "fallback"), "fallback");
    if (GLANCER_CHECKS) {
        EXPECT_EQ(misuses,
                  (std::vector<std::string>{
                      "Probe.Late was added after the program read the list of variables and pictures; add it in "
                      "the constructor or in Init",
                      "Probe.Number is an integer variable; GetValue wrote a text to it",
                      "settings \"Probe\" used before getInterface; use them in Init or Configure"}));
    }
}

} // namespace
