// quorvelin-tool publish against a real CardDAV server, Radicale, started and
// stopped by the test: what the address book holds after each publish, what
// a publish with nothing to do leaves alone, failures that change nothing,
// and the cards as clients no one here wrote read them (vdirsyncer, khard).

#include "bookfile.h"
#include "toolrun.h"

#include "harness/davserver.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/vcardformat.h"

#include <QHostInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QtTest>

#include <optional>

namespace {

const QString User = QStringLiteral("ann");
const QString Password = QStringLiteral("s3cret: ;\"x");

using Run = ToolRun;

Run run(const QString& program, const QStringList& arguments, const std::optional<QString>& password = Password)
{
    return ToolRun::of(program, arguments, password);
}

Run publish(const QStringList& arguments, const std::optional<QString>& password = Password)
{
    return run(QStringLiteral(QUORVELIN_TOOL), QStringList{QStringLiteral("publish")} + arguments, password);
}

QPair<QByteArray, QDateTime> stateOf(const QString& path)
{
    QFile file(path);
    return {file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), QFileInfo(path).lastModified()};
}

QStringList sorted(QStringList lines)
{
    lines.sort();
    return lines;
}

void writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

} // namespace

class TestPublish : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mirrorsTheDirectory();
    void sendsOnlyWhatChanged();
    void failuresChangeNothing_data();
    void failuresChangeNothing();
    void unreachableServers();
    void plainHttpRefusedBeforeConnecting();
    void readByOtherClients();

private:
    // Every card of the collection as import reads it ("path<TAB>name<TAB>
    // tel"), and "file UID" of each.
    QStringList cards(const QUrl& book, QStringList* uids = nullptr);

    DavServer m_server{User, Password};
};

void TestPublish::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
}

QStringList TestPublish::cards(const QUrl& book, QStringList* uids)
{
    QStringList lines;
    static const QRegularExpression uid(QStringLiteral("^UID:(.*)\r$"), QRegularExpression::MultilineOption);
    for (const auto& [href, etag] : m_server.etags(book)) {
        const DavServer::Reply card = m_server.request("GET", book.resolved(QUrl(href)));
        ImportReport ignored;
        for (const FlatRecord& r : EntryMaker::plainEntries(VCardFormat::read(card.body, ignored)))
            lines.append(r.path.join(u'/') + u'\t' + r.name + u'\t' + QString::number(r.tel));
        if (uids)
            uids->append(href.section(u'/', -1) + u' ' + uid.match(QString::fromUtf8(card.body)).captured(1));
    }
    return sorted(lines);
}

void TestPublish::mirrorsTheDirectory()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Sales", 0, 1);
    book.add(3, "Nora Ellis", 5550111, 2);
    book.add(4, "Smith, John; \"Jr\" \\ x", 5550112, 2);
    book.add(5, "ليلى 😀", 5550132, 0);
    book.add(6, "two\nlines", 5550113, 1);
    const QString longName = QString(60, QChar(0x00E9)) + QStringLiteral("🙂 طويل");
    book.add(7, longName, 5550114, 1);
    book.add(8, QStringLiteral("bell\x07here"), 5550115, 0);
    book.add(9, "a/b, c", 0, 0);
    book.add(10, "Ann", 1, 9);
    const QUrl url = m_server.addressBook("mirror");
    QVERIFY(m_server.makeAddressBook("mirror"));

    // As Quorvelin holds it while a command is being written: publish reads
    // what was committed, and leaves the file as it was.
    book.exec("begin immediate");
    book.add(11, "Not yet", 5550199, 0);
    const auto before = stateOf(book.path());
    const Run r = publish({url.toString(), "--user", User});
    QCOMPARE(stateOf(book.path()), before);
    book.exec("rollback");
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QStringLiteral("7 entries: 7 added, 0 changed, 0 removed, 0 unchanged.\n"));

    QStringList uids;
    QCOMPARE(cards(url, &uids),
             sorted({"Work/Sales\tNora Ellis\t5550111", "Work/Sales\tSmith, John; \"Jr\" \\ x\t5550112",
                     "\tليلى 😀\t5550132", "Work\ttwo\nlines\t5550113", "Work\t" + longName + "\t5550114",
                     // No control character can travel in WebDAV's XML.
                     QStringLiteral("\tbell\uFFFDhere\t5550115"), "a/b, c\tAnn\t1"}));
    // Each card is stored under its UID, which ends in the entry's code.
    QStringList codes;
    for (const QString& u : uids) {
        const auto m = QRegularExpression("^(quorvelin-[0-9a-f]{8}-(\\d+))\\.vcf \\1$").match(u);
        QVERIFY2(m.hasMatch(), qPrintable(u));
        codes.append(m.captured(2));
    }
    QCOMPARE(sorted(codes), sorted({"3", "4", "5", "6", "7", "8", "10"}));
}

