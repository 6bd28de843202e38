#include "bookfile.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/toolbar.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QtTest>

namespace {

// Every enabled state that commands change, with the grid-focus flag.
struct States
{
    QString flag;
    bool up, del, open, listRename, listUp, listDelete, gridRename, gridDelete;
    bool operator==(const States&) const = default;
};

States states(const Form1Driver& main)
{
    return {main.grid()->Tag(),
            main.buttonEnabled(1),
            main.buttonEnabled(4),
            main.item("Mlistopen")->isEnabled(),
            main.item("Mlistrename")->isEnabled(),
            main.item("Mlistup")->isEnabled(),
            main.item("MListDelete")->isEnabled(),
            main.item("mgridrename")->isEnabled(),
            main.item("mgridDelete")->isEnabled()};
}

char* toString(const States& s)
{
    return QTest::toString(QStringLiteral("flag %1 up %2 del %3 open %4 listRename %5 listUp %6 listDelete %7 "
                                          "gridRename %8 gridDelete %9")
                               .arg(s.flag)
                               .arg(s.up)
                               .arg(s.del)
                               .arg(s.open)
                               .arg(s.listRename)
                               .arg(s.listUp)
                               .arg(s.listDelete)
                               .arg(s.gridRename)
                               .arg(s.gridDelete));
}

void closePopup()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void buildTree(BookFile& book)
{
    book.add(1, QStringLiteral("Home"), 0, 0);
    book.add(2, QStringLiteral("Office"), 0, 0);
    book.add(3, QStringLiteral("Sales"), 0, 2);
    book.add(4, QStringLiteral("Taxi"), 100, 0);
    book.add(5, QStringLiteral("Cab"), 200, 0);
    book.add(6, QStringLiteral("Boss"), 300, 2);
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Form1Driver::recordPrompts();
    }

