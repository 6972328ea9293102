#pragma once

#include <string>

// The subcommands: each loads the plugins of the working directory, does
// one thing and ends them again, never starting the display or the timer
// and never touching log.txt. Results go to standard output, problems to
// standard error as one line starting with "glancer: ". Each gives the
// process's exit status: 0 done, 1 the named driver or data source does
// not exist or the setting could not be stored.

// Lists the display drivers in plugin order; the one the "DRIVER" setting
// names (letter case ignored, as the driver dialog preselects) is marked "*".
int ListDrivers();
// Stores the driver's name as "DRIVER". `name` must be a driver's name; when
// no name matches exactly, one that differs only in letter case is taken.
int UseDriver(const std::string& name);
// Opens a driver's own configuration (found as UseDriver finds it).
int ConfigureDriverCommand(const std::string& name);
// Lists the data sources in sorted order.
int ListSources();
// Starts the data sources and opens one's own configuration (found by exact
// name, else by a name differing only in letter case).
int ConfigureSourceCommand(const std::string& name);
// Checks the screens of DIR (default: the working directory) the way a run
// would read them; see CheckScreens.
int CheckCommand(const std::string& dir);
// Lists the data sources' current values; see ListValues.
int ValuesCommand(const std::string& source);
