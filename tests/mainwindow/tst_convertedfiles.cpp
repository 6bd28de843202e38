// Directories converted from the Windows program's Jet file with mdbtools:
// numbers, and perhaps codes and folders, stored as reals, names as varchar,
// no key and no index. Everything shows as it should, and every command
// changes the records it acts on and no others.

#include "bookfile.h"
#include "jetexport.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QPushButton>
#include <QtTest>

namespace {

using Rows = std::vector<BookFile::Row>;
using Type = JetExport::Type;

Rows without(Rows rows, const QStringList& names)
{
    std::erase_if(rows, [&](const BookFile::Row& row) { return names.contains(row.name); });
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(JetExport::Type)

class TestConvertedFiles : public QObject
{
    Q_OBJECT

private slots:
    void init() { Form1Driver::recordPrompts(); }
    void cleanup()
    {
        const auto shown = ui::MessageBox::takeShown();
        if (!shown.isEmpty())
            QFAIL(qPrintable(QStringLiteral("unexpected box: ") + shown.first().prompt));
    }

    void wholeSession_data();
    void wholeSession();
    void fractionsAreNoCodes();
};

void TestConvertedFiles::wholeSession_data()
{
    // Numbers above 2^31 could only be Doubles in Jet; codes and folders
    // may have been either.
    QTest::addColumn<Type>("codes");
    QTest::newRow("Long Integer codes") << Type::LongInteger;
    QTest::newRow("Double codes") << Type::Double;
}

void TestConvertedFiles::wholeSession()
{
    QFETCH(Type, codes);

    BookFile book(BookFile::NoFile{});
    JetExport jet(codes, Type::Double, codes);
    jet.add(1, QStringLiteral("Family"), 0, 0);
    jet.add(2, QStringLiteral("Mum"), 5550000000LL, 1);
    jet.add(3, QStringLiteral("Work"), 0, 0);
    jet.add(120, QStringLiteral("Office"), 1000000, 3);
    jet.add(5, QStringLiteral("Taxi"), 120, 0);
    jet.add(6, QStringLiteral("Uncle \"Bob\""), 5550199, 1);
    jet.convertInto(book.path());
    // The file is what the two commands make: reals where Jet had them.
    QCOMPARE(book.value(QStringLiteral("select count(*) from book where typeof(tel) = 'real'")).toInt(), 6);
    QCOMPARE(book.value(QStringLiteral("select typeof(code) from book")).toString(),
             codes == Type::Double ? QStringLiteral("real") : QStringLiteral("integer"));
    QCOMPARE(book.value(QStringLiteral("select count(*) from sqlite_master where type = 'index'")).toInt(), 0);
    Rows expected{{1, "Family", 0, 0},      {2, "Mum", 5550000000LL, 1},       {3, "Work", 0, 0},
                  {5, "Taxi", 120, 0},      {6, "Uncle \"Bob\"", 5550199, 1}, {120, "Office", 1000000, 3}};
    QCOMPARE(book.rows(), expected);

    {
        Form1Driver main;
        QCOMPARE(main.form().Tag(), QStringLiteral("120"));
        QCOMPARE(main.folders(), (QStringList{"Family", "Work"}));
        QCOMPARE(main.codes(), (QStringList{"1", "3"}));
        QCOMPARE(main.gridRow(1), (QStringList{"1", "Taxi", "120"}));
        // The program's indexes are added on the first start.
        QCOMPARE(book.value(QStringLiteral("select count(*) from sqlite_master where type = 'index'")).toInt(), 2);
        main.doubleClickFolder(1);
        QCOMPARE(main.gridRow(1), (QStringList{"1", "Office", "1000000"}));
        main.clickButton(1);
        main.doubleClickFolder(0);
        QCOMPARE(main.gridRow(1), (QStringList{"1", "Mum", "5550000000"}));
        QCOMPARE(main.gridRow(2), (QStringList{"2", "Uncle \"Bob\"", "5550199"}));

        // The edit-entry dialog shows the number as digits, and keeps it.
        main.clickGridRow(1);
        main.rightClickGrid(1);
        Form1Driver::withModal([&] { main.choose("mgridrename"); },
                               [&](QWidget* dialog) {
                                   auto* number = dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"));
                                   QCOMPARE(number->Text(), QStringLiteral("5550000000"));
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"))->setText("Mother");
                                   QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Command1")),
                                                     Qt::LeftButton);
                               });
        main.activate();
        expected[1].name = QStringLiteral("Mother");
        QCOMPARE(book.rows(), expected);

        // New codes go above the largest, 120, however it is stored.
        main.addEntry(QStringLiteral("Aunt"), QStringLiteral("5550000001"));
        main.addFolder(QStringLiteral("F1"));
        expected.push_back({121, "Aunt", 5550000001LL, 1});
        expected.push_back({122, "F1", 0, 1});
        QCOMPARE(book.rows(), expected);
        QCOMPARE(main.gridRow(3), (QStringList{"3", "Aunt", "5550000001"}));

        main.doubleClickFolder(0);
        main.addEntry(QStringLiteral("In F1"), QStringLiteral("77"));
        main.clickButton(1);
        main.clickButton(1);
        main.addFolder(QStringLiteral("F2"));
        expected.push_back({123, "In F1", 77, 122});
        expected.push_back({124, "F2", 0, 0});
        QCOMPARE(book.rows(), expected);

        // Deleting the new folders takes them alone: not Family, nor Mum.
        main.clickFolder(2);
        main.clickButton(4);
        expected = without(expected, {"F2"});
        QCOMPARE(book.rows(), expected);
        main.doubleClickFolder(0);
        QCOMPARE(main.folders(), QStringList{"F1"});
        main.clickFolder(0);
        main.clickButton(4);
        expected = without(expected, {"F1", "In F1"});
        QCOMPARE(book.rows(), expected);
        QCOMPARE(main.gridNames(), (QStringList{"Mother", "Uncle \"Bob\"", "Aunt"}));

        // Deleting an entry found by the number the grid shows.
        main.clickGridRow(2);
        main.clickButton(4);
        expected = without(expected, {"Uncle \"Bob\""});
        QCOMPARE(book.rows(), expected);
        main.form().close();
    }

    // After a restart the counter starts above the largest code again.
    Form1Driver again;
    QCOMPARE(again.form().Tag(), QStringLiteral("121"));
    QCOMPARE(again.folders(), (QStringList{"Family", "Work"}));
    again.doubleClickFolder(0);
    QCOMPARE(again.gridNames(), (QStringList{"Mother", "Aunt"}));
    QCOMPARE(again.gridRow(1), (QStringList{"1", "Mother", "5550000000"}));
}

// A real that is not whole is no code: a folder holding one cannot be
// opened (nothing can be inside it) and does not count for the counter; as a
// number it shows as it is and can be deleted like any entry.
void TestConvertedFiles::fractionsAreNoCodes()
{
    BookFile book(BookFile::NoFile{});
    JetExport jet(Type::Double, Type::Double, Type::Double);
    jet.add(1, QStringLiteral("Family"), 0, 0);
    jet.add(12.5, QStringLiteral("Half folder"), 0, 0);
    jet.add(3, QStringLiteral("In half"), 555, 12.5);
    jet.add(4, QStringLiteral("Half number"), 12.5, 0);
    jet.add(5, QStringLiteral("Huge"), 1e30, 0);
    jet.convertInto(book.path());

    Form1Driver main;
    QCOMPARE(main.form().Tag(), QStringLiteral("5"));
    QCOMPARE(main.folders(), (QStringList{"Family", "Half folder"}));
    QCOMPARE(main.gridRow(1), (QStringList{"1", "Half number", "12.5"}));
    QCOMPARE(main.gridRow(2), (QStringList{"2", "Huge", "1000000000000000000000000000000"}));
    main.doubleClickFolder(1);
    QCOMPARE(main.folders(), (QStringList{"Family", "Half folder"}));
    QVERIFY(!main.buttonEnabled(1));

    main.clickGridRow(1);
    main.clickButton(4);
    main.clickGridRow(1);
    main.clickButton(4);
    QCOMPARE(book.value(QStringLiteral("select group_concat(name, '|') from book")).toString(),
             QStringLiteral("Family|Half folder|In half"));
    QVERIFY(main.gridNames().isEmpty());
}

QTEST_MAIN(TestConvertedFiles)
#include "tst_convertedfiles.moc"
