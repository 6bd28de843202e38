// The parts of publish that need no real server: the cards it writes and
// how it compares them with a server's copy, the WebDAV answers it reads,
// which addresses it refuses, and what it says and sends when a card
// changed on the server meanwhile.

#include "bookfile.h"
#include "cli.h"
#include "contactcard.h"
#include "davclient.h"
#include "davxml.h"
#include "publisher.h"
#include "vcardformat.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

const FlatRecord Nora{{"Work", "Sales"}, "Nora Ellis", 5550111, 0};

// The card of `Nora` as Radicale hands it back: its own order and folding.
const QString NoraOnServer = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:quorvelin-1-7\r\nCATEGORIES:/Work/Sales\r\n"
                                            "FN:Nora E\r\n llis\r\nN:;Nora Ellis;;;\r\nTEL;TYPE=VOICE:5550111\r\nEND:VCARD\r\n");

// Answers each request with the next canned response, and keeps what it was sent.
class FakeServer : public QTcpServer
{
public:
    QList<QByteArray> answers;
    QList<QByteArray> received;

    FakeServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    QByteArray& request = m_partial[socket];
                    request += socket->readAll();
                    const qsizetype end = request.indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    const QByteArray head = request.left(end).toLower();
                    const qsizetype length = head.indexOf("content-length: ");
                    const qsizetype size = length < 0 ? 0 : head.mid(length + 16).split('\r').first().toLongLong();
                    if (request.size() < end + 4 + size)
                        return;
                    received.append(request);
                    const QByteArray answer = answers.isEmpty() ? QByteArray("500 Nothing planned\r\n\r\n") : answers.takeFirst();
                    const qsizetype split = answer.indexOf("\r\n\r\n");
                    socket->write("HTTP/1.1 " + answer.left(split) + "\r\nConnection: close\r\nContent-Length: "
                                  + QByteArray::number(answer.size() - split - 4) + "\r\n\r\n" + answer.mid(split + 4));
                    socket->disconnectFromHost();
                });
            }
        });
    }

private:
    QHash<QTcpSocket*, QByteArray> m_partial;
};

} // namespace

class TestPublishParts : public QObject
{
    Q_OBJECT

private slots:
    void cardText();
    void cardTextOfAnyName_data();
    void cardTextOfAnyName();
    void serverCopies_data();
    void serverCopies();
    void multistatus();
    void brokenAnswers_data();
    void brokenAnswers();
    void refusedAddresses_data();
    void refusedAddresses();
    void cardPrefix();
    void preconditionFailedIsNamed();
};

void TestPublishParts::cardText()
{
    const ContactCard card("quorvelin-1-7", Nora);
    QCOMPARE(card.fileName(), QStringLiteral("quorvelin-1-7.vcf"));
    QCOMPARE(card.text(), QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:quorvelin-1-7\r\nFN:Nora Ellis\r\n"
                                     "N:;Nora Ellis;;;\r\nTEL;TYPE=VOICE:5550111\r\nCATEGORIES:/Work/Sales\r\nEND:VCARD\r\n"));
    const ContactCard escaped("u", {{"a,b;c", "x/y"}, "Smith, John; \\ \"Jr\"\r\nnext", 1, 0});
    QVERIFY2(escaped.text().contains("\r\nFN:Smith\\, John\\; \\\\ \"Jr\"\\nnext\r\n"
                                     "N:;Smith\\, John\\; \\\\ \"Jr\"\\nnext;;;\r\n"),
             escaped.text().constData());
    // The path's own escape of "/" is escaped again, as export writes it.
    QVERIFY2(escaped.text().contains("\r\nCATEGORIES:/a\\,b\\;c/x\\\\/y\r\n"), escaped.text().constData());
}

void TestPublishParts::cardTextOfAnyName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("arabic") << "ليلى بنت أحمد" << "ليلى بنت أحمد";
    QTest::newRow("emoji, folded") << QString(40, QChar(0x00E9)) + QString::fromUtf8("😀😀😀😀😀😀😀😀😀😀")
                                  << QString(40, QChar(0x00E9)) + QString::fromUtf8("😀😀😀😀😀😀😀😀😀😀");
    QTest::newRow("blank") << "   " << "   ";
    QTest::newRow("control characters") << QStringLiteral("a\x01\tb\x7F") << QStringLiteral("a\uFFFD\tb\uFFFD");
}

void TestPublishParts::cardTextOfAnyName()
{
    QFETCH(QString, name);
    QFETCH(QString, readBack);

    const ContactCard card("u", {{"عائلة"}, name, 5550132, 0});
    const std::vector<FlatRecord> read = VCardFormat::read(card.text());
    QCOMPARE(read.size(), size_t(1));
    QCOMPARE(read.front(), (FlatRecord{{"عائلة"}, readBack, 5550132, 0}));
    QVERIFY(card.matches(QString::fromUtf8(card.text())));
}

