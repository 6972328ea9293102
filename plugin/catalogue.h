#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "plugin/api/glancer_plugin.h"

// What a lookup by variable id gives.
struct VariableInfo {
    IData* component = nullptr;
    std::uint32_t index = 0;
    std::uint32_t type = 0; // GLANCER_VAR_TEXT, _INT, _DOUBLE
    bool found = false;
    std::string name;
    std::string id;
};

// What a lookup by image id gives.
struct ImageInfo {
    IData* component = nullptr;
    std::uint32_t index = 0;
    bool found = false;
    std::string name;
    std::string id;
};

// A data source's variables and images beyond this many are left out.
constexpr std::int32_t kMaxCatalogueEntries = 4096;

// The catalogue entry of one IData component, filled once at start-up.
struct DataSource {
    IData* component = nullptr; // not owned
    std::string name;
    std::map<std::string, VariableInfo> variables;
    std::map<std::string, ImageInfo> images;
    std::vector<std::string> variableIds;
    std::vector<std::string> imageIds;
    std::vector<std::string> variableNames;
    std::vector<std::string> imageNames;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> imageSizes; // width, height
};

// Appends a DataSource for `component` and asks it for its name.
void addDataSource(std::vector<DataSource>& dataSources, IData* component);
// init, then the variables and images of the component, with the log report.
void fillDataSource(DataSource& record);
// First data source (in list order) that declares the id.
VariableInfo findVariable(const std::vector<DataSource>& dataSources, const std::string& id);
ImageInfo findImage(const std::vector<DataSource>& dataSources, const std::string& id);

// Reads a plugin text out of a 256-byte buffer, tolerating a missing terminator.
std::string TextFromBuffer(const char* buffer, std::size_t size = GLANCER_TEXT_SIZE);
