// What publish and sync decide for each side, on an address book and a
// directory held in memory: both ways, the cases where one side's change
// meets the other's; mirrored, when a card needs writing; and what is
// remembered of both between runs.

#include "tools/carddav/syncplan.h"
#include "tools/formats/contactfields.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/vcard.h"

#include "tools/formats/toolerror.h"

#include <QtTest>

namespace {

using Link = DirectoryState::Book::Link;

const CardNames Names(QStringLiteral("/directory/quorvelin.mdb"));
const QString Made = QStringLiteral("/book/") + CardNames::fileName(Names.uid(2));
const QString Phone = QStringLiteral("/book/phone.vcf");

QString card(const QString& uid, const QString& lines)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:Nora\r\n%2END:VCARD\r\n").arg(uid, lines);
}

// An entry and a number of a card as both sides last agreed.
Link link(qint64 code, const QString& path, int tel, qint64 number, const QString& name = QStringLiteral("Nora"),
          const QStringList& folder = {})
{
    return {code, path, tel, name, number, folder, QString::number(number), folder};
}

// Nora, 5550111 at the top, as both sides last agreed, linked to `path`.
DirectoryState::Book agreed(const QString& path, const QString& text)
{
    DirectoryState::Book book;
    if (!text.isEmpty())
        book.cards[path] = {"\"1\"", text};
    book.links.push_back(link(2, path, 0, 5550111));
    return book;
}

SyncPlan plan(const std::vector<SyncPlan::Entry>& entries, const DirectoryState::Book& book,
              SyncPlan::Prefer prefer = SyncPlan::Prefer::Neither, SyncPlan::Policy policy = SyncPlan::Policy::BothWays,
              const SyncPlan::Unread& unread = {})
{
    return SyncPlan(entries, book, {policy, QStringLiteral("/book/"), Names, QString(), QString(), prefer, QString()},
                    unread);
}

SyncPlan::Entry nora(qint64 number)
{
    return {2, 7, QStringLiteral("Nora"), number, {}};
}

} // namespace

class TestSyncPlan : public QObject
{
    Q_OBJECT

private slots:
    void removalMeetsChange();
    void numbersLeaveTheirCards();
    void conflicts();
    void foldersAreCategories();
    void matchedWithoutState();
    void mirrored_data();
    void mirrored();
    void rememberedExactly();
    void rememberedSafely();
    void textlessCardsAreWanted();
    void whatCannotBeTakenWaits();
};

