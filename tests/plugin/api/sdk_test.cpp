// The C++ plugin helper seen from the program's side: the tables it builds,
// and that nothing a plugin throws crosses the boundary.
#include "plugin/api/glancer_plugin.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/common/fake_settings.h"

namespace {

using fakesettings::logged;
using fakesettings::services;

bool throwOnCreate = false;

class Source : public glancer::DataSource {
public:
    Source()
    {
        if (throwOnCreate)
            throw std::runtime_error("no memory");
        AddVariable("Src.Text", "a text", GLANCER_VAR_TEXT);
        AddVariable("Src.Int", "an integer", GLANCER_VAR_INT);
        AddPicture("Src.Pic", "a picture");
    }
    const char* Name() const override { return "Src"; }
    void GetValue(std::uint32_t index, glancer::Value& out) override
    {
        if (index == 0)
            out.Text("a long text");
        else
            throw std::runtime_error("sensor gone");
    }
};

class Driver : public glancer::DisplayDriver {
public:
    const char* Name() const override { return "Drv"; }
    DisplayInfo GetDisplayInfo() override { throw 42; }
};

const glancer::About kAbout{"Both", {"line one"}};

TEST(PluginHelper, BuildsTheFactoryChainAndTables)
{
    IModule* module = glancer::detail::Module<Driver, Source>::Export(&services, kAbout);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->vtbl->getInterfaceVersion(module), GLANCER_INTERFACE_VERSION);
    std::vector<std::int32_t> types;
    for (IComponentFactory* f = module->vtbl->getFirstFactory(module); f != nullptr; f = f->next)
        types.push_back(f->type);
    EXPECT_EQ(types, (std::vector<std::int32_t>{GLANCER_TYPE_PLUGIN, GLANCER_TYPE_DISPLAY_DRIVER, GLANCER_TYPE_DATA}));

    IComponentFactory* first = module->vtbl->getFirstFactory(module);
    auto* plugin = static_cast<IPlugin*>(first->vtbl->create(first));
    char text[GLANCER_TEXT_SIZE];
    plugin->vtbl->getName(plugin, text, 3);
    EXPECT_STREQ(text, "Bo");
    plugin->vtbl->getInfo1(plugin, text, sizeof text);
    EXPECT_STREQ(text, "line one");
    plugin->vtbl->getInfo6(plugin, text, sizeof text);
    EXPECT_STREQ(text, "");

    IComponentFactory* dataFactory = first->next->next;
    auto* data = static_cast<IData*>(dataFactory->vtbl->create(dataFactory));
    ASSERT_NE(data, nullptr);
    data->vtbl->getName(data, text);
    EXPECT_STREQ(text, "Src");
    EXPECT_EQ(data->vtbl->getVariableCount(data), 2);
    EXPECT_EQ(data->vtbl->getVariableType(data, 1), std::uint32_t{GLANCER_VAR_INT});
    data->vtbl->getImageId(data, 0, text);
    EXPECT_STREQ(text, "Src.Pic");
    data->vtbl->getVariableId(data, 7, text); // out of range: empty, never past the list
    EXPECT_STREQ(text, "");
    EXPECT_EQ(data->vtbl->getImage(data, 0), nullptr);
    EXPECT_EQ(data->vtbl->getImage(data, 9), nullptr);
    data->vtbl->release(data);
}

TEST(PluginHelper, NothingThrownCrossesTheBoundary)
{
    fakesettings::Reset();
    IModule* module = glancer::detail::Module<Driver, Source>::Export(&services, kAbout);
    IComponentFactory* driverFactory = module->vtbl->getFirstFactory(module)->next;
    IComponentFactory* dataFactory = driverFactory->next;

    auto* driver = static_cast<IDisplayDriver*>(driverFactory->vtbl->create(driverFactory));
    DisplayInfo info{1, 2, 3, 4};
    EXPECT_EQ(driver->vtbl->getDisplayInfo(driver, &info), &info);
    EXPECT_EQ(info.xPixels + info.yPixels + info.xChars + info.yChars, 0u);
    driver->vtbl->release(driver);

    auto* data = static_cast<IData*>(dataFactory->vtbl->create(dataFactory));
    char value[8] = "xxxxxxx";
    data->vtbl->getValue(data, 0, value, sizeof value); // cut to the given size
    EXPECT_STREQ(value, "a long ");
    data->vtbl->getValue(data, 1, value, sizeof value);
    data->vtbl->getValue(data, 5, value, sizeof value); // unknown index: not even asked
    data->vtbl->release(data);

    throwOnCreate = true;
    EXPECT_EQ(dataFactory->vtbl->create(dataFactory), nullptr);
    throwOnCreate = false;

    EXPECT_EQ(logged,
              (std::vector<std::string>{"Drv: getDisplayInfo failed: unknown error",
                                        "Src: getValue failed: sensor gone", "Both: create failed: no memory"}));
}

} // namespace
