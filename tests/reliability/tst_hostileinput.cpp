// Text a person can type or paste into the windows that a careless program
// would mangle, misread or let into its statements: quotes, statement
// syntax, wildcards, backslashes, control characters, very long text, blanks,
// right-to-left scripts and emoji as names; numbers with letters, signs and
// blanks, too many digits, zeros. Each name is stored and shown exactly as
// given; each number is stored as the number its digits make or refused with
// the "Error" message; nothing else changes.
//
// Closing a dialog makes the main window active again on a desktop, not on
// the headless platform: the tests do it (activate) as the window system would.

#include "bookfile.h"
#include "windowinput.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QtTest>

#include <memory>

namespace {

using Rows = std::vector<BookFile::Row>;

using windowinput::paste;
using windowinput::press;
using windowinput::textBox;
using windowinput::type;

// A directory with one folder and one entry to rename and edit.
void seed(BookFile& book)
{
    book.add(1, QStringLiteral("Plain folder"), 0, 0);
    book.add(2, QStringLiteral("Plain entry"), 22, 0);
}

QString longName()
{
    QString name;
    for (int i = 0; name.size() < 10000; ++i)
        name += QStringLiteral("Name %1; ").arg(i);
    name.truncate(10000);
    return name;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Form1Driver::recordPrompts();
    }

    void namesStoredExactly_data();
    void namesStoredExactly();
    void emptyNamesStoreNothing();
    void numbers_data();
    void numbers();
    void typedNumbersKeepTheirDigits();
};

void TestHostileInput::namesStoredExactly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("double quote") << "Joe \"the plumber\"";
    QTest::newRow("lone double quote") << "\"";
    QTest::newRow("single quote") << "O'Brien";
    QTest::newRow("semicolon") << "a; b;";
    QTest::newRow("comment") << "Ann -- not Bob";
    QTest::newRow("statement") << "x\"); delete from book where (\"1\"=\"1";
    QTest::newRow("statement, single") << "x'); drop table book; --";
    QTest::newRow("wildcards") << "100% of_them %_";
    QTest::newRow("backslashes") << "C:\\phones\\n\\'";
    QTest::newRow("tab and bell") << QStringLiteral("Tab\there\a");
    QTest::newRow("escape and delete") << QStringLiteral("\x1b[31mred\x7f");
    QTest::newRow("line breaks") << QStringLiteral("Line one\nLine two\r\n");
    QTest::newRow("nul") << QString::fromUtf16(u"before\u0000after", 12);
    QTest::newRow("10,000 characters") << longName();
    QTest::newRow("blanks only") << "     ";
    QTest::newRow("leading and trailing blanks") << "  Ann  ";
    QTest::newRow("Arabic") << QString::fromUtf8("مكتب البريد");
    QTest::newRow("Hebrew and digits") << QString::fromUtf8("שלום 123 עולם");
    QTest::newRow("mixed directions") << QString::fromUtf8("Ann مرحبا Bob");
    QTest::newRow("direction override") << QString::fromUtf8("\u202Eevil\u202C.exe");
    QTest::newRow("emoji") << QString::fromUtf8("Pizza 🍕");
    QTest::newRow("joined emoji") << QString::fromUtf8("👨‍👩‍👧 family, 👍🏽, 🇩🇪");
    QTest::newRow("combining marks") << QString::fromUtf8("Zoe\u0308 cafe\u0301");
}

