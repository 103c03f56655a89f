#include "mdlMain.h"

std::unique_ptr<frmMain> Main(const frmMain::Services &services)
{
    auto window = std::make_unique<frmMain>(services);
    window->Form_Load();
    window->show();
    window->offerRecovery();
    return window;
}
