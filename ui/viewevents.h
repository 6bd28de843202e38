#pragma once

#include "ui/windowfocus.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace ui {

// Popup menus act on the selection made before the right click, so a press
// with the right button must never reach the view's selecting handler.
inline bool involvesRightButton(const QMouseEvent* event)
{
    return (event->button() | event->buttons()) & Qt::RightButton;
}

// The keys that open the focused control's popup menu, as a right click does.
inline bool isMenuKey(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
}

// Where a popup opened from the keyboard belongs: under the item it acts on,
// or at the top of the view when there is none.
inline QPoint menuPoint(const QAbstractItemView* view, const QModelIndex& item)
{
    QWidget* viewport = view->viewport();
    QPoint point(4, 4);
    if (item.isValid()) {
        const QRect rect = view->visualRect(item);
        point = QPoint(qBound(0, rect.left() + 4, viewport->width() - 1), qBound(0, rect.bottom(), viewport->height() - 1));
    }
    return viewport->mapToGlobal(point);
}

// Reports through a view's GotFocus and LostFocus the moves of its window's
// focus that concern it (WindowFocus): a popup, a box or a dialog over the
// window is not a move, a click that activates the window is.
template <class View>
void reportWindowFocus(View* view)
{
    WindowFocus* focus = WindowFocus::of(view);
    QObject::connect(focus, &WindowFocus::left, view, [view](QWidget* control) {
        if (control == view)
            emit view->LostFocus();
    });
    QObject::connect(focus, &WindowFocus::entered, view, [view](QWidget* control) {
        if (control == view)
            emit view->GotFocus();
    });
}

} // namespace ui
