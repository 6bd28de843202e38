// quorvelin-tool publish against a real CardDAV server, Radicale, started and
// stopped by the test: what the address book holds after each publish, what
// a publish with nothing to do leaves alone, failures that change nothing,
// and the cards as clients no one here wrote read them (vdirsyncer, khard).

#include "bookfile.h"
#include "radicaleserver.h"
#include "vcardformat.h"

#include <QHostInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QtTest>

namespace {

const QString User = QStringLiteral("ann");
const QString Password = QStringLiteral("s3cret: ;\"x");

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run publish(const QStringList& arguments, const QString& password = Password)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"), password);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUORVELIN_TOOL), QStringList{QStringLiteral("publish")} + arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

struct FileState
{
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileState&) const = default;
};

FileState stateOf(const QString& path)
{
    QFile file(path);
    return {file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), QFileInfo(path).lastModified()};
}

// Tab-separated so that a failure shows which card is wrong.
QStringList sorted(QStringList lines)
{
    lines.sort();
    return lines;
}

QString line(const FlatRecord& r)
{
    return r.path.join(u'/') + u'\t' + r.name + u'\t' + QString::number(r.tel);
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
    void stoppedServer();
    void untrustedCertificate();
    void plainHttpRefusedBeforeConnecting();
    void readByOtherClients();

private:
    // Every card of the collection, as the import reads it, with its UID.
    QStringList cards(const QUrl& book, QStringList* uids = nullptr);

    RadicaleServer m_server{User, Password};
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
        const RadicaleServer::Reply card = m_server.request("GET", book.resolved(QUrl(href)));
        for (const FlatRecord& r : VCardFormat::read(card.body))
            lines.append(line(r));
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

    // As Quorvelin holds it while a command is being written: publish
    // reads what was committed, and leaves the file as it was.
    book.exec("begin immediate");
    book.add(11, "Not yet", 5550199, 0);
    const FileState before = stateOf(book.path());
    const Run r = publish({url.toString(), "--user", User});
    QCOMPARE(stateOf(book.path()), before);
    book.exec("rollback");
    QCOMPARE(r.err, QString());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("7 entries: 7 added, 0 changed, 0 removed, 0 unchanged.\n"));

    QStringList uids;
    QCOMPARE(cards(url, &uids),
             sorted({"Work/Sales\tNora Ellis\t5550111", "Work/Sales\tSmith, John; \"Jr\" \\ x\t5550112",
                     "\tليلى 😀\t5550132", "Work\ttwo\nlines\t5550113", "Work\t" + longName + "\t5550114",
                     // No control character can travel in WebDAV's XML.
                     QStringLiteral("\tbell\uFFFDhere\t5550115"), "a/b, c\tAnn\t1"}));
    // Each card is stored under its UID, which comes from the entry's code.
    QCOMPARE(uids.size(), 7);
    static const QRegularExpression stored(QStringLiteral("^(quorvelin-[0-9a-f]{8}-(\\d+))\\.vcf \\1$"));
    QStringList codes;
    for (const QString& u : uids) {
        const auto m = stored.match(u);
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
    // with the same code as an entry here.
    const QByteArray own = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:other-1\r\nFN:Bob\r\nN:;Bob;;;\r\nTEL:5550999\r\nEND:VCARD\r\n";
    const QByteArray twin = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:quorvelin-00000000-2\r\nFN:Elsewhere\r\nN:;Elsewhere;;;\r\n"
                            "TEL:5550888\r\nEND:VCARD\r\n";
    QCOMPARE(m_server.request("PUT", url.resolved(QUrl("bob.vcf")), own).status, 201);
    QCOMPARE(m_server.request("PUT", url.resolved(QUrl("quorvelin-00000000-2.vcf")), twin).status, 201);
    const QStringList others = {"\tBob\t5550999", "\tElsewhere\t5550888"};

    Run r = publish({url.toString(), "--user", User});
    QCOMPARE(r.out, QStringLiteral("4 entries: 4 added, 0 changed, 0 removed, 0 unchanged.\n"));
    const auto published = m_server.etags(url);
    QCOMPARE(published.size(), 6);
    r = publish({url.toString(), "--user", User});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("4 entries: 0 added, 0 changed, 0 removed, 4 unchanged.\n"));
    QCOMPARE(m_server.etags(url), published);

    // Rename, renumber, delete and add; and an edit made on a phone, which
    // the directory, being the master, takes back.
    book.exec("update book set name = 'Nora Ellis' where code = 2");
    book.exec("update book set tel = 5550199 where code = 3");
    book.exec("delete from book where code = 4");
    book.add(6, "New", 5550160, 1);
    QString taxi;
    for (const auto& [href, etag] : published) {
        if (href.endsWith(QStringLiteral("-5.vcf")))
            taxi = href;
    }
    QVERIFY(!taxi.isEmpty());
    RadicaleServer::Reply phone = m_server.request("GET", url.resolved(QUrl(taxi)));
    phone.body.replace("END:VCARD", "EMAIL:taxi@example.com\r\nEND:VCARD");
    QCOMPARE(m_server.request("PUT", url.resolved(QUrl(taxi)), phone.body).status, 201);

    QStringList uidsBefore;
    cards(url, &uidsBefore);
    r = publish({url.toString(), "--user", User});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QStringLiteral("4 entries: 1 added, 3 changed, 1 removed, 0 unchanged.\n"));
    QStringList uids;
    QCOMPARE(cards(url, &uids), sorted(others + QStringList{"Work\tNora Ellis\t5550111", "Work\tOmar\t5550199",
                                                            "\tTaxi\t5550150", "Work\tNew\t5550160"}));
    // The renamed entry kept its card: a phone keeps its link to it.
    const QString nora = uidsBefore.filter(QRegularExpression("-2\\.vcf quorvelin-[0-9a-f]{8}-2$")).value(0);
    QVERIFY(!nora.isEmpty());
    QVERIFY(uids.contains(nora));
    QVERIFY(uids.contains(QStringLiteral("bob.vcf other-1")));
    QVERIFY(uids.contains(QStringLiteral("quorvelin-00000000-2.vcf quorvelin-00000000-2")));

    // One folder instead of the whole tree: the rest goes, and a dry run
    // shows it without sending it.
    const auto beforeFolder = m_server.etags(url);
    r = publish({url.toString(), "--user", User, "--folder", "/Work", "--dry-run"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QRegularExpression("\nDELETE  quorvelin-[0-9a-f]{8}-5\\.vcf  \\(remove \"Taxi\" 5550150 in /\\)\n")),
             qPrintable(r.out));
    QVERIFY2(r.out.endsWith(QStringLiteral("3 entries: 0 to add, 0 to change, 1 to remove, 3 unchanged. Dry run: nothing was sent.\n")),
             qPrintable(r.out));
    QCOMPARE(m_server.etags(url), beforeFolder);
    r = publish({url.toString(), "--user", User, "--folder", "/Work"});
    QCOMPARE(r.out, QStringLiteral("3 entries: 0 added, 0 changed, 1 removed, 3 unchanged.\n"));
    QCOMPARE(cards(url), sorted(others + QStringList{"Work\tNora Ellis\t5550111", "Work\tOmar\t5550199",
                                                     "Work\tNew\t5550160"}));
}

