#include "bookfile.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QtTest>

namespace {

// Top level: folders Home (1) and Office (2), entry Taxi.
// Office: folder Sales (3), entries Boss and Desk. Sales: folder North (4),
// entry Lead. North: entries only.
void buildTree(BookFile& book)
{
    book.add(1, QStringLiteral("Home"), 0, 0);
    book.add(2, QStringLiteral("Office"), 0, 0);
    book.add(3, QStringLiteral("Sales"), 0, 2);
    book.add(4, QStringLiteral("North"), 0, 3);
    book.add(5, QStringLiteral("Taxi"), 800100, 0);
    book.add(6, QStringLiteral("Boss"), 1001, 2);
    book.add(7, QStringLiteral("Desk"), 1002, 2);
    book.add(8, QStringLiteral("Lead"), 3001, 3);
    book.add(9, QStringLiteral("Rep one"), 4001, 4);
    book.add(10, QStringLiteral("Rep two"), 4002, 4);
}

} // namespace

class TestBrowsing : public QObject
{
    Q_OBJECT

private:
    struct Level
    {
        QStringList folders;
        QStringList codes;
        QStringList names;
        QString current;
        QString listed;
        bool up;
    };

    static void expectLevel(const Form1Driver& main, const Level& level)
    {
        QCOMPARE(main.folders(), level.folders);
        QCOMPARE(main.codes(), level.codes);
        QCOMPARE(main.gridNames(), level.names);
        for (int row = 1; row < main.grid()->Rows(); ++row)
            QCOMPARE(main.grid()->TextMatrix(row, 0), QString::number(row));
        QCOMPARE(main.List1()->Tag(), level.current);
        QCOMPARE(main.List2()->Tag(), level.listed);
        QCOMPARE(main.buttonEnabled(1), level.up);
        QCOMPARE(main.List1()->ListIndex(), -1);
    }

private slots:
    void init() { ui::MessageBox::setRecording(true); }

    void walkDownAndUp()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        const Level top{{"Home", "Office"}, {"1", "2"}, {"Taxi"}, "0", "0", false};
        const Level office{{"Sales"}, {"3"}, {"Boss", "Desk"}, "2", "2", true};
        const Level sales{{"North"}, {"4"}, {"Lead"}, "3", "3", true};
        const Level north{{}, {}, {"Rep one", "Rep two"}, "4", "4", true};

        expectLevel(main, top);
        main.doubleClickFolder(1);
        expectLevel(main, office);
        main.doubleClickFolder(0);
        expectLevel(main, sales);
        main.doubleClickFolder(0);
        expectLevel(main, north);

