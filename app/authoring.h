#pragma once

#include <cstdio>
#include <string>

class Core;

// The two authoring commands, shared by every shell. `core` has its plugins
// loaded and its data sources filled; output goes to `out`, findings and
// problems to `err`. Each gives the process's exit status.

// Checks the working directory's screens against the panel of the driver
// the "DRIVER" setting names. Findings are "file:line: message" (warnings
// "file:line: warning: message"), file names prefixed with `shownDir`; 0 and
// a one-line summary on `out` when nothing is an error, else 1.
int CheckScreens(Core& core, const std::string& shownDir, std::FILE* out, std::FILE* err);

// Lists the current value of every variable ("<id>  <type>  <value>") and the
// size of every picture ("<id>  picture  <w>x<h>"), of one data source when
// `source` is not empty. 1 when no data source has that name.
int ListValues(Core& core, const std::string& source, std::FILE* out, std::FILE* err);
