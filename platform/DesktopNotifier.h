#pragma once

#include <QString>

// A message to the desktop's notification area, outside the program's windows:
// seen when the window is hidden or on another desktop. Never waits; where the
// desktop has no notification service, nothing is shown.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const QString &title, const QString &text) = 0;
};
