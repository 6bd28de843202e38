// quorvelin-tool sync against real CardDAV servers the test starts and
// stops, Radicale and Xandikos, with a phone's changes made as its client
// makes them: plain requests on the cards.

#include "bookfile.h"
#include "toolrun.h"

#include "harness/davserver.h"
#include "store/filelock.h"

#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <memory>
#include <utility>

namespace {

const QString User = QStringLiteral("ann");
const QString Password = QStringLiteral("pw");

using Run = ToolRun;

// `password`: in the environment, where an interactive user may keep it.
Run sync(const QString& file, const QStringList& arguments, bool password = true)
{
    return ToolRun::of(QStringLiteral(QUORVELIN_TOOL), QStringList{"--file", file, "sync"} + arguments,
                       password ? std::optional(Password) : std::nullopt);
}

// "name|number|folder" of every entry, sorted.
QStringList entries(BookFile& book)
{
    QStringList lines;
    for (const BookFile::Row& r : book.rows()) {
        if (r.tel.toLongLong() == 0)
            continue;
        QString folder;
        for (qint64 p = r.parent; p != 0;) {
            folder.prepend(u'/' + book.value(QStringLiteral("select name from book where code = %1").arg(p)).toString());
            p = book.value(QStringLiteral("select parent from book where code = %1").arg(p)).toLongLong();
        }
        lines.append(QStringLiteral("%1|%2|%3").arg(r.name, r.tel.toString(), folder.isEmpty() ? "/" : folder));
    }
    lines.sort();
    return lines;
}

// The text of every card, by its file name.
QMap<QString, QString> cards(DavServer& server, const QUrl& book)
{
    QMap<QString, QString> texts;
    for (const auto& [href, etag] : server.etags(book))
        texts.insert(href.section(u'/', -1), QString::fromUtf8(server.request("GET", book.resolved(QUrl(href))).body));
    return texts;
}

QByteArray phoneCard(const QString& uid, const QString& lines)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\n%2END:VCARD\r\n").arg(uid, lines).toUtf8();
}

// A phone's request on the card `name`, which must succeed.
bool phone(DavServer& server, const QUrl& book, const QByteArray& verb, const QString& name, const QByteArray& card = {})
{
    return server.request(verb, book.resolved(QUrl(name)), card).status / 100 == 2;
}

// The server the test row names, started, with the address book `book`;
// null, the test failed, when it does not start.
std::unique_ptr<DavServer> serverFor(const QString& book)
{
    QFETCH(QString, kind);
    const bool xandikos = kind == u"xandikos";
    auto server = std::make_unique<DavServer>(User, Password, QStringLiteral("warning"),
                                              xandikos ? DavServer::Kind::Xandikos : DavServer::Kind::Radicale);
    if (server->start() && server->makeAddressBook(book))
        return server;
    QTest::qFail(qPrintable(server->errorString()), __FILE__, __LINE__);
    return nullptr;
}

// faultproxy.py in front of a server: the address book through it, and the
// faults it injects from now on.
class FaultProxy
{
public:
    explicit FaultProxy(const QUrl& upstream)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("python3"), {QStringLiteral(FAULT_PROXY), "--upstream",
                                                    upstream.adjusted(QUrl::RemovePath).toString(), "--rules",
                                                    m_dir.filePath("rules")});
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10'000)) {
        }
        m_port = m_process.readLine().trimmed().toInt();
    }
    ~FaultProxy()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    QUrl through(QUrl url) const
    {
        url.setPort(m_port);
        return url;
    }
    void inject(const QByteArray& rules) const
    {
        QFile file(m_dir.filePath("rules"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(rules) == rules.size());
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

} // namespace

class TestSync : public QObject
{
    Q_OBJECT

private slots:
    void bothWays_data() { servers(); }
    void bothWays();
    void sameBookRetypedOrMistyped_data() { servers(); }
    void sameBookRetypedOrMistyped();
    void faultsLeaveBothSidesWhole_data() { servers(); }
    void faultsLeaveBothSidesWhole();
    void foldersAndSeveralNumbers_data() { servers(); }
    void foldersAndSeveralNumbers();
    void removalsHeldBackAcrossRuns_data() { servers(); }
    void removalsHeldBackAcrossRuns();
    void safeWhenCutOffOrForgotten();
    void oneFolderUnattended();

private:
    // Each test on Radicale and on Xandikos.
    static void servers()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("radicale") << QStringLiteral("radicale");
        QTest::newRow("xandikos") << QStringLiteral("xandikos");
    }
};

