// The parts of publish and sync that need no real server: the cards they
// write and edit, the names of their cards, the WebDAV answers they read,
// which addresses they refuse, and what publish says and sends when a card
// changed on the server meanwhile.

#include "bookfile.h"

#include "tools/carddav/cardnames.h"
#include "tools/carddav/collectionscope.h"
#include "tools/http/davclient.h"
#include "tools/carddav/davxml.h"
#include "tools/http/httpauthorization.h"
#include "tools/http/secretmemory.h"
#include "tools/cli/cli.h"
#include "tools/cli/passwordsource.h"
#include "tools/formats/contactfields.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/toolerror.h"
#include "tools/formats/vcardformat.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <sys/prctl.h>
#include <sys/resource.h>

namespace {

// A new card's text, as the tool makes it in vCard 3.0 without a region.
QByteArray made(const QString& uid, const QString& name, qint64 number, const QStringList& folder = {})
{
    return ContactFields::made(uid, name, number, folder, QString()).text();
}

// Answers each request with the next canned response, and keeps what it was
// sent. It serves on a thread of its own: the client waits for its answers
// without running this thread's events.
class FakeServer
{
public:
    explicit FakeServer(QList<QByteArray> answers)
        : m_answers(std::move(answers))
    {
        m_thread.reset(QThread::create([this] { serve(); }));
        m_thread->start();
        QMutexLocker lock(&m_mutex);
        while (m_port == 0)
            m_listening.wait(&m_mutex);
    }
    ~FakeServer()
    {
        m_thread->quit();
        m_thread->wait();
    }

    quint16 port() const { return m_port; }
    QList<QByteArray> received() const
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }

private:
    void serve()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        QHash<QTcpSocket*, QByteArray> partial;
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
                    QByteArray& request = partial[socket];
                    request += socket->readAll();
                    const qsizetype end = request.indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    const QByteArray head = request.left(end).toLower();
                    const qsizetype length = head.indexOf("content-length: ");
                    const qsizetype size = length < 0 ? 0 : head.mid(length + 16).split('\r').first().toLongLong();
                    if (request.size() < end + 4 + size)
                        return;
                    QMutexLocker lock(&m_mutex);
                    m_received.append(request);
                    const QByteArray answer =
                        m_answers.isEmpty() ? QByteArray("500 Nothing planned\r\n\r\n") : m_answers.takeFirst();
                    const qsizetype split = answer.indexOf("\r\n\r\n");
                    socket->write("HTTP/1.1 " + answer.left(split) + "\r\nConnection: close\r\nContent-Length: "
                                  + QByteArray::number(answer.size() - split - 4) + "\r\n\r\n" + answer.mid(split + 4));
                    socket->disconnectFromHost();
                });
            }
        });
        {
            QMutexLocker lock(&m_mutex);
            m_port = server.serverPort();
            m_listening.wakeAll();
        }
        QEventLoop loop;
        loop.exec();
    }

    QList<QByteArray> m_answers;
    QList<QByteArray> m_received;
    mutable QMutex m_mutex;
    QWaitCondition m_listening;
    quint16 m_port = 0;
    std::unique_ptr<QThread> m_thread;
};

} // namespace

class TestPublishParts : public QObject
{
    Q_OBJECT

private slots:
    void cardText();
    void cardTextOfAnyName_data();
    void cardTextOfAnyName();
    void cardFieldsChangeOnlyTheirOwn();
    void multistatus();
    void brokenAnswers_data();
    void brokenAnswers();
    void refusedAddresses_data();
    void refusedAddresses();
    void addressesInsideTheBook_data();
    void addressesInsideTheBook();
    void entityTags();
    void challenges_data();
    void challenges();
    void passwordIsGuarded();
    void cardNames();
    void preconditionFailedIsNamed();
};

