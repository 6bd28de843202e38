#pragma once

#include "tools/formats/cardreading.h"

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

// What the tool remembers between runs of one directory file and the address
// books it publishes to or syncs with. It lives outside the file, which
// belongs to the window while it runs: in $XDG_STATE_HOME/quorvelin/ (else
// ~/.local/state/quorvelin/), one JSON file for each directory file, named
// after the hash of its path that also names its cards; the folder the
// user's alone (0700), the file too (0600), neither followed through a link.
// Of each card it keeps the ETag and how the card reads, not its text.
// Losing it is safe: the next run reads every card again and matches what
// it finds.
class DirectoryState
{
public:
    // An address book as last read, and, for sync, which entry stands for
    // which number on which card, as both sides last agreed.
    struct Book
    {
        struct Card
        {
            QByteArray etag; // empty when the server gave none: read again next time
            QString text;    // only while a run has it: not remembered
            std::optional<CardReading> reading{}; // once the text was read
            bool operator==(const Card&) const = default;
        };
        struct Link
        {
            qint64 code = 0; // the entry
            QString path;    // the card
            int tel = 0;     // which of the card's TEL lines, in order
            // The entry as both sides last agreed, as the directory holds it...
            QString name;
            qint64 number = 0;
            QStringList folder; // from the top level; empty for the top
            // ...and as the card held it: its TEL as written (empty in what
            // older versions remembered) and the folder its categories gave.
            QString telText;
            QStringList cardFolder;
            bool agreed = true;     // false: matched, with nothing agreed yet
            bool confirmed = false; // linked when removals were last confirmed
            bool operator==(const Link&) const = default;
        };
        // What sync removed on either side since removals were last
        // confirmed (--force) or first counted: no series of syncs takes
        // more than half of what was linked then.
        struct Removals
        {
            int links = -1; // linked then; -1 before the first count
            int fromDirectory = 0;
            int fromServer = 0;
            QString since; // the date, for messages
            bool operator==(const Removals&) const = default;
        };

        QString token; // the server's sync token, when it keeps them
        QString version; // of the cards it takes: "3.0" or "4.0"; empty before it was asked
        std::map<QString, Card> cards; // by path
        std::vector<Link> links;
        Removals removals;
        bool operator==(const Book&) const = default;
    };

    // The settings of the last sync, which a sync given none repeats.
    struct Settings
    {
        QString url;
        QString user;
        QString folder;
        QString region;
        QString passwordCommand; // a command that prints the password, never the password
        bool operator==(const Settings&) const = default;
    };

    // More than any real directory and address book needs.
    static constexpr qint64 MaxBytes = qint64(256) << 20;

    // Reads the state of `directoryFile`, waiting a while for another run on
    // it to end. A state file that cannot be read, or is no plain file of
    // the user's, counts as none. Throws ToolError when another run holds it
    // for too long, or the folder or the lock is not the user's own.
    explicit DirectoryState(const QString& directoryFile);
    ~DirectoryState();
    DirectoryState(const DirectoryState&) = delete;
    DirectoryState& operator=(const DirectoryState&) = delete;

    // Where the state files are kept.
    static QString folder();
    // Eight hexadecimal digits standing for the directory file's path: they
    // name its state file and the cards made from it.
    static QString id(const QString& directoryFile);

    // `identity` as CollectionScope gives it: the same address book
    // however its URL is written.
    Book& book(const QString& identity);
    std::optional<Settings> lastSync() const { return m_lastSync; }
    // Read from a file only the user could write: its settings may name a
    // command to run.
    bool trusted() const { return m_trusted; }
    void setLastSync(const Settings& settings) { m_lastSync = settings; }

    // Written whole or not at all, and only when something changed since it
    // was read or last written: an address book's readings make it
    // megabytes. Throws ToolError, also when it would pass MaxBytes.
    void save();

private:
    QString m_path;
    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    bool m_trusted = false;
    std::optional<Settings> m_lastSync;
    std::map<QString, Book> m_books; // by URL
    // As the file holds them. Copies cost little: the texts are shared.
    std::optional<Settings> m_savedSync;
    std::map<QString, Book> m_savedBooks;
};
