// Sync checked against a model, in the spirit of a state-machine test: a
// directory file and an address book held in memory change at random on
// both sides, a sync runs through random faults (a write refused, an answer
// lost, a card left out of a multiget or refused, a listing cut short, the
// process killed at any request or before it wrote what it remembers),
// then a clean sync; after it both sides must hold what the model holds,
// and a second sync must find nothing to do.
//
// QUORVELIN_MODEL_SEED and QUORVELIN_MODEL_ROUNDS run it with any seed, for
// longer or shorter (scripts/syncmodel.sh; the sanitizers' run).

#include "bookfile.h"

#include "tools/carddav/collectionscope.h"
#include "tools/formats/contactfields.h"
#include "tools/http/davtransport.h"
#include "tools/carddav/directorystate.h"
#include "tools/carddav/cardnames.h"
#include "tools/carddav/syncengine.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/toolerror.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <map>
#include <set>

namespace {

const QUrl Address(QStringLiteral("http://127.0.0.1:9/book/"));
const QString Collection = QStringLiteral("/book/");

// The process ends here: nothing after it runs, nothing is cleaned up but
// what the system releases.
struct Killed
{
};

QByteArray escapedXml(const QByteArray& text)
{
    return QByteArray(text).replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('\r', "&#13;");
}

// A CardDAV address book at /book/ held in memory, taking vCard 4.0 only,
// answering PROPFIND, sync-collection, addressbook-multiget, PUT and DELETE
// with ETags and preconditions as a server does, and failing as told.
class MemoryBook : public DavTransport
{
public:
    struct Faults
    {
        double refuse = 0;   // a write answered 507, not done
        double cut = 0;      // a write done, its answer lost
        double leftOut = 0;  // a card left out of a multiget answer
        double refused = 0;  // a card answered 403 in a multiget answer
        bool cutListing = false;
        int killAt = 0;      // the request the process dies at; 0 for none
        // A multiget answer is stopped for its size once it holds this many
        // cards, as one of cards with photos is; 0 for no limit.
        int cardsAnswered = 0;
    };

    MemoryBook()
        : DavTransport(QString())
    {
    }

    Faults faults;
    QRandomGenerator* random = nullptr;
    int requests = 0;
    int writes = 0;
    QStringList asked; // "VERB /path body" of every request

    // The phone's own changes.
    void store(const QString& path, const QByteArray& text) { change(path, text); }
    void erase(const QString& path) { change(path, std::nullopt); }
    std::map<QString, QByteArray> cards() const
    {
        std::map<QString, QByteArray> texts;
        for (const auto& [path, card] : m_cards)
            texts[path] = card.text;
        return texts;
    }

    std::vector<Response> send(const std::vector<Request>& batch, const std::function<void(size_t)>& progress) override
    {
        std::vector<Response> responses;
        for (const Request& request : batch) {
            if (++requests == faults.killAt)
                throw Killed{};
            asked.append(QString::fromLatin1(request.verb) + u' ' + request.url.path(QUrl::FullyDecoded) + u' '
                         + QString::fromUtf8(request.body));
            responses.push_back(answer(request));
            if (progress)
                progress(responses.size());
        }
        return responses;
    }

private:
    struct Card
    {
        QByteArray text;
        int etag;
    };

    bool chance(double p) { return p > 0 && random->generateDouble() < p; }

    static Response reply(int status, const QString& reason = QString(), const QString& failure = QString(),
                          const QByteArray& etag = QByteArray())
    {
        Response response;
        response.status = status;
        response.reason = reason;
        response.failure = failure;
        response.etag = etag;
        return response;
    }

    void change(const QString& path, const std::optional<QByteArray>& text)
    {
        ++m_version;
        if (text)
            m_cards[path] = {*text, m_version};
        else
            m_cards.erase(path);
        m_log.push_back({m_version, path});
    }

    QByteArray token() const { return "t" + QByteArray::number(m_version); }

    static QByteArray etagOf(int version) { return '"' + QByteArray::number(version) + '"'; }

    QByteArray listed(const QString& path) const
    {
        const auto it = m_cards.find(path);
        if (it == m_cards.end())
            return "<d:response><d:href>" + path.toUtf8()
                   + "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
        return "<d:response><d:href>" + path.toUtf8() + "</d:href><d:propstat><d:prop><d:resourcetype/><d:getetag>"
               + etagOf(it->second.etag) + "</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
               + "</d:response>";
    }

