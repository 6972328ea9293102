#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data_source_choice.h"
#include "app/driver_choice.h"
#include "tests/items/fakes.h"

namespace {

using fakes::FakeData;
using fakes::FakeDriver;

DataSource Source(const std::string& name, IData* data = nullptr)
{
    DataSource source;
    source.name = name;
    source.component = data;
    return source;
}

TEST(Choice, PreselectionAndSortingFoldAsciiCaseOnly)
{
    const std::vector<std::string> names{"LCD-a", "Record", "record", "RECORD"};
    const std::pair<std::string, int> rows[] = {
        {"RECORD", 1}, {"lcd-A", 0}, {"Recor", -1}, {"Record ", -1}, {"\n", -1} /* a missing value */, {"", -1}};
    for (const auto& [setting, expected] : rows)
        EXPECT_EQ(PreselectedDriver(names, setting), expected) << setting;
    EXPECT_EQ(PreselectedDriver({}, "Record"), -1);
    EXPECT_EQ(PreselectedDriver({"\xC4"}, "\xE4"), -1); // not ASCII: no folding
    EXPECT_EQ(PreselectedDriver({"a[", "A{"}, "A["), 0);

    const std::vector<DataSource> sources{Source("Zeta"),  Source("beta"), Source("Alpha"),
                                          Source("alpha"), Source(""),     Source("Beta")};
    EXPECT_EQ(SortedDataSourceNames(sources), (std::vector<std::string>{"", "Alpha", "alpha", "Beta", "beta", "Zeta"}));
}

TEST(Choice, ConfigureRunsTheFirstExactNameAndReportsMissingDialogs)
{
    FakeDriver first("Twin", 0), second("Twin", 0), noDialog("Plain");
    const std::vector<IDisplayDriver*> drivers{&noDialog, &first, &second};
    FakeData firstData, secondData, noDialogData(7);
    const std::vector<DataSource> sources{Source("Hollow"), Source("Plain", &noDialogData), Source("Twin", &firstData),
                                          Source("Twin", &secondData)};
    // Names match byte for byte, unlike the preselection.
    for (const auto& [name, expected] :
         {std::pair{"Twin", true}, {"Plain", false}, {"twin", false}, {"", false}, {"Hollow", false}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ConfigureDriver(drivers, name), expected);
        EXPECT_EQ(ConfigureDataSource(sources, name), expected);
    }
    EXPECT_FALSE(ConfigureDriver({}, "Twin"));
    EXPECT_EQ(FindDataSource(sources, "Twin"), &sources[2]);
    for (int configured : {first.configured, noDialog.configured, firstData.configured, noDialogData.configured})
        EXPECT_EQ(configured, 1);
    EXPECT_EQ(second.configured + secondData.configured, 0);
}

TEST(Choice, DriverNamesAreReadSafely)
{
    FakeDriver b("B"), a("A"), rogue(nullptr);
    const auto names = DriverNames({&b, &a, &rogue});
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0] + names[1], "BA");
    EXPECT_EQ(names[2].find_first_not_of('N'), std::string::npos);
    EXPECT_LE(names[2].size(), std::size_t{GLANCER_TEXT_SIZE});
}

} // namespace
