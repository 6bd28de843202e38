// quorvelin-tool sync taking the address book's password from the desktop
// keyring, kept there with secret-tool as the README says: GNOME Keyring on
// a D-Bus session bus of the test's own, with a home and runtime folder of
// its own, against a Radicale server the test starts and stops. The user's
// own keyring, bus and home are never reached.

#include "bookfile.h"
#include "toolrun.h"

#include "harness/davserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

const QString User = QStringLiteral("ann");
const QString Password = QStringLiteral("kept in the keyring");
const QByteArray UnlockPassword = "the keyring's own";

// The password is never in the environment here: it must come from the
// keyring, since no command is named and nobody is at a terminal.
ToolRun sync(const QString& file, const QStringList& arguments)
{
    return ToolRun::of(QStringLiteral(QUORVELIN_TOOL), QStringList{"--file", file, "sync"} + arguments);
}

// secret-tool with `arguments`, `input` on its standard input, as a user runs
// it; true when it did what it was asked.
bool secretTool(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("secret-tool"), arguments);
    process.write(input);
    process.closeWriteChannel();
    return process.waitForFinished(15'000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The README's line, the password typed into it.
bool store(const QString& url, const QString& user)
{
    return secretTool({"store", "--label=Quorvelin", "service", "quorvelin", "url", url, "user", user},
                      Password.toUtf8());
}

// A D-Bus session bus and GNOME Keyring on it, unlocked with a password the
// test knows. The test's process takes their address and a temporary HOME
// and XDG folders as its own environment, so that every program it starts
// (the tool, secret-tool, whatever the bus starts) finds this keyring alone.
class PrivateKeyring
{
public:
    ~PrivateKeyring()
    {
        for (QProcess* process : {&m_keyring, &m_bus}) {
            process->terminate();
            if (!process->waitForFinished(5'000)) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

    // Empty once the keyring answers on the bus; otherwise why it does not.
    QString start()
    {
        for (const char* program : {"dbus-daemon", "dbus-send", "gnome-keyring-daemon", "secret-tool"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                return QStringLiteral("%1 is not installed (scripts/setup.sh installs it)").arg(program);
        }
        const QString home = m_dir.filePath(QStringLiteral("home"));
        const QString runtime = m_dir.filePath(QStringLiteral("run"));
        if (!m_dir.isValid() || !QDir().mkpath(home) || !QDir().mkpath(runtime)
            || !QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return QStringLiteral("no temporary folder for the keyring");
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + "/.local/share"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(home + "/.cache"));
        // Nothing may ask on the developer's screen, nor reach an agent of theirs.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "GNOME_KEYRING_CONTROL", "SSH_AUTH_SOCK"})
            qunsetenv(name);
        // A bus nobody else can be on until it is the test's own.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(runtime) + "/nowhere");

        m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--nopidfile",
                                                    "--address=unix:path=" + runtime + "/bus", "--print-address"});
        while (!m_bus.canReadLine() && m_bus.waitForReadyRead(10'000)) {
        }
        const QByteArray address = m_bus.readLine().trimmed();
        if (address.isEmpty())
            return QStringLiteral("dbus-daemon did not start: %1").arg(QString::fromLocal8Bit(m_bus.readAllStandardError()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        const QString log = m_dir.filePath(QStringLiteral("keyring.log"));
        m_keyring.setProcessChannelMode(QProcess::MergedChannels);
        m_keyring.setStandardOutputFile(log);
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"), {"--foreground", "--unlock", "--components=secrets"});
        // It unlocks with what it reads up to the end of its input; with no
        // event loop here, the write has to be waited for.
        m_keyring.write(UnlockPassword);
        m_keyring.waitForBytesWritten(5'000);
        m_keyring.closeWriteChannel();
        // Asked before the keyring has the name, the bus would start one of
        // its own, locked, in its place.
        const QDeadlineTimer deadline(20'000);
        while (!hasSecretService()) {
            if (m_keyring.state() == QProcess::NotRunning || deadline.hasExpired()) {
                QFile text(log);
                return QStringLiteral("gnome-keyring-daemon did not come on the bus: %1")
                    .arg(text.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(text.readAll()).trimmed() : QString());
            }
            QThread::msleep(100);
        }
        return {};
    }

private:
    static bool hasSecretService()
    {
        QProcess ask;
        ask.start(QStringLiteral("dbus-send"),
                  {"--session", "--print-reply=literal", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                   "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.secrets"});
        return ask.waitForFinished(5'000) && ask.readAllStandardOutput().contains("true");
    }

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
};

// Names of the directory's entries, sorted.
QStringList names(BookFile& book)
{
    QStringList list;
    for (const BookFile::Row& row : book.rows())
        list.append(row.name);
    list.sort();
    return list;
}

QString withoutFinalSlash(const QUrl& url)
{
    return url.toString().chopped(1);
}

} // namespace

class TestKeyring : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void foundForTheBookAndUserGiven_data();
    void foundForTheBookAndUserGiven();
    void noneForAnotherBookOrUser_data();
    void noneForAnotherBookOrUser();
    void keyringOutOfReach();

private:
    PrivateKeyring m_keyring;
};

void TestKeyring::initTestCase()
{
    if (const QString why = m_keyring.start(); !why.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no keyring of the test's own: %1").arg(why)));
}

void TestKeyring::foundForTheBookAndUserGiven_data()
{
    QTest::addColumn<bool>("slashGiven");
    QTest::addColumn<bool>("slashStored");
    QTest::newRow("as the tool's message spells the URL") << true << true;
    QTest::newRow("URL without its final slash, both times") << false << false;
    QTest::newRow("given without the slash, stored with it") << false << true;
}

// The first sync by hand, then the timer's, which gives neither URL nor user:
// both find the password, and only in the keyring.
void TestKeyring::foundForTheBookAndUserGiven()
{
    QFETCH(bool, slashGiven);
    QFETCH(bool, slashStored);
    DavServer server(User, Password);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.makeAddressBook(QStringLiteral("phones")));
    const QUrl url = server.addressBook(QStringLiteral("phones"));
    QVERIFY(store(slashStored ? url.toString() : withoutFinalSlash(url), User));

    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    ToolRun r = sync(book.path(), {slashGiven ? url.toString() : withoutFinalSlash(url), "--user", User});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(server.etags(url).size(), 1);

    QCOMPARE(server
                 .request("PUT", url.resolved(QUrl("zoe.vcf")),
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:zoe\r\nFN:Zoe\r\nTEL:5550177\r\nEND:VCARD\r\n")
                 .status / 100,
             2);
    r = sync(book.path(), {"--unattended"});
    QVERIFY2(r.status == 0 && r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(names(book), (QStringList{"Nora", "Zoe"}));
}

void TestKeyring::noneForAnotherBookOrUser_data()
{
    QTest::addColumn<QString>("storedBook");
    QTest::addColumn<QString>("storedUser");
    QTest::newRow("another address book") << "other" << User;
    QTest::newRow("another user") << "phones" << "bob";
}

// What is kept for another address book or user is not sent: the tool says
// it has no password, and how to keep one; kept so, the next sync finds it.
void TestKeyring::noneForAnotherBookOrUser()
{
    QFETCH(QString, storedBook);
    QFETCH(QString, storedUser);
    DavServer server(User, Password, QStringLiteral("info"));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.makeAddressBook(QStringLiteral("phones")));
    const QUrl url = server.addressBook(QStringLiteral("phones"));
    QVERIFY(store(server.addressBook(storedBook).toString(), storedUser));
    // Radicale logs each request as it arrives, before it answers.
    const qsizetype requestsBefore = server.log().count(QStringLiteral("request for"));
    QVERIFY(requestsBefore > 0);

    BookFile book;
    book.add(1, "Nora", 5550111, 0);
    const QString hint =
        QStringLiteral("secret-tool store --label=Quorvelin service quorvelin url %1 user %2").arg(url.toString(), User);
    for (const QStringList& how : {QStringList{}, QStringList{"--unattended"}}) {
        const ToolRun r = sync(book.path(), QStringList{withoutFinalSlash(url), "--user", User} + how);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QStringLiteral("needs the password of %1 at %2").arg(User, url.toString())),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains("keep it in the keyring (" + hint + ")") && r.err.contains("Nothing was sent."),
                 qPrintable(r.err));
        QVERIFY2(!r.err.contains("could not be asked"), qPrintable(r.err));
    }
    QCOMPARE(server.log().count(QStringLiteral("request for")), requestsBefore);

    const QStringList words = hint.split(u' ').mid(1);
    QVERIFY(secretTool(words, Password.toUtf8()));
    const ToolRun r = sync(book.path(), {withoutFinalSlash(url), "--user", User, "--unattended"});
    QVERIFY2(r.status == 0 && r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(server.etags(url).size(), 1);
}

// A session whose bus nobody answers on (a timer started outside the
// desktop's session): secret-tool's own words come inside the tool's message,
// after what it needs, not as a line before it.
void TestKeyring::keyringOutOfReach()
{
    DavServer server(User, Password);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.makeAddressBook(QStringLiteral("phones")));
    const QUrl url = server.addressBook(QStringLiteral("phones"));
    QVERIFY(store(url.toString(), User));

    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    QTemporaryDir nobody;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(nobody.filePath("bus")));
    BookFile book;
    const ToolRun r = sync(book.path(), {url.toString(), "--user", User, "--unattended"});
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);

    QCOMPARE(r.status, 2);
    const QStringList lines = r.err.trimmed().split(u'\n');
    QVERIFY2(lines.size() == 1 && lines.first().contains("needs the password of " + User), qPrintable(r.err));
    QVERIFY2(lines.first().contains(QRegularExpression("\\(the keyring could not be asked: \\S[^)]*\\), or run it")),
             qPrintable(r.err));
    QVERIFY(server.etags(url).isEmpty());
}

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