void TestPublishParts::cardText()
{
    QCOMPARE(made("quorvelin-1-7", "Nora Ellis", 5550111, {"Work", "Sales"}),
             QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:quorvelin-1-7\r\nFN:Nora Ellis\r\nN:;Nora Ellis;;;\r\n"
                        "TEL;TYPE=VOICE:5550111\r\nCATEGORIES:/Work/Sales\r\nEND:VCARD\r\n"));
    const QByteArray escaped = made("u", "Smith, John; \\ \"Jr\"\r\nnext", 1, {"a,b;c", "x/y"});
    QVERIFY2(escaped.contains("\r\nFN:Smith\\, John\\; \\\\ \"Jr\"\\nnext\r\n"
                              "N:;Smith\\, John\\; \\\\ \"Jr\"\\nnext;;;\r\n"),
             escaped.constData());
    // The path's own escape of "/" is escaped again, as export writes it.
    QVERIFY2(escaped.contains("\r\nCATEGORIES:/a\\,b\\;c/x\\\\/y\r\n"), escaped.constData());
    // Where an address book takes vCard 4.0 only, the number is a tel: URI.
    const QByteArray four = ContactFields::made("u", "Omar", 301234567, {}, QStringLiteral("DE"), "4.0").text();
    QVERIFY2(four.startsWith("BEGIN:VCARD\r\nVERSION:4.0\r\n")
                 && four.contains("\r\nTEL;VALUE=uri;TYPE=voice:tel:+49-30-1234567\r\n"),
             four.constData());
}

void TestPublishParts::cardTextOfAnyName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("arabic") << "ليلى بنت أحمد" << "ليلى بنت أحمد";
    QTest::newRow("emoji, folded") << QString(40, QChar(0x00E9)) + QString::fromUtf8("😀😀😀😀😀😀😀😀😀😀")
                                  << QString(40, QChar(0x00E9)) + QString::fromUtf8("😀😀😀😀😀😀😀😀😀😀");
    // A card whose name is blank is named by its number when read.
    QTest::newRow("blank") << "   " << "5550132";
    QTest::newRow("control characters") << QStringLiteral("a\x01\tb\x7F\rc\r\nd")
                                        << QStringLiteral("a\uFFFD\tb\uFFFD\uFFFDc\nd");
}

void TestPublishParts::cardTextOfAnyName()
{
    QFETCH(QString, name);
    QFETCH(QString, readBack);

    ImportReport ignored;
    const std::vector<FlatRecord> read =
        EntryMaker::plainEntries(VCardFormat::read(made("u", name, 5550132, {"عائلة"}), ignored));
    QCOMPARE(read.size(), size_t(1));
    QCOMPARE(read.front(), (FlatRecord{{"عائلة"}, readBack, 5550132, 0}));
}

// A phone's card, as sync changes it: only the lines it owns.
void TestPublishParts::cardFieldsChangeOnlyTheirOwn()
{
    ContactFields fields(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nora\r\nN:Ellis;Nora;;;\r\n"
                                        "item1.TEL;TYPE=pref:+49 30 1234567\r\nitem1.X-ABLabel:Praxis\r\n"
                                        "TEL;TYPE=CELL:0171 1234567\r\nEMAIL:nora@example.com\r\nX-FOO;X-P=1:keep\r\n"
                                        "CATEGORIES:Work,starred\r\nEND:VCARD\r\n"),
                         QStringLiteral("DE"));
    QCOMPARE(fields.numbers().size(), size_t(2));
    QCOMPARE(fields.numbers()[0].digits, std::optional<qint64>(301234567));
    QCOMPARE(fields.numbers()[0].kind, QStringLiteral("Praxis"));
    QCOMPARE(fields.folder(), QStringList{"Work"});

    fields.setNumber(1, 1717654321);
    fields.removeNumber(0);
    fields.setFolder({"Home"});
    fields.setName(QStringLiteral("Nora\rEllis"));
    const QString text = QString::fromUtf8(fields.text());
    for (const char* line : {"TEL;TYPE=CELL:+49 171 7654321\r\n", "CATEGORIES:/Home,starred\r\n",
                             "FN:Nora\uFFFDEllis\r\n", "EMAIL:nora@example.com\r\n", "X-FOO;X-P=1:keep\r\n"})
        QVERIFY2(text.contains(QString::fromUtf8(line)), qPrintable(text));
    QVERIFY2(!text.contains("item1") && !text.contains("Praxis"), qPrintable(text));
    QVERIFY(!fields.holdsNothingElse());

    // vCard 4 writes a number as a tel: URI.
    ContactFields four(QStringLiteral("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Omar\r\nEND:VCARD\r\n"), QStringLiteral("DE"));
    four.addNumber(301234567);
    QVERIFY2(four.text().contains("TEL;VALUE=uri;TYPE=voice:tel:+49-30-1234567\r\n"), four.text().constData());
    QVERIFY(four.holdsNothingElse());
}

