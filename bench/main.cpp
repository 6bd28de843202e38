// quorvelin-bench: times the program's own operations on a big directory
// against the least the database engine needs to do the same work, in the
// same run on the same data, and prints the ratio of each pair.

#include "bareconnection.h"
#include "benchbook.h"
#include "deepexportbench.h"
#include "measure.h"
#include "printbench.h"
#include "publishbench.h"
#include "readerbench.h"
#include "repetitions.h"
#include "servershapesbench.h"
#include "sizedoubling.h"
#include "syncbench.h"
#include "toolbench.h"
#include "toolprobe.h"

#include "dialogs/form2.h"
#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

const QString FileName = QStringLiteral("quorvelin.mdb");

struct Figure
{
    QString name;
    double target;   // the ratio the program must stay within
    double program;  // median
    double floor;    // median
    const char* unit;
    bool count = false; // `program` is a count within `target`, with no floor
    // What `program` and `floor` stand for, where they are no program and
    // floor: a shape at twice its size against it at its size.
    const char* programIs = "program";
    const char* floorIs = "floor";
};

// A failure of the benchmark itself or of the program under it: the figures
// would mean nothing, so the run stops (and its temporary folder goes).
[[noreturn]] void fatal(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// The program shows an engine failure in a message box and ends; the
// benchmark records such boxes instead, and any of them voids the run.
void requireNoMessage(const char* during)
{
    const auto shown = ui::MessageBox::takeShown();
    if (!shown.isEmpty())
        fatal(QStringLiteral("the program reported \"%1\" during %2").arg(shown.first().prompt, QLatin1String(during)));
}

// On disk before any clock starts: otherwise the first commit measured would
// pay for writing out the whole file.
void syncFile(const QString& path)
{
    QFile file(path);
    require(file.open(QIODevice::ReadWrite) && ::fsync(file.handle()) == 0, QStringLiteral("cannot sync ") + path);
}

void copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    QFile::remove(to + QStringLiteral("-journal"));
    require(QFile::copy(from, to), QStringLiteral("cannot copy %1 to %2").arg(from, to));
    syncFile(to);
}

qint64 countRecords(const QString& path)
{
    BareConnection connection(path);
    return connection.scalar(QStringLiteral("select count(*) from book"));
}

// Reads the named columns of every row of a statement, forward only.
qint64 readAll(QSqlQuery& query, std::initializer_list<int> columns)
{
    qint64 rows = 0;
    qint64 sink = 0;
    while (query.next()) {
        for (const int column : columns)
            sink += query.value(column).toString().size();
        ++rows;
    }
    require(!query.lastError().isValid(), query.lastError().text());
    return rows + (sink < 0 ? 1 : 0);
}

class Bench
{
public:
    Bench(bool quick, int publishEntries, const QString& folder)
        : m_quick(quick)
        , m_publishEntries(publishEntries)
        , m_pristine(folder + QStringLiteral("/pristine/") + FileName)
        , m_work(folder + QStringLiteral("/work/") + FileName)
        , m_floorFile(folder + QStringLiteral("/floor/") + FileName)
        , m_publishFolder(folder + QStringLiteral("/publish"))
        , m_syncFolder(folder + QStringLiteral("/sync"))
    {
        for (const char* sub : {"pristine", "work", "floor", "publish", "sync"})
            require(QDir(folder).mkpath(QLatin1String(sub)), QStringLiteral("cannot make a folder in ") + folder);
    }