void TestSync::bothWays()
{
    const std::unique_ptr<DavServer> served = serverFor(QStringLiteral("phones"));
    QVERIFY(served);
    DavServer& server = *served;
    const QUrl url = server.addressBook(QStringLiteral("phones"));

    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Nora", 301234567, 1);
    book.add(3, "Omar", 5550112, 0);
    Run r = sync(book.path(), {url.toString(), "--user", User, "--region", "DE"});
    QCOMPARE(r.status, 0);
    QMap<QString, QString> onServer = cards(server, url);
    QCOMPARE(onServer.size(), 2);
    const QString nora = onServer.keys().filter(QRegularExpression("-2\\.vcf$")).value(0);
    const QString omar = onServer.keys().filter(QRegularExpression("-3\\.vcf$")).value(0);
    // Numbers that dial, and come back as the same digits: nothing to do.
    QVERIFY2(onServer[nora].contains("TEL;TYPE=VOICE:+49 30 1234567"), qPrintable(onServer[nora]));
    QVERIFY2(onServer[nora].contains("CATEGORIES:/Work"), qPrintable(onServer[nora]));
    const auto etags = server.etags(url);
    r = sync(book.path(), {});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("Directory: 0 added, 0 changed, 0 removed. Address book: 0 cards written"), qPrintable(r.out));
    QCOMPARE(server.etags(url), etags);

    // The phone: a number corrected, an e-mail and a photo added to the same
    // card, a contact with two numbers added, another deleted.
    QString changed = onServer[nora];
    changed.replace("+49 30 1234567", "+49 30 7654321");
    changed.replace("END:VCARD", "EMAIL:nora@example.com\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ\r\nEND:VCARD");
    QCOMPARE(server.request("PUT", url.resolved(QUrl(nora)), changed.toUtf8()).status / 100, 2);
    QCOMPARE(server.request("PUT", url.resolved(QUrl("anna.vcf")),
                            phoneCard("anna", "FN:Anna Berger\r\nN:Berger;Anna;;;\r\nTEL;TYPE=CELL:+49 171 1234567\r\n"
                                              "TEL;TYPE=HOME:030 5551234\r\nCATEGORIES:Work\r\n"))
                 .status / 100,
             2);
    QCOMPARE(server.request("DELETE", url.resolved(QUrl(omar))).status / 100, 2);
    r = sync(book.path(), {});
    QCOMPARE(r.status, 0);
    QCOMPARE(entries(book), (QStringList{"Anna Berger (home)|305551234|/Work", "Anna Berger (mobile)|1711234567|/Work",
                                         "Nora|307654321|/Work"}));

    // The directory: a rename, and one of Anna's numbers removed. Only what
    // the tool owns changes on a card; the phone's e-mail and photo stay.
    book.exec("update book set name = 'Nora Ellis' where code = 2");
    book.exec("delete from book where name = 'Anna Berger (home)'");
    r = sync(book.path(), {});
    QCOMPARE(r.status, 0);
    onServer = cards(server, url);
    QVERIFY2(onServer[nora].contains("FN:Nora Ellis") && onServer[nora].contains("EMAIL:nora@example.com")
                 && onServer[nora].contains("PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ"),
             qPrintable(onServer[nora]));
    QVERIFY2(onServer["anna.vcf"].contains("+49 171 1234567") && !onServer["anna.vcf"].contains("5551234"),
             qPrintable(onServer["anna.vcf"]));

    // Changed on both sides: neither side changes until one is preferred.
    book.exec("update book set tel = 301111111 where code = 2");
    changed = onServer[nora];
    changed.replace("+49 30 7654321", "+49 30 2222222");
    QCOMPARE(server.request("PUT", url.resolved(QUrl(nora)), changed.toUtf8()).status / 100, 2);
    r = sync(book.path(), {});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.contains("Conflict: \"Nora Ellis\" 301111111 in /Work in the directory, \"Nora Ellis\" 302222222 "
                            "in /Work in the address book"),
             qPrintable(r.out));
    QVERIFY(cards(server, url)[nora].contains("+49 30 2222222"));
    r = sync(book.path(), {"--prefer", "server"});
    QCOMPARE(r.status, 0);
    QVERIFY(entries(book).contains("Nora Ellis|302222222|/Work"));

    // An address book emptied on the server does not empty the directory.
    for (const QString& name : cards(server, url).keys())
        server.request("DELETE", url.resolved(QUrl(name)));
    const QStringList before = entries(book);
    r = sync(book.path(), {});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("more than half") && r.err.contains("Nothing was changed"), qPrintable(r.err));
    QCOMPARE(entries(book), before);
}

