#include "DBusDesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

using namespace Qt::StringLiterals;

void DBusDesktopNotifier::notify(const QString &title, const QString &text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
        u"org.freedesktop.Notifications"_s, u"Notify"_s);
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    call << QCoreApplication::applicationName() << uint(0) << u"rozivoda"_s << title << text
         << QStringList() << QVariantMap() << int(-1);
    // Without a reply wanted, nothing waits and a missing service costs nothing.
    call.setAutoStartService(false);
    bus.send(call);
}
