// The quorvelin-init program, run as a user runs it.

#include "bookfile.h"

#include <QtTest>

#include <QSqlError>
#include <QSqlQuery>

#include <map>

class TestQuorvelinInit : public QObject
{
    Q_OBJECT

private slots:
    void createsEmptyBook();
    void createsMissingFolders();
    void refusesExistingFile_data();
    void refusesExistingFile();
    void sampleIsATree();
    void badArguments_data();
    void badArguments();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    static Run run(const QStringList& arguments, const QString& workingDir)
    {
        QProcess process;
        process.setWorkingDirectory(workingDir);
        process.start(QStringLiteral(QUORVELIN_INIT), arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static QStringList column(QSqlDatabase db, const QString& sql, int index)
    {
        QStringList values;
        QSqlQuery query(db);
        if (!query.exec(sql))
            return {query.lastError().text()};
        while (query.next())
            values.append(query.value(index).toString());
        return values;
    }
};

void TestQuorvelinInit::createsEmptyBook()
{
    BookFile book{BookFile::NoFile{}};
    const Run result = run({}, book.dir());
    QCOMPARE(result.exitCode, 0);
    QVERIFY(QFile::exists(book.path()));
    QCOMPARE(book.count(), 0);

    // Checked through a connection of our own: the schema, not just usability.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("schema"));
    db.setDatabaseName(book.path());
    QVERIFY(db.open());
    QCOMPARE(column(db, QStringLiteral("pragma table_info(book)"), 1),
             (QStringList{"code", "name", "tel", "parent"}));
    QCOMPARE(column(db, QStringLiteral("pragma table_info(book)"), 2),
             (QStringList{"INTEGER", "TEXT", "INTEGER", "INTEGER"}));
    QCOMPARE(column(db, QStringLiteral("pragma table_info(book)"), 5), (QStringList{"1", "0", "0", "0"}));
    QCOMPARE(column(db, QStringLiteral("pragma index_info(book_parent)"), 2), QStringList{"parent"});
    QCOMPARE(column(db, QStringLiteral("pragma index_info(book_folders)"), 2), QStringList{"parent"});
    QCOMPARE(column(db, QStringLiteral("pragma journal_mode"), 0), QStringList{"delete"});
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("schema"));
}

void TestQuorvelinInit::createsMissingFolders()
{
    BookFile book{BookFile::NoFile{}};
    const QString dir = book.dir() + QStringLiteral("/new folder/دليل");
    const Run result = run({dir}, book.dir());
    QCOMPARE(result.exitCode, 0);
    QVERIFY(QFile::exists(dir + QStringLiteral("/quorvelin.mdb")));
    QVERIFY2(result.out.contains(QStringLiteral("دليل")), qPrintable(result.out));
}

void TestQuorvelinInit::refusesExistingFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("text") << QByteArray("not a directory\n") << QStringList{};
    QTest::newRow("empty, with sample") << QByteArray("") << QStringList{"--sample"};
    QTest::newRow("a real directory") << QByteArray() << QStringList{"--sample"};
}

void TestQuorvelinInit::refusesExistingFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, arguments);

    BookFile book; // quorvelin.mdb with an empty book table
    if (content.isNull()) {
        book.add(1, QStringLiteral("Keep me"), 555, 0);
    } else {
        QFile file(book.path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    QFile file(book.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    const QDateTime modified = QFileInfo(file).lastModified();
    file.close();

    const Run result = run(arguments << book.dir(), book.dir());
    QVERIFY(result.exitCode > 0);
    QVERIFY2(result.err.contains(QLatin1String("already exists")), qPrintable(result.err));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QFileInfo(file).lastModified(), modified);
    QCOMPARE(QDir(book.dir()).entryList(QDir::Files), QStringList{"quorvelin.mdb"});
}

void TestQuorvelinInit::sampleIsATree()
{
    BookFile book{BookFile::NoFile{}};
    QCOMPARE(run({QStringLiteral("--sample"), book.dir()}, book.dir()).exitCode, 0);

    const std::vector<BookFile::Row> rows = book.rows();
    std::map<qint64, const BookFile::Row*> byCode;
    for (const BookFile::Row& row : rows)
        byCode[row.code] = &row;
    QCOMPARE(qint64(byCode.size()), qint64(rows.size()));
    QCOMPARE(byCode.begin()->first, 1);
    QCOMPARE(byCode.rbegin()->first, qint64(rows.size()));

    int entries = 0;
    int deepest = 0;
    bool latin = false;
    bool arabic = false;
    for (const BookFile::Row& row : rows) {
        QVERIFY2(!row.name.trimmed().isEmpty(), qPrintable(QString::number(row.code)));
        QVERIFY(row.tel.toLongLong() >= 0);
        if (row.tel.toLongLong() > 0)
            ++entries;
        int depth = 0;
        for (qint64 parent = row.parent; parent != 0; parent = byCode.at(parent)->parent) {
            QVERIFY2(byCode.count(parent), qPrintable(row.name));
            QCOMPARE(byCode.at(parent)->tel.toLongLong(), 0); // a folder
            QVERIFY(++depth <= int(rows.size()));               // no cycle
        }
        if (row.tel.toLongLong() == 0)
            deepest = std::max(deepest, depth + 1);
        for (const QChar c : row.name) {
            latin |= (c >= u'A' && c <= u'z');
            arabic |= (c.unicode() >= 0x0600 && c.unicode() <= 0x06FF);
        }
    }
    QVERIFY(deepest >= 2);
    QVERIFY(entries >= 8 && entries <= 20);
    QVERIFY(latin && arabic);
}

void TestQuorvelinInit::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("unknown option") << QStringList{"--samples"};
    QTest::newRow("two folders") << QStringList{"a", "b"};
    QTest::newRow("folder is a file") << QStringList{"file"};
}

void TestQuorvelinInit::badArguments()
{
    QFETCH(QStringList, arguments);

    BookFile book{BookFile::NoFile{}};
    QFile file(book.dir() + QStringLiteral("/file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const Run result = run(arguments, book.dir());
    QVERIFY(result.exitCode > 0);
    QVERIFY(!result.err.isEmpty());
    QCOMPARE(QDir(book.dir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"file"});
}

QTEST_GUILESS_MAIN(TestQuorvelinInit)
#include "tst_quorvelininit.moc"