    void build()
    {
        QElapsedTimer clock;
        clock.start();
        m_book = writeBenchBook(m_pristine);
        syncFile(m_pristine);
        BareConnection connection(m_pristine);
        const qint64 nameBytes = connection.scalar(QStringLiteral("select sum(length(cast(name as blob))) from book"));
        std::printf("# directory: %lld records (top level %d folders, %d entries), %.1f MB file, "
                    "names %.1f bytes on average, built in %.1f s\n",
                    m_book.records, BenchBook::TopFolders, BenchBook::TopEntries,
                    double(QFileInfo(m_pristine).size()) / 1e6, double(nameBytes) / double(m_book.records),
                    double(clock.elapsed()) / 1000);
        std::printf("# %s mode: medians of %d repetitions (start-up, list many folders), %d (open a big level, "
                    "memory), %d (delete a big tree, add in a row)%s; same data sizes in both modes\n",
                    m_quick ? "quick" : "full", shortRepetitions(), repetitions(), writingRepetitions(),
                    m_quick ? ", fewer where a figure has taken 10 s" : "");

        // Whatever the program does once to a file it has never opened
        // before is done here, outside the figures, so every repetition
        // starts from the file as the program leaves it.
        std::unique_ptr<Form1> form;
        QDir::setCurrent(dirOf(m_pristine));
        const double first = millisecondsOf([&] { form = std::make_unique<Form1>(); });
        requireNoMessage("the first start");
        closeForm(form);
        syncFile(m_pristine);
        QStringList indexes;
        {
            BareConnection connection(m_pristine);
            QSqlQuery query(connection.db());
            require(query.exec(QStringLiteral("select name from sqlite_master where type='index' and tbl_name='book' "
                                              "order by name")),
                    query.lastError().text());
            while (query.next())
                indexes.append(query.value(0).toString());
        }
        std::printf("# first start on the new file: %.1f ms; indexes of book then: %s\n", first,
                    qPrintable(indexes.join(QStringLiteral(", "))));
        std::fflush(stdout);
    }

    // Runs every figure, or only the one named (for profiling one operation).
    void run(const QString& only)
    {
        const std::pair<const char*, void (Bench::*)()> figures[] = {
            {"start-up", &Bench::startUp},
            {"open a big level", &Bench::openBigLevel},
            {"list many folders", &Bench::listManyFolders},
            {"delete a big tree", &Bench::deleteBigTree},
            {"add in a row", &Bench::addInARow},
            {"memory", &Bench::memory},
            {"tool", &Bench::tool},
            {"print", &Bench::print},
            {"readers", &Bench::readers},
            {"deep export", &Bench::deepExport},
            {"server shapes", &Bench::serverShapes},
            {"publish", &Bench::publish},
            {"sync", &Bench::sync},
        };
        for (const auto& [name, measure] : figures) {
            // Publishing and syncing need a server and take minutes: only
            // when asked for.
            const bool server = qstrcmp(name, "publish") == 0 || qstrcmp(name, "sync") == 0;
            const bool wanted = only.isEmpty() ? !server : only == QLatin1String(name);
            if (wanted)
                (this->*measure)();
        }
        require(!m_figures.empty(), QStringLiteral("no figure is called ") + only);

        int within = 0;
        for (const Figure& figure : m_figures) {
            if (ratio(figure) <= figure.target)
                ++within;
            else
                std::printf("# missed: %s: %s %.2f above its target %.1f\n", qPrintable(figure.name),
                            figure.count ? figure.unit : "ratio", ratio(figure), figure.target);
        }
        std::printf("%d of %d within target\n", within, int(m_figures.size()));
    }

private:
    // Figures of a few milliseconds are the most exposed to whatever else the
    // machine is doing, and cost least to repeat.
    int shortRepetitions() const { return m_quick ? 15 : 31; }
    int repetitions() const { return m_quick ? 3 : 7; }
    int writingRepetitions() const { return m_quick ? 3 : 5; }

    static double ratio(const Figure& figure)
    {
        if (figure.count)
            return figure.program;
        return figure.floor > 0 ? figure.program / figure.floor : 0;
    }

