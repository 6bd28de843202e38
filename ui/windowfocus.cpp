#include "ui/windowfocus.h"

#include <QApplication>
#include <QWidget>

namespace ui {

WindowFocus* WindowFocus::of(QWidget* widget)
{
    QWidget* window = widget->window();
    if (auto* known = window->findChild<WindowFocus*>(QString(), Qt::FindDirectChildrenOnly))
        return known;
    return new WindowFocus(window);
}

WindowFocus::WindowFocus(QWidget* window)
    : QObject(window)
    , m_window(window)
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
    if (QWidget* focused = QApplication::focusWidget(); focused && focused->window() == m_window)
        m_current = focused;
}

void WindowFocus::focusChanged(QWidget* now)
{
    // Focus that leaves the window (to nothing, a popup, a dialog) is only
    // lent: it comes back to the same control.
    if (!now || now->window() != m_window || now == m_current)
        return;
    QPointer<QWidget> previous = std::exchange(m_current, now);
    if (previous)
        emit left(previous);
    if (m_current == now)
        emit entered(now);
}

} // namespace ui
