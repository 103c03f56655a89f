#pragma once

#include <QByteArrayView>
#include <QMap>
#include <QString>

#include <optional>

class SettingsStore;

// What each channel measures: a short name and a note, both optional. The
// texts come from outside (typed, pasted, read from a file or a record), so
// every way in cleans them: control and direction-override characters become
// spaces, runs of white space one space, and the text is cut to its limit.
class ChannelNames
{
public:
    struct Entry
    {
        QString name;
        QString note;

        bool isEmpty() const { return name.isEmpty() && note.isEmpty(); }
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    // The channels a name may belong to.
    static constexpr int kFirstChannel = 0;
    static constexpr int kLastChannel = 99;
    static constexpr int kMaxNameLength = 64;
    static constexpr int kMaxNoteLength = 200;
    // How much of a name a legend or a narrow column shows; tips show it whole.
    static constexpr int kShortNameLength = 24;
    // A names file larger than this is not one.
    static constexpr qsizetype kMaxFileSize = 1 << 20;

    static QString cleanText(QStringView text, int maxLength);

    Entry entry(int channel) const { return m_entries.value(channel); }
    QString name(int channel) const { return m_entries.value(channel).name; }
    QString note(int channel) const { return m_entries.value(channel).note; }
    // Cleans both texts; two empty ones remove the channel. A channel outside
    // the scanner's is ignored.
    void set(int channel, QStringView name, QStringView note);
    void clear() { m_entries.clear(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const QMap<int, Entry> &entries() const { return m_entries; }

    // "Ch 03 Inlet static", or "Ch 03" for a channel without a name. A name
    // longer than maxNameLength (when given) is cut with an ellipsis.
    QString label(int channel, int maxNameLength = -1) const;
    // The channel's name and note as a tool tip, or empty when it has neither.
    // Made rich text with everything escaped, so that a name that looks like
    // markup is shown as typed.
    QString toolTip(int channel) const;
    // Plain text as a tool tip that is never read as markup.
    static QString plainToolTip(const QString &text);

    // Kept per channel in the settings, name and note apart.
    void load(const SettingsStore &settings);
    // False when the settings could not be written.
    bool save(SettingsStore &settings) const;

    // As the record keeps them: a JSON object by channel,
    // {"3":{"name":"Inlet static","note":"..."}}; empty text for no names.
    QString toJson() const;
    // Whatever the text holds is cleaned; text that is not such an object
    // gives no names.
    static ChannelNames fromJson(const QString &text);

    // A names file: UTF-8 lines "channel,name,note" (comma- or, when its first
    // line holds a tab, tab-separated; a field in double quotes may hold the
    // separator, "" stands for a quote). Blank lines and lines starting with #
    // are skipped, and so is a first line that starts with "channel". The note
    // may be left out. nullopt, with *error naming the line, for a file that
    // is not one.
    static std::optional<ChannelNames> fromCsv(QByteArrayView bytes, QString *error);

    friend bool operator==(const ChannelNames &, const ChannelNames &) = default;

private:
    QMap<int, Entry> m_entries;
};