        main.clickButton(1);
        expectLevel(main, sales);
        main.clickButton(1);
        expectLevel(main, office);
        main.clickButton(1);
        expectLevel(main, top);
        QVERIFY(ui::MessageBox::takeShown().isEmpty());
    }

    void upLevelAtTheTopStaysThere()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.doubleClickFolder(0); // Home holds nothing
        QVERIFY(main.folders().isEmpty());
        QCOMPARE(main.grid()->Rows(), 1);
        QCOMPARE(main.List2()->Tag(), QStringLiteral("1"));
        main.rightClickList();
        main.choose("Mlistup");
        QCOMPARE(main.List1()->Tag(), QStringLiteral("0"));
        QCOMPARE(main.folders(), (QStringList{"Home", "Office"}));
        QVERIFY(!main.buttonEnabled(1));
    }

    void twelveEntriesAreNumbered()
    {
        BookFile book;
        for (int i = 1; i <= 12; ++i)
            book.add(i, QStringLiteral("Entry %1").arg(i), 1000 + i, 0);
        Form1Driver main;
        QCOMPARE(main.grid()->Rows(), 13);
        for (int row = 1; row <= 12; ++row)
            QCOMPARE(main.gridRow(row), (QStringList{QString::number(row), QStringLiteral("Entry %1").arg(row),
                                                     QString::number(1000 + row)}));
    }

    void foldersAndEntriesNeverMix()
    {
        BookFile book;
        book.add(1, QStringLiteral("Same name"), 0, 0);
        book.add(2, QStringLiteral("Same name"), 5, 0);
        Form1Driver main;
        QCOMPARE(main.folders(), QStringList{"Same name"});
        QCOMPARE(main.codes(), QStringList{"1"});
        QCOMPARE(main.gridNames(), QStringList{"Same name"});
    }

    void clickingAFolderEnablesItsCommands()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        QVERIFY(!main.item("Mlistrename")->isEnabled());
        QVERIFY(!main.item("MListDelete")->isEnabled());
        main.clickFolder(1);
        QCOMPARE(main.List1()->ListIndex(), 1);
        QVERIFY(main.buttonEnabled(4));
        QVERIFY(main.item("Mlistrename")->isEnabled());
        QVERIFY(main.item("MListDelete")->isEnabled());
    }

    void doubleClickKeepsTheCommandsEnabled()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.doubleClickFolder(1);
        QCOMPARE(main.List1()->ListIndex(), -1);
        QVERIFY(main.buttonEnabled(1));
        QVERIFY(main.buttonEnabled(4));
        QVERIFY(main.item("Mlistrename")->isEnabled());
        QVERIFY(main.item("MListDelete")->isEnabled());

        // The list loses the focus with nothing selected: nothing changes.
        main.clickGridRow(1);
        main.List1()->setFocus(Qt::TabFocusReason);
        QVERIFY(main.item("Mlistrename")->isEnabled());
        QVERIFY(main.item("MListDelete")->isEnabled());
    }

    void losingTheFocusDropsTheSelection()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.clickFolder(0);
        main.clickGridRow(1);
        QCOMPARE(main.List1()->ListIndex(), -1);
        QVERIFY(!main.item("Mlistrename")->isEnabled());
        QVERIFY(!main.item("MListDelete")->isEnabled());
        // The grid took the focus after the list lost it.
        QVERIFY(main.buttonEnabled(4));
    }

    void rightClickWithNothingSelected()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.rightClickList();
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QStringLiteral("Mlist"));
        QVERIFY(!main.item("Mlistopen")->isEnabled());
        QVERIFY(!main.item("Mlistup")->isEnabled());
        menu->close();

        main.clickFolder(1);
        main.rightClickList(0);
        QCOMPARE(main.List1()->ListIndex(), 1); // a right click does not select
        QVERIFY(main.item("Mlistopen")->isEnabled());
        main.choose("Mlistopen");
        QCOMPARE(main.List1()->Tag(), QStringLiteral("2"));

        main.rightClickList();
        QVERIFY(main.item("Mlistup")->isEnabled());
        QVERIFY(!main.item("Mlistopen")->isEnabled());
        qobject_cast<QMenu*>(QApplication::activePopupWidget())->close();
    }

    void doubleClickBelowTheItemsOpensNothing()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        QTest::mouseDClick(main.List1()->viewport(), Qt::LeftButton, {},
                           QPoint(5, main.List1()->viewport()->height() - 3));
        QCOMPARE(main.List1()->Tag(), QStringLiteral("0"));
        QVERIFY(!main.buttonEnabled(1));
    }

    void upLevelFromAFolderThatIsGone()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.doubleClickFolder(1);
        main.doubleClickFolder(0);
        book.exec(QStringLiteral("delete from book where code = 3"));
        main.clickButton(1);
        QCOMPARE(main.List1()->Tag(), QStringLiteral("0"));
        QCOMPARE(main.folders(), (QStringList{"Home", "Office"}));
        QVERIFY(!main.buttonEnabled(1));
        QVERIFY(ui::MessageBox::takeShown().isEmpty());
    }
};

QTEST_MAIN(TestBrowsing)
#include "tst_browsing.moc"
