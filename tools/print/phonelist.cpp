#include "tools/print/phonelist.h"

#include "tools/directory/tree.h"
#include "tools/formats/numberreader.h"
#include "tools/formats/printable.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>

PhoneList::PhoneList(const Tree& tree, const QString& folderPath, const NumberReader& numbers)
{
    const std::vector<size_t> tops = tree.scope(folderPath);
    // The walk's paths start at the parent of what it was given; a heading
    // names the folder from the top.
    const QStringList above = tops.front() == Tree::Top ? QStringList() : tree.pathOf(tops.front());
    // Paper obeys no control either: a line break, a tab or a bidi override
    // in a name shows as an escape, as the tool's other output shows it,
    // rather than breaking the layout or reordering the letters around it.
    const auto shown = [](const QStringList& names) {
        QStringList text;
        for (const QString& name : names)
            text.append(Printable::text(name));
        return text;
    };

    // A folder's entries and its subfolders come interleaved in code order:
    // each entry goes to its folder's section, made when the folder came.
    QHash<size_t, size_t> sectionOf;
    if (tops.front() == Tree::Top) {
        sectionOf.insert(Tree::Top, 0);
        m_sections.push_back({});
    }
    for (const Tree::Placed& placed : tree.place(tops)) {
        if (placed.tooDeep) {
            m_tooDeep += placed.record.isFolder() ? 0 : 1;
            continue;
        }
        if (placed.record.isFolder()) {
            sectionOf.insert(placed.index, m_sections.size());
            m_sections.push_back({shown(above + placed.record.path + QStringList{placed.record.name}), {}});
            continue;
        }
        const size_t folder = tree.folderOf(placed.index).value_or(Tree::Top);
        m_sections[sectionOf.value(folder)].lines.push_back(
            {Printable::text(placed.record.name), numbers.readable(placed.record.tel)});
        ++m_entries;
    }

    // A folder holding only folders says nothing on paper: the headings of
    // those beneath it carry its name.
    std::erase_if(m_sections, [](const Section& section) { return section.lines.empty(); });
    // A locale that names no language (C, POSIX) would sort by code point,
    // Z before Ä; the Unicode default order, which English follows, sorts
    // as a reader of any Latin script expects.
    QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
    collator.setNumericMode(true); // "Room 9" before "Room 10"
    for (Section& section : m_sections) {
        std::stable_sort(section.lines.begin(), section.lines.end(), [&](const Line& a, const Line& b) {
            const int order = collator.compare(a.name, b.name);
            return order != 0 ? order < 0 : a.number < b.number;
        });
    }
}
