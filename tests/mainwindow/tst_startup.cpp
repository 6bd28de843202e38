#include "bookfile.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "mainwindow/showmainwindow.h"
#include "store/storeerror.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"

#include <QAction>
#include <QFile>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init() { ui::MessageBox::setRecording(true); }
    void cleanup() { ui::MessageBox::takeShown(); }

    void showsTheTopLevel()
    {
        BookFile book;
        book.add(3, QStringLiteral("Family"), 0, 0);
        book.add(7, QStringLiteral("Work"), 0, 0);
        book.add(9, QStringLiteral("Doctor"), 5551234, 0);
        book.add(12, QStringLiteral("Friends"), 0, 0);
        book.add(20, QStringLiteral("Inside work"), 0, 7);
        book.add(21, QStringLiteral("Aunt"), 4422, 3);
        book.add(42, QStringLiteral("Plumber"), 123456789, 0);

        Form1Driver main;
        QCOMPARE(main.form().windowTitle(), QStringLiteral("Quorvelin"));
        QCOMPARE(main.folders(), (QStringList{"Family", "Work", "Friends"}));
        QCOMPARE(main.codes(), (QStringList{"3", "7", "12"}));
        QCOMPARE(main.grid()->Rows(), 3);
        QCOMPARE(main.gridRow(0), (QStringList{"", "Name", "TelPhone"}));
        QCOMPARE(main.gridRow(1), (QStringList{"1", "Doctor", "5551234"}));
        QCOMPARE(main.gridRow(2), (QStringList{"2", "Plumber", "123456789"}));
        QCOMPARE(main.form().Tag(), QStringLiteral("42"));
        QVERIFY(!main.buttonEnabled(1));
        QVERIFY(!main.buttonEnabled(4));
        QCOMPARE(main.List1()->Tag(), QStringLiteral("0"));
        QCOMPARE(main.List2()->Tag(), QStringLiteral("0"));
        QCOMPARE(main.grid()->Tag(), QStringLiteral("0"));
        QCOMPARE(main.List1()->ListIndex(), -1);
    }

    void emptyTableIsAnEmptyDirectory()
    {
        BookFile book;
        Form1Driver main;
        QCOMPARE(main.form().Tag(), QStringLiteral("0"));
        QVERIFY(main.folders().isEmpty());
        QVERIFY(main.codes().isEmpty());
        QCOMPARE(main.grid()->Rows(), 1);
        QCOMPARE(main.gridRow(0), (QStringList{"", "Name", "TelPhone"}));
        QVERIFY(ui::MessageBox::takeShown().isEmpty());
    }

    void fieldNamesInAnyCase()
    {
        BookFile book(QStringLiteral("CODE integer primary key, Name text, TEL integer, Parent integer"));
        book.add(1, QStringLiteral("Folder"), 0, 0);
        book.add(2, QStringLiteral("Entry"), 77, 0);
        Form1Driver main;
        QCOMPARE(main.folders(), QStringList{"Folder"});
        QCOMPARE(main.gridRow(1), (QStringList{"1", "Entry", "77"}));
        QCOMPARE(main.form().Tag(), QStringLiteral("2"));
    }

    void unopenableDirectory_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << QByteArray() << "unable to open database file";
        QTest::newRow("text file") << QByteArray("Names and numbers, one per line\n").repeated(200)
                                   << "file is not a database";
        QTest::newRow("no table book") << QByteArray("other table") << "no such table: book";
    }

    void unopenableDirectory()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        BookFile book(BookFile::NoFile{});
        if (content == "other table") {
            book.exec(QStringLiteral("create table other (x integer)"));
        } else if (!content.isEmpty()) {
            QFile file(book.path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const bool existed = QFile::exists(book.path());
        QByteArray before;
        if (existed) {
            QFile file(book.path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            before = file.readAll();
        }
        try {
            Form1 form;
            QFAIL("the main window loaded without a directory");
        } catch (const store::StoreError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
        QCOMPARE(QFile::exists(book.path()), existed);
        if (existed) {
            QFile file(book.path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
        }
    }

    // The program's own start, as its entry makes it.
    void programStartShowsTheWindow()
    {
        BookFile book;
        book.add(3, QStringLiteral("Family"), 0, 0);
        const std::unique_ptr<Form1> form = showMainWindow();
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(ui::MessageBox::takeShown().isEmpty());
    }

    void programStartWithoutADirectorySaysWhy()
    {
        BookFile book(BookFile::NoFile{});
        QVERIFY(!showMainWindow());
        const auto shown = ui::MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().title, QStringLiteral("Quorvelin"));
        QVERIFY2(shown.first().prompt.contains(QStringLiteral("unable to open database file")),
                 qPrintable(shown.first().prompt));
        QVERIFY(!QFile::exists(book.path()));
    }

    void laterEngineFailureIsShownAndEndsTheRun()
    {
        BookFile book;
        book.add(1, QStringLiteral("Folder"), 0, 0);
        Form1Driver main;
        book.exec(QStringLiteral("drop table book"));
        ui::InputBox::setNextAnswer(QStringLiteral("New folder"));
        main.clickButton(3);
        const auto shown = ui::MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().title, QStringLiteral("Quorvelin"));
        QVERIFY2(shown.first().prompt.contains(QStringLiteral("no such table")), qPrintable(shown.first().prompt));
        QVERIFY(!main.form().isVisible());
        // The run is over: commands reach nothing any more.
        main.clickButton(3);
        QVERIFY(ui::MessageBox::takeShown().isEmpty());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
