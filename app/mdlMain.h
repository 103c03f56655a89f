#pragma once

#include "frmMain.h"

#include <memory>

// Creates the main window, restores its settings and shows it; the program
// then runs in the event loop until the window closes.
std::unique_ptr<frmMain> Main(const frmMain::Services &services);
