#include "bookfile.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QPushButton>
#include <QtTest>

namespace {

struct Entry
{
    QString name;
    QString tel;
};

// Types each entry into the open new-entry dialog and presses Next Data,
// then leaves it with `last` ("Command1" Ok, "Command2" Cancel).
void typeEntries(QWidget* dialog, const QList<Entry>& entries, const char* last)
{
    auto* name = dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"));
    auto* number = dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"));
    for (const Entry& entry : entries) {
        name->setFocus();
        QTest::keyClicks(name, entry.name);
        QTest::keyClick(name, Qt::Key_Tab);
        QTest::keyClicks(number, entry.tel);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    }
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(last)), Qt::LeftButton);
}

} // namespace

class TestAdding : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Form1Driver::recordPrompts();
    }

    void entriesInARowGetConsecutiveCodes()
    {
        BookFile book;
        book.add(17, QStringLiteral("Old"), 99, 0);
        Form1Driver main;
        QCOMPARE(main.form().Tag(), QStringLiteral("17"));
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   QCOMPARE(dialog->windowTitle(), QStringLiteral("New Data"));
                                   typeEntries(dialog, {{"Ann", "100"}, {"Ben", "200"}, {"Cy", "300"}}, "Command2");
                                   // Each entry is in the grid as soon as it is stored.
                                   QCOMPARE(main.grid()->Rows(), 5);
                               });
        QCOMPARE(main.form().Tag(), QStringLiteral("20"));
        QCOMPARE(main.gridRow(2), (QStringList{"2", "Ann", "100"}));
        QCOMPARE(main.gridRow(3), (QStringList{"3", "Ben", "200"}));
        QCOMPARE(main.gridRow(4), (QStringList{"4", "Cy", "300"}));
        QCOMPARE(book.rows(QStringLiteral("code > 17")),
                 (std::vector<BookFile::Row>{{18, "Ann", 100, 0}, {19, "Ben", 200, 0}, {20, "Cy", 300, 0}}));
    }

    void leadingZerosShowAsTypedUntilTheRefill()
    {
        BookFile book;
        book.add(1, QStringLiteral("Sub"), 0, 0);
        Form1Driver main;
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) { typeEntries(dialog, {}, "Command2"); });
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   auto* number = dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"));
                                   // The boxes were emptied for this use.
                                   QVERIFY(number->Text().isEmpty());
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"))->setText("Zero");
                                   number->setText(QStringLiteral("0012"));
                                   QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Command1")),
                                                     Qt::LeftButton);
                               });
        QCOMPARE(main.gridRow(1), (QStringList{"1", "Zero", "0012"}));
        QCOMPARE(book.rows(QStringLiteral("code = 2")), (std::vector<BookFile::Row>{{2, "Zero", 12, 0}}));
        QCOMPARE(book.rows(QStringLiteral("code = 2")).front().tel.typeId(), QMetaType::LongLong);
        main.doubleClickFolder(0);
        main.clickButton(1);
        QCOMPARE(main.gridRow(1), (QStringList{"1", "Zero", "12"}));
    }

    void refusedNumbersStoreNothing_data()
    {
        QTest::addColumn<QString>("number");
        // The rule is the store's; one number it refuses of each kind.
        QTest::newRow("0") << "0";
        QTest::newRow("pasted") << "12abc";
    }

    void refusedNumbersStoreNothing()
    {
        QFETCH(QString, number);
        BookFile book;
        Form1Driver main;
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"))->setText("Name");
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"))->setText(number);
                                   for (const char* pressed : {"Command1", "Command3"})
                                       QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(pressed)),
                                                         Qt::LeftButton);
                                   QVERIFY(dialog->isVisible());
                                   dialog->close();
                               });
        const auto shown = ui::MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.first().prompt, "You cant use " + number + " as telephone No");
        QCOMPARE(book.count(), 0);
        QCOMPARE(main.grid()->Rows(), 1);
        QCOMPARE(main.form().Tag(), QStringLiteral("0"));
    }

    void namesAreStoredExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("double quote") << "Joe \"the plumber\"";
        QTest::newRow("single quote") << "O'Brien";
        QTest::newRow("statement text") << "x\"); delete from book; --";
        QTest::newRow("blanks only") << "   ";
        QTest::newRow("Arabic") << QString::fromUtf8("مكتب البريد");
        QTest::newRow("emoji") << QString::fromUtf8("Pizza 🍕");
    }

    void namesAreStoredExactly()
    {
        QFETCH(QString, name);
        BookFile book;
        book.add(1, QStringLiteral("Existing"), 5, 0);
        Form1Driver main;
        ui::InputBox::setNextAnswer(name);
        main.clickButton(3);
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"))->setText(name);
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"))->setText("77");
                                   QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Command1")),
                                                     Qt::LeftButton);
                               });
        QCOMPARE(book.rows(QStringLiteral("code > 1")),
                 (std::vector<BookFile::Row>{{2, name, 0, 0}, {3, name, 77, 0}}));
        QCOMPARE(main.folders(), QStringList{name});
        QCOMPARE(main.gridNames(), (QStringList{"Existing", name}));
    }

    void duplicatesAreStored()
    {
        BookFile book;
        book.add(1, QStringLiteral("Twin"), 0, 0);
        book.add(2, QStringLiteral("Same"), 42, 0);
        Form1Driver main;
        ui::InputBox::setNextAnswer(QStringLiteral("Twin"));
        main.clickButton(3);
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) { typeEntries(dialog, {{"Same", "42"}}, "Command2"); });
        QCOMPARE(book.count(), 4);
        QCOMPARE(main.folders(), (QStringList{"Twin", "Twin"}));
        QCOMPARE(main.codes(), (QStringList{"1", "3"}));
        QCOMPARE(main.gridNames(), (QStringList{"Same", "Same"}));
    }

    void newFolderCanBeOpenedAtOnce()
    {
        BookFile book;
        book.add(20, QStringLiteral("Big"), 0, 0);
        book.add(21, QStringLiteral("Inside big"), 1, 20);
        Form1Driver main;
        ui::InputBox::setNextAnswer(QStringLiteral("Fresh"));
        main.clickButton(3);
        const auto asked = ui::InputBox::takeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().prompt, QStringLiteral("Enter the Name"));
        QCOMPARE(asked.first().title, QStringLiteral("The Name of the folder"));
        QVERIFY(asked.first().defaultText.isEmpty());
        QCOMPARE(main.form().Tag(), QStringLiteral("22"));
        QCOMPARE(main.codes(), (QStringList{"20", "22"}));
        QCOMPARE(book.rows(QStringLiteral("code = 22")), (std::vector<BookFile::Row>{{22, "Fresh", 0, 0}}));

        // A folder and then an entry draw consecutive codes; the entry goes
        // where the window is.
        main.doubleClickFolder(1);
        QVERIFY(main.folders().isEmpty());
        QCOMPARE(main.grid()->Rows(), 1);
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) { typeEntries(dialog, {{"Inner", "5"}}, "Command2"); });
        QCOMPARE(book.rows(QStringLiteral("code = 23")), (std::vector<BookFile::Row>{{23, "Inner", 5, 22}}));
    }

    void cancelledFolderStoresNothing()
    {
        BookFile book;
        Form1Driver main;
        ui::InputBox::setNextAnswer(QString());
        main.clickButton(3);
        QCOMPARE(book.count(), 0);
        QVERIFY(main.folders().isEmpty());
        QCOMPARE(main.form().Tag(), QStringLiteral("0"));
    }

    void closingTheDialogKeepsWhatNextDataStored()
    {
        BookFile book;
        Form1Driver main;
        QPointer<QWidget> first;
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   first = dialog;
                                   typeEntries(dialog, {{"Kept", "1"}}, "Command2");
                               });
        QCOMPARE(book.count(), 1);
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"))->setText("Lost");
                                   dialog->findChild<ui::TextBox*>(QStringLiteral("Text2"))->setText("2");
                                   dialog->close();
                               });
        QCOMPARE(book.count(), 1);
        QCOMPARE(main.gridNames(), QStringList{"Kept"});
        // Closed through its frame, the dialog is loaded afresh next time.
        QTRY_VERIFY(first.isNull());
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   QVERIFY(dialog->findChild<ui::TextBox*>(QStringLiteral("Text1"))->Text().isEmpty());
                                   dialog->close();
                               });
    }
};

QTEST_MAIN(TestAdding)
#include "tst_adding.moc"