// The same address book written another way is the same book, with its
// region: nothing is changed. A failed sync with a mistyped address is not
// what the next one syncs with.
void TestSync::sameBookRetypedOrMistyped()
{
    const std::unique_ptr<DavServer> served = serverFor(QStringLiteral("phones"));
    QVERIFY(served);
    DavServer& server = *served;
    const QUrl url = server.addressBook(QStringLiteral("phones"));
    BookFile book;
    book.add(1, "Nora", 301234567, 0);
    QCOMPARE(sync(book.path(), {url.toString(), "--user", User, "--region", "DE"}).status, 0);

    const QString retyped = url.toString().replace("http://", "HTTP://").chopped(1);
    Run r = sync(book.path(), {retyped, "--user", User});
    QVERIFY2(r.status == 0 && r.out.startsWith("Directory: 0 added, 0 changed, 0 removed. Address book: 0 cards written"),
             qPrintable(r.out + r.err));
    QCOMPARE(entries(book), QStringList{"Nora|301234567|/"});

    r = sync(book.path(), {url.toString().replace("phones", "phonez"), "--user", User});
    QCOMPARE(r.status, 2);
    book.exec("update book set tel = 307654321");
    r = sync(book.path(), {});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(cards(server, url).first().contains("+49 30 7654321"));
}