    static QByteArray multistatus(const QByteArray& inside)
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:multistatus xmlns:d=\"DAV:\" "
               "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
               + inside + "</d:multistatus>";
    }

    Response answer(const Request& request)
    {
        const QString path = request.url.path(QUrl::FullyDecoded);
        const auto header = [&](const QByteArray& name) {
            for (const auto& [key, value] : request.headers) {
                if (key.compare(name, Qt::CaseInsensitive) == 0)
                    return std::optional(value);
            }
            return std::optional<QByteArray>();
        };
        if (request.verb == "PUT" || request.verb == "DELETE") {
            const auto it = m_cards.find(path);
            const std::optional<QByteArray> match = header("If-Match");
            const bool put = request.verb == "PUT";
            if ((header("If-None-Match") && it != m_cards.end())
                || (match && (it == m_cards.end() || *match != etagOf(it->second.etag))))
                return reply(412, QStringLiteral("Precondition Failed"));
            if (!put && it == m_cards.end())
                return reply(404, QStringLiteral("Not Found"));
            if (chance(faults.refuse))
                return reply(507, QStringLiteral("Insufficient Storage"));
            ++writes;
            change(path, put ? std::optional(request.body) : std::nullopt);
            if (chance(faults.cut))
                return reply(0, QString(), QStringLiteral("the connection was cut"));
            return reply(put ? 201 : 204, QString(), QString(), put ? etagOf(m_version) : QByteArray());
        }

        QByteArray body;
        if (request.verb == "PROPFIND") {
            body = "<d:response><d:href>" + Collection.toUtf8()
                   + "</d:href><d:propstat><d:prop><d:resourcetype><d:collection/><c:addressbook/></d:resourcetype>"
                     // Which the real servers of the other tests never ask for.
                     "<c:supported-address-data><c:address-data-type content-type=\"text/vcard\" version=\"4.0\"/>"
                     "</c:supported-address-data><d:sync-token>"
                   + token() + "</d:sync-token></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
            for (const auto& [card, stored] : m_cards)
                body += listed(card);
        } else if (request.body.contains("sync-collection")) {
            static const QRegularExpression given(QStringLiteral("<D:sync-token>t(\\d+)</D:sync-token>"));
            const QRegularExpressionMatch m = given.match(QString::fromUtf8(request.body));
            if (!m.hasMatch() || m.captured(1).toInt() > m_version)
                return reply(403, QStringLiteral("Forbidden"));
            std::set<QString> changed;
            for (const auto& [version, card] : m_log) {
                if (version > m.captured(1).toInt())
                    changed.insert(card);
            }
            for (const QString& card : changed)
                body += listed(card);
            body += "<d:sync-token>" + token() + "</d:sync-token>";
        } else {
            static const QRegularExpression href(QStringLiteral("<D:href>([^<]*)</D:href>"));
            int answered = 0;
            for (const QRegularExpressionMatch& m : href.globalMatch(QString::fromUtf8(request.body))) {
                if (faults.cardsAnswered > 0 && answered++ == faults.cardsAnswered) {
                    request.read(multistatus(body).chopped(int(sizeof "</d:multistatus>") - 1));
                    Response stopped = reply(207, QStringLiteral("Multi-Status"), QStringLiteral("too large"));
                    stopped.tooLarge = true;
                    return stopped;
                }
                const QString card = QUrl(m.captured(1)).path(QUrl::FullyDecoded);
                const auto it = m_cards.find(card);
                if (chance(faults.leftOut))
                    continue;
                if (it == m_cards.end() || chance(faults.refused)) {
                    body += "<d:response><d:href>" + m.captured(1).toUtf8() + "</d:href><d:status>HTTP/1.1 "
                            + (it == m_cards.end() ? "404 Not Found" : "403 Forbidden") + "</d:status></d:response>";
                    continue;
                }
                body += "<d:response><d:href>" + m.captured(1).toUtf8() + "</d:href><d:propstat><d:prop><d:getetag>"
                        + etagOf(it->second.etag) + "</d:getetag><c:address-data>" + escapedXml(it->second.text)
                        + "</c:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
            }
        }
        body = multistatus(body);
        if (faults.cutListing && (request.verb == "PROPFIND" || request.body.contains("sync-collection"))) {
            request.read(QByteArrayView(body).first(body.size() / 2));
            return reply(207, QStringLiteral("Multi-Status"), QStringLiteral("the connection was cut"));
        }
        // In two pieces, as an answer comes off the network.
        request.read(QByteArrayView(body).first(body.size() / 2));
        request.read(QByteArrayView(body).sliced(body.size() / 2));
        return reply(207, QStringLiteral("Multi-Status"));
    }

