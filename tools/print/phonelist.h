#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class NumberReader;
class Tree;

// What a printed directory lists: a section for each folder that holds
// entries, in tree order, headed by the folder's whole path from the top,
// its entries sorted by name as the locale sorts names, each number as
// people of the region read it.
class PhoneList
{
public:
    struct Line
    {
        QString name;
        QString number;
    };
    struct Section
    {
        QStringList path; // empty for the top level
        std::vector<Line> lines;
    };

    // The whole tree, or the folders a --folder option names (Tree::scope)
    // with all beneath them. Throws ToolError when that names no folder.
    PhoneList(const Tree& tree, const QString& folderPath, const NumberReader& numbers);

    const std::vector<Section>& sections() const { return m_sections; }
    qsizetype entries() const { return m_entries; }
    // Entries deeper than FolderPath::MaxDepth, which the walk leaves pathless
    // and so are left out.
    qsizetype tooDeep() const { return m_tooDeep; }

private:
    std::vector<Section> m_sections;
    qsizetype m_entries = 0;
    qsizetype m_tooDeep = 0;
};