void TestPublishParts::multistatus()
{
    // Radicale's default namespace, then another server's prefixes, with the
    // properties it lacks in a propstat of their own.
    const QByteArray radicale =
        "<?xml version='1.0' encoding='utf-8'?>\n<multistatus xmlns=\"DAV:\" xmlns:CR=\"urn:ietf:params:xml:ns:carddav\">"
        "<response><href>/ann/book/</href><propstat><prop><resourcetype><CR:addressbook /><collection /></resourcetype>"
        "<getetag>\"c\"</getetag></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
        "<response><href>/ann/book/a%20b.vcf</href><propstat><prop><resourcetype /><getetag>\"1\"</getetag>"
        "<CR:address-data>BEGIN:VCARD\r\nEND:VCARD\r\n</CR:address-data></prop><status>HTTP/1.1 200 OK</status>"
        "</propstat></response><response><href>/ann/book/gone.vcf</href><status>HTTP/1.1 404 Not Found</status>"
        "</response></multistatus>";
    std::vector<DavXml::Response> r = DavXml::multistatus(radicale);
    QCOMPARE(r.size(), size_t(3));
    QVERIFY(r[0].collection && r[0].addressBook);
    QCOMPARE(r[1].href, QStringLiteral("/ann/book/a%20b.vcf"));
    QCOMPARE(r[1].etag, QStringLiteral("\"1\""));
    QVERIFY(!r[1].collection);
    // XML reads a CRLF as one line feed.
    QCOMPARE(r[1].addressData, std::optional<QString>(QStringLiteral("BEGIN:VCARD\nEND:VCARD\n")));
    QCOMPARE(r[2].status, 404);
    QVERIFY(!r[2].addressData);
    // The same, arriving a byte at a time.
    std::vector<DavXml::Response> streamed;
    DavXml::MultistatusReader reader([&](DavXml::Response&& one) { streamed.push_back(std::move(one)); });
    for (const char byte : radicale)
        QVERIFY(reader.feed(QByteArrayView(&byte, 1)));
    reader.finish();
    QCOMPARE(streamed.size(), size_t(3));
    QCOMPARE(streamed[1].addressData, r[1].addressData);
    QCOMPARE(streamed[1].etag, r[1].etag);

    const QByteArray other =
        "<d:multistatus xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\" xmlns:x=\"http://example.com/\">"
        "<d:response><d:href>https://h/dav/c.vcf</d:href>"
        "<d:propstat><d:prop><d:getetag>W/\"2\"</d:getetag><x:getetag>\"wrong\"</x:getetag></d:prop>"
        "<d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        "<d:propstat><d:prop><card:address-data/></d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat>"
        "</d:response><d:response><d:href>/dav/</d:href><d:propstat><d:prop><card:supported-address-data>"
        "<card:address-data-type content-type=\"text/vcard\" version=\"4.0\"/>"
        "<card:address-data-type content-type=\"application/vcard+json\" version=\"3.0\"/>"
        "</card:supported-address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        "</d:response></d:multistatus>";
    r = DavXml::multistatus(other);
    QCOMPARE(r.size(), size_t(2));
    QCOMPARE(r[0].etag, QStringLiteral("W/\"2\""));
    QCOMPARE(r[0].status, 200);
    QVERIFY(!r[0].addressData);
    // An address book that takes vCard 4.0 alone, jCard aside.
    QVERIFY(r[1].vcard4 && !r[1].vcard3);

    // Names go into the request as XML text.
    QVERIFY(DavXml::multiget({"/a&b<c>.vcf"}).contains("<D:href>/a&amp;b&lt;c&gt;.vcf</D:href>"));
}

void TestPublishParts::brokenAnswers_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QByteArray() << "not XML";
    QTest::newRow("html") << QByteArray("<html><body>Log in</body></html>") << "not a WebDAV multi-status";
    QTest::newRow("cut off") << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/a") << "broken XML";
    QTest::newRow("control character") << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/a\x01</href>"
                                                     "</response></multistatus>")
                                       << "broken XML";
}

void TestPublishParts::brokenAnswers()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    try {
        DavXml::multistatus(body);
        QFAIL("a broken answer was read");
    } catch (const ToolError& error) {
        QVERIFY2(error.message().contains(message), qPrintable(error.message()));
    }
}

