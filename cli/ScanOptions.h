#pragma once

#include "ChannelNames.h"
#include "SettleCheck.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// What rozivoda-scan was asked to do, as read from its command line.
struct ScanOptions
{
    enum class Action { Scan, Help, Version, ListPorts };

    static constexpr int kFirstChannel = 0;
    static constexpr int kLastChannel = 99;

    Action action = Action::Scan;
    // Exactly one of: a port number of the settings (1 or 2), a device, the demo.
    int port = 0;
    QString device;
    bool demo = false;
    int startCh = 0;
    int endCh = 0;
    std::chrono::milliseconds period { 1000 };
    SettleCheck settle;
    // Limits; 0 is none. With both, the scan ends at whichever comes first.
    int passes = 0;
    std::chrono::milliseconds duration { 0 };
    // Passes zeroed on before recording; 0 is no zero.
    int zeroPasses = 0;
    // Empty when not asked for; the record keeps every reading anyway.
    QString outFile;
    // "-" is the standard output.
    QString csvFile;
    // Where the record is (a store URL); empty for the embedded file.
    QString storeUrl;
    // What the channels measure, from --channel-names; none when not given.
    ChannelNames names;
    bool quiet = false;
    bool verbose = false;
};

// Reads the command line into ScanOptions; a refusal names the option and says
// what it takes, in one line.
class ScanOptionsParser
{
public:
    ScanOptionsParser();

    // arguments as QCoreApplication::arguments() gives them, the program first.
    bool parse(const QStringList &arguments);
    const ScanOptions &options() const { return m_options; }
    QString errorString() const { return m_error; }
    QString helpText() const;

    // "30s", "10m", "8h", "2d", or seconds ("90", "1.5"); nothing when the text
    // is none of these or not above zero.
    static std::optional<std::chrono::milliseconds> durationFromText(const QString &text);

private:
    bool fail(const QString &message);
    bool readRange(const QString &text);
    bool readTerm(const QString &text);
    bool readNames(const QString &path);
    bool readSettleCheck();

    QCommandLineParser m_parser;
    QCommandLineOption m_port;
    QCommandLineOption m_device;
    QCommandLineOption m_demo;
    QCommandLineOption m_range;
    QCommandLineOption m_term;
    QCommandLineOption m_settleTolerance;
    QCommandLineOption m_settleMax;
    QCommandLineOption m_passes;
    QCommandLineOption m_duration;
    QCommandLineOption m_zeroPasses;
    QCommandLineOption m_out;
    QCommandLineOption m_csv;
    QCommandLineOption m_store;
    QCommandLineOption m_names;
    QCommandLineOption m_quiet;
    QCommandLineOption m_verbose;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_listPorts;
    ScanOptions m_options;
    QString m_error;
};
