#include "benchbook.h"

#include "store/database.h"
#include "store/statements.h"
#include "store/transaction.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::array<const char*, 40> firstNames{
    "Anna",   "Ben",    "Clara",  "David", "Elena",  "Felix", "Greta", "Hugo",   "Ines",  "Jonas",
    "Karin",  "Leo",    "Maria",  "Nils",  "Olga",   "Paul",  "Rosa",  "Simon",  "Tanja", "Uwe",
    "Vera",   "Walter", "Yara",   "Zoe",   "Agnes",  "Bruno", "Carla", "Dario",  "Emil",  "Frida",
    "Georg",  "Hanna",  "Ivo",    "Julia", "Kurt",   "Lena",  "Marco", "Nora",   "Otto",  "Petra"};
constexpr std::array<const char*, 40> lastNames{
    "Berger", "Novak",   "Weber",  "Fischer", "Keller", "Brandt", "Lorenz", "Vogel",  "Hahn",   "Roth",
    "Krause", "Sommer",  "Haas",   "Winter",  "Frank",  "Jung",   "Ludwig", "Otto",   "Busch",  "Kraus",
    "Moreau", "Rossi",   "Costa",  "Silva",   "Horvat", "Nagy",   "Kovac",  "Dvorak", "Lund",   "Berg",
    "Meyer",  "Schmitt", "Wagner", "Becker",  "Schulz", "Hoffer", "Koch",   "Richter", "Klein", "Wolf"};
constexpr std::array<const char*, 12> folderWords{"Family", "Work",    "Clients", "Friends", "Doctors", "School",
                                                  "Club",   "Suppliers", "Office", "Neighbours", "Travel", "Misc"};

quint64 mix(quint64 x)
{
    // splitmix64: a cheap, well spread hash of a counter.
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

QString folderName(qint64 code)
{
    const quint64 h = mix(quint64(code) * 7 + 3);
    return QString::fromLatin1(folderWords[h % folderWords.size()]) + u' ' + QString::number(code % 1000);
}

} // namespace

QString benchName(quint64 seed)
{
    const quint64 h = mix(seed);
    QString name = QString::fromLatin1(firstNames[h % firstNames.size()]) + u' ';
    // Every other name carries a middle initial.
    if ((h >> 32) & 1)
        name += QChar(u'A' + int((h >> 40) % 26)) + QStringLiteral(". ");
    return name + QString::fromLatin1(lastNames[(h >> 16) % lastNames.size()]);
}

qint64 benchNumber(quint64 seed)
{
    const quint64 h = mix(seed ^ 0x5bd1e995ULL);
    const int digits = 9 + int(h % 4); // 9 to 12 digits
    qint64 low = 1;
    for (int i = 1; i < digits; ++i)
        low *= 10;
    return low + qint64((h >> 8) % quint64(9 * low));
}

BenchBook writeBenchBook(const QString& path)
{
    BenchBook book;
    // The engine takes an empty file as an empty database; the store opens
    // only files that exist.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw std::runtime_error("cannot create " + path.toStdString());
    file.close();
    store::Database db(path);
    store::Transaction transaction(db);
    db.execute(store::Statements::CreateTable());

    qint64 code = 0;
    const auto insert = [&](const QString& name, qint64 tel, qint64 parent) {
        ++code;
        db.execute(store::Statements::Insert(code, name, tel, parent));
    };

    // Folders first, so every entry below has its folder already.
    for (int i = 0; i < BenchBook::TopFolders; ++i)
        insert(folderName(code + 1), 0, 0);
    book.bigLevel = 1;
    book.manyFolders = 2;
    book.bigTree = 3;
    for (int i = 0; i < BenchBook::ManyFolders; ++i)
        insert(benchName(quint64(code) + 1) + QStringLiteral(" Ltd"), 0, book.manyFolders);

    // The tree: each level's folders hang under folders of the level
    // above, drawn at random, so some hold several subfolders and some
    // none, and every path is TreeDepth folders deep.
    std::mt19937_64 random(20240607);
    const qint64 treeFirst = code + 1;
    for (int level = 0; level < BenchBook::TreeDepth; ++level) {
        const qint64 levelAbove = treeFirst + qint64(level - 1) * BenchBook::TreeFoldersPerLevel;
        for (int i = 0; i < BenchBook::TreeFoldersPerLevel; ++i) {
            const qint64 parent =
                level == 0 ? book.bigTree : levelAbove + qint64(random() % BenchBook::TreeFoldersPerLevel);
            insert(folderName(code + 1), 0, parent);
        }
    }
    const qint64 treeFolders = qint64(BenchBook::TreeDepth) * BenchBook::TreeFoldersPerLevel;

    // The entries, in a shuffled order of folders.
    const qint64 entries = BenchBook::Records - code;
    const qint64 others = entries - BenchBook::TopEntries - BenchBook::BigLevelEntries - BenchBook::TreeEntries;
    std::vector<qint32> parents;
    parents.reserve(std::size_t(entries));
    parents.insert(parents.end(), BenchBook::TopEntries, 0);
    parents.insert(parents.end(), BenchBook::BigLevelEntries, qint32(book.bigLevel));
    for (int i = 0; i < BenchBook::TreeEntries; ++i)
        parents.push_back(qint32(treeFirst + qint64(random() % quint64(treeFolders))));
    const int otherFolders = BenchBook::TopFolders - 3;
    for (qint64 i = 0; i < others; ++i)
        parents.push_back(qint32(4 + i % otherFolders));
    std::shuffle(parents.begin(), parents.end(), random);
    for (const qint32 parent : parents) {
        const quint64 seed = quint64(code) + 1;
        insert(benchName(seed), benchNumber(seed), parent);
    }

// The indexes a new directory gets, made after the rows: quicker than
    // keeping them up to date row by row.
    for (const QString& index : store::Statements::Indexes())
        db.execute(index);
    transaction.Commit();
    book.records = code;
    book.treeRecords = treeFolders + BenchBook::TreeEntries;
    return book;
}

std::vector<SampleBook::Row> contactRows(int entries)
{
    constexpr int Folders = 100;
    std::vector<SampleBook::Row> rows;
    for (int f = 1; f <= Folders; ++f)
        rows.push_back({f, QStringLiteral("Folder %1").arg(f), 0, 0});
    for (qint64 code = Folders + 1; code <= Folders + entries; ++code)
        rows.push_back({code, benchName(quint64(code)), benchNumber(quint64(code)), 1 + code % Folders});
    return rows;
}
