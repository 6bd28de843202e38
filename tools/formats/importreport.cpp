#include "tools/formats/importreport.h"

#include <algorithm>

void ImportReport::add(Kind kind, int line, const QString& name, const QString& text)
{
    m_items.push_back({kind, line, name, text});
}

qsizetype ImportReport::count(Kind kind) const
{
    return std::count_if(m_items.begin(), m_items.end(), [kind](const Item& item) { return item.kind == kind; });
}
