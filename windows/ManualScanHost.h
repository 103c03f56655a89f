#pragma once

#include <QRect>
#include <QString>

#include <functional>

// What the manual scan window borrows from the main window: its serial port,
// its live readouts and its scan term.
class ManualScanHost
{
public:
    virtual ~ManualScanHost() = default;

    // Opens the scanner's port; on failure *error names the port, its device and
    // the reason.
    virtual bool openScannerPort(QString *error) = 0;
    virtual void closeScannerPort() = 0;
    // Selects the channel on the scanner and shows it; false when the write failed.
    virtual bool PortOpen(int channel) = 0;
    // Queries one reading and shows it; done runs once the exchange has ended.
    // False (and done never runs) when the query could not be sent.
    virtual bool ReadPres(std::function<void()> done) = 0;
    // The scan term as the user typed it, in seconds.
    virtual QString scanTermText() const = 0;
    // The main window's outer geometry, for placing the manual window.
    virtual QRect hostFrameGeometry() const = 0;
};