void TestPublish::sendsOnlyWhatChanged()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Nora", 5550111, 1);
    book.add(3, "Omar", 5550112, 1);
    book.add(4, "Sami", 5550113, 0);
    book.add(5, "Taxi", 5550150, 0);
    const QUrl url = m_server.addressBook("changes");
    QVERIFY(m_server.makeAddressBook("changes"));
    // Another client's contact, and one published from another directory
    // with the code of an entry here.
    for (const char* name : {"bob", "quorvelin-00000000-2"}) {
        const QByteArray card = QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:") + name
                                + "\r\nFN:Other\r\nN:;Other;;;\r\nTEL:5550999\r\nEND:VCARD\r\n";
        QCOMPARE(m_server.request("PUT", url.resolved(QUrl(name + QStringLiteral(".vcf"))), card).status, 201);
    }
    const QStringList others = {"\tOther\t5550999", "\tOther\t5550999"};

    QCOMPARE(publish({url.toString(), "--user", User}).out,
             QStringLiteral("4 entries: 4 added, 0 changed, 0 removed, 0 unchanged.\n"));
    const auto published = m_server.etags(url);
    QCOMPARE(published.size(), 6);
    Run r = publish({url.toString(), "--user", User});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("4 entries: 0 added, 0 changed, 0 removed, 4 unchanged.\n"));
    QCOMPARE(m_server.etags(url), published);

    // Rename, renumber, delete and add; and a number corrected on a phone,
    // which the directory, being the master, takes back, keeping the
    // e-mail address the phone added.
    book.exec("update book set name = 'Nora Ellis' where code = 2");
    book.exec("update book set tel = 5550199 where code = 3");
    book.exec("delete from book where code = 4");
    book.add(6, "New", 5550160, 1);
    QStringList uidsBefore;
    cards(url, &uidsBefore);
    const QString taxi = uidsBefore.filter(QRegularExpression("-5\\.vcf ")).value(0).section(u' ', 0, 0);
    DavServer::Reply phone = m_server.request("GET", url.resolved(QUrl(taxi)));
    phone.body.replace("5550150", "5550151").replace("END:VCARD", "EMAIL:taxi@example.com\r\nEND:VCARD");
    QCOMPARE(m_server.request("PUT", url.resolved(QUrl(taxi)), phone.body).status, 201);

    r = publish({url.toString(), "--user", User});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QStringLiteral("4 entries: 1 added, 3 changed, 1 removed, 0 unchanged.\n"));
    QStringList uids;
    QCOMPARE(cards(url, &uids), sorted(others + QStringList{"Work\tNora Ellis\t5550111", "Work\tOmar\t5550199",
                                                            "\tTaxi\t5550150", "Work\tNew\t5550160"}));
    // The renamed entry kept its card, so a phone keeps its link to it; the
    // other cards are as they were.
    QVERIFY(m_server.request("GET", url.resolved(QUrl(taxi))).body.contains("\r\nEMAIL:taxi@example.com\r\n"));
    const QStringList kept = uidsBefore.filter(QRegularExpression("-2\\.vcf|bob"));
    QCOMPARE(kept.size(), 3);
    for (const QString& card : kept)
        QVERIFY2(uids.contains(card), qPrintable(card));

    // One folder instead of the whole tree: the rest goes, and a dry run
    // shows that without sending it.
    const auto beforeFolder = m_server.etags(url);
    r = publish({url.toString(), "--user", User, "--folder", "/Work", "--dry-run"});
    QVERIFY2(r.out.contains(QRegularExpression(
                 "\nDELETE  quorvelin-[0-9a-f]{8}-5\\.vcf  \\(remove \"Taxi\" 5550150 in /\\)\n3 entries: 0 to add, 0 to "
                 "change, 1 to remove, 3 unchanged. Dry run: nothing was sent.\n$")),
             qPrintable(r.out));
    QCOMPARE(m_server.etags(url), beforeFolder);
    r = publish({url.toString(), "--user", User, "--folder", "/Work"});
    QCOMPARE(r.out, QStringLiteral("3 entries: 0 added, 0 changed, 1 removed, 3 unchanged.\n"));
    QCOMPARE(cards(url).size(), 5);
}

void TestPublish::failuresChangeNothing_data()
{
    QTest::addColumn<QString>("collection");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<std::optional<QString>>("password");
    QTest::addColumn<QString>("message");

    const QStringList user{"--user", User};
    QTest::newRow("wrong password") << "failures" << user << std::optional<QString>("wrong")
                                    << "401 Unauthorized: the server refused the user name ann";
    QTest::newRow("no user") << "failures" << QStringList{} << std::optional(Password)
                             << "401 Unauthorized: the server asks for a user name";
    QTest::newRow("not an address book") << "" << user << std::optional(Password)
                                         << "207 Multi-Status, but not an address book collection";
    QTest::newRow("no such collection") << "absent" << user << std::optional(Password) << "404 Not Found";
    QTest::newRow("no password, no terminal") << "failures" << user << std::optional<QString>()
                                              << "needs the password of ann";
}

