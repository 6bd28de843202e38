#include "servershapesbench.h"

#include "bareconnection.h"
#include "benchbook.h"
#include "measure.h"
#include "repetitions.h"
#include "shapeserver.h"

#include "tools/directory/bookwriter.h"

#include <QDir>
#include <QProcessEnvironment>

#include <functional>

namespace {

constexpr int Listed = 10'000;
constexpr int ListedForPublish = 50'000; // at 2N, as many as an address book may hold
constexpr int ListedOverCap = 200'000;
constexpr int TelLines = 40'000;
constexpr int Depth = 50'000;
constexpr int Photos = 1'500;
constexpr int PhotoBytes = 60'000;
constexpr qint64 NestedBytes = 16'000'000;
// At 2N as many as a card may have.
constexpr int Changed = 5'000;
// Ordinary cards beside a shape of one card, so that the sync still has
// something to do.
constexpr int Ordinary = 10;

QByteArray ordinaryCard(int i)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c" + QByteArray::number(i) + "\r\nFN:" + benchName(quint64(i)).toUtf8()
           + "\r\nTEL;TYPE=CELL:+49 151 " + QByteArray::number(10'000'000 + i) + "\r\nEND:VCARD\r\n";
}

// Card 1 `shape`d, the others ordinary.
ShapeServer::Card firstCard(std::function<QByteArray()> shape)
{
    return [shape = std::move(shape)](int i) { return i == 1 ? shape() : ordinaryCard(i); };
}

using Check = std::function<bool(const ToolProbe::Run& run, int times)>;

struct Shape
{
    const char* name;
    const char* sizes; // what N is
    const char* command;
    std::function<void(ShapeServer& server, int times)> serve;
    Check first;
    // What the same command must say, run again after `between`, if any,
    // changed the directory; none where the first left nothing to remember.
    Check again;
    const char* againIs = "then again";
    std::function<void(const QString& book)> between{};
    QStringList againOptions{};
};

Check synced(std::function<int(int times)> entries)
{
    return [entries](const ToolProbe::Run& run, int times) {
        return run.status == 0
               && run.printed.startsWith(QStringLiteral("Directory: %1 added,").arg(entries(times)).toUtf8());
    };
}

Check notTaken(int entries)
{
    return [entries](const ToolProbe::Run& run, int) {
        return run.said.contains(QLatin1String(": not taken ("))
               && run.printed.startsWith(QStringLiteral("Directory: %1 added,").arg(entries).toUtf8());
    };
}

Check nothingToDo()
{
    return [](const ToolProbe::Run& run, int) {
        return run.status == 0 && run.printed.startsWith("Directory: 0 added, 0 changed, 0 removed.");
    };
}

Check refused(const char* why)
{
    return [why](const ToolProbe::Run& run, int) { return run.status == 2 && run.said.contains(QLatin1String(why)); };
}

// Card 1 of `numbers` numbers, with no name.
QByteArray manyNumbers(int numbers)
{
    QByteArray text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:many\r\nFN:Many\r\n";
    for (int i = 0; i < numbers; ++i)
        text += "TEL:+49 151 " + QByteArray::number(10'000'000 + i) + "\r\n";
    return text + "END:VCARD\r\n";
}

