#pragma once

#include "FakeDialogs.h"
#include "FakeSerialPort.h"
#include "FakeTimer.h"
#include "PortMap.h"
#include "QtEventPump.h"
#include "QtSettingsStore.h"
#include "ScanSession.h"
#include "frmMain.h"

#include <QAction>
#include <QTemporaryDir>
#include <QToolBar>

#include <memory>

// A command of the main window by its name, as the menus and the toolbar share
// it; a name that is gone stops the test here rather than at a null pointer.
inline QAction *command(const QObject &window, const QString &name)
{
    auto *found = window.findChild<QAction *>(name);
    if (!found)
        qFatal("no command %s", qPrintable(name));
    return found;
}
inline void trigger(const QObject &window, const QString &name)
{
    command(window, name)->trigger();
}

// A main window on a temporary settings file, a fake serial port, timers the
// test fires and scripted dialogs. Nothing touches the user's settings.
struct MainWindowFixture
{
    QTemporaryDir dir;
    std::unique_ptr<QtSettingsStore> settings;
    std::unique_ptr<PortMap> ports;
    FakeSerialPort port;
    FakeTimerFactory timers;
    FakeDialogs dialogs;
    QtEventPump events;
    std::unique_ptr<ScanSession> session;
    std::unique_ptr<frmMain> window;

    MainWindowFixture() : settings(std::make_unique<QtSettingsStore>(settingsPath())) { }

    QString settingsPath() const { return dir.filePath(QStringLiteral("ROZIVODA.conf")); }

    // Creates the window without running its load handler.
    frmMain &create()
    {
        ports = std::make_unique<PortMap>(*settings);
        session = std::make_unique<ScanSession>(port, timers);
        window = std::make_unique<frmMain>(
            frmMain::Services { *settings, *ports, *session, timers, dialogs, events });
        return *window;
    }
    // Creates, loads and shows the window, as the program starts.
    frmMain &start()
    {
        create();
        window->Form_Load();
        window->show();
        return *window;
    }

    template<typename T> T *find(const QString &name) const { return window->findChild<T *>(name); }
    QAction *command(const QString &name) const { return ::command(*window, name); }
    FakeTimer *replyTimer() const { return timers.named(QStringLiteral("replyTimeout")); }
    FakeTimer *scanTimer() const { return timers.named(QStringLiteral("tmrScan")); }
    // Lets the time pass in which a reply still owed could come.
    void outwaitOwedReplies() { timers.advance(ScannerLink::kReplyBound); }
};
