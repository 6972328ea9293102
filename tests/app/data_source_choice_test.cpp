#include "app/data_source_choice.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct FakeData {
    IData base;
    std::uint32_t configureResult;
    int configured;
};

std::uint32_t Configure(IData* self)
{
    FakeData* fake = reinterpret_cast<FakeData*>(self);
    ++fake->configured;
    return fake->configureResult;
}

const IDataVtbl kVtbl = {nullptr, nullptr, nullptr, Configure, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr,   nullptr, nullptr, nullptr};

DataSource Source(const std::string& name, FakeData* data)
{
    DataSource source;
    source.name = name;
    source.component = data != nullptr ? &data->base : nullptr;
    return source;
}

TEST(DataSourceChoice, SortedNamesFoldAsciiCaseAndKeepDuplicates)
{
    const std::vector<DataSource> sources{Source("Zeta", nullptr),  Source("beta", nullptr), Source("Alpha", nullptr),
                                          Source("alpha", nullptr), Source("", nullptr),     Source("Beta", nullptr)};
    const std::vector<std::string> expected{"", "Alpha", "alpha", "Beta", "beta", "Zeta"};
    EXPECT_EQ(SortedDataSourceNames(sources), expected);
    EXPECT_TRUE(SortedDataSourceNames({}).empty());
}

TEST(DataSourceChoice, ConfigureFindsTheFirstExactNameAndReportsEveryFailure)
{
    FakeData first{{&kVtbl}, 0, 0};
    FakeData second{{&kVtbl}, 0, 0};
    FakeData noDialog{{&kVtbl}, 7, 0};
    const std::vector<DataSource> sources{Source("Hollow", nullptr), Source("Plain", &noDialog), Source("Twin", &first),
                                          Source("Twin", &second)};

    EXPECT_EQ(FindDataSource(sources, "Twin"), &sources[2]);
    EXPECT_TRUE(ConfigureDataSource(sources, "Twin"));
    EXPECT_EQ(first.configured, 1);
    EXPECT_EQ(second.configured, 0);

    EXPECT_FALSE(ConfigureDataSource(sources, "Plain"));
    EXPECT_EQ(noDialog.configured, 1);
    EXPECT_FALSE(ConfigureDataSource(sources, "Hollow"));
    EXPECT_FALSE(ConfigureDataSource(sources, "twin"));
    EXPECT_FALSE(ConfigureDataSource(sources, ""));
    EXPECT_EQ(FindDataSource(sources, "Missing"), nullptr);
}

} // namespace