// Through every window that takes a name: a new folder, a new entry, a
// folder renamed, an entry edited; then the entry found again by that name
// and deleted; then a restart shows it as stored.
void TestHostileInput::namesStoredExactly()
{
    QFETCH(QString, name);
    BookFile book;
    seed(book);
    Rows expected = book.rows();
    {
        Form1Driver main;
        ui::InputBox::setNextAnswer(name);
        main.clickButton(3);
        expected.push_back({3, name, 0, 0});
        QCOMPARE(book.rows(), expected);
        QCOMPARE(main.folders(), (QStringList{"Plain folder", name}));

        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   paste(textBox(dialog, "Text1"), name);
                                   QCOMPARE(textBox(dialog, "Text1")->Text(), name);
                                   paste(textBox(dialog, "Text2"), QStringLiteral("44"));
                                   press(dialog, "Command1");
                               });
        main.activate();
        expected.push_back({4, name, 44, 0});
        QCOMPARE(book.rows(), expected);
        QCOMPARE(main.gridNames(), (QStringList{"Plain entry", name}));

        main.clickFolder(0);
        main.rightClickList(0);
        ui::InputBox::setNextAnswer(name);
        main.choose("Mlistrename");
        expected[0].name = name;
        QCOMPARE(book.rows(), expected);

        main.clickGridRow(1);
        main.rightClickGrid(1);
        Form1Driver::withModal([&] { main.choose("mgridrename"); },
                               [&](QWidget* dialog) {
                                   paste(textBox(dialog, "Text1"), name);
                                   paste(textBox(dialog, "Text2"), QStringLiteral("55"));
                                   press(dialog, "Command1");
                               });
        main.activate();
        expected[1] = {2, name, 55, 0};
        QCOMPARE(book.rows(), expected);
        QCOMPARE(main.gridNames(), (QStringList{name, name}));

        // Found again by the name the grid shows: the second row, number 44.
        main.clickGridRow(2);
        main.clickButton(4);
        expected.pop_back();
        QCOMPARE(book.rows(), expected);
        QVERIFY(ui::MessageBox::takeShown().isEmpty());
    }
    Form1Driver again;
    QCOMPARE(again.folders(), (QStringList{name, name}));
    QCOMPARE(again.gridNames(), QStringList{name});
    QCOMPARE(again.grid()->TextMatrix(1, 2), QStringLiteral("55"));
}

// No name, no record: the folder box's empty answer is a cancel, and the
// entry dialog will not take an entry without a name.
void TestHostileInput::emptyNamesStoreNothing()
{
    BookFile book;
    seed(book);
    const Rows before = book.rows();
    Form1Driver main;
    ui::InputBox::setNextAnswer(QString());
    main.clickButton(3);
    QCOMPARE(ui::InputBox::takeAsked().size(), 1);
    Form1Driver::withModal([&] { main.clickButton(2); },
                           [&](QWidget* dialog) {
                               paste(textBox(dialog, "Text2"), QStringLiteral("44"));
                               press(dialog, "Command1");
                               press(dialog, "Command3");
                               QVERIFY(dialog->isVisible());
                               press(dialog, "Command2");
                           });
    main.activate();
    QCOMPARE(book.rows(), before);
    QCOMPARE(main.folders(), QStringList{"Plain folder"});
    QCOMPARE(main.gridNames(), QStringList{"Plain entry"});
    QVERIFY(ui::MessageBox::takeShown().isEmpty());
}

void TestHostileInput::numbers_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QVariant>("stored"); // null: refused

    // The rule is the store's (TelephoneNumber, tested there row by row):
    // these show that what is pasted into the window ends in it, and is
    // stored as the rule reads it.
    const QVariant refused;
    QTest::newRow("letters after") << "12ab" << refused;
    QTest::newRow("full-width digits") << QString::fromUtf8("１２３") << refused;
    QTest::newRow("19 digits") << "1234567890123456789" << refused;
    QTest::newRow("leading zeros") << "0012" << QVariant(12);
    QTest::newRow("18 nines") << QString(18, u'9') << QVariant(999999999999999999LL);
}

