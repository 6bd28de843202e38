#include "harness/davserver.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <memory>

namespace {

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

DavServer::DavServer(const QString& user, const QString& password, const QString& logLevel, Kind kind)
    : m_kind(kind)
    , m_user(user)
    , m_password(password)
    , m_logLevel(logLevel)
{
    // Into a file rather than a pipe, which would stop the server once full
    // while nobody reads it.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("log")));
}

DavServer::~DavServer()
{
    stop();
}

void DavServer::useTls(const QString& certificate, const QString& key)
{
    m_tls = QStringLiteral("ssl = True\ncertificate = %1\nkey = %2\n").arg(certificate, key);
}

bool DavServer::start()
{
    const QString name = m_kind == Kind::Radicale ? QStringLiteral("radicale") : QStringLiteral("xandikos");
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) {
        m_error = name + QStringLiteral(" is not installed (scripts/setup.sh installs it)");
        return false;
    }
    // Another program may take the port between the probe and the server's
    // start; a few tries get past that.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = freePort();
        const QStringList args = arguments();
        if (args.isEmpty())
            return false;
        m_process.start(program, args);
        if (!m_process.waitForStarted(10'000)) {
            m_error = m_process.errorString();
            return false;
        }
        const QDeadlineTimer deadline(20'000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        stop();
        m_error = name + QStringLiteral(" did not start: ") + log();
    }
    return false;
}

QStringList DavServer::arguments()
{
    if (m_kind == Kind::Xandikos)
        return {QStringLiteral("--defaults"), QStringLiteral("-d"), m_dir.filePath(QStringLiteral("collections")),
                QStringLiteral("-l"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port)};
    if (!writeFile(m_dir.filePath(QStringLiteral("users")), (m_user + u':' + m_password + u'\n').toUtf8())) {
        m_error = QStringLiteral("cannot write the users file");
        return {};
    }
    const QString config = QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n%5"
                                          "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
                                          "htpasswd_encryption = plain\ndelay = 0\n"
                                          "[rights]\ntype = owner_only\n"
                                          "[storage]\nfilesystem_folder = %3\n"
                                          "[web]\ntype = none\n"
                                          "[logging]\nlevel = %4\n")
                               .arg(QString::number(m_port), m_dir.filePath(QStringLiteral("users")),
                                    m_dir.filePath(QStringLiteral("collections")), m_logLevel, m_tls);
    const QString configPath = m_dir.filePath(QStringLiteral("config"));
    if (!writeFile(configPath, config.toUtf8())) {
        m_error = QStringLiteral("cannot write the configuration");
        return {};
    }
    return {QStringLiteral("-C"), configPath};
}

void DavServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10'000)) {
        m_process.kill();
        m_process.waitForFinished(5'000);
    }
}

QUrl DavServer::addressBook(const QString& name) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2/%3/%4/")
                    .arg(m_tls.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"), QString::number(m_port),
                         m_kind == Kind::Radicale ? m_user : QStringLiteral("user/contacts"), name));
}

bool DavServer::makeAddressBook(const QString& name)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop>"
                            "<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>"
                            "</D:prop></D:set></D:mkcol>";
    return request("MKCOL", addressBook(name), body, {{"Content-Type", "application/xml"}}).status == 201;
}

bool DavServer::seed(const QString& name, const QList<QPair<QString, QByteArray>>& cards)
{
    const QString folder = m_dir.filePath(QStringLiteral("collections/collection-root/%1/%2/").arg(m_user, name));
    if (m_kind != Kind::Radicale || !QFileInfo(folder).isDir())
        return false;
    return std::all_of(cards.begin(), cards.end(),
                       [&](const QPair<QString, QByteArray>& card) { return writeFile(folder + card.first, card.second); });
}

DavServer::Reply DavServer::request(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                                              const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QNetworkAccessManager network;
    QNetworkRequest http(url);
    http.setRawHeader("Authorization", "Basic " + (m_user + u':' + m_password).toUtf8().toBase64());
    for (const auto& [name, value] : headers)
        http.setRawHeader(name, value);
    const std::unique_ptr<QNetworkReply> reply(network.sendCustomRequest(http, verb, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->rawHeader("ETag")};
}

QList<QPair<QString, QString>> DavServer::etags(const QUrl& collection)
{
    const Reply listing = request("PROPFIND", collection,
                                  "<?xml version=\"1.0\"?><propfind xmlns=\"DAV:\"><prop><getetag/></prop></propfind>",
                                  {{"Depth", "1"}, {"Content-Type", "application/xml"}});
    // Each response on its own, href before the ETag, with or without a
    // namespace prefix.
    static const QRegularExpression card(
        QStringLiteral("<(?:\\w+:)?href>([^<]*\\.vcf)</(?:\\w+:)?href>.*?<(?:\\w+:)?getetag>([^<]*)</"));
    QList<QPair<QString, QString>> result;
    for (const QRegularExpressionMatch& m : card.globalMatch(QString::fromUtf8(listing.body)))
        result.append({m.captured(1), m.captured(2)});
    std::sort(result.begin(), result.end());
    return result;
}

QString DavServer::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
