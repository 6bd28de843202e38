#include "ui/toolbar.h"

#include "ui/toolbarbutton.h"
#include "ui/twips.h"

#include <QEvent>
#include <QToolButton>

namespace ui {

namespace {

constexpr int heightTwips = 420;
constexpr int buttonWidthTwips = 360;
constexpr int buttonHeightTwips = 330;

} // namespace

Toolbar::Toolbar(QWidget* parent)
    : QToolBar(parent)
{
    setMovable(false);
    setFloatable(false);
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Not in a main window, so nothing else lays the bar out: it follows its
    // window's width itself.
    spanWindow();
    parent->installEventFilter(this);
}

ToolbarButton* Toolbar::addButton(const QIcon& icon, const QString& toolTip, const QString& accessibleName)
{
    auto* button = new ToolbarButton(int(m_buttons.size()) + 1, icon, toolTip, this);
    addAction(button);
    m_buttons.append(button);

    QWidget* widget = widgetForAction(button);
    widget->setFixedSize(twips(buttonWidthTwips), twips(buttonHeightTwips));
    // A click must leave the focus in the pane the command acts on.
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setAccessibleName(accessibleName);

    connect(button, &QAction::triggered, this, [this, button] { emit ButtonClick(button->Index()); });
    spanWindow();
    return button;
}

ToolbarButton* Toolbar::Buttons(int index) const
{
    return index >= 1 && index <= m_buttons.size() ? m_buttons.at(index - 1) : nullptr;
}

QWidget* Toolbar::widgetForButton(int index) const
{
    ToolbarButton* button = Buttons(index);
    return button ? widgetForAction(button) : nullptr;
}

bool Toolbar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        spanWindow();
    return QToolBar::eventFilter(watched, event);
}

void Toolbar::spanWindow()
{
    // A bar narrower than its buttons would move the last ones into its "»"
    // menu; kept at least as wide as they need, it runs past the window's
    // edge instead, which cuts it off there.
    setGeometry(0, 0, qMax(parentWidget()->width(), sizeHint().width()), twips(heightTwips));
}

} // namespace ui