void TestPublishParts::refusedAddresses_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("refusal"); // empty when it may be used

    QTest::newRow("https") << "https://cloud.example.com/remote.php/dav/addressbooks/users/ann/contacts/" << "";
    QTest::newRow("https with a user") << "https://ann@cloud.example.com/dav/" << "";
    QTest::newRow("http to localhost") << "http://localhost:5232/ann/book/" << "";
    QTest::newRow("http to 127.0.0.1") << "http://127.0.0.1:5232/ann/book/" << "";
    QTest::newRow("http to 127.1.2.3") << "http://127.1.2.3/ann/book/" << "";
    QTest::newRow("http to [::1]") << "http://[::1]:5232/ann/book/" << "";
    QTest::newRow("http to a name") << "http://cloud.example.com/dav/" << "plain http://";
    QTest::newRow("http to a LAN address") << "http://192.168.1.10/dav/" << "plain http://";
    QTest::newRow("http to a name starting like loopback") << "http://127.0.0.1.example.com/" << "plain http://";
    QTest::newRow("password in the address") << "https://ann:pw@cloud.example.com/dav/" << "holds a password";
    QTest::newRow("another scheme") << "ftp://cloud.example.com/dav/" << "not an https:// address";
    QTest::newRow("no host") << "contacts" << "not an address";
}

void TestPublishParts::refusedAddresses()
{
    QFETCH(QString, url);
    QFETCH(QString, refusal);
    const auto why = DavClient::refusal(QUrl(url, QUrl::StrictMode));
    if (refusal.isEmpty())
        QVERIFY2(!why, qPrintable(why.value_or(QString())));
    else
        QVERIFY2(why && why->contains(refusal), qPrintable(why.value_or(QStringLiteral("(used)"))));
}

void TestPublishParts::addressesInsideTheBook_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("url"); // empty when refused

    const QString book = QStringLiteral("http://127.0.0.1:5232/ann/book%20one/");
    QTest::newRow("a card") << "/ann/book%20one/a.vcf" << book + "a.vcf";
    QTest::newRow("relative") << "a%20b.vcf" << book + "a%20b.vcf";
    QTest::newRow("the collection, without its slash") << "/ann/book%20one" << book.chopped(1);
    QTest::newRow("unescaped") << "/ann/book one/a.vcf" << book + "a.vcf";
    QTest::newRow("absolute, same origin") << "http://127.0.0.1:5232/ann/book%20one/a.vcf" << book + "a.vcf";
    QTest::newRow("host in capitals") << "HTTP://127.0.0.1:5232/ann/book%20one/a.vcf" << book + "a.vcf";
    QTest::newRow("dots that stay inside") << "/ann/book%20one/x/../a.vcf" << book + "a.vcf";
    QTest::newRow("user name dropped") << "http://eve@127.0.0.1:5232/ann/book%20one/a.vcf" << book + "a.vcf";
    QTest::newRow("parent") << "../other/a.vcf" << "";
    QTest::newRow("another book starting alike") << "/ann/book%20one2/a.vcf" << "";
    QTest::newRow("top") << "/a.vcf" << "";
    QTest::newRow("another port") << "http://127.0.0.1:5233/ann/book%20one/a.vcf" << "";
    QTest::newRow("another host") << "http://evil/ann/book%20one/a.vcf" << "";
    QTest::newRow("another scheme") << "https://127.0.0.1:5232/ann/book%20one/a.vcf" << "";
    QTest::newRow("no scheme, another host") << "//evil/ann/book%20one/a.vcf" << "";
    QTest::newRow("escaped dots") << "/ann/book%20one/%2e%2e/x.vcf" << "";
    QTest::newRow("escaped slash") << "/ann/book%20one/..%2fx.vcf" << "";
    QTest::newRow("backslash") << "/ann/book%20one/..%5cx.vcf" << "";
    QTest::newRow("line break") << "/ann/book%20one/a.vcf\r\nX: y" << "";
    QTest::newRow("escaped line break") << "/ann/book%20one/a%0d%0a.vcf" << "";
    QTest::newRow("a query") << "/ann/book%20one/a.vcf?x=1" << "";
    QTest::newRow("empty") << "" << "";
    // Dot segments in disguise, which some servers read as "..", are
    // refused; a name merely holding their characters is not.
    QTest::newRow("a semicolon in a name") << "/ann/book%20one/a;b.vcf" << book + "a;b.vcf";
    QTest::newRow("a look-alike of dots in a name") << "/ann/book%20one/a%E2%80%A5b.vcf" << book + "a%E2%80%A5b.vcf";
    QTest::newRow("dots with a path parameter") << "/ann/book%20one/..;/x.vcf" << "";
    QTest::newRow("dots with a named path parameter") << "/ann/book%20one/..;jsessionid=1/x.vcf" << "";
    QTest::newRow("dots with an escaped semicolon") << "/ann/book%20one/..%3B/x.vcf" << "";
    QTest::newRow("two dot leader") << "/ann/book%20one/%E2%80%A5/x.vcf" << "";
    QTest::newRow("two dot leader, unescaped") << QStringLiteral("/ann/book%20one/\u2025/x.vcf") << "";
    QTest::newRow("one dot leaders") << "/ann/book%20one/%E2%80%A4%E2%80%A4/x.vcf" << "";
    QTest::newRow("fullwidth full stops") << "/ann/book%20one/%EF%BC%8E%EF%BC%8E/x.vcf" << "";
    QTest::newRow("ideographic full stops") << "/ann/book%20one/%E3%80%82%E3%80%82/x.vcf" << "";
    QTest::newRow("dots, fullwidth solidus") << "/ann/book%20one/..%EF%BC%8Fx.vcf" << "";
    QTest::newRow("overlong UTF-8 dots") << "/ann/book%20one/%C0%AE%C0%AE/x.vcf" << "";
}

