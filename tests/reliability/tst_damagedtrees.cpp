// Files no copy of the program would write, made by hand or by another tool:
// parent cycles, records whose folder is missing, codes given twice or that
// are no numbers, telephone numbers that are no numbers. Browsing, adding,
// renaming and deleting through the window all end, and each changes its own
// records and nothing else.

#include "bookfile.h"
#include "directorycheck.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <tuple>

namespace {

using Rows = std::vector<BookFile::Row>;

const QString NoKey = QStringLiteral("code integer, name text, tel integer, parent integer");

// Codes may repeat here, so rows are compared in an order of their own.
Rows sorted(Rows rows)
{
    std::sort(rows.begin(), rows.end(), [](const BookFile::Row& a, const BookFile::Row& b) {
        return std::tie(a.code, a.name, a.parent) < std::tie(b.code, b.name, b.parent);
    });
    return rows;
}

Rows without(Rows rows, const QStringList& names)
{
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const BookFile::Row& row) { return names.contains(row.name); }),
               rows.end());
    return rows;
}

Rows with(Rows rows, const Rows& added)
{
    rows.insert(rows.end(), added.begin(), added.end());
    return rows;
}

Rows renamed(Rows rows, const QString& from, const QString& to)
{
    for (auto& row : rows) {
        if (row.name == from)
            row.name = to;
    }
    return rows;
}

void renameFolder(Form1Driver& main, int index, const QString& name)
{
    main.clickFolder(index);
    main.rightClickList(index);
    ui::InputBox::setNextAnswer(name);
    main.choose("Mlistrename");
}

void deleteFolder(Form1Driver& main, int index)
{
    main.clickFolder(index);
    main.clickButton(4);
}

void deleteEntry(Form1Driver& main, const QString& name)
{
    const int row = int(main.gridNames().indexOf(name)) + 1;
    QVERIFY2(row > 0, qPrintable(name));
    main.clickGridRow(row);
    main.clickButton(4);
}

QStringList sortedNames(QStringList names)
{
    names.sort();
    return names;
}

} // namespace

class TestDamagedTrees : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Form1Driver::recordPrompts();
    }
    // Every command here should run without a message.
    void cleanup()
    {
        const auto shown = ui::MessageBox::takeShown();
        if (!shown.isEmpty())
            QFAIL(qPrintable(QStringLiteral("unexpected box: ") + shown.first().prompt));
    }

    void parentCycles();
    void missingParents();
    void duplicateCodes();
    void folderCodeZeroInsideATree();
    void numbersThatAreNoNumbers();
    void textCodeIsNoCounter();
    void noCodeLeft();
};

void TestDamagedTrees::parentCycles()
{
    BookFile book(NoKey);
    book.add(1, QStringLiteral("Loop"), 0, 0);
    book.add(1, QStringLiteral("Loop again"), 0, 1); // lists itself inside itself
    book.add(2, QStringLiteral("In loop"), 20, 1);
    book.add(3, QStringLiteral("Outside"), 0, 0);
    book.add(4, QStringLiteral("In outside"), 40, 3);
    book.add(5, QStringLiteral("Ring A"), 0, 6); // a cycle nothing leads to
    book.add(6, QStringLiteral("Ring B"), 0, 5);
    book.add(7, QStringLiteral("Self"), 0, 7);
    const Rows start = sorted(book.rows());

    Form1Driver main;
    QCOMPARE(main.folders(), (QStringList{"Loop", "Outside"}));
    main.doubleClickFolder(0);
    QCOMPARE(main.folders(), QStringList{"Loop again"});
    QCOMPARE(main.gridNames(), QStringList{"In loop"});
    // Round the cycle and back up: each step ends.
    main.doubleClickFolder(0);
    QCOMPARE(main.folders(), QStringList{"Loop again"});
    main.clickButton(1);
    QCOMPARE(main.folders(), (QStringList{"Loop", "Outside"}));
    QVERIFY(!main.buttonEnabled(1));

    main.doubleClickFolder(0);
    renameFolder(main, 0, QStringLiteral("Renamed"));
    Rows expected = renamed(start, QStringLiteral("Loop again"), QStringLiteral("Renamed"));
    QCOMPARE(sorted(book.rows()), sorted(expected));
    main.addFolder(QStringLiteral("New"));
    expected = with(expected, {{8, "New", 0, 1}});
    QCOMPARE(sorted(book.rows()), sorted(expected));

    main.clickButton(1);
    deleteFolder(main, 0);
    expected = without(expected, {"Loop", "Renamed", "In loop", "New"});
    QCOMPARE(sorted(book.rows()), sorted(expected));
    QCOMPARE(main.folders(), QStringList{"Outside"});
    QVERIFY(DirectoryCheck(book.path()).orphans().empty());
}

