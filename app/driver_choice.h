#pragma once

#include <string>
#include <vector>

#include "plugin/api/glancer_plugin.h"

// Choosing the display driver, shared by every shell's driver dialog or
// command. The lists come from the Core after Init and do not change.

// The name a driver reports with getName, read from a zeroed 256-byte buffer
// (a driver that writes nothing has an empty name; a missing terminator is
// tolerated).
std::string DriverName(IDisplayDriver* driver);

// Every driver's name, in list order (the order the driver list shows them).
std::vector<std::string> DriverNames(const std::vector<IDisplayDriver*>& drivers);

// Position of the first name equal to `setting` when letter case is ignored
// the platform's way (platform::SameTextIgnoringCase), as the Windows combo
// box's exact-match search does; -1 when none.
// So a setting that differs from a driver's name only in case preselects it,
// although Init would not select that driver.
int PreselectedDriver(const std::vector<std::string>& names, const std::string& setting);

// First driver, in list order, whose name equals `name` byte for byte; null
// when none matches.
IDisplayDriver* FindDriver(const std::vector<IDisplayDriver*>& drivers, const std::string& name);

// Runs the configure operation of the driver FindDriver picks. False when no
// driver matched or it has no dialog of its own (configure gave nonzero); the
// caller then tells the user there is no configuration dialog.
bool ConfigureDriver(const std::vector<IDisplayDriver*>& drivers, const std::string& name);

// The "DRIVER" setting as the driver dialog reads it: into a buffer that
// starts empty, so a missing settings key reads as "" and a missing value as
// "\n" (which matches no driver).
std::string ReadDriverSetting();

// Stores `name` as the "DRIVER" setting, read at the next start.
void StoreDriverSetting(const std::string& name);