const std::vector<Shape>& shapes()
{
    static const std::vector<Shape> all = {
        {"sync of a listing", "N = 10,000 cards of a number each", "sync",
         [](ShapeServer& server, int times) { server.hold(Listed * times, ordinaryCard); },
         synced([](int times) { return Listed * times; }), nothingToDo()},
        {"publish beside a listing", "N = 50,000 cards not its own", "publish",
         [](ShapeServer& server, int times) { server.hold(ListedForPublish * times, ordinaryCard); },
         [](const ToolProbe::Run& run, int) { return run.status == 0; }, {}},
        {"a listing over the cap", "N = 200,000 cards", "sync",
         [](ShapeServer& server, int times) { server.hold(ListedOverCap * times, ordinaryCard); },
         refused("cards, more than an address book the tool keeps in step holds"), {}},
        {"a card of many TEL lines", "one card of N = 40,000 TEL lines", "sync",
         [](ShapeServer& server, int times) {
             server.hold(1 + Ordinary, firstCard([times] { return manyNumbers(TelLines * times); }));
         },
         notTaken(Ordinary), nothingToDo()},
        {"a card of many numbers", "one card of N = 5,000 numbers", "sync",
         [](ShapeServer& server, int times) {
             server.hold(1, firstCard([times] { return manyNumbers(Changed * times); }));
         },
         synced([](int times) { return Changed * times; }),
         [](const ToolProbe::Run& run, int) {
             return run.status == 0 && run.printed.contains("Address book: 1 cards written");
         },
         "then each number changed at the desk, a dry run",
         [](const QString& book) { BareConnection(book).exec(QStringLiteral("update book set tel = tel + 7 where tel <> 0")); },
         {QStringLiteral("--dry-run")}},
        {"a card in deep folders", "CATEGORIES N = 50,000 folders deep", "sync",
         [](ShapeServer& server, int times) {
             server.hold(1 + Ordinary, firstCard([times] {
                             return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Deep\r\nTEL:5550100\r\nCATEGORIES:"
                                    + QByteArray("/Level").repeated(Depth * times) + "\r\nEND:VCARD\r\n";
                         }));
         },
         notTaken(Ordinary), nothingToDo()},
        {"cards with photos", "N = 1,500 cards, each with a photo of 60 KB", "sync",
         [](ShapeServer& server, int times) {
             const QByteArray photo = QByteArray(PhotoBytes, 'p').toBase64();
             server.hold(Photos * times, [photo](int i) {
                 QByteArray card = ordinaryCard(i);
                 return card.insert(card.indexOf("END:VCARD"), "PHOTO;ENCODING=b;TYPE=JPEG:" + photo + "\r\n");
             });
         },
         synced([](int times) { return Photos * times; }), nothingToDo()},
        {"an answer of nested tags", "N = 16 MB of opening tags", "sync",
         [](ShapeServer& server, int times) { server.nest(NestedBytes * times); },
         refused("nests its elements more than"), {}},
    };
    return all;
}

void expect(bool holds, const Shape& shape, const char* which, const ToolProbe::Run& run)
{
    require(holds, QStringLiteral("%1 of the shape \"%2\" %3").arg(QLatin1String(which), QLatin1String(shape.name),
                                                                   run.outcome()));
}

} // namespace

std::vector<SizeDoubling::Result> ServerShapesBench::run(const QString& folder, int repetitions, bool quick)
{
    ShapeServer server;
    int runs = 0;
    std::vector<SizeDoubling::Result> results;
    for (const Shape& shape : shapes()) {
        SizeDoubling first(QLatin1String(shape.name), QLatin1String(shape.sizes));
        SizeDoubling again(QLatin1String(shape.name) + QStringLiteral(", ") + QLatin1String(shape.againIs),
                           QLatin1String(shape.sizes));
        Repetitions repetition(QLatin1String(shape.name), repetitions, quick);
        while (repetition.next()) {
            for (const int times : {1, 2}) {
                // A directory and a remembered state of its own each time.
                const QString run = QStringLiteral("%1/shape%2").arg(folder).arg(++runs);
                require(QDir().mkpath(run), QStringLiteral("cannot make ") + run);
                const QString book = run + QStringLiteral("/quorvelin.mdb");
                BookWriter writer(book);
                require(writer.create({}), writer.errorString());
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                environment.insert(QStringLiteral("XDG_STATE_HOME"), run + QStringLiteral("/state"));
                environment.insert(QStringLiteral("QUORVELIN_CARDDAV_PASSWORD"), QStringLiteral("bench"));

                shape.serve(server, times);
                const QStringList arguments = {QStringLiteral("--file"), book, QLatin1String(shape.command),
                                               server.addressBook().toString(), QStringLiteral("--user"),
                                               QStringLiteral("bench")};
                const ToolProbe::Run once = ToolProbe::run(arguments, environment);
                expect(shape.first(once, times), shape, "the first run", once);
                first.add(times, once);
                if (shape.again) {
                    if (shape.between)
                        shape.between(book);
                    const ToolProbe::Run next = ToolProbe::run(arguments + shape.againOptions, environment);
                    expect(shape.again(next, times), shape, "the run after it", next);
                    again.add(times, next);
                }
                QDir(run).removeRecursively();
            }
        }
        repetition.finish();
        results.push_back(first.result());
        if (shape.again)
            results.push_back(again.result());
    }
    return results;
}
