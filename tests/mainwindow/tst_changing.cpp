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

// Top level: folders Keep (1) and Drop (2), entries Taxi and Cab.
// Drop holds entries, folder Mid (4) with an entry and folder Deep (6) with
// an entry.
void buildTree(BookFile& book)
{
    book.add(1, QStringLiteral("Keep"), 0, 0);
    book.add(2, QStringLiteral("Drop"), 0, 0);
    book.add(3, QStringLiteral("In drop"), 31, 2);
    book.add(4, QStringLiteral("Mid"), 0, 2);
    book.add(5, QStringLiteral("In mid"), 51, 4);
    book.add(6, QStringLiteral("Deep"), 0, 4);
    book.add(7, QStringLiteral("In deep"), 71, 6);
    book.add(8, QStringLiteral("Also in drop"), 81, 2);
    book.add(9, QStringLiteral("In keep"), 91, 1);
    book.add(10, QStringLiteral("Taxi"), 100, 0);
    book.add(11, QStringLiteral("Cab"), 110, 0);
}

// Opens the edit dialog on grid row `row` from the grid's popup, lets
// `edit` change its boxes, and presses `pressed`.
void editRow(Form1Driver& main, int row, const std::function<void(ui::TextBox*, ui::TextBox*)>& edit,
             const char* pressed = "Command1")
{
    main.clickGridRow(row);
    main.rightClickGrid(row);
    Form1Driver::withModal([&] { main.choose("mgridrename"); },
                           [&](QWidget* dialog) {
                               QCOMPARE(dialog->windowTitle(), QStringLiteral("Rename"));
                               edit(dialog->findChild<ui::TextBox*>(QStringLiteral("Text1")),
                                    dialog->findChild<ui::TextBox*>(QStringLiteral("Text2")));
                               QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(pressed)),
                                                 Qt::LeftButton);
                           });
}

} // namespace