void TestPublish::failuresChangeNothing_data()
{
    QTest::addColumn<QString>("collection");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");

    QTest::newRow("wrong password") << "failures" << QStringList{"--user", User} << "wrong"
                                    << "401 Unauthorized: the server refused the user name ann";
    QTest::newRow("no user") << "failures" << QStringList{} << Password << "401 Unauthorized: the server asks for a user name";
    QTest::newRow("not an address book") << "" << QStringList{"--user", User} << Password
                                         << "207 Multi-Status, but not an address book collection";
    QTest::newRow("no such collection") << "absent" << QStringList{"--user", User} << Password << "404 Not Found";
    QTest::newRow("no password anywhere") << "failures" << QStringList{"--user", User} << QString()
                                          << "needs the password of ann";
}

void TestPublish::failuresChangeNothing()
{
    QFETCH(QString, collection);
    QFETCH(QStringList, options);
    QFETCH(QString, password);
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
    const QString target = collection.isEmpty() ? url.resolved(QUrl("..")).toString() : url.resolved(QUrl("../" + collection + "/")).toString();

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"));
    if (!password.isNull())
        environment.insert(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"), password);
    process.setProcessEnvironment(environment);
    // No terminal and no standard input, as in CI: it must not wait.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(QUORVELIN_TOOL), QStringList{"publish", target} + options);
    QVERIFY(process.waitForFinished(60'000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 2);
    QVERIFY2(err.startsWith("quorvelin-tool publish: ") && err.contains(target) && err.contains(message), qPrintable(err));
    QVERIFY2(!err.contains(Password) && !err.contains("wrong"), qPrintable(err));
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QCOMPARE(m_server.etags(url), before);
}

void TestPublish::stoppedServer()
{
    RadicaleServer server(User, Password);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QUrl url = server.addressBook("gone");
    QVERIFY(server.makeAddressBook("gone"));
    server.stop();
    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    const FileState before = stateOf(book.path());
    const Run r = publish({url.toString(), "--user", User});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(url.toString() + ": cannot reach the server: Connection refused"), qPrintable(r.err));
    QCOMPARE(stateOf(book.path()), before);
}

void TestPublish::untrustedCertificate()
{
    BookFile book;
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                              "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", book.dir() + "/key.pem", "-out",
                              book.dir() + "/cert.pem"});
    QVERIFY(openssl.waitForFinished(60'000) && openssl.exitCode() == 0);
    // Right for the address, but signed by no authority the system knows.
    RadicaleServer server(User, Password, "info");
    server.useTls(book.dir() + "/cert.pem", book.dir() + "/key.pem");
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    book.add(1, "Nora", 5550111, 0);
    const QUrl url = server.addressBook("tls");
    const Run r = publish({url.toString(), "--user", User});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(url.toString() + ": cannot reach the server: SSL handshake failed"), qPrintable(r.err));
    // Nothing got as far as the server, the password least of all.
    QVERIFY2(!server.log().contains("request for"), qPrintable(server.log()));
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
    const QString url = QStringLiteral("http://%1:%2/ann/book/").arg(host).arg(listener.serverPort());
    const Run r = publish({url, "--user", User});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("uses plain http://") && r.err.contains("Nothing was sent"), qPrintable(r.err));
    QVERIFY(!listener.waitForNewConnection(200));
}

