#include "tools/carddav/directorystate.h"

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

QJsonObject toJson(const DirectoryState::Book& book)
{
    QJsonObject cards;
    for (const auto& [path, card] : book.cards)
        cards.insert(path, QJsonObject{{"etag", QString::fromLatin1(card.etag)}, {"text", card.text}});
    QJsonArray links;
    for (const DirectoryState::Book::Link& l : book.links)
        links.append(QJsonObject{{"code", l.code},     {"path", l.path},     {"tel", l.tel},
                                 {"name", l.name},     {"number", l.number}, {"folder", l.folder}});
    return {{"token", book.token}, {"cards", cards}, {"links", links}};
}

DirectoryState::Book bookFrom(const QJsonObject& o)
{
    DirectoryState::Book book;
    book.token = o["token"].toString();
    const QJsonObject cards = o["cards"].toObject();
    for (auto it = cards.begin(); it != cards.end(); ++it) {
        const QJsonObject c = it.value().toObject();
        book.cards[it.key()] = {c["etag"].toString().toLatin1(), c["text"].toString()};
    }
    for (const QJsonValue& v : o["links"].toArray()) {
        const QJsonObject l = v.toObject();
        book.links.push_back({qint64(l["code"].toDouble()), l["path"].toString(), l["tel"].toInt(),
                              l["name"].toString(), qint64(l["number"].toDouble()), l["folder"].toString()});
    }
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

DirectoryState::Book& DirectoryState::book(const QString& url)
{
    return m_books[url];
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
