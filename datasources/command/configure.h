#pragma once

namespace commands {

// Lets the user add, change and remove commands: questions on the terminal
// on Linux, a dialog on Windows. True: the settings were shown.
bool ConfigureCommands();

} // namespace commands