    void report(Figure figure)
    {
        if (figure.count)
            std::printf("%s: %.0f %s (target at most %.0f)\n", qPrintable(figure.name), figure.program, figure.unit,
                        figure.target);
        else
            std::printf("%s: ratio %.2f (%s %.1f %s, %s %.1f %s)\n", qPrintable(figure.name), ratio(figure),
                        figure.programIs, figure.program, figure.unit, figure.floorIs, figure.floor, figure.unit);
        std::fflush(stdout);
        m_figures.push_back(figure);
    }

    // The one main window of a repetition, on the file in `folder`.
    std::unique_ptr<Form1> openForm(const QString& folder, bool show)
    {
        QDir::setCurrent(folder);
        auto form = std::make_unique<Form1>();
        requireNoMessage("start-up");
        if (show) {
            form->show();
            settle();
        }
        return form;
    }

    static void closeForm(std::unique_ptr<Form1>& form)
    {
        form.reset();
        settle();
    }

    QString dirOf(const QString& path) const { return QFileInfo(path).absolutePath(); }

    // ---- the figures ----

    void startUp()
    {
        std::vector<double> program, floor;
        Repetitions repetition("start-up", shortRepetitions(), m_quick);
        while (repetition.next()) {
            std::unique_ptr<Form1> form;
            QDir::setCurrent(dirOf(m_pristine));
            program.push_back(millisecondsOf([&] { form = std::make_unique<Form1>(); }));
            requireNoMessage("start-up");
            Form1Driver user(*form);
            require(user.List1()->ListCount() == BenchBook::TopFolders, QStringLiteral("start-up listed the wrong folders"));
            require(user.grid()->Rows() == BenchBook::TopEntries + 1, QStringLiteral("start-up listed the wrong entries"));
            closeForm(form);

            floor.push_back(millisecondsOf([&] {
                BareConnection connection(m_pristine);
                QSqlQuery query(connection.db());
                query.setForwardOnly(true);
                require(query.exec(QStringLiteral("select max(code) as mm from book")), QStringLiteral("max"));
                readAll(query, {0});
                require(query.exec(QStringLiteral("select rowid,* from book where (tel=0) and (parent=0)")),
                        QStringLiteral("folders"));
                readAll(query, {2, 1, 4});
                require(query.exec(QStringLiteral("select rowid,* from book where (tel<>0) and (parent=0)")),
                        QStringLiteral("entries"));
                readAll(query, {2, 3});
            }));
        }
        repetition.finish();
        report({"start-up", 2.0, median(program), median(floor), "ms"});
    }

    // Opens a folder of the top level by double-clicking it, until both
    // panes show its contents.
    double timeOpening(qint64 folder, int expectFolders, int expectEntries)
    {
        auto form = openForm(dirOf(m_pristine), true);
        Form1Driver user(*form);
        const int row = user.folderIndex(folder);
        require(row >= 0, QStringLiteral("folder %1 is not listed").arg(folder));
        const double ms = millisecondsOf([&] {
            user.doubleClickFolder(row);
            settle();
        });
        requireNoMessage("opening a folder");
        require(user.List1()->ListCount() == expectFolders && user.grid()->Rows() == expectEntries + 1,
                QStringLiteral("opening folder %1 showed %2 folders and %3 entries")
                    .arg(folder)
                    .arg(user.List1()->ListCount())
                    .arg(user.grid()->Rows() - 1));
        closeForm(form);
        return ms;
    }

    double timeListing(const QString& sql, qint64 folder, std::initializer_list<int> columns, qint64 expectRows)
    {
        BareConnection connection(m_pristine);
        return millisecondsOf([&] {
            QSqlQuery query(connection.db());
            query.setForwardOnly(true);
            require(query.prepare(sql), sql);
            query.bindValue(0, folder);
            require(query.exec(), sql);
            require(readAll(query, columns) == expectRows, QStringLiteral("unexpected row count: ") + sql);
        });
    }

