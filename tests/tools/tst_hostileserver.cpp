// quorvelin-tool publish against a server that lies (hostiledav.py, started
// and stopped here): where requests go and what headers arrive, credentials
// answered without any request sent twice behind the tool's back, the memory
// a huge listing takes, and the answers it gives up on, sending nothing more.

#include "bookfile.h"

#include "tools/carddav/cardnames.h"
#include "tools/carddav/davxml.h"
#include "tools/http/davclient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <sys/resource.h>

namespace {

struct Request
{
    int port = 0;
    QString method;
    QString path;
    QStringList headers; // "Name: value"
    int status = 0;      // 0: the connection was dropped instead
};

class HostileServer
{
public:
    // `timeout`: the tool's, which some scenarios answer within.
    HostileServer(const QString& scenario, const QString& prefix, qint64 size = 0, int timeout = 0)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("python3"), {QStringLiteral(HOSTILE_SERVER), "--scenario", scenario, "--prefix",
                                                    prefix, "--log", m_dir.filePath("log"), "--size",
                                                    QString::number(size), "--timeout", QString::number(timeout)});
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10'000)) {
        }
        const QList<QByteArray> ports = m_process.readLine().trimmed().split(' ');
        m_port = ports.value(0).toInt();
        m_otherPort = ports.value(1).toInt();
    }
    ~HostileServer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    bool started() const { return m_otherPort > 0; }
    QString book() const { return QStringLiteral("http://127.0.0.1:%1/book/").arg(m_port); }
    int otherPort() const { return m_otherPort; }

    QList<Request> requests() const
    {
        QList<Request> requests;
        QFile log(m_dir.filePath("log"));
        if (!log.open(QIODevice::ReadOnly))
            return requests;
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.isEmpty())
                continue;
            Request r{o["port"].toInt(), o["method"].toString(), o["path"].toString(), {}, o["status"].toInt()};
            for (const QJsonValue& h : o["headers"].toArray())
                r.headers.append(h[0].toString() + ": " + h[1].toString());
            requests.append(r);
        }
        return requests;
    }

    // The requests for `path` that the server answered with `status` (or any
    // 2xx with 200).
    QList<Request> answered(const QString& method, const QString& path, int status = 200) const
    {
        QList<Request> found;
        for (const Request& r : requests()) {
            const bool statusMatches = status == 200 ? r.status / 100 == 2 : r.status == status;
            if (r.method == method && r.path == path && statusMatches)
                found.append(r);
        }
        return found;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    int m_otherPort = 0;
};

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run publish(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"), QStringLiteral("pw"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(QUORVELIN_TOOL), QStringList{QStringLiteral("publish")} + arguments);
    // Far longer than any of these runs takes when the tool gives up as it should.
    if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The largest resident size of any program this test has run and seen end.
long peakOfChildrenMB()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

class TestHostileServer : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheAddressBookIsSentTo();
    void credentialsWithoutResending();
    void hugeListings();
    void givenUp_data();
    void givenUp();
};

void TestHostileServer::onlyTheAddressBookIsSentTo()
{
    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    book.add(3, "Omar", 5550113, 0);
    book.add(10, "New", 5550110, 0);
    const QString p = CardNames(book.path()).prefix();
    HostileServer server("outside", p);
    QVERIFY(server.started());

    const Run r = publish({server.book(), "--user", "ann"});
    QCOMPARE(r.status, 2);
    for (const QString& href : {"../other/" + p + "4.vcf", "/" + p + "5.vcf",
                                QStringLiteral("http://127.0.0.1:%1/book/%2").arg(server.otherPort()).arg(p + "6.vcf"),
                                "http://evil.invalid/book/" + p + "7.vcf", "/book/%2e%2e/other/" + p + "8.vcf",
                                "/book/..%2fother/" + p + "9.vcf"})
        QVERIFY2(r.err.contains("skipped " + href + ": the server names it, but it lies outside"), qPrintable(r.err));
    QVERIFY2(r.err.contains(p + "3.vcf (\"Omar\" 5550113 in /): the server gave no valid ETag"), qPrintable(r.err));

    for (const Request& request : server.requests()) {
        QVERIFY2(request.port != server.otherPort(), qPrintable(request.path));
        QVERIFY2(request.path.startsWith("/book/") && !request.path.contains("%2"), qPrintable(request.path));
        QVERIFY2(request.headers.filter(QRegularExpression("^X-Injected", QRegularExpression::CaseInsensitiveOption))
                     .isEmpty(),
                 qPrintable(request.headers.join('\n')));
        QVERIFY2(!(request.path.endsWith(p + "3.vcf") && request.method != "REPORT"), qPrintable(request.method));
    }
    QCOMPARE(server.answered("PUT", "/book/" + p + "1.vcf").value(0).headers.filter("If-Match: \"1\"").size(), 1);
    // Listed twice, removed once.
    QCOMPARE(server.answered("DELETE", "/book/" + p + "2.vcf").size(), 1);
    QCOMPARE(server.requests().size() - server.answered("PROPFIND", "/book/", 401).size(), 5);
    // The new card's connection was dropped before an answer: whether the
    // server kept it is unknown, so it is not sent again, and said so.
    QCOMPARE(server.answered("PUT", "/book/" + p + "10.vcf", 0).size(), 1);
    QVERIFY2(r.err.contains(p + "10.vcf: the connection closed before an answer came"), qPrintable(r.err));
}

