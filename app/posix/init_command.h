#pragma once

#include <string>

// glancer init [DIR]: prepares a working directory (by default
// ~/.local/share/glancer) for an installed Glancer: a symbolic link to each
// installed plugin and a copy of the example screens. The installation is
// found from the program's own path (<prefix>/bin/glancer gives
// <prefix>/lib/glancer/plugins and <prefix>/share/glancer/examples).
// Files already there are never replaced: a link to the same plugin or an
// identical copy counts as done, anything else is left alone and reported.
// Gives 0 when the directory is ready, 1 when something could not be done.
int InitCommand(const std::string& directory);
