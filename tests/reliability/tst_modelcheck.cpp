// A randomized check of the main window against a model of the directory of
// its own. Long sequences of commands (open, up, add folder, add entries,
// rename, edit, delete entry, delete folder, restart) are given through the
// window as a person gives them: clicks, popup menus, the modal dialogs and
// the input box, with hostile names and numbers among them. After each one
// the file must hold exactly the model's records and the panes must show
// exactly the current level.
//
// The seeds are fixed: 1 to 5 by default, 1 to N with
// QUORVELIN_MODEL_SEEDS=N, or only S with QUORVELIN_MODEL_SEED=S (to replay
// a failure); QUORVELIN_MODEL_STEPS sets the commands per seed (150).

#include "bookfile.h"
#include "directorycheck.h"
#include "windowinput.h"

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>

using windowinput::paste;
using windowinput::press;
using windowinput::textBox;
using windowinput::type;

namespace {

int environmentNumber(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// The number a text of digits stands for, worked out here and not by the
// program: plain decimal digits, 1 to 18 of them, above 0.
std::optional<qint64> numberOf(const QString& text)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value > 0 ? std::optional<qint64>(value) : std::nullopt;
}

struct Record
{
    QString name;
    qint64 tel; // 0 for a folder
    qint64 parent;
    bool operator==(const Record&) const = default;
};

// The directory as it should be, and the window as it should look.
struct Model
{
    std::map<qint64, Record> records;
    qint64 current = 0; // the folder shown
    qint64 counter = 0; // the last code handed out
    // The panes, item for item in the order they were filled or added to.
    std::vector<std::pair<QString, qint64>> folders; // name, code
    std::vector<std::pair<QString, QString>> grid;   // name, number as shown

    void fillFolders()
    {
        folders.clear();
        for (const auto& [code, record] : records) {
            if (record.tel == 0 && record.parent == current)
                folders.push_back({record.name, code});
        }
    }
    void fillGrid()
    {
        grid.clear();
        for (const auto& [code, record] : records) {
            if (record.tel != 0 && record.parent == current)
                grid.push_back({record.name, QString::number(record.tel)});
        }
    }
    void restart()
    {
        current = 0;
        counter = records.empty() ? 0 : records.rbegin()->first;
        fillFolders();
        fillGrid();
    }
    void deleteTree(qint64 code)
    {
        std::vector<qint64> pending{code};
        std::set<qint64> doomed{code};
        while (!pending.empty()) {
            const qint64 folder = pending.back();
            pending.pop_back();
            for (const auto& [child, record] : records) {
                if (record.parent == folder && doomed.insert(child).second && record.tel == 0)
                    pending.push_back(child);
            }
        }
        for (const qint64 gone : doomed)
            records.erase(gone);
    }
    // The entries of the current level a grid row could stand for.
    std::vector<qint64> entriesShownAs(const QString& name, const QString& number) const
    {
        std::vector<qint64> codes;
        const auto tel = numberOf(number);
        for (const auto& [code, record] : records) {
            if (record.parent == current && record.tel != 0 && record.name == name && tel && record.tel == *tel)
                codes.push_back(code);
        }
        return codes;
    }
    std::vector<BookFile::Row> rows() const
    {
        std::vector<BookFile::Row> result;
        for (const auto& [code, record] : records)
            result.push_back({code, record.name, record.tel, record.parent});
        return result;
    }
};

class Session
{
public:
    Session(BookFile& book, Model& model, quint32 seed)
        : m_book(book)
        , m_model(model)
        , m_random(seed)
    {
        m_main = std::make_unique<Form1Driver>();
        m_model.restart();
    }

    // Runs one command chosen at random; returns what went wrong, if anything.
    QString step();
    // Compares the file and the window with the model.
    QString check();
    QStringList log() const { return m_log; }

private:
    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(m_random); }
    bool chance(int percent) { return pick(100) < percent; }

    QString randomName();
    QString validNumber();
    QString invalidNumber();

    QString open();
    QString up();
    QString addFolder();
    QString addEntries();
    QString renameFolder();
    QString editEntry();
    QString deleteEntry();
    QString deleteFolder();
    QString restart();

    QString note(const QString& what)
    {
        m_log.append(what);
        if (m_log.size() > 12)
            m_log.removeFirst();
        return QString();
    }
    // Takes the message boxes shown; returns a fault for any but `expected`
    // boxes titled "Error".
    QString boxes(int expected);
    void selectFolder(int index);
    // Chooses from the open popup; the main window is then active again, as
    // the window system makes it (the headless platform does not).
    void choose(const char* item)
    {
        m_main->choose(item);
        m_main->activate();
    }
    QString chooseEntryCandidate(const std::vector<qint64>& candidates, const std::function<void(Model&, qint64)>& change);