void TestPublish::failuresChangeNothing()
{
    QFETCH(QString, collection);
    QFETCH(QStringList, options);
    QFETCH(std::optional<QString>, password);
    QFETCH(QString, message);

    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    const QUrl url = m_server.addressBook("failures");
    if (m_server.etags(url).isEmpty()) {
        QVERIFY(m_server.makeAddressBook("failures"));
        QCOMPARE(publish({url.toString(), "--user", User}).status, 0);
    }
    book.add(2, "Omar", 5550112, 0);
    const auto before = m_server.etags(url);
    const QString target = url.resolved(QUrl(collection.isEmpty() ? ".." : "../" + collection + "/")).toString();

    const Run r = publish(QStringList{target} + options, password);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.startsWith("quorvelin-tool publish: ") && r.err.contains(target) && r.err.contains(message),
             qPrintable(r.err));
    QVERIFY2(!r.err.contains(Password) && !r.err.contains("wrong"), qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QCOMPARE(m_server.etags(url), before);
}

void TestPublish::unreachableServers()
{
    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    const auto before = stateOf(book.path());

    DavServer stopped(User, Password);
    QVERIFY2(stopped.start(), qPrintable(stopped.errorString()));
    const QUrl gone = stopped.addressBook("gone");
    stopped.stop();
    Run r = publish({gone.toString(), "--user", User});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(gone.toString() + ": cannot reach the server: Failed to connect"), qPrintable(r.err));

    // A certificate right for the address but signed by no authority the
    // system knows: nothing may get as far as the server, the password least.
    QVERIFY(run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                            "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", book.dir() + "/key.pem", "-out",
                            book.dir() + "/cert.pem"})
                .status
            == 0);
    DavServer untrusted(User, Password, "info");
    untrusted.useTls(book.dir() + "/cert.pem", book.dir() + "/key.pem");
    QVERIFY2(untrusted.start(), qPrintable(untrusted.errorString()));
    const QUrl tls = untrusted.addressBook("tls");
    r = publish({tls.toString(), "--user", User});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(tls.toString() + ": cannot reach the server: SSL certificate problem"), qPrintable(r.err));
    QVERIFY2(!untrusted.log().contains("request for"), qPrintable(untrusted.log()));
    QCOMPARE(stateOf(book.path()), before);
}

void TestPublish::plainHttpRefusedBeforeConnecting()
{
    const QString host = QHostInfo::localHostName();
    if (host.isEmpty() || host == u"localhost")
        QSKIP("this machine's name is localhost");
    // It is this machine, so a connection, were one made, would arrive here.
    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::Any));
    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    const Run r = publish({QStringLiteral("http://%1:%2/ann/book/").arg(host).arg(listener.serverPort()), "--user", User});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("uses plain http://") && r.err.contains("Nothing was sent"), qPrintable(r.err));
    QVERIFY(!listener.waitForNewConnection(200));
}

void TestPublish::readByOtherClients()
{
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Sales", 0, 1);
    book.add(3, "Nora Ellis", 5550111, 2);
    book.add(4, "Smith, John", 5550112, 1);
    book.add(5, "عائلة", 0, 0);
    book.add(6, "ليلى 😀", 5550132, 5);
    book.add(7, "Taxi", 5550150, 0);
    const QUrl url = m_server.addressBook("clients");
    QVERIFY(m_server.makeAddressBook("clients"));
    QCOMPARE(publish({url.toString(), "--user", User}).status, 0);

    const QString dir = book.dir();
    writeFile(dir + "/vdirsyncer.conf",
              QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n"
                             "[pair phones]\na = \"local\"\nb = \"server\"\ncollections = null\n"
                             "[storage local]\ntype = \"filesystem\"\npath = \"%1/cards/\"\nfileext = \".vcf\"\n"
                             "[storage server]\ntype = \"carddav\"\nurl = \"%2\"\nusername = \"%3\"\n"
                             "password.fetch = [\"command\", \"printenv\", \"QUORVELIN_CARDDAV_PASSWORD\"]\n")
                  .arg(dir, url.toString(), User));
    writeFile(dir + "/khard.conf", QStringLiteral("[addressbooks]\n[[phones]]\npath = %1/cards/\n[general]\n"
                                                  "editor = /bin/false\nmerge_editor = /bin/false\n")
                                       .arg(dir));
    QVERIFY(QDir(dir).mkpath("cards"));
    for (const char* step : {"discover", "sync"}) {
        const Run synced = run("vdirsyncer", {"-c", dir + "/vdirsyncer.conf", step});
        QVERIFY2(synced.status == 0, qPrintable(synced.err));
    }
    const Run listed = run("khard", {"-c", dir + "/khard.conf", "list", "--parsable", "--fields",
                                     "formatted_name,phone,categories"});
    QVERIFY2(listed.status == 0, qPrintable(listed.err));
    QCOMPARE(sorted(listed.out.split(u'\n', Qt::SkipEmptyParts)),
             sorted({"Nora Ellis\tVOICE: 5550111\t['/Work/Sales']", "Smith, John\tVOICE: 5550112\t['/Work']",
                     "ليلى 😀\tVOICE: 5550132\t['/عائلة']", "Taxi\tVOICE: 5550150\t"}));
}

QTEST_GUILESS_MAIN(TestPublish)
#include "tst_publish.moc"
