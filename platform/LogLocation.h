#pragma once

#include <QString>

// The folder of the program's log: $XDG_STATE_HOME/ROZIVODA, or
// ~/.local/state/ROZIVODA where XDG_STATE_HOME is not set.
QString logDirectory();
