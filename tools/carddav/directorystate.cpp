#include "tools/carddav/directorystate.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/toolerror.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QJsonObject toJson(const CardReading& reading)
{
    QJsonArray numbers;
    for (const CardReading::Number& n : reading.numbers)
        numbers.append(QJsonObject{
            {"digits", n.digits ? QJsonValue(*n.digits) : QJsonValue()}, {"kind", n.kind}, {"text", n.text}});
    return {{"region", reading.region},
            {"uid", reading.uid},
            {"name", reading.name},
            {"categories", QJsonArray::fromStringList(reading.categories)},
            {"numbers", numbers}};
}

QStringList strings(const QJsonValue& array)
{
    QStringList list;
    for (const QJsonValue& v : array.toArray())
        list.append(v.toString());
    return list;
}

// None where an older version wrote less than is read now: the card is read
// again.
std::optional<CardReading> readingFrom(const QJsonObject& o)
{
    if (!o[u"categories"].isArray() || !o[u"uid"].isString())
        return std::nullopt;
    CardReading reading{o[u"region"].toString(), o[u"uid"].toString(), o[u"name"].toString(), {},
                        strings(o[u"categories"])};
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
        QJsonObject c{{"etag", QString::fromLatin1(card.etag)}, {"text", card.text}};
        if (card.reading)
            c.insert("reading", toJson(*card.reading));
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
    if (!QDir().mkpath(folder()))
        throw ToolError(QStringLiteral("cannot make the folder %1 for what is remembered between runs").arg(folder()));
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    if (!m_lock->tryLock(30'000))
        throw ToolError(QStringLiteral("another quorvelin-tool is publishing or syncing %1; try again when it has "
                                       "finished")
                            .arg(directoryFile));

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    // A state written for another file under a colliding name is none.
    if (root["directory"].toString() != m_directory)
        return;
    const QJsonObject sync = root["sync"].toObject();
    if (!sync.isEmpty())
        m_lastSync = Settings{sync["url"].toString(), sync["user"].toString(), sync["folder"].toString(),
                              sync["region"].toString(), sync["passwordCommand"].toString()};
    const QJsonObject books = root["books"].toObject();
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
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) < 0
        || !file.commit())
        throw ToolError(QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString()));
    m_savedSync = m_lastSync;
    m_savedBooks = m_books;
}