    void openBigLevel()
    {
        std::vector<double> program, floor;
        Repetitions repetition("open a big level", repetitions(), m_quick);
        while (repetition.next()) {
            program.push_back(timeOpening(m_book.bigLevel, 0, BenchBook::BigLevelEntries));
            // name, tel and code of every entry
            floor.push_back(timeListing(QStringLiteral("select rowid,* from book where (tel<>0) and (parent=?)"),
                                        m_book.bigLevel, {2, 3, 1}, BenchBook::BigLevelEntries));
        }
        repetition.finish();
        report({"open a big level", 2.0, median(program), median(floor), "ms"});
    }

    void listManyFolders()
    {
        std::vector<double> program, floor;
        Repetitions repetition("list many folders", shortRepetitions(), m_quick);
        while (repetition.next()) {
            program.push_back(timeOpening(m_book.manyFolders, BenchBook::ManyFolders, 0));
            // name, code and parent of every folder
            floor.push_back(timeListing(QStringLiteral("select rowid,* from book where (tel=0) and (parent=?)"),
                                        m_book.manyFolders, {2, 1, 4}, BenchBook::ManyFolders));
        }
        repetition.finish();
        report({"list many folders", 2.0, median(program), median(floor), "ms"});
    }

    void deleteBigTree()
    {
        const qint64 expectLeft = m_book.records - m_book.treeRecords - 1;
        std::vector<double> program, floor;
        Repetitions repetition("delete a big tree", writingRepetitions(), m_quick);
        while (repetition.next()) {
            copyFile(m_pristine, m_work);
            {
                auto form = openForm(dirOf(m_work), true);
                Form1Driver user(*form);
                const int row = user.folderIndex(m_book.bigTree);
                require(row >= 0, QStringLiteral("the tree's folder is not listed"));
                // Selecting the folder with a click is what enables Delete.
                user.clickFolder(row);
                settle();
                program.push_back(millisecondsOf([&] {
                    user.clickButton(4);
                    settle();
                }));
                requireNoMessage("deleting a folder");
                require(user.List1()->ListCount() == BenchBook::TopFolders - 1,
                        QStringLiteral("the deleted folder is still listed"));
                closeForm(form);
            }
            require(countRecords(m_work) == expectLeft,
                    QStringLiteral("the program left %1 records, not %2").arg(countRecords(m_work)).arg(expectLeft));

            copyFile(m_pristine, m_floorFile);
            {
                BareConnection connection(m_floorFile);
                connection.exec(QStringLiteral("pragma synchronous=FULL"));
                QSqlQuery query(connection.db());
                require(query.prepare(QStringLiteral(
                            "with recursive tree(code) as (values(?) union "
                            "select book.code from book join tree on book.parent = tree.code where book.tel = 0) "
                            "delete from book where parent in tree or code = ?")),
                        query.lastError().text());
                query.bindValue(0, m_book.bigTree);
                query.bindValue(1, m_book.bigTree);
                floor.push_back(millisecondsOf([&] {
                    connection.exec(QStringLiteral("begin immediate"));
                    require(query.exec(), query.lastError().text());
                    connection.exec(QStringLiteral("commit"));
                }));
            }
            require(countRecords(m_floorFile) == expectLeft, QStringLiteral("the floor's delete left a wrong count"));
        }
        repetition.finish();
        report({"delete a big tree", 3.0, median(program), median(floor), "ms"});
    }