    BookFile& m_book;
    Model& m_model;
    std::mt19937 m_random;
    std::unique_ptr<Form1Driver> m_main;
    QStringList m_log;
};

QString Session::randomName()
{
    static const QStringList pieces{
        "Ann", "Bob", "O'Brien", "\"quoted\"", "a;b", "--", "%", "_", "\\", "x\"); delete from book; --",
        QString::fromUtf8("مكتب"), QString::fromUtf8("שלום"), QString::fromUtf8("🍕"), QString::fromUtf8("👨‍👩‍👧"),
        QStringLiteral("\t"), QStringLiteral("\x01"), " ", "  ", "Zoe", "0", "12"};
    const int kind = pick(100);
    if (kind < 3)
        return QString(10000, u'z');
    if (kind < 8)
        return QStringLiteral("   ");
    if (kind < 25 && !m_model.grid.empty())
        return m_model.grid[pick(int(m_model.grid.size()))].first; // a twin
    QString name;
    for (int i = 0, n = 1 + pick(3); i < n; ++i)
        name += pieces.at(pick(int(pieces.size())));
    return name;
}

QString Session::validNumber()
{
    const int digits = 1 + pick(chance(20) ? 18 : 9);
    QString text;
    for (int i = 0; i < digits; ++i)
        text += QChar(u'0' + (i == 0 ? 1 + pick(9) : pick(10)));
    if (chance(20))
        text = QString(pick(18 - int(text.size()) + 1), u'0') + text;
    return text;
}

QString Session::invalidNumber()
{
    static const QStringList bad{"0", "00", "000", "1234567890123456789", "99999999999999999999", "12ab",
                                 "+12", "-12", " 12", "12 ", "5 5", "1.5", QString::fromUtf8("١٢")};
    return bad.at(pick(int(bad.size())));
}

QString Session::boxes(int expected)
{
    const auto shown = ui::MessageBox::takeShown();
    int errors = 0;
    for (const auto& box : shown) {
        if (box.title != u"Error")
            return QStringLiteral("unexpected box \"%1\": %2").arg(box.title, box.prompt);
        ++errors;
    }
    if (errors != expected)
        return QStringLiteral("%1 \"Error\" boxes where %2 were due").arg(errors).arg(expected);
    return QString();
}

void Session::selectFolder(int index)
{
    m_main->List1()->scrollTo(m_main->List1()->model()->index(index, 0));
    m_main->clickFolder(index);
}

QString Session::step()
{
    // Between two commands the window system settles and the person's next
    // click goes to the main window: pending layouts and activations are
    // dealt with, and the main window is the active one.
    QCoreApplication::processEvents();
    m_main->activate();

    using Command = QString (Session::*)();
    static const std::vector<std::pair<int, Command>> commands{
        {14, &Session::open},        {10, &Session::up},          {12, &Session::addFolder},
        {18, &Session::addEntries},  {8, &Session::renameFolder}, {10, &Session::editEntry},
        {10, &Session::deleteEntry}, {7, &Session::deleteFolder}, {4, &Session::restart}};
    int total = 0;
    for (const auto& command : commands)
        total += command.first;
    int choice = pick(total);
    for (const auto& [weight, command] : commands) {
        if (choice < weight)
            return (this->*command)();
        choice -= weight;
    }
    return QString();
}

QString Session::open()
{
    if (m_model.folders.empty())
        return note(QStringLiteral("open: no folder"));
    const int index = pick(int(m_model.folders.size()));
    note(QStringLiteral("open folder %1").arg(m_model.folders[index].second));
    if (chance(50)) {
        m_main->List1()->scrollTo(m_main->List1()->model()->index(index, 0));
        m_main->doubleClickFolder(index);
    } else {
        selectFolder(index);
        m_main->rightClickList(index);
        choose("Mlistopen");
    }
    m_model.current = m_model.folders[index].second;
    m_model.fillFolders();
    m_model.fillGrid();
    return boxes(0);
}

