#include "tools/formats/entrymaker.h"

#include "tools/formats/folderpath.h"

#include <QHash>
#include <QSet>

EntryMaker::EntryMaker(const NumberReader& numbers, ImportReport& report, qsizetype below)
    : m_numbers(numbers)
    , m_report(report)
    , m_below(below)
{
}

std::vector<FlatRecord> EntryMaker::entries(const std::vector<Contact>& contacts)
{
    std::vector<FlatRecord> records;
    for (const Contact& contact : contacts)
        add(contact, records);
    return records;
}

QStringList EntryMaker::marks(const QStringList& kinds)
{
    if (kinds.size() < 2)
        return {};
    QStringList marks;
    QHash<QString, int> used;
    for (const QString& kind : kinds) {
        QString mark = kind.isEmpty() ? QStringLiteral("other") : kind;
        if (const int times = ++used[mark]; times > 1)
            mark += QStringLiteral(" %1").arg(times);
        marks.append(mark);
    }
    return marks;
}

std::vector<FlatRecord> EntryMaker::plainEntries(const std::vector<Contact>& contacts)
{
    const NumberReader numbers;
    ImportReport ignored;
    return EntryMaker(numbers, ignored).entries(contacts);
}

void EntryMaker::add(const Contact& contact, std::vector<FlatRecord>& records)
{
    QString name = contact.exactName ? contact.name.formatted : contact.name.chosen();
    if (m_below + contact.folder.size() > FolderPath::MaxDepth) {
        m_report.add(ImportReport::Kind::Skipped, contact.line, name,
                     QStringLiteral("its folder path is %1 folders deep%2, deeper than the %3 any directory needs")
                         .arg(QString::number(contact.folder.size()),
                              m_below ? QStringLiteral(" inside the %1 of --into").arg(m_below) : QString(),
                              QString::number(FolderPath::MaxDepth)));
        return;
    }
    if (contact.folder != m_folder)
        m_folder = contact.folder;
    if (contact.isFolder) {
        records.push_back({m_folder, name, 0, contact.line});
        return;
    }
    struct Kept
    {
        const Contact::Phone* phone;
        NumberReader::Reading reading;
    };
    std::vector<Kept> kept;
    QSet<QPair<qint64, QString>> seen; // the same number twice on a card is one entry
    bool anyNumber = false;
    for (const Contact::Phone& phone : contact.phones) {
        if (phone.text.trimmed().isEmpty())
            continue;
        anyNumber = true;
        NumberReader::Reading reading = m_numbers.read(phone.text);
        if (!reading.value) {
            m_report.add(ImportReport::Kind::Skipped, phone.line, name, reading.problem);
            continue;
        }
        if (seen.contains({*reading.value, reading.extension}))
            continue;
        seen.insert({*reading.value, reading.extension});
        kept.push_back({&phone, std::move(reading)});
    }
    if (!anyNumber) {
        m_report.add(ImportReport::Kind::NoNumber, contact.line, name, QStringLiteral("no telephone number"));
        return;
    }
    if (kept.empty())
        return;
    // Without a name, each entry is named by its own number: one named by
    // another's would be found under a number it does not hold.
    const bool byNumber = name.trimmed().isEmpty() && !contact.exactName;
    if (byNumber)
        m_report.add(ImportReport::Kind::Note, contact.line, kept.front().reading.number,
                     kept.size() == 1 ? QStringLiteral("no name; named by its number")
                                      : QStringLiteral("no name; each entry named by its own number"));

    // Each entry's name with what tells it from the card's others.
    QStringList kinds;
    for (const Kept& k : kept)
        kinds.append(k.phone->kind);
    const QStringList kindMarks = EntryMaker::marks(kinds);
    for (size_t i = 0; i < kept.size(); ++i) {
        const Kept& k = kept[i];
        QStringList marks;
        if (!kindMarks.isEmpty())
            marks.append(kindMarks[qsizetype(i)]);
        if (!k.reading.extension.isEmpty())
            marks.append(k.reading.extension);
        const QString& own = byNumber ? k.reading.number : name;
        const QString entryName = marks.isEmpty() ? own : QStringLiteral("%1 (%2)").arg(own, marks.join(u", "));
        records.push_back({m_folder, entryName, *k.reading.value, k.phone->line});

        QStringList how = k.reading.changes;
        if (!k.reading.extension.isEmpty())
            how.append(QStringLiteral("%1 left out of the number, kept in the name").arg(k.reading.extension));
        if (!how.isEmpty())
            m_report.add(ImportReport::Kind::Changed, k.phone->line, entryName,
                         QStringLiteral("\"%1\" stored as %2: %3")
                             .arg(k.phone->text.trimmed(), QString::number(*k.reading.value), how.join(u", ")));
    }
}