    std::map<QString, Card> m_cards;
    int m_version = 0;
    std::vector<std::pair<int, QString>> m_log;
};

// What both sides should hold: one contact for each card, one entry for each
// of its numbers.
struct Contact
{
    struct Number
    {
        qint64 digits = 0;
        QString kind; // as read: "mobile", "home", "work", a label, or empty
    };
    QString path; // for an entry made at the desk, known once synced
    QString uid;
    QString name;
    QStringList folder;
    std::vector<Number> numbers;
    QStringList extras; // what the phone put on the card beyond the tool's fields
    bool starred = false;
    bool made = false; // by the tool, for an entry made at the desk

    // The entries' names, as import names a card's numbers.
    QStringList entryNames() const
    {
        QStringList kinds;
        for (const Number& n : numbers)
            kinds.append(n.kind);
        const QStringList marks = EntryMaker::marks(kinds);
        QStringList names;
        for (qsizetype i = 0; i < kinds.size(); ++i)
            names.append(marks.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, marks[i]));
        return names;
    }
};

const QStringList Folders[] = {{}, {"Work"}, {"Work", "Sales"}, {"Family"}};

class Model
{
public:
    Model(quint32 seed, BookFile& file)
        : m_random(seed)
        , m_file(file)
        , m_cardNames(file.path())
    {
        m_server.random = &m_random;
    }

    // One round: changes on both sides, a sync through faults, a clean one,
    // and the checks. Fails the test with the seed and round in the message.
    void round(int number)
    {
        m_round = number;
        m_done.clear();
        std::set<QString> touched; // contacts one side changed, by UID: the other leaves them alone this round
        const int changes = 1 + int(m_random.bounded(4));
        for (int i = 0; i < changes; ++i)
            changeAtDesk(touched);
        for (int i = 0; i < changes; ++i)
            changeOnPhone(touched);

        MemoryBook::Faults faults;
        faults.refuse = m_random.bounded(3) == 0 ? 0.3 : 0;
        faults.cut = m_random.bounded(3) == 0 ? 0.3 : 0;
        faults.leftOut = m_random.bounded(3) == 0 ? 0.3 : 0;
        faults.refused = m_random.bounded(4) == 0 ? 0.3 : 0;
        faults.cutListing = m_random.bounded(10) == 0;
        faults.killAt = m_random.bounded(3) == 0 ? 1 + int(m_random.bounded(6)) : 0;
        const bool forgetsLastSave = m_random.bounded(6) == 0;
        m_done.append(QStringLiteral("faults: refuse %1, cut %2, left out %3, refused %4, listing cut %5, killed at %6%7")
                          .arg(faults.refuse)
                          .arg(faults.cut)
                          .arg(faults.leftOut)
                          .arg(faults.refused)
                          .arg(faults.cutListing)
                          .arg(faults.killAt)
                          .arg(forgetsLastSave ? QStringLiteral(", last save lost") : QString()));
        const QByteArray remembered = stateFile();
        sync(faults, false);
        if (forgetsLastSave)
            setStateFile(remembered);

        // Clean, but perhaps from a server whose answers reach the client's
        // size cap after a card or two: what was not taken is asked again.
        MemoryBook::Faults capped;
        capped.cardsAnswered = m_random.bounded(3) == 0 ? 1 + int(m_random.bounded(3)) : 0;
        const Run clean = sync(capped, true);
        require(clean.complete, QStringLiteral("the clean sync (%1 cards to an answer) did not do everything: %2")
                                    .arg(capped.cardsAnswered)
                                    .arg(clean.said));
        check();
        const int writes = m_server.writes;
        const std::vector<BookFile::Row> rows = m_file.rows();
        const Run again = sync({}, true);
        require(again.complete && again.plan->empty() && m_server.writes == writes && m_file.rows() == rows,
                QStringLiteral("a second sync did something: %1").arg(again.said));
    }

    size_t contacts() const { return m_contacts.size(); }

private:
    struct Run
    {
        std::optional<SyncPlan> plan; // none when it stopped before planning
        bool complete = false;        // everything done, no conflict
        QString said;
    };