    void addInARow()
    {
        constexpr int Entries = 1'000;
        std::vector<QString> names, numbers;
        std::vector<qint64> values;
        for (int i = 0; i < Entries; ++i) {
            names.push_back(benchName(quint64(5'000'000 + i)));
            values.push_back(benchNumber(quint64(5'000'000 + i)));
            numbers.push_back(QString::number(values.back()));
        }

        std::vector<double> program, floor;
        Repetitions repetition("add in a row", writingRepetitions(), m_quick);
        while (repetition.next()) {
            copyFile(m_pristine, m_work);
            copyFile(m_pristine, m_floorFile);
            {
                // The floor's commits go in between the program's, one for
                // one, so that both meet the same disk: a commit costs a few
                // syncs, and how long those take changes from second to
                // second with whatever else the machine writes.
                BareConnection connection(m_floorFile);
                connection.exec(QStringLiteral("pragma synchronous=FULL"));
                QSqlQuery insert(connection.db());
                require(insert.prepare(QStringLiteral("insert into book (code, name, tel, parent) values (?, ?, ?, ?)")),
                        insert.lastError().text());
                QElapsedTimer floorClock;
                qint64 floorNs = 0;
                const auto floorCommit = [&](int i) {
                    floorClock.start();
                    // Outside a transaction each insert is committed on its own.
                    insert.bindValue(0, m_book.records + 1 + i);
                    insert.bindValue(1, names[std::size_t(i)]);
                    insert.bindValue(2, values[std::size_t(i)]);
                    insert.bindValue(3, 0);
                    const bool ok = insert.exec();
                    floorNs += floorClock.nsecsElapsed();
                    return ok;
                };

                auto form = openForm(dirOf(m_work), true);
                Form1Driver user(*form);
                const int rowsBefore = user.grid()->Rows();
                QString failure;
                // The dialog is modal: its own event loop runs while the user
                // types, so the typing is queued to run inside that loop.
                QTimer::singleShot(0, form.get(), [&] {
                    auto* dialog = qobject_cast<Form2*>(QApplication::activeModalWidget());
                    if (!dialog) {
                        failure = QStringLiteral("toolbar button 2 opened no new-entry dialog");
                        return;
                    }
                    auto* next = dialog->findChild<QPushButton*>(QStringLiteral("Command3"));
                    auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("Command2"));
                    if (!next || !cancel) {
                        failure = QStringLiteral("the new-entry dialog lacks its buttons");
                        dialog->hide();
                        return;
                    }
                    // Entry after entry without a pause: what the windows
                    // redraw in between is drawn once, after the last.
                    for (int i = 0; i < Entries && failure.isEmpty(); ++i) {
                        dialog->Text1()->setText(names[std::size_t(i)]);
                        dialog->Text2()->setText(numbers[std::size_t(i)]);
                        QTest::mouseClick(next, Qt::LeftButton);
                        if (!floorCommit(i))
                            failure = insert.lastError().text();
                    }
                    QTest::mouseClick(cancel, Qt::LeftButton);
                });
                const double total = millisecondsOf([&] {
                    user.clickButton(2);
                    settle();
                });
                require(failure.isEmpty(), failure);
                requireNoMessage("adding entries");
                require(user.grid()->Rows() == rowsBefore + Entries,
                        QStringLiteral("the grid shows %1 rows after adding, not %2")
                            .arg(user.grid()->Rows())
                            .arg(rowsBefore + Entries));
                closeForm(form);
                // The measured span held the floor's commits too.
                program.push_back(total - double(floorNs) / 1e6);
                floor.push_back(double(floorNs) / 1e6);
            }
            require(countRecords(m_work) == m_book.records + Entries,
                    QStringLiteral("the program stored %1 records").arg(countRecords(m_work) - m_book.records));
            require(countRecords(m_floorFile) == m_book.records + Entries, QStringLiteral("the floor's inserts"));
        }
        repetition.finish();
        report({"add in a row", 1.5, median(program), median(floor), "ms"});
    }

    void memory()
    {
        // Each probe is a fresh process, so no memory freed by an earlier
        // repetition can hide the growth.
        std::vector<double> program;
        Repetitions repetition("memory", repetitions(), m_quick);
        while (repetition.next()) {
            QProcess probe;
            probe.setProgram(QCoreApplication::applicationFilePath());
            probe.setArguments({QStringLiteral("--probe-memory"), dirOf(m_pristine), QString::number(m_book.bigLevel)});
            probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            probe.start();
            require(probe.waitForFinished(120'000) && probe.exitStatus() == QProcess::NormalExit
                        && probe.exitCode() == 0,
                    QStringLiteral("the memory probe failed"));
            bool ok = false;
            const qint64 bytes = probe.readAllStandardOutput().trimmed().toLongLong(&ok);
            require(ok, QStringLiteral("the memory probe printed no figure"));
            program.push_back(double(bytes) / 1e6);
        }
        BareConnection connection(m_pristine);
        const qint64 raw = connection.scalar(
            QStringLiteral("select sum(length(cast(name as blob))) + sum(length(cast(tel as text))) from book "
                           "where tel<>0 and parent=%1")
                .arg(m_book.bigLevel));
        repetition.finish();
        report({"memory", 5.0, median(program), double(raw) / 1e6, "MB"});
    }

    // Once, in either mode: Radicale checks each new card against every card
    // the address book holds, so 10,000 PUTs take long, the program's and
    // the floor's alike.
    void publish()
    {
        const PublishBench::Result result = PublishBench::run(m_publishFolder, m_publishEntries);
        report({"republish requests", 3, double(result.republishRequests), 0, "requests", true});
        report({"first publish", 1.5, result.publishMs, result.barePutsMs, "ms"});
    }

    // Once, in either mode, on an address book a phone filled: a sync where
    // a few cards changed must cost the requests that read those changes.
    void sync()
    {
        const SyncBench::Result result = SyncBench::run(m_syncFolder, SyncBench::Contacts);
        report({"first sync", 1.5, result.firstMs, result.firstFloorMs, "ms"});
        report({"resync requests", 3, double(result.resyncRequests), 0, "requests", true});
        report({"resync", 3.0, result.resyncMs, result.resyncFloorMs, "ms"});
        report({"sync with nothing to do, requests", 3, double(result.idleRequests), 0, "requests", true});
        report({"sync with nothing to do", 1.5, result.idleMs, result.idleFloorMs, "ms"});
    }

    // One repetition each in the quick mode: a whole export or import of the
    // directory takes seconds.
    void tool()
    {
        for (const ToolBench::Result& r : ToolBench::run(m_pristine, dirOf(m_work), m_quick ? 1 : 3))
            report({r.figure, 3.0, r.programMs, r.floorMs, "ms"});
    }

    // Time against twice the time at half the size: what a command whose time
    // grows with its input takes. Memory against the memory at half the size:
    // bounded, it stays; growing with the input, it doubles. Both figures are
    // of the command alone (see ToolProbe), none of the process around it.
    void reportDoubling(const SizeDoubling::Result& r)
    {
        std::printf("# %s: %s\n", qPrintable(r.shape), qPrintable(r.sizes));
        report({r.shape + QStringLiteral(", time"), 1.5, r.doubleMs, 2 * r.singleMs, "ms", false, "at 2N",
                "twice at N"});
        report({r.shape + QStringLiteral(", memory"), 2.2, r.doubleMB, r.singleMB, "MB", false, "at 2N", "at N"});
    }

    // A few repetitions in the quick mode too: one takes about a second.
    void print()
    {
        const PrintBench::Result r = PrintBench::run(dirOf(m_work), m_quick ? 3 : 7);
        std::printf("# print: %d entries in 100 folders, %d pages\n", PrintBench::Entries, r.pages);
        report({QStringLiteral("print against export"), 5.0, r.printMs, r.exportMs, "ms", false, "print", "export"});
    }

    void readers()
    {
        for (const SizeDoubling::Result& r : ReaderBench::run(dirOf(m_work), repetitions(), m_quick))
            reportDoubling(r);
    }

    void deepExport() { reportDoubling(DeepExportBench::run(dirOf(m_work), repetitions(), m_quick)); }

    void serverShapes()
    {
        for (const SizeDoubling::Result& r : ServerShapesBench::run(dirOf(m_work), repetitions(), m_quick))
            reportDoubling(r);
    }

    bool m_quick;
    int m_publishEntries;
    QString m_pristine;
    QString m_work;
    QString m_floorFile;
    QString m_publishFolder;
    QString m_syncFolder;
    BenchBook m_book;
    std::vector<Figure> m_figures;
};