void TestHostileServer::credentialsWithoutResending()
{
    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    book.add(10, "New", 5550110, 0);
    const QString p = CardNames(book.path()).prefix();
    HostileServer server("digest", p);
    QVERIFY(server.started());

    const Run r = publish({server.book(), "--user", "ann"});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QStringLiteral("2 entries: 1 added, 1 changed, 1 removed, 0 unchanged.\n"));
    // The strongest challenge answered; a stale nonce answered again, and
    // each change done once.
    QVERIFY(!server.answered("PROPFIND", "/book/").value(0).headers.filter("algorithm=SHA-256").isEmpty());
    const QList<Request> all = server.requests();
    QVERIFY(std::any_of(all.begin(), all.end(), [](const Request& q) { return q.status == 401; }));
    for (const char* name : {"1.vcf", "10.vcf"})
        QCOMPARE(server.answered("PUT", "/book/" + p + name).size(), 1);
    QCOMPARE(server.answered("DELETE", "/book/" + p + "2.vcf").size(), 1);
}

void TestHostileServer::hugeListings()
{
    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    {
        // 200,000 other contacts: read as they arrive, in little memory.
        HostileServer server("huge", CardNames(book.path()).prefix(), 48 << 20);
        QVERIFY(server.started());
        const Run r = publish({server.book()});
        QCOMPARE(r.out, QStringLiteral("1 entry: 1 added, 0 changed, 0 removed, 0 unchanged.\n"));
    }
    {
        HostileServer server("huge", CardNames(book.path()).prefix(), 200 << 20);
        QVERIFY(server.started());
        const Run r = publish({server.book()});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("PROPFIND " + server.book() + ": 207 Multi-Status: the answer is larger than 64 MB"),
                 qPrintable(r.err));
    }
#ifndef __SANITIZE_ADDRESS__ // whose shadow memory and quarantine are not the program's
    QVERIFY2(peakOfChildrenMB() < 120, qPrintable(QString::number(peakOfChildrenMB())));
#endif
}

void TestHostileServer::givenUp_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("prepared"); // published to once first, remembering its sync token
    QTest::addColumn<QString>("message"); // %1: the address book
    QTest::addColumn<QStringList>("requests"); // those of the run that gives up, with the status answered

    QTest::newRow("a listing that never ends")
        << "endless" << qint64(0) << 2 << false
        << "PROPFIND %1: 207 Multi-Status: no complete answer within 2 seconds" << QStringList{"PROPFIND 207"};
    // Not taken for a server without sync tokens, to be asked for a listing.
    QTest::newRow("changes answered 500, never whole")
        << "stuckreport" << qint64(0) << 2 << true
        << "REPORT %1: 500 Internal Server Error: no complete answer within 2 seconds" << QStringList{"REPORT 500"};
    // Either would arrive in time; together they do not.
    QTest::newRow("a challenge and the answer after it")
        << "slowchallenge" << qint64(0) << 4 << false
        << "PROPFIND %1: 207 Multi-Status: no complete answer within 4 seconds"
        << QStringList{"PROPFIND 401", "PROPFIND 207"};
    QTest::newRow("an ETag too long")
        << "hugeetag" << DavClient::MaxHeaderLineBytes << 10 << false
        << "201 Created: the answer's headers are too large: a line over 100 KB"
        << QStringList{"PROPFIND 207", "PUT 201"};
    QTest::newRow("a nonce too long")
        << "hugenonce" << DavClient::MaxHeaderLineBytes << 10 << false
        << "PROPFIND %1: 401 Unauthorized: the answer's headers are too large: a line over 100 KB"
        << QStringList{"PROPFIND 401"};
    // Given up at once: the server sends nothing more, nor ends its answer.
    QTest::newRow("elements nested too deep")
        << "nested" << qint64(DavXml::MultistatusReader::MaxDepth) << 10 << false
        << "%1: 207 Multi-Status: the server's answer nests its elements more than 64 deep"
        << QStringList{"PROPFIND 207"};
}

void TestHostileServer::givenUp()
{
    QFETCH(QString, scenario);
    QFETCH(qint64, size);
    QFETCH(int, timeout);
    QFETCH(bool, prepared);
    QFETCH(QString, message);
    QFETCH(QStringList, requests);

    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    HostileServer server(scenario, CardNames(book.path()).prefix(), size, timeout);
    QVERIFY(server.started());
    const QStringList arguments{server.book(), "--user", "ann", "--timeout", QString::number(timeout)};
    if (prepared)
        QCOMPARE(publish(arguments).status, 0);
    const qsizetype before = server.requests().size();

    const Run r = publish(arguments);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(message.replace(QStringLiteral("%1"), server.book())), qPrintable(r.err));
    QStringList received;
    for (const Request& request : server.requests().sliced(before))
        received.append(request.method + u' ' + QString::number(request.status));
    QCOMPARE(received, requests);
}

QTEST_GUILESS_MAIN(TestHostileServer)
#include "tst_hostileserver.moc"