    [[noreturn]] void fail(const QString& why) const
    {
        throw std::runtime_error(QStringLiteral("round %1 (%2): %3")
                                     .arg(QString::number(m_round), m_done.join(QStringLiteral("; ")), why)
                                     .toStdString());
    }
    void require(bool holds, const QString& why) const
    {
        if (!holds)
            fail(why);
    }

    Run sync(const MemoryBook::Faults& faults, bool clean)
    {
        m_server.faults = faults;
        m_server.requests = 0;
        Run run;
        const auto say = [&](const QString& message) { run.said += message + u'\n'; };
        try {
            DirectoryState state(m_file.path());
            SyncEngine::Options options;
            options.region = QStringLiteral("DE");
            // The clean sync confirms what the faults removed: the model's
            // removals run on for hundreds of rounds.
            options.force = clean;
            const CollectionScope scope(Address);
            SyncEngine::Result result = SyncEngine(m_server, scope, {say, [](const QString&) {}}).run(m_file.path(), state, options);
            for (const SyncEngine::Failure& f : result.failures)
                say(f.message);
            for (const SyncPlan::Conflict& c : result.plan.conflicts)
                say(QStringLiteral("conflict: %1 here, %2 there").arg(c.directory, c.server));
            run.complete = result.complete() && result.plan.conflicts.empty();
            run.plan.emplace(std::move(result.plan));
        } catch (const Killed&) {
        } catch (const ToolError& error) {
            say(error.message());
        }
        return run;
    }

