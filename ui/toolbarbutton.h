#pragma once

#include <QAction>

namespace ui {

// A toolbar button, known by its 1-based position from the left. A disabled
// button raises no click.
class ToolbarButton : public QAction
{
    Q_OBJECT

public:
    ToolbarButton(int index, const QIcon& icon, const QString& toolTip, QObject* parent);

    int Index() const { return m_index; }

private:
    int m_index;
};

} // namespace ui