// A card the server lists but does not deliver, a refused write and a dry
// run in a server's hiccup change nothing, say so, and end with status 2;
// the next sync brings what was waiting.
void TestSync::faultsLeaveBothSidesWhole()
{
    const std::unique_ptr<DavServer> served = serverFor(QStringLiteral("book"));
    QVERIFY(served);
    DavServer& server = *served;
    const QUrl direct = server.addressBook(QStringLiteral("book"));
    const FaultProxy proxy(direct);
    const QUrl url = proxy.through(direct);
    for (const char* name : {"anna", "bert", "cleo"})
        QVERIFY(phone(server, direct, "PUT", QStringLiteral("%1.vcf").arg(name),
                      phoneCard(name, QStringLiteral("FN:%1\r\nTEL:555010%2\r\n").arg(name).arg(name[0] - 'a'))));
    BookFile book;
    book.add(1, "Desk", 5550199, 0);
    QCOMPARE(sync(book.path(), {url.toString(), "--user", User}).status, 0);
    const QStringList before = entries(book);

    QVERIFY(phone(server, direct, "PUT", "anna.vcf", phoneCard("anna", "FN:anna\r\nTEL:5550110\r\n")));
    QVERIFY(phone(server, direct, "PUT", "bert.vcf", phoneCard("bert", "FN:bert\r\nTEL:5550111\r\n")));
    proxy.inject(R"({"multiget_omit": ["anna.vcf"], "multiget_status": {"bert.vcf": 403}})");
    Run r = sync(book.path(), {});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("anna.vcf: could not be read (left out") && r.err.contains("bert.vcf: could not be read (answered 403"),
             qPrintable(r.err));
    QCOMPARE(entries(book), before);

    proxy.inject(R"({"multiget_status": {"*": 500}})");
    QCOMPARE(sync(book.path(), {"--dry-run"}).status, 2);
    book.exec("update book set name = 'Desk 2' where code = 1");
    proxy.inject(R"({"refuse_writes": 507})");
    r = sync(book.path(), {});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.out.contains("Address book: 0 cards written") && r.err.contains("507"), qPrintable(r.out + r.err));

    proxy.inject("");
    r = sync(book.path(), {});
    QVERIFY2(r.status == 0 && r.out.contains(", 0 removed. Address book: 1 cards written"), qPrintable(r.out + r.err));
    QCOMPARE(entries(book), (QStringList{"Desk 2|5550199|/", "anna|5550110|/", "bert|5550111|/", "cleo|5550102|/"}));
}

// A top-level entry's card has no category of the tool's, and moving it
// leaves none behind. Of a contact with several numbers, changing one
// entry's mark relabels that number alone; renaming it renames the contact,
// its N split as before.
void TestSync::foldersAndSeveralNumbers()
{
    const std::unique_ptr<DavServer> served = serverFor(QStringLiteral("book"));
    QVERIFY(served);
    DavServer& server = *served;
    const QUrl url = server.addressBook(QStringLiteral("book"));
    QVERIFY(phone(server, url, "PUT", "carmen.vcf",
                  phoneCard("carmen", "FN:Carmen Ruiz\r\nN:Ruiz;Carmen;;;\r\nTEL;TYPE=CELL:5550101\r\n"
                                      "item1.TEL:5550102\r\nitem1.X-ABLabel:Boat\r\nTEL;TYPE=HOME:5550103\r\n")));
    BookFile book;
    book.add(1, "Family", 0, 0);
    book.add(2, "Nora", 5550111, 0);
    QCOMPARE(sync(book.path(), {url.toString(), "--user", User}).status, 0);
    QString nora = cards(server, url).values().filter("FN:Nora").value(0);
    QVERIFY2(!nora.isEmpty() && !nora.contains("CATEGORIES"), qPrintable(nora));

    book.exec("update book set parent = 1 where code = 2");
    book.exec("update book set name = 'Carmen Ruiz (boat)' where tel = 5550102");
    QCOMPARE(sync(book.path(), {}).status, 0);
    QMap<QString, QString> onServer = cards(server, url);
    nora = onServer.values().filter("FN:Nora").value(0);
    QVERIFY2(nora.contains("CATEGORIES:/Family\r\n"), qPrintable(nora));
    QVERIFY2(onServer["carmen.vcf"].contains("FN:Carmen Ruiz\r\n") && onServer["carmen.vcf"].contains("N:Ruiz;Carmen;;;")
                 && onServer["carmen.vcf"].contains("X-ABLabel:boat", Qt::CaseInsensitive),
             qPrintable(onServer["carmen.vcf"]));

    book.exec("update book set name = 'Carmen Ruiz-Lopez (mobile)' where tel = 5550101");
    QCOMPARE(sync(book.path(), {}).status, 0);
    QCOMPARE(entries(book), (QStringList{"Carmen Ruiz-Lopez (boat)|5550102|/", "Carmen Ruiz-Lopez (home)|5550103|/",
                                         "Carmen Ruiz-Lopez (mobile)|5550101|/", "Nora|5550111|/Family"}));
    QVERIFY2(cards(server, url)["carmen.vcf"].contains("N:Ruiz-Lopez;Carmen;;;"), qPrintable(cards(server, url)["carmen.vcf"]));

    // Deeper than a folder path may go, on either side: each is named,
    // left as it is, and the run does what it can.
    const QStringList before = entries(book);
    const QMap<QString, QString> cardsBefore = cards(server, url);
    QVERIFY(phone(server, url, "PUT", "deep.vcf",
                  phoneCard("deep", "FN:Deep\r\nTEL:5550144\r\nCATEGORIES:" + QString("/d").repeated(300) + "\r\n")));
    book.exec("begin");
    for (int level = 1; level <= 300; ++level)
        book.add(100 + level, QStringLiteral("d"), 0, level == 1 ? 0 : 99 + level);
    book.add(500, "Deep here", 5550145, 400);
    book.exec("commit");
    QStringList after = before + QStringList{"Deep here|5550145|" + QString("/d").repeated(300)};
    after.sort();
    QStringList cardsAfter = cardsBefore.keys() + QStringList{"deep.vcf"};
    cardsAfter.sort();
    for (int run = 0; run < 2; ++run) {
        const Run r = sync(book.path(), {});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.contains("deep.vcf: not taken (a folder deeper than 256 levels)")
                     && r.err.contains("1 entry lies deeper than 256 folders"),
                 qPrintable(r.err));
        QCOMPARE(entries(book), after);
        QCOMPARE(cards(server, url).keys(), cardsAfter);
    }
}