    QString stateFilePath() const
    {
        return DirectoryState::folder() + u'/' + DirectoryState::id(m_file.path()) + QStringLiteral(".json");
    }
    QByteArray stateFile() const
    {
        QFile file(stateFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void setStateFile(const QByteArray& text) const
    {
        QFile file(stateFilePath());
        if (text.isEmpty())
            file.remove();
        else if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
            fail(QStringLiteral("cannot put back %1").arg(file.fileName()));
    }

    qint64 freshNumber()
    {
        for (;;) {
            const qint64 digits = 300'000'000 + qint64(m_random.bounded(1'000'000, 9'999'999));
            if (m_numbers.insert(digits).second)
                return digits;
        }
    }
    QString freshName() { return QStringLiteral("Name%1").arg(++m_names); }
    QStringList anyFolder() { return Folders[m_random.bounded(4)]; }
    QString anyKind()
    {
        static const QStringList kinds = {"", "mobile", "home", "work", "boat", "Summer house"};
        return kinds[m_random.bounded(qsizetype(kinds.size()))];
    }

    // The directory's folder at `path`, made where missing.
    qint64 folderCode(const QStringList& path)
    {
        qint64 parent = 0;
        for (const QString& name : path) {
            const QVariant code = m_file.value(
                QStringLiteral("select code from book where tel = 0 and parent = %1 and name = '%2'").arg(parent).arg(name));
            if (code.isNull()) {
                const qint64 made = nextCode();
                m_file.add(made, name, 0, parent);
                parent = made;
            } else {
                parent = code.toLongLong();
            }
        }
        return parent;
    }
    qint64 nextCode() { return m_file.value(QStringLiteral("select coalesce(max(code), 0) + 1 from book")).toLongLong(); }

    // A contact that neither side has changed this round.
    std::optional<size_t> pick(const std::set<QString>& touched, bool withNumbers)
    {
        std::vector<size_t> free;
        for (size_t i = 0; i < m_contacts.size(); ++i) {
            if (!touched.contains(m_contacts[i].uid) && (!withNumbers || !m_contacts[i].numbers.empty()))
                free.push_back(i);
        }
        if (free.empty())
            return std::nullopt;
        return free[m_random.bounded(qsizetype(free.size()))];
    }

    void changeAtDesk(std::set<QString>& touched)
    {
        const std::optional<size_t> at = pick(touched, true);
        const int what = at ? int(m_random.bounded(6)) : 0;
        if (what == 0) {
            Contact c;
            c.folder = anyFolder();
            const qint64 folder = folderCode(c.folder);
            const qint64 code = nextCode();
            c.made = true;
            // The card's name: after the code, unless a card of that name
            // is left from an entry that had the code before.
            c.uid = m_cardNames.uid(code);
            c.name = freshName();
            c.numbers = {{freshNumber(), QString()}};
            m_file.add(code, c.name, c.numbers[0].digits, folder);
            m_done.append(QStringLiteral("desk adds %1 %2").arg(c.name).arg(c.numbers[0].digits));
            touched.insert(c.uid);
            m_contacts.push_back(c);
            return;
        }
        Contact& c = m_contacts[*at];
        touched.insert(c.uid);
        const size_t i = m_random.bounded(quint32(c.numbers.size()));
        const qint64 tel = c.numbers[i].digits;
        const QString where = QStringLiteral(" where tel = %1").arg(tel);
        static const char* const desk[] = {"", "renames", "relabels", "renumbers", "moves", "removes"};
        m_done.append(QStringLiteral("desk %1 %2 of %3").arg(QLatin1String(desk[what])).arg(tel).arg(c.uid));
        switch (what) {
        case 1: { // renamed; one of several numbers keeps its mark
            QString name = c.entryNames()[qsizetype(i)];
            c.name = freshName();
            name.replace(QRegularExpression(QStringLiteral("^Name\\d+")), c.name);
            m_file.exec(QStringLiteral("update book set name = '%1'").arg(name) + where);
            break;
        }
        case 2: { // one of several numbers given another kind in its mark
            if (c.numbers.size() < 2)
                return;
            QString kind = anyKind();
            m_file.exec(QStringLiteral("update book set name = '%1 (%2)'").arg(c.name, kind.isEmpty() ? "other" : kind)
                        + where);
            c.numbers[i].kind = kind;
            break;
        }
        case 3: {
            const qint64 digits = freshNumber();
            m_file.exec(QStringLiteral("update book set tel = %1").arg(digits) + where);
            c.numbers[i].digits = digits;
            break;
        }
        case 4:
            c.folder = anyFolder();
            m_file.exec(QStringLiteral("update book set parent = %1").arg(folderCode(c.folder)) + where);
            break;
        case 5:
            m_file.exec(QStringLiteral("delete from book") + where);
            c.numbers.erase(c.numbers.begin() + qsizetype(i));
            // The card goes with its last number where nothing else of the
            // phone's is on it, or the tool made it.
            if (c.numbers.empty() && (c.made || c.extras.isEmpty()))
                m_contacts.erase(m_contacts.begin() + qsizetype(*at));
            break;
        }
    }

    void changeOnPhone(std::set<QString>& touched)
    {
        const std::optional<size_t> at = pick(touched, false);
        const int what = at ? int(m_random.bounded(9)) : 0;
        if (what == 0) {
            Contact c;
            c.uid = QStringLiteral("phone-%1").arg(++m_cards);
            c.path = Collection + c.uid + QStringLiteral(".vcf");
            c.name = freshName();
            c.folder = anyFolder();
            for (int n = 1 + int(m_random.bounded(3)); n > 0; --n)
                c.numbers.push_back({freshNumber(), anyKind()});
            if (m_random.bounded(2))
                c.extras.append(QStringLiteral("EMAIL;TYPE=INTERNET:%1@example.com").arg(c.uid));
            c.starred = m_random.bounded(4) == 0;
            touched.insert(c.uid);
            m_contacts.push_back(c);
            write(c);
            m_done.append(QStringLiteral("phone adds %1").arg(c.uid));
            return;
        }
        Contact& c = m_contacts[*at];
        touched.insert(c.uid);
        const size_t i = c.numbers.empty() ? 0 : m_random.bounded(quint32(c.numbers.size()));
        static const char* const phone[] = {"",          "renames",        "renumbers",  "relabels", "moves",
                                            "adds a number to", "removes a number of", "adds a note to", "removes"};
        m_done.append(QStringLiteral("phone %1 %2 (number %3)").arg(QLatin1String(phone[what]), c.uid).arg(i));
        switch (what) {
        case 1:
            c.name = freshName();
            break;
        case 2:
            if (!c.numbers.empty())
                c.numbers[i].digits = freshNumber();
            break;
        case 3:
            if (!c.numbers.empty())
                c.numbers[i].kind = anyKind();
            break;
        case 4:
            c.folder = anyFolder();
            break;
        case 5:
            c.numbers.push_back({freshNumber(), anyKind()});
            break;
        case 6:
            if (!c.numbers.empty())
                c.numbers.erase(c.numbers.begin() + qsizetype(i));
            break;
        case 7:
            c.extras.append(QStringLiteral("NOTE:note %1").arg(++m_names));
            break;
        case 8:
            m_server.erase(c.path);
            m_contacts.erase(m_contacts.begin() + qsizetype(*at));
            return;
        }
        write(c);
    }

    // The card as a phone writes it back whole: its numbers in whichever of
    // the forms people write, its kinds as TYPE or as Apple's labels.
    void write(const Contact& c)
    {
        QString text = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//model//phone//EN\r\nUID:%1\r\nFN:%2\r\n"
                                      "N:;%2;;;\r\n")
                           .arg(c.uid, c.name);
        int item = 0;
        for (const Contact::Number& n : c.numbers) {
            const QString local = QString::number(n.digits).mid(2);
            const QStringList forms = {"+49 30 " + local, "030 " + local, "(030) " + local, "+49-30-" + local};
            const QString number = forms[m_random.bounded(qsizetype(forms.size()))];
            static const QMap<QString, QString> types = {
                {"", "VOICE"}, {"mobile", "CELL"}, {"home", "HOME"}, {"work", "WORK"}};
            if (types.contains(n.kind)) {
                text += QStringLiteral("TEL;TYPE=%1:%2\r\n").arg(types[n.kind], number);
            } else {
                ++item;
                text += QStringLiteral("item%1.TEL:%2\r\nitem%1.X-ABLabel:%3\r\n").arg(item).arg(number, n.kind);
            }
        }
        QStringList categories;
        if (!c.folder.isEmpty())
            categories.append(c.folder.size() == 1 && m_random.bounded(2) ? c.folder.first() : FolderPath::format(c.folder));
        if (c.starred)
            categories.append(QStringLiteral("starred"));
        if (!categories.isEmpty())
            text += QStringLiteral("CATEGORIES:%1\r\n").arg(categories.join(u','));
        for (const QString& extra : c.extras)
            text += extra + QStringLiteral("\r\n");
        m_server.store(c.path, (text + QStringLiteral("END:VCARD\r\n")).toUtf8());
    }

    // Both sides hold the model: the directory an entry for each number,
    // named, numbered and placed as the model says; the address book a card
    // for each contact with its name, numbers, kinds and folder, and with
    // everything the phone put on it.
    void check()
    {
        std::map<qint64, std::pair<QString, qint64>> folders; // code -> name, parent
        for (const BookFile::Row& r : m_file.rows()) {
            if (r.tel.toLongLong() == 0)
                folders[r.code] = {r.name, r.parent};
        }
        QStringList directory;
        for (const BookFile::Row& r : m_file.rows()) {
            if (r.tel.toLongLong() == 0)
                continue;
            QStringList path;
            for (qint64 p = r.parent; p != 0; p = folders[p].second)
                path.prepend(folders[p].first);
            directory.append(QStringLiteral("%1|%2|%3").arg(r.name, r.tel.toString(), FolderPath::format(path)));
        }
        QStringList expected;
        for (const Contact& c : m_contacts) {
            const QStringList names = c.entryNames();
            for (size_t i = 0; i < c.numbers.size(); ++i)
                expected.append(QStringLiteral("%1|%2|%3").arg(names[qsizetype(i)]).arg(c.numbers[i].digits).arg(FolderPath::format(c.folder)));
        }
        directory.sort();
        expected.sort();
        require(directory == expected, QStringLiteral("the directory holds\n  %1\nwhere the model has\n  %2")
                                           .arg(directory.join(QStringLiteral("\n  ")), expected.join(QStringLiteral("\n  "))));

        const std::map<QString, QByteArray> cards = m_server.cards();
        std::set<QString> claimed;
        for (const Contact& c : m_contacts)
            claimed.insert(c.path);
        for (Contact& c : m_contacts) {
            const QRegularExpression made(QStringLiteral("^%1(-\\d+)?\\.vcf$").arg(QRegularExpression::escape(Collection + c.uid)));
            for (const auto& [path, text] : cards) {
                const ContactFields read(QString::fromUtf8(text), QStringLiteral("DE"));
                if (c.path.isEmpty() && !claimed.contains(path) && made.match(path).hasMatch()
                    && !read.numbers().empty() && read.numbers().front().digits == c.numbers.front().digits) {
                    c.path = path;
                    c.uid = read.uid();
                    claimed.insert(path);
                }
            }
        }
        QStringList paths;
        for (const Contact& c : m_contacts)
            paths.append(c.path);
        QStringList held;
        for (const auto& [path, text] : cards)
            held.append(path);
        paths.sort();
        require(held == paths, QStringLiteral("the address book holds %1 where the model has %2")
                                   .arg(held.join(u' '), paths.join(u' ')));
        for (const Contact& c : m_contacts) {
            const auto it = cards.find(c.path);
            require(it != cards.end(), QStringLiteral("%1 is missing from the address book").arg(c.path));
            const QString text = QString::fromUtf8(it->second);
            const ContactFields read(text, QStringLiteral("DE"));
            bool same = read.name() == c.name && read.folder() == c.folder && read.numbers().size() == c.numbers.size()
                        && read.reading().categories.contains(QStringLiteral("starred")) == c.starred;
            for (size_t i = 0; same && i < c.numbers.size(); ++i)
                same = read.numbers()[i].digits == c.numbers[i].digits && read.numbers()[i].kind == c.numbers[i].kind;
            for (const QString& extra : c.extras)
                same = same && text.contains(extra + QStringLiteral("\r\n"));
            require(same, QStringLiteral("%1 reads otherwise than the model's %2 %3:\n%4")
                              .arg(c.path, c.name, FolderPath::format(c.folder), text));
        }
    }

    QRandomGenerator m_random;
    BookFile& m_file;
    CardNames m_cardNames;
    MemoryBook m_server;
    std::vector<Contact> m_contacts;
    std::set<qint64> m_numbers;
    int m_names = 0;
    int m_cards = 0;
    int m_round = 0;
    QStringList m_done; // this round's changes and faults, for the message of a failure
};

} // namespace