void TestPublishParts::addressesInsideTheBook()
{
    QFETCH(QString, href);
    QFETCH(QString, url);
    const CollectionScope scope(QUrl(QStringLiteral("http://ann@127.0.0.1:5232/ann/book%20one")));
    const std::optional<QUrl> resolved = scope.resolve(href);
    QCOMPARE(resolved ? resolved->toString(QUrl::FullyEncoded) : QString(), url);
}

void TestPublishParts::entityTags()
{
    for (const char* valid : {"\"1\"", "W/\"a-b\"", "\"\"", "\"\xC3\xA9\""})
        QVERIFY2(DavClient::isEntityTag(valid), valid);
    for (const char* invalid : {"", "1", "\"1", "\"1\"\r\nX-Injected: yes", "\"a b\"", "w/\"1\"", "\"a\"b\"", "\"\t\""})
        QVERIFY2(!DavClient::isEntityTag(invalid), invalid);
}

void TestPublishParts::challenges_data()
{
    QTest::addColumn<QByteArray>("wwwAuthenticate");
    QTest::addColumn<QByteArray>("header"); // its start; empty when none can be answered

    QTest::newRow("basic") << QByteArray("Basic realm=\"x\", charset=\"UTF-8\"") << QByteArray("Basic YW5uOnAmIHc=");
    QTest::newRow("the strongest of several")
        << QByteArray("Basic realm=\"x\", Digest realm=\"a \\\"b\\\"\", nonce=\"n\", qop=\"auth-int, auth\", "
                      "algorithm=MD5, Digest realm=\"r\",nonce=\"n\",algorithm=SHA-256")
        << QByteArray("Digest username=\"ann\", realm=\"r\", nonce=\"n\", uri=\"/a%20b/\"");
    QTest::newRow("quotes escaped back") << QByteArray("Digest realm=\"a \\\"b\\\"\", nonce=\"n\", qop=auth")
                                         << QByteArray("Digest username=\"ann\", realm=\"a \\\"b\\\"\"");
    QTest::newRow("a nonce with a line break") << QByteArray("Digest realm=\"r\", nonce=\"n\r\nX-Injected: y\"")
                                               << QByteArray();
    QTest::newRow("only auth-int") << QByteArray("Digest realm=\"r\", nonce=\"n\", qop=\"auth-int\"") << QByteArray();
    QTest::newRow("unknown algorithm") << QByteArray("Digest realm=\"r\", nonce=\"n\", algorithm=SHA-1") << QByteArray();
    QTest::newRow("unknown scheme") << QByteArray("Negotiate abc==") << QByteArray();
    QTest::newRow("never closed") << QByteArray("Digest realm=\"r\", nonce=\"n") << QByteArray();
}

void TestPublishParts::challenges()
{
    QFETCH(QByteArray, wwwAuthenticate);
    QFETCH(QByteArray, header);
    HttpAuthorization authorization("ann", "p& w");
    QCOMPARE(authorization.challenge(wwwAuthenticate), !header.isEmpty());
    const QByteArray sent = authorization.header("PROPFIND", QUrl("http://h/a%20b/")).value_or(QByteArray());
    QVERIFY2(sent.startsWith(header), sent.constData());
}

