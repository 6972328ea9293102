#include "app/driver_choice.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/test_env.h"

namespace {

// A driver double: reports a fixed name and counts configure calls.
struct FakeDriver {
    IDisplayDriver base;
    const char* name;
    bool fillsWholeBuffer;
    std::uint32_t configureResult;
    int configured;
};

FakeDriver* Self(IDisplayDriver* self)
{
    return reinterpret_cast<FakeDriver*>(self);
}

void GetName(IDisplayDriver* self, char* buffer)
{
    if (Self(self)->fillsWholeBuffer)
        std::memset(buffer, 'x', GLANCER_TEXT_SIZE); // no terminator at all
    else
        std::strcpy(buffer, Self(self)->name);
}

std::uint32_t Configure(IDisplayDriver* self)
{
    ++Self(self)->configured;
    return Self(self)->configureResult;
}

const IDisplayDriverVtbl kVtbl = {nullptr, nullptr, nullptr, Configure, nullptr,
                                  nullptr, nullptr, nullptr, nullptr,   GetName};

FakeDriver Make(const char* name, std::uint32_t configureResult = 0)
{
    return FakeDriver{{&kVtbl}, name, false, configureResult, 0};
}

TEST(DriverChoice, PreselectionIgnoresAsciiCaseOnlyAndTakesTheFirstMatch)
{
    const std::vector<std::string> names{"LCD-a", "Record", "record", "RECORD"};
    EXPECT_EQ(PreselectedDriver(names, "RECORD"), 1);
    EXPECT_EQ(PreselectedDriver(names, "lcd-A"), 0);
    EXPECT_EQ(PreselectedDriver(names, "Recor"), -1);
    EXPECT_EQ(PreselectedDriver(names, "Record "), -1);
    EXPECT_EQ(PreselectedDriver(names, "\n"), -1); // a missing value
    EXPECT_EQ(PreselectedDriver(names, ""), -1);
    EXPECT_EQ(PreselectedDriver({}, "Record"), -1);
    // Only ASCII letters fold: 0xC4 and 0xE4 stay different.
    EXPECT_EQ(PreselectedDriver({"\xC4"}, "\xE4"), -1);
    EXPECT_EQ(PreselectedDriver({"a[", "A{"}, "A["), 0);
}

TEST(DriverChoice, ConfigureUsesTheFirstExactNameAndReportsMissingDialogs)
{
    FakeDriver first = Make("Twin");
    FakeDriver second = Make("Twin");
    FakeDriver noDialog = Make("Plain", 1);
    std::vector<IDisplayDriver*> drivers{&noDialog.base, &first.base, &second.base};

    EXPECT_TRUE(ConfigureDriver(drivers, "Twin"));
    EXPECT_EQ(first.configured, 1);
    EXPECT_EQ(second.configured, 0);

    EXPECT_FALSE(ConfigureDriver(drivers, "Plain"));
    EXPECT_EQ(noDialog.configured, 1);

    EXPECT_FALSE(ConfigureDriver(drivers, "twin")); // exact, unlike the preselection
    EXPECT_FALSE(ConfigureDriver(drivers, ""));
    EXPECT_FALSE(ConfigureDriver({}, "Twin"));
    EXPECT_EQ(first.configured + second.configured, 1);
}

TEST(DriverChoice, NamesAreReadSafelyAndKeepListOrder)
{
    FakeDriver b = Make("B");
    FakeDriver a = Make("A");
    FakeDriver rogue = Make("");
    rogue.fillsWholeBuffer = true;
    const auto names = DriverNames({&b.base, &a.base, &rogue.base});
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "B");
    EXPECT_EQ(names[1], "A");
    EXPECT_EQ(names[2].find_first_not_of('x'), std::string::npos);
    EXPECT_LE(names[2].size(), std::size_t{GLANCER_TEXT_SIZE});
}

TEST(DriverChoice, SettingRoundTripsAndStartsEmptyWithoutSettings)
{
    testenv::WorkDir dir;
    EXPECT_EQ(ReadDriverSetting(), "");
    StoreDriverSetting("RecordDriver");
    EXPECT_EQ(ReadDriverSetting(), "RecordDriver");
    StoreDriverSetting("");
    EXPECT_EQ(ReadDriverSetting(), "");
}

} // namespace