void TestDamagedTrees::missingParents()
{
    BookFile book;
    book.add(1, QStringLiteral("Home"), 0, 0);
    book.add(2, QStringLiteral("Lost entry"), 55, 99);
    book.add(3, QStringLiteral("Lost folder"), 0, 98);
    book.add(4, QStringLiteral("In lost folder"), 66, 3);
    book.add(5, QStringLiteral("Home entry"), 77, 1);
    book.add(6, QStringLiteral("Top entry"), 88, 0);
    const Rows lost{{2, "Lost entry", 55, 99}, {3, "Lost folder", 0, 98}, {4, "In lost folder", 66, 3}};

    Form1Driver main;
    QCOMPARE(main.folders(), QStringList{"Home"});
    QCOMPARE(main.gridNames(), QStringList{"Top entry"});
    main.doubleClickFolder(0);
    QCOMPARE(main.gridNames(), QStringList{"Home entry"});
    main.addEntry(QStringLiteral("Added"), QStringLiteral("123"));
    main.addFolder(QStringLiteral("Sub"));
    main.clickButton(1);
    renameFolder(main, 0, QStringLiteral("House"));
    QCOMPARE(book.rows(), (Rows{{1, "House", 0, 0}, lost[0], lost[1], lost[2], {5, "Home entry", 77, 1},
                                {6, "Top entry", 88, 0}, {7, "Added", 123, 1}, {8, "Sub", 0, 1}}));
    deleteFolder(main, 0);
    deleteEntry(main, QStringLiteral("Top entry"));
    QCOMPARE(book.rows(), lost);
    QVERIFY(main.folders().isEmpty());
    QVERIFY(main.gridNames().isEmpty());
}

void TestDamagedTrees::duplicateCodes()
{
    BookFile book(NoKey);
    book.add(5, QStringLiteral("Five"), 0, 0);
    book.add(8, QStringLiteral("Eight"), 0, 0);
    book.add(5, QStringLiteral("Other five"), 0, 8);
    book.add(9, QStringLiteral("In five"), 90, 5);
    book.add(10, QStringLiteral("In eight"), 100, 8);
    book.add(10, QStringLiteral("Twin of in eight"), 101, 8);
    const Rows start = sorted(book.rows());

    Form1Driver main;
    QCOMPARE(main.form().Tag(), QStringLiteral("10"));
    main.doubleClickFolder(1);
    QCOMPARE(main.folders(), QStringList{"Other five"});
    QCOMPARE(main.gridNames(), (QStringList{"In eight", "Twin of in eight"}));
    // The folder shown is the one renamed, not the first with its code.
    renameFolder(main, 0, QStringLiteral("Renamed five"));
    Rows expected = renamed(start, QStringLiteral("Other five"), QStringLiteral("Renamed five"));
    QCOMPARE(sorted(book.rows()), sorted(expected));
    // An entry is found by what the grid shows, whatever its code.
    deleteEntry(main, QStringLiteral("Twin of in eight"));
    expected = without(expected, {"Twin of in eight"});
    QCOMPARE(sorted(book.rows()), sorted(expected));
    main.addEntry(QStringLiteral("New in eight"), QStringLiteral("7"));
    expected = with(expected, {{11, "New in eight", 7, 8}});
    QCOMPARE(sorted(book.rows()), sorted(expected));

    // Deleting the top-level "Five" takes what is shown inside it, and
    // leaves the other folder that has its code where it is.
    main.clickButton(1);
    QCOMPARE(main.folders(), (QStringList{"Five", "Eight"}));
    deleteFolder(main, 0);
    expected = without(expected, {"Five", "In five"});
    QCOMPARE(sorted(book.rows()), sorted(expected));
    QCOMPARE(main.folders(), QStringList{"Eight"});
    QVERIFY(DirectoryCheck(book.path()).orphans().empty());
}

void TestDamagedTrees::folderCodeZeroInsideATree()
{
    // Code 0 is the top level; a folder row holding it inside a folder that
    // is deleted must not take the top level with it.
    BookFile book;
    book.add(1, QStringLiteral("Top folder"), 0, 0);
    book.add(2, QStringLiteral("Holder"), 0, 0);
    book.add(0, QStringLiteral("Zero"), 0, 2);
    book.add(3, QStringLiteral("Top entry"), 30, 0);
    book.add(4, QStringLiteral("In holder"), 40, 2);
    book.add(5, QStringLiteral("In top folder"), 50, 1);

    Form1Driver main;
    main.doubleClickFolder(1);
    QCOMPARE(main.folders(), QStringList{"Zero"});
    renameFolder(main, 0, QStringLiteral("Nil"));
    QCOMPARE(book.rows(QStringLiteral("code = 0")), (Rows{{0, "Nil", 0, 2}}));
    main.clickButton(1);
    deleteFolder(main, 1);
    QCOMPARE(book.rows(), (Rows{{1, "Top folder", 0, 0}, {3, "Top entry", 30, 0}, {5, "In top folder", 50, 1}}));
    QCOMPARE(main.folders(), QStringList{"Top folder"});
    QCOMPARE(main.gridNames(), QStringList{"Top entry"});
}

