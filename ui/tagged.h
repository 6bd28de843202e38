#pragma once

#include <QString>

namespace ui {

// A free text that a window or control carries for its program; the main
// window keeps its shared state in these.
class Tagged
{
public:
    QString Tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }

private:
    QString m_tag;
};

} // namespace ui