void TestSyncPlan::removalMeetsChange()
{
    // Gone from the server, renumbered here: the entry stays and gets a card.
    SyncPlan p = plan({nora(5550112)}, agreed(Made, QString()));
    QVERIFY(p.entryRemovals.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QCOMPARE(p.cardWrites[0].path, Made);
    QVERIFY(p.cardWrites[0].etag.isEmpty());
    QVERIFY(p.cardWrites[0].text.contains("TEL;TYPE=VOICE:5550112"));

    // Deleted here, renumbered on the phone: it comes back.
    p = plan({}, agreed(Phone, card("p", "TEL:5550199\r\n")));
    QVERIFY(p.cardRemovals.empty() && p.cardWrites.empty());
    QCOMPARE(p.newEntries.size(), size_t(1));
    QCOMPARE(p.newEntries[0].number, 5550199);

    // Gone from the server, unchanged here: the entry goes.
    p = plan({nora(5550111)}, agreed(Made, QString()));
    QCOMPARE(p.entryRemovals.size(), size_t(1));
    QCOMPARE(p.directoryRemoved, size_t(1));
}

void TestSyncPlan::numbersLeaveTheirCards()
{
    // A phone's card keeps its other number and its e-mail; the entry of
    // the number left follows it to its new place on the card.
    DirectoryState::Book book;
    book.cards[Phone] = {"\"1\"", card("p", "TEL:5550111\r\nTEL:5550122\r\nEMAIL:n@example.com\r\n")};
    book.links = {link(2, Phone, 0, 5550111, "Nora (other)"), link(3, Phone, 1, 5550122, "Nora (other 2)")};
    SyncPlan p = plan({{3, 8, QStringLiteral("Nora (other 2)"), 5550122, {}}}, book);
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY(!p.cardWrites[0].text.contains("5550111"));
    QVERIFY(p.cardWrites[0].text.contains("EMAIL:n@example.com"));
    QCOMPARE(p.serverRemoved, size_t(1));
    QCOMPARE(p.links.size(), size_t(1));
    QCOMPARE(p.links[0].tel, 0);

    // The card the tool made goes with its last number, whatever was added;
    // a phone's card only when nothing else is on it.
    p = plan({}, agreed(Made, card(Names.uid(2), "TEL:5550111\r\nNOTE:a note\r\n")));
    QCOMPARE(p.cardRemovals.size(), size_t(1));
    p = plan({}, agreed(Phone, card("p", "TEL:5550111\r\nNOTE:a note\r\n")));
    QVERIFY(p.cardRemovals.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY(p.cardWrites[0].text.contains("NOTE:a note") && !p.cardWrites[0].text.contains("TEL"));
    p = plan({}, agreed(Phone, card("p", "TEL:5550111\r\n")));
    QCOMPARE(p.cardRemovals.size(), size_t(1));
}

void TestSyncPlan::conflicts()
{
    const DirectoryState::Book book = agreed(Phone, card("p", "TEL:5550199\r\n"));
    SyncPlan p = plan({nora(5550112)}, book);
    QVERIFY(p.empty());
    QCOMPARE(p.conflicts.size(), size_t(1));
    QCOMPARE(p.conflicts[0].directory, QStringLiteral("\"Nora\" 5550112 in /"));
    QCOMPARE(p.conflicts[0].server, QStringLiteral("\"Nora\" 5550199 in /"));
    // Kept as last agreed, so that the next sync still sees both changes.
    QCOMPARE(p.links.size(), size_t(1));
    QCOMPARE(p.links[0].number, 5550111);

    p = plan({nora(5550112)}, book, SyncPlan::Prefer::Directory);
    QVERIFY(p.conflicts.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY(p.cardWrites[0].text.contains("TEL:5550112"));
    p = plan({nora(5550112)}, book, SyncPlan::Prefer::Server);
    QCOMPARE(p.entryChanges.size(), size_t(1));
    QCOMPARE(p.entryChanges[0].entry.number, 5550199);
}

void TestSyncPlan::foldersAreCategories()
{
    // Moved on the phone: the entry follows into the folder, made as needed.
    SyncPlan p = plan({nora(5550111)}, agreed(Phone, card("p", "TEL:5550111\r\nCATEGORIES:Home,starred\r\n")));
    QCOMPARE(p.entryChanges.size(), size_t(1));
    QCOMPARE(p.entryChanges[0].entry.folder, QStringList{"Home"});
    // Moved here: the card's category follows, its others kept.
    p = plan({{2, 7, QStringLiteral("Nora"), 5550111, {"Work"}}},
             agreed(Phone, card("p", "TEL:5550111\r\nCATEGORIES:starred\r\n")));
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY2(p.cardWrites[0].text.contains("CATEGORIES:starred,/Work\r\n"), p.cardWrites[0].text.constData());
}

void TestSyncPlan::matchedWithoutState()
{
    // No links: the entry and the phone's number of the same name and number
    // are one contact, and the entry whose card was made is matched by it.
    DirectoryState::Book book;
    book.cards[Phone] = {"\"1\"", card("p", "TEL:5550111\r\n")};
    book.cards[Made] = {"\"2\"", QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:Renamed\r\n"
                                                "TEL:5550133\r\nEND:VCARD\r\n")
                                     .arg(Names.uid(2))};
    const SyncPlan p = plan({{1, 6, QStringLiteral("Nora"), 5550111, {}}, {2, 7, QStringLiteral("Omar"), 5550133, {}}},
                              book, SyncPlan::Prefer::Directory);
    QVERIFY(p.newEntries.empty() && p.entryRemovals.empty() && p.cardRemovals.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QCOMPARE(p.cardWrites[0].path, Made);
    QCOMPARE(p.links.size(), size_t(2));
}

// Publish's policy: a card the tool made is written where its name, number
// or folder differs from its entry's, whatever else a server or a phone did
// to it; another directory's and a phone's cards are never looked at.
void TestSyncPlan::mirrored_data()
{
    QTest::addColumn<QString>("card");
    QTest::addColumn<bool>("written");

    // As Radicale hands the card back: its own order and folding.
    const QString onServer = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nCATEGORIES:/Work/Sales\r\n"
                                            "FN:Nora E\r\n llis\r\nN:;Nora Ellis;;;\r\nTEL;TYPE=VOICE:5550111\r\nEND:VCARD\r\n")
                                 .arg(Names.uid(2));
    QString text = onServer;
    QTest::newRow("reordered and refolded") << onServer << false;
    QTest::newRow("letter case of names and types")
        << text.replace("TEL;TYPE=VOICE", "tel;type=voice").replace("\r\nFN:", "\r\nfn:") << false;
    text = onServer;
    QTest::newRow("LF line ends, a grouped TEL") << text.replace("\r\n", "\n").replace("TEL;", "item1.TEL;") << false;
    text = onServer;
    QTest::newRow("an e-mail, a second number, N split anew, kept")
        << text.replace("END:VCARD", "EMAIL:n@example.com\r\nTEL:1\r\nEND:VCARD").replace("N:;Nora Ellis;;;", "N:Ellis;Nora;;;")
        << false;
    text = onServer;
    QTest::newRow("another number") << text.replace("5550111", "5550112") << true;
    text = onServer;
    QTest::newRow("another folder") << text.replace("/Work/Sales", "/Work") << true;
    QTest::newRow("another UID") << QString(onServer).replace(Names.uid(2), "stranger") << true;
    QTest::newRow("unreadable") << "BEGIN:VCARD\r\nno colon here\r\nEND:VCARD\r\n" << true;
}

void TestSyncPlan::mirrored()
{
    QFETCH(QString, card);
    QFETCH(bool, written);
    DirectoryState::Book book;
    book.cards[Made] = {"\"1\"", card};
    book.cards[Phone] = {"\"1\"", card};
    const QString gone = QStringLiteral("/book/") + CardNames::fileName(Names.uid(9));
    book.cards[gone] = {"\"1\"", card};
    const SyncPlan p = plan({{2, 7, QStringLiteral("Nora Ellis"), 5550111, {"Work", "Sales"}},
                             {3, 8, QStringLiteral("Omar"), 5550133, {}}},
                            book, SyncPlan::Prefer::Neither, SyncPlan::Policy::Mirror);
    // Omar's card is made, the gone entry's removed, the phone's left alone.
    QCOMPARE(p.cardRemovals.size(), size_t(1));
    QCOMPARE(p.cardRemovals[0].path, gone);
    QCOMPARE(p.cardWrites.size(), size_t(written ? 2 : 1));
    QVERIFY(p.cardWrites.back().made && p.cardWrites.back().path.endsWith(CardNames::fileName(Names.uid(3))));
    QCOMPARE(p.unchanged, size_t(written ? 0 : 1));
    if (written) {
        const ContactFields now(QString::fromUtf8(p.cardWrites[0].text), QString());
        QCOMPARE(now.uid(), Names.uid(2));
        QCOMPARE(now.numbers().front().digits, std::optional<qint64>(5550111));
        QCOMPARE(now.folder(), (QStringList{"Work", "Sales"}));
    }
    QVERIFY(p.newEntries.empty() && p.entryChanges.empty() && p.entryRemovals.empty() && p.links.empty());
}

void TestSyncPlan::rememberedExactly()
{
    QTemporaryDir home;
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.path()));
    const QString file = home.filePath(QStringLiteral("quorvelin.mdb"));
    // Eighteen digits, which a double would round.
    constexpr qint64 Long = 987'654'321'098'765'432;
    DirectoryState::Book book = agreed(Phone, card("p", "TEL:987654321098765432\r\nTEL:sip:n@example.com\r\n"));
    book.token = QStringLiteral("t1");
    book.links.front().number = Long;
    book.cards[Phone].reading = ContactFields(book.cards[Phone].text, QStringLiteral("DE")).reading();
    QCOMPARE(book.cards[Phone].reading->numbers.size(), size_t(2));
    QCOMPARE(book.cards[Phone].reading->numbers[0].digits, std::optional(Long));
    {
        DirectoryState state(file);
        state.book(QStringLiteral("https://example.com/book/")) = book;
        state.save();
    }
    // A card's text is not remembered beside its reading.
    book.cards[Phone].text.clear();
    DirectoryState again(file);
    QCOMPARE(again.book(QStringLiteral("https://example.com/book/")), book);
}

