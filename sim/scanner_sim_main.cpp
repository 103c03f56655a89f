#include "PtyScanner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

bool faultFromName(const QString &name, ScannerModel::ReplyFault *fault)
{
    static const QHash<QString, ScannerModel::ReplyFault> kFaults = {
        { u"none"_s, ScannerModel::ReplyFault::None },
        { u"silent"_s, ScannerModel::ReplyFault::Silent },
        { u"no-comma"_s, ScannerModel::ReplyFault::NoComma },
        { u"early-comma"_s, ScannerModel::ReplyFault::EarlyComma },
        { u"garbage"_s, ScannerModel::ReplyFault::Garbage },
        { u"cut"_s, ScannerModel::ReplyFault::Cut },
        { u"endless"_s, ScannerModel::ReplyFault::Endless },
    };
    const auto found = kFaults.constFind(name);
    if (found == kFaults.constEnd())
        return false;
    *fault = found.value();
    return true;
}

bool readCount(const QString &text, int minimum, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < minimum)
        return false;
    *value = number;
    return true;
}

QString printable(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            text += u"<CR>"_s;
        else if (byte == '\n')
            text += u"<LF>"_s;
        else if (byte >= 0x20 && byte < 0x7f)
            text += QLatin1Char(char(byte));
        else
            text += u"<%1>"_s.arg(uint(byte), 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"rozivoda-scanner-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Simulates the pressure scanner on a pseudo-terminal. Open the printed device in "
        "the program as its serial port. Faults: none, silent, no-comma, early-comma, "
        "garbage, cut (half a reply, no terminator), endless (a megabyte without terminator)."_s);
    parser.addHelpOption();
    const QCommandLineOption delay(u"delay"_s, u"Answer each query after <ms> milliseconds."_s,
                                   u"ms"_s, u"0"_s);
    const QCommandLineOption queryDelay(
        u"delay-query"_s,
        u"Answer query <n> (0: the first) after <ms> milliseconds, e.g. 0=1500 (may be "
        "repeated)."_s,
        u"n=ms"_s);
    const QCommandLineOption pieces(u"pieces"_s, u"Send each reply in <n> pieces."_s, u"n"_s,
                                    u"1"_s);
    const QCommandLineOption gap(u"gap"_s, u"Wait <ms> milliseconds between two pieces."_s, u"ms"_s,
                                 u"0"_s);
    const QCommandLineOption fault(u"fault"_s, u"Answer every channel with <fault>."_s, u"fault"_s,
                                   u"none"_s);
    const QCommandLineOption channelFault(
        u"channel-fault"_s, u"Answer one channel with a fault, e.g. 7=silent (may be repeated)."_s,
        u"channel=fault"_s);
    const QCommandLineOption closeAfter(u"close-after"_s,
                                        u"Close the line when query <n> + 1 arrives (0: never)."_s,
                                        u"n"_s, u"0"_s);
    const QCommandLineOption queryFault(
        u"query-fault"_s, u"Answer one query with a fault, e.g. 3=cut (may be repeated)."_s,
        u"n=fault"_s);
    const QCommandLineOption overtake(u"overtake"_s,
                                      u"Let replies to later queries overtake a delayed one."_s);
    const QCommandLineOption settle(
        u"settle-ms"_s,
        u"After a select, let the reply approach the channel's value with a time constant of "
        "<ms> milliseconds, for every channel (e.g. 80) or one (e.g. 7=400; may be repeated)."_s,
        u"ms|channel=ms"_s);
    const QCommandLineOption quiet(u"quiet"_s, u"Do not print the traffic."_s);
    parser.addOptions({ delay, queryDelay, pieces, gap, fault, channelFault, queryFault, overtake,
                        closeAfter, settle, quiet });
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);
    PtyScanner scanner;
    ScannerModel::Options &options = scanner.model().options();
    int number = 0;
    if (!readCount(parser.value(delay), 0, &number)) {
        err << "--delay needs a number of milliseconds\n";
        return 2;
    }
    options.replyDelay = std::chrono::milliseconds(number);
    for (const QString &entry : parser.values(queryDelay)) {
        const QStringList parts = entry.split(u'=');
        int query = 0;
        int ms = 0;
        if (parts.size() != 2 || !readCount(parts.at(0), 0, &query)
            || !readCount(parts.at(1), 0, &ms)) {
            err << "--delay-query needs query=ms, e.g. 0=1500: " << entry << '\n';
            return 2;
        }
        options.queryDelays.insert(quint64(query), std::chrono::milliseconds(ms));
    }
    if (!readCount(parser.value(gap), 0, &number)) {
        err << "--gap needs a number of milliseconds\n";
        return 2;
    }
    options.pieceGap = std::chrono::milliseconds(number);
    if (!readCount(parser.value(pieces), 1, &options.pieces)) {
        err << "--pieces needs a number from 1\n";
        return 2;
    }
    if (!readCount(parser.value(closeAfter), 0, &options.closeAfterQueries)) {
        err << "--close-after needs a number from 0\n";
        return 2;
    }
    if (!faultFromName(parser.value(fault), &options.fault)) {
        err << "unknown fault: " << parser.value(fault) << '\n';
        return 2;
    }
    for (const QString &entry : parser.values(channelFault)) {
        const QStringList parts = entry.split(u'=');
        int channel = 0;
        ScannerModel::ReplyFault channelKind {};
        if (parts.size() != 2 || !readCount(parts.at(0), 0, &channel)
            || channel >= ScannerModel::kChannelCount
            || !faultFromName(parts.at(1), &channelKind)) {
            err << "--channel-fault needs channel=fault, e.g. 7=silent: " << entry << '\n';
            return 2;
        }
        options.channelFaults.insert(channel, channelKind);
    }

    for (const QString &entry : parser.values(queryFault)) {
        const QStringList parts = entry.split(u'=');
        int query = 0;
        ScannerModel::ReplyFault queryKind {};
        if (parts.size() != 2 || !readCount(parts.at(0), 0, &query)
            || !faultFromName(parts.at(1), &queryKind)) {
            err << "--query-fault needs query=fault, e.g. 3=cut: " << entry << '\n';
            return 2;
        }
        options.queryFaults.insert(quint64(query), queryKind);
    }
    options.overtake = parser.isSet(overtake);
    for (const QString &entry : parser.values(settle)) {
        const QStringList parts = entry.split(u'=');
        int channel = -1;
        int ms = 0;
        const bool ok = parts.size() == 1 ? readCount(parts.at(0), 0, &ms)
                                          : parts.size() == 2 && readCount(parts.at(0), 0, &channel)
                && channel < ScannerModel::kChannelCount && readCount(parts.at(1), 0, &ms);
        if (!ok) {
            err << "--settle-ms needs ms or channel=ms, e.g. 80 or 7=400: " << entry << '\n';
            return 2;
        }
        if (channel < 0)
            options.settleTime = std::chrono::milliseconds(ms);
        else
            options.channelSettle.insert(channel, std::chrono::milliseconds(ms));
    }

    if (!scanner.start()) {
        err << "rozivoda-scanner-sim: " << scanner.errorString() << '\n';
        return 1;
    }
    if (!parser.isSet(quiet)) {
        QObject::connect(&scanner, &PtyScanner::bytesReceived, &app,
                         [&out](const QByteArray &b) { out << "<- " << printable(b) << Qt::endl; });
        QObject::connect(&scanner, &PtyScanner::bytesSent, &app,
                         [&out](const QByteArray &b) { out << "-> " << printable(b) << Qt::endl; });
    }
    QObject::connect(&scanner, &PtyScanner::lineClosed, &app, [&out, &app] {
        out << "line closed" << Qt::endl;
        app.quit();
    });
    out << "Scanner simulator on " << scanner.devicePath() << " (Ctrl+C ends)" << Qt::endl;
    return app.exec();
}
