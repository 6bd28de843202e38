#include "tools/carddav/cardnames.h"

#include "tools/carddav/directorystate.h"

#include <algorithm>

CardNames::CardNames(const QString& directoryFile)
    : m_prefix(QStringLiteral("quorvelin-%1-").arg(DirectoryState::id(directoryFile)))
{
}

QString CardNames::uid(qint64 code, int nth) const
{
    return nth == 1 ? m_prefix + QString::number(code) : m_prefix + QStringLiteral("%1-%2").arg(code).arg(nth);
}

std::optional<qint64> CardNames::code(QStringView fileName) const
{
    if (!fileName.startsWith(m_prefix) || !fileName.endsWith(u".vcf"))
        return std::nullopt;
    const QStringView digits = fileName.sliced(m_prefix.size(), fileName.size() - m_prefix.size() - 4);
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool ok = false;
    const qint64 code = digits.toLongLong(&ok);
    return ok && code > 0 ? std::optional(code) : std::nullopt;
}
