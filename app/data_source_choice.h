#pragma once

#include <string>
#include <vector>

#include "plugin/catalogue.h"

// Choosing a data source to configure, shared by every shell's plugin
// dialog or command.

// The data source names in the order a sorted list box shows them: ASCII
// letter case ignored, then byte order, so the order is the same on every
// platform for plain names.
std::vector<std::string> SortedDataSourceNames(const std::vector<DataSource>& dataSources);

// First data source, in list order, whose name equals `name` byte for byte;
// null when none matches.
const DataSource* FindDataSource(const std::vector<DataSource>& dataSources, const std::string& name);

// Runs the configure operation of the data source FindDataSource picks.
// False when none matched, it has no component, or it has no dialog of its
// own (configure gave nonzero).
bool ConfigureDataSource(const std::vector<DataSource>& dataSources, const std::string& name);