QString Session::up()
{
    note(QStringLiteral("up from %1").arg(m_model.current));
    if (chance(50)) {
        m_main->clickButton(1);
    } else {
        m_main->rightClickList();
        choose("Mlistup");
    }
    // At the top the command is disabled and nothing happens.
    if (m_model.current != 0) {
        m_model.current = m_model.records.at(m_model.current).parent;
        m_model.fillFolders();
        m_model.fillGrid();
    }
    return boxes(0);
}

QString Session::addFolder()
{
    const QString name = chance(8) ? QString() : randomName();
    note(QStringLiteral("add folder \"%1\"").arg(name.left(30)));
    ui::InputBox::setNextAnswer(name);
    if (chance(50)) {
        m_main->clickButton(3);
    } else {
        m_main->rightClickList();
        choose("Mlistadd");
    }
    if (!name.isEmpty()) { // an empty answer is a cancel
        const qint64 code = ++m_model.counter;
        m_model.records[code] = {name, 0, m_model.current};
        m_model.folders.push_back({name, code});
    }
    return boxes(0);
}

QString Session::addEntries()
{
    const int count = 1 + pick(3);
    note(QStringLiteral("add %1 entries").arg(count));
    QString fault;
    int errors = 0;
    const auto trigger = [&] {
        if (!m_model.grid.empty() && chance(50)) {
            const int row = 1 + pick(int(m_model.grid.size()));
            m_main->clickGridRow(row);
            m_main->rightClickGrid(row);
            m_main->choose("MgridAdd");
        } else {
            m_main->clickButton(2);
        }
    };
    Form1Driver::withModal(trigger, [&](QWidget* dialog) {
        for (int i = 0; i < count; ++i) {
            const bool last = i == count - 1;
            const QString name = chance(5) ? QString() : randomName();
            QString number = chance(25) ? invalidNumber() : validNumber();
            paste(textBox(dialog, "Text1"), name);
            QString held = number;
            const bool typeable = std::all_of(number.begin(), number.end(), [](QChar c) { return c.unicode() < 128; });
            if (typeable && chance(30)) {
                // Typed: only the digits reach the box.
                type(textBox(dialog, "Text2"), number);
                held.remove(QRegularExpression(QStringLiteral("[^0-9]")));
            } else {
                paste(textBox(dialog, "Text2"), number);
            }
            if (textBox(dialog, "Text2")->Text() != held) {
                fault = QStringLiteral("the number box holds \"%1\", not \"%2\"").arg(textBox(dialog, "Text2")->Text(), held);
                press(dialog, "Command2");
                return;
            }
            const char* button = last && chance(50) ? "Command1" : "Command3";
            press(dialog, button);
            if (name.isEmpty() || held.isEmpty())
                continue; // Ok and Next Data stay disabled
            if (!numberOf(held)) {
                ++errors;
                continue; // refused: the dialog stays with what was typed
            }
            const qint64 code = ++m_model.counter;
            m_model.records[code] = {name, *numberOf(held), m_model.current};
            m_model.grid.push_back({name, held});
        }
        if (dialog->isVisible())
            press(dialog, "Command2");
    });
    m_main->activate(); // as the window system does when a dialog closes
    if (!fault.isEmpty())
        return fault;
    return boxes(errors);
}

QString Session::renameFolder()
{
    if (m_model.folders.empty())
        return note(QStringLiteral("rename: no folder"));
    const int index = pick(int(m_model.folders.size()));
    const QString name = chance(8) ? QString() : randomName();
    const qint64 code = m_model.folders[index].second;
    note(QStringLiteral("rename folder %1 to \"%2\"").arg(code).arg(name.left(30)));
    selectFolder(index);
    m_main->rightClickList(index);
    ui::InputBox::takeAsked();
    ui::InputBox::setNextAnswer(name);
    choose("Mlistrename");
    const auto asked = ui::InputBox::takeAsked();
    if (asked.size() != 1 || asked.first().defaultText != m_model.folders[index].first)
        return QStringLiteral("the rename box did not offer the folder's name");
    if (!name.isEmpty()) {
        m_model.records.at(code).name = name;
        m_model.fillFolders();
    }
    return boxes(0);
}

// A command on a grid row acts on the first entry the engine finds that shows
// the same name and number. Which of several twins that is, is the engine's
// affair: the model takes the one whose change matches the file, if any.
QString Session::chooseEntryCandidate(const std::vector<qint64>& candidates,
                                      const std::function<void(Model&, qint64)>& change)
{
    if (candidates.empty())
        return QStringLiteral("the grid row stands for no entry of the model");
    const auto file = m_book.rows();
    for (const qint64 code : candidates) {
        Model trial = m_model;
        change(trial, code);
        if (trial.rows() == file) {
            m_model = trial;
            return QString();
        }
    }
    return QStringLiteral("the file matches no change of the %1 entries the row stands for").arg(candidates.size());
}