// A server that loses half its cards at each sync does not take the
// directory with it a half at a time.
void TestSync::removalsHeldBackAcrossRuns()
{
    const std::unique_ptr<DavServer> served = serverFor(QStringLiteral("book"));
    QVERIFY(served);
    DavServer& server = *served;
    const QUrl url = server.addressBook(QStringLiteral("book"));
    for (int i = 1; i <= 20; ++i)
        QVERIFY(phone(server, url, "PUT", QStringLiteral("c%1.vcf").arg(i),
                      phoneCard(QStringLiteral("c%1").arg(i), QStringLiteral("FN:C%1\r\nTEL:55501%2\r\n").arg(i).arg(i, 2, 10, QChar('0')))));
    BookFile book;
    QCOMPARE(sync(book.path(), {url.toString(), "--user", User}).status, 0);
    for (int i = 1; i <= 10; ++i)
        QVERIFY(phone(server, url, "DELETE", QStringLiteral("c%1.vcf").arg(i)));
    QCOMPARE(sync(book.path(), {}).status, 0);
    QCOMPARE(entries(book).size(), 10);

    for (int i = 11; i <= 15; ++i)
        QVERIFY(phone(server, url, "DELETE", QStringLiteral("c%1.vcf").arg(i)));
    Run r = sync(book.path(), {});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("with the 10 entries and 0 numbers sync removed since") && r.err.contains("--dry-run")
                 && r.err.contains("--force"),
             qPrintable(r.err));
    QCOMPARE(entries(book).size(), 10);
    QCOMPARE(sync(book.path(), {"--force"}).status, 0);
    QCOMPARE(entries(book).size(), 5);
}

