#pragma once

#include "DesktopNotifier.h"

// Notifications through the freedesktop notification service on the session
// bus (org.freedesktop.Notifications). The call is sent without waiting for a
// reply; without a session bus or the service it goes nowhere.
class DBusDesktopNotifier : public DesktopNotifier
{
public:
    void notify(const QString &title, const QString &text) override;
};