    void startUpStates()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        QCOMPARE(states(main), (States{"0", false, false, true, false, false, false, false, false}));
        QVERIFY(main.item("Mlistadd")->isEnabled());
        QVERIFY(main.item("MgridAdd")->isEnabled());
        QVERIFY(!main.buttonEnabled(5));
    }

    void eventTable()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        States expected = states(main);

        // A folder clicked.
        main.clickFolder(1);
        expected.del = expected.listRename = expected.listDelete = true;
        QCOMPARE(states(main), expected);

        // The list loses the focus with a folder selected: to the grid, whose
        // focus gain comes second.
        main.clickGridRow(1);
        expected.del = expected.listRename = expected.listDelete = false;
        expected.flag = QStringLiteral("1");
        expected.del = expected.gridRename = expected.gridDelete = true;
        QCOMPARE(states(main), expected);
        QCOMPARE(main.List1()->ListIndex(), -1);

        // The grid loses the focus: to the list, with nothing selected there.
        main.List1()->setFocus(Qt::TabFocusReason);
        expected.flag = QStringLiteral("0");
        expected.del = expected.gridRename = expected.gridDelete = false;
        QCOMPARE(states(main), expected);
        QCOMPARE(main.grid()->RowSel(), 1); // the row stays selected

        // The list loses the focus with no folder selected.
        main.grid()->setFocus(Qt::TabFocusReason);
        expected.flag = QStringLiteral("1");
        expected.del = expected.gridRename = expected.gridDelete = true;
        QCOMPARE(states(main), expected);

        // A right click on the grid changes nothing more.
        main.rightClickGrid(2);
        QCOMPARE(states(main), expected);
        QCOMPARE(main.grid()->RowSel(), 1);
        closePopup();

        // A right click on the list with nothing selected, at the top level.
        main.rightClickList();
        expected.flag = QStringLiteral("0");
        expected.del = expected.gridRename = expected.gridDelete = false;
        expected.open = false;
        expected.listUp = false;
        QCOMPARE(states(main), expected);
        closePopup();

        // A folder opened ("Open " from the menu, like a double click).
        main.clickFolder(1);
        main.rightClickList(0);
        expected.del = expected.listRename = expected.listDelete = true;
        expected.open = true;
        QCOMPARE(states(main), expected);
        main.choose("Mlistopen");
        expected.up = expected.listUp = true; // together, and its shortcut with them
        QCOMPARE(states(main), expected);
        QCOMPARE(main.folders(), QStringList{"Sales"});
        QCOMPARE(main.gridNames(), QStringList{"Boss"});

        // "UP Level" follows button 1 at the moment of the right click.
        main.rightClickList();
        expected.open = false;
        QCOMPARE(states(main), expected);
        main.choose("Mlistup");
        expected.up = expected.listUp = false;
        QCOMPARE(states(main), expected);
        QCOMPARE(main.folders(), (QStringList{"Home", "Office"}));
    }

    void toolbarLeavesTheFocusAlone()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.clickGridRow(1);
        const auto before = book.rows();
        main.clickButton(5);
        QCOMPARE(QApplication::focusWidget(), main.grid());
        QCOMPARE(book.rows(), before);
        Form1Driver::withModal([&] { main.clickButton(6); },
                               [](QWidget* about) {
                                   QCOMPARE(about->windowTitle(), QStringLiteral("About "));
                                   QTest::keyClick(about, Qt::Key_Escape);
                               });
        QCOMPARE(main.grid()->Tag(), QStringLiteral("1"));
        QVERIFY(main.buttonEnabled(4));
        // Delete still knows the grid had the focus.
        main.clickButton(4);
        QCOMPARE(main.gridNames(), QStringList{"Cab"});
        QCOMPARE(book.count(), 5);
    }

    void shortcuts()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        ui::InputBox::setNextAnswer(QStringLiteral("By key"));
        QTest::keyClick(main.List1(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(main.folders(), (QStringList{"Home", "Office", "By key"}));

        Form1Driver::withModal([&] { QTest::keyClick(main.List1(), Qt::Key_N, Qt::ControlModifier); },
                               [](QWidget* dialog) {
                                   QCOMPARE(dialog->windowTitle(), QStringLiteral("New Data"));
                                   dialog->close();
                               });
        main.activate();

        // Up is offered by key exactly while button 1 offers it: at once
        // after a double click, and not at the top level.
        main.doubleClickFolder(1);
        QTest::keyClick(main.List1(), Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(main.List1()->Tag(), QStringLiteral("0"));
        QVERIFY(!main.buttonEnabled(1));
        QTest::keyClick(main.List1(), Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(main.folders(), (QStringList{"Home", "Office", "By key"}));

        Form1Driver::withModal([&] { QTest::keyClick(main.List1(), Qt::Key_F1); },
                               [](QWidget* about) {
                                   QCOMPARE(about->windowTitle(), QStringLiteral("About "));
                                   QTest::keyClick(about, Qt::Key_Escape);
                               });
    }

    // A keyboard alone reaches every command: arrows select, Enter opens,
    // the context-menu key opens the focused pane's popup as a right click.
    void keyboardAlone()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        QCOMPARE(QApplication::focusWidget(), main.List1());
        QTest::keyClick(main.List1(), Qt::Key_Down);
        QTest::keyClick(main.List1(), Qt::Key_Down);
        QCOMPARE(main.List1()->ListIndex(), 1);
        QTest::keyClick(main.List1(), Qt::Key_Menu);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QStringLiteral("Mlist"));
        QVERIFY(main.item("Mlistopen")->isEnabled());
        QVERIFY(main.item("Mlistrename")->isEnabled());
        menu->close();
        main.activate();

        QTest::keyClick(main.List1(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(main.List1()->Tag(), QStringLiteral("2"));
        QVERIFY(main.buttonEnabled(1));

        QTest::keyClick(main.List1(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), main.grid());
        QTest::keyClick(main.grid(), Qt::Key_Space); // selects the row the cursor is on
        QCOMPARE(main.grid()->RowSel(), 1);
        QTest::keyClick(main.grid(), Qt::Key_F10, Qt::ShiftModifier);
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QStringLiteral("mgrid"));
        QCOMPARE(states(main).flag, QStringLiteral("1"));
        QVERIFY(main.item("mgridDelete")->isEnabled());
        main.choose("mgridDelete");
        QCOMPARE(book.count(), 5);
    }

    // Rename and Delete in the grid act on a data row or not at all: after a
    // refill, with the grid focused and no row selected, neither opens or
    // deletes anything.
    void gridCommandsWithoutARowDoNothing()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.clickGridRow(1);
        main.clickButton(4);
        QCOMPARE(main.gridNames(), QStringList{"Cab"});
        QCOMPARE(main.grid()->RowSel(), 0);
        QVERIFY(main.item("mgridrename")->isEnabled());

        main.rightClickGrid(1);
        QVERIFY(!Form1Driver::opensModal([&] { main.choose("mgridrename"); }));
        main.rightClickGrid(1);
        main.choose("mgridDelete");
        main.clickButton(4);
        QCOMPARE(book.count(), 5);
        QCOMPARE(main.gridNames(), QStringList{"Cab"});
    }

    void emptyGridStillOffersItsMenu()
    {
        BookFile book;
        Form1Driver main;
        QTest::mouseClick(main.grid()->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QStringLiteral("mgrid"));
        menu->close();
        QCOMPARE(main.grid()->RowSel(), 0);
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
