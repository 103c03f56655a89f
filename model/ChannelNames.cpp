#include "ChannelNames.h"

#include "GridLayout.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

// Characters that would change how the text around them is laid out or read:
// controls, and the marks that override or isolate a direction, which can make
// a name appear to say something else.
bool isUnsafe(char32_t c)
{
    if (c < 0x20 || (c >= 0x7f && c < 0xa0))
        return true;
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028
        || c == 0x2029 || c == 0xfeff;
}

struct CsvLine
{
    QStringList fields;
    bool ok = true;
};

CsvLine splitLine(QStringView line, QChar separator)
{
    CsvLine result;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < line.size() && line.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == separator) {
            result.fields << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'"' && !wasQuoted && field.trimmed().isEmpty()) {
            field.clear();
            quoted = wasQuoted = true;
        } else {
            field += c;
        }
    }
    result.fields << field;
    result.ok = !quoted;
    return result;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("ChannelNames", text);
}

} // namespace

QString ChannelNames::cleanText(QStringView text, int maxLength)
{
    QString clean;
    clean.reserve(std::min<qsizetype>(text.size(), maxLength + 1));
    bool space = true; // drops leading white space
    for (char32_t c : text.toUcs4()) {
        // A lone surrogate has no character to show.
        if (c >= 0xd800 && c <= 0xdfff)
            c = 0xfffd;
        if (isUnsafe(c) || QChar::isSpace(c)) {
            if (!space)
                clean += u' ';
            space = true;
            continue;
        }
        space = false;
        const qsizetype width = QChar::requiresSurrogates(c) ? 2 : 1;
        if (clean.size() + width > maxLength)
            break;
        clean += QString::fromUcs4(&c, 1);
        if (clean.size() >= maxLength)
            break;
    }
    while (clean.endsWith(u' '))
        clean.chop(1);
    return clean;
}

void ChannelNames::set(int channel, QStringView name, QStringView note)
{
    if (channel < kFirstChannel || channel > kLastChannel)
        return;
    Entry entry { cleanText(name, kMaxNameLength), cleanText(note, kMaxNoteLength) };
    if (entry.isEmpty())
        m_entries.remove(channel);
    else
        m_entries.insert(channel, entry);
}

QString ChannelNames::label(int channel, int maxNameLength) const
{
    const QString label = u"Ch "_s + channelText(channel);
    QString text = name(channel);
    if (text.isEmpty())
        return label;
    if (maxNameLength > 0 && text.size() > maxNameLength) {
        qsizetype cut = maxNameLength - 1;
        if (cut > 0 && text.at(cut - 1).isHighSurrogate())
            --cut;
        text = text.left(cut) + u'\u2026';
    }
    return label + u' ' + text;
}

QString ChannelNames::plainToolTip(const QString &text)
{
    if (text.isEmpty())
        return {};
    return u"<qt>"_s + text.toHtmlEscaped().replace(u'\n', u"<br>"_s) + u"</qt>"_s;
}

QString ChannelNames::toolTip(int channel) const
{
    const Entry e = entry(channel);
    if (e.isEmpty())
        return {};
    QString text = u"<qt><b>Ch "_s + channelText(channel) + u"</b>"_s;
    if (!e.name.isEmpty())
        text += u' ' + e.name.toHtmlEscaped();
    if (!e.note.isEmpty())
        text += u"<br>"_s + e.note.toHtmlEscaped();
    return text + u"</qt>"_s;
}

void ChannelNames::load(const SettingsStore &settings)
{
    m_entries.clear();
    for (int channel = kFirstChannel; channel <= kLastChannel; ++channel) {
        const QString key = SettingsKeys::channelNameKey(channel);
        set(channel, settings.value(SettingsKeys::kChannelNames, key, {}),
            settings.value(SettingsKeys::kChannelNotes, key, {}));
    }
}

bool ChannelNames::save(SettingsStore &settings) const
{
    bool ok = true;
    for (int channel = kFirstChannel; channel <= kLastChannel; ++channel) {
        const QString key = SettingsKeys::channelNameKey(channel);
        const Entry e = entry(channel);
        for (const auto &[section, text] : { std::pair { SettingsKeys::kChannelNames, e.name },
                                             std::pair { SettingsKeys::kChannelNotes, e.note } }) {
            // An empty text is written only over one stored before, so that
            // it does not come back.
            if (settings.value(section, key, {}) != text)
                ok = settings.setValue(section, key, text) && ok;
        }
    }
    return ok;
}

QString ChannelNames::toJson() const
{
    if (m_entries.isEmpty())
        return {};
    QJsonObject object;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        QJsonObject entry;
        if (!it->name.isEmpty())
            entry.insert(u"name"_s, it->name);
        if (!it->note.isEmpty())
            entry.insert(u"note"_s, it->note);
        object.insert(QString::number(it.key()), entry);
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

ChannelNames ChannelNames::fromJson(const QString &text)
{
    ChannelNames names;
    if (text.isEmpty() || text.size() > kMaxFileSize)
        return names;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        bool ok = false;
        const int channel = it.key().toInt(&ok);
        const QJsonObject entry = it.value().toObject();
        if (ok)
            names.set(channel, entry.value(u"name"_s).toString(),
                      entry.value(u"note"_s).toString());
    }
    return names;
}

std::optional<ChannelNames> ChannelNames::fromCsv(QByteArrayView bytes, QString *error)
{
    if (bytes.size() > kMaxFileSize) {
        *error = tr("the file is larger than %1 KiB: not a list of channel names")
                     .arg(kMaxFileSize / 1024);
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        *error = tr("the file is not UTF-8 text");
        return std::nullopt;
    }
    ChannelNames names;
    const QStringList lines = text.split(u'\n');
    QChar separator;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line = lines.at(i);
        if (line.startsWith(u'\uFEFF'))
            line = line.mid(1);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
            continue;
        const bool first = separator.isNull();
        if (first)
            separator = line.contains(u'\t') ? u'\t' : u',';
        const QString where = tr("line %1").arg(i + 1);
        const CsvLine fields = splitLine(line, separator);
        if (!fields.ok) {
            *error = tr("%1: a quoted field is not closed").arg(where);
            return std::nullopt;
        }
        QString channelField = fields.fields.at(0).trimmed();
        if (first && channelField.startsWith(u"channel"_s, Qt::CaseInsensitive))
            continue;
        for (qsizetype j = 3; j < fields.fields.size(); ++j) {
            if (!fields.fields.at(j).trimmed().isEmpty()) {
                *error = tr("%1: more than three fields (channel, name, note)").arg(where);
                return std::nullopt;
            }
        }
        // "Ch 03" as the exports write it reads as 3.
        if (channelField.startsWith(u"Ch"_s, Qt::CaseInsensitive))
            channelField = channelField.mid(2).trimmed();
        bool ok = false;
        const int channel = channelField.toInt(&ok);
        if (!ok || channel < kFirstChannel || channel > kLastChannel) {
            *error = tr("%1: \"%2\" is not a channel (%3 to %4)")
                         .arg(where, cleanText(fields.fields.at(0), 20))
                         .arg(kFirstChannel)
                         .arg(kLastChannel);
            return std::nullopt;
        }
        if (names.m_entries.contains(channel)) {
            *error = tr("%1: channel %2 is named twice").arg(where).arg(channel);
            return std::nullopt;
        }
        names.set(channel, fields.fields.value(1), fields.fields.value(2));
    }
    return names;
}