void TestDamagedTrees::numbersThatAreNoNumbers()
{
    BookFile book;
    book.add(1, QStringLiteral("Folder"), 0, 0);
    book.add(2, QStringLiteral("Letters"), QStringLiteral("abc"), 0);
    book.add(3, QStringLiteral("Empty"), QStringLiteral(""), 0);
    book.add(4, QStringLiteral("Nothing"), QVariant(), 0);
    book.add(5, QStringLiteral("Fraction"), 1.5, 0);
    book.add(6, QStringLiteral("Negative"), -7, 0);
    book.add(7, QStringLiteral("Huge"), 1e30, 0);
    book.add(8, QStringLiteral("Bytes"), QByteArray("\x00\xff", 2), 0);
    book.add(9, QStringLiteral("In folder, nothing"), QVariant(), 1);
    book.add(10, QStringLiteral("In folder, text"), QStringLiteral("xyz"), 1);
    book.add(11, QStringLiteral("In folder, bytes"), QByteArray("\x01", 1), 1);
    book.add(12, QStringLiteral("Plain"), 12, 0);
    const Rows start = book.rows();

    Form1Driver main;
    QCOMPARE(main.folders(), QStringList{"Folder"});
    // A number that is neither 0 nor any other number lists nowhere.
    QCOMPARE(sortedNames(main.gridNames()),
             sortedNames({"Letters", "Empty", "Fraction", "Negative", "Huge", "Bytes", "Plain"}));

    // Such a number cannot be kept by an edit: the dialog refuses it and the
    // record stays as it was until a number is typed.
    const int row = int(main.gridNames().indexOf(QStringLiteral("Letters"))) + 1;
    main.clickGridRow(row);
    main.rightClickGrid(row);
    Form1Driver::withModal([&] { main.choose("mgridrename"); },
                           [&](QWidget* dialog) {
                               auto* name = dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"));
                               auto* number = dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"));
                               QCOMPARE(number->Text(), QStringLiteral("abc"));
                               name->setText(QStringLiteral("Letters fixed"));
                               auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Command1"));
                               QTest::mouseClick(ok, Qt::LeftButton);
                               const auto shown = ui::MessageBox::takeShown();
                               QCOMPARE(shown.size(), 1);
                               QCOMPARE(shown.first().title, QStringLiteral("Error"));
                               QCOMPARE(book.rows(), start);
                               number->setText(QStringLiteral("321"));
                               QTest::mouseClick(ok, Qt::LeftButton);
                           });
    main.activate();
    Rows expected = start;
    expected[1] = {2, "Letters fixed", 321, 0};
    QCOMPARE(book.rows(), expected);

    // Each deletion takes the one entry chosen.
    for (const char* name : {"Empty", "Fraction", "Negative", "Huge", "Plain"}) {
        deleteEntry(main, QString::fromLatin1(name));
        expected = without(expected, {QString::fromLatin1(name)});
        QCOMPARE(book.rows(), expected);
    }
    // A folder goes with everything in it, whatever its numbers hold.
    deleteFolder(main, 0);
    expected = without(expected, {"Folder", "In folder, nothing", "In folder, text", "In folder, bytes"});
    QCOMPARE(book.rows(), expected);
    QVERIFY(DirectoryCheck(book.path()).orphans().empty());
}

void TestDamagedTrees::textCodeIsNoCounter()
{
    // Text sorts above every number: read as the largest code it would start
    // the counter again at 1, and the new folder would share code 1 and its
    // contents with "One".
    BookFile book(NoKey);
    book.add(1, QStringLiteral("One"), 0, 0);
    book.exec(QStringLiteral("insert into book values ('x', 'Text code', 0, 0)"));
    book.add(2, QStringLiteral("In one"), 5, 1);
    Form1Driver main;
    QCOMPARE(main.form().Tag(), QStringLiteral("2"));
    main.addFolder(QStringLiteral("New"));
    QCOMPARE(book.rows(QStringLiteral("name = 'New'")), (Rows{{3, "New", 0, 0}}));
    main.doubleClickFolder(2);
    QVERIFY(main.gridNames().isEmpty());
}

void TestDamagedTrees::noCodeLeft()
{
    BookFile book;
    book.add(std::numeric_limits<qint64>::max(), QStringLiteral("Last"), 0, 0);
    Form1Driver main;
    main.addFolder(QStringLiteral("One too many"));
    const auto shown = ui::MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().prompt, QStringLiteral("no code is left for a new record"));
    QVERIFY(!main.form().isVisible());
    QCOMPARE(book.rows(), (Rows{{std::numeric_limits<qint64>::max(), "Last", 0, 0}}));
}

QTEST_MAIN(TestDamagedTrees)
#include "tst_damagedtrees.moc"
