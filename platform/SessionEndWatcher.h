#pragma once

#include <QObject>
#include <QString>

// Tells when the program is asked to end from outside, as at logout, a kill or
// Ctrl+C in the terminal that started it: nobody is there to answer questions,
// but the scan must stop and the port close properly.
class SessionEndWatcher : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // what: the request, for the log ("SIGTERM").
    void endRequested(const QString &what);
};
