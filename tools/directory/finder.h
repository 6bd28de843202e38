#pragma once

#include <QString>

#include <optional>
#include <vector>

class Tree;

namespace store {
struct Statement;
}

// Searches the whole tree, where the program shows one level at a time.
class Finder
{
public:
    // Looks for `text` in names and, when it is written as a number, in numbers.
    explicit Finder(const QString& text);

    bool empty() const { return m_name.isEmpty() && !m_digits; }
    // The walk of the table that yields every record that may match, and
    // few others: the engine sorts out the plain-ASCII names that cannot.
    store::Statement candidates() const;
    // Reachable records, in tree order, whose name contains the text or whose
    // number contains its digits.
    std::vector<size_t> find(const Tree& tree) const;
    bool matches(const QString& name, qint64 tel) const;

    // Text as compared: without case, accents, Arabic vowel marks and
    // elongation, and with compatibility forms (Arabic presentation forms,
    // full-width Latin) read as their plain letters, so a name is found
    // however it was typed.
    static QString fold(QStringView text);

private:
    QString m_name;
    bool m_asciiName; // folded, the text is plain ASCII
    std::optional<QString> m_digits;
};