// What is remembered is the user's alone and trusted only so: a link planted
// at the file is replaced, not written through; a lock that is no plain
// file of the user's is refused at once; a file others could write names no
// command to run.
void TestSyncPlan::rememberedSafely()
{
    QTemporaryDir home;
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.path()));
    const QString file = home.filePath(QStringLiteral("quorvelin.mdb"));
    const QString path = DirectoryState::folder() + u'/' + DirectoryState::id(file) + QStringLiteral(".json");
    const QString victim = home.filePath(QStringLiteral("victim"));
    QFile(victim).open(QIODevice::WriteOnly);
    const auto remember = [&] {
        DirectoryState state(file);
        state.setLastSync(DirectoryState::Settings{QStringLiteral("https://h/b/"), {}, {}, {}, QStringLiteral("true")});
        state.save();
    };
    QDir().mkpath(DirectoryState::folder());
    QVERIFY(QFile::link(victim, path));
    remember();
    QCOMPARE(QFileInfo(victim).size(), 0);
    QVERIFY(!QFileInfo(path).isSymLink());
    // Nothing for the group or others, of the file or of its folder.
    constexpr int Others = 0x0077;
    QCOMPARE(QFile::permissions(path) & Others, 0);
    QCOMPARE(QFile::permissions(DirectoryState::folder()) & Others, 0);
    QVERIFY(DirectoryState(file).trusted());
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteGroup);
    QVERIFY(!DirectoryState(file).trusted());

    QVERIFY(QFile::link(home.filePath(QStringLiteral("nowhere")), path + QStringLiteral(".lock")));
    try {
        DirectoryState{file};
        QFAIL("a dangling link at the lock was taken");
    } catch (const ToolError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("not a lock file of yours")), qPrintable(e.message()));
    }
}