void TestPublish::readByOtherClients()
{
    for (const char* client : {"vdirsyncer", "khard"}) {
        if (QStandardPaths::findExecutable(QLatin1String(client)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is not installed (scripts/setup.sh installs it)").arg(client)));
    }
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
    QVERIFY(QDir(dir).mkpath("cards"));
    QFile vdirsyncer(dir + "/vdirsyncer.conf");
    QVERIFY(vdirsyncer.open(QIODevice::WriteOnly));
    vdirsyncer.write(QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n\n"
                                    "[pair phones]\na = \"local\"\nb = \"server\"\ncollections = null\n\n"
                                    "[storage local]\ntype = \"filesystem\"\npath = \"%1/cards/\"\nfileext = \".vcf\"\n\n"
                                    "[storage server]\ntype = \"carddav\"\nurl = \"%2\"\nusername = \"%3\"\n"
                                    "password.fetch = [\"command\", \"printenv\", \"QUORVELIN_CARDDAV_PASSWORD\"]\n")
                         .arg(dir, url.toString(), User)
                         .toUtf8());
    vdirsyncer.close();
    QFile khard(dir + "/khard.conf");
    QVERIFY(khard.open(QIODevice::WriteOnly));
    khard.write(QStringLiteral("[addressbooks]\n[[phones]]\npath = %1/cards/\n\n"
                               "[general]\ndefault_action = list\neditor = /bin/false\nmerge_editor = /bin/false\n")
                    .arg(dir)
                    .toUtf8());
    khard.close();

    const auto run = [&](const QString& program, const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"), Password);
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForFinished(120'000) || process.exitCode() != 0)
            qWarning("%s: %s", qPrintable(program), process.readAllStandardError().constData());
        return process.exitCode() == 0 ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
    };
    run("vdirsyncer", {"-c", dir + "/vdirsyncer.conf", "discover"});
    run("vdirsyncer", {"-c", dir + "/vdirsyncer.conf", "sync"});
    const QString listed =
        run("khard", {"-c", dir + "/khard.conf", "list", "--parsable", "--fields", "formatted_name,phone,categories"});
    QCOMPARE(sorted(listed.split(u'\n', Qt::SkipEmptyParts)),
             sorted({"Nora Ellis\tVOICE: 5550111\t['/Work/Sales']", "Smith, John\tVOICE: 5550112\t['/Work']",
                     "ليلى 😀\tVOICE: 5550132\t['/عائلة']", "Taxi\tVOICE: 5550150\t['/']"}));
}

QTEST_GUILESS_MAIN(TestPublish)
#include "tst_publish.moc"