QString Session::editEntry()
{
    if (m_model.grid.empty())
        return note(QStringLiteral("edit: no entry"));
    const int row = 1 + pick(int(m_main->grid()->Rows() - 1));
    const QString oldName = m_main->grid()->TextMatrix(row, 1);
    const QString oldNumber = m_main->grid()->TextMatrix(row, 2);
    const QString name = chance(70) ? randomName() : oldName;
    const QString number = chance(20) ? invalidNumber() : chance(50) ? validNumber() : oldNumber;
    const bool accepted = !name.isEmpty() && numberOf(number).has_value();
    note(QStringLiteral("edit row %1 to \"%2\" %3").arg(row).arg(name.left(30), number));
    m_main->clickGridRow(row);
    m_main->rightClickGrid(row);
    QString fault;
    Form1Driver::withModal([&] { m_main->choose("mgridrename"); },
                           [&](QWidget* dialog) {
                               if (textBox(dialog, "Text1")->Text() != oldName
                                   || textBox(dialog, "Text2")->Text() != oldNumber)
                                   fault = QStringLiteral("the edit dialog does not show the row chosen");
                               paste(textBox(dialog, "Text1"), name);
                               paste(textBox(dialog, "Text2"), number);
                               press(dialog, "Command1");
                               if (dialog->isVisible())
                                   press(dialog, "Command2");
                           });
    m_main->activate();
    if (!fault.isEmpty())
        return fault;
    const QString boxFault = boxes(accepted || name.isEmpty() ? 0 : 1);
    if (!boxFault.isEmpty() || !accepted)
        return boxFault;
    fault = chooseEntryCandidate(m_model.entriesShownAs(oldName, oldNumber), [&](Model& model, qint64 code) {
        model.records.at(code).name = name;
        model.records.at(code).tel = *numberOf(number);
    });
    m_model.fillGrid();
    return fault;
}

QString Session::deleteEntry()
{
    if (m_model.grid.empty())
        return note(QStringLiteral("delete entry: none"));
    const int row = 1 + pick(int(m_main->grid()->Rows() - 1));
    const QString name = m_main->grid()->TextMatrix(row, 1);
    const QString number = m_main->grid()->TextMatrix(row, 2);
    note(QStringLiteral("delete entry row %1").arg(row));
    m_main->clickGridRow(row);
    if (chance(50)) {
        m_main->clickButton(4);
    } else {
        m_main->rightClickGrid(row);
        choose("mgridDelete");
    }
    const QString fault = chooseEntryCandidate(m_model.entriesShownAs(name, number),
                                               [](Model& model, qint64 code) { model.records.erase(code); });
    m_model.fillGrid();
    return fault.isEmpty() ? boxes(0) : fault;
}

QString Session::deleteFolder()
{
    if (m_model.folders.empty())
        return note(QStringLiteral("delete folder: none"));
    const int index = pick(int(m_model.folders.size()));
    const qint64 code = m_model.folders[index].second;
    note(QStringLiteral("delete folder %1").arg(code));
    selectFolder(index);
    if (chance(50)) {
        m_main->clickButton(4);
    } else {
        m_main->rightClickList(index);
        choose("MListDelete");
    }
    m_model.deleteTree(code);
    m_model.fillFolders();
    return boxes(0);
}

QString Session::restart()
{
    note(QStringLiteral("restart"));
    m_main.reset();
    m_main = std::make_unique<Form1Driver>();
    m_model.restart();
    return boxes(0);
}