// Run in a child process: the growth of the peak resident size, in bytes,
// from opening one folder of the top level in a fresh main window.
int probeMemory(const QString& folder, qint64 code)
{
    QDir::setCurrent(folder);
    Form1 form;
    requireNoMessage("start-up");
    form.show();
    settle();
    Form1Driver user(form);
    const int row = user.folderIndex(code);
    require(row >= 0, QStringLiteral("folder %1 is not listed").arg(code));

    malloc_trim(0);
    require(resetPeakResident(), QStringLiteral("this kernel cannot reset the peak resident size"));
    const qint64 before = statusKiB("VmRSS");
    user.doubleClickFolder(row);
    settle();
    const qint64 peak = statusKiB("VmHWM");
    requireNoMessage("opening a folder");
    require(before > 0 && peak > 0, QStringLiteral("no resident size in /proc/self/status"));
    std::printf("%lld\n", (peak - before) * 1024);
    return 0;
}

void usage()
{
    std::printf("usage: quorvelin-bench [--quick] [--only FIGURE] [--publish-entries N] [--verbose]\n"
                "Times the program's operations on a generated directory of a million records\n"
                "against the bare engine doing the same work, and prints each ratio.\n"
                "  --quick        fewer repetitions, same data; under a minute\n"
                "  --only FIGURE  measure one figure, e.g. --only \"add in a row\"; --only tool\n"
                "                 gives the five figures of quorvelin-tool, --only readers those of\n"
                "                 import's readers at a size and at twice it, --only \"deep export\"\n"
                "                 export's, --only \"server shapes\" those of sync and publish\n"
                "                 against a server of odd address books, --only publish the two\n"
                "                 of publishing and\n"
                "                 --only sync the five of syncing, which only these run (they\n"
                "                 need radicale)\n"
                "                 --only print: a phone list of 10,000 entries against their export\n"
                "  --publish-entries N  publish N entries rather than 10,000: Radicale's time\n"
                "                 for a first publish grows with the square of N\n"
                "  --verbose      print every repetition's wall and processor time to stderr\n");
}

} // namespace