void TestPublishParts::passwordIsGuarded()
{
    qputenv("QUORVELIN_CARDDAV_PASSWORD", "pw");
    const QString password = PasswordSource::password("ann", QUrl("https://h/book/"), QString(), false);
    qunsetenv("QUORVELIN_CARDDAV_PASSWORD");
    QCOMPARE(password, QStringLiteral("pw"));
    QCOMPARE(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    rlimit core{};
    QCOMPARE(getrlimit(RLIMIT_CORE, &core), 0);
    QCOMPARE(core.rlim_cur, rlim_t(0));

    // A buffer shared with another holder is left whole for it.
    QByteArray secret("pw");
    QByteArray copy = secret;
    SecretMemory::wipe(secret);
    QCOMPARE(copy, QByteArray("pw"));
    copy.clear();
    SecretMemory::wipe(secret);
    QCOMPARE(secret, QByteArray(2, '\0'));
}

void TestPublishParts::cardNames()
{
    BookFile book;
    BookFile other;
    const CardNames names(book.path());
    QVERIFY2(QRegularExpression("^quorvelin-[0-9a-f]{8}-$").match(names.prefix()).hasMatch(), qPrintable(names.prefix()));
    QCOMPARE(CardNames(book.path()).prefix(), names.prefix());
    QVERIFY(CardNames(other.path()).prefix() != names.prefix());
    // The same file by another name is the same directory.
    QVERIFY(QFile::link(book.path(), other.dir() + "/link.mdb"));
    QCOMPARE(CardNames(other.dir() + "/link.mdb").prefix(), names.prefix());

    QCOMPARE(names.code(CardNames::fileName(names.uid(7))), std::optional<qint64>(7));
    QVERIFY(names.isMade(CardNames::fileName(names.uid(7, 2))));
    for (const QString& name : {CardNames::fileName(names.uid(7, 2)), names.prefix() + ".vcf",
                                names.prefix() + "7x.vcf", CardNames(other.path()).uid(7) + ".vcf"})
        QVERIFY2(!names.code(name), qPrintable(name));
}

void TestPublishParts::preconditionFailedIsNamed()
{
    BookFile book;
    book.add(7, "Nora", 5550111, 0);
    const QString name = CardNames::fileName(CardNames(book.path()).uid(7));
    const QString then = QString::fromUtf8(made(name.chopped(4), "Nora", 5550100));
    const QByteArray listing = "207 Multi-Status\r\n\r\n<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                               "<response><href>/book/</href><propstat><prop><resourcetype><collection/><C:addressbook/>"
                               "</resourcetype></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
                               "<response><href>/book/" + name.toUtf8() + "</href><propstat><prop><resourcetype/>"
                               "<getetag>\"listed\"</getetag></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
                               "</multistatus>";
    const QByteArray fetched = "207 Multi-Status\r\n\r\n<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                               "<response><href>/book/" + name.toUtf8() + "</href><propstat><prop><getetag>\"read\"</getetag>"
                               "<C:address-data>" + then.toUtf8() + "</C:address-data></prop>"
                               "<status>HTTP/1.1 200 OK</status></propstat></response></multistatus>";
    FakeServer server({listing, fetched, "412 Precondition Failed\r\n\r\n"});

    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Cli cli(out, err);
    const int status = cli.run({"quorvelin-tool", "publish", QStringLiteral("http://127.0.0.1:%1/book").arg(server.port())});
    QCOMPARE(status, 2);
    QCOMPARE(out.data(), QByteArray("1 entry: 0 added, 0 changed, 0 removed, 0 unchanged; 1 card not done.\n"));
    QCOMPARE(QString::fromUtf8(err.data()),
             QStringLiteral("quorvelin-tool publish: http://127.0.0.1:%1/book/%2 (\"Nora\" 5550111 in /): 412 Precondition "
                            "Failed: the card changed on the server meanwhile; publish again to finish.\n")
                 .arg(server.port())
                 .arg(name));
    const QList<QByteArray> received = server.received();
    QCOMPARE(received.size(), 3);
    QVERIFY(received[0].startsWith("PROPFIND /book/ HTTP/1.1\r\n"));
    QVERIFY(received[1].startsWith("REPORT /book/ HTTP/1.1\r\n"));
    QVERIFY2(received[1].contains("<D:href>/book/" + name.toUtf8() + "</D:href>"), received[1].constData());
    const QByteArray put = received[2];
    QVERIFY2(put.startsWith("PUT /book/" + name.toUtf8() + " HTTP/1.1\r\n"), put.constData());
    // The precondition is the ETag that came with the card read, the body
    // the card as the directory has it now.
    QVERIFY2(put.contains("\r\nIf-Match: \"read\"\r\n"), put.constData());
    QVERIFY(put.endsWith(made(name.chopped(4), "Nora", 5550111)));
    QCOMPARE(book.count(), 1);
}

QTEST_GUILESS_MAIN(TestPublishParts)
#include "tst_publishparts.moc"