void TestSync::safeWhenCutOffOrForgotten()
{
    DavServer server(User, Password);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QUrl url = server.addressBook(QStringLiteral("cut"));
    QVERIFY(server.makeAddressBook(QStringLiteral("cut")));
    BookFile book;
    book.exec("begin");
    for (int code = 1; code <= 150; ++code)
        book.add(code, QStringLiteral("Entry %1").arg(code), 5550000 + code, 0);
    book.exec("commit");
    QCOMPARE(server.request("PUT", url.resolved(QUrl("phone.vcf")), phoneCard("phone", "FN:Phone\r\nTEL:5559999\r\n")).status
                 / 100,
             2);

    // Killed while it sends; the next sync finishes, nothing twice.
    QProcess cut;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"), Password);
    cut.setProcessEnvironment(environment);
    cut.start(QStringLiteral(QUORVELIN_TOOL), {"--file", book.path(), "sync", url.toString(), "--user", User});
    QTRY_VERIFY_WITH_TIMEOUT(server.etags(url).size() > 20 || cut.state() == QProcess::NotRunning, 60'000);
    ::kill(pid_t(cut.processId()), SIGKILL);
    cut.waitForFinished();
    // A card the killed sync had sent may still be being stored; a sync that
    // began meanwhile would find it there unannounced, say so, and leave it
    // to the next one. The next sync here starts once the server is done.
    auto listed = server.etags(url);
    const auto settled = [&] {
        const auto now = server.etags(url);
        return std::exchange(listed, now) == now;
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 10'000);
    Run r = sync(book.path(), {});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(server.etags(url).size(), 151);
    QCOMPARE(entries(book).size(), 151);

    // Forgotten: matched again by the cards' names and by name and number.
    QVERIFY(QDir(qEnvironmentVariable("XDG_STATE_HOME") + "/quorvelin").removeRecursively());
    r = sync(book.path(), {url.toString(), "--user", User});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("Directory: 0 added, 0 changed, 0 removed. Address book: 0 cards written"), qPrintable(r.out));
    QCOMPARE(server.etags(url).size(), 151);
    QCOMPARE(entries(book).size(), 151);
}

// One folder, as the timer syncs it: the password from the command named
// the first time, nothing asked, nothing said while the window has the file.
void TestSync::oneFolderUnattended()
{
    DavServer server(User, Password);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QUrl url = server.addressBook(QStringLiteral("work"));
    QVERIFY(server.makeAddressBook(QStringLiteral("work")));
    BookFile book;
    book.add(1, "Work", 0, 0);
    book.add(2, "Nora", 5550111, 1);
    book.add(3, "Omar", 5550112, 0);
    const QStringList first{url.toString(), "--user", User, "--folder", "/Work", "--password-command",
                            "printf 'pw\\nnot this line\\n'"};

    Run r = sync(book.path(), first + QStringList{"--dry-run"}, false);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QRegularExpression("PUT .*\\(\"Nora\" 5550111 in /Work\\)")) && !r.out.contains("Omar"),
             qPrintable(r.out));
    QVERIFY(server.etags(url).isEmpty());
    QCOMPARE(sync(book.path(), first, false).status, 0);
    QCOMPARE(server.etags(url).size(), 1);

    // A phone's contact without a category, or in groups of the phone's
    // own, comes into the folder synced; the groups stay, and the next
    // sync writes nothing.
    QVERIFY(phone(server, url, "PUT", "zoe.vcf", phoneCard("zoe", "FN:Zoe\r\nTEL:5550177\r\n")));
    QVERIFY(phone(server, url, "PUT", "yuri.vcf",
                  phoneCard("yuri", "FN:Yuri\r\nTEL:5550178\r\nCATEGORIES:Friends,Sport\r\n")));
    r = sync(book.path(), {"--unattended"}, false);
    QVERIFY2(r.status == 0 && r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(entries(book),
             (QStringList{"Nora|5550111|/Work", "Omar|5550112|/", "Yuri|5550178|/Work", "Zoe|5550177|/Work"}));
    const auto etags = server.etags(url);
    r = sync(book.path(), {"--unattended"}, false);
    QVERIFY2(r.status == 0 && r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(server.etags(url), etags);

    // While the window holds the file the timer's sync passes quietly; one
    // run by hand says why it did nothing.
    const store::FileLock window(book.path());
    r = sync(book.path(), {"--unattended"}, false);
    QVERIFY2(r.status == 0 && r.err.isEmpty(), qPrintable(r.err));
    r = sync(book.path(), {}, false);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("is already open in another copy of Quorvelin"), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
