#pragma once

#include <QString>

// What the file commands need from the window that shows the result document.
class DocumentHost
{
public:
    virtual ~DocumentHost() = default;

    // A new, empty table laid out for the chosen channels, ready for a scan.
    virtual void enterIdleState() = 0;
    // The busy pointer, and other commands held off, while a file is read or written.
    virtual void setBusy(bool busy) = 0;
    // Called when a file starts loading and then every few tens of
    // milliseconds; false when the user cancelled the load.
    virtual bool showLoadProgress(qint64 bytesDone, qint64 bytesTotal) = 0;
    // A passing word on what a command did, for the status bar.
    virtual void showNotice(const QString &notice) = 0;
};