// A card known by its reading alone, as what is remembered keeps it, is
// wanted whole before the plan changes it.
void TestSyncPlan::textlessCardsAreWanted()
{
    const QString text = card("p", "TEL:+49 30 5550111\r\n");
    DirectoryState::Book book = agreed(Phone, QString());
    book.links.front().telText = QStringLiteral("+49 30 5550111");
    book.cards[Phone] = {"\"1\"", QString(), ContactFields(text, QString()).reading()};
    SyncPlan p = plan({nora(5550111)}, book);
    QVERIFY(p.empty() && p.needed.empty());
    p = plan({{2, 7, QStringLiteral("Nora"), 5550112, {}}}, book);
    QCOMPARE(p.needed, std::set<QString>{Phone});
    QVERIFY(p.cardWrites.empty());
    book.cards[Phone].text = text;
    p = plan({{2, 7, QStringLiteral("Nora"), 5550112, {}}}, book);
    QVERIFY(p.needed.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
}

// An entry the sync leaves out (its code given twice, its folder too deep)
// is not one removed, and a card over a cap or too deep is not one read:
// what is linked to either stays as it is, both ways and mirrored.
void TestSyncPlan::whatCannotBeTakenWaits()
{
    const QString made = card(Names.uid(2), "TEL:5550111\r\n");
    for (const auto policy : {SyncPlan::Policy::BothWays, SyncPlan::Policy::Mirror}) {
        const SyncPlan p = plan({}, agreed(Made, made), SyncPlan::Prefer::Neither, policy, {{}, {2}});
        QVERIFY(p.empty());
        QCOMPARE(p.links.size(), size_t(policy == SyncPlan::Policy::BothWays ? 1 : 0));
    }
    const QString deep = QStringLiteral("CATEGORIES:") + QStringLiteral("/f").repeated(FolderPath::MaxDepth + 1)
                         + QStringLiteral("\r\n");
    for (const QString& lines : {QStringLiteral("TEL:5550111\r\n") + deep,
                                 QStringLiteral("TEL:5550111\r\n").repeated(VCard::MaxNumbers + 1)}) {
        const QString text = card(Names.uid(2), lines);
        QVERIFY(!ContactFields(text, QString()).reading().unfit.isEmpty());
        for (const auto policy : {SyncPlan::Policy::BothWays, SyncPlan::Policy::Mirror}) {
            const SyncPlan p = plan({nora(5550112)}, agreed(Made, text), SyncPlan::Prefer::Neither, policy);
            QVERIFY(p.empty());
        }
    }
}

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
