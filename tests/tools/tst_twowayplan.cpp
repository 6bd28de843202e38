// What sync decides for each side, on an address book and a directory held
// in memory: the cases where one side's change meets the other's; and what
// it remembers of both between runs.

#include "tools/carddav/contactfields.h"
#include "tools/carddav/twowayplan.h"

#include <QtTest>

namespace {

using Link = DirectoryState::Book::Link;

const QString Made = QStringLiteral("/book/quorvelin-x-2.vcf");
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

TwoWayPlan plan(const std::vector<TwoWayPlan::Entry>& entries, const DirectoryState::Book& book,
                TwoWayPlan::Prefer prefer = TwoWayPlan::Prefer::Neither)
{
    return TwoWayPlan(entries, book, {QStringLiteral("/book/"), QStringLiteral("quorvelin-x-"), QString(), QString(), prefer});
}

TwoWayPlan::Entry nora(qint64 number)
{
    return {2, 7, QStringLiteral("Nora"), number, {}};
}

} // namespace

class TestTwoWayPlan : public QObject
{
    Q_OBJECT

private slots:
    void removalMeetsChange();
    void numbersLeaveTheirCards();
    void conflicts();
    void foldersAreCategories();
    void matchedWithoutState();
    void rememberedExactly();
};

void TestTwoWayPlan::removalMeetsChange()
{
    // Gone from the server, renumbered here: the entry stays and gets a card.
    TwoWayPlan p = plan({nora(5550112)}, agreed(Made, QString()));
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

void TestTwoWayPlan::numbersLeaveTheirCards()
{
    // A phone's card keeps its other number and its e-mail; the entry of
    // the number left follows it to its new place on the card.
    DirectoryState::Book book;
    book.cards[Phone] = {"\"1\"", card("p", "TEL:5550111\r\nTEL:5550122\r\nEMAIL:n@example.com\r\n")};
    book.links = {link(2, Phone, 0, 5550111, "Nora (other)"), link(3, Phone, 1, 5550122, "Nora (other 2)")};
    TwoWayPlan p = plan({{3, 8, QStringLiteral("Nora (other 2)"), 5550122, {}}}, book);
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY(!p.cardWrites[0].text.contains("5550111"));
    QVERIFY(p.cardWrites[0].text.contains("EMAIL:n@example.com"));
    QCOMPARE(p.serverRemoved, size_t(1));
    QCOMPARE(p.links.size(), size_t(1));
    QCOMPARE(p.links[0].tel, 0);

    // The card the tool made goes with its last number, whatever was added;
    // a phone's card only when nothing else is on it.
    p = plan({}, agreed(Made, card("quorvelin-x-2", "TEL:5550111\r\nNOTE:a note\r\n")));
    QCOMPARE(p.cardRemovals.size(), size_t(1));
    p = plan({}, agreed(Phone, card("p", "TEL:5550111\r\nNOTE:a note\r\n")));
    QVERIFY(p.cardRemovals.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY(p.cardWrites[0].text.contains("NOTE:a note") && !p.cardWrites[0].text.contains("TEL"));
    p = plan({}, agreed(Phone, card("p", "TEL:5550111\r\n")));
    QCOMPARE(p.cardRemovals.size(), size_t(1));
}

void TestTwoWayPlan::conflicts()
{
    const DirectoryState::Book book = agreed(Phone, card("p", "TEL:5550199\r\n"));
    TwoWayPlan p = plan({nora(5550112)}, book);
    QVERIFY(p.empty());
    QCOMPARE(p.conflicts.size(), size_t(1));
    QCOMPARE(p.conflicts[0].directory, QStringLiteral("\"Nora\" 5550112 in /"));
    QCOMPARE(p.conflicts[0].server, QStringLiteral("\"Nora\" 5550199 in /"));
    // Kept as last agreed, so that the next sync still sees both changes.
    QCOMPARE(p.links.size(), size_t(1));
    QCOMPARE(p.links[0].number, 5550111);

    p = plan({nora(5550112)}, book, TwoWayPlan::Prefer::Directory);
    QVERIFY(p.conflicts.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY(p.cardWrites[0].text.contains("TEL:5550112"));
    p = plan({nora(5550112)}, book, TwoWayPlan::Prefer::Server);
    QCOMPARE(p.entryChanges.size(), size_t(1));
    QCOMPARE(p.entryChanges[0].entry.number, 5550199);
}

void TestTwoWayPlan::foldersAreCategories()
{
    // Moved on the phone: the entry follows into the folder, made as needed.
    TwoWayPlan p = plan({nora(5550111)}, agreed(Phone, card("p", "TEL:5550111\r\nCATEGORIES:Home,starred\r\n")));
    QCOMPARE(p.entryChanges.size(), size_t(1));
    QCOMPARE(p.entryChanges[0].entry.folder, QStringList{"Home"});
    // Moved here: the card's category follows, its others kept.
    p = plan({{2, 7, QStringLiteral("Nora"), 5550111, {"Work"}}},
             agreed(Phone, card("p", "TEL:5550111\r\nCATEGORIES:starred\r\n")));
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QVERIFY2(p.cardWrites[0].text.contains("CATEGORIES:starred,/Work\r\n"), p.cardWrites[0].text.constData());
}

void TestTwoWayPlan::matchedWithoutState()
{
    // No links: the entry and the phone's number of the same name and number
    // are one contact, and the entry whose card was made is matched by it.
    DirectoryState::Book book;
    book.cards[Phone] = {"\"1\"", card("p", "TEL:5550111\r\n")};
    book.cards[Made] = {"\"2\"", QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:quorvelin-x-2\r\nFN:Renamed\r\n"
                                                "TEL:5550133\r\nEND:VCARD\r\n")};
    const TwoWayPlan p = plan({{1, 6, QStringLiteral("Nora"), 5550111, {}}, {2, 7, QStringLiteral("Omar"), 5550133, {}}},
                              book, TwoWayPlan::Prefer::Directory);
    QVERIFY(p.newEntries.empty() && p.entryRemovals.empty() && p.cardRemovals.empty());
    QCOMPARE(p.cardWrites.size(), size_t(1));
    QCOMPARE(p.cardWrites[0].path, Made);
    QCOMPARE(p.links.size(), size_t(2));
}

void TestTwoWayPlan::rememberedExactly()
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
    DirectoryState again(file);
    QCOMPARE(again.book(QStringLiteral("https://example.com/book/")), book);
}

QTEST_GUILESS_MAIN(TestTwoWayPlan)
#include "tst_twowayplan.moc"
