#include "tools/directory/finder.h"

#include "tools/directory/tree.h"
#include "tools/formats/numberreader.h"

#include "store/statements.h"

#include <algorithm>

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

Finder::Finder(const QString& text)
    : m_name(fold(text))
    , m_asciiName(isAscii(m_name))
    , m_digits(NumberReader::typedDigits(text))
{
}

QString Finder::fold(QStringView text)
{
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString kept;
    kept.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        // U+0640 is the tatweel, which only stretches a word.
        if (c.category() == QChar::Mark_NonSpacing || c.unicode() == 0x0640)
            continue;
        kept += c;
    }
    return kept.toCaseFolded();
}

store::Statement Finder::candidates() const
{
    // LIKE ignores the case of ASCII letters alone, as the comparison of
    // plain-ASCII names does; a needle that is not plain ASCII after folding
    // is in no such name.
    std::optional<QString> pattern;
    if (!m_name.isEmpty() && m_asciiName) {
        QString escaped = m_name;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
        pattern = u'%' + escaped + u'%';
    }
    return store::Statements::Candidates(pattern, m_digits);
}

bool Finder::matches(const QString& name, qint64 tel) const
{
    // Folding leaves plain ASCII as it is but for its case, and most names
    // are plain ASCII: they are compared without folding them first.
    if (!m_name.isEmpty()
        && (m_asciiName && isAscii(name) ? QStringView(name).contains(m_name, Qt::CaseInsensitive)
                                         : fold(name).contains(m_name)))
        return true;
    return m_digits && tel > 0 && QString::number(tel).contains(*m_digits);
}

std::vector<size_t> Finder::find(const Tree& tree) const
{
    std::vector<size_t> found;
    for (const size_t i : tree.walk()) {
        const Tree::Record& r = tree.records()[i];
        if (matches(r.name, *r.telValue))
            found.push_back(i);
    }
    return found;
}
