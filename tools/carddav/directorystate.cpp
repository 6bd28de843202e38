#include "tools/carddav/directorystate.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/toolerror.h"
#include "tools/formats/vcard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QJsonObject toJson(const CardReading& reading)
{
    QJsonArray numbers;
    for (const CardReading::Number& n : reading.numbers)
        numbers.append(QJsonObject{
            {"digits", n.digits ? QJsonValue(*n.digits) : QJsonValue()}, {"kind", n.kind}, {"text", n.text}});
    QJsonObject o{{"region", reading.region},
                  {"uid", reading.uid},
                  {"name", reading.name},
                  {"categories", QJsonArray::fromStringList(reading.categories)},
                  {"numbers", numbers}};
    if (!reading.unfit.isEmpty())
        o.insert("unfit", reading.unfit);
    return o;
}

QStringList strings(const QJsonValue& array)
{
    QStringList list;
    for (const QJsonValue& v : array.toArray())
        list.append(v.toString());
    return list;
}

// None where an older version wrote less than is read now, or an edit more
// than a card read would give: the card is read again.
std::optional<CardReading> readingFrom(const QJsonObject& o)
{
    if (!o[u"categories"].isArray() || !o[u"uid"].isString() || o[u"numbers"].toArray().size() > VCard::MaxNumbers)
        return std::nullopt;
    CardReading reading{o[u"region"].toString(), o[u"uid"].toString(), o[u"name"].toString(), {},
                        strings(o[u"categories"]), o[u"unfit"].toString()};
    for (const QString& value : reading.categories) {
        if (FolderPath::parse(value).size() > FolderPath::MaxDepth)
            return std::nullopt;
    }
    for (const QJsonValue& v : o[u"numbers"].toArray()) {
        if (!v[u"text"].isString())
            return std::nullopt;
        const QJsonValue digits = v[u"digits"];
        reading.numbers.push_back({digits.isDouble() ? std::optional(digits.toInteger()) : std::nullopt,
                                   v[u"kind"].toString(), v[u"text"].toString()});
    }
    return reading;
}

QJsonObject toJson(const DirectoryState::Book& book)
{
    QJsonObject cards;
    for (const auto& [path, card] : book.cards) {
        // Its text stays out, a photo with it: the reading is what the next
        // sync needs, and a card to be changed is read again first.
        QJsonObject c{{"etag", QString::fromLatin1(card.etag)}};
        if (card.reading)
            c.insert("reading", toJson(*card.reading));
        else
            c.insert("text", card.text);
        cards.insert(path, c);
    }
    QJsonArray links;
    for (const DirectoryState::Book::Link& l : book.links)
        links.append(QJsonObject{{"code", l.code},
                                 {"path", l.path},
                                 {"tel", l.tel},
                                 {"name", l.name},
                                 {"number", l.number},
                                 {"folder", FolderPath::format(l.folder)},
                                 {"telText", l.telText},
                                 {"cardFolder", FolderPath::format(l.cardFolder)},
                                 {"agreed", l.agreed},
                                 {"confirmed", l.confirmed}});
    const DirectoryState::Book::Removals& r = book.removals;
    return {{"token", book.token},
            {"version", book.version},
            {"cards", cards},
            {"links", links},
            {"removals", QJsonObject{{"links", r.links},
                                     {"fromDirectory", r.fromDirectory},
                                     {"fromServer", r.fromServer},
                                     {"since", r.since}}}};
}

DirectoryState::Book bookFrom(const QJsonObject& o)
{
    DirectoryState::Book book;
    book.token = o[u"token"].toString();
    book.version = o[u"version"].toString();
    const QJsonObject cards = o[u"cards"].toObject();
    for (auto it = cards.begin(); it != cards.end(); ++it) {
        const QJsonObject c = it.value().toObject();
        const QJsonValue reading = c[u"reading"];
        // In the order of their paths, as the map keeps them.
        book.cards.emplace_hint(book.cards.end(), it.key(),
                                DirectoryState::Book::Card{c[u"etag"].toString().toLatin1(), c[u"text"].toString(),
                                                           reading.isObject() ? readingFrom(reading.toObject())
                                                                              : std::nullopt});
    }
    for (const QJsonValue& v : o[u"links"].toArray()) {
        const QJsonObject l = v.toObject();
        const QStringList folder = FolderPath::parse(l[u"folder"].toString());
        // As integers: a double holds no more than 15 digits exactly.
        book.links.push_back({l[u"code"].toInteger(), l[u"path"].toString(), l[u"tel"].toInt(), l[u"name"].toString(),
                              l[u"number"].toInteger(), folder, l[u"telText"].toString(),
                              l.contains(u"cardFolder") ? FolderPath::parse(l[u"cardFolder"].toString()) : folder,
                              l[u"agreed"].toBool(true), l[u"confirmed"].toBool()});
    }
    const QJsonObject r = o[u"removals"].toObject();
    book.removals = {r[u"links"].toInt(-1), r[u"fromDirectory"].toInt(), r[u"fromServer"].toInt(), r[u"since"].toString()};
    return book;
}

} // namespace

