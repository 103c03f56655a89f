#pragma once

#include <QString>

// The folder of the program's state, its log and its record of scans:
// $XDG_STATE_HOME/ROZIVODA, or ~/.local/state/ROZIVODA where XDG_STATE_HOME is
// not set or not an absolute path.
QString stateDirectory();
QString logDirectory();

// Creates path and the folders above it; the state folder itself is made (or
// narrowed to) its owner's only, as it holds the lab's data and the wire bytes.
bool makeStateDirectory(const QString &path);