class TestChanging : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Form1Driver::recordPrompts();
    }
    void cleanup() { QVERIFY(ui::MessageBox::takeShown().isEmpty()); }

    void renameFolder_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("stored");
        QTest::newRow("new name") << "Kept" << "Kept";
        QTest::newRow("same name") << "Keep" << "Keep";
        QTest::newRow("blanks only") << "  " << "  ";
        QTest::newRow("quotes") << "\"Keep\" 'it'" << "\"Keep\" 'it'";
        QTest::newRow("cancelled") << "" << "Keep";
    }

    void renameFolder()
    {
        QFETCH(QString, answer);
        QFETCH(QString, stored);
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.clickFolder(0);
        main.rightClickList(1); // the menu acts on the folder clicked before
        ui::InputBox::setNextAnswer(answer);
        main.choose("Mlistrename");
        const auto asked = ui::InputBox::takeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().prompt, QStringLiteral("Enetr new name"));
        QCOMPARE(asked.first().title, QStringLiteral("Rename Folder"));
        QCOMPARE(asked.first().defaultText, QStringLiteral("Keep"));
        QCOMPARE(book.rows(QStringLiteral("code = 1")), (std::vector<BookFile::Row>{{1, stored, 0, 0}}));
        QCOMPARE(book.count(), 11);
        QCOMPARE(main.folders(), (QStringList{stored, "Drop"}));
        QCOMPARE(main.codes(), (QStringList{"1", "2"}));
    }

    void editEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tel");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("name only") << "Taxi rank" << "" << qint64(100);
        QTest::newRow("number only") << "" << "5" << qint64(1005);
        QTest::newRow("both, quoted") << "\"Cab\" co" << "0" << qint64(1000);
    }

    void editEntry()
    {
        QFETCH(QString, name);
        QFETCH(QString, tel);
        QFETCH(qint64, stored);
        BookFile book;
        buildTree(book);
        Form1Driver main;
        editRow(main, 1, [&](ui::TextBox* nameBox, ui::TextBox* telBox) {
            QCOMPARE(nameBox->Text(), QStringLiteral("Taxi"));
            QCOMPARE(telBox->Text(), QStringLiteral("100"));
            if (!name.isEmpty())
                nameBox->setText(name);
            telBox->setFocus();
            QTest::keyClicks(telBox, tel);
        });
        const QString expectedName = name.isEmpty() ? QStringLiteral("Taxi") : name;
        QCOMPARE(book.rows(QStringLiteral("code = 10")), (std::vector<BookFile::Row>{{10, expectedName, stored, 0}}));
        QCOMPARE(book.count(), 11);
        QCOMPARE(main.gridRow(1), (QStringList{"1", expectedName, QString::number(stored)}));
    }

    // Longer than a Qt line box takes by default, as an import can store:
    // the dialogs hand such names back whole.
    void longNamesSurviveTheDialogs()
    {
        const QString folderName(40000, u'F');
        const QString entryName(40000, u'E');
        BookFile book;
        book.add(1, folderName, 0, 0);
        book.add(2, entryName, 100, 0);
        Form1Driver main;
        editRow(main, 1, [&](ui::TextBox*, ui::TextBox* telBox) {
            telBox->setFocus();
            QTest::keyClicks(telBox, QStringLiteral("7"));
        });
        QCOMPARE(book.rows(QStringLiteral("code = 2")), (std::vector<BookFile::Row>{{2, entryName, 1007, 0}}));

        main.activate();
        main.clickFolder(0);
        main.rightClickList(0);
        Form1Driver::withModal([&] { main.choose("Mlistrename"); },
                               [](QWidget* box) {
                                   QTest::keyClick(box->focusWidget(), Qt::Key_Return); // unchanged
                               });
        QCOMPARE(book.rows(QStringLiteral("code = 1")), (std::vector<BookFile::Row>{{1, folderName, 0, 0}}));
    }

    void editCancelledStoresNothing()
    {
        BookFile book;
        buildTree(book);
        const auto before = book.rows();
        Form1Driver main;
        editRow(main, 2, [](ui::TextBox* name, ui::TextBox*) { name->setText("Changed"); }, "Command2");
        QCOMPARE(book.rows(), before);
        QCOMPARE(main.gridNames(), (QStringList{"Taxi", "Cab"}));
    }

    void twinEntriesChangeTheFirst()
    {
        BookFile book;
        book.add(1, QStringLiteral("Twin"), 5, 0);
        book.add(2, QStringLiteral("Twin"), 5, 0);
        Form1Driver main;
        editRow(main, 2, [](ui::TextBox* name, ui::TextBox*) { name->setText("Changed"); });
        QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{1, "Changed", 5, 0}, {2, "Twin", 5, 0}}));
        QCOMPARE(main.gridNames(), (QStringList{"Changed", "Twin"}));

        main.clickGridRow(2);
        main.clickButton(4);
        QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{1, "Changed", 5, 0}}));
        QCOMPARE(main.gridNames(), QStringList{"Changed"});
    }

    void entryChangedUnderTheGridWritesNothing()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        book.exec(QStringLiteral("update book set name = 'Elsewhere' where code = 10"));
        const auto before = book.rows();
        editRow(main, 1, [](ui::TextBox* name, ui::TextBox*) { name->setText("Mine"); });
        QCOMPARE(book.rows(), before);
        QCOMPARE(main.gridNames(), (QStringList{"Elsewhere", "Cab"}));
    }

    void deleteEntryRenumbers()
    {
        BookFile book;
        for (int i = 1; i <= 12; ++i)
            book.add(i, QStringLiteral("E%1").arg(i), 100 + i, 0);
        book.add(13, QStringLiteral("Folder"), 0, 0);
        Form1Driver main;
        main.clickGridRow(5);
        main.rightClickGrid(9); // acts on row 5, selected before the right click
        main.choose("mgridDelete");
        QCOMPARE(book.rows(QStringLiteral("code = 5")).size(), std::size_t(0));
        QCOMPARE(book.count(), 12);
        QCOMPARE(main.grid()->Rows(), 12);
        for (int row = 1; row <= 11; ++row)
            QCOMPARE(main.grid()->TextMatrix(row, 0), QString::number(row));
        QCOMPARE(main.grid()->TextMatrix(5, 1), QStringLiteral("E6"));
        QCOMPARE(main.folders(), QStringList{"Folder"});
    }

    void deleteFolderTree()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        main.clickFolder(1);
        main.clickButton(4);
        QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{1, "Keep", 0, 0}, {9, "In keep", 91, 1},
                                                          {10, "Taxi", 100, 0}, {11, "Cab", 110, 0}}));
        QCOMPARE(main.folders(), QStringList{"Keep"});
        QCOMPARE(main.codes(), QStringList{"1"});
        QCOMPARE(main.gridNames(), (QStringList{"Taxi", "Cab"}));
    }

    void deleteEmptyFolderFromItsMenu()
    {
        BookFile book;
        buildTree(book);
        book.add(12, QStringLiteral("Empty"), 0, 0);
        Form1Driver main;
        main.clickFolder(2);
        main.rightClickList(2);
        main.choose("MListDelete");
        QCOMPARE(book.count(), 11);
        QCOMPARE(main.folders(), (QStringList{"Keep", "Drop"}));
    }

    void focusPicksThePane()
    {
        BookFile book;
        buildTree(book);
        Form1Driver main;
        // A folder clicked, then a grid row: the entry goes.
        main.clickFolder(1);
        main.clickGridRow(2);
        QCOMPARE(main.grid()->Tag(), QStringLiteral("1"));
        main.clickButton(4);
        QCOMPARE(book.rows(QStringLiteral("code = 11")).size(), std::size_t(0));
        QCOMPARE(book.rows(QStringLiteral("code = 2")).size(), std::size_t(1));

        // A grid row selected, then a folder: the folder goes.
        main.clickGridRow(1);
        main.clickFolder(0);
        QCOMPARE(main.grid()->Tag(), QStringLiteral("0"));
        main.clickButton(4);
        QCOMPARE(book.rows(QStringLiteral("code in (1, 9)")).size(), std::size_t(0));
        QCOMPARE(book.rows(QStringLiteral("code = 10")).size(), std::size_t(1));
        QCOMPARE(main.gridNames(), QStringList{"Taxi"});
    }

    void nothingSelectedDeletesNothing()
    {
        BookFile book;
        buildTree(book);
        const auto before = book.rows();
        Form1Driver main;
        // After opening a folder nothing is selected, yet Delete stays enabled.
        main.doubleClickFolder(0);
        QVERIFY(main.buttonEnabled(4));
        main.clickButton(4);
        main.clickButton(1);
        QVERIFY(main.buttonEnabled(4));
        main.clickButton(4);
        ui::InputBox::setNextAnswer(QStringLiteral("Renamed"));
        main.rightClickList();
        main.choose("Mlistrename");
        QVERIFY(ui::InputBox::takeAsked().isEmpty());
        // The prepared answer is still waiting: nothing asked for it.
        QCOMPARE(ui::InputBox::ask(nullptr, QString(), QString()), QStringLiteral("Renamed"));

        // The grid focused without a data row.
        main.doubleClickFolder(1);
        main.doubleClickFolder(0);
        main.doubleClickFolder(0);
        QCOMPARE(main.grid()->Rows(), 2);
        main.grid()->setFocus(Qt::TabFocusReason);
        main.grid()->clearSelection();
        QCOMPARE(main.grid()->RowSel(), 0);
        main.clickButton(4);
        QCOMPARE(book.rows(), before);
    }

    void parentCycleEnds()
    {
        // A damaged file: folder 1 lists itself among its subfolders.
        BookFile book(QStringLiteral("code integer, name text, tel integer, parent integer"));
        book.add(1, QStringLiteral("Loop"), 0, 0);
        book.add(1, QStringLiteral("Loop again"), 0, 1);
        book.add(2, QStringLiteral("In loop"), 20, 1);
        book.add(3, QStringLiteral("Outside"), 0, 0);
        Form1Driver main;
        main.clickFolder(0);
        main.clickButton(4);
        const auto left = book.rows();
        QVERIFY(left.size() <= 2);
        QCOMPARE(left.back(), (BookFile::Row{3, "Outside", 0, 0}));
        QCOMPARE(book.rows(QStringLiteral("code = 2")).size(), std::size_t(0));
    }

    void deepChainDeletes()
    {
        BookFile book;
        constexpr int Depth = 100000;
        book.exec(QStringLiteral("begin"));
        for (int code = 1; code <= Depth; ++code)
            book.add(code, QStringLiteral("Level %1").arg(code), 0, code - 1);
        book.add(Depth + 1, QStringLiteral("Bottom entry"), 1, Depth);
        book.add(Depth + 2, QStringLiteral("Sibling"), 0, 0);
        book.exec(QStringLiteral("commit"));
        Form1Driver main;
        main.clickFolder(0);
        main.clickButton(4);
        QCOMPARE(book.rows(), (std::vector<BookFile::Row>{{Depth + 2, "Sibling", 0, 0}}));
        QCOMPARE(main.folders(), QStringList{"Sibling"});
    }
};

QTEST_MAIN(TestChanging)
#include "tst_changing.moc"