QString DirectoryState::folder()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    return (state.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/state") : state) + QStringLiteral("/quorvelin");
}

QString DirectoryState::id(const QString& directoryFile)
{
    // Two directories published into one address book must not take each
    // other's cards for their own, and the file holds no name of its own
    // that could be used without writing to it: its path must do.
    const QFileInfo info(directoryFile);
    const QString where = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    return QString::fromLatin1(QCryptographicHash::hash(where.toUtf8(), QCryptographicHash::Sha256).toHex().left(8));
}

DirectoryState::DirectoryState(const QString& directoryFile)
    : m_path(folder() + u'/' + id(directoryFile) + QStringLiteral(".json"))
{
    const QFileInfo info(directoryFile);
    m_directory = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    // It holds what the address book holds: the user's alone, and nothing
    // planted there by another is followed.
    if (!QDir().mkpath(folder()))
        throw ToolError(QStringLiteral("cannot make the folder %1 for what is remembered between runs").arg(folder()));
    const QByteArray where = QFile::encodeName(folder());
    struct stat own = {};
    if (::lstat(where.constData(), &own) != 0 || !S_ISDIR(own.st_mode) || own.st_uid != ::getuid()
        || ::chmod(where.constData(), S_IRWXU) != 0)
        throw ToolError(QStringLiteral("%1 is not a folder of yours alone; what is remembered between runs is kept "
                                       "there. Remove it or set XDG_STATE_HOME to another place.")
                            .arg(folder()));
    const QString lock = m_path + QStringLiteral(".lock");
    struct stat held = {};
    if (::lstat(QFile::encodeName(lock).constData(), &held) == 0 && (!S_ISREG(held.st_mode) || held.st_uid != ::getuid()))
        throw ToolError(QStringLiteral("%1 is not a lock file of yours: remove it.").arg(lock));
    m_lock = std::make_unique<QLockFile>(lock);
    if (!m_lock->tryLock(30'000))
        throw ToolError(QStringLiteral("another quorvelin-tool is publishing or syncing %1; try again when it has "
                                       "finished")
                            .arg(directoryFile));

    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    QFile file;
    struct stat read = {};
    if (fd < 0 || ::fstat(fd, &read) != 0 || !S_ISREG(read.st_mode) || read.st_uid != ::getuid()
        || read.st_size > MaxBytes || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    // Settings that name a command to run are taken only from a file
    // nobody else could have written.
    m_trusted = (read.st_mode & (S_IRWXG | S_IRWXO)) == 0;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    // A state written for another file under a colliding name is none.
    if (root[u"directory"].toString() != m_directory)
        return;
    const QJsonObject sync = root[u"sync"].toObject();
    if (!sync.isEmpty())
        m_lastSync = Settings{sync[u"url"].toString(), sync[u"user"].toString(), sync[u"folder"].toString(),
                              sync[u"region"].toString(), sync[u"passwordCommand"].toString()};
    const QJsonObject books = root[u"books"].toObject();
    for (auto it = books.begin(); it != books.end(); ++it)
        m_books[it.key()] = bookFrom(it.value().toObject());
    m_savedSync = m_lastSync;
    m_savedBooks = m_books;
}

DirectoryState::~DirectoryState() = default;

DirectoryState::Book& DirectoryState::book(const QString& identity)
{
    return m_books[identity];
}

void DirectoryState::save()
{
    if (m_books == m_savedBooks && m_lastSync == m_savedSync && QFileInfo::exists(m_path))
        return;
    QJsonObject books;
    for (const auto& [url, book] : m_books)
        books.insert(url, toJson(book));
    QJsonObject root{{"directory", m_directory}, {"books", books}};
    if (m_lastSync)
        root.insert("sync", QJsonObject{{"url", m_lastSync->url},
                                        {"user", m_lastSync->user},
                                        {"folder", m_lastSync->folder},
                                        {"region", m_lastSync->region},
                                        {"passwordCommand", m_lastSync->passwordCommand}});
    const QByteArray text = QJsonDocument(root).toJson(QJsonDocument::Compact);
    if (text.size() > MaxBytes)
        throw ToolError(QStringLiteral("what would be remembered of %1 takes more than %2 MB; nothing was remembered.")
                            .arg(m_directory, QString::number(MaxBytes >> 20)));
    // Written beside it and renamed over it; a link planted in its place is
    // removed first, since the file written would be the link's target.
    struct stat there = {};
    if (::lstat(QFile::encodeName(m_path).constData(), &there) == 0 && S_ISLNK(there.st_mode))
        QFile::remove(m_path);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(text) < 0 || !file.commit())
        throw ToolError(QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString()));
    m_trusted = true;
    m_savedSync = m_lastSync;
    m_savedBooks = m_books;
}