// The same number pasted into each of the three places a number is given:
// Ok and Next Data of the new-entry dialog and Ok of the edit dialog.
void TestHostileInput::numbers()
{
    QFETCH(QString, pasted);
    QFETCH(QVariant, stored);
    const QString refusal = QStringLiteral("You cant use ") + pasted + QStringLiteral(" as telephone No");

    BookFile book;
    seed(book);
    Rows expected = book.rows();
    Form1Driver main;
    for (const char* pressed : {"Command1", "Command3"}) {
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   paste(textBox(dialog, "Text1"), QStringLiteral("New"));
                                   paste(textBox(dialog, "Text2"), pasted);
                                   QCOMPARE(textBox(dialog, "Text2")->Text(), pasted);
                                   press(dialog, pressed);
                                   if (stored.isNull()) {
                                       const auto shown = ui::MessageBox::takeShown();
                                       QCOMPARE(shown.size(), 1);
                                       QCOMPARE(shown.first().title, QStringLiteral("Error"));
                                       QCOMPARE(shown.first().prompt, refusal);
                                       // The dialog stays, with what was given, for a correction.
                                       QVERIFY(dialog->isVisible());
                                       QCOMPARE(textBox(dialog, "Text2")->Text(), pasted);
                                   }
                                   if (dialog->isVisible())
                                       press(dialog, "Command2");
                               });
        main.activate();
        if (!stored.isNull()) {
            expected.push_back({qint64(expected.size() + 1), "New", stored, 0});
            // Shown as given until the grid is filled again.
            QCOMPARE(main.grid()->TextMatrix(main.grid()->Rows() - 1, 2), pasted);
        }
        QCOMPARE(book.rows(), expected);
    }

    main.clickGridRow(1);
    main.rightClickGrid(1);
    Form1Driver::withModal([&] { main.choose("mgridrename"); },
                           [&](QWidget* dialog) {
                               paste(textBox(dialog, "Text2"), pasted);
                               press(dialog, "Command1");
                               if (stored.isNull()) {
                                   const auto shown = ui::MessageBox::takeShown();
                                   QCOMPARE(shown.size(), 1);
                                   QCOMPARE(shown.first().prompt, refusal);
                                   QVERIFY(dialog->isVisible());
                                   press(dialog, "Command2");
                               }
                           });
    main.activate();
    if (!stored.isNull())
        expected[1].tel = stored;
    QCOMPARE(book.rows(), expected);
    QVERIFY(ui::MessageBox::takeShown().isEmpty());
    QCOMPARE(main.gridNames().size(), int(expected.size()) - 1);
}

// Typed, not pasted: the number box drops every key but digits and
// backspace, so what is stored is the digits typed.
void TestHostileInput::typedNumbersKeepTheirDigits()
{
    BookFile book;
    Form1Driver main;
    Form1Driver::withModal([&] { main.clickButton(2); },
                           [&](QWidget* dialog) {
                               const QList<std::pair<QString, QString>> typed{
                                   {"-5", "5"}, {"+1 (555) 12-34", "15551234"}, {"a1b2c3", "123"},
                                   {"(4)-5", "45"}, {" 0 0 7 ", "007"}};
                               for (const auto& [keys, digits] : typed) {
                                   paste(textBox(dialog, "Text1"), keys);
                                   type(textBox(dialog, "Text2"), keys);
                                   QCOMPARE(textBox(dialog, "Text2")->Text(), digits);
                                   press(dialog, "Command3");
                               }
                               // Letters alone leave the box empty: no entry can be given.
                               paste(textBox(dialog, "Text1"), QStringLiteral("Letters"));
                               type(textBox(dialog, "Text2"), QStringLiteral("abc"));
                               QVERIFY(textBox(dialog, "Text2")->Text().isEmpty());
                               press(dialog, "Command1");
                               QVERIFY(dialog->isVisible());
                               press(dialog, "Command2");
                           });
    main.activate();
    QCOMPARE(book.rows(), (Rows{{1, "-5", 5, 0},
                                {2, "+1 (555) 12-34", 15551234, 0},
                                {3, "a1b2c3", 123, 0},
                                {4, "(4)-5", 45, 0},
                                {5, " 0 0 7 ", 7, 0}}));
    QVERIFY(ui::MessageBox::takeShown().isEmpty());
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
