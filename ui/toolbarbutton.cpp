#include "ui/toolbarbutton.h"

namespace ui {

ToolbarButton::ToolbarButton(int index, const QIcon& icon, const QString& toolTip, QObject* parent)
    : QAction(icon, QString(), parent)
    , m_index(index)
{
    setToolTip(toolTip);
}

} // namespace ui
