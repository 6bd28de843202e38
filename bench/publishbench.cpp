#include "publishbench.h"

#include "benchbook.h"
#include "measure.h"
#include "toolrun.h"

#include "harness/davserver.h"
#include "tools/http/davclient.h"
#include "tools/carddav/cardnames.h"
#include "tools/directory/bookwriter.h"
#include "tools/formats/contactfields.h"
#include "tools/formats/flatrecord.h"

#include <QRegularExpression>

#include <vector>

namespace {

const QString User = QStringLiteral("bench");
const QString Password = QStringLiteral("bench-password");

// The command as a user runs it; its output, which must say it is done.
QByteArray publish(const QString& file, const QUrl& url)
{
    return runTool({QStringLiteral("--file"), file, QStringLiteral("publish"), url.toString(), QStringLiteral("--user"),
                    User});
}

} // namespace

PublishBench::Result PublishBench::run(const QString& folder, int entryCount)
{
    const QString file = folder + QStringLiteral("/quorvelin.mdb");
    const std::vector<SampleBook::Row> rows = contactRows(entryCount);
    std::vector<std::pair<qint64, FlatRecord>> entries;
    for (const SampleBook::Row& r : rows) {
        if (r.tel != 0)
            entries.push_back({r.code, {{rows[size_t(r.parent - 1)].name}, r.name, r.tel, 0}});
    }
    BookWriter writer(file);
    require(writer.create(rows), writer.errorString());

    // At level info Radicale logs every request it receives.
    DavServer server(User, Password, QStringLiteral("info"));
    require(server.start(), server.errorString());
    require(server.makeAddressBook(QStringLiteral("published")) && server.makeAddressBook(QStringLiteral("bare")),
            QStringLiteral("Radicale made no address book"));
    const QUrl published = server.addressBook(QStringLiteral("published"));
    qputenv("QUORVELIN_CARDDAV_PASSWORD", Password.toUtf8());

    Result result;
    QByteArray summary;
    result.publishMs = millisecondsOf([&] { summary = publish(file, published); });
    const QString added = QStringLiteral("%1 entries: %1 added, 0 changed, 0 removed, 0 unchanged.\n").arg(entryCount);
    require(summary == added.toUtf8(), QStringLiteral("the first publish said ") + QString::fromUtf8(summary));

    const qsizetype logged = server.log().size();
    summary = publish(file, published);
    const QString unchanged = QStringLiteral("%1 entries: 0 added, 0 changed, 0 removed, %1 unchanged.\n").arg(entryCount);
    require(summary == unchanged.toUtf8(), QStringLiteral("the second publish said ") + QString::fromUtf8(summary));
    static const QRegularExpression request(QStringLiteral("\\] [A-Z]+ request for '"));
    result.republishRequests = int(server.log().mid(logged).count(request));

    const CardNames names(file);
    const QUrl bare = server.addressBook(QStringLiteral("bare"));
    std::vector<DavClient::Request> puts;
    for (const auto& [entryCode, entry] : entries) {
        const QString uid = names.uid(entryCode);
        puts.push_back({"PUT", bare.resolved(QUrl(CardNames::fileName(uid))),
                        ContactFields::made(uid, entry.name, entry.tel, entry.path, QString()).text(),
                        {{"If-None-Match", "*"}, {"Content-Type", "text/vcard; charset=utf-8"}}});
    }
    DavClient client(User, Password, 60);
    std::vector<DavClient::Response> responses;
    result.barePutsMs = millisecondsOf([&] { responses = client.send(puts); });
    for (const DavClient::Response& r : responses)
        require(r.status == 201, QStringLiteral("a bare PUT was answered %1").arg(r.statusText()));
    return result;
}