int main(int argc, char* argv[])
{
    // Headless unless told otherwise: the windows are real but drawn offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::MessageBox::setRecording(true);

    const QStringList args = QCoreApplication::arguments().mid(1);
    try {
        if (args.size() == 3 && args.at(0) == QLatin1String("--probe-memory"))
            return probeMemory(args.at(1), args.at(2).toLongLong());
        if (!args.isEmpty() && args.at(0) == ToolProbe::ChildOption)
            return ToolProbe::child(args.mid(1));
        bool quick = false;
        int publishEntries = PublishBench::Entries;
        QString only;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& arg = args.at(i);
            if (arg == QLatin1String("--quick")) {
                quick = true;
            } else if (arg == QLatin1String("--verbose")) {
                setVerbose(true);
            } else if (arg == QLatin1String("--only") && i + 1 < args.size()) {
                only = args.at(++i);
            } else if (arg == QLatin1String("--publish-entries") && i + 1 < args.size() && args.at(i + 1).toInt() > 0) {
                publishEntries = args.at(++i).toInt();
            } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
                usage();
                return 0;
            } else {
                usage();
                return 2;
            }
        }

        QTemporaryDir folder;
        require(folder.isValid(), QStringLiteral("cannot make a temporary folder"));
        const QString oldCwd = QDir::currentPath();
        Bench bench(quick, publishEntries, folder.path());
        bench.build();
        bench.run(only);
        QDir::setCurrent(oldCwd);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvelin-bench: %s\n", error.what());
        return EXIT_FAILURE;
    }
    return 0;
}