template <class Pair>
std::vector<Pair> sortedPairs(std::vector<Pair> pairs)
{
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

QString Session::check()
{
    const auto file = m_book.rows();
    const auto expected = m_model.rows();
    if (file != expected) {
        for (std::size_t i = 0; i < qMax(file.size(), expected.size()); ++i) {
            const QString inFile = i < file.size() ? describe(file[i]) : QStringLiteral("nothing");
            const QString inModel = i < expected.size() ? describe(expected[i]) : QStringLiteral("nothing");
            if (inFile != inModel || !(file[i] == expected[i]))
                return QStringLiteral("the file holds %1 where the model has %2").arg(inFile, inModel);
        }
    }

    // The panes show the current level, each folder with its own code; the
    // order is the engine's, so it is not compared.
    std::vector<std::pair<QString, qint64>> folders;
    const QStringList names = m_main->folders();
    const QStringList codes = m_main->codes();
    if (names.size() != codes.size())
        return QStringLiteral("List1 and List2 differ in length");
    for (int i = 0; i < names.size(); ++i)
        folders.push_back({names[i], codes[i].toLongLong()});
    if (sortedPairs(folders) != sortedPairs(m_model.folders))
        return QStringLiteral("the folder list shows %1 folders, not the %2 of the level")
            .arg(folders.size())
            .arg(m_model.folders.size());

    const ui::Grid& grid = *m_main->grid();
    if (grid.TextMatrix(0, 1) != u"Name" || grid.TextMatrix(0, 2) != u"TelPhone")
        return QStringLiteral("the grid lost its header");
    std::vector<std::pair<QString, QString>> entries;
    for (int row = 1; row < grid.Rows(); ++row) {
        if (grid.TextMatrix(row, 0) != QString::number(row))
            return QStringLiteral("grid row %1 is numbered %2").arg(row).arg(grid.TextMatrix(row, 0));
        entries.push_back({grid.TextMatrix(row, 1), grid.TextMatrix(row, 2)});
    }
    if (sortedPairs(entries) != sortedPairs(m_model.grid))
        return QStringLiteral("the grid shows %1 entries, not the %2 of the level")
            .arg(entries.size())
            .arg(m_model.grid.size());

    if (m_main->form().Tag() != QString::number(m_model.counter))
        return QStringLiteral("the counter is %1, not %2").arg(m_main->form().Tag()).arg(m_model.counter);
    if (m_main->buttonEnabled(1) != (m_model.current != 0))
        return QStringLiteral("Up is %1 in folder %2")
            .arg(m_main->buttonEnabled(1) ? QStringLiteral("enabled") : QStringLiteral("disabled"))
            .arg(m_model.current);
    return QString();
}

// A small tree to start from, some of its names hostile.
void seedDirectory(BookFile& book, Model& model)
{
    const std::vector<std::pair<qint64, Record>> start{
        {1, {"Family", 0, 0}},
        {2, {"Work \"office\"", 0, 0}},
        {3, {"Mum", 5551234, 1}},
        {4, {"Dad", 5551235, 1}},
        {5, {QString::fromUtf8("مكتب"), 0, 2}},
        {6, {"Boss; --", 77, 2}},
        {7, {"Doctor", 123456789012345678, 0}},
        {8, {"Doctor", 123456789012345678, 0}},
        {9, {"Cousins", 0, 1}},
        {10, {QString::fromUtf8("🍕 Pizza"), 42, 9}},
    };
    for (const auto& [code, record] : start) {
        book.add(code, record.name, record.tel, record.parent);
        model.records[code] = record;
    }
}

} // namespace

class TestModelCheck : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Form1Driver::recordPrompts();
    }
    void commandsMatchTheModel_data();
    void commandsMatchTheModel();
};

void TestModelCheck::commandsMatchTheModel_data()
{
    QTest::addColumn<quint32>("seed");
    const int only = environmentNumber("QUORVELIN_MODEL_SEED", 0);
    if (only > 0) {
        QTest::addRow("seed %d", only) << quint32(only);
        return;
    }
    for (int seed = 1, seeds = environmentNumber("QUORVELIN_MODEL_SEEDS", 5); seed <= seeds; ++seed)
        QTest::addRow("seed %d", seed) << quint32(seed);
}

void TestModelCheck::commandsMatchTheModel()
{
    QFETCH(quint32, seed);
    const int steps = environmentNumber("QUORVELIN_MODEL_STEPS", 150);
    BookFile book;
    Model model;
    seedDirectory(book, model);
    Session session(book, model, seed);
    QString fault = session.check();
    for (int step = 0; fault.isEmpty() && step < steps && !QTest::currentTestFailed(); ++step) {
        fault = session.step();
        if (fault.isEmpty())
            fault = session.check();
        if (!fault.isEmpty())
            fault = QStringLiteral("seed %1, step %2: %3\n  last commands: %4")
                        .arg(seed)
                        .arg(step)
                        .arg(fault, session.log().join(QStringLiteral("; ")));
    }
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(DirectoryCheck(book.path()).orphans().empty());
    QCOMPARE(DirectoryCheck(book.path()).integrity(), QStringLiteral("ok"));
}

QTEST_MAIN(TestModelCheck)
#include "tst_modelcheck.moc"