void TestPublishParts::serverCopies_data()
{
    QTest::addColumn<QString>("card");
    QTest::addColumn<bool>("same");

    QTest::newRow("reordered and refolded") << NoraOnServer << true;
    QString text = NoraOnServer;
    QTest::newRow("letter case of names and types")
        << text.replace("TEL;TYPE=VOICE", "tel;type=voice").replace("\r\nFN:", "\r\nfn:") << true;
    text = NoraOnServer;
    QTest::newRow("LF line ends, a grouped TEL") << text.replace("\r\n", "\n").replace("TEL;", "item1.TEL;") << true;
    text = NoraOnServer;
    QTest::newRow("PRODID and REV added") << text.replace("END:VCARD", "PRODID:-//x//y\r\nREV:20240101T000000Z\r\nEND:VCARD")
                                          << true;
    text = NoraOnServer;
    QTest::newRow("an e-mail added on a phone") << text.replace("END:VCARD", "EMAIL:n@example.com\r\nEND:VCARD") << false;
    text = NoraOnServer;
    QTest::newRow("another number") << text.replace("5550111", "5550112") << false;
    text = NoraOnServer;
    QTest::newRow("another folder") << text.replace("/Work/Sales", "/Work") << false;
    text = NoraOnServer;
    QTest::newRow("N split differently") << text.replace("N:;Nora Ellis;;;", "N:Ellis;Nora;;;") << false;
    text = NoraOnServer;
    QTest::newRow("a second number") << text.replace("END:VCARD", "TEL:1\r\nEND:VCARD") << false;
    QTest::newRow("unreadable") << "BEGIN:VCARD\r\nno colon here\r\nEND:VCARD\r\n" << false;
}

void TestPublishParts::serverCopies()
{
    QFETCH(QString, card);
    QFETCH(bool, same);
    QCOMPARE(ContactCard("quorvelin-1-7", Nora).matches(card), same);
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

    const QByteArray other =
        "<d:multistatus xmlns:d=\"DAV:\" xmlns:card=\"urn:ietf:params:xml:ns:carddav\" xmlns:x=\"http://example.com/\">"
        "<d:response><d:href>https://h/dav/c.vcf</d:href>"
        "<d:propstat><d:prop><d:getetag>W/\"2\"</d:getetag><x:getetag>\"wrong\"</x:getetag></d:prop>"
        "<d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        "<d:propstat><d:prop><card:address-data/></d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat>"
        "</d:response></d:multistatus>";
    r = DavXml::multistatus(other);
    QCOMPARE(r.size(), size_t(1));
    QCOMPARE(r[0].etag, QStringLiteral("W/\"2\""));
    QCOMPARE(r[0].status, 200);
    QVERIFY(!r[0].addressData);

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

void TestPublishParts::cardPrefix()
{
    BookFile book;
    BookFile other;
    const QString prefix = Publisher::cardPrefix(book.path());
    QVERIFY2(QRegularExpression("^quorvelin-[0-9a-f]{8}-$").match(prefix).hasMatch(), qPrintable(prefix));
    QCOMPARE(Publisher::cardPrefix(book.path()), prefix);
    QVERIFY(Publisher::cardPrefix(other.path()) != prefix);
    // The same file by another name is the same directory.
    QVERIFY(QFile::link(book.path(), other.dir() + "/link.mdb"));
    QCOMPARE(Publisher::cardPrefix(other.dir() + "/link.mdb"), prefix);
}

void TestPublishParts::preconditionFailedIsNamed()
{
    BookFile book;
    book.add(7, "Nora", 5550111, 0);
    const QString name = Publisher::cardPrefix(book.path()) + "7.vcf";
    const QString then = QString::fromUtf8(ContactCard(name.chopped(4), {{}, "Nora", 5550100, 0}).text());
    FakeServer server;
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
    server.answers = {listing, fetched, "412 Precondition Failed\r\n\r\n"};

    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Cli cli(out, err);
    const int status = cli.run({"quorvelin-tool", "publish", QStringLiteral("http://127.0.0.1:%1/book").arg(server.serverPort())});
    QCOMPARE(status, 2);
    QCOMPARE(out.data(), QByteArray("1 entry: 0 added, 0 changed, 0 removed, 0 unchanged; 1 card not done.\n"));
    QCOMPARE(QString::fromUtf8(err.data()),
             QStringLiteral("quorvelin-tool publish: http://127.0.0.1:%1/book/%2 (\"Nora\" 5550111 in /): 412 Precondition "
                            "Failed: the card changed on the server meanwhile; publish again to finish.\n")
                 .arg(server.serverPort())
                 .arg(name));
    QCOMPARE(server.received.size(), 3);
    QVERIFY(server.received[0].startsWith("PROPFIND /book/ HTTP/1.1\r\n"));
    QVERIFY(server.received[1].startsWith("REPORT /book/ HTTP/1.1\r\n"));
    QVERIFY2(server.received[1].contains("<D:href>/book/" + name.toUtf8() + "</D:href>"), server.received[1].constData());
    const QByteArray put = server.received[2];
    QVERIFY2(put.startsWith("PUT /book/" + name.toUtf8() + " HTTP/1.1\r\n"), put.constData());
    // The precondition is the ETag that came with the card read, the body
    // the card as the directory has it now.
    QVERIFY2(put.contains("\r\nIf-Match: \"read\"\r\n"), put.constData());
    QVERIFY(put.endsWith(ContactCard(name.chopped(4), {{}, "Nora", 5550111, 0}).text()));
    QCOMPARE(book.count(), 1);
}

QTEST_GUILESS_MAIN(TestPublishParts)
#include "tst_publishparts.moc"
