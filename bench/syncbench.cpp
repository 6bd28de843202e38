#include "syncbench.h"

#include "benchbook.h"
#include "measure.h"
#include "toolrun.h"

#include "harness/davserver.h"
#include "tools/http/davclient.h"
#include "tools/carddav/davxml.h"
#include "tools/carddav/directorystate.h"
#include "tools/directory/bookwriter.h"

#include <QFile>
#include <QRegularExpression>


namespace {

const QString User = QStringLiteral("bench");
const QString Password = QStringLiteral("bench-password");
const QPair<QByteArray, QByteArray> Xml{"Content-Type", "application/xml; charset=utf-8"};

// A contact as a phone writes it: every third with a home number beside
// the mobile one.
QByteArray phoneCard(int i, const QString& mobile)
{
    QString text = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//bench//phone//EN\r\nUID:phone-%1\r\n"
                                  "FN:%2\r\nN:;%2;;;\r\nTEL;TYPE=CELL:%3\r\n")
                       .arg(i)
                       .arg(benchName(quint64(i)), mobile);
    if (i % 3 == 0)
        text += QStringLiteral("TEL;TYPE=HOME:030 %1\r\n").arg(1'000'000 + i);
    text += QStringLiteral("EMAIL;TYPE=INTERNET:contact%1@example.com\r\nEND:VCARD\r\n").arg(i);
    return text.toUtf8();
}

QString mobile(int i, int change = 0)
{
    return QStringLiteral("+49 151 %1").arg(10'000'000 + i * 7 + change);
}

std::vector<DavClient::Response> sendAll(DavClient& client, const std::vector<DavClient::Request>& requests)
{
    std::vector<DavClient::Response> responses = client.send(requests);
    for (const DavClient::Response& r : responses)
        require(r.status == 207, QStringLiteral("a bare request was answered %1").arg(r.statusText()));
    return responses;
}

} // namespace

SyncBench::Result SyncBench::run(const QString& folder, int contacts)
{
    const QString file = folder + QStringLiteral("/quorvelin.mdb");
    BookWriter writer(file);
    require(writer.create(contactRows(0)), writer.errorString());

    DavServer server(User, Password, QStringLiteral("info"));
    require(server.start(), server.errorString());
    require(server.makeAddressBook(QStringLiteral("phone")), QStringLiteral("Radicale made no address book"));
    const QUrl url = server.addressBook(QStringLiteral("phone"));
    QList<QPair<QString, QByteArray>> cards;
    QStringList hrefs;
    int numbers = 0;
    for (int i = 1; i <= contacts; ++i) {
        const QString name = QStringLiteral("phone-%1.vcf").arg(i);
        cards.append({name, phoneCard(i, mobile(i))});
        hrefs.append(url.path() + name);
        numbers += i % 3 == 0 ? 2 : 1;
    }
    require(server.seed(QStringLiteral("phone"), cards), QStringLiteral("cannot seed Radicale's address book"));
    qputenv("QUORVELIN_CARDDAV_PASSWORD", Password.toUtf8());
    // What sync remembers stays in the bench's folder.
    qputenv("XDG_STATE_HOME", QFile::encodeName(folder + QStringLiteral("/state")));

    DavClient client(User, Password, 60);
    std::vector<DavClient::Request> listing{{"PROPFIND", url, DavXml::propfind(), {{"Depth", "1"}, Xml}}};
    std::vector<DavClient::Request> multigets;
    for (qsizetype at = 0; at < hrefs.size(); at += 1000)
        multigets.push_back({"REPORT", url, DavXml::multiget(hrefs.mid(at, 1000)), {{"Depth", "0"}, Xml}});
    const auto readAll = [&] {
        sendAll(client, listing);
        sendAll(client, multigets);
    };
    // Radicale builds a cache of the cards it read the first time; the
    // floor and the sync both find it built.
    readAll();
    Result result;
    result.firstFloorMs = millisecondsOf(readAll);
    QByteArray summary;
    result.firstMs = millisecondsOf([&] {
        summary = runTool({QStringLiteral("--file"), file, QStringLiteral("sync"), url.toString(), QStringLiteral("--user"),
                        User, QStringLiteral("--region"), QStringLiteral("DE")});
    });
    const QString added = QStringLiteral("Directory: %1 added, 0 changed, 0 removed. Address book: 0 cards written, 0 removed.\n")
                              .arg(numbers);
    require(summary == added.toUtf8(), QStringLiteral("the first sync said ") + QString::fromUtf8(summary));

    const auto token = [&] { return DirectoryState(file).book(url.toString()).token; };
    const QString before = token();
    require(!before.isEmpty(), QStringLiteral("the first sync kept no sync token"));
    QStringList changed;
    for (int i = 1; i <= Changed; ++i) {
        const int contact = i * (contacts / Changed);
        const QUrl card = url.resolved(QUrl(QStringLiteral("phone-%1.vcf").arg(contact)));
        require(server.request("PUT", card, phoneCard(contact, mobile(contact, 1))).status / 100 == 2,
                QStringLiteral("the phone's change was refused"));
        changed.append(card.path());
    }

    // A sync as the timer runs it; the requests it sent, as the server
    // logged them.
    const auto resync = [&](int changes, double& ms, int& requests) {
        const qsizetype logged = server.log().size();
        ms = millisecondsOf([&] { summary = runTool({QStringLiteral("--file"), file, QStringLiteral("sync")}); });
        const QString said =
            QStringLiteral("Directory: 0 added, %1 changed, 0 removed. Address book: 0 cards written, 0 removed.\n")
                .arg(changes);
        require(summary == said.toUtf8(), QStringLiteral("a sync said ") + QString::fromUtf8(summary));
        static const QRegularExpression request(QStringLiteral("\\] [A-Z]+ request for '"));
        requests = int(server.log().mid(logged).count(request));
    };
    resync(Changed, result.resyncMs, result.resyncRequests);
    result.resyncFloorMs = millisecondsOf([&] {
        sendAll(client, {{"REPORT", url, DavXml::syncCollection(before), {{"Depth", "0"}, Xml}}});
        sendAll(client, {{"REPORT", url, DavXml::multiget(changed), {{"Depth", "0"}, Xml}}});
    });
    resync(0, result.idleMs, result.idleRequests);
    const QString now = token();
    result.idleFloorMs = millisecondsOf(
        [&] { sendAll(client, {{"REPORT", url, DavXml::syncCollection(now), {{"Depth", "0"}, Xml}}}); });
    return result;
}
