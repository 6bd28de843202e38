#pragma once

#include <QFocusEvent>
#include <QMouseEvent>

namespace ui {

// A popup menu, a message box or another window taking over is not the user
// moving the focus; views report only real moves, or the main window would
// drop a selection that its popup menu is about to act on.
inline bool isRealFocusMove(const QFocusEvent* event)
{
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

// Popup menus act on the selection made before the right click, so a press
// with the right button must never reach the view's selecting handler.
inline bool involvesRightButton(const QMouseEvent* event)
{
    return (event->button() | event->buttons()) & Qt::RightButton;
}

} // namespace ui