class TestSyncModel : public QObject
{
    Q_OBJECT

private slots:
    void bothSidesHoldTheModel_data();
    void bothSidesHoldTheModel();
    void rememberedPathsStayInside();
};

void TestSyncModel::bothSidesHoldTheModel_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("rounds");
    const QByteArray seed = qgetenv("QUORVELIN_MODEL_SEED");
    const int rounds = qEnvironmentVariableIntValue("QUORVELIN_MODEL_ROUNDS");
    QTest::newRow(seed.isEmpty() ? "1" : seed.constData()) << (seed.isEmpty() ? 1u : seed.toUInt()) << (rounds > 0 ? rounds : 250);
}

void TestSyncModel::bothSidesHoldTheModel()
{
    QFETCH(quint32, seed);
    QFETCH(int, rounds);
    QTemporaryDir home;
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.path()));
    BookFile file;
    Model model(seed, file);
    try {
        for (int round = 1; round <= rounds; ++round)
            model.round(round);
    } catch (const std::runtime_error& error) {
        QFAIL(qPrintable(QStringLiteral("seed %1, %2").arg(seed).arg(QString::fromUtf8(error.what()))));
    }
    QVERIFY(model.contacts() > 0);
}

// What is remembered is checked as the server is: a card put outside the
// address book by an edit of the file gets no request, and its entry a card
// of its own inside.
void TestSyncModel::rememberedPathsStayInside()
{
    QTemporaryDir home;
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.path()));
    BookFile file;
    file.add(2, QStringLiteral("Nora"), 5550112, 0);
    const QString outside = QStringLiteral("/admin/nora.vcf");
    {
        DirectoryState state(file.path());
        DirectoryState::Book& book = state.book(CollectionScope(Address).identity());
        const ContactFields card(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:n\r\nFN:Nora\r\nTEL:5550111\r\n"
                                                "END:VCARD\r\n"),
                                 QString());
        // A token, so that only what changed is listed and the card stays.
        book.token = QStringLiteral("t0");
        book.cards[outside] = {"\"1\"", QString(), card.reading()};
        book.links.push_back({2, outside, 0, QStringLiteral("Nora"), 5550111, {}, QStringLiteral("5550111"), {}});
        state.save();
    }
    MemoryBook server;
    DirectoryState state(file.path());
    const CollectionScope scope(Address);
    const SyncEngine::Result result =
        SyncEngine(server, scope, {[](const QString&) {}, [](const QString&) {}}).run(file.path(), state, {});
    QVERIFY(result.complete());
    QCOMPARE(result.cardsMade, size_t(1));
    for (const QString& request : server.asked)
        QVERIFY2(request.section(u' ', 1, 1).startsWith(Collection) && !request.contains(outside), qPrintable(request));
}

QTEST_GUILESS_MAIN(TestSyncModel)
#include "tst_syncmodel.moc"
