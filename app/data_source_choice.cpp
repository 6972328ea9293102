#include "app/data_source_choice.h"

#include <algorithm>

namespace {

unsigned char AsciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool SortsBefore(const std::string& a, const std::string& b)
{
    auto lowerLess = [](char x, char y) {
        return AsciiLower(static_cast<unsigned char>(x)) < AsciiLower(static_cast<unsigned char>(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lowerLess))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lowerLess))
        return false;
    return a < b;
}

} // namespace

std::vector<std::string> SortedDataSourceNames(const std::vector<DataSource>& dataSources)
{
    std::vector<std::string> names;
    names.reserve(dataSources.size());
    for (const DataSource& source : dataSources)
        names.push_back(source.name);
    std::stable_sort(names.begin(), names.end(), SortsBefore);
    return names;
}

const DataSource* FindDataSource(const std::vector<DataSource>& dataSources, const std::string& name)
{
    auto found = std::find_if(dataSources.begin(), dataSources.end(),
                              [&name](const DataSource& source) { return source.name == name; });
    return found == dataSources.end() ? nullptr : &*found;
}

bool ConfigureDataSource(const std::vector<DataSource>& dataSources, const std::string& name)
{
    const DataSource* source = FindDataSource(dataSources, name);
    return source != nullptr && source->component != nullptr &&
           source->component->vtbl->configure(source->component) == 0;
}
